#include "imagefiles/file_info.h"

#include <gtest/gtest.h>

#include "imagefiles/codecs/codec_test_util.h"
#include "imagefiles/codecs/png_codec.h"

namespace vimbra {
namespace {

using testutil::MakePicture;
using testutil::TempDir;
using testutil::WriteBytes;

ByteSpan Text(const char* s) { return ByteSpan(reinterpret_cast<const uint8_t*>(s), strlen(s)); }

TEST(FileInfo, ChecksumIsTheComplementOfCrc32) {
    EXPECT_EQ(InfoChecksum(Text("abc")), 0xCADBBE3Du);
    EXPECT_EQ(InfoChecksum(Text("123456789")), ~0xCBF43926u);  // the CRC-32 check value
    EXPECT_EQ(InfoChecksum(Text("")), 0xFFFFFFFFu);
    // Running over parts gives the same as over the whole.
    EXPECT_EQ(InfoChecksum(Text("c"), InfoChecksum(Text("ab"))), 0xCADBBE3Du);

    TempDir dir;
    std::vector<uint8_t> big(5000);
    for (size_t i = 0; i < big.size(); ++i) big[i] = uint8_t(i * 7 + i / 300);
    WriteBytes(dir.file("big.bin"), big);
    EXPECT_EQ(FileChecksum(dir.file("big.bin")), InfoChecksum(big));
    WriteBytes(dir.file("abc.bin"), {'a', 'b', 'c'});
    EXPECT_EQ(FileChecksum(dir.file("abc.bin")), 0xCADBBE3Du);
    EXPECT_THROW(FileChecksum(dir.file("none.bin")), ImageFileError);
}

TEST(FileInfo, DescriptionAndMemory) {
    EXPECT_EQ(PictureDescription(640, 480, 24), "640x480(24) dib");
    EXPECT_EQ(PictureDescription(3000, 2000, 24, 2), "3000x2000(24) [1:2] dib");
    EXPECT_EQ(PictureDescription(16, 16, 8, 1, true), "16x16(8) ddb");
    EXPECT_EQ(BitmapMemoryBytes(10, 10, 1), 12);
    EXPECT_EQ(BitmapMemoryBytes(3, 3, 4), 4);
    EXPECT_EQ(BitmapMemoryBytes(10, 10, 8), 100);
    EXPECT_EQ(BitmapMemoryBytes(10, 10, 16), 200);
    EXPECT_EQ(BitmapMemoryBytes(10, 10, 24), 300);
    EXPECT_EQ(BitmapMemoryBytes(10, 10, 32), 400);
    EXPECT_EQ(BitmapMemoryBytes(10, 10, 7), -1);
    EXPECT_EQ(BitmapMemoryBytes(30000, 30000, 24), 2700000000);

    Workspace ws;
    ws.setImage(Bitmap(750, 500, 24));
    LoadedFile reduced;
    reduced.loadedReduced = true;
    reduced.reductionFactor = 4;
    reduced.fileWidth = 3000;
    reduced.fileHeight = 2000;
    EXPECT_EQ(PictureDescription(ws, reduced), "3000x2000(24) [1:4] dib");
    EXPECT_EQ(PictureDescription(ws, LoadedFile{}), "750x500(24) dib");
}

TEST(FileInfo, TheInformationText) {
    TempDir dir;
    WriteBytes(dir.file("abc.png"), {'a', 'b', 'c'});
    FileInfoInput in;
    in.path = dir.file("abc.png");
    in.pictureDescription = "16x8(24) dib";
    in.memoryBytes = 384;
    std::string text = FileInfoText(in);
    const std::string folder = std::filesystem::path(in.path).parent_path().string();
    EXPECT_EQ(text.rfind("16x8(24) dib\nName: abc.png\nPath: " + folder + "\nDate: ", 0), 0u)
        << text;
    const size_t sizeAt = text.find("\nSize: ");
    ASSERT_NE(sizeAt, std::string::npos);
    EXPECT_EQ(text.substr(sizeAt),
              "\nSize: 3 bytes\nCRC: CADBBE3D\nUses: 384 bytes\nVideo: 24 bpp");
    EXPECT_EQ(text.find("Pages:"), std::string::npos);

    in.pageCount = 3;
    in.displayBitDepth = 8;
    in.jpegLayout = true;
    in.photoCdInfo = "Orientation: Landscape";
    text = FileInfoText(in);
    EXPECT_EQ(text.find("Name:"), std::string::npos);
    EXPECT_NE(text.find("\r\nCRC: CADBBE3D\r\nPages: 3\r\nUses: 384 bytes\r\nVideo: 8 bpp"
                        "\r\n\r\nOrientation: Landscape"),
              std::string::npos)
        << text;

    // A medium: duration and frame instead of the memory and screen lines.
    in = FileInfoInput{};
    in.path = dir.file("abc.png");
    in.pictureDescription = "320x240 video";
    in.pageCount = 3;
    in.medium = true;
    in.durationMs = 2005;
    in.frameWidth = 320;
    in.frameHeight = 240;
    text = FileInfoText(in);
    EXPECT_EQ(text.substr(text.find("\nCRC: ")), "\nCRC: CADBBE3D\nDuration: 2.005 s\nFrame: 320x240");
    in.durationMs = -1;
    in.frameWidth = in.frameHeight = 0;
    text = FileInfoText(in);
    EXPECT_EQ(text.substr(text.find("\nCRC: ")), "\nCRC: CADBBE3D\nDuration: unknown");
    EXPECT_EQ(DurationText(0), "0.000 s");
    EXPECT_EQ(DurationText(61999), "61.999 s");

    in.path = dir.file("gone.png");
    try {
        FileInfoText(in);
        FAIL();
    } catch (const ImageFileError& e) {
        EXPECT_STREQ(e.what(), "gone.png not found.");
    }
}

TEST(FileInfo, FromALoadedPicture) {
    TempDir dir;
    WriteBytes(dir.file("p.png"), EncodePng(MakePicture(10, 6, 4)));
    Workspace ws;
    const LoadResult r = LoadImageFile(ws, dir.file("p.png"));
    ASSERT_TRUE(r.ok);
    const FileInfoInput in = FileInfoFor(ws, r.file);
    EXPECT_EQ(in.path, dir.file("p.png"));
    EXPECT_EQ(in.pictureDescription, "10x6(4) dib");
    EXPECT_EQ(in.memoryBytes, 30);
    EXPECT_NE(FileInfoText(in).find("Uses: 30 bytes\nVideo: 24 bpp"), std::string::npos);
}

}  // namespace
}  // namespace vimbra
