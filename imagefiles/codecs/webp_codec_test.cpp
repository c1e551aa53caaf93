#include "imagefiles/codecs/webp_codec.h"

#include <gtest/gtest.h>

#include "imagefiles/codecs/modern_codec_test_util.h"

namespace vimbra {
namespace {

using namespace testutil;

constexpr PaletteEntry kBack{200, 30, 90, 0};

TEST(WebpCodec, LosslessRoundTripIsExact) {
    const Bitmap scene = Scene(37, 23);
    const std::vector<uint8_t> file = EncodeWebp(scene, {.lossless = true});
    EXPECT_EQ(DecodeWebp(file), scene);
    const ImageInfo info = ReadWebpInfo(file);
    EXPECT_EQ(info.width, 37);
    EXPECT_EQ(info.height, 23);
    EXPECT_EQ(info.bitCount, 24);
    // Palette pictures are written by their colours.
    const Bitmap four = MakePicture(9, 5, 4, 2);
    EXPECT_TRUE(SameLook(DecodeWebp(EncodeWebp(four, {.lossless = true})), four));
}

TEST(WebpCodec, LossyAgreesWithDwebp) {
    VIMBRA_NEED_TOOL("dwebp");
    VIMBRA_NEED_TOOL("cwebp");
    TempDir dir;
    const Bitmap scene = Scene(64, 40);
    // Ours against the reference decoder, on our file and on cwebp's.
    WriteBytes(dir.file("ours.webp"), EncodeWebp(scene, {.quality = 90}));
    WriteBytes(dir.file("in.png"), EncodePng(scene));
    ASSERT_TRUE(RunTool("cwebp", "-quiet -q 75 " + Q(dir.file("in.png")) + " -o " + Q(dir.file("ref.webp"))));
    for (const char* name : {"ours", "ref"}) {
        SCOPED_TRACE(name);
        const std::string webp = dir.file(std::string(name) + ".webp");
        ASSERT_TRUE(RunTool("dwebp", "-quiet " + Q(webp) + " -ppm -o " + Q(dir.file("back.ppm"))));
        const Bitmap mine = DecodeWebp(ReadBytes(webp));
        EXPECT_EQ(mine, ReadPpm(dir.file("back.ppm")));
        EXPECT_TRUE(CloseLook(mine, scene));
    }
    // Quality steers the size.
    EXPECT_LT(EncodeWebp(scene, {.quality = 10}).size(), EncodeWebp(scene, {.quality = 95}).size());
}

TEST(WebpCodec, AlphaComposedAsThePngReaderComposesIt) {
    VIMBRA_NEED_TOOL("cwebp");
    TempDir dir;
    const std::vector<uint8_t> png = AlphaPng(33, 12);
    ASSERT_FALSE(png.empty());
    WriteBytes(dir.file("a.png"), png);
    ASSERT_TRUE(RunTool("cwebp", "-quiet -lossless -exact " + Q(dir.file("a.png")) + " -o " + Q(dir.file("a.webp"))));
    const std::vector<uint8_t> webp = ReadBytes(dir.file("a.webp"));
    for (PaletteEntry back : {PaletteEntry{}, kBack}) {
        const Bitmap fromWebp = DecodeWebp(webp, {.backgroundColor = back});
        EXPECT_EQ(fromWebp, PngOver(png, back));
        EXPECT_EQ(fromWebp.scanLine(0)[2], back.red);  // column 0 is fully transparent
    }
}

TEST(WebpCodec, AnimationShowsItsFirstFrame) {
    VIMBRA_NEED_TOOL("img2webp");
    TempDir dir;
    const Bitmap first = Scene(20, 14), second = Quarters(20, 14);
    WriteBytes(dir.file("1.png"), EncodePng(first));
    WriteBytes(dir.file("2.png"), EncodePng(second));
    ASSERT_TRUE(RunTool("img2webp", "-lossless -d 200 " + Q(dir.file("1.png")) + " " + Q(dir.file("2.png")) +
                                        " -o " + Q(dir.file("anim.webp"))));
    const std::vector<uint8_t> anim = ReadBytes(dir.file("anim.webp"));
    EXPECT_EQ(ReadWebpInfo(anim).width, 20);
    EXPECT_EQ(DecodeWebp(anim), first);
}

TEST(WebpCodec, MetadataChunksAreRead) {
    VIMBRA_NEED_TOOL("webpmux");
    TempDir dir;
    WriteBytes(dir.file("p.webp"), EncodeWebp(Scene(8, 8), {.lossless = true}));
    std::vector<uint8_t> exif = Bytes(std::string_view("Exif\0\0", 6));
    const std::vector<uint8_t> tiff = TinyExif(6);
    exif.insert(exif.end(), tiff.begin(), tiff.end());
    WriteBytes(dir.file("exif.bin"), exif);
    WriteBytes(dir.file("xmp.bin"), Bytes("<x:xmpmeta/>"));
    ASSERT_TRUE(RunTool("webpmux", "-set exif " + Q(dir.file("exif.bin")) + " " + Q(dir.file("p.webp")) +
                                       " -o " + Q(dir.file("e.webp"))));
    ASSERT_TRUE(RunTool("webpmux", "-set xmp " + Q(dir.file("xmp.bin")) + " " + Q(dir.file("e.webp")) +
                                       " -o " + Q(dir.file("m.webp"))));
    PictureMetadata m;
    DecodeWebp(ReadBytes(dir.file("m.webp")), {}, &m);
    EXPECT_EQ(m.exif, tiff);  // the "Exif\0\0" prefix stripped
    EXPECT_EQ(m.xmp, Bytes("<x:xmpmeta/>"));
    EXPECT_TRUE(m.icc.empty());
    EXPECT_EQ(m.orientation, 1);  // the tag is the metadata reader's to apply
}

TEST(WebpCodec, DamagedFilesAreRefused) {
    for (bool lossless : {false, true}) {
        const std::vector<uint8_t> file = EncodeWebp(Scene(40, 30), {.quality = 80, .lossless = lossless});
        ExpectPrefixesRefused(file, file.size(), [](ByteSpan d) { DecodeWebp(d); });
        MutationSmoke(file, 300, [](ByteSpan d) { DecodeWebp(d); });
    }
    try {
        DecodeWebp(Bytes("RIFF\x10\0\0\0WEBPVP8 "));
        FAIL();
    } catch (const ImageFileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Bad WebP file: ", 0), 0u) << e.what();
    }
}

TEST(WebpCodec, PicturesLargerThanWebpAllowsAreRefused) {
    EXPECT_THROW(EncodeWebp(Bitmap(kWebpMaxSide + 1, 1, 24)), ImageFileError);
    EXPECT_EQ(ReadWebpInfo(EncodeWebp(Bitmap(kWebpMaxSide, 1, 24), {.lossless = true})).width, kWebpMaxSide);
}

}  // namespace
}  // namespace vimbra
