// Navigation through the bookmark list, the path box and the Bookmarks menu,
// with the neighbours of the current bookmark decoded ahead.
#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "batch/gui/list_dialog.h"
#include "batch/list_file.h"
#include "batch/navigation.h"
#include "shell/menu_layout.h"
#include "shell/preloader.h"
#include "shell/picture_view.h"
#include "shell/save_file_dialog.h"
#include "shell/main_window.h"

namespace vimbra {

Loader MainWindow::navigationLoader() {
    // Unsaved changes were settled before the step was taken.
    return [this](const std::string& path) {
        if (openPreloaded(path) || openPicture(path, false)) return true;
        // The list has moved on to the file that failed: show that one as
        // unreadable instead of the picture before it under its old name.
        if (!ws_.CriticalProcess) {
            ShowBlankImage(false);
            ws_.CurrentFileName = path;
            ws_.Modified = false;
            UpdateCaption();
        }
        return false;
    };
}

LoadOptions MainWindow::preloadOptions() const {
    LoadOptions o = loadOptions();
    o.displayBitDepth = ws_.DisplayBitDepth;  // as LoadImageFile takes it
    return o;
}

void MainWindow::schedulePreload() {
    if (preloadQueued_) return;
    preloadQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        preloadQueued_ = false;
        startPreload();
    });
}

void MainWindow::startPreload() {
    const size_t n = bookmarks_.size();
    // A batch run loads through its own path; a single entry has no neighbour.
    if (ws_.BatchRunning || closing_ || n <= 1) {
        if (preloader_) preloader_->clear();
        return;
    }
    const size_t index = size_t(bookmarks_.BookmarkIndex());
    std::vector<std::string> paths;
    for (const size_t i : {(index + 1) % n, (index + n - 1) % n}) {
        const std::string& p = bookmarks_[i];
        if (p != ws_.CurrentFileName && Preloadable(p)) paths.push_back(p);
    }
    if (paths.empty() && !preloader_) return;
    if (!preloader_) preloader_ = std::make_shared<Preloader>();
    preloader_->want(paths, preloadOptions());
}

bool MainWindow::openPreloaded(const std::string& path) {
    if (!preloader_ || ws_.CriticalProcess || ws_.BatchRunning) return false;
    std::optional<PreloadedPicture> ready = preloader_->take(path, preloadOptions());
    if (!ready) return false;
    if (media_.MediaMode) setMediaMode(false);
    onHand();
    const LoadResult r = InstallPreloaded(ws_, path, std::move(*ready));
    FinishLoad(path, r.file);
    return true;
}

std::vector<std::string> MainWindow::CommandLineFiles(const QStringList& args) {
    const QString joined = args.join(QLatin1Char(' '));
    if (joined.isEmpty()) return {};
    if (QFileInfo(joined).isFile()) return {QFileInfo(joined).absoluteFilePath().toStdString()};
    if (args.size() < 2) return {};
    std::vector<std::string> files;
    for (const QString& a : args) {
        const QFileInfo info(a);
        if (!info.isFile()) return {};
        files.push_back(info.absoluteFilePath().toStdString());
    }
    return files;
}

void MainWindow::bookmarkCommandLine(const std::vector<std::string>& files) {
    if (files.size() < 2) return;
    // Several dropped files are bookmarked from the last back to the second;
    // handing them over reversed keeps a command line's order instead.
    std::vector<std::string> order{files.front()};
    order.insert(order.end(), files.rbegin(), files.rend() - 1);
    bookmarks_.appendOpenedFiles(order);
    HistoryControls();
}

void MainWindow::afterNavigation(const NavResult& r) {
    if (r.emptied) {
        ShowBlankImage(true);
        bookmarks_.clear();
    }
    if (r.removed > 0)
        statusBar()->showMessage(
            QStringLiteral("%1 %2 bookmark(s) skipped and removed.")
                .arg(QString::fromLatin1(kFileNotFound))
                .arg(r.removed),
            8000);
    HistoryControls();
    UpdateHistoryEdit();
}

void MainWindow::onNextImage() {
    if (bookmarks_.size() <= 1) return;
    if (ws_.Modified && CloseNow() != 6) return;
    afterNavigation(NavigateNext(bookmarks_, navigationLoader()));
}

void MainWindow::onPreviousImage() {
    if (bookmarks_.size() <= 1) return;
    if (ws_.Modified && CloseNow() != 6) return;
    afterNavigation(NavigatePrevious(bookmarks_, navigationLoader()));
}

void MainWindow::onFirstImage(int last) {
    if (bookmarks_.empty()) return;
    if (ws_.Modified && CloseNow() != 6) return;
    afterNavigation(last ? NavigateLast(bookmarks_, navigationLoader())
                         : NavigateFirst(bookmarks_, navigationLoader()));
}

void MainWindow::onExplore() {
    const QString appDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(appDir);
    const std::string folder =
        ExploreFolder(history_->text().toStdString(), appDir.toStdString());
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
}

