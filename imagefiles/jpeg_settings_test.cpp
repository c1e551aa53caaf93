#include "imagefiles/jpeg_settings.h"

#include <gtest/gtest.h>

#include <vector>

namespace vimbra {
namespace {

TEST(JpegSettings, QualityMapping) {
    using S = JpegQualityScale;
    EXPECT_EQ(LibjpegQuality(S::SaveDialog, 75), 75);
    EXPECT_EQ(LibjpegQuality(S::SaveDialog, 1), 1);
    EXPECT_EQ(LibjpegQuality(S::SaveDialog, 0), 1);
    EXPECT_EQ(LibjpegQuality(S::SaveDialog, 100), 100);
    EXPECT_EQ(LibjpegQuality(S::SaveDialog, 128), 100);
    EXPECT_EQ(LibjpegQuality(S::SaveDialog, 129), 50);
    EXPECT_EQ(LibjpegQuality(S::SaveDialog, 200), 50);
    EXPECT_EQ(LibjpegQuality(S::SaveDialog, -1), 50);

    EXPECT_EQ(LibjpegQuality(S::Wizard, 1), 100);
    EXPECT_EQ(LibjpegQuality(S::Wizard, 48), 82);   // 100 − 47 × 99 ÷ 254
    EXPECT_EQ(LibjpegQuality(S::Wizard, 128), 51);  // 100 − 127 × 99 ÷ 254
    EXPECT_EQ(LibjpegQuality(S::Wizard, 255), 1);
    EXPECT_EQ(LibjpegQuality(S::Wizard, 0), 100);
    EXPECT_EQ(LibjpegQuality(S::Wizard, 999), 1);
    for (int q = 2; q <= 255; ++q)
        EXPECT_LE(LibjpegQuality(S::Wizard, q), LibjpegQuality(S::Wizard, q - 1));
}

TEST(JpegSettings, SixteenLittleEndianBytes) {
    const JpegWizardSettings defaults;
    const std::array<uint8_t, 16> expected = {0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 48, 0, 0, 0};
    EXPECT_EQ(defaults.toBytes(), expected);
    EXPECT_TRUE(defaults.isLoaded());

    JpegWizardSettings s;
    s.progressive = true;
    s.chromaSubsampling = true;
    s.smoothingMode = 2;
    s.smoothingAmount = 0x01020304;
    s.quality = 255;
    const auto bytes = s.toBytes();
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[1], 1);
    EXPECT_EQ(bytes[4], 2);
    EXPECT_EQ(bytes[8], 4);
    EXPECT_EQ(bytes[11], 1);
    EXPECT_EQ(bytes[12], 255);
    EXPECT_EQ(bytes[13], 0);
    EXPECT_EQ(JpegWizardSettings::fromBytes(bytes), s);

    JpegWizardSettings unread;
    unread.quality = JpegWizardSettings::kNotLoaded;
    EXPECT_FALSE(unread.isLoaded());
    EXPECT_EQ(JpegWizardSettings::fromBytes(unread.toBytes()), unread);
}

TEST(JpegSettings, WrongLengthMeansDefaults) {
    JpegWizardSettings s;
    s.quality = 7;
    const auto bytes = s.toBytes();
    for (size_t n : {size_t(0), size_t(15)})
        EXPECT_EQ(JpegWizardSettings::fromBytes(std::span<const uint8_t>(bytes.data(), n)),
                  JpegWizardSettings{});
    std::vector<uint8_t> longer(bytes.begin(), bytes.end());
    longer.push_back(0);
    EXPECT_EQ(JpegWizardSettings::fromBytes(longer), JpegWizardSettings{});
}

TEST(JpegSettings, WizardEncoderOptions) {
    JpegWizardSettings s;
    JpegWriteOptions o = WizardJpegOptions(s);
    EXPECT_EQ(o.quality, 82);
    EXPECT_FALSE(o.progressive);
    EXPECT_FALSE(o.chromaSubsampling);
    EXPECT_TRUE(o.optimizeHuffman);
    EXPECT_TRUE(o.floatDct);
    EXPECT_EQ(o.smoothing, 0);
    s.smoothingAmount = 255;
    EXPECT_EQ(WizardJpegOptions(s).smoothing, 100);
    s.smoothingAmount = 128;
    EXPECT_EQ(WizardJpegOptions(s).smoothing, 50);  // 128 × 100 ÷ 255
    s.smoothingMode = 1;                            // defocus before encoding instead
    EXPECT_EQ(WizardJpegOptions(s).smoothing, 0);
    s.progressive = s.chromaSubsampling = true;
    o = WizardJpegOptions(s);
    EXPECT_TRUE(o.progressive);
    EXPECT_TRUE(o.chromaSubsampling);
}

}  // namespace
}  // namespace vimbra
