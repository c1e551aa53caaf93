// Size arithmetic, crop, trim and the selection rectangles, with values
// worked out by hand.
#include "filters/geometry.h"

#include <gtest/gtest.h>

#include "imagefiles/pixel_convert.h"

namespace vimbra {
namespace {

TEST(Geometry, FitIntoBoxDoublesSmallPicturesThenTouchesTheBox) {
    // No doubling: already as large as the box.
    EXPECT_EQ(FitIntoBox({1600, 1200}, {800, 800}), (PictureSize{800, 600}));
    // 400 × 300 doubles once to 800 × 600 and fills an 800 × 600 area.
    EXPECT_EQ(FitIntoBox({400, 300}, {800, 600}), (PictureSize{800, 600}));
    // 100 × 50 doubles to 800 × 400, then 300 × (400 × 300 / 800).
    EXPECT_EQ(FitIntoBox({100, 50}, {300, 300}), (PictureSize{300, 150}));
    // Upright: 50 × 100 doubles to 400 × 800, then (400 × 200 / 800) × 200.
    EXPECT_EQ(FitIntoBox({50, 100}, {300, 200}), (PictureSize{100, 200}));
    // Square into a narrow box: 200 × 200 first, then cut down to the width.
    EXPECT_EQ(FitIntoBox({100, 100}, {50, 200}), (PictureSize{50, 50}));
    EXPECT_EQ(FitIntoBox({1, 1}, {16384, 16384}), (PictureSize{16384, 16384}));
    // 2 × 3 doubles to 8 × 12: 8 × 2 / 12 = 1.33 → 1. Halves go away from
    // zero: 3 × 5 / 6 = 2.5 → 3; 2000 × 1000 / 3000 → 667.
    EXPECT_EQ(FitIntoBox({2, 3}, {5, 2}), (PictureSize{1, 2}));
    EXPECT_EQ(FitIntoBox({6, 3}, {5, 3}), (PictureSize{5, 3}));
    EXPECT_EQ(FitIntoBox({3000, 2000}, {1000, 1000}), (PictureSize{1000, 667}));
}

TEST(Geometry, FitIntoBoxEndsOnEmptySizes) {
    EXPECT_EQ(FitIntoBox({0, 100}, {800, 600}), (PictureSize{0, 100}));
    EXPECT_EQ(FitIntoBox({100, 0}, {800, 600}), (PictureSize{100, 0}));
    EXPECT_EQ(FitIntoBox({100, 50}, {0, 0}), (PictureSize{100, 50}));
    EXPECT_EQ(FitIntoBox({100, 50}, {-5, 600}), (PictureSize{100, 50}));
}

TEST(Geometry, DownsampleOnlyShrinks) {
    EXPECT_EQ(DownsampleSize({1600, 1200}, 800, 800), (PictureSize{800, 600}));
    EXPECT_EQ(DownsampleSize({1200, 1600}, 800, 800), (PictureSize{600, 800}));
    EXPECT_EQ(DownsampleSize({3000, 2000}, 1000, 1000), (PictureSize{1000, 667}));
    // Inside the box already: the size stays.
    EXPECT_EQ(DownsampleSize({400, 300}, 800, 800), (PictureSize{400, 300}));
    EXPECT_EQ(DownsampleSize({1, 1}, 16384, 16384), (PictureSize{1, 1}));
}

TEST(Geometry, CropRectangleMustLieInsideWithArea) {
    EXPECT_TRUE(ValidCropRect({20, 20, 100, 100}, 120, 110));
    EXPECT_TRUE(ValidCropRect({0, 0, 120, 110}, 120, 110));
    EXPECT_TRUE(ValidCropRect({119, 109, 120, 110}, 120, 110));
    EXPECT_FALSE(ValidCropRect({50, 0, 10, 100}, 120, 110));  // right before left
    EXPECT_FALSE(ValidCropRect({0, 50, 100, 10}, 120, 110));  // bottom above top
    EXPECT_FALSE(ValidCropRect({10, 0, 10, 100}, 120, 110));  // no width
    EXPECT_FALSE(ValidCropRect({0, 0, 0, 0}, 120, 110));
    EXPECT_FALSE(ValidCropRect({0, 0, 121, 100}, 120, 110));
    EXPECT_FALSE(ValidCropRect({0, 0, 100, 111}, 120, 110));
    EXPECT_FALSE(ValidCropRect({-1, 0, 100, 100}, 120, 110));
    EXPECT_FALSE(ValidCropRect({0, -1, 100, 100}, 120, 110));
}

TEST(Geometry, ClampToPictureOrdersAndCuts) {
    EXPECT_EQ(ClampToPicture({30, 40, 10, 5}, 100, 100), (SelRect{10, 5, 30, 40}));
    EXPECT_EQ(ClampToPicture({-5, -5, 200, 50}, 100, 80), (SelRect{0, 0, 100, 50}));
    EXPECT_EQ(ClampToPicture({150, 0, 200, 50}, 100, 80), (SelRect{}));
    EXPECT_EQ(ClampToPicture({10, 10, 10, 50}, 100, 80), (SelRect{}));
}

TEST(Geometry, CropKeepsDepthAndPalette) {
    Bitmap rgb(4, 3, 24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) rgb.scanLine(y)[3 * x] = uint8_t(10 * y + x);
    const Bitmap c = CropBitmap(rgb, {1, 1, 3, 3});
    ASSERT_EQ(c.width(), 2);
    ASSERT_EQ(c.height(), 2);
    EXPECT_EQ(c.scanLine(0)[0], 11);
    EXPECT_EQ(c.scanLine(0)[3], 12);
    EXPECT_EQ(c.scanLine(1)[0], 21);
    EXPECT_EQ(c.scanLine(1)[3], 22);

    // Indices 0,1,0,0,1,1,0,1,1,0 in one row of a 1-bit and a 4-bit picture.
    const uint8_t idx[10] = {0, 1, 0, 0, 1, 1, 0, 1, 1, 0};
    for (int depth : {1, 4}) {
        SCOPED_TRACE(depth);
        Bitmap p(10, 1, depth);
        p.palette() = {{0, 0, 0, 0}, {255, 255, 255, 0}};
        PackIndices(idx, depth, p.scanLine(0), 10);
        const Bitmap q = CropBitmap(p, {3, 0, 9, 1});
        ASSERT_EQ(q.depth(), depth);
        EXPECT_EQ(q.palette(), p.palette());
        const int want[6] = {0, 1, 1, 0, 1, 1};
        for (int x = 0; x < 6; ++x) EXPECT_EQ(q.paletteIndex(x, 0), want[x]) << x;
    }
}

TEST(Geometry, TrimFindsEveryOtherColour) {
    Bitmap p(6, 5, 24);
    for (int y = 0; y < 5; ++y) std::fill_n(p.scanLine(y), 18, 255);
    EXPECT_EQ(TrimRect(p, {0, 0, 6, 5}), std::nullopt);  // one colour only
    std::fill_n(p.scanLine(1) + 3 * 2, 3, 0);
    std::fill_n(p.scanLine(3) + 3 * 4, 3, 0);
    EXPECT_EQ(TrimRect(p, {0, 0, 6, 5}), (SelRect{2, 1, 5, 4}));
    // Only the region is looked at: (4, 3) lies outside this one.
    EXPECT_EQ(TrimRect(p, {0, 0, 4, 5}), (SelRect{2, 1, 3, 2}));
    // The reference is the region's own top-left pixel, here black.
    EXPECT_EQ(TrimRect(p, {2, 1, 3, 2}), std::nullopt);
    EXPECT_EQ(TrimRect(p, {2, 1, 4, 2}), (SelRect{3, 1, 4, 2}));
    // Near-white differs from white.
    p.scanLine(4)[3 * 5] = 254;
    EXPECT_EQ(TrimRect(p, {0, 0, 6, 5}), (SelRect{2, 1, 6, 5}));
}

TEST(Geometry, MaskSelectionAndGridMinimum) {
    EXPECT_EQ(MaskSelection(10, 20, 30, 40), (SelRect{10, 20, 40, 60}));
    EXPECT_TRUE(GridAllowed(64, 64));
    EXPECT_FALSE(GridAllowed(63, 640));
    EXPECT_FALSE(GridAllowed(640, 63));
}

}  // namespace
}  // namespace vimbra
