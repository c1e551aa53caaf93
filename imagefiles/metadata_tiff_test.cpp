#include "imagefiles/metadata_tiff.h"

#include <gtest/gtest.h>

#include "imagefiles/codecs/codec_test_util.h"
#include "imagefiles/codecs/jpeg_codec.h"
#include "imagefiles/metadata_io.h"
#include "imagefiles/metadata_prepare.h"
#include "imagefiles/metadata_test_util.h"

namespace vimbra {
namespace {

using testutil::MakePicture;
using testutil::ReadBytes;
using testutil::WriteBytes;

// Everything ExifTool reads but where things are and the encoder's clock.
std::string ExifToolView(const std::string& path) {
    return testutil::Exiftool("-a -G1 -s -n -x File:all -x System:all -x ExifTool:all "
                              "-x StripOffsets -x ThumbnailOffset -x IFD0:ModifyDate '" +
                              path + "'");
}

class TiffMetadata : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testutil::HaveExiftool()) GTEST_SKIP() << "ExifTool is not installed";
    }
    // A camera JPEG's metadata with its thumbnail and its own resolution and
    // Software, prepared for an unchanged save.
    PictureMetadata Camera() {
        const std::string path = dir_.file("cam.jpg");
        WriteBytes(path, EncodeJpeg(MakePicture(40, 24, 24, 3)));
        WriteBytes(dir_.file("thumb.jpg"), EncodeJpeg(MakePicture(8, 5, 24, 1)));
        EXPECT_TRUE(testutil::TagAsCamera(path, 1));
        EXPECT_TRUE(testutil::RunTool(
            "/usr/bin/exiftool", "-q -overwrite_original -XResolution=300 -YResolution=300 "
                                 "-Software=CamFW -Artist=Ann -ExposureTime=1/200 -InteropIndex=R98 "
                                 "'-ThumbnailImage<=" + dir_.file("thumb.jpg") + "' '" + path + "'"));
        const MetadataRead read = ReadFileMetadata(ReadBytes(path), "cam.jpg");
        EXPECT_TRUE(read.warning.empty());
        return MetadataForSave(read.metadata, {40, 24, false, false});
    }
    testutil::TempDir dir_;
};

// exiv2 writing into the finished file is the reference: the file's image
// tags stay, the EXIF block's others replace the encoder's, the thumbnail
// follows as the second directory, and without EXIF the encoder's tags stay.
TEST_F(TiffMetadata, ReadsBackAsExiv2WroteItIntoTheFinishedFile) {
    const PictureMetadata camera = Camera();
    PictureMetadata xmpOnly;
    xmpOnly.xmp = camera.xmp;
    PictureMetadata iptcOnly;
    iptcOnly.iptc = camera.iptc;
    iptcOnly.iptc.push_back(0);  // not a whole LONG
    const struct {
        const char* name;
        PictureMetadata metadata;
        Bitmap picture;
        TiffCompression compression;
    } cases[] = {
        {"camera-rgb", camera, MakePicture(40, 24, 24, 5), TiffCompression::ZLib},
        {"camera-bilevel", camera, MakePicture(40, 24, 1, 6), TiffCompression::FaxGroup4},
        {"camera-palette", camera, MakePicture(33, 7, 8, 7), TiffCompression::PackBits},
        {"xmp-only", xmpOnly, MakePicture(40, 24, 4, 8), TiffCompression::None},
        {"iptc-only", iptcOnly, MakePicture(40, 24, 24, 9), TiffCompression::ZLibAdobe},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string reference = dir_.file(std::string(c.name) + "-exiv2.tif");
        const std::string written = dir_.file(std::string(c.name) + ".tif");
        const std::vector<uint8_t> plain = EncodeTiff(c.picture, c.compression);
        WriteBytes(reference, EmbedMetadata(plain, c.metadata));
        const std::vector<uint8_t> bytes = EncodeTiffWithMetadata(c.picture, c.compression, c.metadata);
        WriteBytes(written, bytes);
        const std::string view = ExifToolView(written);
        EXPECT_NE(view.find("[IFD0]          ImageWidth"), std::string::npos);
        EXPECT_EQ(view, ExifToolView(reference));
        EXPECT_EQ(DecodeTiff(bytes), DecodeTiff(plain));
        EXPECT_EQ(TiffPageCount(bytes), TiffPageCount(ReadBytes(reference)));
    }
}

TEST_F(TiffMetadata, HostileBlobsLeaveAPictureThatDecodes) {
    const PictureMetadata camera = Camera();
    const Bitmap picture = MakePicture(12, 9, 24, 2);
    testutil::MutationSmoke(camera.exif, 200, [&](ByteSpan exif) {
        PictureMetadata m = camera;
        m.exif.assign(exif.begin(), exif.end());
        const std::vector<uint8_t> file = EncodeTiffWithMetadata(picture, TiffCompression::ZLib, m);
        if (!(DecodeTiff(file) == picture)) throw std::logic_error("the pixels were lost");
    });
}

}  // namespace
}  // namespace vimbra
