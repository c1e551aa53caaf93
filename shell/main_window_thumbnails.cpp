// View > Thumbnails: the grid takes the picture's place in the window, and Enter
// or a double click brings the picture chosen back into the viewer. While it is
// shown, its selection is what the bookmark show and batch conversion work on.
#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolButton>
#include <filesystem>
#include <unordered_set>

#include "shell/main_window.h"
#include "shell/thumbnail_grid.h"

namespace vimbra {

void MainWindow::onThumbnails() {
    if (!centralStack_) {
        // The picture's scroll box and the grid share the central place.
        centralStack_ = new QStackedWidget(this);
        centralStack_->addWidget(takeCentralWidget());
        thumbnailGrid_ = new ThumbnailGrid(centralStack_);
        centralStack_->addWidget(thumbnailGrid_);
        setCentralWidget(centralStack_);
        connect(thumbnailGrid_, &ThumbnailGrid::openRequested, this, [this](const QString& path) {
            onThumbnails();
            openPicture(path.toStdString());
        });
        // The cell's picture becomes the viewer's, then the viewer's Delete runs.
        connect(thumbnailGrid_, &ThumbnailGrid::deleteRequested, this, [this](const QString& path) {
            if (!openPicture(path.toStdString())) return;
            onDelete(QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier);
            thumbnailGrid_->reload(QString::fromStdString(ws_.CurrentFileName));
        });
        connect(thumbnailGrid_, &ThumbnailGrid::folderShown, this, [this](int, const QString& error) {
            if (error.isEmpty()) return;
            ws_.StatusText = error.toStdString();
            refreshStatusBar();
        });
        connect(thumbnailGrid_->gridModel(), &ThumbnailGridModel::cacheUnwritable, this,
                [this](const QString& why) {
                    ws_.StatusText = "Thumbnails kept in memory only: " + why.toStdString();
                    refreshStatusBar();
                });
        // The context menu reaches the same commands as the menus.
        connect(thumbnailGrid_, &ThumbnailGrid::bookmarkRequested, this, &MainWindow::bookmarkGridSelection);
        connect(thumbnailGrid_, &ThumbnailGrid::slideshowRequested, this, &MainWindow::onHistorySlideshow);
        for (int format = 0; format < 16; ++format)
            if (QAction* a = action("onBatchConvert", format)) thumbnailGrid_->convertMenu()->addAction(a);
        connect(thumbnailGrid_->contextMenu(), &QMenu::aboutToShow, this, &MainWindow::updateBatchMenu);
        connect(thumbnailGrid_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &MainWindow::updateGridCommands);
    }
    const bool show = centralStack_->currentWidget() != thumbnailGrid_;
    if (QAction* a = action("onThumbnails")) a->setChecked(show);
    if (!show) {
        centralStack_->setCurrentWidget(scrollBox_);
        scrollBox_->setFocus();
        HistoryControls();  // the bookmarks' enabling again
        updateBatchMenu();
        return;
    }
    const QString current = QString::fromStdString(ws_.CurrentFileName);
    const QFileInfo info(current);
    const QString folder = info.isFile() ? info.absolutePath() : openDir_;
    thumbnailGrid_->showFolder(folder, info.isFile() ? info.absoluteFilePath() : QString());
    centralStack_->setCurrentWidget(thumbnailGrid_);
    thumbnailGrid_->setFocus();
    updateGridCommands();
}

std::optional<std::vector<std::string>> MainWindow::gridSelection() const {
    if (!centralStack_ || centralStack_->currentWidget() != thumbnailGrid_) return std::nullopt;
    std::vector<std::string> files;
    for (const QString& f : thumbnailGrid_->selectedFiles()) files.push_back(f.toStdString());
    return files;
}

void MainWindow::bookmarkGridSelection() {
    const auto chosen = gridSelection();
    if (!chosen || chosen->empty()) return;
    // Appended in grid order; a picture bookmarked already keeps its place.
    std::vector<std::string> entries = bookmarks_.entries();
    std::unordered_set<std::string> known;
    for (const std::string& e : entries) known.insert(std::filesystem::path(e).lexically_normal().string());
    size_t added = 0;
    for (const std::string& f : *chosen) {
        if (!known.insert(f).second) continue;
        entries.push_back(f);
        ++added;
    }
    bookmarks_.replace(std::move(entries), bookmarks_.BookmarkIndex());
    HistoryControls();
    UpdateHistoryEdit();
    statusBar()->showMessage(QStringLiteral("%1 picture(s) bookmarked, %2 in the list.")
                                 .arg(added)
                                 .arg(bookmarks_.size()),
                             5000);
}

void MainWindow::updateGridCommands() {
    const auto chosen = gridSelection();
    if (!chosen) return;  // the bookmarks decide, as HistoryControls set them
    const bool many = chosen->size() > 1;
    if (QAction* a = action("onHistorySlideshow")) a->setEnabled(many);
    if (QToolButton* t = buttons_[QStringLiteral("Instant slideshow")]) t->setEnabled(many);
    updateBatchMenu();
}

}  // namespace vimbra
