#include "imagefiles/metadata_io.h"

#include <gtest/gtest.h>

#include "imagefiles/codecs/codec_test_util.h"
#include "imagefiles/codecs/jpeg_codec.h"
#include "imagefiles/codecs/png_codec.h"
#include "imagefiles/codecs/tiff_codec.h"
#include "imagefiles/jpeg_metadata.h"
#include "imagefiles/load_dispatch.h"
#include "imagefiles/metadata_prepare.h"
#include "imagefiles/metadata_test_util.h"
#include "imagefiles/orientation.h"
#include "imagefiles/save_dispatch.h"

namespace vimbra {
namespace {

using testutil::ExifTag;
using testutil::MakePicture;
using testutil::ReadBytes;
using testutil::TempDir;
using testutil::WriteBytes;

class Metadata : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testutil::HaveExiftool()) GTEST_SKIP() << "ExifTool is not installed";
    }
    // A 40 × 24 camera JPEG, tagged by ExifTool.
    std::string CameraJpeg(int orientation = 6, const std::string& name = "cam.jpg") {
        const std::string path = dir_.file(name);
        WriteBytes(path, EncodeJpeg(MakePicture(40, 24, 24, 3), {.quality = 90}));
        EXPECT_TRUE(testutil::TagAsCamera(path, orientation));
        return path;
    }
    // What ExifTool must read back from every file written with the metadata.
    // WebP has no place for IPTC.
    void ExpectCameraData(const std::string& path, int width, int height, bool iptc = true) {
        SCOPED_TRACE(path);
        EXPECT_EQ(ExifTag(path, "Make"), "Vimbra");
        EXPECT_EQ(ExifTag(path, "Model"), "TestCam");
        EXPECT_EQ(ExifTag(path, "DateTimeOriginal"), "2026:05:06 07:08:09");
        EXPECT_EQ(ExifTag(path, "GPSLatitude", true).substr(0, 7), "48.8583");
        EXPECT_EQ(ExifTag(path, "Title"), "Harbour");
        if (iptc) {
            EXPECT_EQ(ExifTag(path, "Keywords"), "boat");
        }
        EXPECT_EQ(ExifTag(path, "Orientation", true), "1");
        EXPECT_EQ(ExifTag(path, "ExifImageWidth"), std::to_string(width));
        EXPECT_EQ(ExifTag(path, "ExifImageHeight"), std::to_string(height));
        if (std::filesystem::exists(testutil::kAdobeRgbProfile)) {
            EXPECT_NE(ExifTag(path, "ProfileDescription").find("Adobe"), std::string::npos);
        }
    }
    TempDir dir_;
};

TEST_F(Metadata, ReadsEveryKindFromACameraJpeg) {
    const std::vector<uint8_t> file = ReadBytes(CameraJpeg());
    const MetadataRead read = ReadFileMetadata(file, "cam.jpg");
    EXPECT_TRUE(read.warning.empty());
    EXPECT_EQ(read.metadata.orientation, 6);
    EXPECT_EQ(ExifOrientation(read.metadata.exif), 6);
    EXPECT_NE(std::string(read.metadata.xmp.begin(), read.metadata.xmp.end()).find("Harbour"),
              std::string::npos);
    EXPECT_FALSE(read.metadata.iptc.empty());
    if (std::filesystem::exists(testutil::kAdobeRgbProfile)) {
        EXPECT_EQ(read.metadata.icc, ReadBytes(testutil::kAdobeRgbProfile));
    }
}

