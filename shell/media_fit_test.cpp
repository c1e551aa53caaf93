#include "shell/media_fit.h"

#include <gtest/gtest.h>

namespace vimbra {
namespace {

MediaFitInput Base() {
    MediaFitInput in;
    in.videoWidth = 320;
    in.videoHeight = 240;
    in.clientWidth = 600;
    in.playerHeight = 456;
    in.minWidth = 300;
    in.bars = 56;
    in.frameWidth = 0;
    in.frameHeight = 30;  // menu bar
    in.panelsHeight = 70;
    in.screenWidth = 1280;
    in.screenHeight = 1000;
    return in;
}

TEST(MediaWindowSize, FitModeFitsTheVideoIntoThePlayerAboveItsBars) {
    // 320 x 240 into 600 x (456 - 56 = 400): the height limits, 533 x 400.
    const ViewSize s = MediaWindowSize(Base());
    EXPECT_EQ(s, (ViewSize{533, 400 + 30 + 56 + 70}));
}

TEST(MediaWindowSize, SoundOnlyKeepsTheWidthWithoutPicture) {
    MediaFitInput in = Base();
    in.videoWidth = in.videoHeight = 0;
    EXPECT_EQ(MediaWindowSize(in), (ViewSize{600, 0 + 30 + 56 + 70}));
}

TEST(MediaWindowSize, ZoomModeUsesTheDisplaySize) {
    MediaFitInput in = Base();
    in.fitToWindow = false;
    EXPECT_EQ(MediaWindowSize(in), (ViewSize{320, 240 + 156}));
    in.displaySize = 1;  // halved, then widened to the minimum width
    EXPECT_EQ(MediaWindowSize(in), (ViewSize{300, 120 + 156}));
    in.fullScreen = true;  // no minimum in full screen
    EXPECT_EQ(MediaWindowSize(in), (ViewSize{160, 120 + 156}));
    in.fullScreen = false;
    in.displaySize = 2;  // doubled, then limited to the screen
    in.screenHeight = 600;
    EXPECT_EQ(MediaWindowSize(in), (ViewSize{640, 600}));
}

TEST(KeepOnScreen, MovesLeftAndUpByTheOverhang) {
    EXPECT_EQ(KeepOnScreen(100, 50, {400, 300}, 0, 0, 1280, 1000), (ViewRect{100, 50, 400, 300}));
    EXPECT_EQ(KeepOnScreen(1000, 900, {400, 300}, 0, 0, 1280, 1000), (ViewRect{880, 700, 400, 300}));
    EXPECT_EQ(KeepOnScreen(10, 10, {2000, 300}, 0, 0, 1280, 1000), (ViewRect{0, 10, 2000, 300}));
}

}  // namespace
}  // namespace vimbra
