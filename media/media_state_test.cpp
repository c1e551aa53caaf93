#include "media/media_state.h"

#include <gtest/gtest.h>

namespace vimbra {
namespace {

TEST(MediaBars, FullScreenWithMaxHidesBothOtherwiseOptionsDecide) {
    EXPECT_EQ(BarsFor(true, true, true, true), (MediaBars{false, false}));
    EXPECT_EQ(BarsFor(true, false, true, false), (MediaBars{true, false}));
    EXPECT_EQ(BarsFor(false, true, false, true), (MediaBars{false, true}));
    EXPECT_EQ(BarsHeight({true, true}, 26, 30), 56);
    EXPECT_EQ(BarsHeight({false, true}, 26, 30), 26);
    EXPECT_EQ(BarsHeight({true, false}, 26, 30), 30);
    EXPECT_EQ(BarsHeight({false, false}, 26, 30), 0);
}

TEST(MediaZoom, StepsBetweenHalfOwnAndDoubleSize) {
    EXPECT_EQ(ZoomedDisplaySize(kDisplayHalf, true), kDisplayDefault);
    EXPECT_EQ(ZoomedDisplaySize(kDisplayDefault, true), kDisplayDouble);
    EXPECT_EQ(ZoomedDisplaySize(kDisplayDouble, true), kDisplayDouble);
    EXPECT_EQ(ZoomedDisplaySize(kDisplayDouble, false), kDisplayDefault);
    EXPECT_EQ(ZoomedDisplaySize(kDisplayDefault, false), kDisplayHalf);
    EXPECT_EQ(ZoomedDisplaySize(kDisplayHalf, false), kDisplayHalf);
    EXPECT_EQ(ZoomedDisplaySize(kDisplayFit, true), kDisplayDouble);
    EXPECT_EQ(ZoomedDisplaySize(kDisplayFit, false), kDisplayHalf);
}

TEST(MediaOptions, PlayCountDisplaySizeAndCommands) {
    EXPECT_EQ(PlayCountFor(true), 999);
    EXPECT_EQ(PlayCountFor(false), 1);
    EXPECT_EQ(DisplaySizeFor(false, kDisplayDouble, true), kDisplayFit);
    EXPECT_EQ(DisplaySizeFor(false, kDisplayDouble, false), kDisplayDefault);
    EXPECT_EQ(DisplaySizeFor(true, kDisplayHalf, true), kDisplayHalf);
    EXPECT_TRUE(PlayPausePauses(kPlayPlaying));
    EXPECT_FALSE(PlayPausePauses(kPlayPaused));
    EXPECT_FALSE(PlayPausePauses(kPlayStopped));
    EXPECT_FALSE(StopEnabled(kPlayStopped));
    EXPECT_TRUE(StopEnabled(kPlayPaused));
    MediaState sound;
    EXPECT_FALSE(VideoCommandsEnabled(sound));
    MediaState video;
    video.VideoWidth = 320;
    video.VideoHeight = 240;
    EXPECT_TRUE(VideoCommandsEnabled(video));
}

TEST(MediaVolume, LogarithmicScaleToGainAndBack) {
    EXPECT_FLOAT_EQ(PlayerGain(1000), 1.0f);
    // round(1000 ln 0.5) = -693 hundredths of a dB: 10^(-693/2000) = e^-0.797846 = 0.450298
    EXPECT_NEAR(PlayerGain(500), 0.450298, 1e-5);
    // round(1000 ln 0.001) = -6908: 10^(-3.454) = 0.000351560...
    EXPECT_NEAR(PlayerGain(1), 0.00035156, 1e-7);
    EXPECT_FLOAT_EQ(PlayerGain(0), PlayerGain(1));
    EXPECT_FLOAT_EQ(PlayerGain(5000), 1.0f);
    for (int v : {1, 10, 250, 500, 999, 1000}) EXPECT_EQ(SettingsVolumeOf(PlayerGain(v)), v) << v;
    EXPECT_EQ(SettingsVolumeOf(0.0f), 1);
}

TEST(MediaStatus, ClockAndStatusLine) {
    EXPECT_EQ(ClockText(0), "0:00");
    EXPECT_EQ(ClockText(-5), "0:00");
    EXPECT_EQ(ClockText(65999), "1:05");
    EXPECT_EQ(ClockText(3600000 + 2 * 60000 + 3000), "1:02:03");
    EXPECT_EQ(MediaStatusText(kPlayPlaying, 5000, 90000), "Playing 0:05 / 1:30");
    EXPECT_EQ(MediaStatusText(kPlayPaused, 0, 0), "Paused 0:00");
    EXPECT_EQ(MediaStatusText(kPlayStopped, 1000, 2000), "Stopped 0:01 / 0:02");
    EXPECT_EQ(MediaStatusText(kPlayClosed, 1000, 2000), "Closed");
}

}  // namespace
}  // namespace vimbra