TEST_F(Metadata, SaveImageFileCarriesItIntoJpegPngAndTiffUpright) {
    Workspace ws;
    ASSERT_TRUE(LoadImageFile(ws, CameraJpeg()));
    ASSERT_EQ(ws.Image.width(), 24);  // turned a quarter: 40 × 24 stored
    EXPECT_EQ(ws.Metadata.orientation, 1);
    for (SaveFormat f : {SaveFormat::Jpeg, SaveFormat::Png, SaveFormat::Tiff,
                         SaveFormat::TiffDeflate, SaveFormat::TiffPackBits}) {
        const std::string target = dir_.file("out" + std::to_string(int(f)));
        const auto metadata = MetadataToSave(ws, f);
        ASSERT_TRUE(metadata);
        SaveOptions o;
        o.metadata = &*metadata;
        const SaveResult saved = SaveImageFile(ws, target, f, o);
        ASSERT_TRUE(saved.ok()) << saved.detail;
        ExpectCameraData(saved.path, 24, 40);
        // Read back by the program itself: upright already, nothing left to turn.
        Workspace again;
        ASSERT_TRUE(LoadImageFile(again, saved.path));
        EXPECT_EQ(again.Image.width(), 24);
        EXPECT_EQ(again.Metadata.orientation, 1);
    }
    // The carriers of none, and a nullptr writes none.
    EXPECT_FALSE(MetadataToSave(ws, SaveFormat::Bmp));
    EXPECT_FALSE(MetadataToSave(ws, SaveFormat::Tga));
    EXPECT_FALSE(MetadataToSave(ws, SaveFormat::Pcx));
    EXPECT_FALSE(MetadataToSave(ws, SaveFormat::Jpeg, false));
    const SaveResult bare = SaveImageFile(ws, dir_.file("bare.jpg"), SaveFormat::Jpeg);
    EXPECT_EQ(ExifTag(bare.path, "Make"), "");
}

// The WebP encoder writes pixels only; the same writer adds the metadata.
TEST_F(Metadata, WebpBytesTakeItToo) {
    if (!std::filesystem::exists("/usr/bin/cwebp")) GTEST_SKIP() << "cwebp is not installed";
    Workspace ws;
    ASSERT_TRUE(LoadImageFile(ws, CameraJpeg()));
    WriteBytes(dir_.file("in.png"), EncodePng(ws.Image));
    ASSERT_TRUE(testutil::RunTool("/usr/bin/cwebp", "-quiet '" + dir_.file("in.png") + "' -o '" +
                                                        dir_.file("plain.webp") + "'"));
    const std::vector<uint8_t> webp = ReadBytes(dir_.file("plain.webp"));
    ASSERT_TRUE(CanEmbedMetadata(webp));
    const auto metadata = MetadataToSave(ws, SaveFormat::Png);
    const std::string out = dir_.file("cam.webp");
    WriteBytes(out, WithMetadata(webp, *metadata));
    ExpectCameraData(out, 24, 40, false);
    EXPECT_TRUE(testutil::RunTool("/usr/bin/dwebp", "-quiet '" + out + "' -o /dev/null"));
}

// Written while encoding, byte for byte what writing into the finished file gives.
TEST_F(Metadata, PngEncoderPutsTheChunksWhereTheWriterPutsThem) {
    Workspace ws;
    ASSERT_TRUE(LoadImageFile(ws, CameraJpeg()));
    const auto metadata = MetadataToSave(ws, SaveFormat::Png);
    ASSERT_TRUE(metadata);
    const std::vector<uint8_t> chunks = PngMetadataChunks(*metadata);
    ASSERT_FALSE(chunks.empty());
    EXPECT_TRUE(PngMetadataChunks({}).empty());
    Bitmap withDpi = MakePicture(23, 11, 24, 5);
    withDpi.xDotsPerInch = withDpi.yDotsPerInch = 300;
    for (const Bitmap& b : {withDpi, MakePicture(23, 11, 4, 6), MakePicture(23, 11, 8, 7)})
        for (const bool interlaced : {false, true}) {
            PngWriteOptions o{.interlaced = interlaced, .compressionLevel = 1};
            const std::vector<uint8_t> plain = EncodePng(b, o);
            o.chunksAfterHeader = chunks;
            EXPECT_EQ(EncodePng(b, o), EmbedMetadata(plain, *metadata)) << b.depth();
        }
}

