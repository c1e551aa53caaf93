#include "imagefiles/pixel_convert.h"

#include <gtest/gtest.h>

#include <vector>

namespace vimbra {
namespace {

TEST(PixelConvert, PackAndUnpackIndicesAtEveryDepth) {
    for (int bits : {1, 2, 4, 8}) {
        SCOPED_TRACE(bits);
        const size_t count = 13;  // not a whole number of bytes at 1, 2 and 4 bits
        std::vector<uint8_t> idx(count);
        for (size_t i = 0; i < count; ++i) idx[i] = uint8_t((i * 7 + 3) % (1u << bits));
        std::vector<uint8_t> packed((count * bits + 7) / 8, 0xEE), back(count);
        PackIndices(idx.data(), bits, packed.data(), count);
        UnpackIndices(packed.data(), bits, back.data(), count);
        EXPECT_EQ(back, idx);
    }
    // Leftmost pixel in the most significant bits; the unused tail is zero.
    const uint8_t idx[3] = {1, 0, 1};
    uint8_t one = 0xFF;
    PackIndices(idx, 1, &one, 3);
    EXPECT_EQ(one, 0xA0);
    const uint8_t nib[3] = {0xA, 0x5, 0xC};
    uint8_t two[2];
    PackIndices(nib, 4, two, 3);
    EXPECT_EQ(two[0], 0xA5);
    EXPECT_EQ(two[1], 0xC0);
}

TEST(PixelConvert, RepackScalesToTheOutputRange) {
    const uint8_t ones = 0xA0;  // 1, 0, 1, 0, 0, ...
    uint8_t eight[3];
    RepackSamples(&ones, 1, eight, 8, 3);
    EXPECT_EQ(eight[0], 255);
    EXPECT_EQ(eight[1], 0);
    EXPECT_EQ(eight[2], 255);
    const uint8_t nibbles[1] = {0x3F};
    RepackSamples(nibbles, 4, eight, 8, 2);
    EXPECT_EQ(eight[0], 3 * 17);
    EXPECT_EQ(eight[1], 255);
    const uint8_t bytes[2] = {200, 16};
    uint8_t packed = 0;
    RepackSamples(bytes, 8, &packed, 4, 2);
    EXPECT_EQ(packed, (200 * 15 / 255) << 4 | (16 * 15 / 255));
    // Equal depths copy the bytes.
    const uint8_t row[2] = {0x12, 0x34};
    uint8_t copy[2] = {};
    RepackSamples(row, 4, copy, 4, 4);
    EXPECT_EQ(copy[1], 0x34);
}

TEST(PixelConvert, BitPlanesGiveOneBitOfTheIndexEach) {
    const uint8_t p0[1] = {0x80}, p1[1] = {0xC0}, p2[1] = {0x00}, p3[1] = {0x01};
    const uint8_t* planes[4] = {p0, p1, p2, p3};
    uint8_t idx[8];
    BitPlanesToIndices(planes, 4, idx, 8);
    EXPECT_EQ(idx[0], 3);
    EXPECT_EQ(idx[1], 2);
    EXPECT_EQ(idx[2], 0);
    EXPECT_EQ(idx[7], 8);
}

TEST(PixelConvert, PaletteExpansionAndGreyRamps) {
    const std::vector<PaletteEntry> pal = {{10, 20, 30, 0}, {40, 50, 60, 0}};
    const uint8_t bits = 0x40;  // pixels 0, 1, 0, 0
    uint8_t bgr[6];
    ExpandIndicesToBgr(&bits, 1, pal, bgr, 2);
    EXPECT_EQ(bgr[0], 30);
    EXPECT_EQ(bgr[2], 10);
    EXPECT_EQ(bgr[3], 60);
    EXPECT_EQ(bgr[5], 40);
    const uint8_t past = 7;  // index beyond the palette reads black
    ExpandIndicesToBgr(&past, 8, pal, bgr, 1);
    EXPECT_EQ(bgr[0] | bgr[1] | bgr[2], 0);

    const auto g4 = MakeGreyPalette(4);
    ASSERT_EQ(g4.size(), 16u);
    EXPECT_EQ(g4[1].red, 17);
    EXPECT_EQ(g4[15].blue, 255);
    const auto g1w = MakeGreyPalette(1, true);
    ASSERT_EQ(g1w.size(), 2u);
    EXPECT_EQ(g1w[0].green, 255);
    EXPECT_EQ(g1w[1].green, 0);
    EXPECT_EQ(MakeGreyPalette(8)[200].red, 200);
}

TEST(PixelConvert, DirectColourLayouts) {
    // x-5-5-5: red 31, green 1, blue 16.
    const unsigned v = 31u << 10 | 1u << 5 | 16u;
    const uint8_t p16[2] = {uint8_t(v), uint8_t(v >> 8)};
    uint8_t bgr[3];
    Rgb555ToBgr(p16, bgr, 1);
    EXPECT_EQ(bgr[0], 128);
    EXPECT_EQ(bgr[1], 8);
    EXPECT_EQ(bgr[2], 248);
    uint8_t back[2];
    BgrToRgb555(bgr, back, 1);
    EXPECT_EQ(back[0], p16[0]);
    EXPECT_EQ(back[1], p16[1]);

    // Interleaving and planes are covered by the PCX and TGA round trips.
    uint8_t px[3] = {1, 2, 3};
    SwapRedBlue(px, px, 1);
    EXPECT_EQ(px[0], 3);
    EXPECT_EQ(px[2], 1);
}

TEST(PixelConvert, BitfieldsReplicateBitsToFullRange) {
    const BitfieldLayout rgb565(0xF800, 0x07E0, 0x001F);
    const uint8_t white[2] = {0xFF, 0xFF}, blue[2] = {0x1F, 0x00};
    uint8_t bgr[3];
    rgb565.toBgr(white, 2, bgr, 1);
    EXPECT_EQ(bgr[0], 255);
    EXPECT_EQ(bgr[1], 255);
    EXPECT_EQ(bgr[2], 255);
    rgb565.toBgr(blue, 2, bgr, 1);
    EXPECT_EQ(bgr[0], 255);
    EXPECT_EQ(bgr[1], 0);
    // Green 0b100000 of 6 bits: 0b10000010.
    const uint8_t green[2] = {0x00, 0x04};
    rgb565.toBgr(green, 2, bgr, 1);
    EXPECT_EQ(bgr[1], 0x82);
    // 10-bit fields keep their top 8 bits; a zero mask gives 0.
    const BitfieldLayout wide(0x3FF00000, 0x000FFC00, 0);
    const uint32_t p = 0x3FF00000u | (0x155u << 10);
    const uint8_t p32[4] = {uint8_t(p), uint8_t(p >> 8), uint8_t(p >> 16), uint8_t(p >> 24)};
    wide.toBgr(p32, 4, bgr, 1);
    EXPECT_EQ(bgr[2], 255);
    EXPECT_EQ(bgr[1], 0x155 >> 2);
    EXPECT_EQ(bgr[0], 0);
}

TEST(PixelConvert, SixteenBitSamplesAndCmyk) {
    const uint8_t be[4] = {0xFF, 0xFF, 0x80, 0x00}, le[2] = {0x00, 0x80};
    uint8_t out[2];
    Samples16To8(be, true, out, 2);
    EXPECT_EQ(out[0], 255);
    EXPECT_EQ(out[1], 0x8000 * 255 / 65535);
    Samples16To8(le, false, out, 1);
    EXPECT_EQ(out[0], 0x8000 * 255 / 65535);

    const uint8_t cmyk[12] = {0, 0, 0, 0, 0, 0, 0, 255, 255, 0, 128, 0};
    uint8_t bgr[9];
    CmykToBgr(cmyk, bgr, 3);
    EXPECT_EQ(bgr[0], 255);  // no ink: white
    EXPECT_EQ(bgr[1], 255);
    EXPECT_EQ(bgr[2], 255);
    EXPECT_EQ(bgr[3] | bgr[4] | bgr[5], 0);  // full black
    EXPECT_EQ(bgr[8], 0);                    // full cyan removes red
    EXPECT_EQ(bgr[7], 255);
    EXPECT_EQ(bgr[6], 127);
}

}  // namespace
}  // namespace vimbra
