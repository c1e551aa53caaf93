#pragma once
// View > Thumbnails: the pictures of the current picture's folder as a grid of
// thumbnails with their names. Arrow keys, Page Up/Down, Home and End move the
// selection; Enter or a double click asks for the picture to be opened. The
// context menu holds the commands for the selected cells.
#include <QListView>
#include <QStringList>

class QAction;
class QMenu;

#include "shell/thumbnail_grid_model.h"

namespace vimbra {

class ThumbnailGrid : public QListView {
    Q_OBJECT
public:
    explicit ThumbnailGrid(QWidget* parent = nullptr,
                           thumbs::ThumbnailCache cache = thumbs::ThumbnailCache(),
                           thumbs::ThumbSize size = thumbs::ThumbSize::Normal);

    // Lists `folder` in the background (unless it is listed already) and then
    // selects `current`.
    void showFolder(const QString& folder, const QString& current);
    // Selects the cell of `path` when it is listed, else remembers it for the listing.
    void selectFile(const QString& path);
    QString currentFile() const;
    // The selected cells' files, in grid order.
    QStringList selectedFiles() const;
    // Right click or the menu key on the grid: Open, Bookmark, Slideshow, the
    // conversion submenu (which the window fills with its own batch items) and Delete.
    QMenu* contextMenu() const { return menu_; }
    QMenu* convertMenu() const { return convertMenu_; }
    // Lists the folder again (files gone or added) and then selects `current`.
    void reload(const QString& current);
    ThumbnailGridModel* gridModel() const { return model_; }

signals:
    void openRequested(const QString& path);
    // Delete on a cell: the window deletes as its own Delete does.
    void deleteRequested(const QString& path);
    // The context menu's Bookmark and Slideshow, for the selected cells.
    void bookmarkRequested();
    void slideshowRequested();
    // The folder is listed and shown (count cells; error when it could not be read).
    void folderShown(int count, const QString& error);

protected:
    bool event(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Page Up and Down move by the rows in full view.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    int columns() const;
    void onListed(int count, const QString& error);
    ThumbnailGridModel* model_;
    void buildMenu();
    QString pendingSelection_;
    QMenu* menu_ = nullptr;
    QMenu* convertMenu_ = nullptr;
    QAction *open_ = nullptr, *bookmark_ = nullptr, *slideshow_ = nullptr, *delete_ = nullptr;
};

}  // namespace vimbra