TEST_F(Metadata, TiffSourcesLeaveTheirOwnStructureBehind) {
    const std::string tif = dir_.file("cam.tif");
    WriteBytes(tif, EncodeTiff(MakePicture(30, 20, 24, 4), TiffCompression::ZLib));
    ASSERT_TRUE(testutil::TagAsCamera(tif, 8));
    Workspace ws;
    ASSERT_TRUE(LoadImageFile(ws, tif));
    ASSERT_EQ(ws.Image.width(), 20);
    const auto metadata = MetadataToSave(ws, SaveFormat::Jpeg);
    ASSERT_TRUE(metadata);
    SaveOptions o;
    o.metadata = &*metadata;
    const SaveResult saved = SaveImageFile(ws, dir_.file("from-tif.jpg"), SaveFormat::Jpeg, o);
    ASSERT_TRUE(saved.ok());
    EXPECT_EQ(ExifTag(saved.path, "Make"), "Vimbra");
    EXPECT_EQ(ExifTag(saved.path, "Compression", true), "");  // no TIFF strips described
    EXPECT_EQ(ExifTag(saved.path, "StripOffsets"), "");
    EXPECT_EQ(ExifTag(saved.path, "ExifImageWidth"), "20");
    const DecodedPicture back = ReadImageFile(saved.path);
    EXPECT_EQ(back.bitmap.width(), 20);
}

TEST_F(Metadata, TheThumbnailStaysOnlyWithUnchangedPixels) {
    const std::string path = CameraJpeg(1);
    const std::string thumb = dir_.file("thumb.jpg");
    WriteBytes(thumb, EncodeJpeg(MakePicture(8, 5, 24, 1)));
    ASSERT_EQ(std::system(("/usr/bin/exiftool -q -overwrite_original '-ThumbnailImage<=" + thumb +
                           "' '" + path + "'")
                              .c_str()),
              0);
    Workspace ws;
    ASSERT_TRUE(LoadImageFile(ws, path));
    auto save = [&](const std::string& name) {
        const auto metadata = MetadataToSave(ws, SaveFormat::Jpeg);
        SaveOptions o;
        o.metadata = &*metadata;
        return SaveImageFile(ws, dir_.file(name), SaveFormat::Jpeg, o).path;
    };
    EXPECT_NE(ExifTag(save("same.jpg"), "ThumbnailLength"), "");
    ws.Modified = true;
    const std::string edited = save("edited.jpg");
    EXPECT_EQ(ExifTag(edited, "ThumbnailLength"), "");
    EXPECT_EQ(ExifTag(edited, "Make"), "Vimbra");
    // A turned picture's thumbnail would lie on its side.
    Workspace turned;
    ASSERT_TRUE(LoadImageFile(turned, CameraJpeg(6, "turned.jpg")));
    ASSERT_EQ(std::system(("/usr/bin/exiftool -q -overwrite_original '-ThumbnailImage<=" + thumb +
                           "' '" + dir_.file("turned.jpg") + "'")
                              .c_str()),
              0);
    ASSERT_TRUE(LoadImageFile(turned, dir_.file("turned.jpg")));
    const PictureMetadata p = MetadataForSave(turned.Metadata, {24, 40, false, false});
    const std::string out = dir_.file("turned-out.jpg");
    WriteBytes(out, EmbedMetadata(EncodeJpeg(turned.Image), p));
    EXPECT_EQ(ExifTag(out, "ThumbnailLength"), "");
    EXPECT_EQ(ExifTag(out, "Make"), "Vimbra");
}

