#include "imagefiles/codecs/jpeg_codec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>

#include "imagefiles/codecs/codec_test_util.h"

namespace vimbra {
namespace {

using testutil::As24;
using testutil::ReadPpm;
using testutil::RunTool;

const std::string kMagick = "/usr/bin/convert-im6.q16";

std::string Capture(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[256];
        while (fgets(buf, sizeof buf, p)) out += buf;
        pclose(p);
    }
    return out;
}

struct Difference {
    int worst = 1000;
    double mean = 1000;
};

// Per-channel differences of two pictures of the same size, whatever their depths.
Difference Compare(const Bitmap& a, const Bitmap& b) {
    Difference d;
    if (a.width() != b.width() || a.height() != b.height()) return d;
    const Bitmap x = As24(a), y = As24(b);
    long sum = 0;
    d.worst = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int i = 0; i < 3 * x.width(); ++i) {
            const int e = std::abs(x.scanLine(row)[i] - y.scanLine(row)[i]);
            d.worst = std::max(d.worst, e);
            sum += e;
        }
    d.mean = double(sum) / (3.0 * x.width() * x.height());
    return d;
}

// A smooth colour picture that JPEG keeps well.
Bitmap Smooth(int w, int h) {
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = uint8_t(x * 255 / (w - 1));
            p[1] = uint8_t(y * 255 / (h - 1));
            p[2] = uint8_t(128 + (x - y) / 4);
        }
    return b;
}

// Start of frame: progressive flag, component count and sampling bytes.
struct Frame {
    bool found = false, progressive = false;
    int components = 0;
    std::vector<int> sampling;
};

Frame FindFrame(const std::vector<uint8_t>& d) {
    Frame f;
    for (size_t i = 2; i + 10 < d.size(); ++i)
        if (d[i] == 0xFF && (d[i + 1] == 0xC0 || d[i + 1] == 0xC1 || d[i + 1] == 0xC2)) {
            f.found = true;
            f.progressive = d[i + 1] == 0xC2;
            f.components = d[i + 9];
            for (int c = 0; c < f.components && i + 11 + 3 * size_t(c) < d.size(); ++c)
                f.sampling.push_back(d[i + 11 + 3 * size_t(c)]);
            return f;
        }
    return f;
}

// ---- our encoder through our decoder ------------------------------------------

TEST(JpegCodec, EncoderOptionsShowInTheFile) {
    const Bitmap b = Smooth(64, 48);
    JpegWriteOptions o;
    o.quality = 90;
    o.optimizeHuffman = false;
    const auto plain = EncodeJpeg(b, o);
    Frame f = FindFrame(plain);
    ASSERT_TRUE(f.found);
    EXPECT_FALSE(f.progressive);
    EXPECT_EQ(f.components, 3);
    EXPECT_EQ(f.sampling, (std::vector<int>{0x22, 0x11, 0x11}));

    o.chromaSubsampling = false;
    EXPECT_EQ(FindFrame(EncodeJpeg(b, o)).sampling, (std::vector<int>{0x11, 0x11, 0x11}));
    o.chromaSubsampling = true;

    o.optimizeHuffman = true;
    EXPECT_LT(EncodeJpeg(b, o).size(), plain.size());

    o.progressive = true;
    EXPECT_TRUE(FindFrame(EncodeJpeg(b, o)).progressive);
    EXPECT_TRUE(ReadJpegInfo(EncodeJpeg(b, o)).progressive);
    o.progressive = false;

    o.grey = true;
    const auto grey = EncodeJpeg(b, o);
    EXPECT_EQ(FindFrame(grey).components, 1);
    EXPECT_EQ(ReadJpegInfo(grey).bitCount, 8);
    o.grey = false;

    JpegWriteOptions low = o;
    low.quality = 10;
    EXPECT_LT(EncodeJpeg(b, low).size(), EncodeJpeg(b, o).size());
}

