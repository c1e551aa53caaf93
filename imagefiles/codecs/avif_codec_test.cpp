#include "imagefiles/codecs/avif_codec.h"

#include <gtest/gtest.h>

#include "imagefiles/codecs/modern_codec_test_util.h"

namespace vimbra {
namespace {

using namespace testutil;

TEST(AvifCodec, LosslessRoundTripIsExact) {
    const Bitmap scene = Scene(30, 18);
    const std::vector<uint8_t> file = EncodeAvif(scene, {.lossless = true});
    EXPECT_EQ(DecodeAvif(file), scene);
    const ImageInfo info = ReadAvifInfo(file);
    EXPECT_EQ(info.width, 30);
    EXPECT_EQ(info.height, 18);
    EXPECT_EQ(info.bitCount, 24);
}

TEST(AvifCodec, AgreesWithAvifdec) {
    VIMBRA_NEED_TOOL("avifdec");
    VIMBRA_NEED_TOOL("avifenc");
    TempDir dir;
    const Bitmap scene = Scene(48, 32);
    WriteBytes(dir.file("ours.avif"), EncodeAvif(scene, {.quality = 90}));
    WriteBytes(dir.file("in.png"), EncodePng(scene));
    ASSERT_TRUE(RunTool("avifenc", "-s 9 -y 420 --min 20 --max 30 " + Q(dir.file("in.png")) + " " +
                                       Q(dir.file("ref.avif")) + " >/dev/null"));
    for (const char* name : {"ours", "ref"}) {
        SCOPED_TRACE(name);
        const std::string avif = dir.file(std::string(name) + ".avif");
        ASSERT_TRUE(RunTool("avifdec", "-d 8 " + Q(avif) + " " + Q(dir.file("back.png")) + " >/dev/null"));
        const Bitmap mine = DecodeAvif(ReadBytes(avif));
        EXPECT_EQ(mine, DecodePng(ReadBytes(dir.file("back.png"))));
        EXPECT_TRUE(CloseLook(mine, scene));
    }
    EXPECT_LT(EncodeAvif(scene, {.quality = 10}).size(), EncodeAvif(scene, {.quality = 95}).size());
}

TEST(AvifCodec, RotationAndMirrorAreApplied) {
    VIMBRA_NEED_TOOL("avifenc");
    TempDir dir;
    const Bitmap source = Scene(12, 8);
    WriteBytes(dir.file("in.png"), EncodePng(source));
    struct Case {
        const char* flags;
        Bitmap expected;
    };
    const Case cases[] = {
        {"--irot 1", TurnLeftByHand(source)},
        {"--imir 1", MirrorByHand(source)},
        {"--irot 2", TurnLeftByHand(TurnLeftByHand(source))},
        // Rotation first, then the mirror; mode 0 exchanges top and bottom
        // (a half turn after a left-right mirror).
        {"--irot 1 --imir 0", TurnLeftByHand(TurnLeftByHand(MirrorByHand(TurnLeftByHand(source))))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        ASSERT_TRUE(RunTool("avifenc", std::string("-l -s 9 ") + c.flags + " " + Q(dir.file("in.png")) + " " +
                                           Q(dir.file("t.avif")) + " >/dev/null"));
        const std::vector<uint8_t> file = ReadBytes(dir.file("t.avif"));
        EXPECT_EQ(DecodeAvif(file), c.expected);
        EXPECT_EQ(DecodeAvif(file, {.applyTransforms = false}), source);
        EXPECT_EQ(ReadAvifInfo(file).width, c.expected.width());
        EXPECT_EQ(ReadAvifInfo(file, false).width, source.width());
    }
}

TEST(AvifCodec, MetadataIsReadAndWritten) {
    const std::vector<uint8_t> icc = ReadBytes(kSrgbProfile);
    PictureMetadata in;
    in.exif = TinyExif(1);
    in.xmp = Bytes("<x:xmpmeta xmlns:x='adobe:ns:meta/'/>");
    in.icc = icc;
    const Bitmap scene = Scene(16, 16);
    const std::vector<uint8_t> file = EncodeAvif(scene, {.lossless = true, .metadata = &in});
    PictureMetadata out;
    EXPECT_EQ(DecodeAvif(file, {}, &out), scene);
    EXPECT_EQ(out.exif, in.exif);
    EXPECT_EQ(out.xmp, in.xmp);
    EXPECT_EQ(out.icc, in.icc);
    EXPECT_EQ(out.orientation, 1);

    // An EXIF orientation of 6 does not turn the stored, upright pixels.
    in.exif = TinyExif(6);
    EXPECT_EQ(DecodeAvif(EncodeAvif(scene, {.lossless = true, .metadata = &in})), scene);
}

TEST(AvifCodec, AlphaComposedAsThePngReaderComposesIt) {
    VIMBRA_NEED_TOOL("avifenc");
    TempDir dir;
    const std::vector<uint8_t> png = AlphaPng(21, 9);
    WriteBytes(dir.file("a.png"), png);
    ASSERT_TRUE(RunTool("avifenc", "-l -s 9 " + Q(dir.file("a.png")) + " " + Q(dir.file("a.avif")) + " >/dev/null"));
    const PaletteEntry back{10, 250, 77, 0};
    EXPECT_EQ(DecodeAvif(ReadBytes(dir.file("a.avif")), {.backgroundColor = back}), PngOver(png, back));
}

TEST(AvifCodec, DamagedFilesAreRefused) {
    const std::vector<uint8_t> file = EncodeAvif(Scene(24, 16), {.quality = 60});
    ExpectPrefixesRefused(file, file.size(), [](ByteSpan d) { DecodeAvif(d); });
    MutationSmoke(file, 200, [](ByteSpan d) { DecodeAvif(d); });
    EXPECT_THROW(ReadAvifInfo(Bytes("....ftypavif")), ImageFileError);
}

}  // namespace
}  // namespace vimbra
