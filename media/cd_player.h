#pragma once
// The CD player's course over a small device interface: opening at a track,
// slide mode (one track, then closing by itself), the one-second poll with its
// caption, and the two-step close. A drive-less machine gets a clear message.
#include <functional>
#include <memory>
#include <string>

namespace vimbra {

enum class CdMode { NotReady, Stopped, Playing, Paused, Open };

struct CdPosition {
    int track = 1, minutes = 0, seconds = 0;
};

// One CD drive. Tracks count from 1; `play` runs from the start of `from` to
// the start of `to` (0: the end of the disc) without waiting.
class CdDevice {
public:
    virtual ~CdDevice() = default;
    virtual bool open() = 0;  // false: no drive or no audio disc (errorText says)
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual int trackCount() = 0;
    virtual bool play(int from, int to) = 0;
    virtual bool pause() = 0;
    virtual bool resume() = 0;
    virtual bool stop() = 0;
    virtual bool eject() = 0;
    virtual CdMode mode() = 0;
    virtual bool position(CdPosition& at) = 0;
    virtual std::string errorText() const = 0;
};

// The first drive of the system (/dev/cdrom, else /dev/sr0), through the
// kernel's CD audio calls; `devicePath` overrides the search.
std::unique_ptr<CdDevice> MakeSystemCdDevice(const std::string& devicePath = {});

inline constexpr const char* kCdUnavailable = "CD Audio device unavailable.";

// "CD Audio [Trk:" track "] " minutes ":" seconds, no leading zeros.
std::string CdCaption(const CdPosition& at);

class CdPlayer {
public:
    using DeviceFactory = std::function<std::unique_ptr<CdDevice>()>;
    explicit CdPlayer(DeviceFactory factory);
    ~CdPlayer();

    // Opens the device at `track` (clamped to the disc). Slide mode plays it
    // at once up to the next track (the last track to the end of the disc);
    // otherwise the window waits for Play. False when a player is open
    // already or the device cannot open (error() then holds the message).
    bool PlayCdTrack(int track, bool slideMode);
    bool CdActive() const { return active_; }
    const std::string& error() const { return error_; }
    bool slideMode() const { return slideMode_; }
    bool closeArmed() const { return closeArmed_; }
    bool timerEnabled() const { return timerEnabled_; }
    int startTrack() const { return start_; }
    int endTrack() const { return end_; }  // 0: the end of the disc
    CdDevice* device() { return device_.get(); }

    // The buttons.
    void play();
    void pause();
    void stop();
    void next();
    void previous();
    void eject();

    // Esc and a show's close request: the first arms the close, the second
    // closes. True when the player closed.
    bool CdCloseRequest();

    // The one-second tick. `close` tells the window to close (after showing
    // `error` when that is not empty); otherwise `caption`, when not empty,
    // is the window's new caption.
    struct Tick {
        bool close = false;
        std::string caption;
        std::string error;
    };
    Tick Timer9Timer();

    // Stops and closes the device; the player is no longer active.
    void shutDown();

private:
    int clampTrack(int track);

    DeviceFactory factory_;
    std::unique_ptr<CdDevice> device_;
    std::string error_;
    bool active_ = false, slideMode_ = false, closeArmed_ = false, closing_ = false;
    bool timerEnabled_ = false, paused_ = false;
    int start_ = 1, end_ = 0, current_ = 1;
};

}  // namespace vimbra
