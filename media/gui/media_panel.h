#pragma once
// The viewer's media player: the video filling the view area above our own
// bars (track bar: position slider and time; controls: play/pause, stop and
// volume; the status line). It reports play and open states as the rest of
// the program reads them (media/media_state.h).
#include <QWidget>

#include "media/media_state.h"

class QAudioOutput;
class QLabel;
class QMediaPlayer;
class QSlider;
class QToolButton;
class QVideoWidget;

namespace vimbra {

class MediaPanel : public QWidget {
    Q_OBJECT
public:
    explicit MediaPanel(QWidget* parent = nullptr);
    ~MediaPanel() override;

    void setFileName(const QString& path);  // empty: closes the medium
    QString fileName() const;
    void play();
    void pause();
    void stop();
    void setPlayCount(int count);  // 999: loops
    int playCount() const { return playCount_; }

    int playState() const { return playState_; }
    int openState() const { return openState_; }
    QSize videoSize() const;  // 0 x 0 for sound only
    qint64 position() const;
    void setPosition(qint64 ms);
    qint64 duration() const;
    int displaySize() const { return displaySize_; }
    void setDisplaySize(int size);

    void setGain(float gain);
    float gain() const;
    void setShowTracker(bool on);
    void setShowControls(bool on);
    void setShowStatusBar(bool on);
    bool showTracker() const { return tracker_; }
    bool showControls() const { return controls_; }
    bool showStatusBar() const { return statusShown_; }
    // Heights the track bar and the control bar add (their size hints).
    int trackerHeight() const;
    int controlsHeight() const;
    int statusLineHeight() const;
    QString statusText() const;

    QMediaPlayer* player() const { return player_; }
    QVideoWidget* video() const { return video_; }
    QToolButton* playButton() const { return playButton_; }
    QToolButton* stopButton() const { return stopButton_; }
    QSlider* positionSlider() const { return position_; }
    QSlider* volumeSlider() const { return volume_; }

signals:
    void playStateChanged(int oldState, int newState);
    void openStateChanged(int oldState, int newState);
    // The medium cannot be played (the player's own message).
    void mediaFailed(const QString& message);
    // Right-click on the video, at a global position.
    void contextMenuRequested(const QPoint& globalPos);
    // The picture size became known or changed.
    void videoSizeChanged(const QSize& size);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setPlayState(int state);
    void setOpenState(int state);
    void refreshStatus();
    void placeVideo();

    QMediaPlayer* player_ = nullptr;
    QAudioOutput* output_ = nullptr;
    QWidget* screen_ = nullptr;  // the video's black surround
    QVideoWidget* video_ = nullptr;
    QSize videoSize_;
    QWidget* trackerBar_ = nullptr;
    QWidget* controlBar_ = nullptr;
    QSlider* position_ = nullptr;
    QLabel* time_ = nullptr;
    QToolButton* playButton_ = nullptr;
    QToolButton* stopButton_ = nullptr;
    QSlider* volume_ = nullptr;
    QLabel* status_ = nullptr;
    int playState_ = kPlayClosed, openState_ = kOpenClosed;
    int playCount_ = 1, displaySize_ = kDisplayDefault;
    bool tracker_ = true, controls_ = true, statusShown_ = false;
    bool sliderHeld_ = false;
    qint64 pendingPosition_ = -1;  // asked for before the medium was read
};

}  // namespace vimbra
