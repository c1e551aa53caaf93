#include "desktop/clip_regions.h"

#include <gtest/gtest.h>

namespace vimbra {
namespace {

// A 24-bit picture whose pixel (x, y) is blue x, green y, red 7.
Bitmap Numbered(int w, int h) {
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = uint8_t(x);
            p[1] = uint8_t(y);
            p[2] = 7;
        }
    return b;
}

TEST(ClipSelection, OrdersAndLimits) {
    EXPECT_EQ(ClipSelection({5, 6, 2, 1}, 10, 10), (SelRect{2, 1, 5, 6}));
    EXPECT_EQ(ClipSelection({-3, -4, 50, 60}, 10, 8), (SelRect{0, 0, 10, 8}));
    EXPECT_TRUE(ClipSelection({12, 0, 20, 5}, 10, 8).isEmpty());
}

TEST(ViewportRegion, ScrollPositionsGoThroughTheZoom) {
    // 1:1: the client rectangle, cut at the picture's right edge.
    EXPECT_EQ(ViewportRegion(30, 40, 100, 50, 120, 200, 120, 200), (SelRect{30, 40, 120, 90}));
    // 200 %: display 240 x 400 of a 120 x 200 picture; scroll (30, 40) is picture (15, 20),
    // the far corner (130, 90) is picture (65, 45).
    EXPECT_EQ(ViewportRegion(30, 40, 100, 50, 240, 400, 120, 200), (SelRect{15, 20, 65, 45}));
    // Fit to a 60 x 100 view: the whole picture.
    EXPECT_EQ(ViewportRegion(0, 0, 60, 100, 60, 100, 120, 200), (SelRect{0, 0, 120, 200}));
    // 300 %: (10, 10, 110, 40) -> left 10 / 3 = 3, right ceil(110 / 3) = 37, bottom ceil(40 / 3) = 14.
    EXPECT_EQ(ViewportRegion(10, 10, 100, 30, 360, 600, 120, 200), (SelRect{3, 3, 37, 14}));
    EXPECT_EQ(ViewportRegion(0, 0, 10, 10, 0, 0, 120, 200), (SelRect{}));
}

TEST(CopyRegion, ExclusiveEdgesAndPaletteDepths) {
    const Bitmap b = Numbered(10, 8);
    const Bitmap c = CopyRegion(b, {2, 3, 5, 7});
    ASSERT_EQ(c.width(), 3);
    ASSERT_EQ(c.height(), 4);
    EXPECT_EQ(c.scanLine(0)[0], 2);      // x 2
    EXPECT_EQ(c.scanLine(0)[1], 3);      // y 3
    EXPECT_EQ(c.scanLine(3)[3 * 2], 4);  // last column is x 4, not 5
    EXPECT_EQ(c.scanLine(3)[3 * 2 + 1], 6);
    EXPECT_TRUE(CopyRegion(b, {4, 4, 4, 9}).isEmpty());

    Bitmap pal(4, 1, 8);
    pal.palette()[3] = PaletteEntry{200, 100, 50, 0};
    pal.scanLine(0)[1] = 3;
    const Bitmap p = CopyRegion(pal, {1, 0, 2, 1});
    ASSERT_EQ(p.depth(), 24);
    EXPECT_EQ(p.scanLine(0)[0], 50);   // blue
    EXPECT_EQ(p.scanLine(0)[2], 200);  // red
}

TEST(PasteIntoSelection, LargerSourceGivesItsTopLeftPart) {
    Bitmap target(6, 6, 24);
    const Bitmap source = Numbered(10, 10);
    ASSERT_TRUE(PasteIntoSelection(target, {2, 1, 5, 3}, source));
    // Selection 3 x 2 at (2, 1) gets source (0..2, 0..1) one to one.
    EXPECT_EQ(target.scanLine(1)[3 * 2], 0);
    EXPECT_EQ(target.scanLine(1)[3 * 4], 2);
    EXPECT_EQ(target.scanLine(2)[3 * 4 + 1], 1);
    EXPECT_EQ(target.scanLine(2)[3 * 4 + 2], 7);
    // Outside the selection nothing changed: column 5 and row 3 stay black.
    EXPECT_EQ(target.scanLine(1)[3 * 5 + 2], 0);
    EXPECT_EQ(target.scanLine(3)[3 * 2 + 2], 0);
    EXPECT_EQ(target.scanLine(0)[3 * 2 + 2], 0);
}

TEST(PasteIntoSelection, SmallerSourceIsStretched) {
    Bitmap target(4, 4, 24);
    ASSERT_TRUE(PasteIntoSelection(target, {0, 0, 4, 2}, Numbered(2, 1)));
    // Columns 0, 1 from source x 0; columns 2, 3 from x 1.
    EXPECT_EQ(target.scanLine(0)[3 * 1], 0);
    EXPECT_EQ(target.scanLine(1)[3 * 2], 1);
    EXPECT_EQ(target.scanLine(1)[3 * 3 + 2], 7);
    EXPECT_EQ(target.scanLine(2)[3 * 3 + 2], 0);
    EXPECT_FALSE(PasteIntoSelection(target, {5, 5, 9, 9}, Numbered(2, 1)));
    EXPECT_FALSE(PasteIntoSelection(target, {0, 0, 2, 2}, Bitmap()));
}

}  // namespace
}  // namespace vimbra
