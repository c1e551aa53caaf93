#include "media/gui/media_panel.h"

#include <algorithm>

#include <QAudioDevice>
#include <QAudioOutput>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoSink>
#include <QVideoWidget>

namespace vimbra {
namespace {

int PlayStateOf(QMediaPlayer::PlaybackState s) {
    switch (s) {
        case QMediaPlayer::PlayingState: return kPlayPlaying;
        case QMediaPlayer::PausedState: return kPlayPaused;
        default: return kPlayStopped;
    }
}

QToolButton* BarButton(QWidget* parent, QStyle::StandardPixmap icon, const QString& name) {
    auto* b = new QToolButton(parent);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setToolTip(name);
    b->setAccessibleName(name);
    b->setAutoRaise(true);
    return b;
}

}  // namespace

MediaPanel::MediaPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ViewerPlayer"));
    // It fills its parent, the view area.
    if (parent) parent->installEventFilter(this);
    player_ = new QMediaPlayer(this);
    output_ = new QAudioOutput(this);
    player_->setAudioOutput(output_);

    screen_ = new QWidget(this);
    screen_->setAutoFillBackground(true);
    QPalette black = screen_->palette();
    black.setColor(QPalette::Window, Qt::black);
    screen_->setPalette(black);
    screen_->installEventFilter(this);
    video_ = new QVideoWidget(screen_);
    video_->setAspectRatioMode(Qt::KeepAspectRatio);
    video_->installEventFilter(this);
    player_->setVideoOutput(video_);

    trackerBar_ = new QWidget(this);
    auto* track = new QHBoxLayout(trackerBar_);
    track->setContentsMargins(4, 2, 4, 2);
    position_ = new QSlider(Qt::Horizontal, trackerBar_);
    position_->setAccessibleName(QStringLiteral("Position"));
    time_ = new QLabel(QStringLiteral("0:00"), trackerBar_);
    track->addWidget(position_, 1);
    track->addWidget(time_);

    controlBar_ = new QWidget(this);
    auto* controls = new QHBoxLayout(controlBar_);
    controls->setContentsMargins(4, 0, 4, 2);
    playButton_ = BarButton(controlBar_, QStyle::SP_MediaPlay, QStringLiteral("Play/pause"));
    stopButton_ = BarButton(controlBar_, QStyle::SP_MediaStop, QStringLiteral("Stop"));
    auto* speaker = new QLabel(controlBar_);
    speaker->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(16, 16));
    volume_ = new QSlider(Qt::Horizontal, controlBar_);
    volume_->setRange(1, 1000);
    volume_->setValue(1000);
    volume_->setMaximumWidth(120);
    volume_->setAccessibleName(QStringLiteral("Volume"));
    controls->addWidget(playButton_);
    controls->addWidget(stopButton_);
    controls->addStretch(1);
    controls->addWidget(speaker);
    controls->addWidget(volume_);

    status_ = new QLabel(this);
    status_->setContentsMargins(6, 1, 6, 1);
    status_->setAccessibleName(QStringLiteral("Status line"));
    status_->setVisible(false);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(screen_, 1);
    column->addWidget(trackerBar_);
    column->addWidget(controlBar_);
    column->addWidget(status_);

    connect(playButton_, &QToolButton::clicked, this,
            [this] { PlayPausePauses(playState_) ? pause() : play(); });
    connect(stopButton_, &QToolButton::clicked, this, [this] { stop(); });
    connect(volume_, &QSlider::valueChanged, this,
            [this](int v) { output_->setVolume(PlayerGain(v)); });
    connect(position_, &QSlider::sliderPressed, this, [this] { sliderHeld_ = true; });
    connect(position_, &QSlider::sliderReleased, this, [this] {
        sliderHeld_ = false;
        player_->setPosition(position_->value());
    });
    connect(player_, &QMediaPlayer::durationChanged, this, [this](qint64 ms) {
        position_->setRange(0, int(std::min<qint64>(ms, INT_MAX)));
        refreshStatus();
    });
    connect(player_, &QMediaPlayer::positionChanged, this, [this](qint64 ms) {
        if (!sliderHeld_) position_->setValue(int(std::min<qint64>(ms, INT_MAX)));
        refreshStatus();
    });
    connect(player_, &QMediaPlayer::playbackStateChanged, this, [this](QMediaPlayer::PlaybackState s) {
        setPlayState(player_->source().isEmpty() ? kPlayClosed : PlayStateOf(s));
    });
    connect(player_, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus s) {
        switch (s) {
            case QMediaPlayer::NoMedia: setOpenState(kOpenClosed); break;
            case QMediaPlayer::LoadedMedia:
            case QMediaPlayer::BufferedMedia:
            case QMediaPlayer::BufferingMedia:
            case QMediaPlayer::StalledMedia:
            case QMediaPlayer::EndOfMedia: {
                const QSize meta = player_->metaData().value(QMediaMetaData::Resolution).toSize();
                if (videoSize_.isEmpty() && meta.isValid() && player_->hasVideo()) {
                    videoSize_ = meta;
                    placeVideo();
                    emit videoSizeChanged(videoSize_);
                }
                if (pendingPosition_ >= 0 && s == QMediaPlayer::LoadedMedia) {
                    player_->setPosition(pendingPosition_);
                    pendingPosition_ = -1;
                }
                setOpenState(kOpenOpen);
                break;
            }
            default: break;
        }
    });
    // Queued: the sink signals while it holds the lock that videoSize() takes.
    connect(
        video_->videoSink(), &QVideoSink::videoSizeChanged, this,
        [this] {
            const QSize s = video_->videoSink()->videoSize();
            if (s.isValid() && s != videoSize_) {
                videoSize_ = s;
                placeVideo();
                emit videoSizeChanged(videoSize_);
            }
        },
        Qt::QueuedConnection);
    connect(player_, &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error error, const QString& text) {
                if (error == QMediaPlayer::NoError) return;
                emit mediaFailed(text);
            });
    refreshStatus();
}

