// Mosaic blocks and border bands, with the means worked out by hand.
#include "filters/tile_border.h"

#include <gtest/gtest.h>

#include <array>

namespace vimbra {
namespace {

using Bgr = std::array<int, 3>;

Bgr At(const Bitmap& b, int x, int y) {
    const uint8_t* p = b.scanLine(y) + 3 * x;
    return {p[0], p[1], p[2]};
}

// Blue = fx(x), green = fy(y), red 0.
template <class FX, class FY>
Bitmap Ramp(int w, int h, FX fx, FY fy) {
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            b.scanLine(y)[3 * x] = uint8_t(fx(x));
            b.scanLine(y)[3 * x + 1] = uint8_t(fy(y));
        }
    return b;
}

TEST(Tile, EdgeBlocksBorrowFromTheLeftAndRepeatTheLastRow) {
    Bitmap b = Ramp(20, 20, [](int x) { return x; }, [](int y) { return y; });
    TileBitmap(b, 16);
    // Top-left: 0..15 averages 7.5, truncated.
    for (auto [x, y] : {std::pair{0, 0}, {15, 15}, {7, 3}}) EXPECT_EQ(At(b, x, y), (Bgr{7, 7, 0}));
    // Right: columns 16..19 and, for the twelve samples past the edge,
    // columns 12 down to 1: (70 + 78) × 16 / 256 = 9.25.
    for (auto [x, y] : {std::pair{16, 0}, {19, 15}}) EXPECT_EQ(At(b, x, y), (Bgr{9, 7, 0}));
    // Bottom: rows 16..19 and twelve times row 19: 298 × 16 / 256 = 18.625.
    for (auto [x, y] : {std::pair{0, 16}, {15, 19}}) EXPECT_EQ(At(b, x, y), (Bgr{7, 18, 0}));
    EXPECT_EQ(At(b, 19, 19), (Bgr{9, 18, 0}));
}

TEST(Tile, PictureNarrowerThanATileTakesColumnZero) {
    // 5 × 3, tile 8: samples past column 4 fall left of column 0 and take it.
    Bitmap b = Ramp(5, 3, [](int x) { return 10 * x; }, [](int y) { return 50 * y; });
    TileBitmap(b, 8);
    // Blue: (0+10+20+30+40) × 8 rows / 64 = 12.5; green: (0+50+100+5×100) × 8 / 64 = 81.25.
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(At(b, x, y), (Bgr{12, 81, 0})) << x << "," << y;
}

TEST(Tile, TinyPictures) {
    Bitmap one(1, 1, 24);
    one.scanLine(0)[0] = 50, one.scanLine(0)[1] = 100, one.scanLine(0)[2] = 200;
    TileBitmap(one, 2);
    EXPECT_EQ(At(one, 0, 0), (Bgr{50, 100, 200}));

    Bitmap two = Ramp(2, 2, [](int x) { return 10 + 10 * x; }, [](int) { return 255; });
    two.scanLine(1)[0] = 30, two.scanLine(1)[3] = 40;  // blue 10 20 / 30 40
    TileBitmap(two, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) EXPECT_EQ(At(two, x, y), (Bgr{25, 255, 0}));

    // 1 × 5 column, tile 2: rows (0,1), (2,3), (4,4); columns 0 and 0.
    Bitmap column = Ramp(1, 5, [](int) { return 0; }, [](int y) { return 10 * y; });
    TileBitmap(column, 2);
    const int want[5] = {5, 5, 25, 25, 40};
    for (int y = 0; y < 5; ++y) EXPECT_EQ(At(column, 0, y)[1], want[y]) << y;

    // Tile sizes below 2 change nothing.
    Bitmap same = Ramp(3, 3, [](int x) { return x; }, [](int y) { return y; });
    const Bitmap before = same;
    TileBitmap(same, 1);
    EXPECT_EQ(same, before);
}

TEST(Border, BandsOnAllFourSides) {
    Bitmap b(6, 4, 24);
    MergeBorderBitmap(b, 0x0000FF, 1, 1);  // red
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool band = x == 0 || x == 5 || y == 0 || y == 3;
            EXPECT_EQ(At(b, x, y), band ? (Bgr{0, 0, 255}) : (Bgr{0, 0, 0})) << x << "," << y;
        }

    Bitmap sides(6, 4, 24);
    MergeBorderBitmap(sides, 0x00FF0000, 2, 0);  // blue, left and right only
    for (int x = 0; x < 6; ++x) EXPECT_EQ(At(sides, x, 2)[0], (x < 2 || x > 3) ? 255 : 0) << x;

    // Bands wider than the picture cover it.
    Bitmap all(6, 4, 24);
    MergeBorderBitmap(all, 0x00102030, 239, 239);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(At(all, x, y), (Bgr{0x10, 0x20, 0x30}));
}

TEST(Border, TopAndBottomOnly) {
    Bitmap b(6, 4, 24);
    MergeBorderTopBotBitmap(b, 0x00FFFFFF, 1, 2);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(At(b, x, y)[1], y == 1 ? 0 : 255) << x << "," << y;
}

TEST(Border, ColourValues) {
    EXPECT_EQ(BorderColourRgb(kWindowColourCode), 0x00FFFFFFu);
    EXPECT_EQ(BorderColourRgb(kWindowColourCode, 0x00C0C0C0), 0x00C0C0C0u);
    EXPECT_EQ(BorderColourRgb(255), 0x000000FFu);
    EXPECT_EQ(BorderColourRgb(0x12345678), 0x00345678u);
}

}  // namespace
}  // namespace vimbra
