#include "core/color_adjust.h"

#include <gtest/gtest.h>

namespace vimbra {
namespace {

Bitmap Solid(int w, int h, RGB c) {
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = uint8_t(c.b), p[1] = uint8_t(c.g), p[2] = uint8_t(c.r);
        }
    return b;
}

RGB At(const Bitmap& b, int x, int y) {
    const uint8_t* p = b.scanLine(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

RGB Tuned(RGB c, int hue, int light, int sat) {
    Bitmap b = Solid(1, 1, c);
    TuneHLSBitmap(b, hue, light, sat);
    return At(b, 0, 0);
}

TEST(ColorTuneHLS, HandComputedShifts) {
    // Red is H 0, L 1800, S 3600. Hue -200 wraps to 3400: m1 0, m2 3600; red
    // x = 4600 -> 1000 gives 255, green x = 3400 gives 0, blue x = 2200 gives
    // (3600*200+300) div 600 = 1200 -> (1200*255+1800) div 3600 = 85.
    EXPECT_EQ(Tuned({255, 0, 0}, -200, 0, 0), (RGB{255, 0, 85}));
    EXPECT_EQ(RGBtoHLS(255, 0, 85).H, 3400);
    // The other way round, H 200: green gets the 85.
    EXPECT_EQ(Tuned({255, 0, 0}, 200, 0, 0), (RGB{255, 85, 0}));
    // Magenta H 3000 + 999 = 3999 wraps to 399: green x = 399 gives
    // (3600*399+300) div 600 = 2394 -> (2394*255+1800) div 3600 = 170.
    EXPECT_EQ(Tuned({255, 0, 255}, 999, 0, 0), (RGB{255, 170, 0}));
    // Grey 100: L = (200*3600+255) div 510 = 1412; +999 -> 2411 -> 2411*255 div 3600 = 170.
    EXPECT_EQ(Tuned({100, 100, 100}, 0, 999, 0), (RGB{170, 170, 170}));
    // Full saturation on that grey takes the grey hue 2400 (blue): m2 =
    // (1412*7200+1800) div 3600 = 2824, m1 = 0 -> blue (2824*255+1800) div 3600 = 200.
    EXPECT_EQ(Tuned({100, 100, 100}, 0, 0, 3600), (RGB{0, 0, 200}));
}

TEST(ColorTuneHLS, GreysAndLimits) {
    // No saturation to turn: any hue shift leaves a grey grey while S stays 0.
    EXPECT_EQ(Tuned({100, 100, 100}, 500, 0, 0), (RGB{100, 100, 100}));
    EXPECT_EQ(Tuned({100, 100, 100}, -999, 0, -999), (RGB{100, 100, 100}));
    // Lightness and saturation stop at the ends of 0..3600.
    EXPECT_EQ(Tuned({255, 255, 255}, 0, 999, 0), (RGB{255, 255, 255}));
    EXPECT_EQ(Tuned({0, 0, 0}, 0, -999, 0), (RGB{0, 0, 0}));
    EXPECT_EQ(Tuned({255, 0, 0}, 0, 0, -3600), (RGB{127, 127, 127}));  // 1800*255 div 3600
    EXPECT_EQ(Tuned({255, 0, 0}, 0, 0, 999), (RGB{255, 0, 0}));
    // Shifts from outside the dialog's range stay well defined: five turns less
    // 200 is -200, and any huge lightness is white.
    EXPECT_EQ(Tuned({255, 0, 0}, 5 * 3600 - 200, 0, 0), (RGB{255, 0, 85}));
    EXPECT_EQ(Tuned({255, 0, 0}, INT32_MIN, INT32_MAX, INT32_MIN), (RGB{255, 255, 255}));
    // All zero shifts is the round trip, which may move a channel by one.
    EXPECT_EQ(Tuned({255, 0, 0}, 0, 0, 0), (RGB{255, 0, 0}));
}

// The fused pass must agree with the two reference conversions everywhere; the
// lattice is large enough for the rows to be split across threads.
TEST(ColorTuneHLS, MatchesConversionPairOnColourLattice) {
    const int shifts[][3] = {{0, 0, 0}, {-200, 150, 400}, {999, -999, 3600}, {-999, 999, -3600},
                             {1, -1, 1}, {3600 - 1, 0, -1}};
    std::vector<int> levels;
    for (int v = 0; v < 256; v += 4) levels.push_back(v);
    for (int v : {1, 2, 127, 129, 253, 254, 255}) levels.push_back(v);
    Bitmap b(int(levels.size()), int(levels.size() * levels.size()), 24);
    for (const auto& s : shifts) {
        for (size_t i = 0; i < levels.size(); ++i)
            for (size_t j = 0; j < levels.size(); ++j)
                for (size_t k = 0; k < levels.size(); ++k) {
                    uint8_t* p = b.scanLine(int(i * levels.size() + j)) + 3 * k;
                    p[2] = uint8_t(levels[i]), p[1] = uint8_t(levels[j]), p[0] = uint8_t(levels[k]);
                }
        TuneHLSBitmap(b, s[0], s[1], s[2]);
        for (size_t i = 0; i < levels.size(); ++i)
            for (size_t j = 0; j < levels.size(); ++j)
                for (size_t k = 0; k < levels.size(); ++k) {
                    const HLS h = RGBtoHLS(levels[i], levels[j], levels[k]);
                    int H = h.H + s[0];
                    if (H < 0) H += 3600;
                    if (H > 3600) H -= 3600;
                    RGB want = HLStoRGB(H, std::clamp(h.L + s[1], 0, 3600),
                                        std::clamp(h.S + s[2], 0, 3600));
                    want = {std::min(want.r, 255), std::min(want.g, 255), std::min(want.b, 255)};
                    ASSERT_EQ(At(b, int(k), int(i * levels.size() + j)), want)
                        << levels[i] << "," << levels[j] << "," << levels[k] << " shift " << s[0]
                        << "," << s[1] << "," << s[2];
                }
    }
}

TEST(ColorTuneHLS, PreviewLeavesWorkingPictureAlone) {
    FrameHost host;
    Workspace ws(host);
    ws.setImage(Solid(2, 2, {255, 0, 0}));
    Bitmap preview = Solid(2, 1, {255, 0, 0});
    EXPECT_TRUE(ColorTuneHLS(ws, PassTarget::preview(preview), -200, 0, 0));
    EXPECT_EQ(At(preview, 1, 0), (RGB{255, 0, 85}));
    EXPECT_EQ(At(ws.Image, 0, 0), (RGB{255, 0, 0}));
    EXPECT_TRUE(ws.UndoBitmap.isEmpty());
    EXPECT_FALSE(ws.Modified);
}

TEST(ColorTuneHLS, WorkingPictureGoesThroughWarningSnapshotAndDepth) {
    FrameHost host;
    Workspace ws(host);
    Bitmap grey(3, 2, 8);
    grey.palette().assign(256, PaletteEntry{255, 0, 0, 0});  // every index is red
    ws.setImage(grey);
    ASSERT_TRUE(ColorTuneHLS(ws, PassTarget::mainPicture(ws), -200, 0, 0));
    EXPECT_EQ(ws.ImageBitDepth, 24);
    EXPECT_EQ(At(ws.Image, 2, 1), (RGB{255, 0, 85}));
    EXPECT_EQ(ws.UndoBitmap, grey);
    EXPECT_TRUE(ws.Modified);

    // A No to the 256-colour warning abandons before anything changes.
    ws.setImage(Solid(1, 1, {255, 0, 0}));
    ws.DisplayBitDepth = 8;
    host.defaultAnswer = Answer::No;
    EXPECT_FALSE(ColorTuneHLS(ws, PassTarget::mainPicture(ws), -200, 0, 0));
    EXPECT_EQ(At(ws.Image, 0, 0), (RGB{255, 0, 0}));
    EXPECT_FALSE(ws.Modified);
}

TEST(ColorLowRes, MasksKeepTopBits) {
    const uint8_t want[] = {0xFE, 0xFE, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE, 0xFE};
    for (int bits = 0; bits <= 8; ++bits) EXPECT_EQ(LowResMask(bits), want[bits]) << bits;
    EXPECT_EQ(LowResMask(-1), 0xFE);

    Workspace ws;
    Bitmap b = Solid(3, 2, {255, 130, 63});
    LowRes(ws, PassTarget::preview(b), 2);  // four levels: 0, 64, 128, 192
    EXPECT_EQ(At(b, 2, 1), (RGB{192, 128, 0}));
    b = Solid(1, 1, {255, 131, 1});
    LowRes(ws, PassTarget::preview(b), 7);
    EXPECT_EQ(At(b, 0, 0), (RGB{254, 130, 0}));
}

TEST(ColorRGBMax, TakesLargestChannel) {
    Bitmap b = Solid(2, 2, {10, 200, 30});
    RGBMaxBitmap(b);
    EXPECT_EQ(At(b, 1, 1), (RGB{200, 200, 200}));
    Bitmap grey = Solid(2, 2, {77, 77, 77});
    const Bitmap before = grey;
    RGBMaxBitmap(grey);
    EXPECT_EQ(grey, before);
}

TEST(ColorNegative, TwiceRestoresEveryPixelAndLeavesPadding) {
    // Width 5: 15 bytes of pixels, one byte of row padding.
    Bitmap b(5, 3, 24);
    for (int y = 0; y < 3; ++y)
        for (int i = 0; i < 15; ++i) b.scanLine(y)[i] = uint8_t(y * 40 + i * 17);
    const Bitmap original = b;
    NegativeBitmap(b);
    EXPECT_EQ(b.scanLine(2)[14], 255 - uint8_t(80 + 14 * 17));  // last row, last column
    EXPECT_EQ(b.scanLine(0)[0], 255);
    EXPECT_EQ(b.scanLine(2)[15], 0);  // padding untouched
    NegativeBitmap(b);
    EXPECT_EQ(b, original);
}

TEST(ColorWhiteBalance, OffsetsFromColourBase) {
    // Base (255, 255, 127), match 0: blue gets 127*128 div 255 = 63, red and green 0.
    EXPECT_EQ(WhiteBalanceOffset(0, 255), 0);
    EXPECT_EQ(WhiteBalanceOffset(0, 127), 63);
    EXPECT_EQ(WhiteBalanceOffset(-127, 0), 0);
    EXPECT_EQ(WhiteBalanceOffset(127, 0), 254);
    EXPECT_EQ(UnpackColor(255 + 256 * 255 + 65536 * 127), (RGB{255, 255, 127}));
}

TEST(ColorWhiteBalance, PreviewBuildsCurvesFromBase) {
    Workspace ws;
    Bitmap b = Solid(1, 1, {10, 20, 100});
    WhiteBalancePreview(ws, PassTarget::preview(b), 0, {255, 255, 127});
    EXPECT_EQ(ws.EffectValue1, 0);
    EXPECT_EQ(ws.EffectValue2, 0);
    EXPECT_EQ(ws.EffectValue3, 63);
    // Brightness 63: f = 190*100 div 127 = 149, so blue 100 -> 149.
    EXPECT_EQ(At(b, 0, 0), (RGB{10, 20, 149}));
    // A white base or the lowest match changes nothing.
    b = Solid(1, 1, {10, 20, 100});
    WhiteBalancePreview(ws, PassTarget::preview(b), 50, {255, 255, 255});
    WhiteBalancePreview(ws, PassTarget::preview(b), -127, {0, 30, 60});
    EXPECT_EQ(At(b, 0, 0), (RGB{10, 20, 100}));
}

}  // namespace
}  // namespace vimbra