MediaPanel::~MediaPanel() {
    // Stopped before the outputs go, so GStreamer never writes into a freed sink;
    // whoever listened may be half destroyed already.
    blockSignals(true);
    player_->stop();
    player_->setSource(QUrl());
}

void MediaPanel::setFileName(const QString& path) {
    videoSize_ = QSize();
    pendingPosition_ = -1;
    placeVideo();
    player_->setSource(path.isEmpty() ? QUrl() : QUrl::fromLocalFile(path));
    setPlayState(path.isEmpty() ? kPlayClosed : kPlayStopped);
    if (path.isEmpty()) setOpenState(kOpenClosed);
}

QString MediaPanel::fileName() const { return player_->source().toLocalFile(); }

void MediaPanel::play() {
    if (!player_->source().isEmpty()) player_->play();
}

void MediaPanel::pause() { player_->pause(); }

void MediaPanel::stop() {
    if (playState_ != kPlayStopped) player_->stop();
}

void MediaPanel::setPlayCount(int count) {
    playCount_ = std::max(count, 1);
    player_->setLoops(playCount_);
}

QSize MediaPanel::videoSize() const {
    return player_->hasVideo() && videoSize_.isValid() ? videoSize_ : QSize(0, 0);
}

qint64 MediaPanel::position() const { return player_->position(); }
void MediaPanel::setPosition(qint64 ms) {
    const QMediaPlayer::MediaStatus s = player_->mediaStatus();
    if (s == QMediaPlayer::LoadingMedia || s == QMediaPlayer::NoMedia) pendingPosition_ = ms;
    else player_->setPosition(ms);
}
qint64 MediaPanel::duration() const { return player_->duration(); }

void MediaPanel::setDisplaySize(int size) {
    displaySize_ = size;
    placeVideo();
}

void MediaPanel::setGain(float gain) {
    output_->setVolume(gain);
    const QSignalBlocker quiet(volume_);
    volume_->setValue(SettingsVolumeOf(gain));
}

float MediaPanel::gain() const { return output_->volume(); }

void MediaPanel::setShowTracker(bool on) {
    tracker_ = on;
    trackerBar_->setVisible(on);
}

void MediaPanel::setShowControls(bool on) {
    controls_ = on;
    controlBar_->setVisible(on);
}

void MediaPanel::setShowStatusBar(bool on) {
    statusShown_ = on;
    status_->setVisible(on);
}

int MediaPanel::trackerHeight() const { return trackerBar_->sizeHint().height(); }
int MediaPanel::controlsHeight() const { return controlBar_->sizeHint().height(); }
int MediaPanel::statusLineHeight() const { return status_->sizeHint().height(); }
QString MediaPanel::statusText() const { return status_->text(); }

void MediaPanel::setPlayState(int state) {
    const int old = playState_;
    playState_ = state;
    playButton_->setIcon(style()->standardIcon(state == kPlayPlaying ? QStyle::SP_MediaPause
                                                                     : QStyle::SP_MediaPlay));
    stopButton_->setEnabled(StopEnabled(state) && state != kPlayClosed);
    refreshStatus();
    if (old != state) emit playStateChanged(old, state);
}

void MediaPanel::setOpenState(int state) {
    const int old = openState_;
    openState_ = state;
    if (old != state) emit openStateChanged(old, state);
}

void MediaPanel::refreshStatus() {
    const std::string text = MediaStatusText(playState_, player_->position(), player_->duration());
    status_->setText(QString::fromStdString(text));
    time_->setText(QString::fromStdString(ClockText(player_->position())));
}

void MediaPanel::placeVideo() {
    const QRect area = screen_->rect();
    if (displaySize_ == kDisplayFit || !videoSize_.isValid()) {
        video_->setGeometry(area);
        return;
    }
    QSize s = videoSize_;
    if (displaySize_ == kDisplayHalf) s /= 2;
    else if (displaySize_ == kDisplayDouble) s *= 2;
    s = s.boundedTo(area.size());
    video_->setGeometry(QRect(QPoint((area.width() - s.width()) / 2, (area.height() - s.height()) / 2), s));
}

bool MediaPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == screen_ && event->type() == QEvent::Resize) placeVideo();
    if (watched == parentWidget() && event->type() == QEvent::Resize) setGeometry(parentWidget()->rect());
    if ((watched == screen_ || watched == video_) && event->type() == QEvent::MouseButtonPress) {
        auto* m = static_cast<QMouseEvent*>(event);
        if (m->button() == Qt::RightButton) {
            emit contextMenuRequested(m->globalPosition().toPoint());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace vimbra
