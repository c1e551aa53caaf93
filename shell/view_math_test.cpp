#include "shell/view_math.h"

#include <gtest/gtest.h>

namespace vimbra {
namespace {

TEST(MulDivTest, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(MulDiv(800, 500, 600), 667);  // 666.67
    EXPECT_EQ(MulDiv(5, 1, 2), 3);          // 2.5
    EXPECT_EQ(MulDiv(-5, 1, 2), -3);
    EXPECT_EQ(MulDiv(5, 1, -2), -3);
    EXPECT_EQ(MulDiv(1, 1, 3), 0);
    EXPECT_EQ(MulDiv(2, 1, 3), 1);
    EXPECT_EQ(MulDiv(7, 3, 0), 0);
    // The product does not overflow 32 bits.
    EXPECT_EQ(MulDiv(30000, 30000, 30000), 30000);
}

TEST(FitInBoxTest, LandscapeLimitedByHeight) {
    // 800 × 600 first, then both scaled to the height: 800 × 500 ÷ 600 = 666.67.
    EXPECT_EQ(FitInBox(4000, 3000, 800, 500), (ViewSize{667, 500}));
}

TEST(FitInBoxTest, BranchesAndLimits) {
    EXPECT_EQ(FitInBox(200, 100, 800, 500), (ViewSize{800, 400}));
    EXPECT_EQ(FitInBox(300, 600, 800, 500), (ViewSize{250, 500}));
    // Square pictures take the height branch.
    EXPECT_EQ(FitInBox(100, 100, 800, 500), (ViewSize{500, 500}));
    // Height branch too wide: 429 × 500, then 300 × round(500 × 300 ÷ 429).
    EXPECT_EQ(FitInBox(600, 700, 300, 500), (ViewSize{300, 350}));
    // 5 × 5 ÷ 10 = 2.5 rounds up, not to even.
    EXPECT_EQ(FitInBox(10, 5, 5, 100), (ViewSize{5, 3}));
    EXPECT_EQ(FitInBox(0, 10, 800, 500), (ViewSize{0, 0}));
}

TEST(FitLayoutTest, LargePictureCentred) {
    EXPECT_EQ(FitLayout(4000, 3000, 800, 500, false), (ViewRect{66, 0, 667, 500}));
}

TEST(FitLayoutTest, SmallPictureKeepsItsSizeUnlessUpsampled) {
    EXPECT_EQ(FitLayout(200, 100, 800, 500, false), (ViewRect{300, 200, 200, 100}));
    EXPECT_EQ(FitLayout(200, 100, 800, 500, true), (ViewRect{0, 50, 800, 400}));
    // As wide as the area: not smaller in both directions, so it is fitted.
    EXPECT_EQ(FitLayout(800, 100, 800, 500, false), (ViewRect{0, 200, 800, 100}));
}

TEST(FitLayoutTest, DegeneratePictures) {
    EXPECT_EQ(FitLayout(1, 1, 800, 500, false), (ViewRect{399, 249, 1, 1}));
    EXPECT_EQ(FitLayout(1, 1, 800, 500, true), (ViewRect{150, 0, 500, 500}));
    // 1 × 1000: width 0.5 rounds to 1.
    EXPECT_EQ(FitLayout(1, 1000, 800, 500, false), (ViewRect{399, 0, 1, 500}));
    EXPECT_EQ(FitLayout(1000, 1, 800, 500, false), (ViewRect{0, 249, 800, 1}));
}

TEST(ZoomTest, AutoZoomTruncates) {
    EXPECT_EQ(AutoZoomSize(333, 101, 250), (ViewSize{832, 252}));
    EXPECT_EQ(AutoZoomSize(7, 7, 25), (ViewSize{1, 1}));
    EXPECT_EQ(AutoZoomSize(3, 1, 25), (ViewSize{0, 0}));
}

TEST(ZoomTest, StepsStopAtTheEnds) {
    EXPECT_EQ(ZoomIn(100), 125);
    EXPECT_EQ(ZoomIn(775), 800);
    EXPECT_EQ(ZoomIn(800), 800);
    EXPECT_EQ(ZoomOut(50), 25);
    EXPECT_EQ(ZoomOut(25), 25);
}

TEST(ZoomTest, ZoomToRoundsDownToSteps) {
    EXPECT_EQ(ZoomToValue(130), 125);
    EXPECT_EQ(ZoomToValue(149), 125);
    EXPECT_EQ(ZoomToValue(100), 100);
    EXPECT_EQ(ZoomToValue(24), 25);
    EXPECT_EQ(ZoomToValue(-7), 25);
    EXPECT_EQ(ZoomToValue(801), 800);
}

TEST(ScrollTest, PositionsKeepTheirFractionAndSnapAtIntegerZoom) {
    // 100 of 300 → 233.3 of 700, down to a multiple of 3.
    EXPECT_EQ(RescaledScrollPosition(100, 300, 700, 100, 300), 231);
    // Limited to range − page (500), then snapped.
    EXPECT_EQ(RescaledScrollPosition(290, 300, 700, 200, 300), 498);
    // Below 200% neither limited nor snapped.
    EXPECT_EQ(RescaledScrollPosition(100, 300, 450, 400, 150), 150);
    EXPECT_EQ(RescaledScrollPosition(101, 300, 700, 100, 150), 235);
    // Page larger than the range.
    EXPECT_EQ(RescaledScrollPosition(50, 100, 100, 200, 300), 0);
    EXPECT_EQ(RescaledScrollPosition(50, 0, 100, 10, 100), 0);
}

TEST(ScrollTest, PositionsAtThreeHundredPercentAreMultiplesOfThree) {
    for (int pos = 0; pos <= 400; pos += 7) {
        const int p = RescaledScrollPosition(pos, 400, 1200, 250, 300);
        EXPECT_EQ(p % 3, 0) << pos;
        EXPECT_LE(p, 1200 - 250);
    }
}

TEST(SnapTest, StepsAndRounding) {
    EXPECT_EQ(SnapStep(300, 24), 3);
    EXPECT_EQ(SnapStep(200, 1), 2);
    EXPECT_EQ(SnapStep(175, 24), 1);
    EXPECT_EQ(SnapStep(150, 4), 8);
    EXPECT_EQ(SnapStep(100, 1), 8);
    EXPECT_EQ(SnapStep(100, 8), 1);
    EXPECT_EQ(SnapDown(17, 8), 16);
    EXPECT_EQ(SnapDown(16, 8), 16);
    EXPECT_EQ(SnapDown(5, 1), 5);
    EXPECT_EQ(SnapDown(-3, 8), -3);
}

TEST(PanTest, DragMovesControlAndStopsAtTheLeftEdge) {
    EXPECT_EQ(PanAxis(-100, 50, 30).controlLeft, -120);
    EXPECT_EQ(PanAxis(-100, 50, 30).anchor, 50);
    // Dragging right past the edge: cut to 0, the anchor follows the mouse.
    const PanStep s = PanAxis(-10, 50, 80);
    EXPECT_EQ(s.controlLeft, 0);
    EXPECT_EQ(s.anchor, 80);
    EXPECT_EQ(PanAxis(0, 10, 10).anchor, 10);
}

TEST(DisplaySelectionTest, FitModeRoundsHalvesToEven) {
    const ViewGeometry fit{true, 666, 500, 100};
    // 166.5 → 166, 499.5 → 500, 100, 375.
    EXPECT_EQ(DisplaySelection({1000, 600, 3000, 2250}, fit, 4000, 3000),
              (SelRect{166, 100, 500, 375}));
    EXPECT_EQ(DisplaySelection({0, 0, 4000, 3000}, fit, 4000, 3000), (SelRect{0, 0, 666, 500}));
}

TEST(DisplaySelectionTest, ZoomMode) {
    const ViewGeometry zoom{false, 0, 0, 250};
    // 2.5 → 2, 7.5 → 8, 12.5 → 12, 17.5 → 18.
    EXPECT_EQ(DisplaySelection({1, 3, 5, 7}, zoom, 100, 100), (SelRect{2, 8, 12, 18}));
}

TEST(DisplaySelectionTest, RightEdgeMapsBackInsideThePicture) {
    // A band drawn up to the right and bottom edge at 300% covers the last
    // pixel but never reaches past the picture.
    const ViewGeometry zoom{false, 30, 30, 300};
    EXPECT_EQ(DisplayToImageRect({0, 0, 30, 30}, zoom, 10, 10), (SelRect{0, 0, 10, 10}));
    const ViewGeometry fit{true, 667, 500, 100};
    const SelRect image = DisplayToImageRect({0, 0, 667, 500}, fit, 4000, 3000);
    EXPECT_EQ(image, (SelRect{0, 0, 4000, 3000}));
    EXPECT_EQ(DisplaySelection(image, fit, 4000, 3000), (SelRect{0, 0, 667, 500}));
}

TEST(ZoomRegionTest, LargestZoomThatFits) {
    EXPECT_EQ(ZoomForRegion(200, 100, 800, 500), 400);
    // 275% would make 825 > 800.
    EXPECT_EQ(ZoomForRegion(300, 200, 800, 500), 250);
    EXPECT_EQ(ZoomForRegion(1000, 100, 800, 500), 100);
    EXPECT_EQ(ZoomForRegion(10, 10, 800, 500), 800);
}

TEST(FitToWindowTest, SizesAndRefusals) {
    EXPECT_EQ(FitToWindowSize(1600, 1200, 2, 16, 39, 100, 1920, 1080), (ViewSize{816, 739}));
    EXPECT_EQ(FitToWindowSize(4000, 3000, 1, 16, 39, 100, 1920, 1080), (ViewSize{1920, 1080}));
    // 100 ÷ 4 + 16 = 41: too small, nothing happens.
    EXPECT_EQ(FitToWindowSize(100, 1000, 4, 16, 39, 100, 1920, 1080), (ViewSize{}));
    EXPECT_EQ(FitToWindowSize(100, 100, 0, 16, 39, 100, 1920, 1080), (ViewSize{}));
}

}  // namespace
}  // namespace vimbra
