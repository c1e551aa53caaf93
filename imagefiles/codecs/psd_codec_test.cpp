#include "imagefiles/codecs/psd_codec.h"

#include <gtest/gtest.h>

#include <cstring>

#include "imagefiles/codecs/codec_test_util.h"

namespace vimbra {
namespace {

using namespace testutil;

void Put16(std::vector<uint8_t>& f, unsigned v) {
    f.push_back(uint8_t(v >> 8));
    f.push_back(uint8_t(v));
}
void Put32(std::vector<uint8_t>& f, uint32_t v) {
    Put16(f, v >> 16);
    Put16(f, v & 0xFFFF);
}
void PutSection(std::vector<uint8_t>& f, const std::vector<uint8_t>& bytes) {
    Put32(f, uint32_t(bytes.size()));
    f.insert(f.end(), bytes.begin(), bytes.end());
}

// Independent PackBits coder for fixtures: repeats of 2 or more become runs.
std::vector<uint8_t> PackRow(const uint8_t* p, size_t n) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < n;) {
        size_t run = 1;
        while (i + run < n && run < 128 && p[i + run] == p[i]) ++run;
        if (run >= 2) {
            out.push_back(uint8_t(257 - run));  // 1 − run as a signed byte
            out.push_back(p[i]);
        } else {
            run = 1;
            while (i + run < n && run < 128 && !(i + run + 1 < n && p[i + run] == p[i + run + 1])) ++run;
            out.push_back(uint8_t(run - 1));
            out.insert(out.end(), p + i, p + i + run);
        }
        i += run;
    }
    return out;
}

struct Psd {
    std::string signature = "8BPS";
    int version = 1, channels = 3, mode = 3, depth = 8, compression = 0;
    uint32_t width = 1, height = 1;
    std::vector<uint8_t> colorModeData{}, resources = {'8', 'B', 'I', 'M'}, layers = {0, 0, 0, 0};
    // Sample planes, rows top first, depth ÷ 8 bytes a sample, big-endian.
    std::vector<std::vector<uint8_t>> planes{};
};

std::vector<uint8_t> Build(const Psd& p) {
    std::vector<uint8_t> f(p.signature.begin(), p.signature.end());
    Put16(f, unsigned(p.version));
    f.insert(f.end(), 6, 0);
    Put16(f, unsigned(p.channels));
    Put32(f, p.height);
    Put32(f, p.width);
    Put16(f, unsigned(p.depth));
    Put16(f, unsigned(p.mode));
    PutSection(f, p.colorModeData);
    PutSection(f, p.resources);
    PutSection(f, p.layers);
    Put16(f, unsigned(p.compression));
    if (p.compression != 1) {
        for (const auto& plane : p.planes) f.insert(f.end(), plane.begin(), plane.end());
        return f;
    }
    const size_t rowBytes = p.width * size_t(p.depth / 8);
    std::vector<uint8_t> data;
    for (const auto& plane : p.planes)
        for (size_t y = 0; y < p.height; ++y) {
            const std::vector<uint8_t> row = PackRow(plane.data() + y * rowBytes, rowBytes);
            Put16(f, unsigned(row.size()));
            data.insert(data.end(), row.begin(), row.end());
        }
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

Bitmap Bgr(uint32_t width, uint32_t height, const std::vector<uint8_t>& bgr) {
    Bitmap b(int(width), int(height), 24);
    for (uint32_t y = 0; y < height; ++y) std::memcpy(b.scanLine(int(y)), &bgr[y * width * 3], width * 3);
    return b;
}

// One pixel of each of the given plane values, as a 1 × 1 file.
Psd OnePixel(int mode, int depth, std::vector<unsigned> samples) {
    Psd p;
    p.mode = mode;
    p.depth = depth;
    p.channels = int(samples.size());
    for (unsigned v : samples) p.planes.push_back(depth == 16 ? std::vector<uint8_t>{uint8_t(v >> 8), uint8_t(v)}
                                                              : std::vector<uint8_t>{uint8_t(v)});
    return p;
}

std::vector<uint8_t> Pixel(const Bitmap& b) { return {b.scanLine(0), b.scanLine(0) + 3}; }

void ExpectMessage(ByteSpan file, const std::string& message) {
    try {
        DecodePsd(file);
        ADD_FAILURE() << "no error, expected " << message;
    } catch (const ImageFileError& e) {
        EXPECT_EQ(e.what(), message);
    }
}

// --- header facts ------------------------------------------------------------

TEST(PsdCodec, HeaderFactsByMode) {
    struct Case { int mode, channels, depth; ColorLayout layout; int samples; };
    const Case cases[] = {{1, 1, 8, ColorLayout::Grey, 1},    {8, 1, 16, ColorLayout::Grey, 1},
                          {2, 1, 8, ColorLayout::Indexed, 1}, {3, 3, 8, ColorLayout::Rgb, 3},
                          {3, 4, 16, ColorLayout::Rgba, 4},   {7, 3, 8, ColorLayout::Rgb, 3},
                          {7, 6, 8, ColorLayout::Rgba, 4},    {4, 5, 8, ColorLayout::Cmyk, 4},
                          {9, 3, 16, ColorLayout::Lab, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode));
        Psd p{.channels = c.channels, .mode = c.mode, .depth = c.depth, .compression = c.mode == 7, .width = 300, .height = 7};
        const std::vector<uint8_t> f = Build(p);  // the header alone, no pixels
        HeaderInfo h;
        ASSERT_TRUE(ReadPsdHeader(f, h));
        EXPECT_EQ(h.flags, 2);
        EXPECT_EQ(h.width * 10 + h.height, 3007u);
        EXPECT_EQ(h.layout, c.layout);
        EXPECT_EQ(h.bitsPerSample, c.depth);
        EXPECT_EQ(h.channelCount, c.channels);
        EXPECT_EQ(h.samplesPerPixel, c.samples);
        EXPECT_EQ(h.bitsPerPixel, c.samples * c.depth);
        EXPECT_EQ(h.packing, c.mode == 7 ? 3 : 1);
        EXPECT_EQ(h.gamma, 1.0f);
        EXPECT_EQ(ReadPsdInfo(f).bitCount, c.samples * c.depth);
    }
}

