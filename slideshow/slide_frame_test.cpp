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
