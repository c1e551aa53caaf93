#include "imagefiles/codecs/pcx_codec.h"

#include <gtest/gtest.h>

#include <cstring>

#include "imagefiles/codecs/codec_test_util.h"

namespace vimbra {
namespace {

using namespace testutil;

unsigned U16(const std::vector<uint8_t>& b, size_t at) { return b[at] | unsigned(b[at + 1]) << 8; }
void PutU16(std::vector<uint8_t>& b, size_t at, unsigned v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

const std::vector<PaletteEntry> kBlackWhite = {{0, 0, 0, 0}, {255, 255, 255, 0}};

Bitmap Picture(int w, int h, int depth, uint32_t seed = 1) {
    Bitmap b = MakePicture(w, h, depth, seed);
    if (depth == 1) b.palette() = kBlackWhite;
    return b;
}

// Header by hand; `body` follows it unchanged.
std::vector<uint8_t> BuildPcx(int version, int bits, int planes, int w, int h, int bytesPerLine,
                              const std::vector<uint8_t>& body, int encoding = 1) {
    std::vector<uint8_t> f(128, 0);
    f[0] = 10;
    f[1] = uint8_t(version);
    f[2] = uint8_t(encoding);
    f[3] = uint8_t(bits);
    PutU16(f, 8, unsigned(w - 1));
    PutU16(f, 10, unsigned(h - 1));
    for (int i = 0; i < 16; ++i) f[16 + 3 * i] = uint8_t(i * 16);  // reds 0, 16, ..
    f[65] = uint8_t(planes);
    PutU16(f, 66, unsigned(bytesPerLine));
    f.insert(f.end(), body.begin(), body.end());
    return f;
}

// Every byte as a one-byte run, the simplest valid coding.
std::vector<uint8_t> Runs(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> out;
    for (uint8_t b : bytes) out.insert(out.end(), {0xC1, b});
    return out;
}

// --- writer and round trips -------------------------------------------------

TEST(PcxCodec, RoundTripsEveryDepthAndWidth) {
    for (int depth : {1, 4, 8, 24})
        for (int width : {1, 7, 33, 64})
            for (int height : {1, 4}) {
                SCOPED_TRACE(std::to_string(depth) + " bits, " + std::to_string(width) + "x" +
                             std::to_string(height));
                Bitmap src = Picture(width, height, depth, uint32_t(width + depth));
                src.xDotsPerInch = 300;
                src.yDotsPerInch = 150;
                const Bitmap back = DecodePcx(EncodePcx(src));
                EXPECT_EQ(back, src);
                EXPECT_EQ(back.xDotsPerInch, 300);
                EXPECT_EQ(back.yDotsPerInch, 150);
            }
}

TEST(PcxCodec, WriterHeaderFields) {
    struct Case { int depth, bits, planes, bytesPerLine; };
    // Width 13: bytes per line rounded up to even.
    for (const Case c : {Case{1, 1, 1, 2}, Case{4, 4, 1, 8}, Case{8, 8, 1, 14}, Case{24, 8, 3, 14}}) {
        SCOPED_TRACE(c.depth);
        Bitmap src = Picture(13, 5, c.depth);
        src.xDotsPerInch = 300;
        src.yDotsPerInch = 300;
        const std::vector<uint8_t> f = EncodePcx(src);
        EXPECT_EQ(f[0], 10);
        EXPECT_EQ(f[1], 5);
        EXPECT_EQ(f[2], 1);
        EXPECT_EQ(f[3], c.bits);
        EXPECT_EQ(U16(f, 4), 0u);
        EXPECT_EQ(U16(f, 6), 0u);
        EXPECT_EQ(U16(f, 8), 12u);
        EXPECT_EQ(U16(f, 10), 4u);
        EXPECT_EQ(U16(f, 12), 300u);
        EXPECT_EQ(U16(f, 14), 300u);
        EXPECT_EQ(f[65], c.planes);
        EXPECT_EQ(U16(f, 66), unsigned(c.bytesPerLine));
        if (c.depth == 4) {
            EXPECT_EQ(f[16 + 3 * 5], src.palette()[5].red);
            EXPECT_EQ(f[16 + 3 * 5 + 2], src.palette()[5].blue);
        }
        if (c.depth == 8) {
            ASSERT_GT(f.size(), 769u);
            EXPECT_EQ(f[f.size() - 769], 12);
            EXPECT_EQ(f[f.size() - 768 + 3 * 7 + 1], src.palette()[7].green);
        }
    }
}

TEST(PcxCodec, OneBitWithDarkEntryOneIsWrittenInverted) {
    Bitmap src = Picture(11, 3, 1, 4);
    src.palette() = {{255, 255, 255, 0}, {0, 0, 0, 0}};
    const Bitmap back = DecodePcx(EncodePcx(src));
    EXPECT_EQ(back.palette(), kBlackWhite);
    EXPECT_TRUE(SameLook(back, src));
    EXPECT_EQ(back.paletteIndex(0, 0), 1 - src.paletteIndex(0, 0));
}

TEST(PcxCodec, WrittenFilesReadByOtherTools) {
    const std::vector<std::string> tools = ConverterTools();
    if (tools.empty()) GTEST_SKIP() << "neither ImageMagick nor GraphicsMagick installed";
    TempDir dir;
    for (const std::string& tool : tools)
        for (int depth : {1, 4, 8, 24}) {
            // ImageMagick 6 shows 1-bit PCX bits of 1 as black, against the
            // format's convention (0 black) that GraphicsMagick follows.
            if (depth == 1 && tool.find("im6") != std::string::npos) continue;
            SCOPED_TRACE(tool + ": " + std::to_string(depth));
            const Bitmap src = Picture(21, 6, depth, 5);
            WriteBytes(dir.file("ours.pcx"), EncodePcx(src));
            ASSERT_TRUE(RunTool(tool, dir.file("ours.pcx") + " -depth 8 ppm:" + dir.file("out.ppm")));
            EXPECT_TRUE(SameLook(ReadPpm(dir.file("out.ppm")), src));
        }
}

// --- files from independent tools -------------------------------------------

TEST(PcxCodec, ReadsFilesWrittenByOtherTools) {
    const std::vector<std::string> tools = ConverterTools();
    if (tools.empty()) GTEST_SKIP() << "neither ImageMagick nor GraphicsMagick installed";
    struct Case { const char* name; int depth; const char* options; int bits, planes, encoding; bool gmOnly; };
    // ImageMagick 6 writes two-colour pictures as 24-bit PCX, so 1-bit files come
    // from GraphicsMagick only; it writes raw rows (encoding 0) unless told.
    const Case cases[] = {{"24-bit", 24, "-type TrueColor -compress RLE", 8, 3, 1, false},
                          {"8-bit palette", 8, "-type Palette -compress RLE", 8, 1, 1, false},
                          {"1-bit", 1, "-type Bilevel -compress RLE", 1, 1, 1, true},
                          {"1-bit raw", 1, "-type Bilevel -compress None", 1, 1, 0, true},
                          {"8-bit raw", 8, "-type Palette -compress None", 8, 1, -1, false}};
    TempDir dir;
    for (const std::string& tool : tools)
        for (const Case& c : cases) {
            if (c.gmOnly && tool.find("gm") == std::string::npos) continue;
            SCOPED_TRACE(tool + ": " + c.name);
            const Bitmap src = Picture(23, 7, c.depth, 9);
            WritePpm(dir.file("src.ppm"), src);
            ASSERT_TRUE(RunTool(tool, dir.file("src.ppm") + " " + c.options + " pcx:" + dir.file("f.pcx")));
            const std::vector<uint8_t> f = ReadBytes(dir.file("f.pcx"));
            ASSERT_GE(f.size(), 128u);
            EXPECT_EQ(f[3], c.bits);
            EXPECT_EQ(f[65], c.planes);
            if (c.encoding >= 0) {
                EXPECT_EQ(f[2], c.encoding);
            }
            const ImageInfo info = ReadPcxInfo(f);
            EXPECT_EQ(info.width, 23);
            EXPECT_EQ(info.height, 7);
            EXPECT_EQ(info.bitCount, c.depth);
            EXPECT_TRUE(SameLook(DecodePcx(f), src));
        }
}

// --- hand-made variants -----------------------------------------------------

TEST(PcxCodec, FourBitLayoutsAndOlderVersions) {
    // 3 x 1 pixels 1, 10, 15 as four bit planes (plane i = bit i) ...
    const std::vector<uint8_t> planes = {0xA0, 0, 0x60, 0, 0x20, 0, 0x60, 0};
    // ... and as packed nibbles.
    const std::vector<uint8_t> packed = {0x1A, 0xF0};
    for (int version : {0, 1, 2, 3, 5}) {
        SCOPED_TRACE(version);
        for (const auto& f : {BuildPcx(version, 1, 4, 3, 1, 2, Runs(planes)),
                              BuildPcx(version, 4, 1, 3, 1, 2, Runs(packed))}) {
            const Bitmap b = DecodePcx(f);
            ASSERT_EQ(b.depth(), 4);
            EXPECT_EQ(b.paletteIndex(0, 0), 1);
            EXPECT_EQ(b.paletteIndex(1, 0), 10);
            EXPECT_EQ(b.paletteIndex(2, 0), 15);
            EXPECT_EQ(b.palette()[10].red, 160);  // from the header's 16 entries
        }
    }
}

TEST(PcxCodec, RunsMayCrossLinesAndWindowMayNotStartAtZero) {
    // 2 x 2 8-bit, bytes per line 2: one run of 4 covers both lines.
    std::vector<uint8_t> body = {0xC4, 9};
    body.push_back(12);
    for (int i = 0; i < 768; ++i) body.push_back(uint8_t(i));
    std::vector<uint8_t> f = BuildPcx(5, 8, 1, 2, 2, 2, body);
    PutU16(f, 4, 100);  // window 100..101 x 0..1
    PutU16(f, 8, 101);
    const Bitmap b = DecodePcx(f);
    EXPECT_EQ(b.width(), 2);
    EXPECT_EQ(b.scanLine(1)[1], 9);
    EXPECT_EQ(b.palette()[9].red, 27);
    // A zero-length run yields nothing.
    std::vector<uint8_t> z = {0xC0, 5, 0xC4, 3};
    z.push_back(12);
    z.resize(z.size() + 768);
    EXPECT_EQ(DecodePcx(BuildPcx(5, 8, 1, 2, 2, 2, z)).scanLine(0)[0], 3);
}

TEST(PcxCodec, TruncOptionKeepsTheRowsRead) {
    const std::vector<uint8_t> f = EncodePcx(Picture(8, 6, 24));
    const std::vector<uint8_t> cut(f.begin(), f.end() - 5);
    EXPECT_THROW(DecodePcx(cut), ImageFileError);
    const Bitmap b = DecodePcx(cut, "trunc");
    EXPECT_EQ(b.height(), 6);
    EXPECT_EQ(0, std::memcmp(b.scanLine(0), Picture(8, 6, 24).scanLine(0), 24));
}

// --- DCX ----------------------------------------------------------------------

TEST(DcxCodec, PagesRoundTrip) {
    const std::vector<Bitmap> pages = {Picture(16, 8, 1, 1), Picture(9, 4, 8, 2), Picture(5, 5, 24, 3)};
    const std::vector<uint8_t> f = EncodeDcx(pages);
    EXPECT_EQ(DcxPageCount(f), 3);
    const ImageInfo info = ReadDcxInfo(f);
    EXPECT_EQ(info.pageCount, 3);
    EXPECT_EQ(info.width, 16);
    EXPECT_EQ(info.bitCount, 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(DecodeDcxPage(f, i), pages[size_t(i)]) << i;
    EXPECT_THROW(DecodeDcxPage(f, 3), ImageFileError);
    EXPECT_THROW(DecodeDcxPage(f, -1), ImageFileError);
}

TEST(DcxCodec, ReadsImageMagickPages) {
    const std::string im = ImageMagick();
    if (im.empty()) GTEST_SKIP() << "ImageMagick not installed";
    TempDir dir;
    const Bitmap a = Picture(30, 10, 8, 4), b = Picture(12, 7, 24, 5);
    WritePpm(dir.file("a.ppm"), a);
    WritePpm(dir.file("b.ppm"), b);
    ASSERT_TRUE(RunTool(im, "\\( " + dir.file("a.ppm") + " -type Palette \\) " + dir.file("b.ppm") +
                                " dcx:" + dir.file("f.dcx")));
    const std::vector<uint8_t> f = ReadBytes(dir.file("f.dcx"));
    ASSERT_EQ(DcxPageCount(f), 2);
    EXPECT_TRUE(SameLook(DecodeDcxPage(f, 0), a));
    EXPECT_TRUE(SameLook(DecodeDcxPage(f, 1), b));
    EXPECT_EQ(DecodeDcxPage(f, 0).depth(), 8);
    EXPECT_EQ(DecodeDcxPage(f, 1).depth(), 24);
}

TEST(DcxCodec, RefusesBrokenTables) {
    std::vector<uint8_t> f = EncodeDcx({Picture(4, 4, 8), Picture(4, 4, 24)});
    ExpectPrefixesRefused(f, 12, [](ByteSpan d) { DcxPageCount(d); });
    auto refused = [](std::vector<uint8_t> g, const char* why) {
        SCOPED_TRACE(why);
        EXPECT_THROW(DecodeDcxPage(g, 0), ImageFileError);
    };
    std::vector<uint8_t> g = f;
    g[0] ^= 1;
    refused(g, "signature");
    g = f;
    g[4] = g[5] = g[6] = g[7] = 0;
    refused(g, "no pages");
    g = f;
    g[7] = 0x7F;
    refused(g, "offset past the end");
    g = f;
    g[4] = 2;
    g[5] = g[6] = g[7] = 0;
    refused(g, "offset inside the table");
    g.assign(f.begin(), f.begin() + 4100 + 60);
    refused(g, "page cut short");
}

// --- hostile input ------------------------------------------------------------

TEST(PcxCodec, TruncationAtEveryByteIsRefused) {
    for (int depth : {1, 4, 24}) {
        SCOPED_TRACE(depth);
        const std::vector<uint8_t> f = EncodePcx(Picture(16, 3, depth));
        ExpectPrefixesRefused(f, f.size(), [](ByteSpan d) { DecodePcx(d); });
    }
    // 8 bits: the palette sits at the end, so any cut loses its marker or data.
    const std::vector<uint8_t> f = EncodePcx(Picture(16, 3, 8));
    for (size_t n : {size_t(0), size_t(127), size_t(128), size_t(140), f.size() - 769, f.size() - 1}) {
        SCOPED_TRACE(n);
        EXPECT_THROW(DecodePcx(ByteSpan(f.data(), n)), ImageFileError);
    }
}

TEST(PcxCodec, RefusesBadHeaders) {
    const std::vector<uint8_t> good = EncodePcx(Picture(8, 2, 24));
    auto refused = [&](auto change, const char* why) {
        SCOPED_TRACE(why);
        std::vector<uint8_t> f = good;
        change(f);
        EXPECT_THROW(DecodePcx(f), ImageFileError);
    };
    refused([](auto& f) { f[0] = 11; }, "manufacturer");
    for (int v : {4, 6, 200})
        refused([v](auto& f) { f[1] = uint8_t(v); }, "version");
    refused([](auto& f) { f[2] = 2; }, "encoding");
    refused([](auto& f) { f[3] = 2; f[65] = 1; }, "2 bits in 1 plane");
    refused([](auto& f) { f[65] = 2; }, "8 bits in 2 planes");
    refused([](auto& f) { f[3] = 1; f[65] = 3; }, "1 bit in 3 planes");
    refused([](auto& f) { PutU16(f, 4, 9); }, "x min past x max");
    refused([](auto& f) { PutU16(f, 66, 7); }, "bytes per line too small");
    refused([](auto& f) {
                f[3] = 1;
                f[65] = 1;
                PutU16(f, 8, 39999);
                PutU16(f, 66, 5000);
            },
            "width over the cap");
    refused([](auto& f) {
                PutU16(f, 8, 29999);
                PutU16(f, 10, 29999);
                PutU16(f, 66, 30000);
            },
            "huge picture in a small file");
    // Palette of an 8-bit file missing or without its marker.
    std::vector<uint8_t> p = EncodePcx(Picture(8, 2, 8));
    p[p.size() - 769] = 11;
    EXPECT_THROW(DecodePcx(p), ImageFileError);
    EXPECT_THROW(DecodePcx(BuildPcx(5, 8, 1, 2, 1, 2, Runs({1, 2}))), ImageFileError);
    // A run whose value byte is missing, and data that ends mid-picture.
    EXPECT_THROW(DecodePcx(BuildPcx(5, 1, 1, 8, 1, 2, {0xC2})), ImageFileError);
    EXPECT_THROW(DecodePcx(BuildPcx(5, 1, 1, 8, 2, 2, {0xC2, 0})), ImageFileError);
    // Raw rows shorter than the picture.
    EXPECT_THROW(DecodePcx(BuildPcx(5, 1, 1, 8, 4, 2, {1, 2, 3}, 0)), ImageFileError);
}

TEST(PcxCodec, MutatedFilesOnlyRaiseImageFileError) {
    for (int depth : {1, 4, 8, 24}) {
        const std::vector<uint8_t> f = EncodePcx(Picture(9, 5, depth));
        MutationSmoke(f, 400, [](ByteSpan d) {
            DecodePcx(d);
            ReadPcxInfo(d);
        });
    }
    const std::vector<uint8_t> dcx = EncodeDcx({Picture(5, 3, 4), Picture(6, 2, 1)});
    MutationSmoke(dcx, 300, [](ByteSpan d) {
        for (int i = 0; i < DcxPageCount(d); ++i) DecodeDcxPage(d, i);
    });
}

}  // namespace
}  // namespace vimbra
