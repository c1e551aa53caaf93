#include "filters/defog.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vimbra
