#include "filters/lightness_filters.h"

#include <gtest/gtest.h>

#include <atomic>

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
    for (int a = 0; a < 256; a += 3)
        for (int b = 0; b < 256; b += 2)
            for (int c = 0; c < 256; ++c) ASSERT_EQ(HlsLightness(a, b, c), RGBtoHLS(a, b, c).L);
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
