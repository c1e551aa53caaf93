#pragma once
// The slides of a show that are not pictures: sound played behind the
// following pictures, CD tracks, videos in a player placed in the show window,
// and text pages drawn into the frame. Nothing here waits: the window polls.
#include <QObject>
#include <QRect>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/bitmap.h"
#include "media/cd_player.h"
#include "slideshow/avl_script.h"

class QWidget;

namespace vimbra {

class AudioSlidePlayer;
class CdWindow;
class MediaPanel;

// The options the media slides read.
struct ShowMediaOptions {
    bool jukebox = false;        // "AVL &Jukebox": sound goes through the player and is waited for
    bool autoSizeVideo = true;   // "Auto &Size video"
    int textPosition = 0;        // "Te&xt position": 0 Auto, 1 Top, 2 Bottom
    CdPlayer::DeviceFactory cdDevices;  // empty: the system's drive
};

// How often the show looks at a playing video.
inline constexpr int kVideoPollMs = 333;
// A medium that has not started playing by then is given up.
inline constexpr int kVideoStartTimeoutMs = 15000;
// The pause on a slide's background colour before the slide.
inline constexpr int kBackgroundPauseMs = 333;

// Where the show's player goes for a video of videoWidth x videoHeight (0 x 0:
// no picture, a 1 x 1 player out of sight below the client area).
struct PlayerPlacement {
    int videoWidth = 0, videoHeight = 0;
    int clientWidth = 0, clientHeight = 0;
    bool avl = false, autoSize = true;
    std::optional<AvlPair> box, position;  // U and P
    int zoom = 100;
};
QRect ShowPlayerRect(const PlayerPlacement& in);

// Owned by the window (not a child of it, so the CD window it holds is
// always deleted here first).
class ShowMedia : public QObject {
    Q_OBJECT
public:
    ShowMedia(QWidget* window, ShowMediaOptions options);
    ~ShowMedia() override;

    const ShowMediaOptions& options() const { return options_; }

    // Closes the sound and the player, then starts `path` once in the
    // background. False when it cannot (reported through failed()).
    bool playAudio(const std::string& path);
    void closeAudio();
    AudioSlidePlayer* audio() const { return audio_.get(); }

    // Closes the sound and any track, then plays `track` (clamped to the disc).
    bool playCd(int track);
    void closeCd();
    CdWindow* cd() const { return cd_.get(); }

    // Closes the sound and opens `path` in the player (made on first use),
    // parked out of sight until its picture size is known, and plays it once.
    void startVideo(const std::string& path, const PlayerPlacement& placement, int64_t nowMs);
    // Whether the show should go on waiting for the player: it is loading or
    // playing, it has not failed and has started within the time allowed.
    bool videoRunning(int64_t nowMs) const;
    // The medium is sound only (known once opened).
    bool videoWithoutPicture() const;
    void stopVideo();
    MediaPanel* player() const { return player_; }

    // The end of a show: sound, CD and player stopped.
    void stopAll();

signals:
    // A medium could not be played; the show goes on.
    void failed(const QString& message);

private:
    void placePlayer();

    QWidget* window_;
    ShowMediaOptions options_;
    std::unique_ptr<AudioSlidePlayer> audio_;
    uint64_t audioCount_ = 0;  // tells a late failure of an earlier sound from the current one
    std::unique_ptr<CdWindow> cd_;
    MediaPanel* player_ = nullptr;  // a child of the window
    PlayerPlacement placement_;
    int64_t videoStart_ = 0;
    bool videoFailed_ = false, videoOn_ = false, videoStarted_ = false;
};

}  // namespace vimbra
