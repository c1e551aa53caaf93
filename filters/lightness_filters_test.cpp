#include "filters/lightness_filters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>

#include "core/hls.h"
#include "filters/local_lightness.h"

namespace vimbra {
namespace {

// 5x5 picture of `rest` with the centre pixel (B, G, R) = centre.
Bitmap Centre(RGB centre, int rest) {
    Bitmap b(5, 5, 24);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) {
            uint8_t* p = b.scanLine(y) + 3 * x;
            const bool mid = x == 2 && y == 2;
            p[0] = uint8_t(mid ? centre.b : rest);
            p[1] = uint8_t(mid ? centre.g : rest);
            p[2] = uint8_t(mid ? centre.r : rest);
        }
    return b;
}
Bitmap Centre(int centre, int rest) { return Centre(RGB{centre, centre, centre}, rest); }

RGB At(const Bitmap& b, int x = 2, int y = 2) {
    const uint8_t* p = b.scanLine(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

TEST(LocalLightness, LightnessMatchesTheFullConversion) {
    // Every (largest, smallest) pair, with the third byte at both ends and between.
    for (int mx = 0; mx < 256; ++mx)
        for (int mn = 0; mn <= mx; ++mn)
            for (int mid : {mn, (mn + mx) / 2, mx}) {
                ASSERT_EQ(HlsLightness(mx, mid, mn), RGBtoHLS(mx, mid, mn).L) << mx << " " << mn;
                ASSERT_EQ(HlsLightness(mn, mx, mid), RGBtoHLS(mn, mx, mid).L) << mx << " " << mn;
            }
    EXPECT_EQ(HlsLightness(128, 128, 128), 1807);
    EXPECT_EQ(HlsLightness(255, 0, 0), 1800);
}

TEST(LocalLightness, DivisionBy25IsExactOverAllSums) {
    for (uint32_t sum = 0; sum <= 25 * 255; ++sum) ASSERT_EQ(DivideBy25(sum), sum / 25) << sum;
}

TEST(LocalLightness, VisitsTheInnerRangeWithMeans) {
    // 6 x 5: columns 2..3 of row 2.
    Bitmap b(6, 5, 24);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) b.scanLine(y)[3 * x + 2] = uint8_t(x == 5 ? 250 : 0);
    std::atomic<int> visits{0};
    int mean3 = -1, mean2 = -1;
    ForEachLocalLightness(b, nullptr, [&](int y, int x, const LocalLightness& p) {
        ++visits;
        EXPECT_EQ(y, 2);
        if (x == 2) mean2 = p.mean[2];
        if (x == 3) {
            mean3 = p.mean[2];
            EXPECT_EQ(p.Lo, 0);
            EXPECT_EQ(p.Lm, 353);  // mean (0, 0, 50): (50 * 3600 + 255) div 510
        }
    });
    EXPECT_EQ(visits.load(), 2);
    EXPECT_EQ(mean2, 0);
    EXPECT_EQ(mean3, 50);  // five 250s of 25 samples
    Bitmap small(4, 9, 24);
    ForEachLocalLightness(small, nullptr, [&](int, int, const LocalLightness&) { ++visits; });
    EXPECT_EQ(visits.load(), 2);
}

// Centre 110 among 100s: mean 2510 div 25 = 100, Lo 1553, Lm 1412, step 141.
TEST(SharpGaussianBlur5x5, BlendsTowardsTheMeanBelowTheThreshold) {
    for (auto [threshold, blend, expected] :
         {std::tuple{142, 255, 100}, {142, 128, 105}, {141, 255, 110}, {255, 0, 110}}) {
        Bitmap b = Centre(110, 100);
        SharpGaussianBlur5x5Bitmap(b, threshold, blend);
        EXPECT_EQ(At(b), (RGB{expected, expected, expected})) << threshold << " " << blend;
    }
}

TEST(UnSharpGaussianBlur5x5, PushesLightnessAwayFromTheMean) {
    // Up: L 1553 + 2 * 141 = 1835 -> grey 1835 * 255 div 3600 = 129.
    Bitmap up = Centre(110, 100);
    UnSharpGaussianBlur5x5Bitmap(up, 140, 255);
    EXPECT_EQ(At(up), (RGB{129, 129, 129}));
    Bitmap still = Centre(110, 100);
    UnSharpGaussianBlur5x5Bitmap(still, 141, 255);
    EXPECT_EQ(At(still), (RGB{110, 110, 110}));
    // Down: centre 90, mean 99; Lo 1271, Lm 1398, d -127; 2 * 127 * 128 div 255 = 127;
    // L 1144 -> grey 81.
    Bitmap down = Centre(90, 100);
    UnSharpGaussianBlur5x5Bitmap(down, 126, 128);
    EXPECT_EQ(At(down), (RGB{81, 81, 81}));
    // The lightness stops at 3600 and at 0.
    Bitmap white = Centre(255, 0);
    UnSharpGaussianBlur5x5Bitmap(white, 0, 255);
    EXPECT_EQ(At(white), (RGB{255, 255, 255}));
    Bitmap black = Centre(0, 255);
    UnSharpGaussianBlur5x5Bitmap(black, 0, 255);
    EXPECT_EQ(At(black), (RGB{0, 0, 0}));
}

TEST(UnSharpGaussianBlur5x5, KeepsHueAndSaturationInStoredOrder) {
    // Stored B, G, R = 100, 100, 200 among greys 100: fed as (100, 100, 200) it has
    // L 2118, S 1714, H 2400; the mean (100, 100, 104) has L 1440, d 678.
    // Amount 255: L 3474, m2 3534, m1 3414 -> bytes 242, 242, 250.
    Bitmap b = Centre(RGB{200, 100, 100}, 100);
    UnSharpGaussianBlur5x5Bitmap(b, 677, 255);
    EXPECT_EQ(At(b), (RGB{250, 242, 242}));
    // Amount 0 rebuilds the same pixel.
    Bitmap same = Centre(RGB{200, 100, 100}, 100);
    UnSharpGaussianBlur5x5Bitmap(same, 0, 0);
    EXPECT_EQ(At(same), (RGB{200, 100, 100}));
}

// The plain definitions, pixel by pixel, on a copy.
Bitmap ReferenceFilter(const Bitmap& src, bool unsharp, int threshold, int amount) {
    Bitmap out = src;
    const int w = src.width(), h = src.height();
    for (int y = 2; y < h - 2; ++y)
        for (int x = 2; x < w - 2; ++x) {
            int mean[3];
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = -2; dy <= 2; ++dy)
                    for (int dx = -2; dx <= 2; ++dx) sum += src.scanLine(y + dy)[3 * (x + dx) + c];
                mean[c] = sum / 25;
            }
            const uint8_t* o = src.scanLine(y) + 3 * x;
            uint8_t* t = out.scanLine(y) + 3 * x;
            const HLS ho = RGBtoHLS(o[0], o[1], o[2]);
            const int d = ho.L - RGBtoHLS(mean[0], mean[1], mean[2]).L;
            if (!unsharp) {
                if (std::abs(d) < threshold)
                    for (int c = 0; c < 3; ++c) t[c] = uint8_t(std::clamp(o[c] + (mean[c] - o[c]) * amount / 255, 0, 255));
            } else if (std::abs(d) > threshold) {
                const int step = 2 * std::abs(d) * amount / 255;
                const RGB rgb = HLStoRGB(ho.H, d > 0 ? std::min(ho.L + step, 3600) : std::max(ho.L - step, 0), ho.S);
                t[0] = uint8_t(std::clamp(rgb.r, 0, 255));
                t[1] = uint8_t(std::clamp(rgb.g, 0, 255));
                t[2] = uint8_t(std::clamp(rgb.b, 0, 255));
            }
        }
    return out;
}

