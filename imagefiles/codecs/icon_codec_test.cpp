#include "imagefiles/codecs/icon_codec.h"

#include <gtest/gtest.h>

#include <cstring>

#include "imagefiles/codecs/codec_test_util.h"
#include "imagefiles/codecs/png_codec.h"

namespace vimbra {
namespace {

using namespace testutil;

void Put16(std::vector<uint8_t>& f, unsigned v) {
    f.push_back(uint8_t(v));
    f.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& f, uint32_t v) {
    Put16(f, v & 0xFFFF);
    Put16(f, v >> 16);
}
uint32_t Get32(const std::vector<uint8_t>& f, size_t at) {
    return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | uint32_t(f[at + 3]) << 24;
}

// A DIB entry: 40-byte header with the doubled height, palette, colour rows
// bottom row first (`rows` as stored, padded to 4 bytes), AND mask.
std::vector<uint8_t> Dib(int w, int h, int bits, const std::vector<PaletteEntry>& palette,
                         const std::vector<uint8_t>& rows, uint32_t compression = 0) {
    std::vector<uint8_t> d;
    Put32(d, 40);
    Put32(d, uint32_t(w));
    Put32(d, uint32_t(2 * h));
    Put16(d, 1);
    Put16(d, unsigned(bits));
    Put32(d, compression);
    d.insert(d.end(), 20, 0);
    for (const PaletteEntry& e : palette) d.insert(d.end(), {e.blue, e.green, e.red, 0});
    d.insert(d.end(), rows.begin(), rows.end());
    d.insert(d.end(), size_t((w + 31) / 32 * 4 * h), 0xFF);  // mask: all transparent
    return d;
}

std::vector<uint8_t> Ico(const std::vector<std::vector<uint8_t>>& images, unsigned type = 1) {
    std::vector<uint8_t> f;
    Put16(f, 0);
    Put16(f, type);
    Put16(f, unsigned(images.size()));
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (const auto& img : images) {
        f.insert(f.end(), 8, 0);  // sizes and colours: the reader looks at the image itself
        Put32(f, uint32_t(img.size()));
        Put32(f, offset);
        offset += uint32_t(img.size());
    }
    for (const auto& img : images) f.insert(f.end(), img.begin(), img.end());
    return f;
}

// Rows of a 24-bit bitmap bottom first, padded as a DIB pads them.
std::vector<uint8_t> DibRows(const Bitmap& b) {
    std::vector<uint8_t> out;
    for (int y = b.height() - 1; y >= 0; --y) out.insert(out.end(), b.scanLine(y), b.scanLine(y) + b.stride());
    return out;
}

// The part of `b` an icon of `size` shows: cut off or padded with black.
Bitmap IconView(const Bitmap& b, int size) {
    const Bitmap rgb = As24(b);
    Bitmap out(size, size, 24);
    for (int y = 0; y < std::min(size, rgb.height()); ++y)
        std::memcpy(out.scanLine(y), rgb.scanLine(y), size_t(std::min(size, rgb.width())) * 3);
    return out;
}

// --- writer ------------------------------------------------------------------

TEST(IconCodec, RoundTripsCutsAndPads) {
    struct Case { int w, h, depth, size; };
    const Case cases[] = {{32, 32, 24, 32}, {1, 1, 24, 1},  {33, 7, 24, 32}, {5, 40, 8, 32},
                          {48, 48, 24, 48}, {9, 9, 1, 16},  {300, 260, 24, 256}, {7, 3, 4, 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " at " + std::to_string(c.depth) +
                     " into " + std::to_string(c.size));
        const Bitmap pic = MakePicture(c.w, c.h, c.depth, uint32_t(c.w));
        const std::vector<uint8_t> f = EncodeIcon(pic, c.size);
        EXPECT_TRUE(IsValidIcon(f));
        const Bitmap back = DecodeIcon(f);
        EXPECT_EQ(back.depth(), 24);
        EXPECT_EQ(back, IconView(pic, c.size));
        const ImageInfo info = ReadIconInfo(f);
        EXPECT_EQ(info.width, c.size);
        EXPECT_EQ(info.height, c.size);
        EXPECT_EQ(info.bitCount, 24);
        EXPECT_EQ(info.pageCount, 1);
    }
    EXPECT_EQ(DecodeIcon(EncodeIcon(MakePicture(40, 40, 24))).width(), kSystemIconSize);
}

TEST(IconCodec, WriterLayout) {
    const Bitmap pic = MakePicture(2, 2, 24);
    const std::vector<uint8_t> f = EncodeIcon(pic, 3);
    const size_t xorBytes = 12 * 3, andBytes = 4 * 3;
    ASSERT_EQ(f.size(), 6 + 16 + 40 + xorBytes + andBytes);
    EXPECT_EQ(std::vector<uint8_t>(f.begin(), f.begin() + 6), (std::vector<uint8_t>{0, 0, 1, 0, 1, 0}));
    EXPECT_EQ(f[6], 3);  // width, height, colours, reserved
    EXPECT_EQ(f[7], 3);
    EXPECT_EQ(f[8], 0);
    EXPECT_EQ(f[10] | f[11] << 8, 1);   // planes
    EXPECT_EQ(f[12] | f[13] << 8, 24);  // bits
    EXPECT_EQ(Get32(f, 14), 40 + xorBytes + andBytes);
    EXPECT_EQ(Get32(f, 18), 22u);
    EXPECT_EQ(Get32(f, 22), 40u);
    EXPECT_EQ(Get32(f, 26), 3u);
    EXPECT_EQ(Get32(f, 30), 6u);  // colour image and mask
    const size_t bits = 62;
    for (size_t i = 0; i < 12; ++i) EXPECT_EQ(f[bits + i], 0) << i;  // bottom row: below the picture
    EXPECT_EQ(0, std::memcmp(&f[bits + 12 * 2], pic.scanLine(0), 6));  // top row last
    EXPECT_EQ(0, std::memcmp(&f[bits + 12], pic.scanLine(1), 6));
    for (size_t i = 6; i < 9; ++i) EXPECT_EQ(f[bits + 12 * 2 + i], 0) << i;  // right of the picture
    for (size_t i = f.size() - andBytes; i < f.size(); ++i) EXPECT_EQ(f[i], 0) << i;  // opaque

    const std::vector<uint8_t> big = EncodeIcon(pic, 256);
    EXPECT_EQ(big[6], 0);  // 256 is written as 0
    EXPECT_EQ(big[7], 0);

    EXPECT_THROW(EncodeIcon(Bitmap()), ImageFileError);
    EXPECT_THROW(EncodeIcon(pic, 0), ImageFileError);
    EXPECT_THROW(EncodeIcon(pic, 257), ImageFileError);
}

TEST(IconCodec, WrittenIconsReadByOtherTools) {
    const std::vector<std::string> tools = ConverterTools();
    if (tools.empty()) GTEST_SKIP() << "neither ImageMagick nor GraphicsMagick installed";
    TempDir dir;
    const Bitmap pic = MakePicture(37, 20, 24, 11);
    for (const std::string& tool : tools)
        for (int size : {16, 32, 48}) {
            SCOPED_TRACE(tool + " " + std::to_string(size));
            WriteBytes(dir.file("ours.ico"), EncodeIcon(pic, size));
            ASSERT_TRUE(RunTool(tool, "ico:" + dir.file("ours.ico") + " -depth 8 ppm:" + dir.file("out.ppm")));
            EXPECT_TRUE(SameLook(ReadPpm(dir.file("out.ppm")), IconView(pic, size)));
        }
}

// --- reader ------------------------------------------------------------------

TEST(IconCodec, ReadsIconsWrittenByImageMagick) {
    const std::string im = ImageMagick();
    if (im.empty()) GTEST_SKIP() << "ImageMagick not installed";
    struct Case { const char* name; int depth; const char* options; int bits; int size; };
    const Case cases[] = {{"1 bit", 1, "-type Palette", 1, 32},
                          {"4 bits", 4, "-type Palette", 4, 32},
                          {"8 bits", 8, "-type Palette", 8, 32},
                          {"32 bits", 24, "", 32, 32},
                          {"several sizes", 24, "-define icon:auto-resize=16,48,32", 32, 48},
                          {"PNG", 24, "", 32, 256}};
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bitmap src = MakePicture(c.size, c.size, c.depth, 5);
        WritePpm(dir.file("src.ppm"), src);
        ASSERT_TRUE(RunTool(im, dir.file("src.ppm") + " " + c.options + " ico:" + dir.file("f.ico")));
        const std::vector<uint8_t> f = ReadBytes(dir.file("f.ico"));
        const ImageInfo info = ReadIconInfo(f);
        EXPECT_EQ(info.bitCount, c.bits);
        EXPECT_EQ(info.width, c.size);
        const Bitmap b = DecodeIcon(f);
        if (std::string(c.name) == "several sizes") {
            EXPECT_EQ(info.pageCount, 3);
            EXPECT_EQ(b.width(), 48);  // the largest
            continue;
        }
        EXPECT_TRUE(SameLook(b, src));
    }
}

TEST(IconCodec, DrawsOnBlack) {
    // 32 bits: colours weighted by alpha (rounded); the mask plays no part.
    const std::vector<uint8_t> bgra = {50, 100, 200, 128, 10, 20, 30, 255, 90, 90, 90, 0, 1, 2, 3, 255};
    Bitmap b = DecodeIcon(Ico({Dib(2, 2, 32, {}, bgra)}));
    EXPECT_EQ(std::vector<uint8_t>(b.scanLine(1), b.scanLine(1) + 6), (std::vector<uint8_t>{25, 50, 100, 10, 20, 30}));
    EXPECT_EQ(std::vector<uint8_t>(b.scanLine(0), b.scanLine(0) + 6), (std::vector<uint8_t>{0, 0, 0, 1, 2, 3}));
    // No alpha at all: the colours as they are.
    std::vector<uint8_t> noAlpha = bgra;
    for (size_t i = 3; i < noAlpha.size(); i += 4) noAlpha[i] = 0;
    b = DecodeIcon(Ico({Dib(2, 2, 32, {}, noAlpha)}));
    EXPECT_EQ(std::vector<uint8_t>(b.scanLine(0), b.scanLine(0) + 6), (std::vector<uint8_t>{90, 90, 90, 1, 2, 3}));
    // Palette and 16-bit images, and a cursor.
    const std::vector<PaletteEntry> pal = {{255, 0, 0, 0}, {0, 0, 255, 0}};
    b = DecodeIcon(Ico({Dib(3, 1, 1, pal, {0x40, 0, 0, 0})}, 2));
    EXPECT_EQ(std::vector<uint8_t>(b.scanLine(0), b.scanLine(0) + 9), (std::vector<uint8_t>{0, 0, 255, 255, 0, 0, 0, 0, 255}));
    b = DecodeIcon(Ico({Dib(1, 1, 16, {}, {0x1F, 0x7C, 0, 0})}));  // x-5-5-5: red and blue full
    EXPECT_EQ(std::vector<uint8_t>(b.scanLine(0), b.scanLine(0) + 3), (std::vector<uint8_t>{255, 0, 255}));
}

TEST(IconCodec, ChoosesLargestThenDeepestAndReadsPng) {
    const Bitmap p16 = MakePicture(16, 16, 24, 1), p32 = MakePicture(32, 32, 8, 2);
    const Bitmap p32x4 = MakePicture(32, 32, 4, 3);
    const std::vector<uint8_t> f = Ico({Dib(16, 16, 24, {}, DibRows(p16)), Dib(32, 32, 4, p32x4.palette(), DibRows(p32x4)),
                                        Dib(32, 32, 8, p32.palette(), DibRows(p32))});
    const ImageInfo info = ReadIconInfo(f);
    EXPECT_EQ(info.pageCount, 3);
    EXPECT_EQ(info.bitCount, 8);
    EXPECT_TRUE(SameLook(DecodeIcon(f), p32));

    const Bitmap pic = MakePicture(20, 20, 24, 9);
    const std::vector<uint8_t> png = Ico({Dib(16, 16, 24, {}, DibRows(p16)), EncodePng(pic)});
    EXPECT_EQ(ReadIconInfo(png).width, 20);
    EXPECT_EQ(DecodeIcon(png), pic);
}

// --- malformed files ---------------------------------------------------------

TEST(IconCodec, RefusesBadDirectoriesAndImages) {
    const std::vector<uint8_t> good = Ico({Dib(2, 2, 24, {}, std::vector<uint8_t>(16, 7))});
    ASSERT_NO_THROW(DecodeIcon(good));
    // The directory is checked by both; the image itself only when decoded.
    auto refused = [](std::vector<uint8_t> f, const char* why, bool byInfo = true) {
        SCOPED_TRACE(why);
        EXPECT_THROW(DecodeIcon(f), ImageFileError);
        if (byInfo) {
            EXPECT_THROW(ReadIconInfo(f), ImageFileError);
        }
    };
    struct Poke { size_t at; uint8_t value; const char* why; };
    for (const Poke& p : {Poke{0, 1, "reserved word"}, Poke{2, 3, "type"}, Poke{4, 0, "no image"},
                          Poke{18, 0xF0, "offset past the end"}, Poke{14, 0xFF, "size past the end"},
                          Poke{22, 8, "image header size"}}) {
        std::vector<uint8_t> f = good;
        f[p.at] = p.value;
        refused(f, p.why);
        EXPECT_EQ(IsValidIcon(f), p.at > 4);
    }
    EXPECT_THROW(ReadIconInfo(ByteSpan(good.data(), 40)), ImageFileError);
    refused(Ico({Dib(100000, 2, 24, {}, std::vector<uint8_t>(16, 0))}), "huge width", false);
    refused(Ico({Dib(2, 0, 24, {}, {})}), "no height", false);
    refused(Ico({Dib(2, 2, 24, {}, std::vector<uint8_t>(15, 0))}), "colour rows short", false);
    try {
        DecodeIcon(Ico({Dib(2, 2, 24, {}, std::vector<uint8_t>(16, 0), 1)}));
        ADD_FAILURE() << "run-length at 24 bits read";
    } catch (const ImageFileError& e) {
        EXPECT_STREQ(e.what(), "Bad icon file: unsupported compression 1 at 24 bits.");
    }
}

TEST(IconCodec, RefusesTruncatedAndMutatedFiles) {
    const Bitmap p = MakePicture(16, 16, 8, 4);
    const std::vector<uint8_t> f = Ico({Dib(16, 16, 8, p.palette(), DibRows(p)),
                                        Dib(8, 8, 32, {}, std::vector<uint8_t>(256, 0x80)),
                                        EncodePng(MakePicture(4, 4, 24))});
    ASSERT_NO_THROW(DecodeIcon(f));
    ExpectPrefixesRefused(f, f.size(), [](ByteSpan b) { DecodeIcon(b); });
    MutationSmoke(f, 2000, [](ByteSpan b) { DecodeIcon(b); });
    MutationSmoke(EncodeIcon(MakePicture(32, 32, 24)), 1000, [](ByteSpan b) { DecodeIcon(b); });
}

}  // namespace
}  // namespace vimbra
