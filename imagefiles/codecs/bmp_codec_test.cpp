#include "imagefiles/codecs/bmp_codec.h"

#include <gtest/gtest.h>

#include <cstring>

#include "imagefiles/codecs/codec_test_util.h"

namespace vimbra {
namespace {

using namespace testutil;

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}
void PutU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}
void PutU16(std::vector<uint8_t>& b, size_t at, unsigned v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

// A file built field by field: the information header is `headerSize` bytes
// (12 = old style with 3-byte palette entries), then the palette, then `data`.
std::vector<uint8_t> BuildBmp(uint32_t headerSize, int32_t width, int32_t height, int bits,
                              uint32_t compression, const std::vector<PaletteEntry>& palette,
                              const std::vector<uint8_t>& data, uint32_t colorsUsed = 0) {
    const size_t entry = headerSize == 12 ? 3 : 4;
    std::vector<uint8_t> f(14 + headerSize + palette.size() * entry, 0);
    f[0] = 'B';
    f[1] = 'M';
    PutU32(f, 10, uint32_t(f.size()));
    PutU32(f, 14, headerSize);
    if (headerSize == 12) {
        PutU16(f, 18, unsigned(width));
        PutU16(f, 20, unsigned(height));
        PutU16(f, 22, 1);
        PutU16(f, 24, unsigned(bits));
    } else {
        PutU32(f, 18, uint32_t(width));
        PutU32(f, 22, uint32_t(height));
        PutU16(f, 26, 1);
        PutU16(f, 28, unsigned(bits));
        if (headerSize >= 20) PutU32(f, 30, compression);
        if (headerSize >= 36) PutU32(f, 46, colorsUsed);
    }
    for (size_t i = 0; i < palette.size(); ++i) {
        uint8_t* e = f.data() + 14 + headerSize + i * entry;
        e[0] = palette[i].blue;
        e[1] = palette[i].green;
        e[2] = palette[i].red;
    }
    f.insert(f.end(), data.begin(), data.end());
    PutU32(f, 2, uint32_t(f.size()));
    return f;
}

const std::vector<PaletteEntry> kFour = {
    {0, 0, 0, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}};

std::vector<PaletteEntry> Padded(std::vector<PaletteEntry> p, size_t n) {
    p.resize(n);
    return p;
}

// --- writer and round trips -------------------------------------------------

TEST(BmpCodec, RoundTripsEveryDepthAndWidth) {
    for (int depth : {1, 4, 8, 24})
        for (int width : {1, 7, 33, 64})
            for (int height : {1, 5}) {
                SCOPED_TRACE(std::to_string(depth) + " bits, " + std::to_string(width) + "x" +
                             std::to_string(height));
                Bitmap src = MakePicture(width, height, depth, uint32_t(width * 31 + depth));
                src.xDotsPerInch = 72;
                src.yDotsPerInch = 300;
                const Bitmap back = DecodeBmp(EncodeBmp(src));
                EXPECT_EQ(back, src);
                EXPECT_EQ(back.xDotsPerInch, 72);
                EXPECT_EQ(back.yDotsPerInch, 300);
            }
}

TEST(BmpCodec, WriterFillsTheHeadersAsHeld) {
    Bitmap src = MakePicture(5, 3, 8);
    src.palette().resize(20);  // colours used follows the palette
    src.xDotsPerInch = 72;
    const std::vector<uint8_t> f = EncodeBmp(src);
    const uint32_t stride = 8, image = stride * 3, offBits = 54 + 4 * 20;
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(U32(f, 2), offBits + image);
    EXPECT_EQ(U32(f, 6), 0u);
    EXPECT_EQ(U32(f, 10), offBits);
    EXPECT_EQ(U32(f, 14), 40u);
    EXPECT_EQ(U32(f, 18), 5u);
    EXPECT_EQ(U32(f, 22), 3u);
    EXPECT_EQ(f[28], 8);
    EXPECT_EQ(U32(f, 30), 0u);
    EXPECT_EQ(U32(f, 34), image);
    EXPECT_EQ(U32(f, 38), 2835u);  // 72 dpi
    EXPECT_EQ(U32(f, 46), 20u);
    EXPECT_EQ(f.size(), offBits + image);
    // Bottom row first.
    EXPECT_EQ(0, std::memcmp(f.data() + offBits, src.scanLine(2), 5));

    const std::vector<uint8_t> t = EncodeBmp(MakePicture(2, 2, 24));
    EXPECT_EQ(U32(t, 10), 54u);
    EXPECT_EQ(U32(t, 46), 0u);
}

TEST(BmpCodec, WrittenFilesReadByImageMagick) {
    const std::string im = ImageMagick();
    if (im.empty()) GTEST_SKIP() << "ImageMagick not installed";
    TempDir dir;
    for (int depth : {1, 4, 8, 24}) {
        SCOPED_TRACE(depth);
        const Bitmap src = MakePicture(21, 6, depth, 5);
        WriteBytes(dir.file("ours.bmp"), EncodeBmp(src));
        ASSERT_TRUE(RunTool(im, dir.file("ours.bmp") + " -depth 8 ppm:" + dir.file("out.ppm")));
        EXPECT_TRUE(SameLook(ReadPpm(dir.file("out.ppm")), src));
    }
}

// --- files from independent tools -------------------------------------------

struct ToolCase {
    const char* name;
    int depth;            // of the source picture
    const char* options;  // between source and output
    const char* coder;
    uint32_t headerSize;  // what the fixture must have, 0 = any
    int bitCount;
    uint32_t compression;
    int tolerance;
    bool imageMagickOnly;
};

const ToolCase kToolCases[] = {
    {"24-bit", 24, "-type TrueColor", "bmp3", 40, 24, 0, 0, false},
    {"8-bit palette", 8, "-type Palette -compress None", "bmp3", 40, 8, 0, 0, false},
    {"8-bit RLE", 8, "-type Palette -compress RLE", "bmp3", 40, 8, 1, 0, false},
    {"4-bit palette", 4, "-type Palette", "bmp3", 40, 4, 0, 0, false},
    {"1-bit", 1, "-type Bilevel", "bmp3", 40, 1, 0, 0, false},
    {"old header 24-bit", 24, "-type TrueColor", "bmp2", 12, 24, 0, 0, false},
    {"old header 4-bit", 4, "-type Palette", "bmp2", 12, 4, 0, 0, false},
    {"old header 8-bit", 8, "-type Palette", "bmp2", 12, 8, 0, 0, false},
    {"16-bit 5-5-5", 24, "-define bmp:subtype=RGB555", "bmp", 0, 16, 3, 8, true},
    {"16-bit 5-6-5", 24, "-define bmp:subtype=RGB565", "bmp", 0, 16, 3, 8, true},
    {"32-bit with alpha", 24, "-alpha on", "bmp", 124, 32, 3, 0, true},
    {"24-bit version 5 header", 24, "-type TrueColor", "bmp", 124, 24, 0, 0, true},
};

TEST(BmpCodec, ReadsFilesWrittenByOtherTools) {
    const std::vector<std::string> tools = ConverterTools();
    if (tools.empty()) GTEST_SKIP() << "neither ImageMagick nor GraphicsMagick installed";
    TempDir dir;
    for (const std::string& tool : tools)
        for (const ToolCase& c : kToolCases) {
            const bool isIm = tool.find("im6") != std::string::npos;
            if (c.imageMagickOnly && !isIm) continue;
            SCOPED_TRACE(tool + ": " + c.name);
            Bitmap src = MakePicture(23, 7, c.depth, 9);
            if (c.depth == 1) src.palette() = {{0, 0, 0, 0}, {255, 255, 255, 0}};
            WritePpm(dir.file("src.ppm"), src);
            const std::string out = dir.file("fixture.bmp");
            ASSERT_TRUE(RunTool(tool, dir.file("src.ppm") + " " + c.options + " " + c.coder + ":" + out));
            const std::vector<uint8_t> file = ReadBytes(out);
            ASSERT_GE(file.size(), 54u);
            if (c.headerSize) {
                EXPECT_EQ(U32(file, 14), c.headerSize);
            }
            const ImageInfo info = ReadBmpInfo(file);
            EXPECT_EQ(info.width, 23);
            EXPECT_EQ(info.height, 7);
            EXPECT_EQ(info.bitCount, c.bitCount);
            if (U32(file, 14) >= 40) {
                EXPECT_EQ(U32(file, 30), c.compression);
            }
            const Bitmap got = DecodeBmp(file);
            EXPECT_EQ(got.depth(), c.bitCount > 8 ? 24 : c.bitCount);
            EXPECT_TRUE(SameLook(got, src, c.tolerance));
        }
}

// --- hand-made variants -----------------------------------------------------

TEST(BmpCodec, DecodesRle8Codes) {
    // 6 x 3, bottom row first: run, absolute of odd length (padded), delta one
    // row down, run, end of line, run, end of bitmap.
    const std::vector<uint8_t> rle = {
        2, 1, 0, 3, 2, 3, 1, 0,  // bottom: 1 1 2 3 1 .
        0, 2, 0, 1,              // delta: same x, next row
        1, 3, 0, 0,              // middle: . . . . . 3
        6, 3, 0, 1};             // top: 3 x 6
    const Bitmap b = DecodeBmp(BuildBmp(40, 6, 3, 8, 1, Padded(kFour, 4), rle));
    const uint8_t r2[6] = {1, 1, 2, 3, 1, 0}, r1[6] = {0, 0, 0, 0, 0, 3}, r0[6] = {3, 3, 3, 3, 3, 3};
    EXPECT_EQ(0, std::memcmp(b.scanLine(2), r2, 6));
    EXPECT_EQ(0, std::memcmp(b.scanLine(1), r1, 6));
    EXPECT_EQ(0, std::memcmp(b.scanLine(0), r0, 6));
    EXPECT_EQ(b.palette().size(), 4u);
}

TEST(BmpCodec, DecodesRle4Codes) {
    // 7 x 2: a run alternates its two nibbles; absolute of 3 nibbles takes 2
    // bytes, padded to 4 with the count.
    const std::vector<uint8_t> rle = {
        5, 0x12, 0, 3, 0x34, 0x50, 0, 0,  // bottom: 1 2 1 2 1 3 4  (+ nibble 5 clipped)
        0, 2, 3, 0,                       // delta x + 3
        4, 0xFF, 0, 1};                   // top: 0 0 0 F F F F
    const Bitmap b = DecodeBmp(BuildBmp(40, 7, 2, 4, 2, Padded(kFour, 16), rle));
    auto px = [&](int x, int y) { return b.paletteIndex(x, y); };
    const int bottom[7] = {1, 2, 1, 2, 1, 3, 4}, top[7] = {0, 0, 0, 15, 15, 15, 15};
    for (int x = 0; x < 7; ++x) {
        EXPECT_EQ(px(x, 1), bottom[x]) << x;
        EXPECT_EQ(px(x, 0), top[x]) << x;
    }
}

TEST(BmpCodec, OldAndShortInformationHeaders) {
    // Same 3 x 2 4-bit picture under header sizes 12, 16, 40 and 64.
    const std::vector<uint8_t> rows = {0x12, 0x30, 0, 0, 0x45, 0x60, 0, 0};
    for (uint32_t hs : {12u, 16u, 40u, 64u}) {
        SCOPED_TRACE(hs);
        std::vector<uint8_t> f = BuildBmp(hs, 3, 2, 4, 0, Padded(kFour, 16), rows);
        if (hs >= 40) PutU32(f, 38, 3780);  // 96 dpi
        const Bitmap b = DecodeBmp(f);
        EXPECT_EQ(b.paletteIndex(0, 1), 1);
        EXPECT_EQ(b.paletteIndex(2, 0), 6);
        EXPECT_EQ(b.palette()[2].green, 255);
        // Resolution exists only in headers reaching its field.
        EXPECT_EQ(b.xDotsPerInch, hs >= 40 ? 96 : 0);
    }
}

TEST(BmpCodec, TopDownRowsAndBitmapArrayWrapper) {
    const Bitmap src = MakePicture(9, 4, 24, 3);
    std::vector<uint8_t> f = EncodeBmp(src);
    // Negative height: the same rows stored top first.
    std::vector<uint8_t> td = f;
    PutU32(td, 22, uint32_t(-4));
    const size_t stride = 28;
    for (int y = 0; y < 4; ++y) std::memcpy(td.data() + 54 + size_t(y) * stride, src.scanLine(y), stride);
    EXPECT_EQ(DecodeBmp(td), src);
    EXPECT_EQ(ReadBmpInfo(td).height, 4);

    // A bitmap-array header in front; the bits offset read either way.
    std::vector<uint8_t> ba = {'B', 'A', 40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    ba.insert(ba.end(), f.begin(), f.end());
    EXPECT_EQ(DecodeBmp(ba), src);
    PutU32(ba, 14 + 10, 54 + 14);
    EXPECT_EQ(DecodeBmp(ba), src);
}

TEST(BmpCodec, ImageSizeZeroAndPaletteCounts) {
    Bitmap src = MakePicture(6, 3, 8, 4);
    std::vector<uint8_t> f = EncodeBmp(src);
    PutU32(f, 34, 0);  // biSizeImage 0 is legal
    EXPECT_EQ(DecodeBmp(f), src);

    // More colours used than the depth allows: capped, bits found by the offset.
    const std::vector<uint8_t> rows = {0x80, 0, 0, 0};
    std::vector<uint8_t> one = BuildBmp(40, 1, 1, 1, 0, {{0, 0, 0, 0}, {255, 255, 255, 0}}, rows, 300);
    EXPECT_EQ(DecodeBmp(one).palette().size(), 2u);
    // Without "inv" the two 1-bit entries are swapped; "invb" inverts the bits.
    EXPECT_EQ(DecodeBmp(one, "").palette()[0].red, 255);
    const Bitmap inverted = DecodeBmp(one, "inv, invb");
    EXPECT_EQ(inverted.paletteIndex(0, 0), 0);
    EXPECT_EQ(inverted.palette()[0].red, 0);
}

// --- hostile input ------------------------------------------------------------

TEST(BmpCodec, TruncationAtEveryByteIsRefused) {
    // Widths without row padding, so every byte of the file is needed.
    for (int depth : {1, 4, 8, 24}) {
        SCOPED_TRACE(depth);
        const std::vector<uint8_t> f = EncodeBmp(MakePicture(depth == 24 ? 4 : 32, 3, depth));
        ExpectPrefixesRefused(f, f.size(), [](ByteSpan d) { DecodeBmp(d); });
    }
    const std::vector<uint8_t> rle = {3, 1, 0, 0, 3, 2, 0, 0, 0, 1};
    const std::vector<uint8_t> f = BuildBmp(40, 3, 2, 8, 1, Padded(kFour, 4), rle);
    // Only the end-of-bitmap mark after the last row may be missing.
    ExpectPrefixesRefused(f, f.size() - 2, [](ByteSpan d) { DecodeBmp(d); });
    EXPECT_NO_THROW(DecodeBmp(ByteSpan(f.data(), f.size() - 2)));
    const std::vector<uint8_t> old = BuildBmp(12, 2, 1, 8, 0, Padded(kFour, 256), {1, 2, 0, 0});
    ExpectPrefixesRefused(old, old.size() - 2, [](ByteSpan d) { DecodeBmp(d); });
}

TEST(BmpCodec, RefusesBadHeaders) {
    const std::vector<uint8_t> rows(64, 0);
    auto refused = [](std::vector<uint8_t> f, const char* why) {
        SCOPED_TRACE(why);
        EXPECT_THROW(DecodeBmp(f), ImageFileError);
    };
    auto with = [&](auto change) {
        std::vector<uint8_t> f = BuildBmp(40, 4, 2, 24, 0, {}, rows);
        change(f);
        return f;
    };
    refused(with([](auto& f) { f[1] = 'X'; }), "signature");
    refused(with([](auto& f) { PutU32(f, 14, 13); }), "header size 13");
    refused(with([](auto& f) { PutU32(f, 14, 0xFFFFFFF0u); }), "header size huge");
    refused(with([](auto& f) { PutU32(f, 14, 400); }), "header past the file");
    refused(with([](auto& f) { PutU32(f, 18, 0); }), "width 0");
    refused(with([](auto& f) { PutU32(f, 18, uint32_t(-4)); }), "negative width");
    refused(with([](auto& f) { PutU32(f, 22, 0); }), "height 0");
    refused(with([](auto& f) { PutU32(f, 22, 0x80000000u); }), "height INT_MIN");
    refused(with([](auto& f) { PutU16(f, 26, 2); }), "two planes");
    refused(with([](auto& f) { PutU16(f, 28, 7); }), "7 bits");
    refused(with([](auto& f) { PutU32(f, 30, 4); }), "JPEG compression");
    refused(with([](auto& f) { PutU32(f, 30, 1); }), "RLE8 at 24 bits");
    refused(with([](auto& f) { PutU32(f, 10, 5000); }), "bits offset past the end");
    refused(with([](auto& f) { PutU32(f, 18, 30001); }), "width over the cap");
    refused(with([](auto& f) {
                PutU32(f, 18, 30000);
                PutU32(f, 22, 30000);
            }),
            "huge picture in a small file");
    // Bad palettes: past the end of the file, or none at all.
    std::vector<uint8_t> pal = BuildBmp(40, 2, 1, 8, 0, Padded(kFour, 4), {0, 1, 0, 0}, 4);
    PutU32(pal, 46, 256);
    PutU32(pal, 10, 0);
    refused(pal, "palette past the end");
    std::vector<uint8_t> none = BuildBmp(40, 2, 1, 8, 0, {}, {0, 1, 0, 0});
    refused(none, "no palette");
}

TEST(BmpCodec, RefusesRunLengthDataPastTheEnd) {
    const auto pal = Padded(kFour, 4);
    auto refused = [&](std::vector<uint8_t> rle, const char* why) {
        SCOPED_TRACE(why);
        EXPECT_THROW(DecodeBmp(BuildBmp(40, 3, 2, 8, 1, pal, rle)), ImageFileError);
    };
    refused({3, 1, 0, 0, 3, 1, 0, 0, 2, 1, 0, 1}, "run after the last row");
    refused({0, 2, 0, 3, 1, 1, 0, 1}, "delta below the picture");
    refused({0, 3, 1, 2}, "absolute run past the data");
    refused({3, 1, 0, 0, 0, 2}, "delta cut short");
    refused({3, 1}, "no end");
    // Nearly empty run-length data cannot claim a huge picture.
    std::vector<uint8_t> bomb = BuildBmp(40, 20000, 20000, 8, 1, pal, {0, 1});
    EXPECT_THROW(DecodeBmp(bomb), ImageFileError);
}

TEST(BmpCodec, MutatedFilesOnlyRaiseImageFileError) {
    std::vector<std::vector<uint8_t>> files = {
        EncodeBmp(MakePicture(9, 5, 1)), EncodeBmp(MakePicture(9, 5, 4)),
        EncodeBmp(MakePicture(9, 5, 8)), EncodeBmp(MakePicture(9, 5, 24)),
        BuildBmp(40, 3, 2, 8, 1, Padded(kFour, 4), {3, 1, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1}),
        BuildBmp(40, 7, 2, 4, 2, Padded(kFour, 16), {5, 0x12, 0, 3, 0x34, 0x50, 0, 0, 4, 0xFF, 0, 1}),
        BuildBmp(12, 2, 1, 8, 0, Padded(kFour, 256), {1, 2, 0, 0})};
    for (const auto& f : files)
        MutationSmoke(f, 400, [](ByteSpan d) {
            DecodeBmp(d);
            ReadBmpInfo(d);
        });
}

TEST(BmpCodec, InfoReadsOnlyTheHeader) {
    const std::vector<uint8_t> f = EncodeBmp(MakePicture(40, 30, 4));
    const ImageInfo info = ReadBmpInfo(ByteSpan(f.data(), 54));
    EXPECT_EQ(info.width, 40);
    EXPECT_EQ(info.height, 30);
    EXPECT_EQ(info.bitCount, 4);
    EXPECT_EQ(info.pageCount, 1);
    EXPECT_THROW(ReadBmpInfo(ByteSpan(f.data(), 20)), ImageFileError);
}

}  // namespace
}  // namespace vimbra