Bitmap Noise(int w, int h, int range, unsigned seed) {
    std::mt19937 rng(seed);
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < 3 * w; ++i) b.scanLine(y)[i] = uint8_t(rng() % unsigned(range));
    return b;
}

TEST(LightnessFilters, MatchThePlainDefinitionOnRandomPictures) {
    const std::pair<int, int> sizes[] = {{1, 1}, {1, 9}, {9, 1}, {4, 4}, {5, 5}, {6, 7}, {37, 23}};
    // Blends outside 0..255 are not offered, but still follow the formula.
    const std::pair<int, int> settings[] = {{0, 0}, {240, 64}, {95, 240}, {3600, 255}, {239, 96}, {400, 300}, {400, -40}};
    unsigned seed = 5;
    for (auto [w, h] : sizes)
        for (int range : {256, 40})
            for (auto [threshold, amount] : settings) {
                const Bitmap src = Noise(w, h, range, seed++);
                Bitmap clean = src, sharp = src;
                SharpGaussianBlur5x5Bitmap(clean, threshold, amount);
                EXPECT_EQ(clean, ReferenceFilter(src, false, threshold, amount)) << w << "x" << h << " " << threshold << " " << amount;
                if (amount < 0) continue;
                UnSharpGaussianBlur5x5Bitmap(sharp, threshold / 16, amount);
                EXPECT_EQ(sharp, ReferenceFilter(src, true, threshold / 16, amount)) << w << "x" << h << " " << threshold << " " << amount;
            }
}

TEST(LightnessFilters, LargePicturesSplitOverThreadsMatchToo) {
    const Bitmap src = Noise(601, 440, 256, 11);
    Bitmap clean = src, sharp = src;
    SharpGaussianBlur5x5Bitmap(clean, 900, 128);
    EXPECT_EQ(clean, ReferenceFilter(src, false, 900, 128));
    UnSharpGaussianBlur5x5Bitmap(sharp, 300, 48);
    EXPECT_EQ(sharp, ReferenceFilter(src, true, 300, 48));
}

TEST(LightnessFilters, RingAndSmallPicturesStayUnchanged) {
    Bitmap b = Centre(110, 100);
    b.scanLine(1)[3] = 0;  // a dark pixel in the ring
    const Bitmap before = b;
    SharpGaussianBlur5x5Bitmap(b, 3600, 255);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            if (x != 2 || y != 2) {
                EXPECT_EQ(At(b, x, y), At(before, x, y));
            }
    for (auto [w, h] : {std::pair{1, 1}, {4, 4}, {1, 9}, {9, 1}}) {
        Bitmap s(w, h, 24);
        s.scanLine(0)[0] = 200;
        const Bitmap orig = s;
        SharpGaussianBlur5x5Bitmap(s, 3600, 255);
        UnSharpGaussianBlur5x5Bitmap(s, 0, 255);
        EXPECT_EQ(s, orig);
    }
}

}  // namespace
}  // namespace vimbra
