#include "imagefiles/codecs/tiff_codec.h"

#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include "imagefiles/codecs/codec_test_util.h"

namespace vimbra {
namespace {

using testutil::ReadPpm;
using testutil::RunTool;
using testutil::SameLook;

const std::string kMagick = "/usr/bin/convert-im6.q16";
const std::string kGm = "/usr/bin/gm convert";
bool HaveTools() { return access(kMagick.c_str(), X_OK) == 0 && access("/usr/bin/gm", X_OK) == 0; }

// ---- pictures -----------------------------------------------------------------

enum class Kind { BlackWhite, WhiteBlack, TwoColours, Grey, Colour, True };

Bitmap Picture(Kind kind, int depth, int w = 45, int h = 37) {
    Bitmap b(w, h, depth);
    const int n = depth == 24 ? 0 : 1 << depth;
    for (int i = 0; i < n; ++i) {
        const uint8_t v = uint8_t(i * 255 / (n - 1));
        PaletteEntry e{v, v, v, 0};
        if (kind == Kind::Colour) e = {uint8_t(255 - v), uint8_t(i * 41), v, 0};
        if (kind == Kind::WhiteBlack) e = {uint8_t(255 - v), uint8_t(255 - v), uint8_t(255 - v), 0};
        if (kind == Kind::TwoColours) e = i ? PaletteEntry{20, 40, 200, 0} : PaletteEntry{255, 0, 0, 0};
        b.palette()[size_t(i)] = e;
    }
    for (int y = 0; y < h; ++y) {
        uint8_t* row = b.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const int v = (x * 7 + y * 3 + (x / 5) * (y / 4)) & 0xFF;
            switch (depth) {
            case 1: if ((x / 3 + y / 2) & 1) row[x >> 3] |= uint8_t(0x80 >> (x & 7)); break;
            case 4: row[x >> 1] |= uint8_t((x & 1) ? v & 15 : (v & 15) << 4); break;
            case 8: row[x] = uint8_t(v); break;
            default: row[3 * x] = uint8_t(v); row[3 * x + 1] = uint8_t(x * 5); row[3 * x + 2] = uint8_t(y * 6);
            }
        }
    }
    b.xDotsPerInch = 300;
    b.yDotsPerInch = 150;
    return b;
}

struct Writable {
    Kind kind;
    int depth;
};
const Writable kPictures[] = {{Kind::BlackWhite, 1}, {Kind::WhiteBlack, 1}, {Kind::TwoColours, 1},
                              {Kind::Grey, 4},       {Kind::Colour, 4},     {Kind::Grey, 8},
                              {Kind::Colour, 8},     {Kind::True, 24}};
const TiffCompression kAll[] = {TiffCompression::None,         TiffCompression::PackBits,
                                TiffCompression::FaxGroup3_1D, TiffCompression::FaxGroup3_2D,
                                TiffCompression::FaxGroup4,    TiffCompression::ZLib,
                                TiffCompression::Jpeg,         TiffCompression::ZLibAdobe};

bool Allowed(const Bitmap& b, TiffCompression c) {
    try {
        CheckTiffCompression(b, c);
        return true;
    } catch (const ImageFileError&) {
        return false;
    }
}

bool IsFax(TiffCompression c) {
    return c == TiffCompression::FaxGroup3_1D || c == TiffCompression::FaxGroup3_2D ||
           c == TiffCompression::FaxGroup4;
}

// ---- writer and reader together -----------------------------------------------

TEST(TiffCodec, CompressionChecksAndTexts) {
    EXPECT_STREQ(TiffCompressionText(TiffCompression::FaxGroup3_2D), "Fax Group 3, 2D");
    EXPECT_STREQ(TiffCompressionText(TiffCompression::ZLibAdobe), "ZLib Adobe");
    EXPECT_STREQ(TiffCompressionText(TiffCompression::PackBits), "Packbits");
    const Bitmap colour = Picture(Kind::True, 24);
    try {
        EncodeTiff(colour, TiffCompression::FaxGroup4);
        FAIL();
    } catch (const ImageFileError& e) {
        EXPECT_STREQ(e.what(), "Fax Group 4 compression not supported with 24bpp color images");
    }
    try {
        CheckTiffCompression(Picture(Kind::Grey, 8), TiffCompression::Jpeg);
        FAIL();
    } catch (const ImageFileError& e) {
        EXPECT_STREQ(e.what(), "JPEG compression not supported with 8bpp gray images");
    }
    EXPECT_FALSE(Allowed(Picture(Kind::BlackWhite, 1), TiffCompression::Jpeg));
    EXPECT_FALSE(Allowed(Picture(Kind::Colour, 4), TiffCompression::FaxGroup3_1D));
    EXPECT_TRUE(Allowed(Picture(Kind::BlackWhite, 1), TiffCompression::FaxGroup3_2D));
    EXPECT_EQ(DefaultTiffCompression(Picture(Kind::BlackWhite, 1)), TiffCompression::FaxGroup4);
    EXPECT_EQ(DefaultTiffCompression(colour), TiffCompression::PackBits);
}

// Widths whose rows need padding go through the row reader; rows that already
// match the bitmap's 4-byte layout (48 and 32 pixels at every depth) are
// decoded straight into it.
TEST(TiffCodec, RoundTripsEveryDepthAndCompression) {
    for (const int width : {45, 48, 32})
    for (const Writable& w : kPictures)
        for (const TiffCompression c : kAll) {
            const Bitmap b = Picture(w.kind, w.depth, width);
            if (!Allowed(b, c)) continue;
            SCOPED_TRACE(testing::Message() << "width " << width << " depth " << w.depth << " kind "
                                            << int(w.kind) << " " << TiffCompressionText(c));
            const auto bytes = EncodeTiff(b, c);
            EXPECT_EQ(TiffPageCount(bytes), 1);
            const TiffInfo info = ReadTiffInfo(bytes);
            EXPECT_EQ(info.width, width);
            EXPECT_EQ(info.bitCount, w.depth);
            EXPECT_EQ(info.compression, c);
            TiffCompression stored{};
            const Bitmap back = DecodeTiff(bytes, 1, {}, &stored);
            EXPECT_EQ(stored, c == TiffCompression::ZLibAdobe ? TiffCompression::ZLib : c);
            EXPECT_EQ(back.xDotsPerInch, 300);
            EXPECT_EQ(back.yDotsPerInch, 150);
            ASSERT_EQ(back.depth(), w.depth);
            if (w.kind == Kind::TwoColours && IsFax(c)) {
                // Fax keeps only light and dark: the blue entry is the darker one.
                Bitmap expected = b;
                expected.palette() = {{255, 255, 255, 0}, {0, 0, 0, 0}};
                EXPECT_TRUE(SameLook(back, expected));
            } else if (w.kind == Kind::WhiteBlack) {
                EXPECT_TRUE(SameLook(back, b));
            } else {
                EXPECT_EQ(back, b);  // pixels, palette (255 included) and padding
            }
        }
}

TEST(TiffCodec, WritesTheTagsOfTheTable) {
    testutil::TempDir dir;
    struct Expect {
        TiffCompression c;
        uint16_t tag;
        uint32_t rows, t4;
    };
    for (const Expect e : {Expect{TiffCompression::None, 1, 16, 0}, Expect{TiffCompression::PackBits, 32773, 16, 0},
                           Expect{TiffCompression::FaxGroup3_1D, 3, 256, 0},
                           Expect{TiffCompression::FaxGroup3_2D, 3, 256, 1},
                           Expect{TiffCompression::FaxGroup4, 4, 256, 0}, Expect{TiffCompression::ZLib, 32946, 16, 0},
                           Expect{TiffCompression::ZLibAdobe, 8, 16, 0}}) {
        SCOPED_TRACE(TiffCompressionText(e.c));
        const std::string path = dir.file("tags.tif");
        WriteFileAtomically(path, EncodeTiff(Picture(Kind::BlackWhite, 1), e.c));
        TIFF* tif = TIFFOpen(path.c_str(), "r");
        ASSERT_NE(tif, nullptr);
        uint16_t tag = 0, photometric = 9;
        uint32_t rows = 0, t4 = 99;
        char* software = nullptr;
        EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_COMPRESSION, &tag));
        EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rows));
        EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric));
        EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_SOFTWARE, &software));
        EXPECT_EQ(tag, e.tag);
        EXPECT_EQ(rows, e.rows);
        EXPECT_EQ(photometric, IsFax(e.c) ? 0 : 1);
        EXPECT_STREQ(software, "Vimbra");
        if (tag == 3) {
            EXPECT_TRUE(TIFFGetField(tif, TIFFTAG_GROUP3OPTIONS, &t4));
            EXPECT_EQ(t4, e.t4);
        }
        TIFFClose(tif);
    }
    // Palette entries scale by 257: 255 is written as 65535.
    const std::string path = dir.file("map.tif");
    WriteFileAtomically(path, EncodeTiff(Picture(Kind::Colour, 8), TiffCompression::None));
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tif, nullptr);
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    ASSERT_TRUE(TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b));
    EXPECT_EQ(r[0], 65535);
    EXPECT_EQ(b[255], 65535);
    TIFFClose(tif);
}

