#pragma once
// What the rest of the program reads back from the two media players (the
// viewer's and the slideshow's): play and open states, the picture size of the
// medium, and the rules that turn the options into player settings.
#include <cstdint>
#include <string>

namespace vimbra {

// Play states as stored in PlayState and ShowPlayState.
inline constexpr int kPlayStopped = 0, kPlayPaused = 1, kPlayPlaying = 2, kPlayClosed = 6;
// Open states.
inline constexpr int kOpenClosed = 0, kOpenOpen = 6;
// Display sizes: the medium's own size, halved, doubled, fitted to the player.
inline constexpr int kDisplayDefault = 0, kDisplayHalf = 1, kDisplayDouble = 2, kDisplayFit = 4;
// Play count of "Auto Play + Loop".
inline constexpr int kLoopPlayCount = 999;

struct MediaState {
    bool MediaMode = false;
    std::string mediaFileName;  // full path of the medium shown
    int PlayState = kPlayClosed;
    int ShowPlayState = kPlayClosed;
    int openState = kOpenClosed;
    int VideoWidth = 0, VideoHeight = 0;  // 0 x 0 for sound only
    int SavedDisplaySize = kDisplayDefault;
    int64_t savedPositionMs = 0;
    bool keepDisplaySize = false;  // a full-screen toggle is re-creating the player
};

// Which bars the viewer's player shows.
struct MediaBars {
    bool tracker = true, controls = true;
    bool operator==(const MediaBars&) const = default;
};
MediaBars BarsFor(bool fullScreen, bool maxFullScreen, bool trackBarOption, bool controlsOption);
// Height the shown bars add to the player.
int BarsHeight(MediaBars bars, int controlsHeight, int trackerHeight);

inline int PlayCountFor(bool autoPlayLoop) { return autoPlayLoop ? kLoopPlayCount : 1; }
// Display size of a new viewer player: the saved one after a full-screen
// toggle, else fitted when the "Fit" button is down.
int DisplaySizeFor(bool keepDisplaySize, int savedDisplaySize, bool fitButtonDown);

// The display size after "Zoom +" (in) or "Zoom -": half, own size and
// double in steps, ending at either end; from the fitted size the steps start
// at the own size, as leaving fit mode starts at 100%.
int ZoomedDisplaySize(int displaySize, bool in);

// Play/pause pauses a playing medium and plays it otherwise; Stop acts on
// anything not stopped.
inline bool PlayPausePauses(int playState) { return playState == kPlayPlaying; }
inline bool StopEnabled(int playState) { return playState != kPlayStopped; }
// "Fit", "Fit to window" and the zoom buttons need a picture.
inline bool VideoCommandsEnabled(const MediaState& s) { return s.VideoHeight != 0; }

// Linear output gain (0..1) for the options' volume 1..1000, which counts on a
// logarithmic scale: round(1000 × ln(v ÷ 1000)) hundredths of a decibel, so
// 1000 is full volume and each halving of the value takes 6.93 dB off.
float PlayerGain(int settingsVolume);
// The settings' volume for a gain, the inverse of PlayerGain (1..1000).
int SettingsVolumeOf(float gain);

// "m:ss", or "h:mm:ss" from an hour on; negative times count as 0.
std::string ClockText(int64_t ms);
// The status line: state, position and length ("Playing 0:05 / 1:30").
std::string MediaStatusText(int playState, int64_t positionMs, int64_t durationMs);

}  // namespace vimbra
