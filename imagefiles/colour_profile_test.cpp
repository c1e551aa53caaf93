#include "imagefiles/colour_profile.h"

#include <gtest/gtest.h>

#include "imagefiles/codecs/codec_test_util.h"
#include "imagefiles/codecs/tiff_codec.h"
#include "imagefiles/metadata_test_util.h"

namespace vimbra {
namespace {

using testutil::ReadBytes;

bool HaveReference() {
    return std::filesystem::exists("/usr/bin/tificc") &&
           std::filesystem::exists(testutil::kAdobeRgbProfile);
}

// lcms2's own TIFF applier, relative colorimetric, is the reference.
TEST(ColourProfile, AdobeRgbToSrgbMatchesTificc) {
    if (!HaveReference()) GTEST_SKIP() << "tificc or the Adobe RGB profile is missing";
    testutil::TempDir dir;
    const Bitmap picture = testutil::MakePicture(61, 17, 24, 4);
    testutil::WriteBytes(dir.file("in.tif"), EncodeTiff(picture, TiffCompression::None));
    ASSERT_TRUE(testutil::RunTool("/usr/bin/tificc", std::string("-i") + testutil::kAdobeRgbProfile +
                                                        " -t1 '" + dir.file("in.tif") + "' '" +
                                                        dir.file("out.tif") + "'"));
    const Bitmap reference = DecodeTiff(ReadBytes(dir.file("out.tif")));
    Bitmap converted = picture;
    ConvertToSrgb(converted, ReadBytes(testutil::kAdobeRgbProfile));
    EXPECT_TRUE(testutil::SameLook(converted, reference));
    EXPECT_FALSE(testutil::SameLook(converted, picture));

    // A palette picture has its palette converted, the same way.
    Bitmap indexed = testutil::MakePicture(16, 16, 8, 2);
    Bitmap expected = indexed;
    expected.convertTo24();
    ConvertToSrgb(expected, ReadBytes(testutil::kAdobeRgbProfile));
    ConvertToSrgb(indexed, ReadBytes(testutil::kAdobeRgbProfile));
    EXPECT_EQ(indexed.depth(), 8);
    EXPECT_TRUE(testutil::SameLook(indexed, expected));
    EXPECT_NE(ProfileDescription(ReadBytes(testutil::kAdobeRgbProfile)).find("Adobe"),
              std::string::npos);
}

TEST(ColourProfile, RefusesWhatIsNoRgbProfile) {
    Bitmap b = testutil::MakePicture(4, 4, 24);
    const Bitmap before = b;
    const std::vector<uint8_t> junk(300, 0x41);
    EXPECT_THROW(ConvertToSrgb(b, junk), ImageFileError);
    EXPECT_THROW(ConvertToSrgb(b, {}), ImageFileError);
    if (std::filesystem::exists("/usr/share/color/icc/Gray.icc")) {
        EXPECT_THROW(ConvertToSrgb(b, ReadBytes("/usr/share/color/icc/Gray.icc")), ImageFileError);
    }
    EXPECT_TRUE(testutil::SameLook(b, before));
    EXPECT_EQ(ProfileDescription(junk), "");
    if (std::filesystem::exists(testutil::kAdobeRgbProfile)) {
        std::vector<uint8_t> cut = ReadBytes(testutil::kAdobeRgbProfile);
        testutil::MutationSmoke(cut, 100, [&](ByteSpan d) {
            Bitmap copy = before;
            ConvertToSrgb(copy, d);
        });
    }
}

}  // namespace
}  // namespace vimbra
