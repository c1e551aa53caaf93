#include "core/hls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace vimbra {
namespace {

// Straightforward transcription of the conversion with plain divisions, used as
// an oracle for the optimised version over every colour.
HLS ReferenceRGBtoHLS(int r, int g, int b) {
    int mx = std::max({r, g, b}), mn = std::min({r, g, b}), sum = mx + mn;
    HLS o;
    o.L = (sum * 3600 + 255) / 510;
    if (mx == mn) return {2400, o.L, 0};
    int d = mx - mn;
    o.S = o.L <= 1800 ? (d * 3600 + sum / 2) / sum : (d * 3600 + (510 - sum) / 2) / (510 - sum);
    int h2 = d / 2;
    int Rd = (h2 + (mx - r) * 600) / d, Gd = (h2 + (mx - g) * 600) / d,
        Bd = (h2 + (mx - b) * 600) / d;
    int H = r == mx ? Bd - Gd : g == mx ? 1200 + Rd - Bd : 2400 + Gd - Rd;
    if (H < 0) H += 3600;
    if (H > 3600) H -= 3600;
    o.H = H;
    return o;
}

TEST(Hls, PrimariesAndGreys) {
    EXPECT_EQ(RGBtoHLS(0, 0, 0), (HLS{2400, 0, 0}));
    EXPECT_EQ(RGBtoHLS(255, 255, 255), (HLS{2400, 3600, 0}));
    EXPECT_EQ(RGBtoHLS(128, 128, 128).L, 1807);  // (256*3600+255) div 510
    EXPECT_EQ(RGBtoHLS(255, 0, 0), (HLS{0, 1800, 3600}));
    EXPECT_EQ(RGBtoHLS(0, 255, 0).H, 1200);
    EXPECT_EQ(RGBtoHLS(0, 0, 255).H, 2400);
    // Red and green both largest: the red formula wins.
    EXPECT_EQ(RGBtoHLS(255, 255, 0).H, 600);
    // Magenta: red formula, H = Bd - Gd = 0 - 600 -> 3000.
    EXPECT_EQ(RGBtoHLS(255, 0, 255).H, 3000);
}

TEST(Hls, HandComputedMixedColour) {
    // (200, 100, 50): sum 250, L = (900000+255) div 510 = 1765; d 150;
    // S = (540000+125) div 250 = 2160; h2 75; Gd = (75+60000) div 150 = 400,
    // Bd = (75+90000) div 150 = 600; H = 600 - 400 = 200.
    EXPECT_EQ(RGBtoHLS(200, 100, 50), (HLS{200, 1765, 2160}));
    // Lightness above 1800: (250, 200, 230): sum 450, L = 3176;
    // S = (50*3600 + 30) div 60 = 3000; Gd = (25+30000) div 50 = 600,
    // Bd = (25+12000) div 50 = 240; H = 240 - 600 + 3600 = 3240.
    EXPECT_EQ(RGBtoHLS(250, 200, 230), (HLS{3240, 3176, 3000}));
}

TEST(Hls, BackToRgb) {
    EXPECT_EQ(HLStoRGB(0, 1800, 3600), (RGB{255, 0, 0}));
    EXPECT_EQ(HLStoRGB(1200, 1800, 3600), (RGB{0, 255, 0}));
    EXPECT_EQ(HLStoRGB(2400, 1800, 3600), (RGB{0, 0, 255}));
    for (int L : {0, 1, 1800, 1807, 3599, 3600})
        for (int H : {0, 1234, 2400}) {
            int grey = L * 255 / 3600;
            EXPECT_EQ(HLStoRGB(H, L, 0), (RGB{grey, grey, grey}));
        }
}

TEST(Hls, MatchesPlainDivisionForEveryColourAndRoundTripsWithinOne) {
    int worst = 0;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                const HLS h = RGBtoHLS(r, g, b);
                ASSERT_EQ(h, ReferenceRGBtoHLS(r, g, b)) << r << "," << g << "," << b;
                const RGB back = HLStoRGB(h.H, h.L, h.S);
                worst = std::max({worst, std::abs(back.r - r), std::abs(back.g - g),
                                  std::abs(back.b - b)});
            }
    EXPECT_LE(worst, 1);
}

}  // namespace
}  // namespace vimbra
