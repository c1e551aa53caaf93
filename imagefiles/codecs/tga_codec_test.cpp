#include "imagefiles/codecs/tga_codec.h"

#include <gtest/gtest.h>

#include <cstring>

#include "imagefiles/codecs/codec_test_util.h"

namespace vimbra {
namespace {

using namespace testutil;

unsigned U16(const std::vector<uint8_t>& b, size_t at) { return b[at] | unsigned(b[at + 1]) << 8; }

struct Header {
    int idLength = 0, mapType = 0, type = 2, mapFirst = 0, mapLength = 0, mapBits = 0;
    int width = 1, height = 1, pixelBits = 24, descriptor = 0;
};

std::vector<uint8_t> BuildTga(const Header& h, const std::vector<uint8_t>& map,
                              const std::vector<uint8_t>& pixels) {
    std::vector<uint8_t> f = {uint8_t(h.idLength), uint8_t(h.mapType), uint8_t(h.type),
                              uint8_t(h.mapFirst), uint8_t(h.mapFirst >> 8),
                              uint8_t(h.mapLength), uint8_t(h.mapLength >> 8), uint8_t(h.mapBits),
                              0, 0, 0, 0,
                              uint8_t(h.width), uint8_t(h.width >> 8),
                              uint8_t(h.height), uint8_t(h.height >> 8),
                              uint8_t(h.pixelBits), uint8_t(h.descriptor)};
    f.insert(f.end(), size_t(h.idLength), 'I');
    f.insert(f.end(), map.begin(), map.end());
    f.insert(f.end(), pixels.begin(), pixels.end());
    return f;
}

// Independent packet coder for fixtures: repeats of 2 or more become run
// packets, everything else literal packets; packets ignore row ends.
std::vector<uint8_t> Packets(const std::vector<uint8_t>& pixels, size_t pixelBytes) {
    std::vector<uint8_t> out;
    const size_t n = pixels.size() / pixelBytes;
    auto same = [&](size_t a, size_t b) {
        return std::memcmp(&pixels[a * pixelBytes], &pixels[b * pixelBytes], pixelBytes) == 0;
    };
    for (size_t i = 0; i < n;) {
        size_t run = 1;
        while (i + run < n && run < 128 && same(i, i + run)) ++run;
        if (run >= 2) {
            out.push_back(uint8_t(0x80 | (run - 1)));
            out.insert(out.end(), &pixels[i * pixelBytes], &pixels[i * pixelBytes] + pixelBytes);
        } else {
            size_t lit = 1;
            while (i + lit < n && lit < 128 && !(i + lit + 1 < n && same(i + lit, i + lit + 1))) ++lit;
            out.push_back(uint8_t(lit - 1));
            out.insert(out.end(), &pixels[i * pixelBytes], &pixels[(i + lit) * pixelBytes]);
            run = lit;
        }
        i += run;
    }
    return out;
}

// Rows of a bitmap in file order (bottom first unless topDown), no padding.
std::vector<uint8_t> FileRows(const Bitmap& b, bool topDown = false) {
    std::vector<uint8_t> out;
    const size_t n = size_t(b.width()) * (b.depth() == 24 ? 3 : 1);
    for (int i = 0; i < b.height(); ++i) {
        const uint8_t* row = b.scanLine(topDown ? i : b.height() - 1 - i);
        out.insert(out.end(), row, row + n);
    }
    return out;
}

// ImageMagick 6.9.11 writes TGA rows top first while its header says bottom
// first, and reads such files the same way. Probed so a fixed version is used
// as it is.
bool ToolFlipsTga(const std::string& tool, const TempDir& dir) {
    const std::string f = dir.file("probe.tga");
    if (!RunTool(tool, "-size 1x1 xc:red xc:blue -append -type TrueColor tga:" + f)) return false;
    const std::vector<uint8_t> b = ReadBytes(f);
    return b.size() >= 24 && (b[17] & 0x20) == 0 && b[20] == 0xFF;  // red stored first
}

Bitmap Grey(int w, int h) {
    Bitmap b = MakePicture(w, h, 8, 3);
    b.palette() = MakeGreyPalette(8);
    return b;
}

// --- writer and round trips -------------------------------------------------

TEST(TgaCodec, RoundTripsEveryWrittenLayout) {
    for (int width : {1, 7, 33})
        for (int height : {1, 4}) {
            SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
            const Bitmap colour = MakePicture(width, height, 8, uint32_t(width));
            EXPECT_EQ(DecodeTga(EncodeTga(colour)), colour);
            const Bitmap grey = Grey(width, height);
            EXPECT_EQ(DecodeTga(EncodeTga(grey)), grey);
            const Bitmap rgb = MakePicture(width, height, 24, uint32_t(width));
            for (const char* options : {"", "yup", "32", "ydown", "ydown,32"}) {
                SCOPED_TRACE(options);
                EXPECT_EQ(DecodeTga(EncodeTga(rgb, options)), rgb);
            }
            // 16 bits keep the top five bits of each channel.
            Bitmap top5 = rgb;
            for (int y = 0; y < top5.height(); ++y)
                for (size_t i = 0; i < size_t(width) * 3; ++i) top5.scanLine(y)[i] &= 0xF8;
            EXPECT_EQ(DecodeTga(EncodeTga(rgb, "16 ydown")), top5);
        }
}

TEST(TgaCodec, WriterHeaderFields) {
    Bitmap pal = MakePicture(5, 3, 8);
    pal.palette().resize(10);  // the map always has 256 entries
    const std::vector<uint8_t> f = EncodeTga(pal);
    EXPECT_EQ(f[0], 0);  // no image ID
    EXPECT_EQ(f[1], 1);
    EXPECT_EQ(f[2], 1);
    EXPECT_EQ(U16(f, 3), 0u);
    EXPECT_EQ(U16(f, 5), 256u);
    EXPECT_EQ(f[7], 24);
    EXPECT_EQ(U16(f, 12), 5u);
    EXPECT_EQ(U16(f, 14), 3u);
    EXPECT_EQ(f[16], 8);
    EXPECT_EQ(f[17], 0);
    ASSERT_EQ(f.size(), 18u + 768 + 15);
    EXPECT_EQ(f[18 + 3 * 4], pal.palette()[4].blue);
    EXPECT_EQ(f[18 + 3 * 4 + 2], pal.palette()[4].red);
    EXPECT_EQ(f[18 + 3 * 200], 0);
    EXPECT_EQ(0, std::memcmp(f.data() + 18 + 768, pal.scanLine(2), 5));  // bottom row first

    const Bitmap rgb = MakePicture(4, 2, 24);
    const std::vector<uint8_t> t = EncodeTga(rgb);
    EXPECT_EQ(t[1], 0);
    EXPECT_EQ(t[2], 2);
    EXPECT_EQ(t[16], 24);
    EXPECT_EQ(t.size(), 18u + 24);
    EXPECT_EQ(EncodeTga(rgb, "32")[17], 8);  // alpha bits
    EXPECT_EQ(EncodeTga(rgb, "ydown")[17], 0x20);

    for (int depth : {1, 4}) {
        try {
            EncodeTga(MakePicture(4, 4, depth));
            ADD_FAILURE() << "no error for depth " << depth;
        } catch (const ImageFileError& e) {
            EXPECT_STREQ(e.what(), "TGA image must have 256 colors or true color");
        }
    }
}

TEST(TgaCodec, WrittenFilesReadByOtherTools) {
    const std::vector<std::string> tools = ConverterTools();
    if (tools.empty()) GTEST_SKIP() << "neither ImageMagick nor GraphicsMagick installed";
    TempDir dir;
    const Bitmap rgb = MakePicture(21, 6, 24, 5);
    for (const std::string& tool : tools) {
        const bool flips = ToolFlipsTga(tool, dir);
        struct Case { const char* name; Bitmap picture; const char* options; };
        const Case cases[] = {{"8-bit colour", MakePicture(21, 6, 8, 5), ""},
                              {"8-bit grey", Grey(21, 6), ""},
                              {"24-bit", rgb, ""},
                              {"32-bit", rgb, "32"},
                              {"24-bit top-down", rgb, "ydown"}};
        for (const Case& c : cases) {
            if (flips && !RasterOptions(c.options).has("ydown")) continue;
            SCOPED_TRACE(tool + ": " + c.name);
            WriteBytes(dir.file("ours.tga"), EncodeTga(c.picture, c.options));
            ASSERT_TRUE(RunTool(tool, dir.file("ours.tga") + " -depth 8 ppm:" + dir.file("out.ppm")));
            EXPECT_TRUE(SameLook(ReadPpm(dir.file("out.ppm")), c.picture));
        }
    }
}

// --- files from independent tools -------------------------------------------

TEST(TgaCodec, ReadsFilesWrittenByOtherTools) {
    const std::vector<std::string> tools = ConverterTools();
    if (tools.empty()) GTEST_SKIP() << "neither ImageMagick nor GraphicsMagick installed";
    struct Case { const char* name; int depth; const char* options; int type, bits; bool imOnly; };
    // GraphicsMagick writes no run-length TGA.
    const Case cases[] = {{"type 2", 24, "-type TrueColor", 2, 24, false},
                          {"type 10", 24, "-type TrueColor -compress RLE", 10, 24, true},
                          {"type 1", 8, "-type Palette", 1, 8, false},
                          {"type 9", 8, "-type Palette -compress RLE", 9, 8, true},
                          {"type 3", 8, "-type Grayscale", 3, 8, false},
                          {"type 11", 8, "-type Grayscale -compress RLE", 11, 8, true},
                          {"32 bits", 24, "-alpha on", 2, 32, true}};
    TempDir dir;
    for (const std::string& tool : tools) {
        const bool flips = ToolFlipsTga(tool, dir);
        for (const Case& c : cases) {
            if (c.imOnly && tool.find("im6") == std::string::npos) continue;
            SCOPED_TRACE(tool + ": " + c.name);
            const bool grey = std::string(c.options).find("Grayscale") != std::string::npos;
            const Bitmap src = grey ? Grey(23, 7) : MakePicture(23, 7, c.depth, 9);
            WritePpm(dir.file("src.ppm"), src);
            ASSERT_TRUE(RunTool(tool, dir.file("src.ppm") + " " + c.options + " tga:" + dir.file("f.tga")));
            std::vector<uint8_t> f = ReadBytes(dir.file("f.tga"));
            ASSERT_GE(f.size(), 18u);
            EXPECT_EQ(f[2], c.type);
            if (flips) f[17] |= 0x20;  // make the header tell the truth
            const ImageInfo info = ReadTgaInfo(f);
            EXPECT_EQ(info.width, 23);
            EXPECT_EQ(info.height, 7);
            EXPECT_EQ(info.bitCount, c.bits);
            const Bitmap got = DecodeTga(f);
            EXPECT_EQ(got.depth(), c.bits == 8 ? 8 : 24);
            if (grey) {
                EXPECT_TRUE(got.hasGreyPalette());
            }
            EXPECT_TRUE(SameLook(got, src));
        }
    }
}

// --- hand-made variants -----------------------------------------------------

TEST(TgaCodec, RunLengthTypesWithPacketsAcrossRows) {
    const Bitmap rgb = MakePicture(13, 5, 24, 4);
    Header h;
    h.type = 10;
    h.width = 13;
    h.height = 5;
    EXPECT_EQ(DecodeTga(BuildTga(h, {}, Packets(FileRows(rgb), 3))), rgb);
    h.descriptor = 0x20;
    EXPECT_EQ(DecodeTga(BuildTga(h, {}, Packets(FileRows(rgb, true), 3))), rgb);

    const Bitmap grey = Grey(13, 5);
    h = Header{};
    h.type = 11;
    h.width = 13;
    h.height = 5;
    h.pixelBits = 8;
    EXPECT_EQ(DecodeTga(BuildTga(h, {}, Packets(FileRows(grey), 1))), grey);

    // Type 9: one run packet covering the end of row 0 and all of row 1.
    h.type = 9;
    h.width = 3;
    h.height = 2;
    h.mapType = 1;
    h.mapLength = 2;
    h.mapBits = 24;
    const Bitmap b = DecodeTga(BuildTga(h, {1, 2, 3, 4, 5, 6}, {0x00, 0, 0x84, 1}));
    EXPECT_EQ(b.scanLine(1)[0], 0);
    EXPECT_EQ(b.scanLine(1)[1], 1);
    EXPECT_EQ(b.scanLine(0)[2], 1);
    EXPECT_EQ(b.palette()[1].red, 6);
    EXPECT_EQ(b.palette()[1].blue, 4);
}

TEST(TgaCodec, ColourMapsPixelSizesAndOrientation) {
    // Map starting at entry 10 with 16-bit entries; an image ID in front.
    Header h;
    h.idLength = 5;
    h.mapType = 1;
    h.type = 1;
    h.mapFirst = 10;
    h.mapLength = 2;
    h.mapBits = 16;
    h.width = 2;
    h.pixelBits = 8;
    const unsigned red = 31u << 10, blue = 31u;
    Bitmap b = DecodeTga(BuildTga(h, {uint8_t(red), uint8_t(red >> 8), uint8_t(blue), 0}, {10, 11}));
    EXPECT_EQ(b.palette().size(), 256u);
    EXPECT_EQ(b.palette()[10].red, 248);
    EXPECT_EQ(b.palette()[11].blue, 248);
    EXPECT_EQ(b.palette()[0].red, 0);
    // 32-bit map entries drop their fourth byte.
    h.mapBits = 32;
    b = DecodeTga(BuildTga(h, {1, 2, 3, 4, 5, 6, 7, 8}, {10, 11}));
    EXPECT_EQ(b.palette()[11].red, 7);
    EXPECT_EQ(b.palette()[11].blue, 5);

    // 15- and 16-bit pixels, right to left.
    h = Header{};
    h.width = 2;
    h.pixelBits = 15;
    h.descriptor = 0x10;
    const unsigned green = 31u << 5;
    b = DecodeTga(BuildTga(h, {}, {uint8_t(green), uint8_t(green >> 8), 0x1F, 0x80}));
    EXPECT_EQ(b.scanLine(0)[0], 248);  // blue pixel now first
    EXPECT_EQ(b.scanLine(0)[4], 248);
    // A true-colour file may carry a colour map; it is skipped.
    h = Header{};
    h.mapType = 1;
    h.mapLength = 3;
    h.mapBits = 24;
    h.pixelBits = 32;
    b = DecodeTga(BuildTga(h, std::vector<uint8_t>(9, 0xEE), {10, 20, 30, 40}));
    EXPECT_EQ(b.scanLine(0)[0], 10);
    EXPECT_EQ(b.scanLine(0)[2], 30);
}

// --- hostile input ------------------------------------------------------------

TEST(TgaCodec, TruncationAtEveryByteIsRefused) {
    std::vector<std::vector<uint8_t>> files = {EncodeTga(MakePicture(6, 3, 8)),
                                               EncodeTga(MakePicture(6, 3, 24)),
                                               EncodeTga(MakePicture(6, 3, 24), "16")};
    Header h;
    h.type = 10;
    h.width = 6;
    h.height = 3;
    files.push_back(BuildTga(h, {}, Packets(FileRows(MakePicture(6, 3, 24)), 3)));
    h.type = 9;
    h.pixelBits = 8;
    h.mapType = 1;
    h.mapLength = 4;
    h.mapBits = 24;
    h.idLength = 3;
    files.push_back(BuildTga(h, std::vector<uint8_t>(12, 7), Packets(FileRows(MakePicture(6, 3, 8)), 1)));
    for (const auto& f : files) ExpectPrefixesRefused(f, f.size(), [](ByteSpan d) { DecodeTga(d); });
}

TEST(TgaCodec, RefusesBadHeaders) {
    auto refused = [](Header h, const char* why, size_t extra = 64) {
        SCOPED_TRACE(why);
        const size_t mapBytes = size_t(h.mapLength) * size_t((h.mapBits + 7) / 8);
        EXPECT_THROW(DecodeTga(BuildTga(h, std::vector<uint8_t>(mapBytes), std::vector<uint8_t>(extra))),
                     ImageFileError);
    };
    Header h;
    for (int type : {0, 4, 8, 12, 32, 33, 255}) {
        h.type = type;
        refused(h, "image type");
    }
    h = Header{};
    h.mapType = 2;
    refused(h, "colour map type 2");
    h = Header{};
    h.type = 1;
    h.pixelBits = 8;
    refused(h, "colour-mapped without a map");
    h.mapType = 1;
    h.mapLength = 4;
    h.mapBits = 8;
    refused(h, "8-bit map entries");
    h.mapBits = 24;
    h.pixelBits = 16;
    refused(h, "16-bit indices");
    h = Header{};
    h.pixelBits = 8;
    refused(h, "8-bit true colour");
    h.pixelBits = 0;
    refused(h, "no bits");
    h = Header{};
    h.type = 3;
    h.pixelBits = 16;
    refused(h, "16-bit grey");
    h = Header{};
    h.width = 0;
    refused(h, "width 0");
    h = Header{};
    h.height = 65535;
    refused(h, "height over the cap");
    h = Header{};
    h.width = 30000;
    h.height = 30000;
    refused(h, "huge picture in a small file");
    h.type = 10;
    refused(h, "huge run-length picture in a small file");
    // Map or ID running past the end of the file.
    h = Header{};
    h.type = 1;
    h.pixelBits = 8;
    h.mapType = 1;
    h.mapLength = 60000;
    h.mapBits = 32;
    EXPECT_THROW(DecodeTga(BuildTga(h, {1, 2, 3}, {})), ImageFileError);
    h = Header{};
    h.idLength = 255;
    std::vector<uint8_t> shortId = BuildTga(h, {}, {});
    shortId.resize(18 + 3);
    EXPECT_THROW(DecodeTga(shortId), ImageFileError);
}

TEST(TgaCodec, RefusesPacketsPastTheData) {
    Header h;
    h.type = 10;
    h.width = 4;
    h.height = 2;
    EXPECT_THROW(DecodeTga(BuildTga(h, {}, {0x83, 1, 2, 3, 0x03, 1, 2, 3})), ImageFileError);
    EXPECT_THROW(DecodeTga(BuildTga(h, {}, {0xFF, 1, 2})), ImageFileError);
    EXPECT_THROW(DecodeTga(BuildTga(h, {}, {0x07, 1, 2, 3})), ImageFileError);
    // A run longer than the picture needs is harmless: the rest is ignored.
    EXPECT_NO_THROW(DecodeTga(BuildTga(h, {}, {0xFF, 1, 2, 3})));
}

TEST(TgaCodec, MutatedFilesOnlyRaiseImageFileError) {
    Header h;
    h.type = 10;
    h.width = 9;
    h.height = 5;
    const std::vector<std::vector<uint8_t>> files = {
        EncodeTga(MakePicture(9, 5, 8)), EncodeTga(MakePicture(9, 5, 24)),
        EncodeTga(MakePicture(9, 5, 24), "16"),
        BuildTga(h, {}, Packets(FileRows(MakePicture(9, 5, 24)), 3))};
    for (const auto& f : files)
        MutationSmoke(f, 400, [](ByteSpan d) {
            DecodeTga(d);
            ReadTgaInfo(d);
        });
}

}  // namespace
}  // namespace vimbra
