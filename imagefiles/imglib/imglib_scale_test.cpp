// ImgCopy in each mode on pictures small enough to work out by hand.
#include <gtest/gtest.h>

#include "imagefiles/imglib/imglib.h"
#include "imagefiles/imglib/imglib_test_util.h"
#include "imagefiles/pixel_convert.h"

namespace vimbra {
namespace {

using namespace testutil;

class ScaleTest : public ImgLibTest {
protected:
    static Bitmap Copy(const Bitmap& in, int w, int h, int flags, const ImgRect* area = nullptr) {
        return Through(in, [&](ImgHandle s) { return ImgCopy(s, w, h, area, flags); });
    }
};

TEST_F(ScaleTest, NearestReplicatesAndPicksCentres) {
    const Bitmap two = Rgb24(2, 2, {0x010203, 0x040506, 0x070809, 0x0A0B0C});
    const Bitmap big = Copy(two, 4, 4, kImgCopyNormal);
    EXPECT_EQ(Pixels(big), (std::vector<uint32_t>{0x010203, 0x010203, 0x040506, 0x040506,  //
                                                  0x010203, 0x010203, 0x040506, 0x040506,  //
                                                  0x070809, 0x070809, 0x0A0B0C, 0x0A0B0C,  //
                                                  0x070809, 0x070809, 0x0A0B0C, 0x0A0B0C}));
    // Shrinking by 2 takes the pixel under each target centre: columns 1 and 3.
    EXPECT_EQ(Pixels(Copy(Grey24(4, 1, {10, 20, 30, 40}), 2, 1, kImgCopyNormal)),
              (std::vector<uint32_t>{0x141414, 0x282828}));
    // Same size is an exact copy.
    EXPECT_EQ(Copy(two, 2, 2, kImgCopyNormal), two);
}

TEST_F(ScaleTest, NearestKeepsPaletteDepths) {
    for (int depth : {1, 4, 8}) {
        SCOPED_TRACE(depth);
        const Bitmap in = Indexed(3, 1, depth, {0, 1, 1}, BlackWhite());
        const Bitmap out = Copy(in, 6, 2, kImgCopyNormal);
        EXPECT_EQ(out.depth(), depth);
        EXPECT_EQ(out.palette(), in.palette());
        EXPECT_EQ(Indices(out), (std::vector<int>{0, 0, 1, 1, 1, 1, 0, 0, 1, 1, 1, 1}));
    }
}

TEST_F(ScaleTest, AreaRectangleIsCopiedAlone) {
    const ImgRect area{1, 0, 3, 1};
    EXPECT_EQ(Pixels(Copy(Grey24(4, 1, {10, 20, 30, 40}), 2, 1, kImgCopyNormal, &area)),
              (std::vector<uint32_t>{0x141414, 0x1E1E1E}));
    const ImgRect upscale{2, 0, 3, 1};
    EXPECT_EQ(Pixels(Copy(Grey24(4, 1, {10, 20, 30, 40}), 2, 2, kImgCopySmooth, &upscale)),
              (std::vector<uint32_t>(4, 0x1E1E1E)));
}

TEST_F(ScaleTest, SmoothShrinkAveragesCoveredArea) {
    // Halves: (0+100)/2 = 50 and (200+255)/2 = 227.5, ties upward.
    EXPECT_EQ(Pixels(Copy(Grey24(4, 1, {0, 100, 200, 255}), 2, 1, kImgCopySmooth)),
              (std::vector<uint32_t>{0x323232, 0xE4E4E4}));
    // 2 × 2 → 1: (0 + 1 + 2 + 4) / 4 = 1.75 → 2.
    EXPECT_EQ(Pixels(Copy(Grey24(2, 2, {0, 1, 2, 4}), 1, 1, kImgCopySmooth)), (std::vector<uint32_t>{0x020202}));
    // 3 → 2: weights 2:1 and 1:2 of each third: (60+60)/3 = 40, (60+180)/3 = 80.
    EXPECT_EQ(Pixels(Copy(Grey24(3, 1, {30, 60, 90}), 2, 1, kImgCopySmooth)),
              (std::vector<uint32_t>{0x282828, 0x505050}));
    // Channels are kept apart.
    EXPECT_EQ(Pixels(Copy(Rgb24(2, 1, {0xFF0000, 0x0000FF}), 1, 1, kImgCopySmooth)),
              (std::vector<uint32_t>{0x800080}));
}

TEST_F(ScaleTest, SmoothEnlargeInterpolatesBetweenCentres) {
    // Target centres fall at −0.25, 0.25, 0.75, 1.25 source pixels.
    EXPECT_EQ(Pixels(Copy(Grey24(2, 1, {0, 100}), 4, 1, kImgCopySmooth)),
              (std::vector<uint32_t>{0x000000, 0x191919, 0x4B4B4B, 0x646464}));
    EXPECT_EQ(Pixels(Copy(Grey24(2, 1, {0, 100}), 3, 1, kImgCopySmooth)),
              (std::vector<uint32_t>{0x000000, 0x323232, 0x646464}));
    // One axis grows while the other shrinks.
    const Bitmap mixed = Copy(Grey24(2, 2, {0, 100, 100, 200}), 4, 1, kImgCopySmooth);
    EXPECT_EQ(Pixels(mixed), (std::vector<uint32_t>{0x323232, 0x4B4B4B, 0x7D7D7D, 0x969696}));
}

TEST_F(ScaleTest, SmoothDepthRules) {
    Bitmap grey(4, 1, 8);
    grey.palette() = MakeGreyPalette(8);
    for (int x = 0; x < 4; ++x) grey.scanLine(0)[x] = uint8_t(x * 10);
    const Bitmap g = Copy(grey, 2, 1, kImgCopySmooth);
    EXPECT_EQ(g.depth(), 8);
    EXPECT_EQ(Indices(g), (std::vector<int>{5, 25}));
    const Bitmap colour = Copy(Indexed(2, 1, 4, {0, 1}, BlackWhite()), 1, 1, kImgCopySmooth);
    EXPECT_EQ(colour.depth(), 24);
    EXPECT_EQ(PixelRgb(colour, 0, 0), 0x808080u);
}

TEST_F(ScaleTest, PreserveBlackAndWhiteKeepThinLines) {
    const Bitmap dark = Grey24(4, 1, {0, 255, 255, 255});
    EXPECT_EQ(Pixels(Copy(dark, 2, 1, kImgCopyNormal)), (std::vector<uint32_t>{0xFFFFFF, 0xFFFFFF}));
    EXPECT_EQ(Pixels(Copy(dark, 2, 1, kImgCopyPreserveBlack)), (std::vector<uint32_t>{0x000000, 0xFFFFFF}));
    EXPECT_EQ(Pixels(Copy(dark, 2, 1, kImgCopyPreserveWhite)), (std::vector<uint32_t>{0xFFFFFF, 0xFFFFFF}));
    const Bitmap light = Grey24(4, 1, {255, 0, 0, 0});
    EXPECT_EQ(Pixels(Copy(light, 2, 1, kImgCopyPreserveWhite)), (std::vector<uint32_t>{0xFFFFFF, 0x000000}));
    // Darkness is judged by grey value, and the pixel keeps its colour: pure
    // blue (grey 25) is darker than pure red (grey 76).
    EXPECT_EQ(Pixels(Copy(Rgb24(2, 1, {0xFF0000, 0x0000FF}), 1, 1, kImgCopyPreserveBlack)),
              (std::vector<uint32_t>{0x0000FF}));
    // A one-pixel dark line in a 1-bit page survives a 4:1 shrink and stays 1-bit.
    Bitmap page(8, 8, 1);
    page.palette() = BlackWhite();
    for (int y = 0; y < 8; ++y) page.scanLine(y)[0] = 0xFF;
    for (int x = 0; x < 8; ++x) page.scanLine(5)[0] &= uint8_t(~(0x80 >> x));
    const Bitmap small = Copy(page, 2, 2, kImgCopyPreserveBlack);
    EXPECT_EQ(small.depth(), 1);
    EXPECT_EQ(Indices(small), (std::vector<int>{1, 1, 0, 0}));
}

TEST_F(ScaleTest, GreyAverageTurnsFaxPagesIntoGreyLevels) {
    // 2 × 2 blocks holding 0..4 white pixels: 255 × k / 4 → 0, 64, 128, 191, 255.
    const Bitmap page = Indexed(10, 2, 1, {0, 0, 1, 0, 1, 0, 1, 1, 1, 1,  //
                                           0, 0, 0, 0, 0, 1, 1, 0, 1, 1},
                                BlackWhite());
    const Bitmap grey = Copy(page, 5, 1, kImgCopyGreyAverage);
    EXPECT_EQ(grey.depth(), 8);
    EXPECT_TRUE(grey.hasGreyPalette());
    EXPECT_EQ(Indices(grey), (std::vector<int>{0, 64, 128, 191, 255}));
    // Colour pictures are turned grey first: (30 × 255) / 100 = 76 for red.
    EXPECT_EQ(Indices(Copy(Rgb24(1, 1, {0xFF0000}), 1, 1, kImgCopyGreyAverage)), (std::vector<int>{76}));
    // Flag 32 wins over the others.
    EXPECT_EQ(Copy(page, 5, 1, kImgCopyGreyAverage | kImgCopySmooth | kImgCopyPreserveBlack), grey);
}

TEST_F(ScaleTest, BadArgumentsFailWithStatus) {
    const ImgHandle h = ImgFromBitmap(Uniform24(4, 4, 0));
    ASSERT_NE(h, 0u);
    for (auto [w, hh] : {std::pair{0, 4}, {4, -1}, {Bitmap::kMaxSide + 1, 1}, {30000, 30000}}) {
        EXPECT_EQ(ImgCopy(h, w, hh, nullptr, 0), 0u);
        EXPECT_EQ(ImgGetStatus().code, ImgStatusCode::BadArgument);
        EXPECT_FALSE(ImgGetStatus().text.empty());
    }
    for (ImgRect r : {ImgRect{-1, 0, 2, 2}, ImgRect{0, 0, 5, 4}, ImgRect{2, 2, 2, 3}, ImgRect{3, 3, 1, 1}}) {
        EXPECT_EQ(ImgCopy(h, 2, 2, &r, 0), 0u);
        EXPECT_EQ(ImgGetStatus().code, ImgStatusCode::BadArgument);
    }
    EXPECT_EQ(ImgCopy(h + 100, 2, 2, nullptr, 0), 0u);
    EXPECT_EQ(ImgGetStatus().code, ImgStatusCode::InvalidHandle);
    ImgClose(h);
}

TEST_F(ScaleTest, LargeShrinkAndEnlargeKeepUniformColour) {
    const Bitmap in = Uniform24(301, 7, 0x336699);
    for (int flags : {0, 1, 2, 4}) {
        SCOPED_TRACE(flags);
        for (auto [w, h] : {std::pair{3, 2}, {1000, 13}, {1, 1}}) {
            const Bitmap out = Copy(in, w, h, flags);
            ASSERT_EQ(out.width(), w);
            ASSERT_EQ(out.height(), h);
            EXPECT_EQ(Pixels(out), std::vector<uint32_t>(size_t(w * h), 0x336699));
        }
    }
}

}  // namespace
}  // namespace vimbra
