#include "imagefiles/codecs/raster_core.h"

#include <gtest/gtest.h>

#include <vector>

namespace vimbra {
namespace {

TEST(RasterCore, OptionWordsSplitOnBlanksTabsAndCommas) {
    const RasterOptions o("inv,\tYUP  16");
    EXPECT_TRUE(o.has("inv"));
    EXPECT_TRUE(o.has("yup"));
    EXPECT_TRUE(o.has("16"));
    EXPECT_FALSE(o.has("in"));
    EXPECT_FALSE(o.has("invb"));
    EXPECT_FALSE(RasterOptions().has("inv"));
    EXPECT_FALSE(RasterOptions(" , ").has(""));
}

TEST(RasterCore, ResolutionConversions) {
    EXPECT_EQ(PixelsPerMetreFromDotsPerInch(72), 2835);
    EXPECT_EQ(DotsPerInchFromPixelsPerMetre(2835), 72);
    EXPECT_EQ(PixelsPerMetreFromDotsPerInch(300), 11811);
    EXPECT_EQ(DotsPerInchFromPixelsPerMetre(11811), 300);
    EXPECT_EQ(DotsPerInchFromPixelsPerMetre(0), 0);
    EXPECT_EQ(DotsPerInchFromPixelsPerMetre(-3780), 0);
    EXPECT_EQ(DotsPerInchFromPixelsPerMetre(int64_t(1) << 31), 0);  // beyond 65535 dpi
    EXPECT_EQ(PixelsPerMetreFromDotsPerInch(0), 0);
}

TEST(RasterCore, NewBitmapGuardsSizeAndExpansion) {
    EXPECT_EQ(NewRasterBitmap("X", 4, 2, 8, 8, 8, 1).width(), 4);
    EXPECT_THROW(NewRasterBitmap("X", 4, 2, 8, 8, 7, 1), ImageFileError);
    EXPECT_NO_THROW(NewRasterBitmap("X", 64, 64, 8, 4096, 32, 128));
    EXPECT_THROW(NewRasterBitmap("X", 64, 64, 8, 4096, 31, 128), ImageFileError);
    EXPECT_THROW(NewRasterBitmap("X", 0, 2, 8, 0, 100, 1), ImageFileError);
    EXPECT_THROW(NewRasterBitmap("X", 30001, 1, 8, 0, 100000, 1), ImageFileError);
    try {
        NewRasterBitmap("Bad XYZ file", 4, 4, 24, 48, 1, 1);
        ADD_FAILURE();
    } catch (const ImageFileError& e) {
        EXPECT_STREQ(e.what(), "Bad XYZ file: the file is truncated.");
    }
}

TEST(RasterCore, PcxRunsRoundTripAndEscapeHighBytes) {
    std::vector<uint8_t> src(200, 7);  // longer than one run
    src.push_back(0xC5);               // a single high byte needs a count
    src.push_back(1);
    src.push_back(0x3F);
    std::vector<uint8_t> coded;
    EncodePcxRuns(src.data(), src.size(), coded);
    EXPECT_EQ(coded[0], 0xC0 | 63);
    EXPECT_EQ(coded[1], 7);
    const std::vector<uint8_t> tail = {0xC1, 0xC5, 1, 0x3F};
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), coded.end() - 4));
    // Decoded in pieces of any size, since runs may cross rows.
    PcxRunDecoder dec(coded, "X");
    std::vector<uint8_t> back(src.size());
    dec.read(back.data(), 5);
    dec.read(back.data() + 5, 100);
    dec.read(back.data() + 105, back.size() - 105);
    EXPECT_EQ(back, src);
    EXPECT_TRUE(dec.exhausted());
    uint8_t more;
    EXPECT_THROW(dec.read(&more, 1), ImageFileError);
}

TEST(RasterCore, TgaPacketsAcrossReads) {
    // Run of 3 two-byte pixels, then 2 literal pixels.
    const std::vector<uint8_t> data = {0x82, 1, 2, 0x01, 3, 4, 5, 6};
    TgaPacketDecoder dec(data, 2, "X");
    uint8_t out[10];
    dec.read(out, 2);
    dec.read(out + 4, 3);
    const uint8_t want[10] = {1, 2, 1, 2, 1, 2, 3, 4, 5, 6};
    EXPECT_TRUE(std::equal(out, out + 10, want));
    EXPECT_THROW(dec.read(out, 1), ImageFileError);
}

}  // namespace
}  // namespace vimbra
