// ImgReduceColors, ImgReduceColorsPal, ImgIncreaseColors and ImgGamma.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "imagefiles/imglib/imglib.h"
#include "imagefiles/imglib/imglib_test_util.h"

namespace vimbra {
namespace {

using namespace testutil;

class ReduceTest : public ImgLibTest {
protected:
    static Bitmap Reduce(const Bitmap& in, int colours, int flags) {
        return Through(in, [&](ImgHandle h) { return ImgReduceColors(h, colours, flags); });
    }
    static int Whites(const Bitmap& b) {
        const std::vector<uint32_t> px = Pixels(b);
        return int(std::count(px.begin(), px.end(), 0xFFFFFFu));
    }
    // Picture of many colours: red and green ramps, blue by row parity.
    static Bitmap Rich() {
        Bitmap b(64, 64, 24);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                uint8_t* p = b.scanLine(y) + 3 * x;
                p[0] = uint8_t((y & 1) * 200);
                p[1] = uint8_t(y * 4);
                p[2] = uint8_t(x * 4);
            }
        return b;
    }
};

TEST_F(ReduceTest, BlackAndWhiteThreeWays) {
    // Threshold: 127 is nearer black, 128 nearer white.
    const Bitmap t = Reduce(Grey24(2, 1, {127, 128}), 2, kImgReduceNearest);
    EXPECT_EQ(t.depth(), 1);
    EXPECT_EQ(t.palette(), BlackWhite());
    EXPECT_EQ(Indices(t), (std::vector<int>{0, 1}));
    // Floyd–Steinberg on a row of 128s, errors in sixteenths:
    // 128 → white, error −127 sends −889 right: 128 + floor(−881 / 16) = 72 → black,
    // error 72 sends 504: 128 + 32 = 160 → white, error −95 sends −665: 86 → black.
    EXPECT_EQ(Indices(Reduce(Grey24(4, 1, {128, 128, 128, 128}), 2, kImgReduceDiffuse)),
              (std::vector<int>{1, 0, 1, 0}));
    // Ordered: (2b − 15) × 255 div 32 added; 128 gives white for b >= 8, 64 for b >= 12.
    Bitmap half = Reduce(Uniform24(4, 4, 0x808080), 2, kImgReduceOrdered);
    EXPECT_EQ(Whites(half), 8);
    const Bitmap quarter = Reduce(Uniform24(4, 4, 0x404040), 2, kImgReduceOrdered);
    EXPECT_EQ(Indices(quarter), (std::vector<int>{0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 1, 0}));
}

TEST_F(ReduceTest, DiffusionKeepsAverageAndExactColours) {
    // A quarter grey over 16 × 16: about 64 white pixels; only errors pushed
    // past the right and bottom edges are lost.
    const int whites = Whites(Reduce(Uniform24(16, 16, 0x404040), 2, kImgReduceDiffuse));
    EXPECT_GE(whites, 58);
    EXPECT_LE(whites, 70);
    // Colours already in the palette carry no error: nothing is scattered.
    const Bitmap pure = Reduce(Uniform24(8, 8, 0x800000), 16, kImgReduceDiffuse | kImgReduceFixed);
    EXPECT_EQ(Pixels(pure), std::vector<uint32_t>(64, 0x800000));
    // Dithering between black and white keeps every row's sum close.
    const Bitmap ramp = Reduce(Rich(), 2, kImgReduceDiffuse | kImgReduceGrey);
    long in = 0, out = 0;
    const Bitmap rich = Rich();
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const uint8_t* p = rich.scanLine(y) + 3 * x;
            in += (30 * p[2] + 60 * p[1] + 10 * p[0]) / 100;
            out += ramp.paletteIndex(x, y) * 255;
        }
    EXPECT_LT(std::abs(in - out), 64 * 255);
}

