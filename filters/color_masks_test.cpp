#include "filters/color_masks.h"

#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>

namespace vimbra {
namespace {

Bitmap Row(std::initializer_list<RGB> pixels) {
    Bitmap b(int(pixels.size()), 1, 24);
    uint8_t* p = b.scanLine(0);
    for (const RGB& c : pixels) *p++ = uint8_t(c.b), *p++ = uint8_t(c.g), *p++ = uint8_t(c.r);
    return b;
}
void Set(Bitmap& b, int x, int y, RGB c) {
    uint8_t* p = b.scanLine(y) + 3 * x;
    p[0] = uint8_t(c.b), p[1] = uint8_t(c.g), p[2] = uint8_t(c.r);
}
HlsBand Band(int h, int l, int s, int wh, int wl, int ws) { return {{h, l, s}, {wh, wl, ws}}; }

constexpr RGB kRed{255, 0, 0};          // H 0, L 1800, S 3600
constexpr RGB kRedMagenta{255, 0, 10};  // H 576 - 600 + 3600 = 3576, L 1800, S 3600
constexpr RGB kGrey{100, 100, 100};     // H 2400, L 1412, S 0
constexpr RGB kWhite{255, 255, 255}, kBlack{0, 0, 0};
const HlsBand kRedBand = Band(0, 1800, 3600, 50, 10, 10);

TEST(HlsBand, StrictBoundsAndHueWrap) {
    EXPECT_TRUE(kRedBand.contains({3551, 1809, 3591}));  // 49 round the circle
    EXPECT_FALSE(kRedBand.contains({3550, 1800, 3600}));
    EXPECT_FALSE(kRedBand.contains({50, 1800, 3600}));
    EXPECT_FALSE(kRedBand.contains({0, 1810, 3600}));
    EXPECT_TRUE(Band(3590, 1800, 3600, 50, 10, 10).contains({24, 1800, 3600}));
    EXPECT_FALSE(Band(0, 1800, 3600, 50, 0, 10).contains({0, 1800, 3600}));  // width 0
}

TEST(HlsBand, UnpacksInPlaceAndOddValuesStayHarmless) {
    Workspace ws;
    ws.EffectValue1 = PackBand(120, 2400), ws.EffectValue2 = -1, ws.EffectValue3 = INT32_MIN;
    EXPECT_EQ(ws.EffectValue1, 120 * 65536 + 2400);
    const HlsBand band = UnpackBand(ws);
    EXPECT_EQ(ws.EffectValue1, 120);
    EXPECT_EQ(ws.BandCentre[0], 2400);
    // Truncating division: -1 is centre -1 of width 0; INT32_MIN width -32768.
    EXPECT_EQ(band.centre[1], -1);
    EXPECT_EQ(band.halfWidth[1], 0);
    EXPECT_EQ(band.centre[2], 0);
    EXPECT_EQ(ws.EffectValue3, -32768);
    EXPECT_EQ(PackBand(32768, 0), INT32_MIN);  // wraps, no overflow
}

TEST(MaskColors, FlagsAndPosterize) {
    Bitmap b = Row({kRed, kRedMagenta, kGrey});
    MaskColorsBitmap(b, kRedBand, {false, false, true});
    EXPECT_EQ(b, Row({kWhite, kWhite, kBlack}));
    b = Row({kRed, kRedMagenta, kGrey});
    MaskColorsBitmap(b, kRedBand, {true, false, true});
    EXPECT_EQ(b, Row({kBlack, kBlack, kWhite}));
    b = Row({kRed, kGrey});
    MaskColorsBitmap(b, kRedBand, {false, false, false});
    EXPECT_EQ(b, Row({kWhite, kGrey}));
    // Both reds cut to (240, 0, 0), L (240*3600 + 255) div 510 = 1694: inside
    // a band their uncut L of 1800 misses. The cut grey (96) is kept.
    b = Row({kRedMagenta, kGrey});
    MaskColorsBitmap(b, Band(0, 1694, 3600, 50, 10, 10), {false, true, false});
    EXPECT_EQ(b, Row({kWhite, {96, 96, 96}}));
    // Greys all have hue 2400: a grey band picks them by lightness alone.
    b = Row({kBlack, kGrey, kWhite});
    MaskColorsBitmap(b, Band(2400, 1400, 0, 1, 100, 1), {false, false, true});
    EXPECT_EQ(b, Row({kBlack, kWhite, kBlack}));
}

TEST(MaskRgb, ExactMatchOnly) {
    Bitmap b = Row({{10, 20, 30}, {10, 20, 31}});
    MaskRgbBitmap(b, 10, 20, 30, false);
    EXPECT_EQ(b, Row({kBlack, kWhite}));
    b = Row({{10, 20, 30}, {10, 20, 31}});
    MaskRgbBitmap(b, 10 + 256, 20, 30 - 256, true);  // no byte holds these
    EXPECT_EQ(b, Row({kBlack, kBlack}));
}

TEST(ColorMask, BlendsByMembershipAndDistance) {
    // Grey: hue 2400 is 1200 round the circle from 0, so the squared distance
    // is 1200² + 388² + 3600² = 14550544 and o = 14550544*255 div 38880000 = 95.
    // 100*160 div 255 = 62, plus 200*95 div 255 = 74, 50*95 div 255 = 18, 10*95 div 255 = 3.
    const Bitmap duplicate = Row({{0, 0, 255}, {200, 50, 10}});
    Bitmap b = Row({kRed, kGrey});
    ColorMaskBitmap(b, duplicate, kRedBand, true);
    EXPECT_EQ(b, Row({{0, 0, 255}, {136, 80, 65}}));
    // Foreground weights 255 - o: 100*95 div 255 = 37, plus 125, 31 and 6.
    b = Row({kRed, kGrey});
    ColorMaskBitmap(b, duplicate, kRedBand, false);
    EXPECT_EQ(b, Row({kRed, {162, 68, 43}}));
    // Centres of 65535, far off the scale, limit the weight to 255.
    b = Row({kBlack, kWhite});
    ColorMaskBitmap(b, duplicate, Band(65535, 65535, 65535, 0, 0, 0), true);
    EXPECT_EQ(b, duplicate);
}

// 5x5 grey with (120, 100, 100) at the centre and in a corner. The centre's
// mean is (2540 div 25, 100, 100) = (101, 100, 100); Lo 1553 and Lm 1419 are
// less than 255 apart. Its cut colour (112, 96, 96) is H 0, L 1468, S 277.
TEST(AirBrush, SmoothsBandPixelsOffTheRing) {
    Bitmap picture(5, 5, 24);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) Set(picture, x, y, kGrey);
    Set(picture, 2, 2, {120, 100, 100});
    Set(picture, 0, 0, {120, 100, 100});
    Bitmap b = picture;
    AirBrushBitmap(b, Band(0, 1468, 300, 10, 10, 10), nullptr);  // S 277 outside
    EXPECT_EQ(b, picture);
    AirBrushBitmap(b, Band(0, 1468, 277, 10, 10, 10), nullptr);
    Set(picture, 2, 2, {101, 100, 100});
    EXPECT_EQ(b, picture);  // the corner is in the band but on the ring
    // A white dot on black: Lm 141 against Lo 3600 is an edge and stays.
    Bitmap dot(5, 5, 24);
    Set(dot, 2, 2, kWhite);
    b = dot;
    AirBrushBitmap(b, Band(1800, 1800, 1800, 1801, 1801, 1801), nullptr);
    EXPECT_EQ(b, dot);
}

TEST(RedEye, AreaAndPass) {
    EXPECT_EQ(RedEyeArea({1, 2, 4, 12}, 10, 20), (SelRect{1, 2, 4, 10}));
    EXPECT_EQ(RedEyeArea({0, 0, 3, 4}, 10, 20), (SelRect{0, 0, 3, 4}));  // 4 rows stay
    EXPECT_EQ(RedEyeArea({-3, -1, 50, 50}, 4, 3), (SelRect{0, 0, 4, 3}));
    EXPECT_TRUE(RedEyeArea({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, 0, 0).isEmpty());
    Bitmap b = Row({{200, 50, 60}, {68, 60, 59}, {69, 60, 60}, {200, 50, 60}});
    RedEyeBitmap(b, {-5, -5, 3, 100});  // right exclusive, clipped elsewhere
    EXPECT_EQ(b, Row({{60, 50, 60}, {68, 60, 59}, {60, 60, 60}, {200, 50, 60}}));
}

}  // namespace
}  // namespace vimbra
