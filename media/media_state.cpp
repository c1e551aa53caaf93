#include "media/media_state.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vimbra {

MediaBars BarsFor(bool fullScreen, bool maxFullScreen, bool trackBarOption, bool controlsOption) {
    if (fullScreen && maxFullScreen) return {false, false};
    return {trackBarOption, controlsOption};
}

int BarsHeight(MediaBars bars, int controlsHeight, int trackerHeight) {
    return (bars.controls ? controlsHeight : 0) + (bars.tracker ? trackerHeight : 0);
}

int DisplaySizeFor(bool keepDisplaySize, int savedDisplaySize, bool fitButtonDown) {
    if (keepDisplaySize) return savedDisplaySize;
    return fitButtonDown ? kDisplayFit : kDisplayDefault;
}

int ZoomedDisplaySize(int displaySize, bool in) {
    switch (displaySize) {
        case kDisplayHalf: return in ? kDisplayDefault : kDisplayHalf;
        case kDisplayDouble: return in ? kDisplayDouble : kDisplayDefault;
        default: return in ? kDisplayDouble : kDisplayHalf;
    }
}

float PlayerGain(int settingsVolume) {
    const int v = std::clamp(settingsVolume, 1, 1000);
    const double hundredthsDb = std::nearbyint(1000.0 * std::log(v / 1000.0));
    return float(std::pow(10.0, hundredthsDb / 2000.0));
}

int SettingsVolumeOf(float gain) {
    if (!(gain > 0.0f)) return 1;
    const double hundredthsDb = 2000.0 * std::log10(double(gain));
    return std::clamp(int(std::lround(1000.0 * std::exp(hundredthsDb / 1000.0))), 1, 1000);
}

std::string ClockText(int64_t ms) {
    const int64_t s = std::max<int64_t>(ms, 0) / 1000;
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02d:%02d", static_cast<long long>(s / 3600),
                      int(s / 60 % 60), int(s % 60));
    else
        std::snprintf(text, sizeof text, "%d:%02d", int(s / 60), int(s % 60));
    return text;
}

std::string MediaStatusText(int playState, int64_t positionMs, int64_t durationMs) {
    const char* state = playState == kPlayPlaying  ? "Playing"
                        : playState == kPlayPaused ? "Paused"
                        : playState == kPlayClosed ? "Closed"
                                                   : "Stopped";
    std::string text = state;
    if (playState == kPlayClosed) return text;
    text += ' ' + ClockText(positionMs);
    if (durationMs > 0) text += " / " + ClockText(durationMs);
    return text;
}

}  // namespace vimbra