TEST(TiffCodec, AppendsPages) {
    const Bitmap pages[] = {Picture(Kind::True, 24), Picture(Kind::Grey, 8, 20, 10),
                            Picture(Kind::BlackWhite, 1, 70, 33)};
    const TiffCompression kinds[] = {TiffCompression::ZLib, TiffCompression::PackBits, TiffCompression::FaxGroup4};
    std::vector<uint8_t> file;
    for (int i = 0; i < 3; ++i) file = AppendTiffPage(file, pages[i], kinds[i]);
    ASSERT_EQ(TiffPageCount(file), 3);
    for (int i = 0; i < 3; ++i) {
        const TiffInfo info = ReadTiffInfo(file, i + 1);
        EXPECT_EQ(info.width, pages[i].width());
        EXPECT_EQ(info.bitCount, pages[i].depth());
        TiffCompression c{};
        EXPECT_EQ(DecodeTiff(file, i + 1, {}, &c), pages[i]);
        EXPECT_EQ(c, kinds[i]);
    }
    EXPECT_THROW(DecodeTiff(file, 4), ImageFileError);
    EXPECT_THROW(DecodeTiff(file, 0), ImageFileError);
}

// ---- files of independent tools -----------------------------------------------

class TiffFixtures : public testing::Test {
protected:
    void SetUp() override {
        if (!HaveTools()) GTEST_SKIP() << "ImageMagick or GraphicsMagick is missing";
        ASSERT_TRUE(RunTool(kMagick, "-size 37x29 -seed 7 plasma:fractal -depth 8 " + src));
    }
    std::vector<uint8_t> Make(const std::string& tool, const std::string& args) {
        EXPECT_TRUE(RunTool(tool, src + " " + args + " " + fixture));
        return ReadWholeFile(fixture);
    }
    Bitmap Reference(int page = 0, const std::string& tool = kMagick) {
        EXPECT_TRUE(RunTool(tool, fixture + "[" + std::to_string(page) + "] -depth 8 ppm:" + dir.file("ref.ppm")));
        return ReadPpm(dir.file("ref.ppm"));
    }
    testutil::TempDir dir;
    const std::string src = dir.file("src.ppm"), fixture = dir.file("fixture.tif");
};

