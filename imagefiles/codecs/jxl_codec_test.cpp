#include "imagefiles/codecs/jxl_codec.h"

#include <gtest/gtest.h>

#include "imagefiles/codecs/modern_codec_test_util.h"

namespace vimbra {
namespace {

using namespace testutil;

TEST(JxlCodec, LosslessRoundTripIsExact) {
    const Bitmap scene = Scene(41, 27);
    const std::vector<uint8_t> file = EncodeJxl(scene, {.lossless = true});
    EXPECT_EQ(DecodeJxl(file), scene);
    const ImageInfo info = ReadJxlInfo(file);
    EXPECT_EQ(info.width, 41);
    EXPECT_EQ(info.height, 27);
    EXPECT_EQ(info.bitCount, 24);
    const Bitmap grey = MakePicture(7, 5, 8, 4);
    EXPECT_TRUE(SameLook(DecodeJxl(EncodeJxl(grey, {.lossless = true})), grey));
}

TEST(JxlCodec, AgreesWithDjxl) {
    VIMBRA_NEED_TOOL("djxl");
    VIMBRA_NEED_TOOL("cjxl");
    TempDir dir;
    const Bitmap scene = Scene(64, 40);
    WriteBytes(dir.file("ours.jxl"), EncodeJxl(scene, {.quality = 90}));
    WritePpm(dir.file("in.ppm"), scene);
    ASSERT_TRUE(RunTool("cjxl", Q(dir.file("in.ppm")) + " " + Q(dir.file("ref.jxl")) + " -d 2 >/dev/null"));
    ASSERT_TRUE(RunTool("cjxl", Q(dir.file("in.ppm")) + " " + Q(dir.file("lossless.jxl")) + " -d 0 >/dev/null"));
    for (const char* name : {"ours", "ref", "lossless"}) {
        SCOPED_TRACE(name);
        const std::string jxl = dir.file(std::string(name) + ".jxl");
        ASSERT_TRUE(RunTool("djxl", Q(jxl) + " " + Q(dir.file("back.ppm")) + " >/dev/null"));
        const Bitmap mine = DecodeJxl(ReadBytes(jxl));
        EXPECT_TRUE(SameLook(mine, ReadPpm(dir.file("back.ppm")), 1));
        EXPECT_TRUE(CloseLook(mine, scene));
    }
    EXPECT_EQ(DecodeJxl(ReadBytes(dir.file("lossless.jxl"))), scene);
    EXPECT_LT(EncodeJxl(scene, {.quality = 10}).size(), EncodeJxl(scene, {.quality = 95}).size());
}

TEST(JxlCodec, AlphaComposedAsThePngReaderComposesIt) {
    VIMBRA_NEED_TOOL("cjxl");
    TempDir dir;
    const std::vector<uint8_t> png = AlphaPng(25, 10);
    WriteBytes(dir.file("a.png"), png);
    ASSERT_TRUE(RunTool("cjxl", Q(dir.file("a.png")) + " " + Q(dir.file("a.jxl")) + " -d 0 >/dev/null"));
    const PaletteEntry back{0, 0, 255, 0};
    EXPECT_EQ(DecodeJxl(ReadBytes(dir.file("a.jxl")), {.backgroundColor = back}), PngOver(png, back));
}

TEST(JxlCodec, MetadataBoxesAndProfile) {
    const std::vector<uint8_t> icc = ReadBytes(kSrgbProfile);
    if (icc.empty()) GTEST_SKIP() << kSrgbProfile << " not installed";
    PictureMetadata in;
    in.exif = TinyExif(1);
    in.xmp = Bytes("<x:xmpmeta xmlns:x='adobe:ns:meta/'/>");
    in.icc = icc;
    const Bitmap scene = Scene(16, 12);
    const std::vector<uint8_t> file = EncodeJxl(scene, {.lossless = true, .metadata = &in});
    PictureMetadata out;
    EXPECT_EQ(DecodeJxl(file, {}, &out), scene);
    EXPECT_EQ(out.exif, in.exif);  // the box's 4-byte offset field removed
    EXPECT_EQ(out.xmp, in.xmp);
    EXPECT_FALSE(out.icc.empty());
    EXPECT_EQ(out.orientation, 1);
    // A plain sRGB file carries no profile to keep.
    PictureMetadata none;
    DecodeJxl(EncodeJxl(scene, {.lossless = true}), {}, &none);
    EXPECT_TRUE(none.empty());
}

TEST(JxlCodec, DamagedFilesAreRefused) {
    for (bool lossless : {false, true}) {
        const std::vector<uint8_t> file = EncodeJxl(Scene(40, 30), {.quality = 70, .lossless = lossless});
        ExpectPrefixesRefused(file, file.size(), [](ByteSpan d) { DecodeJxl(d); });
        MutationSmoke(file, 300, [](ByteSpan d) { DecodeJxl(d); });
    }
}

}  // namespace
}  // namespace vimbra
