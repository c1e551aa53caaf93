#include "slideshow/slide_frame.h"

#include <gtest/gtest.h>

namespace vimbra {
namespace {

SlideLook Window(int w, int h) {
    SlideLook look;
    look.windowWidth = w;
    look.windowHeight = h;
    return look;
}

void ExpectPlacement(const SlidePlacement& p, int w, int h, int left, int top) {
    EXPECT_EQ(p.width, w);
    EXPECT_EQ(p.height, h);
    EXPECT_EQ(p.left, left);
    EXPECT_EQ(p.top, top);
}

TEST(SlidePlacement, SizeAndPlace) {
    SlideLook look = Window(1920, 1080);
    ExpectPlacement(PlaceSlide(800, 600, look), 800, 600, 560, 240);
    look.zoom = 150;
    ExpectPlacement(PlaceSlide(800, 600, look), 1200, 900, 360, 90);
    // A zoom of a big picture is worked out on the sizes: 16000 × 12000 fitted.
    look.zoom = 400;
    ExpectPlacement(PlaceSlide(4000, 3000, look), 1440, 1080, 240, 0);
    look.zoom = 0;  // not above 0: no zoom
    ExpectPlacement(PlaceSlide(800, 600, look), 800, 600, 560, 240);
    // U fits into the box, enlarging or reducing; a box as big as the window is ignored.
    look.zoom = 150;
    look.box = AvlPair{640, 480};
    ExpectPlacement(PlaceSlide(800, 400, look), 640, 320, 640, 380);
    ExpectPlacement(PlaceSlide(100, 100, look), 480, 480, 720, 300);
    look.box = AvlPair{1920, 480};
    ExpectPlacement(PlaceSlide(800, 600, look), 1200, 900, 360, 90);
}

TEST(SlidePlacement, TurnedAndPositioned) {
    SlideLook look = Window(1920, 1080);
    look.rotate = 90;
    SlidePlacement p = PlaceSlide(800, 600, look);
    ExpectPlacement(p, 800, 600, 660, 140);
    EXPECT_EQ(p.drawnWidth, 600);
    EXPECT_EQ(p.drawnHeight, 800);
    // Turned 90 degrees a 2000 × 1000 picture is 1000 × 2000: fitted to 1080 high.
    p = PlaceSlide(2000, 1000, look);
    ExpectPlacement(p, 1080, 540, 690, 0);
    look.rotate = 0;
    look.position = AvlPair{10, 20};
    ExpectPlacement(PlaceSlide(800, 600, look), 800, 600, 10, 20);
    look.position = AvlPair{1500, 0};  // does not fit there: centred
    ExpectPlacement(PlaceSlide(800, 600, look), 800, 600, 560, 240);
    look = Window(1000, 1000);
    ExpectPlacement(PlaceSlide(3000, 1000, look), 1000, 333, 0, 333);
}

TEST(SlidePlacement, AspectCorrectionComesFirst) {
    SlideLook look = Window(1920, 1080);
    const std::pair<int, int> ratios[] = {{4, 3}, {7, 3}, {16, 9}};
    const int widths[] = {267, 467, 356};  // 200 × 4/3, × 7/3, × 16/9 to the nearest pixel
    for (size_t i = 0; i < 3; ++i) {
        look.aspectWidth = ratios[i].first, look.aspectHeight = ratios[i].second;
        SlidePlacement p = PlaceSlide(300, 200, look);
        EXPECT_EQ(p.width, widths[i]);
        EXPECT_EQ(p.height, 200);
        EXPECT_EQ(p.left, (1920 - widths[i]) / 2);
    }
    // To the nearest pixel: 3 × 16/9 = 5.33, 9 × 4/3 = 12; 1 × 4/3 keeps one pixel.
    look.aspectWidth = 16, look.aspectHeight = 9;
    EXPECT_EQ(PlaceSlide(10, 3, look).width, 5);
    look.aspectWidth = 4, look.aspectHeight = 3;
    EXPECT_EQ(PlaceSlide(10, 9, look).width, 12);
    EXPECT_EQ(PlaceSlide(10, 1, look).width, 1);
    // The corrected picture is what U, Z and the window fit: 1200 high at 16:9 is 2133 wide,
    // reduced to the window by 0.9; zoomed or boxed from 356 × 200.
    look.aspectWidth = 16, look.aspectHeight = 9;
    ExpectPlacement(PlaceSlide(1000, 1200, look), 1920, 1080, 0, 0);
    look.zoom = 200;
    ExpectPlacement(PlaceSlide(300, 200, look), 712, 400, 604, 340);
    look.box = AvlPair{178, 400};
    ExpectPlacement(PlaceSlide(300, 200, look), 178, 100, 871, 490);
    // Off (either number 0): the picture's own width.
    look = Window(1920, 1080);
    look.aspectWidth = 16;
    EXPECT_EQ(PlaceSlide(300, 200, look).width, 300);
}

TEST(SlideFrame, AspectStretchesThePicture) {
    // A 4 × 3 picture, left half black, right half white, at 16:9 of 3 rows: 5 wide.
    Bitmap picture(4, 3, 24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) std::fill_n(picture.scanLine(y) + 3 * x, 3, uint8_t(x < 2 ? 0 : 255));
    SlideLook look = Window(9, 3);
    look.background = 0x0000FF;
    look.aspectWidth = 16, look.aspectHeight = 9;
    const Bitmap frame = ComposeSlideFrame(picture, look);
    EXPECT_EQ(frame.scanLine(1)[2], 255);      // (0, 1): background, red
    EXPECT_EQ(frame.scanLine(1)[3 * 2], 0);    // the picture from column 2 to 6
    EXPECT_EQ(frame.scanLine(1)[3 * 6], 255);
    EXPECT_EQ(frame.scanLine(1)[3 * 7 + 2], 255);
    EXPECT_EQ(frame.scanLine(1)[3 * 7], 0);    // (7, 1): red again
}

TEST(SlideFrame, PictureOnBackgroundWithGamma) {
    Bitmap picture(2, 2, 24);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) std::fill_n(picture.scanLine(y) + 3 * x, 3, uint8_t(64));
    SlideLook look = Window(6, 4);
    look.background = 0x0000FF;  // red
    Bitmap frame = ComposeSlideFrame(picture, look);
    ASSERT_EQ(frame.width(), 6);
    const uint8_t red[3] = {0, 0, 255};
    EXPECT_TRUE(std::equal(red, red + 3, frame.scanLine(0)));
    EXPECT_TRUE(std::equal(red, red + 3, frame.scanLine(1) + 3));
    EXPECT_EQ(frame.scanLine(1)[6], 64);   // (2, 1) is the picture's top-left
    EXPECT_EQ(frame.scanLine(2)[9 + 2], 64);
    EXPECT_EQ(frame.scanLine(3)[6 + 2], 255);
    // "G=96" is 150: the library gamma 15 (tenths), 64 → round(255 × (64/255)^(1/1.5)) = 101.
    look.gamma = 150;
    EXPECT_EQ(ComposeSlideFrame(picture, look).scanLine(1)[6], 101);
    look.gamma = 159;  // the library's gamma has tenths only
    EXPECT_EQ(ComposeSlideFrame(picture, look).scanLine(1)[6], 101);
}

TEST(SlideFrame, CaptionBand) {
    SlideLook look = Window(40, 30);
    look.background = 0x808080;
    look.caption = "Slide";
    const Bitmap bottom = ComposeSlideFrame(Bitmap(), look);
    EXPECT_EQ(bottom.scanLine(5)[60], 0x80);      // above the band: background
    EXPECT_EQ(bottom.scanLine(6)[60], 0);         // the band's frame
    EXPECT_EQ(bottom.scanLine(15)[0], 0);
    EXPECT_EQ(bottom.scanLine(15)[3 * 39], 0);
    EXPECT_EQ(bottom.scanLine(15)[3 * 20], 255);  // filled in the window colour
    look.captionPlace = CaptionPlace::Top;
    const Bitmap top = ComposeSlideFrame(Bitmap(), look);
    EXPECT_EQ(top.scanLine(0)[60], 0);
    EXPECT_EQ(top.scanLine(23)[60], 0);
    EXPECT_EQ(top.scanLine(24)[60], 0x80);
}

}  // namespace
}  // namespace vimbra