TEST(PsdCodec, ValidityAndUnreadableHeaders) {
    Psd p = OnePixel(1, 8, {9});
    EXPECT_TRUE(IsValidPsd(Build(p)));
    EXPECT_FALSE(IsValidPsd(ByteSpan(Build(p).data(), 26)));
    p.signature = "8bps";  // upper-cased before comparing
    EXPECT_EQ(DecodePsd(Build(p)).scanLine(0)[0], 9);
    p.signature = "8BPX";
    EXPECT_FALSE(IsValidPsd(Build(p)));
    p.signature = "8BPS";
    p.version = 2;  // the large document variant
    EXPECT_FALSE(IsValidPsd(Build(p)));
    // Bitmap mode, unknown modes, and a stream too short for its sections.
    Psd shortFile = OnePixel(1, 8, {0});
    shortFile.resources.assign(40, 0);
    std::vector<std::vector<uint8_t>> files = {Build(shortFile)};
    files[0].resize(60);
    for (int mode : {0, 5, 6, 10, 15}) files.push_back(Build(OnePixel(mode, mode == 0 ? 1 : 8, {0})));
    for (const auto& f : files) {
        HeaderInfo h{.width = 5, .gamma = 3};
        EXPECT_FALSE(ReadPsdHeader(f, h));
        EXPECT_EQ(h.width, 0u);  // cleared
        EXPECT_EQ(h.gamma, 1.0f);
        ExpectMessage(f, "Invalid image format");
        EXPECT_THROW(ReadPsdInfo(f), ImageFileError);
    }
}

// --- decoding hand-made files --------------------------------------------------

