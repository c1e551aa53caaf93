#include "imagefiles/orientation.h"

#include <gtest/gtest.h>

#include "imagefiles/codecs/codec_test_util.h"
#include "imagefiles/codecs/tiff_codec.h"
#include "imagefiles/load_dispatch.h"
#include "imagefiles/metadata_test_util.h"
#include "imagefiles/pixel_convert.h"

namespace vimbra {
namespace {

using testutil::MakePicture;
using testutil::SameLook;

// A TIFF-structured EXIF blob whose first directory holds one entry.
std::vector<uint8_t> OneEntryExif(bool little, uint16_t tag, uint16_t type, uint32_t count,
                                  uint16_t value) {
    auto u16 = [&](std::vector<uint8_t>& v, uint16_t x) {
        if (little) v.insert(v.end(), {uint8_t(x), uint8_t(x >> 8)});
        else v.insert(v.end(), {uint8_t(x >> 8), uint8_t(x)});
    };
    auto u32 = [&](std::vector<uint8_t>& v, uint32_t x) {
        if (little) { u16(v, uint16_t(x)); u16(v, uint16_t(x >> 16)); }
        else { u16(v, uint16_t(x >> 16)); u16(v, uint16_t(x)); }
    };
    std::vector<uint8_t> b;
    b.push_back(little ? 'I' : 'M');
    b.push_back(little ? 'I' : 'M');
    u16(b, 42);
    u32(b, 8);
    u16(b, 1);
    u16(b, tag);
    u16(b, type);
    u32(b, count);
    u16(b, value);
    u16(b, 0);
    u32(b, 0);
    return b;
}

TEST(ExifOrientation, ReadsTheTagInEitherByteOrderAndRefusesNonsense) {
    for (bool little : {true, false}) {
        for (uint16_t v = 1; v <= 8; ++v)
            EXPECT_EQ(ExifOrientation(OneEntryExif(little, 0x0112, 3, 1, v)), v);
        EXPECT_EQ(ExifOrientation(OneEntryExif(little, 0x0112, 3, 1, 9)), 1);
        EXPECT_EQ(ExifOrientation(OneEntryExif(little, 0x0112, 3, 1, 0)), 1);
        EXPECT_EQ(ExifOrientation(OneEntryExif(little, 0x0112, 4, 1, 6)), 1);  // not a SHORT
        EXPECT_EQ(ExifOrientation(OneEntryExif(little, 0x0112, 3, 0, 6)), 1);
        EXPECT_EQ(ExifOrientation(OneEntryExif(little, 0x0110, 3, 1, 6)), 1);  // another tag
    }
    std::vector<uint8_t> blob = OneEntryExif(true, 0x0112, 3, 1, 6);
    for (size_t n = 0; n < blob.size() - 4; ++n)
        EXPECT_EQ(ExifOrientation(ByteSpan(blob.data(), n)), 1) << n << " bytes";
    blob[4] = 0xF0;  // directory beyond the end
    EXPECT_EQ(ExifOrientation(blob), 1);
    EXPECT_EQ(ExifOrientation({}), 1);
}

// 3 × 2 picture "abc / def" (palette indices 1..6) and what each orientation
// shows, written out by hand.
struct Expected {
    int orientation, width, height;
    const char* rows;
};
constexpr Expected kMoves[] = {
    {1, 3, 2, "abcdef"}, {2, 3, 2, "cbafed"}, {3, 3, 2, "fedcba"}, {4, 3, 2, "defabc"},
    {5, 2, 3, "adbecf"}, {6, 2, 3, "daebfc"}, {7, 2, 3, "fcebda"}, {8, 2, 3, "cfbead"},
};

Bitmap Letters(int depth) {
    Bitmap b(3, 2, depth);
    b.palette() = testutil::ColourPalette(depth == 1 ? 2 : 16);
    const uint8_t idx[2][3] = {{1, 2, 3}, {4, 5, 6}};
    for (int y = 0; y < 2; ++y) {
        uint8_t row[3];
        for (int x = 0; x < 3; ++x) row[x] = depth == 1 ? uint8_t(idx[y][x] & 1) : idx[y][x];
        PackIndices(row, depth, b.scanLine(y), 3);
    }
    return b;
}

int Letter(char c, int depth) { return depth == 1 ? (c - 'a' + 1) & 1 : c - 'a' + 1; }

TEST(OrientUpright, MovesEveryPixelAsTheTagSaysAtEveryDepth) {
    for (int depth : {1, 4, 8, 24}) {
        Bitmap source = Letters(depth == 24 ? 8 : depth);
        if (depth == 24) source.convertTo24();
        source.xDotsPerInch = 300;
        source.yDotsPerInch = 150;
        for (const Expected& e : kMoves) {
            SCOPED_TRACE("depth " + std::to_string(depth) + " orientation " +
                         std::to_string(e.orientation));
            const Bitmap out = OrientUpright(source, e.orientation);
            ASSERT_EQ(out.width(), e.width);
            ASSERT_EQ(out.height(), e.height);
            EXPECT_EQ(out.depth(), depth);
            const bool swapped = e.orientation >= 5;
            EXPECT_EQ(out.xDotsPerInch, swapped ? 150 : 300);
            Bitmap want(e.width, e.height, 8);
            want.palette() = source.depth() == 24 ? Letters(8).palette() : source.palette();
            for (int i = 0; i < 6; ++i)
                want.scanLine(i / e.width)[i % e.width] = uint8_t(Letter(e.rows[i], depth));
            EXPECT_TRUE(SameLook(out, want));
        }
    }
    EXPECT_TRUE(SameLook(OrientUpright(Letters(8), 0), Letters(8)));
    EXPECT_TRUE(SameLook(OrientUpright(Letters(8), 9), Letters(8)));
}

TEST(OrientUpright, SixThenEightAndFiveTwiceGiveThePictureBack) {
    const Bitmap b = MakePicture(131, 70, 24, 5);  // wider than a tile, odd sizes
    EXPECT_TRUE(SameLook(OrientUpright(OrientUpright(b, 6), 8), b));
    EXPECT_TRUE(SameLook(OrientUpright(OrientUpright(b, 5), 5), b));
    EXPECT_TRUE(SameLook(OrientUpright(OrientUpright(b, 7), 7), b));
    EXPECT_TRUE(SameLook(OrientUpright(OrientUpright(b, 3), 3), b));
}

// The reference: a tagged TIFF turned by ImageMagick's -auto-orient, and the
// same file as the load dispatch reads it.
TEST(OrientUpright, LoadedPicturesMatchImageMagickAutoOrient) {
    const std::string im = testutil::ImageMagick();
    if (im.empty() || !testutil::HaveExiftool()) GTEST_SKIP() << "ImageMagick or ExifTool missing";
    testutil::TempDir dir;
    const Bitmap picture = MakePicture(37, 21, 24, 9);
    for (int o = 1; o <= 8; ++o) {
        SCOPED_TRACE("orientation " + std::to_string(o));
        const std::string tif = dir.file("o" + std::to_string(o) + ".tif");
        testutil::WriteBytes(tif, EncodeTiff(picture, TiffCompression::None));
        ASSERT_TRUE(testutil::TagAsCamera(tif, o, false));
        const std::string ppm = dir.file("o.ppm");
        ASSERT_TRUE(testutil::RunTool(im, "'" + tif + "' -auto-orient '" + ppm + "'"));
        const DecodedPicture read = ReadImageFile(tif);
        EXPECT_EQ(read.metadata.orientation, 1);
        EXPECT_EQ(ExifOrientation(read.metadata.exif), o);
        EXPECT_TRUE(SameLook(read.bitmap, testutil::ReadPpm(ppm)));
        // Kept as stored when asked to, the tag still to apply.
        LoadOptions keep;
        keep.applyOrientation = false;
        const DecodedPicture kept = ReadImageFile(tif, 0, keep);
        EXPECT_EQ(kept.metadata.orientation, o);
        EXPECT_TRUE(SameLook(kept.bitmap, picture));
    }
}

}  // namespace
}  // namespace vimbra
