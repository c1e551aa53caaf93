#include "slideshow/gui/show_media.h"

#include <QMediaPlayer>
#include <QWidget>
#include <algorithm>

#include "media/audio_slide.h"
#include "media/gui/cd_window.h"
#include "media/gui/media_panel.h"

namespace vimbra {
namespace {

QSize FitKeepingAspect(int w, int h, int boxW, int boxH) {
    // Enlarges or reduces; wide pictures take the box's width.
    if (int64_t(w) * boxH > int64_t(h) * boxW)
        return {boxW, std::max(1, int(int64_t(h) * boxW / w))};
    return {std::max(1, int(int64_t(w) * boxH / h)), boxH};
}

bool Fits(QSize s, int w, int h) { return s.width() <= w && s.height() <= h; }

}  // namespace

QRect ShowPlayerRect(const PlayerPlacement& in) {
    const int cw = std::max(1, in.clientWidth), ch = std::max(1, in.clientHeight);
    if (in.videoWidth <= 0 || in.videoHeight <= 0) return {0, ch, 1, 1};
    QSize size(in.videoWidth, in.videoHeight);
    if (in.avl || in.autoSize || !Fits(size, cw, ch)) {
        size = FitKeepingAspect(in.videoWidth, in.videoHeight, cw, ch);
        if (in.avl) {
            const auto& u = in.box;
            if (u && u->x > 0 && u->y > 0 && u->x < cw && u->y < ch) {
                size = FitKeepingAspect(in.videoWidth, in.videoHeight, u->x, u->y);
            } else if (in.zoom > 0 && in.zoom != 100) {
                const QSize zoomed(std::max(1, int(int64_t(size.width()) * in.zoom / 100)),
                                   std::max(1, int(int64_t(size.height()) * in.zoom / 100)));
                if (Fits(zoomed, cw, ch)) size = zoomed;
            }
        } else {
            for (int times : {8, 4, 2}) {
                const QSize scaled(in.videoWidth * times, in.videoHeight * times);
                if (Fits(scaled, cw, ch)) {
                    size = scaled;
                    break;
                }
            }
        }
    }
    const auto& p = in.position;
    if (in.avl && p && p->x >= 0 && p->y >= 0 && int64_t(p->x) + size.width() <= cw &&
        int64_t(p->y) + size.height() <= ch)
        return {QPoint(p->x, p->y), size};
    return {QPoint((cw - size.width()) / 2, (ch - size.height()) / 2), size};
}

ShowMedia::ShowMedia(QWidget* window, ShowMediaOptions options)
    : window_(window), options_(std::move(options)) {}

ShowMedia::~ShowMedia() { stopAll(); }

bool ShowMedia::playAudio(const std::string& path) {
    stopVideo();
    closeAudio();
    audio_ = std::make_unique<AudioSlidePlayer>();
    // A decoder failure after the start ends the sound; queued, as the player
    // that reports it must not be freed inside its own signal.
    connect(
        audio_.get(), &AudioSlidePlayer::failed, this,
        [this, sound = ++audioCount_](const QString& message) {
            if (audioCount_ == sound) closeAudio();
            emit failed(message);
        },
        Qt::QueuedConnection);
    if (audio_->PlayAudioSlide(path)) return true;
    emit failed(QString::fromStdString(audio_->error()));
    audio_.reset();
    return false;
}

void ShowMedia::closeAudio() {
    if (!audio_) return;
    audio_->disconnect(this);
    audio_->CloseAudioSlide();
    audio_.reset();
}

bool ShowMedia::playCd(int track) {
    closeAudio();
    closeCd();
    auto factory = options_.cdDevices ? options_.cdDevices : [] { return MakeSystemCdDevice(); };
    cd_ = std::make_unique<CdWindow>(std::move(factory), window_);
    // A device error while the track plays is told like any other, never in a modal box.
    cd_->errorHook = [this](const QString& text) { emit failed(text); };
    if (cd_->PlayCdTrack(track, true)) return true;
    const std::string error = cd_->player().error();
    cd_.reset();
    emit failed(QString::fromStdString(error.empty() ? std::string(kCdUnavailable) : error));
    return false;
}

void ShowMedia::closeCd() {
    // Destroying the window stops and closes the drive.
    cd_.reset();
}

void ShowMedia::startVideo(const std::string& path, const PlayerPlacement& placement, int64_t nowMs) {
    closeAudio();
    if (!player_) {
        // Made without a parent first: given one, the panel would fill it.
        player_ = new MediaPanel(nullptr);
        player_->setObjectName(QStringLiteral("ShowPlayer"));
        player_->setAccessibleName(QStringLiteral("Slide player"));
        player_->setParent(window_);
        player_->setFocusPolicy(Qt::NoFocus);
        player_->setShowTracker(false);
        player_->setShowControls(false);
        player_->setShowStatusBar(false);
        player_->setDisplaySize(kDisplayFit);
        connect(player_, &MediaPanel::videoSizeChanged, this, [this] { placePlayer(); });
        connect(player_, &MediaPanel::openStateChanged, this, [this] { placePlayer(); });
        connect(player_, &MediaPanel::playStateChanged, this, [this](int, int state) {
            if (videoOn_ && state == kPlayPlaying) videoStarted_ = true;
        });
        connect(player_, &MediaPanel::mediaFailed, this, [this](const QString& message) {
            if (!videoOn_) return;
            videoFailed_ = true;
            emit failed(message.isEmpty() ? QStringLiteral("Corrupt file or unsupported video format.") : message);
        });
    }
    stopVideo();
    placement_ = placement;
    placement_.videoWidth = placement_.videoHeight = 0;
    videoStart_ = nowMs;
    videoFailed_ = videoStarted_ = false;
    videoOn_ = true;
    placePlayer();
    player_->show();
    player_->setPlayCount(1);
    player_->setFileName(QString::fromStdString(path));
    player_->play();
}

void ShowMedia::placePlayer() {
    if (!player_ || !videoOn_) return;
    const QSize video = player_->videoSize();
    placement_.videoWidth = video.width();
    placement_.videoHeight = video.height();
    placement_.clientWidth = window_->width();
    placement_.clientHeight = window_->height();
    player_->setGeometry(ShowPlayerRect(placement_));
}

bool ShowMedia::videoRunning(int64_t nowMs) const {
    if (!player_ || !videoOn_ || videoFailed_) return false;
    const QMediaPlayer* p = player_->player();
    switch (p->mediaStatus()) {
        case QMediaPlayer::NoMedia:
        case QMediaPlayer::InvalidMedia:
        case QMediaPlayer::EndOfMedia: return false;
        default: break;
    }
    const bool late = nowMs - videoStart_ >= kVideoStartTimeoutMs;
    if (p->mediaStatus() == QMediaPlayer::LoadingMedia && late) return false;
    if (p->playbackState() == QMediaPlayer::PlayingState) return true;
    // Not playing: still starting (for a while), or it stopped by itself.
    return !videoStarted_ && !late;
}

bool ShowMedia::videoWithoutPicture() const {
    return player_ && videoOn_ && player_->openState() == kOpenOpen && !player_->player()->hasVideo();
}

void ShowMedia::stopVideo() {
    if (!player_ || !videoOn_) return;
    videoOn_ = false;
    player_->setPlayCount(1);
    player_->stop();
    player_->setFileName(QString());
    player_->hide();
}

void ShowMedia::stopAll() {
    closeAudio();
    closeCd();
    stopVideo();
}

}  // namespace vimbra