TEST_F(Metadata, CommentsOfTheFileSurviveAndGreyDropsTheProfile) {
    Workspace ws;
    ASSERT_TRUE(LoadImageFile(ws, CameraJpeg(1)));
    const std::vector<uint8_t> commented =
        InsertJpegComment(EncodeJpeg(ws.Image), "Encoded with Vimbra 6.71 - test");
    const auto metadata = MetadataToSave(ws, SaveFormat::Jpeg);
    const std::vector<uint8_t> both = EmbedMetadata(commented, *metadata);
    const JpegListing listing = ReadJpegListing(both);
    EXPECT_EQ(listing.commentCount, 1);
    EXPECT_TRUE(listing.exifFound);
    const auto grey = MetadataToSave(ws, SaveFormat::JpegGrey);
    ASSERT_TRUE(grey);
    EXPECT_TRUE(grey->icc.empty());
    EXPECT_EQ(grey->xmp, ws.Metadata.xmp);
}

TEST_F(Metadata, KeptOrientationIsWrittenBackAsItWas) {
    LoadOptions keep;
    keep.applyOrientation = false;
    Workspace ws;
    ASSERT_TRUE(LoadImageFile(ws, CameraJpeg(6), 0, keep));
    EXPECT_EQ(ws.Image.width(), 40);
    const auto metadata = MetadataToSave(ws, SaveFormat::Png);
    SaveOptions o;
    o.metadata = &*metadata;
    const SaveResult saved = SaveImageFile(ws, dir_.file("kept.png"), SaveFormat::Png, o);
    EXPECT_EQ(ExifTag(saved.path, "Orientation", true), "6");
    Workspace again;
    ASSERT_TRUE(LoadImageFile(again, saved.path));
    EXPECT_EQ(again.Image.width(), 24);  // turned on the next plain load
}

TEST_F(Metadata, CorruptMetadataLoadsWithAWarningAndIsNotSaved) {
    // An APP1 "Exif" segment of nonsense right after the start marker.
    std::vector<uint8_t> jpeg = EncodeJpeg(MakePicture(16, 8, 24, 2));
    std::vector<uint8_t> app1 = {0xFF, 0xE1, 0, 40, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0,
                                 0xF0, 0xFF, 0xFF, 0x7F};
    app1.resize(42, 0xEE);
    jpeg.insert(jpeg.begin() + 2, app1.begin(), app1.end());
    const std::string path = dir_.file("broken.jpg");
    WriteBytes(path, jpeg);
    Workspace ws;
    const LoadResult r = LoadImageFile(ws, path);
    ASSERT_TRUE(r);
    EXPECT_EQ(r.file.metadataWarning, MetadataWarning("broken.jpg"));
    EXPECT_EQ(ws.StatusText, MetadataWarning("broken.jpg"));
    EXPECT_TRUE(ws.Metadata.empty());
    EXPECT_FALSE(MetadataToSave(ws, SaveFormat::Jpeg));
}

PictureMetadata XmpOnly() {
    PictureMetadata m;
    m.xmp = {'<', 'x', '/', '>'};
    return m;
}

TEST(MetadataHostile, NoInputMakesItThrowOnReadOrAnythingButImageFileErrorOnWrite) {
    const std::vector<uint8_t> jpeg = EncodeJpeg(MakePicture(16, 8, 24, 2));
    testutil::MutationSmoke(jpeg, 300, [](ByteSpan d) {
        (void)ReadFileMetadata(d, "x.jpg");
        if (CanEmbedMetadata(d)) (void)EmbedMetadata(d, XmpOnly());
    });
    EXPECT_FALSE(CanEmbedMetadata(ByteSpan(jpeg).subspan(1)));
    EXPECT_THROW(EmbedMetadata(ByteSpan(jpeg).first(40), XmpOnly()),
                 ImageFileError);
}

TEST(MetadataHostile, PicturesWithoutMetadataLoadAsBefore) {
    const Bitmap b = MakePicture(9, 7, 24, 8);
    for (const auto& bytes : {EncodePng(b), EncodeTiff(b, TiffCompression::None)}) {
        const MetadataRead read = ReadFileMetadata(bytes, "plain");
        EXPECT_TRUE(read.warning.empty());
        EXPECT_EQ(read.metadata.orientation, 1);
        EXPECT_TRUE(read.metadata.exif.empty());
    }
}

}  // namespace
}  // namespace vimbra
