// The viewer's media player: MediaMode with the picture hidden, the player
// filling the view area, window fitting to the video, full screen keeping the
// position, the player's pop-up items; text pages and the CD player.
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMediaPlayer>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "media/gui/cd_window.h"
#include "media/gui/media_panel.h"
#include "media/text_page.h"
#include "shell/main_window.h"
#include "shell/media_fit.h"
#include "shell/picture_view.h"

namespace vimbra {
namespace {

constexpr const char* kNoPlayer =
    "New Windows multimedia components not installed.\nSee FAQ for free download (upgrade) details.";
constexpr const char* kBadMedium =
    "Corrupt file or unsupported video format.\nYou may need to install updated codecs.";

}  // namespace

bool MainWindow::OpenMedium(const std::string& path) {
    media_.mediaFileName = path;
    mediaFitted_ = false;
    if (media_.MediaMode && viewerPlayer_) {
        if (media_.PlayState != kPlayStopped) viewerPlayer_->stop();
        media_.VideoWidth = media_.VideoHeight = 0;
        viewerPlayer_->setFileName(QString::fromStdString(path));
    } else if (!CreateViewerPlayer(false)) {
        return false;
    }
    ws_.CurrentFileName = path;
    ws_.Modified = false;
    UpdateHistory(bookmarks_, ws_);
    HistoryControls();
    openDir_ = QFileInfo(QString::fromStdString(path)).absolutePath();
    if (!FullScreen && settings_.AutoSize) FitWindowToMedium(true);
    QApplication::processEvents();
    if (settings_.mediaAutoPlayLoop && viewerPlayer_) viewerPlayer_->play();
    UpdateCaption();
    UI_Audio();
    return true;
}

bool MainWindow::CreateViewerPlayer(bool keepDisplaySize) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setMediaMode(true);
    auto fail = [this](const char* text) {
        media_.MediaMode = false;
        QApplication::restoreOverrideCursor();
        host_.Ask(MessageKind::Warning, text, Buttons::Ok);
        return false;
    };
    if (!viewerPlayer_) {
        auto* panel = new MediaPanel(scrollBox_);
        if (!panel->player()->isAvailable()) {
            delete panel;
            return fail(kNoPlayer);
        }
        viewerPlayer_ = panel;
        connect(panel, &MediaPanel::playStateChanged, this,
                [this](int, int now) { media_.PlayState = now; });
        connect(panel, &MediaPanel::openStateChanged, this, [this, panel](int old, int now) {
            media_.openState = now;
            if (old == kOpenClosed || now == kOpenOpen) {
                const QSize v = panel->videoSize();
                media_.VideoWidth = v.width();
                media_.VideoHeight = v.height();
                UI_Audio();
            }
        });
        connect(panel, &MediaPanel::videoSizeChanged, this, [this](const QSize& v) {
            media_.VideoWidth = v.width();
            media_.VideoHeight = v.height();
            UI_Audio();
            // The picture size is known only once the medium is read.
            if (!mediaFitted_ && !FullScreen && settings_.AutoSize && !v.isEmpty()) {
                mediaFitted_ = true;
                FitWindowToMedium(true);
            }
        });
        connect(panel, &MediaPanel::mediaFailed, this, [this, panel](const QString&) {
            panel->stop();
            host_.Ask(MessageKind::Warning, kBadMedium, Buttons::Ok);
        });
        connect(panel, &MediaPanel::contextMenuRequested, this,
                [this](const QPoint& at) { showContextMenu(PopupPlace::Player, at); });
    }
    MediaPanel* panel = viewerPlayer_;
    // Measured at every creation; the fitting uses them while the bars show.
    settings_.ControlsHeight = panel->controlsHeight();
    settings_.TrackerHeight = panel->trackerHeight();
    const MediaBars bars = BarsFor(FullScreen, settings_.mediaMaxFullScreen, settings_.mediaTrackBar,
                                   settings_.mediaControls);
    panel->setShowTracker(bars.tracker);
    panel->setShowControls(bars.controls);
    panel->setShowStatusBar(settings_.mediaStatusLine);
    panel->setGain(PlayerGain(settings_.mediaVolume));
    panel->setGeometry(scrollBox_->rect());
    panel->show();
    panel->raise();
    panel->setDisplaySize(DisplaySizeFor(keepDisplaySize, media_.SavedDisplaySize, FitToWindow));
    panel->setFileName(QString::fromStdString(media_.mediaFileName));
    panel->setPlayCount(PlayCountFor(settings_.mediaAutoPlayLoop));
    QApplication::restoreOverrideCursor();
    return true;
}