TEST_F(TiffFixtures, DecodesStripsTilesFaxPalettesAndMinIsWhite) {
    const std::string& gm = kGm;
    struct Case {
        const char* name;
        const std::string& tool;
        const char* args;
        int depth, tag, tolerance;
    };
    const Case cases[] = {
        {"none", kMagick, "-compress none", 24, 1, 0},
        {"packbits", kMagick, "-compress rle", 24, 32773, 0},
        {"packbits strips of 5", kMagick, "-compress rle -define tiff:rows-per-strip=5", 24, 32773, 0},
        {"deflate 8", kMagick, "-compress zip", 24, 8, 0},
        {"jpeg", kMagick, "-compress jpeg -quality 95", 24, 7, 3},
        {"jpeg grey", kMagick, "-colorspace gray -compress jpeg -quality 95", 8, 7, 3},
        {"tiles", kMagick, "-compress zip -define tiff:tile-geometry=16x16", 24, 8, 0},
        {"grey tiles", kMagick, "-colorspace gray -define tiff:tile-geometry=16x16", 8, 1, 0},
        {"bilevel tiles", gm, "-monochrome -define tiff:tile-geometry=16x16", 1, 1, 0},
        {"planar", kMagick, "-interlace plane", 24, 1, 0},
        {"rgba", kMagick, "-alpha set", 24, 1, 0},
        {"cmyk", kMagick, "-colorspace cmyk", 24, 1, 1},
        {"16-bit rgb", kMagick, "-depth 16", 24, 1, 1},
        {"16-bit grey", kMagick, "-colorspace gray -depth 16", 8, 1, 1},
        {"palette 4", kMagick, "+dither -colors 16 -type palette", 4, 1, 0},
        {"palette 8", kMagick, "+dither -colors 200 -type palette", 8, 1, 0},
        {"grey 4", kMagick, "-colorspace gray -depth 4", 4, 1, 0},
        {"min-is-white 8", kMagick, "-colorspace gray -define quantum:polarity=min-is-white", 8, 1, 0},
        {"min-is-white 4", kMagick, "-colorspace gray -depth 4 -define quantum:polarity=min-is-white", 4, 1, 0},
        {"min-is-white 1", gm, "-monochrome", 1, 1, 0},
        {"min-is-black 1", kMagick, "-type bilevel -depth 1 -define quantum:polarity=min-is-black", 1, 1, 0},
        {"group 3", kMagick, "-monochrome -compress fax", 1, 3, 0},
        {"group 3 min-is-black", kMagick, "-type bilevel -compress fax -define quantum:polarity=min-is-black", 1, 3, 0},
        {"group 4", kMagick, "-monochrome -compress group4", 1, 4, 0},
        {"group 4 min-is-black", kMagick, "-type bilevel -compress group4 -define quantum:polarity=min-is-black", 1, 4, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto bytes = Make(c.tool, c.args);
        const TiffInfo info = ReadTiffInfo(bytes);
        EXPECT_EQ(info.compressionTag, c.tag);
        EXPECT_EQ(info.bitCount, c.depth);
        TiffCompression stored{};
        const Bitmap b = DecodeTiff(bytes, 1, {}, &stored);
        if (c.tag == 7) {
            EXPECT_EQ(stored, TiffCompression::Jpeg);
        }
        ASSERT_EQ(b.depth(), c.depth);
        // ImageMagick 6 ignores min-is-white at 4 bits; GraphicsMagick does not.
        const bool gmReads = std::string(c.name) == "min-is-white 4";
        EXPECT_TRUE(SameLook(b, Reference(0, gmReads ? gm : kMagick), c.tolerance));
    }
}

TEST_F(TiffFixtures, MultipageLzwAndUnsupportedDepths) {
    Make(kMagick, "\\( " + src + " -colorspace gray \\) \\( " + src + " -monochrome \\)");
    const auto multi = ReadWholeFile(fixture);
    ASSERT_EQ(TiffPageCount(multi), 3);
    for (int page = 1; page <= 3; ++page) {
        SCOPED_TRACE(page);
        const Bitmap b = DecodeTiff(multi, page);
        EXPECT_EQ(b.depth(), page == 1 ? 24 : 8);
        EXPECT_TRUE(SameLook(b, Reference(page - 1)));
    }

    const auto lzw = Make(kMagick, "-compress lzw");
    try {
        DecodeTiff(lzw);
        FAIL();
    } catch (const ImageFileError& e) {
        EXPECT_STREQ(e.what(), "LZW not supported");
    }
    EXPECT_THROW(ReadTiffInfo(lzw), ImageFileError);
    TiffReadOptions acceptLzw;
    acceptLzw.acceptLzw = true;
    EXPECT_TRUE(SameLook(DecodeTiff(lzw, 1, acceptLzw), Reference()));

    const auto twoBit = Make(kMagick, "-colorspace gray -depth 2");
    try {
        DecodeTiff(twoBit);
        FAIL();
    } catch (const ImageFileError& e) {
        EXPECT_STREQ(e.what(), "ETiffError Unsupported bit count: 2");
    }
}

TEST_F(TiffFixtures, OurFilesReadByIndependentTools) {
    for (const Writable& w : kPictures)
        for (const TiffCompression c : kAll) {
            const Bitmap b = Picture(w.kind, w.depth);
            if (!Allowed(b, c) || (w.kind == Kind::TwoColours && IsFax(c))) continue;
            SCOPED_TRACE(testing::Message() << "depth " << w.depth << " kind " << int(w.kind) << " "
                                            << TiffCompressionText(c));
            WriteFileAtomically(fixture, EncodeTiff(b, c));
            EXPECT_TRUE(SameLook(Reference(), b));
        }
    std::vector<uint8_t> file;
    for (const Writable& w : kPictures) file = AppendTiffPage(file, Picture(w.kind, w.depth), TiffCompression::ZLib);
    WriteFileAtomically(fixture, file);
    EXPECT_TRUE(SameLook(Reference(7), Picture(Kind::True, 24)));
    EXPECT_TRUE(SameLook(Reference(3, kGm), Picture(Kind::Grey, 4)));
}

// ---- hostile input ------------------------------------------------------------

// A little-endian single-strip 8-bit grey file with the given header values.
std::vector<uint8_t> HandMade(uint32_t width, uint32_t height, uint32_t stripBytes) {
    std::vector<uint8_t> d = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto u16 = [&d](uint32_t v) { d.push_back(uint8_t(v)); d.push_back(uint8_t(v >> 8)); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    const uint32_t tags[][3] = {{256, 4, width}, {257, 4, height}, {258, 3, 8}, {259, 3, 1}, {262, 3, 1},
                                {273, 4, 200},   {277, 3, 1},      {278, 4, height}, {279, 4, stripBytes}};
    u16(9);
    for (const auto& t : tags) {
        u16(t[0]);
        u16(t[1]);
        u32(1);
        if (t[1] == 3) { u16(t[2]); u16(0); } else { u32(t[2]); }
    }
    u32(0);
    d.resize(200 + 64, 0x55);
    return d;
}

TEST(TiffCodec, RefusesMalformedFiles) {
    EXPECT_THROW(DecodeTiff(std::vector<uint8_t>{}), ImageFileError);
    EXPECT_THROW(TiffPageCount(std::vector<uint8_t>{'I', 'I', 42, 0, 1, 2}), ImageFileError);
    EXPECT_THROW(DecodeTiff(std::vector<uint8_t>{'M', 'M', 0, 42, 0, 0, 0, 8, 0}), ImageFileError);
    EXPECT_EQ(DecodeTiff(HandMade(8, 8, 64)).width(), 8);  // the builder itself is sound
    EXPECT_THROW(DecodeTiff(HandMade(40000, 40000, 64)), ImageFileError);
    EXPECT_THROW(DecodeTiff(HandMade(30000, 30000, 64)), ImageFileError);  // 64 bytes cannot hold it
    EXPECT_THROW(DecodeTiff(HandMade(8, 16, 64)), ImageFileError);
    std::vector<uint8_t> shortStrip = HandMade(8, 8, 64);
    shortStrip.resize(230);  // the strip runs past the end of the file
    EXPECT_THROW(DecodeTiff(shortStrip), ImageFileError);
    for (const TiffCompression c : {TiffCompression::None, TiffCompression::FaxGroup4, TiffCompression::ZLib}) {
        const auto good = EncodeTiff(Picture(Kind::BlackWhite, 1, 120, 90), c);
        for (const size_t cut : {size_t(4), size_t(16), good.size() / 3, good.size() * 2 / 3}) {
            SCOPED_TRACE(testing::Message() << TiffCompressionText(c) << " cut at " << cut);
            EXPECT_THROW(DecodeTiff(std::vector<uint8_t>(good.begin(), good.begin() + long(cut))), ImageFileError);
        }
    }
}

TEST(TiffCodec, SurvivesCorruption) {
    for (const TiffCompression c : {TiffCompression::None, TiffCompression::PackBits, TiffCompression::FaxGroup3_2D,
                                    TiffCompression::FaxGroup4, TiffCompression::ZLibAdobe}) {
        const Bitmap b = IsFax(c) ? Picture(Kind::BlackWhite, 1, 60, 40) : Picture(Kind::Colour, 8, 60, 40);
        testutil::MutationSmoke(EncodeTiff(b, c), 200, [](ByteSpan bytes) { DecodeTiff(bytes); });
    }
}

}  // namespace
}  // namespace vimbra
