#include "imagefiles/codecs/png_codec.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <sstream>

#include "imagefiles/codecs/codec_test_util.h"

namespace vimbra {
namespace {

using testutil::ReadPpm;
using testutil::RunTool;
using testutil::SameLook;

const std::string kMagick = "/usr/bin/convert-im6.q16";
const std::string kGm = "/usr/bin/gm";
bool Have(const std::string& tool) { return access(tool.c_str(), X_OK) == 0; }

std::vector<uint8_t> Load(const std::string& path) { return ReadWholeFile(path); }

// ---- pictures for round trips -------------------------------------------------

Bitmap Pattern(int w, int h, int depth, bool grey) {
    Bitmap b(w, h, depth);
    const int n = depth == 24 ? 0 : 1 << depth;
    for (int i = 0; i < n; ++i) {
        const uint8_t v = uint8_t(i * 255 / (n - 1));
        b.palette()[size_t(i)] = grey ? PaletteEntry{v, v, v, 0}
                                      : PaletteEntry{uint8_t(255 - v), uint8_t(i * 37), v, 0};
    }
    for (int y = 0; y < h; ++y) {
        uint8_t* row = b.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const int v = (x * 7 + y * 13 + x * y) & 0xFF;
            switch (depth) {
            case 1: if (v & 1) row[x >> 3] |= uint8_t(0x80 >> (x & 7)); break;
            case 4: row[x >> 1] |= uint8_t((x & 1) ? v & 15 : (v & 15) << 4); break;
            case 8: row[x] = uint8_t(v); break;
            default: row[3 * x] = uint8_t(v); row[3 * x + 1] = uint8_t(x * 9); row[3 * x + 2] = uint8_t(y * 5);
            }
        }
    }
    return b;
}

bool Contains(const std::vector<uint8_t>& data, const std::string& text) {
    return std::search(data.begin(), data.end(), text.begin(), text.end()) != data.end();
}

// ---- round trips through our own reader --------------------------------------

TEST(PngCodec, RoundTripsEveryDepthAndPalette) {
    struct Case { int depth; bool grey; };
    for (const Case c : {Case{1, true}, Case{1, false}, Case{4, true}, Case{4, false}, Case{8, true},
                         Case{8, false}, Case{24, false}})
        for (const bool interlaced : {false, true})
            for (const int level : {0, 2}) {
                SCOPED_TRACE(testing::Message() << "depth " << c.depth << " grey " << c.grey
                                                << " interlaced " << interlaced << " level " << level);
                Bitmap b = Pattern(37, 19, c.depth, c.grey);
                b.xDotsPerInch = 300;
                b.yDotsPerInch = 150;
                const auto bytes = EncodePng(b, {interlaced, level});
                const PngInfo info = ReadPngInfo(bytes);
                EXPECT_EQ(info.interlace, interlaced ? 1 : 0);
                EXPECT_EQ(info.colorType, c.depth == 24 ? 2 : c.grey ? 0 : 3);
                const Bitmap back = DecodePng(bytes);
                EXPECT_EQ(back, b);
                EXPECT_EQ(back.xDotsPerInch, 300);
                EXPECT_EQ(back.yDotsPerInch, 150);
            }
}

TEST(PngCodec, HonoursInvertedOneBitPaletteAndOmitsGamma) {
    Bitmap b = Pattern(9, 5, 1, true);
    b.palette() = {{255, 255, 255, 0}, {0, 0, 0, 0}};
    const auto bytes = EncodePng(b);
    EXPECT_FALSE(Contains(bytes, "gAMA"));
    EXPECT_FALSE(Contains(bytes, "pHYs"));  // resolution unknown
    const Bitmap back = DecodePng(bytes);
    EXPECT_EQ(back, b);
    EXPECT_EQ(back.xDotsPerInch, 0);
}

// ---- files written by independent tools --------------------------------------

struct ToolCase {
    const char* name;
    bool gm;           // GraphicsMagick rather than ImageMagick
    const char* args;  // between the source and the output
    int bitDepth, colorType, interlace, depth;
};

const ToolCase kToolCases[] = {
    {"grey1", false, "-colorspace gray -threshold 50% -define png:color-type=0 -define png:bit-depth=1", 1, 0, 0, 1},
    {"grey2", false, "-colorspace gray -depth 2 -define png:color-type=0 -define png:bit-depth=2", 2, 0, 0, 4},
    {"grey2i", false, "-colorspace gray -depth 2 -interlace PNG -define png:color-type=0 -define png:bit-depth=2", 2, 0, 1, 4},
    {"grey4", false, "-colorspace gray -depth 4 -define png:color-type=0 -define png:bit-depth=4", 4, 0, 0, 4},
    {"grey8", false, "-colorspace gray -define png:color-type=0 -define png:bit-depth=8", 8, 0, 0, 8},
    {"grey16", false, "-colorspace gray -depth 16 -define png:color-type=0 -define png:bit-depth=16", 16, 0, 0, 8},
    {"pal1", true, "+dither -colors 2 -type Palette", 1, 3, 0, 1},
    {"pal2", true, "+dither -colors 4 -type Palette", 2, 3, 0, 4},
    {"pal4", true, "+dither -colors 16 -type Palette", 4, 3, 0, 4},
    {"pal4i", true, "+dither -colors 16 -type Palette -interlace Line", 4, 3, 1, 4},
    {"pal8", false, "+dither -colors 200 -define png:color-type=3 -define png:bit-depth=8", 8, 3, 0, 8},
    {"rgb8", false, "-define png:color-type=2 -define png:bit-depth=8", 8, 2, 0, 24},
    {"rgb8i", false, "-interlace PNG -define png:color-type=2 -define png:bit-depth=8", 8, 2, 1, 24},
    {"rgb16", false, "-depth 16 -define png:color-type=2 -define png:bit-depth=16", 16, 2, 0, 24},
};

class PngFixtures : public testing::Test {
protected:
    void SetUp() override {
        if (!Have(kMagick) || !Have(kGm)) GTEST_SKIP() << "ImageMagick or GraphicsMagick is missing";
        ASSERT_TRUE(RunTool(kMagick, "-size 37x29 -seed 7 plasma:fractal -depth 8 " + dir.file("src.ppm")));
        ASSERT_TRUE(RunTool(kMagick, "-size 37x29 gradient:white-black -depth 8 " + dir.file("alpha.pgm")));
    }
    // Makes the fixture and the tool's own PPM reading of it.
    std::vector<uint8_t> Make(const ToolCase& c, Bitmap& reference, const std::string& flatten = "") {
        const std::string out = dir.file(std::string(c.name) + ".png");
        const std::string tool = c.gm ? kGm + " convert" : kMagick;
        EXPECT_TRUE(RunTool(tool, dir.file("src.ppm") + " " + c.args + " " + out));
        EXPECT_TRUE(RunTool(kMagick, out + " " + flatten + " -depth 8 ppm:" + dir.file("ref.ppm")));
        reference = ReadPpm(dir.file("ref.ppm"));
        return Load(out);
    }
    testutil::TempDir dir;
};

TEST_F(PngFixtures, DecodesEveryColourTypeAndDepth) {
    for (const ToolCase& c : kToolCases) {
        SCOPED_TRACE(c.name);
        Bitmap reference;
        const auto bytes = Make(c, reference);
        ASSERT_GT(bytes.size(), 29u);
        ASSERT_EQ(bytes[24], c.bitDepth) << "fixture has another bit depth";
        ASSERT_EQ(bytes[25], c.colorType) << "fixture has another colour type";
        ASSERT_EQ(bytes[28], c.interlace);
        const PngInfo info = ReadPngInfo(bytes);
        EXPECT_EQ(info.width, 37);
        EXPECT_EQ(info.bitCount, c.bitDepth * (c.colorType == 2 ? 3 : 1));
        const Bitmap b = DecodePng(bytes);
        EXPECT_EQ(b.depth(), c.depth);
        EXPECT_TRUE(SameLook(b, reference, c.bitDepth == 16 ? 1 : 0));
        if (c.colorType == 0) {
            EXPECT_TRUE(b.hasGreyPalette());
        }
    }
}

TEST_F(PngFixtures, ComposesAlphaOverTheBackground) {
    const std::string alpha = "\\( " + dir.file("alpha.pgm") + " \\) -alpha off -compose copy_opacity -composite ";
    const ToolCase cases[] = {
        {"ga8", false, "-colorspace gray", 8, 4, 0, 8},
        {"ga16", false, "-colorspace gray -depth 16", 16, 4, 0, 8},
        {"rgba8", false, "", 8, 6, 0, 24},
        {"rgba8i", false, "-interlace PNG", 8, 6, 1, 24},
        {"rgba16", false, "-depth 16", 16, 6, 0, 24},
    };
    for (const ToolCase& c : cases) {
        // Grey pictures compose over the grey of the background colour.
        for (const PaletteEntry bg : {PaletteEntry{90, 90, 90, 0}, PaletteEntry{200, 100, 50, 0}}) {
            if (c.colorType == 4 && bg.red != bg.green) continue;
            SCOPED_TRACE(testing::Message() << c.name << " background " << int(bg.red));
            std::ostringstream flatten;
            flatten << "-background \"rgb(" << int(bg.red) << "," << int(bg.green) << "," << int(bg.blue)
                    << ")\" -alpha remove -alpha off";
            const std::string args = std::string(c.args) + " " + alpha + "-define png:color-type=" +
                                     std::to_string(c.colorType) + " -define png:bit-depth=" +
                                     std::to_string(c.bitDepth);
            ToolCase made = c;
            made.args = args.c_str();
            Bitmap reference;
            const auto bytes = Make(made, reference, flatten.str());
            ASSERT_EQ(bytes[25], c.colorType);
            ASSERT_EQ(bytes[24], c.bitDepth);
            PngReadOptions options;
            options.useOwnBackground = true;
            options.backgroundColor = bg;
            const Bitmap b = DecodePng(bytes, options);
            EXPECT_EQ(b.depth(), c.depth);
            EXPECT_TRUE(SameLook(b, reference, 1));
        }
    }
}

TEST_F(PngFixtures, TransparentColourAndFileBackground) {
    // RGB with a tRNS colour, and a bKGD chunk the reader prefers unless told otherwise.
    const std::string out = dir.file("trns.png");
    ASSERT_TRUE(RunTool(kMagick, "-size 8x6 xc:red -fill blue -draw \"rectangle 2,2 5,3\" -transparent blue "
                              "-background lime -define png:color-type=2 PNG24:" + out));
    const auto bytes = Load(out);
    ASSERT_EQ(bytes[25], 2);
    ASSERT_TRUE(Contains(bytes, "tRNS"));
    PngReadOptions own;
    own.useOwnBackground = true;
    own.backgroundColor = {10, 20, 30, 0};
    const Bitmap b = DecodePng(bytes, own);
    ASSERT_EQ(b.depth(), 24);
    const uint8_t* inside = b.scanLine(2) + 3 * 3;
    EXPECT_EQ(inside[0], 30);
    EXPECT_EQ(inside[2], 10);
    EXPECT_EQ(b.scanLine(0)[2], 255);  // opaque red stays
    if (Contains(bytes, "bKGD")) {
        const Bitmap f = DecodePng(bytes);
        EXPECT_EQ(f.scanLine(2)[3 * 3 + 1], 255);  // lime
    }
}

TEST_F(PngFixtures, OurFilesReadByAnIndependentTool) {
    for (const int depth : {1, 4, 8, 24})
        for (const bool grey : {true, false}) {
            SCOPED_TRACE(testing::Message() << depth << (grey ? " grey" : " colour"));
            const Bitmap b = Pattern(29, 17, depth, grey);
            const std::string path = dir.file("ours.png");
            WriteFileAtomically(path, EncodePng(b));
            ASSERT_TRUE(RunTool(kGm + " convert", path + " -depth 8 ppm:" + dir.file("ours.ppm")));
            EXPECT_TRUE(SameLook(ReadPpm(dir.file("ours.ppm")), b));
        }
}

// ---- hostile input ------------------------------------------------------------

void ExpectRefused(const std::vector<uint8_t>& bytes) {
    EXPECT_THROW(DecodePng(bytes), ImageFileError);
}

TEST(PngCodec, RefusesMalformedFiles) {
    const auto good = EncodePng(Pattern(40, 30, 24, false), {false, 1});
    ExpectRefused({});
    ExpectRefused({'n', 'o', 't', ' ', 'p', 'n', 'g', '!', 0, 0});
    try {
        DecodePng(std::vector<uint8_t>(good.begin() + 1, good.end()));
        FAIL();
    } catch (const ImageFileError& e) {
        EXPECT_STREQ(e.what(), "Invalid PNG file");
    }
    for (const size_t cut : {size_t(8), size_t(20), size_t(40), good.size() / 2, good.size() - 20})
        ExpectRefused(std::vector<uint8_t>(good.begin(), good.begin() + long(cut)));

    // Huge dimensions with a correct CRC: refused before any allocation, by the
    // size cap or because the compressed data is far too short for them.
    for (const uint32_t side : {40000u, 29000u}) {
        std::vector<uint8_t> huge = good;
        for (const size_t at : {size_t(16), size_t(20)})
            for (int i = 0; i < 4; ++i) huge[at + size_t(i)] = uint8_t(side >> (24 - 8 * i));
        const uint32_t crc = uint32_t(crc32(0, huge.data() + 12, 17));
        for (int i = 0; i < 4; ++i) huge[29 + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
        ExpectRefused(huge);
        if (side > uint32_t(Bitmap::kMaxSide)) {
            EXPECT_THROW(ReadPngInfo(huge), ImageFileError);
        }
    }
}

TEST(PngCodec, SurvivesCorruption) {
    for (const int depth : {1, 8, 24})
        testutil::MutationSmoke(EncodePng(Pattern(33, 21, depth, depth == 8), {depth == 8, 1}), 300,
                                [](ByteSpan bytes) { DecodePng(bytes); });
}

}  // namespace
}  // namespace vimbra
