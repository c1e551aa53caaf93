#include "filters/defog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "core/hls.h"

namespace vimbra {
namespace {

Bitmap Pixel(int r, int g, int b) {
    Bitmap p(1, 1, 24);
    p.scanLine(0)[0] = uint8_t(b), p.scanLine(0)[1] = uint8_t(g), p.scanLine(0)[2] = uint8_t(r);
    return p;
}

RGB At(const Bitmap& b) { return {b.scanLine(0)[2], b.scanLine(0)[1], b.scanLine(0)[0]}; }

TEST(DoDefog, WhiteAndBlackStay) {
    Bitmap w = Pixel(255, 255, 255), k = Pixel(0, 0, 0);
    DoDefogBitmap(w, 255, 255);
    DoDefogBitmap(k, 255, 255);
    EXPECT_EQ(At(w), (RGB{255, 255, 255}));
    EXPECT_EQ(At(k), (RGB{0, 0, 0}));
}

TEST(DoDefog, GreyLosesAShareOfItself) {
    // q = 3 x 155^2 = 72075; k = (100 q div 195075) = 36, scaled by strength/255.
    for (auto [strength, expected] : {std::pair{255, 64}, {128, 82}, {0, 100}}) {
        Bitmap g = Pixel(100, 100, 100);
        DoDefogBitmap(g, strength, 255);
        EXPECT_EQ(At(g), (RGB{expected, expected, expected})) << strength;
    }
}

TEST(DoDefog, ColourGainsSaturationThenLosesGrey) {
    // (200, 100, 100): q 51075, H 0, L 2118, S 1714; S' = 1714 + 448 = 2162
    // -> (213, 87, 87); k = 87 q div 195075 = 22.
    Bitmap c = Pixel(200, 100, 100);
    DoDefogBitmap(c, 255, 128);
    EXPECT_EQ(At(c), (RGB{191, 65, 65}));
    Bitmap same = Pixel(200, 100, 100);
    DoDefogBitmap(same, 0, 0);
    EXPECT_EQ(At(same), (RGB{200, 100, 100}));
}

// The plain formula, pixel by pixel.
Bitmap ReferenceDefog(const Bitmap& src, int strength, int amount) {
    Bitmap out = src;
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x) {
            uint8_t* p = out.scanLine(y) + 3 * x;
            const int B = p[0], G = p[1], R = p[2];
            const int q = (255 - R) * (255 - R) + (255 - G) * (255 - G) + (255 - B) * (255 - B);
            const HLS hls = RGBtoHLS(R, G, B);
            int S = hls.S + hls.S * q / 195075 * amount / 128;
            S = std::clamp(S, 0, 3599);
            const RGB c = HLStoRGB(hls.H, hls.L, S);
            const int r = std::clamp(c.r, 0, 255), g = std::clamp(c.g, 0, 255), b = std::clamp(c.b, 0, 255);
            const int k = std::min({r, g, b}) * q / 195075 * strength / 255;
            p[0] = uint8_t(std::clamp(b - k, 0, 255));
            p[1] = uint8_t(std::clamp(g - k, 0, 255));
            p[2] = uint8_t(std::clamp(r - k, 0, 255));
        }
    return out;
}

// Random colours from a palette of `colours` entries: a small palette repeats
// colours as flat areas do.
Bitmap Noise(int w, int h, int colours, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint32_t> palette(static_cast<size_t>(colours));
    for (uint32_t& c : palette) c = rng();
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t c = palette[rng() % palette.size()];
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = uint8_t(c), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c >> 16);
        }
    return b;
}

TEST(DoDefog, MatchesThePlainFormulaOnRandomPictures) {
    const std::pair<int, int> sizes[] = {{1, 1}, {1, 9}, {9, 1}, {4, 4}, {5, 5}, {37, 23}};
    const std::pair<int, int> settings[] = {{255, 64}, {0, 0}, {128, 255}, {255, 255}, {1, 1}};
    unsigned seed = 9;
    for (auto [w, h] : sizes)
        for (int colours : {4096, 7})
            for (auto [strength, amount] : settings) {
                const Bitmap src = Noise(w, h, colours, seed++);
                Bitmap b = src;
                DoDefogBitmap(b, strength, amount);
                EXPECT_EQ(b, ReferenceDefog(src, strength, amount)) << w << "x" << h << " " << strength << " " << amount;
            }
}

TEST(DoDefog, LargePicturesSplitOverThreadsMatchToo) {
    // Enough pixels for several threads, and more colours than are remembered.
    for (int colours : {1 << 16, 300}) {
        const Bitmap src = Noise(640, 420, colours, unsigned(colours));
        Bitmap b = src;
        DoDefogBitmap(b, 200, 100);
        EXPECT_EQ(b, ReferenceDefog(src, 200, 100)) << colours;
    }
}

}  // namespace
}  // namespace vimbra
