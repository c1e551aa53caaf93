#include "shell/picture_ratio.h"

#include <gtest/gtest.h>

#include "shell/menu_layout.h"

namespace vimbra {
namespace {

TEST(AspectSizeTest, WidthFromHeightThenReducedToTheView) {
    EXPECT_EQ(AspectSize(kAspectMonitor, 300, 200, 100, 100), (ViewSize{300, 200}));
    // 200 × 4/3 = 266.7, × 7/3 = 466.7, × 16/9 = 355.6.
    EXPECT_EQ(AspectSize(kAspectTv, 300, 200, 1000, 1000), (ViewSize{267, 200}));
    EXPECT_EQ(AspectSize(kAspectCinema, 300, 200, 1000, 1000), (ViewSize{467, 200}));
    EXPECT_EQ(AspectSize(kAspectWide, 300, 200, 1000, 1000), (ViewSize{356, 200}));
    // 267 × 200 into 200 × 100: 200 × 150 first (200 × 200 ÷ 267 = 149.8), then
    // the height: 200 × 100 ÷ 150 = 133.3.
    EXPECT_EQ(AspectSize(kAspectTv, 300, 200, 200, 100), (ViewSize{133, 100}));
    // Best fit keeps the proportions: 200 × 133, then 200 × 100 ÷ 133 = 150.4.
    EXPECT_EQ(AspectSize(kAspectBestFit, 300, 200, 200, 100), (ViewSize{150, 100}));
    // Nothing is enlarged to the view.
    EXPECT_EQ(AspectSize(kAspectBestFit, 100, 50, 200, 100), (ViewSize{100, 50}));
    // No view known: the aspect alone.
    EXPECT_EQ(AspectSize(kAspectTv, 300, 200, 0, 0), (ViewSize{267, 200}));
}

TEST(AspectSizeTest, ThinPicturesKeepAPixel) {
    EXPECT_EQ(AspectSize(kAspectTv, 1, 1, 100, 100), (ViewSize{1, 1}));
    EXPECT_EQ(AspectSize(kAspectTv, 5, 1, 100, 100), (ViewSize{1, 1}));
    EXPECT_EQ(AspectSize(kAspectWide, 1, 9, 100, 100), (ViewSize{16, 9}));
    // 1 × 300 in a 100-pixel-high view: 1 × 100, never 0 wide.
    EXPECT_EQ(AspectSize(kAspectBestFit, 1, 300, 100, 100), (ViewSize{1, 100}));
}

TEST(ApplyAspectTest, ResamplesToTheSize) {
    Bitmap flat(30, 20, 24);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            uint8_t* p = flat.scanLine(y) + 3 * x;
            p[0] = 10, p[1] = 20, p[2] = 30;
        }
    const Bitmap tv = ApplyAspect(flat, kAspectTv, 0, 0);
    ASSERT_EQ(tv.width(), 27);
    ASSERT_EQ(tv.height(), 20);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 27; ++x) {
            const uint8_t* p = tv.scanLine(y) + 3 * x;
            ASSERT_EQ(p[0] * 65536 + p[1] * 256 + p[2], 10 * 65536 + 20 * 256 + 30) << x << "," << y;
        }
    // Narrowing only (through twice the width) keeps a flat picture flat.
    const Bitmap narrow = ApplyAspect(Bitmap(90, 60, 24), kAspectTv, 0, 0);
    EXPECT_EQ(narrow.width(), 80);
    EXPECT_EQ(narrow.height(), 60);
    EXPECT_EQ(narrow.scanLine(59)[3 * 79], 0);
    // Black and white stays black and white.
    const Bitmap mono = ApplyAspect(Bitmap(9, 3, 1), kAspectTv, 0, 0);
    EXPECT_EQ(mono.width(), 4);
    EXPECT_EQ(mono.depth(), 1);
    // 1:1 and pictures already the right size are left alone.
    EXPECT_TRUE(ApplyAspect(flat, kAspectMonitor, 5, 5) == flat);
    EXPECT_TRUE(ApplyAspect(flat, kAspectBestFit, 100, 100) == flat);
}

TEST(AspectQuestionTest, OnlyForTheStretchingModes) {
    EXPECT_EQ(AspectQuestion(kAspectCinema),
              "All images will be resized to 2.35:1 cinema (anamorphic) aspect.\nThis fixes raw, "
              "fullscreen DVD image captures (landscape).\nNormal 1:1 images will be distorted; "
              "video is not modified.");
    EXPECT_NE(AspectQuestion(kAspectWide).find("resized to 16:9 widescreen aspect.\n"),
              std::string::npos);
    EXPECT_EQ(AspectQuestion(kAspectMonitor), "");
    EXPECT_EQ(AspectQuestion(kAspectBestFit), "");
}

}  // namespace
}  // namespace vimbra