void MainWindow::ReleaseViewerPlayer(bool releaseOnly) {
    if (!media_.MediaMode) return;
    if (MediaPanel* panel = viewerPlayer_) {
        viewerPlayer_ = nullptr;
        panel->setDisplaySize(kDisplayDefault);
        if (media_.PlayState != kPlayStopped) panel->stop();
        panel->setFileName({});
        panel->hide();
        // Its own signal may have brought us here.
        panel->deleteLater();
    }
    media_.MediaMode = false;
    media_.PlayState = kPlayClosed;
    media_.openState = kOpenClosed;
    if (releaseOnly) return;
    view_->show();
    if (!FullScreen && settings_.statusBar) statusBar()->show();
    ShowBlankImage(false);
    onHand();
}

void MainWindow::setMediaMode(bool on) {
    if (on) {
        statusBar()->hide();
        media_.MediaMode = true;
        ShowBlankImage(false);
        view_->hide();
    } else {
        ReleaseViewerPlayer(false);
        media_.MediaMode = false;
        media_.VideoWidth = media_.VideoHeight = 0;
        if (!FullScreen && settings_.statusBar) statusBar()->show();
    }
    EnableControls();
    const bool picture = !media_.MediaMode;
    for (const char* b : {"Scroll", "Select"})
        if (QToolButton* t = toolButton(QString::fromLatin1(b))) t->setEnabled(picture);
    for (const char* m : {"&File/&TWAIN", "&Edit"})
        if (QMenu* menu = topMenu(QString::fromLatin1(m))) menu->setEnabled(picture);
    if (!media_.MediaMode) updateZoomControls();
}

void MainWindow::UI_Audio() {
    const bool video = VideoCommandsEnabled(media_);
    for (const char* b : {"Fit", "Zoom +", "Zoom -"})
        if (QToolButton* t = toolButton(QString::fromLatin1(b))) t->setEnabled(video);
    if (QAction* a = action("onFitWindow")) a->setEnabled(video);
    if (QAction* a = contextAction("onFitWindow")) a->setEnabled(video);
}

void MainWindow::onPlayPause() {
    if (!viewerPlayer_) return;
    if (PlayPausePauses(media_.PlayState)) viewerPlayer_->pause();
    else viewerPlayer_->play();
}

void MainWindow::onStop() {
    if (viewerPlayer_ && StopEnabled(media_.PlayState)) viewerPlayer_->stop();
}

void MainWindow::toggleMediaFullScreen() {
    if (!viewerPlayer_) return;
    const int state = media_.PlayState;
    media_.savedPositionMs = viewerPlayer_->position();
    media_.SavedDisplaySize = viewerPlayer_->displaySize();
    ReleaseViewerPlayer(false);
    mediaFullScreenToggle_ = true;
    onFullScreen();
    mediaFullScreenToggle_ = false;
    if (!CreateViewerPlayer(true)) return;
    mediaFitted_ = true;  // the window mode decides the size now
    viewerPlayer_->setPosition(media_.savedPositionMs);
    if (state == kPlayPlaying) viewerPlayer_->play();
    UpdateCaption();
    UI_Audio();
}

void MainWindow::ZoomMedium(bool in) {
    if (!viewerPlayer_ || !VideoCommandsEnabled(media_)) return;
    const int size = ZoomedDisplaySize(viewerPlayer_->displaySize(), in);
    if (FitToWindow) {
        // A scaled video is no longer fitted: the "Fit" button comes up.
        FitToWindow = false;
        ZoomPercent = 100;
        updateZoomControls();
        UI_Audio();
    }
    viewerPlayer_->setDisplaySize(size);
    FitWindowToMedium(false, in);
}