TEST_F(ReduceTest, FixedPalettes) {
    const Bitmap c256 = Reduce(Rich(), 256, 20);
    EXPECT_EQ(c256.depth(), 8);
    EXPECT_EQ(c256.palette().size(), 216u);  // 6 × 6 × 6
    EXPECT_EQ(c256.palette()[1], (PaletteEntry{0, 0, 51, 0}));
    EXPECT_EQ(Reduce(Rich(), 236, 20).palette().size(), 216u);
    const Bitmap c16 = Reduce(Rich(), 16, 20);
    EXPECT_EQ(c16.depth(), 4);
    ASSERT_EQ(c16.palette().size(), 16u);
    EXPECT_EQ(c16.palette()[7], (PaletteEntry{192, 192, 192, 0}));
    EXPECT_EQ(c16.palette()[9], (PaletteEntry{255, 0, 0, 0}));
    // Greys: an even ramp of the count; 236 greys step 255 / 235.
    const Bitmap g236 = Reduce(Rich(), 236, 28);
    ASSERT_EQ(g236.palette().size(), 236u);
    EXPECT_EQ(g236.palette()[1], (PaletteEntry{1, 1, 1, 0}));
    EXPECT_EQ(g236.palette()[235], (PaletteEntry{255, 255, 255, 0}));
    const Bitmap g16 = Reduce(Rich(), 16, kImgReduceGrey);
    ASSERT_EQ(g16.palette().size(), 16u);
    EXPECT_EQ(g16.palette()[3], (PaletteEntry{51, 51, 51, 0}));
    // Grey first: red 255 is grey (30 × 255) div 100 = 76, entry 76 of 256.
    EXPECT_EQ(Indices(Reduce(Rgb24(1, 1, {0xFF0000}), 256, kImgReduceGrey)), (std::vector<int>{76}));
}

