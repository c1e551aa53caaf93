#include "filters/jpeg_wizard.h"

#include <gtest/gtest.h>

#include "imagefiles/codecs/jpeg_codec.h"

namespace vimbra {
namespace {

Bitmap Textured(int w, int h) {
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = b.scanLine(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = uint8_t((x * 13 + y * 7) % 256);
            row[3 * x + 1] = uint8_t((x * y) % 251);
            row[3 * x + 2] = uint8_t(((x / 4 + y / 4) % 2) * 200 + 20);
        }
    }
    return b;
}

TEST(JpegWizardFigures, SizeAndRatioTexts) {
    EXPECT_EQ(FileSizeText(40000), "File size: 40000 bytes");
    // 640 × 480 × 3 = 921600; ÷ 40000 = 23.04.
    EXPECT_EQ(CompressionRatioText(640, 480, 40000), "Compression ratio: 23.0 to 1");
    // 100 × 100 × 3 = 30000; ÷ 7000 = 4.28...
    EXPECT_EQ(CompressionRatioText(100, 100, 7000), "Compression ratio: 4.2 to 1");
    // Larger than the raw picture: 12 ÷ 700 = 0.01...
    EXPECT_EQ(CompressionRatioText(2, 2, 700), "Compression ratio: 0.0 to 1");
    // Nothing encoded: no division.
    EXPECT_EQ(CompressionRatioText(640, 480, 0), "Compression ratio: -");
    // 30000 × 30000 × 3 does not overflow: 2700000000 ÷ 7 = 385714285.7...
    EXPECT_EQ(CompressionRatioText(30000, 30000, 7), "Compression ratio: 385714285.7 to 1");
}

TEST(JpegWizardTrial, StreamIsTheEncodeOfTheSameSettings) {
    const Bitmap picture = Textured(64, 48);
    JpegWizardSettings s;
    s.quality = 100;
    s.progressive = true;
    s.chromaSubsampling = true;
    s.smoothingMode = 0;
    s.smoothingAmount = 40;
    const JpegTrial t = CompressTrial(picture, s);
    ASSERT_TRUE(t.error.empty()) << t.error;
    EXPECT_EQ(t.stream, EncodeJpeg(picture, WizardJpegOptions(s)));
    EXPECT_TRUE(ReadJpegInfo(ByteSpan(t.stream.data(), t.stream.size())).progressive);
    ASSERT_EQ(t.decoded.width(), 64);
    ASSERT_EQ(t.decoded.height(), 48);
    EXPECT_EQ(t.decoded.depth(), 24);
    EXPECT_EQ(t.decoded, DecodeJpeg(ByteSpan(t.stream.data(), t.stream.size())));
    // The source is never touched.
    EXPECT_EQ(picture, Textured(64, 48));

    // A higher factor gives a smaller file.
    JpegWizardSettings coarse = s;
    coarse.quality = 200;
    EXPECT_LT(CompressTrial(picture, coarse).stream.size(), t.stream.size());
}

TEST(JpegWizardTrial, PrefilterRunsBeforeTheEncoder) {
    const Bitmap picture = Textured(40, 40);
    JpegWizardSettings s;
    s.smoothingMode = 1;
    s.smoothingAmount = 0;
    // No amount: the same file as the encoder alone.
    EXPECT_EQ(CompressTrial(picture, s).stream, EncodeJpeg(picture, WizardJpegOptions(s)));
    s.smoothingAmount = 255;
    Bitmap filtered = picture;
    JpegPrefilter(filtered, s);
    EXPECT_NE(filtered, picture);
    EXPECT_EQ(CompressTrial(picture, s).stream, EncodeJpeg(filtered, WizardJpegOptions(s)));
    // The encoder's own smoothing is off while a pre-filter runs.
    EXPECT_EQ(WizardJpegOptions(s).smoothing, 0);
}

TEST(JpegWizardTrial, DefocusAtFullAmountIsTheBoxAverage) {
    // 5 × 5 grey 0 with 90 in the middle: every inner pixel sees it once in
    // its nine samples, 90 div 9 = 10.
    Bitmap b(5, 5, 24);
    b.scanLine(2)[6] = b.scanLine(2)[7] = b.scanLine(2)[8] = 90;
    JpegWizardSettings s;
    s.smoothingMode = 1;
    s.smoothingAmount = 255;
    JpegPrefilter(b, s);
    for (int y = 1; y <= 3; ++y)
        for (int x = 1; x <= 3; ++x)
            for (int c = 0; c < 3; ++c) EXPECT_EQ(b.scanLine(y)[3 * x + c], 10) << x << "," << y;

    // Mode 0 leaves the picture to the encoder.
    Bitmap same(5, 5, 24);
    same.scanLine(2)[6] = 90;
    s.smoothingMode = 0;
    JpegPrefilter(same, s);
    EXPECT_EQ(same.scanLine(2)[6], 90);
    EXPECT_EQ(same.scanLine(2)[3], 0);
}

TEST(JpegWizardTrial, PalettePicturesAreCompressedInColourAndEmptyOnesRefused) {
    Bitmap grey(16, 8, 8);
    for (int i = 0; i < 256; ++i) grey.palette().push_back(PaletteEntry{uint8_t(i), uint8_t(i), uint8_t(i), 0});
    const JpegTrial t = CompressTrial(grey, JpegWizardSettings{});
    ASSERT_TRUE(t.error.empty()) << t.error;
    EXPECT_EQ(t.decoded.depth(), 24);
    EXPECT_EQ(t.decoded.width(), 16);

    const JpegTrial none = CompressTrial(Bitmap(), JpegWizardSettings{});
    EXPECT_TRUE(none.stream.empty());
    EXPECT_TRUE(none.decoded.isEmpty());
    EXPECT_FALSE(none.error.empty());
}

}  // namespace
}  // namespace vimbra