TEST(JpegCodec, RoundTripsEveryDepthAndOption) {
    Bitmap b = Smooth(61, 37);
    b.xDotsPerInch = 300;
    b.yDotsPerInch = 200;
    for (const bool progressive : {false, true})
        for (const bool floatDct : {false, true})
            for (const int smoothing : {0, 30}) {
                SCOPED_TRACE(testing::Message() << progressive << floatDct << smoothing);
                JpegWriteOptions o;
                o.quality = 95;
                o.progressive = progressive;
                o.floatDct = floatDct;
                o.smoothing = smoothing;
                o.chromaSubsampling = false;
                const auto bytes = EncodeJpeg(b, o);
                const JpegInfo info = ReadJpegInfo(bytes);
                EXPECT_EQ(info.width, 61);
                EXPECT_EQ(info.height, 37);
                EXPECT_EQ(info.xDotsPerInch, 300);
                EXPECT_EQ(info.yDotsPerInch, 200);
                const Bitmap back = DecodeJpeg(bytes);
                EXPECT_EQ(back.depth(), 24);
                EXPECT_EQ(back.xDotsPerInch, 300);
                const Difference d = Compare(back, b);
                EXPECT_LE(d.worst, smoothing ? 24 : 8);
                EXPECT_LE(d.mean, smoothing ? 4.0 : 1.5);
            }

    // Palette pictures go through their palette; grey ones come back grey.
    for (const int depth : {1, 4, 8}) {
        SCOPED_TRACE(depth);
        Bitmap p(40, 24, depth);
        const int n = 1 << depth;
        for (int i = 0; i < n; ++i) {
            const uint8_t v = uint8_t(i * 255 / (n - 1));
            p.palette()[size_t(i)] = {v, v, v, 0};
        }
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 40; ++x) {
                const int v = (x / 8) % n;  // broad bands
                uint8_t* row = p.scanLine(y);
                if (depth == 1) row[x >> 3] |= uint8_t(v << (7 - (x & 7)));
                else if (depth == 4) row[x >> 1] |= uint8_t((x & 1) ? v : v << 4);
                else row[x] = uint8_t(v * 50);
            }
        JpegWriteOptions o;
        o.quality = 100;
        o.grey = true;
        const Bitmap back = DecodeJpeg(EncodeJpeg(p, o));
        EXPECT_EQ(back.depth(), 8);
        EXPECT_TRUE(back.hasGreyPalette());
        EXPECT_LE(Compare(back, p).mean, 3.0);
    }
}

TEST(JpegCodec, ReducedScalesGreyAndQuantisedOutput) {
    const auto bytes = EncodeJpeg(Smooth(37, 29), {});
    const Bitmap full = DecodeJpeg(bytes);
    for (const int scale : {2, 4, 8}) {
        JpegReadOptions o;
        o.scale = scale;
        const Bitmap r = DecodeJpeg(bytes, o);
        EXPECT_EQ(r.width(), (37 + scale - 1) / scale);
        EXPECT_EQ(r.height(), (29 + scale - 1) / scale);
    }
    JpegReadOptions grey;
    grey.grey = true;
    const Bitmap g = DecodeJpeg(bytes, grey);
    ASSERT_EQ(g.depth(), 8);
    EXPECT_TRUE(g.hasGreyPalette());
    for (int y = 0; y < 29; y += 7)
        for (int x = 0; x < 37; x += 5) {
            const uint8_t* p = full.scanLine(y) + 3 * x;
            const int luma = (299 * p[2] + 587 * p[1] + 114 * p[0] + 500) / 1000;
            EXPECT_NEAR(g.scanLine(y)[x], luma, 3);
        }

    for (const bool twoPass : {true, false})
        for (const JpegDither dither : {JpegDither::None, JpegDither::Ordered, JpegDither::FloydSteinberg}) {
            SCOPED_TRACE(testing::Message() << twoPass << int(dither));
            JpegReadOptions q;
            q.quantize = true;
            q.colors = 64;
            q.twoPassQuantize = twoPass;
            q.dither = dither;
            const Bitmap m = DecodeJpeg(bytes, q);
            ASSERT_EQ(m.depth(), 8);
            std::set<int> used;
            for (int y = 0; y < m.height(); ++y)
                for (int x = 0; x < m.width(); ++x) used.insert(m.scanLine(y)[x]);
            EXPECT_LE(*used.rbegin(), 63);
            // A fixed cube of 64 colours has 4 levels a channel, 85 apart.
            const Difference d = Compare(m, full);
            EXPECT_LE(d.mean, twoPass ? 12.0 : 40.0);
            if (dither == JpegDither::None) {
                EXPECT_LE(d.worst, twoPass ? 48 : 43);
            }
        }
}

// ---- files of an independent tool ---------------------------------------------

class JpegFixtures : public testing::Test {
protected:
    void SetUp() override {
        if (testutil::ImageMagick().empty()) GTEST_SKIP() << "ImageMagick is missing";
        ASSERT_TRUE(RunTool(kMagick, "-size 64x48 -seed 7 plasma:fractal -blur 0x1 -depth 8 " + dir.file("src.ppm")));
    }
    std::vector<uint8_t> Make(const std::string& name, const std::string& args, Bitmap& reference) {
        const std::string out = dir.file(name);
        EXPECT_TRUE(RunTool(kMagick, dir.file("src.ppm") + " " + args + " " + out));
        EXPECT_TRUE(RunTool(kMagick, out + " -depth 8 ppm:" + dir.file("ref.ppm")));
        reference = ReadPpm(dir.file("ref.ppm"));
        return ReadWholeFile(out);
    }
    testutil::TempDir dir;
};