TEST_F(ReduceTest, OptimalPalettes) {
    // At most as many colours as asked: exactly those, ascending, mapped exactly.
    const Bitmap five = Rgb24(5, 1, {0x00FF00, 0x102030, 0xFFFFFF, 0x102031, 0x000000});
    for (int flags : {36, 68, 32, 64}) {
        SCOPED_TRACE(flags);
        const Bitmap out = Reduce(five, 16, flags);
        EXPECT_EQ(out.depth(), 4);
        ASSERT_EQ(out.palette().size(), 5u);
        EXPECT_EQ(out.palette()[1], (PaletteEntry{0x00, 0xFF, 0x00, 0}));
        EXPECT_EQ(out.palette()[2], (PaletteEntry{0x10, 0x20, 0x30, 0}));
        EXPECT_EQ(Pixels(out), Pixels(five));
    }
    // Median cut by hand: reds 0, 0, 10, 250 into two boxes over 5-bit cells
    // 0, 0, 1, 31: half the pixels lie in cell 0, so the cut follows it.
    const Bitmap reds = Rgb24(4, 1, {0x000000, 0x000000, 0x0A0000, 0xFA0000});
    const Bitmap two = Reduce(reds, 2, kImgReduceMedianCut);
    ASSERT_EQ(two.palette().size(), 2u);
    EXPECT_EQ(two.palette()[0], (PaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ(two.palette()[1], (PaletteEntry{130, 0, 0, 0}));
    EXPECT_EQ(Indices(two), (std::vector<int>{0, 0, 0, 1}));
    // Rich pictures fill the palette (median cut) or stay within it (octree).
    EXPECT_EQ(Reduce(Rich(), 256, 36).palette().size(), 256u);
    EXPECT_EQ(Reduce(Rich(), 16, 32).palette().size(), 16u);
    for (int n : {8, 16, 236}) {
        const Bitmap oct = Reduce(Rich(), n, 68);
        EXPECT_LE(oct.palette().size(), size_t(n));
        EXPECT_GE(oct.palette().size(), 2u);
    }
    // Grey and optimal: only greys.
    const Bitmap greys = Reduce(Rich(), 16, 44);
    for (const PaletteEntry& e : greys.palette()) {
        EXPECT_EQ(e.red, e.green);
        EXPECT_EQ(e.green, e.blue);
    }
}

TEST_F(ReduceTest, GivenPaletteAndSources) {
    const std::vector<PaletteEntry> pal = {{0, 0, 0, 0}, {255, 0, 0, 0}, {255, 255, 255, 0}};
    const ImgHandle h = ImgFromBitmap(Rgb24(3, 1, {0xC80A0A, 0x101010, 0xF0F0F0}));
    const ImgHandle r = ImgReduceColorsPal(h, pal, 0);
    ASSERT_NE(r, 0u);
    const Bitmap out = Get(r);
    EXPECT_EQ(out.depth(), 4);
    EXPECT_EQ(out.palette(), pal);
    EXPECT_EQ(Indices(out), (std::vector<int>{1, 0, 2}));
    ImgClose(r);
    EXPECT_EQ(ImgReduceColorsPal(h, std::vector<PaletteEntry>(1), 0), 0u);
    ImgClose(h);
    // Palette pictures are reduced through their colours.
    const Bitmap idx = Indexed(2, 1, 8, {0, 1}, {{10, 10, 10, 0}, {250, 250, 250, 0}});
    EXPECT_EQ(Indices(Reduce(idx, 2, 1)), (std::vector<int>{0, 1}));
}

TEST_F(ReduceTest, BadColourCounts) {
    const ImgHandle h = ImgFromBitmap(Rich());
    for (int n : {-1, 0, 1, 257}) {
        EXPECT_EQ(ImgReduceColors(h, n, 4), 0u);
        EXPECT_EQ(ImgGetStatus().code, ImgStatusCode::BadArgument);
    }
    ImgClose(h);
}

TEST_F(ReduceTest, IncreaseColours) {
    // Round trip: reduce a five-colour picture optimally, increase to 24 bits.
    const Bitmap five = Rgb24(5, 1, {0x00FF00, 0x102030, 0xFFFFFF, 0x102031, 0x000000});
    const Bitmap reduced = Reduce(five, 256, 68);
    EXPECT_EQ(reduced.depth(), 8);
    EXPECT_EQ(Through(reduced, [](ImgHandle h) { return ImgIncreaseColors(h, 24); }), five);
    // 1 → 4 → 8 bits keep the indices and the palette.
    const Bitmap page = Indexed(11, 1, 1, {1, 0, 1, 1, 0, 0, 0, 1, 0, 1, 1}, BlackWhite());
    for (int bits : {4, 8}) {
        const Bitmap up = Through(page, [&](ImgHandle h) { return ImgIncreaseColors(h, bits); });
        EXPECT_EQ(up.depth(), bits);
        EXPECT_EQ(up.palette(), page.palette());
        EXPECT_EQ(Indices(up), Indices(page));
    }
    const ImgHandle h = ImgFromBitmap(five);
    EXPECT_EQ(ImgIncreaseColors(h, 8), 0u);
    EXPECT_EQ(ImgIncreaseColors(h, 16), 0u);
    ImgClose(h);
}

TEST_F(ReduceTest, Gamma) {
    const ImgHandle h = ImgFromBitmap(Grey24(4, 1, {0, 64, 128, 255}));
    // 200: 255 × √(64 / 255) = √16320 = 127.75 → 128; 128 → √32640 = 180.67 → 181.
    ASSERT_NE(ImgGamma(h, 200), 0);
    EXPECT_EQ(Pixels(Get(h)), (std::vector<uint32_t>{0x000000, 0x808080, 0xB5B5B5, 0xFFFFFF}));
    // 50 squares: 128 → 128² / 255 = 64.25 → 64; 181 → 128.48 → 128.
    ASSERT_NE(ImgGamma(h, 50), 0);
    EXPECT_EQ(Pixels(Get(h)), (std::vector<uint32_t>{0x000000, 0x404040, 0x808080, 0xFFFFFF}));
    ASSERT_NE(ImgGamma(h, 100), 0);
    EXPECT_EQ(Pixels(Get(h)), (std::vector<uint32_t>{0x000000, 0x404040, 0x808080, 0xFFFFFF}));
    EXPECT_EQ(ImgGamma(h, 0), 0);
    EXPECT_EQ(ImgGamma(h, 1001), 0);
    ImgClose(h);
    // Palette pictures change their palette, not their indices.
    const Bitmap idx = Indexed(2, 1, 8, {1, 0}, {{64, 0, 255, 0}, {0, 0, 0, 0}});
    const ImgHandle p = ImgFromBitmap(idx);
    ASSERT_NE(ImgGamma(p, 200), 0);
    const Bitmap out = Get(p);
    EXPECT_EQ(Indices(out), Indices(idx));
    EXPECT_EQ(out.palette()[0], (PaletteEntry{128, 0, 255, 0}));
    ImgClose(p);
}

}  // namespace
}  // namespace vimbra