TEST(PsdCodec, OnePixelOfEachMode) {
    struct Case { const char* name; int mode, depth; std::vector<unsigned> samples; std::vector<uint8_t> bgr; };
    const Case cases[] = {
        {"grey", 1, 8, {50, 3}, {50, 50, 50}},
        {"grey 16: v × 255 ÷ 65535", 1, 16, {0x8000}, {127, 127, 127}},
        {"duotone", 8, 8, {200}, {200, 200, 200}},
        {"RGB 16", 3, 16, {0xFFFF, 0x8080, 0x0100}, {0, 128, 255}},
        {"RGB, alpha ignored", 3, 8, {1, 2, 3, 0}, {3, 2, 1}},
        {"multichannel as RGB", 7, 8, {1, 2, 3}, {3, 2, 1}},
        {"multichannel of 5", 7, 8, {1, 2, 3, 4, 5}, {3, 2, 1}},
        // Ink C 100, M 0, Y 200, K 50 stored as 255 − ink: clamp(C × K ÷ 255 − K − C + 255).
        {"CMYK", 4, 8, {155, 255, 55, 205}, {44, 205, 124}},
        {"CMYK all 0: full ink", 4, 8, {0, 0, 0, 0}, {0, 0, 0}},
        {"CMYK no ink, alpha ignored", 4, 8, {255, 255, 255, 255, 0}, {255, 255, 255}},
        // 255 − (C + K − C × K ÷ 65535) × 255 ÷ 65535 with ink C 0x8000, M 0, Y 0xFFFF, K 0x4000.
        {"CMYK 16", 4, 16, {0x7FFF, 0xFFFF, 0x0000, 0xBFFF}, {0, 192, 96}},
        {"Lab white", 9, 8, {255, 128, 128}, {255, 255, 255}},
        {"Lab black", 9, 8, {0, 128, 128}, {0, 0, 0}},
        {"Lab mid grey", 9, 8, {128, 128, 128}, {47, 47, 47}},
        {"Lab below L* 7.9996", 9, 8, {10, 228, 128}, {2, 0, 21}},
        {"Lab clamped", 9, 8, {200, 170, 60}, {255, 108, 141}},
        {"Lab 16 brought to 8 bits", 9, 16, {200 * 257, 170 * 257, 60 * 257, 9}, {255, 108, 141}}};
    for (const Case& c : cases)
        for (int compression : {0, 1}) {
            SCOPED_TRACE(std::string(c.name) + (compression ? " RLE" : " raw"));
            Psd p = OnePixel(c.mode, c.depth, c.samples);
            p.compression = compression;
            const Bitmap b = DecodePsd(Build(p));
            EXPECT_EQ(b.depth(), c.mode == 1 || c.mode == 8 ? 8 : 24);
            EXPECT_EQ(Pixel(As24(b)), c.bgr);
        }
}

TEST(PsdCodec, PlanesAndPalettes) {
    for (int compression : {0, 1}) {
        Psd p{.channels = 4, .compression = compression, .width = 2, .height = 2};
        p.planes = {{10, 20, 30, 40}, {1, 2, 3, 4}, {200, 201, 202, 203}, {9, 9, 9, 9}};
        EXPECT_EQ(DecodePsd(Build(p)), Bgr(2, 2, {200, 1, 10, 201, 2, 20, 202, 3, 30, 203, 4, 40}));
        p.mode = 1;
        const Bitmap grey = DecodePsd(Build(p));
        EXPECT_TRUE(grey.hasGreyPalette());
        EXPECT_EQ(grey.scanLine(1)[1], 40);
    }
    Psd p{.channels = 1, .mode = 2, .width = 3, .colorModeData = std::vector<uint8_t>(768)};
    p.planes = {{0, 1, 3}};
    for (int i = 0; i < 256; ++i) {  // planes red, green, blue
        p.colorModeData[size_t(i)] = uint8_t(i);
        p.colorModeData[size_t(256 + i)] = uint8_t(255 - i);
        p.colorModeData[size_t(512 + i)] = uint8_t(i / 2);
    }
    for (size_t extra : {size_t(0), size_t(4)}) {  // longer data keeps the 256-entry planes
        p.colorModeData.resize(768 + extra, 0xEE);
        const Bitmap b = DecodePsd(Build(p));
        ASSERT_EQ(b.palette().size(), 256u);
        EXPECT_EQ(b.palette()[3], (PaletteEntry{3, 252, 1, 0}));
        EXPECT_EQ(b.scanLine(0)[2], 3);
    }
    p.colorModeData = {10, 20, 30, 40, 50, 60};  // two entries, planes of two bytes
    const Bitmap small = DecodePsd(Build(p));
    ASSERT_EQ(small.palette().size(), 2u);
    EXPECT_EQ(small.palette()[1], (PaletteEntry{20, 40, 60, 0}));
    EXPECT_EQ(As24(small).scanLine(0)[3 * 2], 0);  // index 3 lies past the palette: black
}

