// The newer formats through the load dispatch: names, signatures, probes,
// options handed to the readers and messages naming the file.
#include <gtest/gtest.h>

#include "imagefiles/codecs/avif_codec.h"
#include "imagefiles/codecs/jxl_codec.h"
#include "imagefiles/codecs/modern_codec_test_util.h"
#include "imagefiles/codecs/webp_codec.h"
#include "imagefiles/load_dispatch.h"
#include "imagefiles/orientation.h"

namespace vimbra {
namespace {

using namespace testutil;

std::vector<uint8_t> Brands(std::string_view major, std::string_view compatible) {
    std::string box = std::string("\0\0\0", 3) + char(16 + compatible.size()) + "ftyp" + std::string(major) +
                      std::string(4, '\0') + std::string(compatible);
    return {box.begin(), box.end()};
}

TEST(LoadModernFormats, ClassifiedAsPicturesByExtension) {
    for (const char* name : {"a.webp", "b.AVIF", "c.heic", "d.HeIf", "e.jxl"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ClassifyFile(name), FileKind::Picture);
    }
    EXPECT_EQ(AttemptOrder("x.webp", {}).front(), ImageReader::Webp);
    EXPECT_EQ(AttemptOrder("x.avif", {}).front(), ImageReader::Avif);
    EXPECT_EQ(AttemptOrder("x.heif", {}).front(), ImageReader::Heif);
    EXPECT_EQ(AttemptOrder("x.jxl", {}).front(), ImageReader::Jxl);
}

TEST(LoadModernFormats, SignaturesNameTheReader) {
    EXPECT_EQ(SniffImageReader(Bytes(std::string_view("RIFF\x24\0\0\0WEBPVP8 ", 16))), ImageReader::Webp);
    EXPECT_EQ(SniffImageReader(Bytes("RIFF\x24\0\0\0WAVE")), std::nullopt);
    EXPECT_EQ(SniffImageReader(Bytes(std::string_view("\xFF\x0A\xFA", 3))), ImageReader::Jxl);
    EXPECT_EQ(SniffImageReader(Bytes(std::string_view("\0\0\0\x0CJXL \r\n\x87\n", 12))), ImageReader::Jxl);
    EXPECT_EQ(SniffImageReader(Brands("avif", "mif1miaf")), ImageReader::Avif);
    EXPECT_EQ(SniffImageReader(Brands("avis", "")), ImageReader::Avif);
    // A general HEIF brand with AVIF among the compatible ones is AVIF.
    EXPECT_EQ(SniffImageReader(Brands("mif1", "mif1avif")), ImageReader::Avif);
    EXPECT_EQ(SniffImageReader(Brands("heic", "mif1heic")), ImageReader::Heif);
    EXPECT_EQ(SniffImageReader(Brands("heix", "")), ImageReader::Heif);
    EXPECT_EQ(SniffImageReader(Brands("msf1", "")), ImageReader::Heif);
    EXPECT_EQ(SniffImageReader(Brands("isom", "mp41")), std::nullopt);  // a video
    EXPECT_EQ(SniffImageReader(Bytes(std::string_view("\0\0\0\x08" "ftyp", 8))), std::nullopt);
}

TEST(LoadModernFormats, MisnamedFilesLoadAndProbe) {
    TempDir dir;
    const Bitmap scene = Scene(20, 12);
    WriteBytes(dir.file("webp.png"), EncodeWebp(scene, {.lossless = true}));
    WriteBytes(dir.file("jxl.bmp"), EncodeJxl(scene, {.lossless = true}));
    WriteBytes(dir.file("avif"), EncodeAvif(scene, {.lossless = true}));
    for (const char* name : {"webp.png", "jxl.bmp", "avif"}) {
        SCOPED_TRACE(name);
        const DecodedPicture d = ReadImageFile(dir.file(name));
        EXPECT_EQ(d.bitmap, scene);
        EXPECT_EQ(d.file.fileWidth, 20);
        const ProbeResult p = ProbeImageFile(dir.file(name));
        EXPECT_EQ(p.code, kProbePicture);
        EXPECT_EQ(p.info.width, 20);
        EXPECT_EQ(p.info.height, 12);
        EXPECT_EQ(p.info.bitCount, 24);
    }
}

TEST(LoadModernFormats, OptionsReachTheReaders) {
    VIMBRA_NEED_TOOL("avifenc");
    TempDir dir;
    const Bitmap scene = Scene(10, 6);
    WriteBytes(dir.file("in.png"), EncodePng(scene));
    ASSERT_TRUE(RunTool("avifenc", "-l -s 9 --irot 1 " + Q(dir.file("in.png")) + " " + Q(dir.file("t.avif")) +
                                       " >/dev/null"));
    LoadOptions keep;
    keep.applyOrientation = false;
    EXPECT_EQ(ReadImageFile(dir.file("t.avif")).bitmap, TurnLeftByHand(scene));
    EXPECT_EQ(ReadImageFile(dir.file("t.avif"), 0, keep).bitmap, scene);
    EXPECT_EQ(ProbeImageFile(dir.file("t.avif")).info.width, 6);
    EXPECT_EQ(ProbeImageFile(dir.file("t.avif"), keep).info.width, 10);
    EXPECT_EQ(ReadImageFile(dir.file("t.avif")).metadata.orientation, 1);

    const std::vector<uint8_t> png = AlphaPng(9, 4);
    WriteBytes(dir.file("a.png"), png);
    ASSERT_TRUE(RunTool("cwebp", "-quiet -lossless -exact " + Q(dir.file("a.png")) + " -o " + Q(dir.file("a.webp"))));
    LoadOptions back;
    back.backColor = {12, 34, 56, 0};
    EXPECT_EQ(ReadImageFile(dir.file("a.webp"), 0, back).bitmap, ReadImageFile(dir.file("a.png"), 0, back).bitmap);
}

// WebP has no transform of its own: its EXIF tag turns it, as JPEG's does.
TEST(LoadModernFormats, WebpIsTurnedByItsExifTag) {
    VIMBRA_NEED_TOOL("webpmux");
    TempDir dir;
    const Bitmap scene = Scene(10, 6);
    WriteBytes(dir.file("p.webp"), EncodeWebp(scene, {.lossless = true}));
    std::vector<uint8_t> exif = Bytes(std::string_view("Exif\0\0", 6));
    const std::vector<uint8_t> tiff = TinyExif(6);
    exif.insert(exif.end(), tiff.begin(), tiff.end());
    WriteBytes(dir.file("exif.bin"), exif);
    ASSERT_TRUE(RunTool("webpmux", "-set exif " + Q(dir.file("exif.bin")) + " " + Q(dir.file("p.webp")) +
                                       " -o " + Q(dir.file("t.webp"))));
    const DecodedPicture turned = ReadImageFile(dir.file("t.webp"));
    EXPECT_EQ(turned.bitmap, OrientUpright(scene, 6));
    EXPECT_EQ(turned.metadata.orientation, 1);
    EXPECT_EQ(turned.metadata.exif, tiff);
    LoadOptions keep;
    keep.applyOrientation = false;
    EXPECT_EQ(ReadImageFile(dir.file("t.webp"), 0, keep).bitmap, scene);
}

TEST(LoadModernFormats, DamagedFilesAreRefusedNamingTheFile) {
    TempDir dir;
    const std::vector<uint8_t> webp = EncodeWebp(Scene(30, 20), {.quality = 80});
    const std::vector<uint8_t> jxl = EncodeJxl(Scene(30, 20), {.quality = 80});
    const std::vector<uint8_t> avif = EncodeAvif(Scene(30, 20), {.quality = 80});
    WriteBytes(dir.file("cut.webp"), {webp.begin(), webp.begin() + long(webp.size() / 2)});
    WriteBytes(dir.file("cut.jxl"), {jxl.begin(), jxl.begin() + long(jxl.size() / 2)});
    WriteBytes(dir.file("cut.avif"), {avif.begin(), avif.begin() + long(avif.size() / 2)});
    WriteBytes(dir.file("junk.heic"), Brands("heic", "mif1heic"));
    for (const char* name : {"cut.webp", "cut.jxl", "cut.avif", "junk.heic"}) {
        SCOPED_TRACE(name);
        Workspace ws;
        const LoadResult r = LoadImageFile(ws, dir.file(name));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.message.rfind(std::string(name) + ": Bad ", 0), 0u) << r.message;
        EXPECT_TRUE(ws.Image.isEmpty());
    }
}

}  // namespace
}  // namespace vimbra