void MainWindow::FitWindowToMedium(bool afterOpen, bool fromZoomIn) {
    if (!viewerPlayer_ || FullScreen) return;
    const QScreen* s = screen();
    const QRect avail = s ? s->availableGeometry() : QRect(0, 0, 1280, 1024);
    const QRect frame = frameGeometry();
    const int decoW = frame.width() - width(), decoH = frame.height() - height();
    MediaFitInput in;
    in.videoWidth = media_.VideoWidth;
    in.videoHeight = media_.VideoHeight;
    in.fitToWindow = FitToWindow;
    in.displaySize = viewerPlayer_->displaySize();
    in.clientWidth = scrollBox_->width();
    in.playerHeight = scrollBox_->height();
    const QToolButton* fit = toolButton(QStringLiteral("Fit"));
    in.minWidth = minimumWindowWidth() - 2 * (fit ? fit->sizeHint().width() : 0);
    in.bars = BarsHeight({viewerPlayer_->showTracker(), viewerPlayer_->showControls()},
                         settings_.ControlsHeight, settings_.TrackerHeight) +
              (viewerPlayer_->showStatusBar() ? viewerPlayer_->statusLineHeight() : 0);
    in.panelsHeight = panelsHeight();
    in.frameWidth = width() - scrollBox_->width();
    in.frameHeight = height() - scrollBox_->height() - in.panelsHeight;
    in.screenWidth = avail.width() - decoW;
    in.screenHeight = avail.height() - decoH;
    in.fullScreen = FullScreen;
    const ViewSize size = MediaWindowSize(in);
    if (fromZoomIn && width() >= size.width && height() >= size.height) return;
    if (isMaximized() || isMinimized()) showNormal();
    if (FitToWindow) {
        const ViewRect r = KeepOnScreen(frame.left(), frame.top(), {size.width + decoW, size.height + decoH},
                                        avail.left(), avail.top(), avail.width(), avail.height());
        resize(size.width, size.height);
        move(r.x, r.y);
    } else {
        resize(size.width, size.height);
        if (afterOpen && settings_.AutoCenter)
            move(avail.left() + (avail.width() - size.width - decoW) / 2,
                 avail.top() + (avail.height() - size.height - decoH) / 2);
    }
}

bool MainWindow::DecodeMemo(const std::string& path) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (media_.MediaMode) setMediaMode(false);
    TextPageContent content;
    const Bitmap page = RenderViewerTextPage(path, ViewAreaWidth(), ViewAreaHeight(), &content);
    QApplication::restoreOverrideCursor();
    if (page.isEmpty()) return false;
    host_.undo().forget();
    ws_.setImage(page);
    ws_.CurrentFileName = "Untitled";
    ws_.Modified = false;
    ws_.StatusText = content.ok ? "Ready." : content.message;
    loaded_ = LoadedFile{};
    if (QAction* a = action("onReload")) a->setEnabled(false);
    ZoomPercent = 100;
    ws_.SelectionRect = SelRect{0, 0, ws_.ImageWidth, ws_.ImageHeight};
    EnableControls();
    view_->refresh();
    ChangeView();
    UpdateCaption();
    refreshStatusBar();
    return true;
}

void MainWindow::onCdPlayer() {
    if (cdWindow_ && cdWindow_->CdActive()) {
        cdWindow_->raise();
        return;
    }
    // A fresh window for each opening: the drive may have come or gone.
    delete cdWindow_;
    cdWindow_ = new CdWindow(cdDeviceFactory ? cdDeviceFactory : [] { return MakeSystemCdDevice(); }, this);
    cdWindow_->errorHook = [this](const QString& text) { showError(text.toStdString()); };
    if (!cdWindow_->PlayCdTrack(1, false)) showError(cdWindow_->player().error());
}

}  // namespace vimbra
