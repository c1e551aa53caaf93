// ImgRotate by right angles and by any angle with a fill colour; ImgMirror.
#include <gtest/gtest.h>

#include "imagefiles/imglib/imglib.h"
#include "imagefiles/imglib/imglib_test_util.h"

namespace vimbra {
namespace {

using namespace testutil;

// A B C
// D E F
constexpr uint32_t A = 0x0A0000, B = 0x0B0000, C = 0x0C0000, D = 0x0D0000, E = 0x0E0000, F = 0x0F0000;

class RotateTest : public ImgLibTest {
protected:
    static Bitmap Rotate(const Bitmap& in, int angle, uint32_t fill = 0) {
        return Through(in, [&](ImgHandle h) { return ImgRotate(h, angle, fill); });
    }
    static Bitmap Mirror(const Bitmap& in, int vertical, int horizontal) {
        const ImgHandle h = ImgFromBitmap(in);
        EXPECT_NE(ImgMirror(h, vertical, horizontal), 0);
        Bitmap out = Get(h);
        ImgClose(h);
        return out;
    }
    static Bitmap Sample() { return Rgb24(3, 2, {A, B, C, D, E, F}); }
};

TEST_F(RotateTest, RightAnglesMovePixelsExactly) {
    // 36000 − 100 × 90: the menu's "90 deg." turns clockwise.
    const Bitmap cw = Rotate(Sample(), 27000);
    ASSERT_EQ(cw.width(), 2);
    ASSERT_EQ(cw.height(), 3);
    EXPECT_EQ(Pixels(cw), (std::vector<uint32_t>{D, A, E, B, F, C}));
    EXPECT_EQ(Pixels(Rotate(Sample(), 9000)), (std::vector<uint32_t>{C, F, B, E, A, D}));
    EXPECT_EQ(Pixels(Rotate(Sample(), 18000)), (std::vector<uint32_t>{F, E, D, C, B, A}));
    EXPECT_EQ(Rotate(Sample(), 0), Sample());
    EXPECT_EQ(Rotate(Sample(), 36000), Sample());
    // Angles wrap both ways.
    EXPECT_EQ(Rotate(Sample(), -9000), cw);
    EXPECT_EQ(Rotate(Sample(), 36000 + 27000), cw);
}

TEST_F(RotateTest, RightAnglesKeepPaletteDepths) {
    // Width 11 crosses byte boundaries at 1 and 4 bits.
    std::initializer_list<int> idx = {0, 1, 1, 0, 1, 0, 0, 1, 1, 1, 0,  //
                                      1, 0, 0, 0, 1, 1, 0, 1, 0, 0, 1};
    for (int depth : {1, 4, 8}) {
        SCOPED_TRACE(depth);
        const Bitmap in = Indexed(11, 2, depth, idx, BlackWhite());
        Bitmap as24 = in;
        as24.convertTo24();
        for (int angle : {9000, 18000, 27000}) {
            SCOPED_TRACE(angle);
            const Bitmap out = Rotate(in, angle);
            EXPECT_EQ(out.depth(), depth);
            EXPECT_EQ(out.palette(), in.palette());
            EXPECT_EQ(Pixels(out), Pixels(Rotate(as24, angle)));
        }
        // Four quarter turns give the picture back, padding bits included.
        Bitmap back = in;
        for (int i = 0; i < 4; ++i) back = Rotate(back, 9000);
        EXPECT_EQ(back, in);
    }
}

TEST_F(RotateTest, FortyFiveDegreesFillsTheCorners) {
    // A 2 × 2 block turned by 45° needs a 3 × 3 box (2√2 rounded); the corner
    // centres map outside the picture, the edge centres inside.
    const uint32_t red = 0xFF0000, fill = 0x00FF0000;  // fill is blue as 0x00BBGGRR
    const Bitmap out = Rotate(Uniform24(2, 2, red), 4500, fill);
    ASSERT_EQ(out.width(), 3);
    ASSERT_EQ(out.height(), 3);
    constexpr uint32_t b = 0x0000FF;
    EXPECT_EQ(Pixels(out), (std::vector<uint32_t>{b, red, b, red, red, red, b, red, b}));
    // Clockwise 45° (31500) gives the same shape.
    EXPECT_EQ(Pixels(Rotate(Uniform24(2, 2, red), 31500, fill)), Pixels(out));
    // Palette pictures keep their depth; the fill is the nearest palette colour.
    const Bitmap page = Rotate(Indexed(2, 2, 1, {0, 0, 0, 0}, BlackWhite()), 4500, 0x00F0F0F0);
    EXPECT_EQ(page.depth(), 1);
    EXPECT_EQ(Indices(page), (std::vector<int>{1, 0, 1, 0, 0, 0, 1, 0, 1}));
}

TEST_F(RotateTest, SmallAngleKeepsTheCentre) {
    // 3 cos 1° + 3 sin 1° = 3.05: the box stays 3 × 3 and the centre maps onto itself.
    const Bitmap in = Rgb24(3, 3, {1, 2, 3, 4, 0x123456, 6, 7, 8, 9});
    const Bitmap out = Rotate(in, 100, 0xFFFFFF);
    ASSERT_EQ(out.width(), 3);
    ASSERT_EQ(out.height(), 3);
    EXPECT_EQ(PixelRgb(out, 1, 1), 0x123456u);
    // A large picture turned by 30°: box 100 cos 30 + 50 sin 30 = 111.6 → 112,
    // 100 sin 30 + 50 cos 30 = 93.3 → 93.
    const Bitmap big = Rotate(Uniform24(100, 50, 0x445566), 3000, 0);
    EXPECT_EQ(big.width(), 112);
    EXPECT_EQ(big.height(), 93);
    EXPECT_EQ(PixelRgb(big, 56, 46), 0x445566u);
    EXPECT_EQ(PixelRgb(big, 0, 0), 0u);
}

TEST_F(RotateTest, MirrorInPlace) {
    EXPECT_EQ(Pixels(Mirror(Sample(), 1, 0)), (std::vector<uint32_t>{D, E, F, A, B, C}));
    EXPECT_EQ(Pixels(Mirror(Sample(), 0, 1)), (std::vector<uint32_t>{C, B, A, F, E, D}));
    EXPECT_EQ(Pixels(Mirror(Sample(), 1, 1)), (std::vector<uint32_t>{F, E, D, C, B, A}));
    EXPECT_EQ(Mirror(Sample(), 0, 0), Sample());
    // 1-bit rows of 11 pixels: the padding stays clear.
    const Bitmap in = Indexed(11, 1, 1, {1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0}, BlackWhite());
    const Bitmap out = Mirror(in, 0, 1);
    EXPECT_EQ(Indices(out), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1}));
    EXPECT_EQ(out.scanLine(0)[1], 0x60);
    EXPECT_EQ(Mirror(Indexed(3, 1, 4, {1, 2, 3}, std::vector<PaletteEntry>(4)), 0, 1).scanLine(0)[0], 0x32);
}

TEST_F(RotateTest, FailuresLeaveStatus) {
    EXPECT_EQ(ImgRotate(77, 9000, 0), 0u);
    EXPECT_EQ(ImgGetStatus().code, ImgStatusCode::InvalidHandle);
    EXPECT_EQ(ImgMirror(77, 1, 0), 0);
    // A 45° turn of a 30000-wide strip would exceed the side limit.
    const ImgHandle h = ImgFromBitmap(Bitmap(30000, 1, 1));
    EXPECT_EQ(ImgRotate(h, 4500, 0), 0u);
    EXPECT_EQ(ImgGetStatus().code, ImgStatusCode::BadArgument);
    ImgClose(h);
}

}  // namespace
}  // namespace vimbra