TEST_F(JpegFixtures, DecodesColourGreyProgressiveAndCmyk) {
    struct Case {
        const char* name;
        const char* args;
        int depth, components;
    };
    for (const Case& c : {Case{"base.jpg", "-quality 92", 24, 3},
                          Case{"prog.jpg", "-quality 92 -interlace JPEG", 24, 3},
                          Case{"s444.jpg", "-quality 92 -sampling-factor 1x1", 24, 3},
                          Case{"grey.jpg", "-colorspace gray -quality 92", 8, 1},
                          Case{"cmyk.jpg", "-colorspace cmyk -quality 95", 24, 4}}) {
        SCOPED_TRACE(c.name);
        Bitmap reference;
        const auto bytes = Make(c.name, c.args, reference);
        const JpegInfo info = ReadJpegInfo(bytes);
        EXPECT_EQ(info.components, c.components);
        const Bitmap b = DecodeJpeg(bytes);
        EXPECT_EQ(b.depth(), c.depth);
        const Difference d = Compare(b, reference);
        EXPECT_LE(d.worst, 4);
        EXPECT_LE(d.mean, 1.0);
    }
}

TEST_F(JpegFixtures, ReducedDecodeMatchesAScaledDownPicture) {
    Bitmap full;
    const auto bytes = Make("scale.jpg", "-quality 95", full);
    for (const int scale : {2, 4, 8}) {
        SCOPED_TRACE(scale);
        std::ostringstream shrink;
        shrink << "-scale " << 100 / scale << "%";
        ASSERT_TRUE(RunTool(kMagick, dir.file("scale.jpg") + " " + shrink.str() + " -depth 8 ppm:" +
                                         dir.file("small.ppm")));
        JpegReadOptions o;
        o.scale = scale;
        const Difference d = Compare(DecodeJpeg(bytes, o), ReadPpm(dir.file("small.ppm")));
        EXPECT_LE(d.mean, 3.0);
        EXPECT_LE(d.worst, 40);
    }
}

TEST_F(JpegFixtures, OurFilesReadByAnIndependentTool) {
    const std::string path = dir.file("ours.jpg");
    Bitmap b = Smooth(48, 32);
    JpegWriteOptions o;
    o.quality = 85;
    o.progressive = true;
    WriteFileAtomically(path, EncodeJpeg(b, o));
    const std::string facts =
        Capture(kMagick + " " + path + " -format \"%[jpeg:sampling-factor] %[interlace] %Q\" info:");
    EXPECT_EQ(facts, "2x2,1x1,1x1 JPEG 85");
    ASSERT_TRUE(RunTool(kMagick, path + " -depth 8 ppm:" + dir.file("ours.ppm")));
    EXPECT_LE(Compare(ReadPpm(dir.file("ours.ppm")), DecodeJpeg(ReadWholeFile(path))).worst, 3);

    o.grey = true;
    o.progressive = false;
    WriteFileAtomically(path, EncodeJpeg(b, o));
    EXPECT_EQ(Capture(kMagick + " " + path + " -format \"%[colorspace] %[interlace]\" info:"), "Gray None");
}

// ---- hostile input ------------------------------------------------------------

TEST(JpegCodec, RefusesMalformedFiles) {
    JpegWriteOptions progressive;
    progressive.progressive = true;
    for (const auto& good : {EncodeJpeg(Smooth(64, 48), {}), EncodeJpeg(Smooth(64, 48), progressive)}) {
        EXPECT_THROW(DecodeJpeg(std::vector<uint8_t>{}), ImageFileError);
        EXPECT_THROW(DecodeJpeg(std::vector<uint8_t>{'G', 'I', 'F', '8'}), ImageFileError);
        for (const size_t cut : {size_t(2), size_t(100), good.size() / 2, good.size() - 40}) {
            SCOPED_TRACE(cut);
            const std::vector<uint8_t> part(good.begin(), good.begin() + long(cut));
            EXPECT_THROW(DecodeJpeg(part), ImageFileError);
        }
        // Cut inside the scan data: readable on request, grey where data is missing.
        JpegReadOptions lenient;
        lenient.acceptTruncated = true;
        const std::vector<uint8_t> half(good.begin(), good.begin() + long(good.size() * 3 / 4));
        EXPECT_EQ(DecodeJpeg(half, lenient).width(), 64);

        // 60000 × 60000 in the frame header: over the size cap.
        std::vector<uint8_t> huge = good;
        for (size_t i = 2; i + 8 < huge.size(); ++i)
            if (huge[i] == 0xFF && (huge[i + 1] == 0xC0 || huge[i + 1] == 0xC2)) {
                huge[i + 5] = huge[i + 7] = 0xEA;
                huge[i + 6] = huge[i + 8] = 0x60;
                break;
            }
        EXPECT_EQ(ReadJpegInfo(huge).width, 60000);
        EXPECT_THROW(DecodeJpeg(huge), ImageFileError);
    }
}

TEST(JpegCodec, SurvivesCorruption) {
    JpegWriteOptions progressive;
    progressive.progressive = true;
    int round = 0;
    for (const auto& good : {EncodeJpeg(Smooth(40, 24), {}), EncodeJpeg(Smooth(40, 24), progressive)})
        testutil::MutationSmoke(good, 300, [&round](ByteSpan bytes) {
            JpegReadOptions o;
            o.scale = 1 << (round % 4);
            o.acceptTruncated = round % 2 == 0;
            o.quantize = round++ % 3 == 0;
            DecodeJpeg(bytes, o);
        });
}

}  // namespace
}  // namespace vimbra
