// View > Thumbnails: the grid takes the picture's place in the window, and Enter
// or a double click brings the picture chosen back into the viewer.
#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScrollArea>
#include <QStackedWidget>

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
            BtnOpenEx(path.toStdString());
        });
        // The cell's picture becomes the viewer's, then the viewer's Delete runs.
        connect(thumbnailGrid_, &ThumbnailGrid::deleteRequested, this, [this](const QString& path) {
            if (!BtnOpenEx(path.toStdString())) return;
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
    }
    const bool show = centralStack_->currentWidget() != thumbnailGrid_;
    if (QAction* a = action("onThumbnails")) a->setChecked(show);
    if (!show) {
        centralStack_->setCurrentWidget(scrollBox_);
        scrollBox_->setFocus();
        return;
    }
    const QString current = QString::fromStdString(ws_.CurrentFileName);
    const QFileInfo info(current);
    const QString folder = info.isFile() ? info.absolutePath() : openDir_;
    thumbnailGrid_->showFolder(folder, info.isFile() ? info.absoluteFilePath() : QString());
    centralStack_->setCurrentWidget(thumbnailGrid_);
    thumbnailGrid_->setFocus();
}

}  // namespace vimbra