TEST(PsdCodec, RunLengthRowsStayInTheirRow) {
    const Psd p{.channels = 1, .mode = 1, .compression = 1, .width = 3, .height = 2};
    // Row 0: a run of 100 and a literal of 128, clipped to the row; row 1 ends
    // short; then the same with the no-op control byte −128.
    const std::vector<std::vector<uint8_t>> rows = {{157, 4, 127, 1, 2}, {0, 9}, {0x80, 254, 6}, {0x80, 0, 6}};
    const std::vector<uint8_t> want[] = {{4, 4, 4}, {9, 0, 0}, {6, 6, 6}, {6, 0, 0}};
    for (size_t i = 0; i < 4; i += 2) {
        std::vector<uint8_t> f = Build(p);
        Put16(f, unsigned(rows[i].size()));
        Put16(f, unsigned(rows[i + 1].size()));
        for (size_t r = i; r < i + 2; ++r) f.insert(f.end(), rows[r].begin(), rows[r].end());
        const Bitmap b = DecodePsd(f);
        for (int y = 0; y < 2; ++y) EXPECT_EQ(std::vector<uint8_t>(b.scanLine(y), b.scanLine(y) + 3), want[i + size_t(y)]);
    }
}

// --- malformed files ---------------------------------------------------------

TEST(PsdCodec, RefusesBadLayouts) {
    struct Case { const char* name; int mode, channels, depth, compression; };
    const Case cases[] = {{"RGB with 2 channels", 3, 2, 8, 0},   {"multichannel with 2", 7, 2, 8, 0},
                          {"CMYK with 3 channels", 4, 3, 8, 0},  {"Lab with 2 channels", 9, 2, 8, 0},
                          {"no channel", 1, 0, 8, 0},            {"57 channels", 1, 57, 8, 0},
                          {"32-bit samples", 3, 3, 32, 0},       {"1-bit grey", 1, 1, 1, 0},
                          {"16-bit indexed", 2, 1, 16, 0},       {"ZIP compression", 3, 3, 8, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Psd p{.channels = c.channels, .mode = c.mode, .depth = c.depth, .compression = c.compression};
        p.colorModeData.assign(c.mode == 2 ? 768 : 0, 0);
        p.planes.assign(size_t(c.channels), std::vector<uint8_t>(8, 0));
        EXPECT_THROW(DecodePsd(Build(p)), ImageFileError);
    }
    Psd p = OnePixel(2, 8, {0});  // indexed without a colour table
    ExpectMessage(Build(p), "Bad PSD file: the colour table is missing.");
    p = OnePixel(3, 8, {1, 2});
    ExpectMessage(Build(p), "Bad PSD file: 2 channels are too few for colour mode 3.");
}

TEST(PsdCodec, RefusesHugeSizesBeforeAllocating) {
    for (uint32_t w : {0u, 30001u, 0xFFFFFFFFu}) {
        Psd p = OnePixel(1, 8, {0});
        p.width = w;
        EXPECT_THROW(DecodePsd(Build(p)), ImageFileError);
    }
    // Raw data must be all there.
    Psd p = OnePixel(1, 8, {0});
    p.width = p.height = 15000;
    EXPECT_THROW(DecodePsd(Build(p)), ImageFileError);
    // Run-length rows of two bytes cannot fill 15000 × 15000 pixels.
    p.compression = 1;
    p.planes.clear();  // the table and rows follow
    std::vector<uint8_t> f = Build(p);
    for (int y = 0; y < 15000; ++y) Put16(f, 2);
    for (int y = 0; y < 15000; ++y) f.insert(f.end(), {uint8_t(257 - 128), 1});
    EXPECT_THROW(DecodePsd(f), ImageFileError);
}

TEST(PsdCodec, RefusesTruncatedAndRunsPastTheEnd) {
    Psd p{.channels = 4, .width = 5, .height = 3};
    for (int k = 0; k < 4; ++k) p.planes.push_back(std::vector<uint8_t>(15, uint8_t(k * 30)));
    for (int compression : {0, 1}) {
        p.compression = compression;
        const std::vector<uint8_t> f = Build(p);
        ASSERT_NO_THROW(DecodePsd(f));
        ExpectPrefixesRefused(f, f.size(), [](ByteSpan b) { DecodePsd(b); });
        MutationSmoke(f, 2000, [](ByteSpan b) { DecodePsd(b); });
    }
    // A byte count reaching past the end of the file.
    std::vector<uint8_t> f = Build(p);
    const size_t table = f.size() - 4 * 3 * 2 - 4 * 3 * 2;  // rows of 2 bytes each
    f[table + 1] = 200;
    ExpectMessage(f, "Bad PSD file: the file is truncated.");
}

// --- files from an independent tool ------------------------------------------

// Every mode the tool writes, raw and run-length; bitmap mode is refused.
TEST(PsdCodec, ReadsFilesWrittenByImageMagick) {
    const std::string im = ImageMagick();
    if (im.empty()) GTEST_SKIP() << "ImageMagick not installed";
    struct Case { const char* name; const char* options; char source; ColorLayout layout; int depth; int tolerance; };
    // Sources: 'c' colour, 'p' at most 256 colours, 'g' grey.
    const Case cases[] = {
        {"grey", "-type Grayscale -depth 8", 'g', ColorLayout::Grey, 8, 0},
        {"grey 16", "-type Grayscale -depth 16", 'g', ColorLayout::Grey, 16, 0},
        {"indexed", "-type Palette", 'p', ColorLayout::Indexed, 8, 0},
        {"RGB", "-type TrueColor -depth 8", 'c', ColorLayout::Rgb, 8, 0},
        {"RGB 16", "-type TrueColor -depth 16", 'c', ColorLayout::Rgb, 16, 0},
        {"RGB with alpha", "-depth 8 -alpha on", 'c', ColorLayout::Rgba, 8, 0},
        {"CMYK", "-colorspace CMYK -depth 8", 'c', ColorLayout::Cmyk, 8, 2},
        {"CMYK 16", "-colorspace CMYK -depth 16", 'c', ColorLayout::Cmyk, 16, 1},
        {"CMYK with alpha", "-colorspace CMYK -depth 8 -alpha on", 'c', ColorLayout::Cmyk, 8, 2},
    };
    TempDir dir;
    for (const Case& c : cases)
        for (const char* compression : {"None", "RLE"}) {
            SCOPED_TRACE(std::string(c.name) + " " + compression);
            Bitmap src = c.source == 'c' ? MakePicture(301, 5, 24, 4) : MakePicture(301, 5, 8, 4);
            if (c.source == 'g') src.palette() = MakeGreyPalette(8);
            WritePpm(dir.file("src.ppm"), src);
            ASSERT_TRUE(RunTool(im, dir.file("src.ppm") + " " + c.options + " -compress " + compression +
                                        " psd:" + dir.file("f.psd")));
            const std::vector<uint8_t> f = ReadBytes(dir.file("f.psd"));
            HeaderInfo h;
            ASSERT_TRUE(ReadPsdHeader(f, h));
            EXPECT_EQ(h.layout, c.layout);
            EXPECT_EQ(h.bitsPerSample, c.depth);
            EXPECT_EQ(h.packing, compression[0] == 'R' ? 3 : 1);
            const Bitmap b = DecodePsd(f);
            EXPECT_EQ(b.depth(), c.layout == ColorLayout::Grey || c.layout == ColorLayout::Indexed ? 8 : 24);
            EXPECT_TRUE(SameLook(b, src, c.tolerance));
        }
    ASSERT_TRUE(RunTool(im, "-size 9x4 pattern:checkerboard -type Bilevel -depth 1 psd:" + dir.file("b.psd")));
    const std::vector<uint8_t> f = ReadBytes(dir.file("b.psd"));
    ASSERT_GE(f.size(), 26u);
    ASSERT_EQ(f[25], 0);  // mode 0: bitmap
    HeaderInfo h;
    EXPECT_FALSE(ReadPsdHeader(f, h));
    ExpectMessage(f, "Invalid image format");
}

}  // namespace
}  // namespace vimbra
