// Slideshows from the viewer: the bookmark show (Ctrl+R, R, "Instant
// slideshow"), script shows opened as ".avl" files, and the effect choice.
// A show plays over the main window's client area with everything else
// hidden, and the window is put back as it was when it ends.
#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <tuple>

#include "batch/gui/list_dialog.h"
#include "media/gui/cd_window.h"
#include "shell/main_window.h"
#include "shell/options_dialog.h"
#include "shell/picture_ratio.h"
#include "shell/script_window.h"
#include "shell/show_states.h"
#include "shell/thumbnail_grid.h"
#include "slideshow/avl_running.h"
#include "slideshow/effect_table.h"
#include "slideshow/gui/show_window.h"
#include "tools/jpeg_text_window.h"
#include "tools/unzip_window.h"

namespace vimbra {
namespace {

constexpr const char* kEffectSelectionKey = "selFX01";

std::vector<int> StoredEffectSelection(QSettings& settings) {
    const QByteArray value = settings.value(kEffectSelectionKey).toByteArray();
    return DecodeEffectSelection(std::vector<uint8_t>(value.begin(), value.end()));
}

}  // namespace

struct MainWindow::BeforeShow {
    bool menuBar = true, toolBar = true, pathBar = true, statusBar = true, scrollBox = true;
    bool fitToWindow = true;
    int zoomPercent = 100;
    bool fullScreenMenus = false;
    bool enteredFullScreen = false;
    bool maximised = false;
    bool shortcuts = true;
    bool fileNameItem = true;
    Qt::ContextMenuPolicy popup = Qt::DefaultContextMenu;
    std::vector<std::pair<QMenu*, bool>> menus;
    std::string avlPath;
    bool closing = false;  // the window closes: nothing is opened after the show
    bool gridShow = false;  // over the thumbnail grid's selection: the bookmarks stay as they are
};

void MainWindow::onHistorySlideshow() {
    if (ws_.CriticalProcess || show_) return;
    // A show never drops unsaved edits unasked.
    if (ws_.Modified && CloseNow() != 6) return;
    startShow({});
}

bool MainWindow::startAvlShow(const std::string& path) {
    if (ws_.CriticalProcess || show_) return false;
    if (ws_.Modified && CloseNow() != 6) return false;
    return startShow(path);
}

bool MainWindow::startShow(const std::string& avlPath) {
    const bool avl = !avlPath.empty();
    ShowSettings options;
    options.speed = settings_.EffectsSpeed;
    options.captionPlace = settings_.textPosition == 1 ? CaptionPlace::Top : CaptionPlace::Bottom;
    options.screenGamma = ViewGamma;
    options.delayMs = settings_.SlideDelay;
    options.selection = StoredEffectSelection(*settingsFile_);
    // Slides start on the viewer's background. Every display we run on has true
    // colour, so no palette is realised or reduced to ("SVGA Palette" is kept, unused).
    options.background = QColorToBackColor(scrollBox_->palette().color(QPalette::Base));
    std::tie(options.aspectWidth, options.aspectHeight) = AspectRatioOf(AspectMode);
    options.colourManage = settings_.colourManage;
    options.media = {settings_.avlJukebox, settings_.autoSizeVideo, settings_.textPosition, cdDeviceFactory};
    auto* window = new ShowWindow(options, {}, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    // From the thumbnail grid the show runs over its selection, from the first.
    const std::optional<std::vector<std::string>> chosen = avl ? std::nullopt : gridSelection();
    const QString refusal = avl      ? window->startAvl(QString::fromStdString(avlPath))
                            : chosen ? window->startBookmarks(*chosen, 0)
                                     : window->startBookmarks(bookmarks_.entries(), size_t(bookmarks_.BookmarkIndex()));
    if (!refusal.isEmpty()) {
        delete window;
        if (refusal == QLatin1String(kTwoSlidesRequired)) {
            if (host_.Ask(MessageKind::Information,
                          "Two or more slides are required for slideshow.\n"
                          "Show help regarding multiple file selection?",
                          Buttons::YesNo) == Answer::Yes)
                onHelpContext(110);
        } else {
            showError(refusal.toStdString());
        }
        // A program started for this show has nothing else to do.
        if (ClosesAfterShow(startFile_, avlPath)) QTimer::singleShot(0, this, &QWidget::close);
        return false;
    }
    if (avl) {
        if (!avlLock_) avlLock_ = std::make_unique<AvlRunningLock>();
        if (avlLock_->heldElsewhere())
            host_.Ask(MessageKind::Warning, "Enhanced AVL slideshow already running.", Buttons::Ok);
        avlLock_->acquire();
    }
    if (media_.MediaMode) setMediaMode(false);
    show_ = window;
    ws_.CriticalProcess = true;
    hideForShow();
    beforeShow_->avlPath = avlPath;
    beforeShow_->gridShow = chosen.has_value();
    connect(window, &ShowWindow::finished, this, [this, avl](const QString& message) { endShow(message, avl); });
    showSkipped_.clear();
    connect(window, &ShowWindow::slideSkipped, this, [this](const QString& message) {
        qWarning("%s", qPrintable(message));
        showSkipped_ << message;
    });
    // The slide's caption is the window's.
    connect(window, &QWidget::windowTitleChanged, this, &QWidget::setWindowTitle);
    window->play();
    return true;
}

void MainWindow::hideForShow() {
    auto before = std::make_shared<BeforeShow>();
    before->menuBar = menuBar()->isVisibleTo(this);
    before->toolBar = toolBar_ && toolBar_->isVisibleTo(this);
    before->pathBar = pathBar_ && pathBar_->isVisibleTo(this);
    before->statusBar = statusBar()->isVisibleTo(this);
    before->scrollBox = scrollBox_->isVisibleTo(this);
    before->fitToWindow = FitToWindow;
    before->zoomPercent = ZoomPercent;
    before->fullScreenMenus = settings_.fullScreenMenus;
    before->shortcuts = shortcutsOn_;
    before->fileNameItem = fileNameItem_ && fileNameItem_->isEnabled();
    before->popup = contextMenuPolicy();
    before->maximised = isMaximized();
    beforeShow_ = before;

    // Nothing else stays on screen or plays.
    if (unzip_) unzip_->hide();
    if (script_) script_->hide();
    if (jpegText_) jpegText_->hide();
    if (cdWindow_ && cdWindow_->CdActive()) cdWindow_->player().stop();
    onHand();
    settings_.fullScreenMenus = false;
    if (showsFullScreen && ShowGoesFullScreen(settings_.alwaysFullScreen, StartedForShow(startFile_), FullScreen)) {
        onFullScreen();
        before->enteredFullScreen = true;
    }
    menuBar()->setVisible(false);
    for (QAction* top : menuBar()->actions()) {
        if (QMenu* m = top->menu()) {
            before->menus.emplace_back(m, m->isEnabled());
            m->setEnabled(false);
        }
    }
    if (fileNameItem_) fileNameItem_->setEnabled(false);
    ShortCuts_Disable();
    if (toolBar_) toolBar_->setVisible(false);
    if (pathBar_) pathBar_->setVisible(false);
    statusBar()->setVisible(false);
    scrollBox_->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    FitToWindow = true;
}

void MainWindow::restoreAfterShow() {
    const std::shared_ptr<BeforeShow> before = std::move(beforeShow_);
    if (!before) return;
    if (before->enteredFullScreen && FullScreen) {
        onFullScreen();
        // Leaving full screen makes a normal window; a maximised one stays maximised.
        if (before->maximised) showMaximized();
    }
    settings_.fullScreenMenus = before->fullScreenMenus;
    scrollBox_->setVisible(before->scrollBox);
    if (toolBar_) toolBar_->setVisible(before->toolBar);
    if (pathBar_) pathBar_->setVisible(before->pathBar);
    statusBar()->setVisible(before->statusBar);
    for (auto& [menu, enabled] : before->menus) menu->setEnabled(enabled);
    if (fileNameItem_) fileNameItem_->setEnabled(before->fileNameItem);
    menuBar()->setVisible(before->menuBar);
    setContextMenuPolicy(before->popup);
    FitToWindow = before->fitToWindow;
    ZoomPercent = before->zoomPercent;
    if (QAction* a = action("onFitWindow")) a->setChecked(FitToWindow);
    updateZoomControls();
    if (before->shortcuts) ShortCuts_Enable();
    ChangeView();
    UpdateCaption();
}

void MainWindow::stopShow(bool closing) {
    if (!show_) return;
    if (beforeShow_) beforeShow_->closing = closing;
    show_->runner().requestStop();
    show_->tick();
}

void MainWindow::endShow(const QString& message, bool avl) {
    const size_t index = show_ ? show_->runner().bookmarkIndex() : 0;
    show_ = nullptr;
    ws_.CriticalProcess = false;
    if (avlLock_) avlLock_->release();
    const std::string avlPath = beforeShow_ ? beforeShow_->avlPath : std::string();
    const bool closing = beforeShow_ && beforeShow_->closing;
    const bool gridShow = beforeShow_ && beforeShow_->gridShow;
    restoreAfterShow();
    activateWindow();
    if (closing) return;
    if (!message.isEmpty()) {
        const bool badScript = message == QLatin1String(kBadAvlFile);
        host_.Ask(badScript ? MessageKind::Error : MessageKind::Warning, message.toStdString(), Buttons::Ok);
    }
    if (avl) {
        ShowBlankImage(true);
    } else if (gridShow) {
        if (thumbnailGrid_) thumbnailGrid_->setFocus();
    } else {
        bookmarks_.setBookmarkIndex(int32_t(index));
        if (index < bookmarks_.size() && message.isEmpty()) {
            // Gone while the show ran: the blank picture rather than an error after a normal end.
            if (QFileInfo::exists(QString::fromStdString(bookmarks_[index]))) openPicture(bookmarks_[index], false);
            else ShowBlankImage(true);
        }
    }
    // The show went on past slides it could not play; say so once it is over.
    if (!showSkipped_.isEmpty())
        statusBar()->showMessage(QStringLiteral("Slides skipped: %1 (last: %2)")
                                     .arg(showSkipped_.size())
                                     .arg(showSkipped_.back().simplified()));
    if (ClosesAfterShow(startFile_, avlPath)) QTimer::singleShot(0, this, &QWidget::close);
}

void MainWindow::onSlideEffects() {
    const EffectTable& table = PopulateEffectsList();
    QStringList names;
    for (const std::string& n : table.names) names << QString::fromStdString(n);
    std::vector<bool> flags(names.size(), false);
    for (int i : StoredEffectSelection(*settingsFile_)) flags[size_t(i)] = true;
    ListDialogOptions options;
    options.effectFlags = &flags;
    options.help = [this](int context) { onHelpContext(context); };
    const QString title = QStringLiteral("Select from %1 Transitions Effects").arg(names.size() - 1);
    if (ShowListDialog(this, kListEffects, title, names, options) < 0) return;
    std::vector<int> chosen;
    for (size_t i = 0; i < flags.size(); ++i)
        if (flags[i]) chosen.push_back(int(i));
    const std::vector<uint8_t> value = EncodeEffectSelection(chosen);
    settingsFile_->setValue(kEffectSelectionKey, QByteArray(reinterpret_cast<const char*>(value.data()), qsizetype(value.size())));
}

}  // namespace vimbra