void MainWindow::HistoryKeyPress() {
    const TypedPath t = vimbra::HistoryKeyPress(history_->text().toStdString(), ws_.CurrentFileName);
    switch (t.action) {
        case TypedPath::Nothing: break;
        case TypedPath::Open: openPicture(t.path); break;
        case TypedPath::Explore:
            history_->setText(QString::fromStdString(t.path));
            QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(t.path)));
            break;
        case TypedPath::NotFound:
            host_.Ask(MessageKind::Warning, kFileNotFound, Buttons::Ok);
            UpdateHistoryEdit();
            break;
    }
}

void MainWindow::HistoryControls() {
    const bool many = bookmarks_.size() > 1, any = !bookmarks_.empty();
    for (const char* b : {"Back", "Next"})
        if (QToolButton* t = buttons_[QString::fromLatin1(b)]) t->setEnabled(many);
    if (QToolButton* t = buttons_[QStringLiteral("Cut/Unmark")]) t->setEnabled(any);
    for (const char* b : {"Info", "Copy/move", "Delete/recycle"})
        if (QToolButton* t = buttons_[QString::fromLatin1(b)]) t->setEnabled(any);
    for (const char* h : {"onCopyTo", "onMoveTo", "onDelete"})
        if (QAction* a = action(h)) a->setEnabled(any);
    for (const char* h : {"onNextImage", "onPreviousImage"})
        if (QAction* a = action(h)) a->setEnabled(many);
    for (int tag : {0, 1})
        if (QAction* a = action("onFirstImage", tag)) a->setEnabled(any);
    if (QAction* a = action("onBookmarkUnmark")) a->setEnabled(any);
    if (QAction* a = action("onHistorySort")) a->setEnabled(many);
    if (QAction* a = action("onHistorySlideshow")) a->setEnabled(many);
    if (QToolButton* t = buttons_[QStringLiteral("Instant slideshow")]) t->setEnabled(many);
    updateGridCommands();
    // Every load and every change of the list passes here.
    schedulePreload();
}

void MainWindow::UpdateHistoryEdit() {
    if (!history_) return;
    const std::string* entry = bookmarks_.current();
    history_->setText(entry ? QString::fromStdString(*entry) : QString());
}

void MainWindow::onBookmarksView() {
    if (bookmarks_.empty() || !isVisible()) return;
    QStringList list;
    for (const std::string& e : bookmarks_.entries()) list << QString::fromStdString(e);
    ListDialogOptions o;
    o.currentPath = history_->text();
    const int chosen =
        ShowListDialog(this, kListBookmarks, QStringLiteral("Bookmarked Files"), list, o);
    if (chosen < 0) return;
    std::vector<std::string> entries;
    for (const QString& s : list) entries.push_back(s.toStdString());
    bookmarks_.replace(std::move(entries), chosen);
    if (bookmarks_.empty()) {
        onHistoryClear();
        return;
    }
    if (ws_.Modified && CloseNow() != 6) {
        HistoryControls();
        UpdateHistoryEdit();
        return;
    }
    afterNavigation(HistoryClick(bookmarks_, ws_.CurrentFileName, navigationLoader()));
}

void MainWindow::onHistoryClear() {
    if (ws_.Modified && CloseNow() != 6) return;
    ShowBlankImage(true);
    bookmarks_.clear();
    history_->clear();
    HistoryControls();
}

void MainWindow::onHistorySort() {
    if (bookmarks_.empty()) return;
    if (ws_.Modified && CloseNow() != 6) return;
    bookmarks_.sort();
    if (bookmarks_.empty()) {
        onHistoryClear();
        return;
    }
    afterNavigation(HistoryClick(bookmarks_, ws_.CurrentFileName, navigationLoader()));
}

void MainWindow::onHistoryLoad() {
    const QString file = QFileDialog::getOpenFileName(
        this, QString::fromLatin1(kListFileLoadTitle), openDir_,
        QString::fromLatin1(kListFileFilter));
    if (file.isEmpty()) return;
    if (ws_.Modified && CloseNow() != 6) return;
    std::string error;
    if (!LoadBookmarks(bookmarks_, file.toStdString(), error)) {
        showError(error);
        return;
    }
    afterNavigation(HistoryClick(bookmarks_, ws_.CurrentFileName, navigationLoader()));
}

void MainWindow::onHistorySave() {
    const QString file = AskSaveFileName(
        this, QString::fromLatin1(kListFileSaveTitle), openDir_,
        QString::fromLatin1(kListFileFilter), QLatin1String(kListFileExtension),
        EnsureExtension(QLatin1String(kListFileExtension)));
    if (file.isEmpty()) return;
    const std::string error = SaveBookmarks(bookmarks_, file.toStdString());
    if (!error.empty()) showError(error);
}

void MainWindow::onBookmarkUnmark() {
    if (bookmarks_.empty()) return;
    const std::string name = bookmarks_.current() ? *bookmarks_.current() : ws_.CurrentFileName;
    const Answer a = host_.AskSilenceable(
        "onBookmarkUnmark", MessageKind::Confirmation,
        "Remove bookmark for " + name + " ?\n[Ignore] avoids this dialog (for experts).");
    if (a == Answer::No) return;
    if (ws_.Modified && CloseNow() != 6) return;
    const RemovalResult r = bookmarks_.HistoryChangeUpdate(navigationLoader());
    if (r.emptied) ShowBlankImage(true);
    HistoryControls();
    UpdateHistoryEdit();
}

}  // namespace vimbra
