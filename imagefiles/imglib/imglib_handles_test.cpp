// Handles, the current picture, status, opening, pages, information and writing.
#include <gtest/gtest.h>

#include "imagefiles/codecs/bmp_codec.h"
#include "imagefiles/codecs/codec_test_util.h"
#include "imagefiles/codecs/pcx_codec.h"
#include "imagefiles/codecs/tga_codec.h"
#include "imagefiles/codecs/tiff_codec.h"
#include "imagefiles/imglib/imglib.h"
#include "imagefiles/imglib/imglib_test_util.h"

namespace vimbra {
namespace {

using namespace testutil;
using HandleTest = ImgLibTest;

TEST_F(HandleTest, HandlesAreFreshAndCloseOnce) {
    const Bitmap pic = Rgb24(3, 2, {1, 2, 3, 4, 5, 6});
    const ImgHandle a = ImgFromBitmap(pic), b = ImgFromBitmap(pic);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(ImgOpenCount(), 2);
    EXPECT_EQ(Get(a), pic);
    EXPECT_TRUE(ImgClose(a));
    EXPECT_FALSE(ImgClose(a));
    EXPECT_EQ(ImgGetStatus().code, ImgStatusCode::InvalidHandle);
    EXPECT_NE(ImgGetStatus().text.find("Invalid image handle"), std::string::npos);
    // A closed number is never given out again.
    const ImgHandle c = ImgFromBitmap(pic);
    EXPECT_NE(c, a);
    // A successful call clears the status.
    EXPECT_EQ(ImgGetPage(c), 0);
    EXPECT_EQ(ImgGetStatus().code, ImgStatusCode::Ok);
    EXPECT_TRUE(ImgGetStatus().text.empty());
    EXPECT_FALSE(ImgClose(0));
    EXPECT_EQ(ImgFromBitmap(Bitmap()), 0u);
    ImgShutdown();
    EXPECT_EQ(ImgOpenCount(), 0);
    Bitmap out;
    EXPECT_FALSE(ImgToBitmap(b, out));
}

TEST_F(HandleTest, CurrentPictureClosesTheOldOne) {
    {
        CurrentImg current;
        current.replace(ImgFromBitmap(Uniform24(8, 8, 0x102030)));
        const ImgHandle first = current.get();
        ASSERT_TRUE(current);
        // Each operation's result replaces the current picture; only one stays open.
        current.replace(ImgCopy(current.get(), 4, 4, nullptr, kImgCopySmooth));
        EXPECT_EQ(ImgOpenCount(), 1);
        EXPECT_FALSE(ImgClose(first));
        current.replace(ImgRotate(current.get(), 9000, 0));
        current.replace(ImgReduceColors(current.get(), 16, 68));
        EXPECT_EQ(ImgOpenCount(), 1);
        ImgBitmapInfoHeader info;
        ASSERT_TRUE(ImgGetInfoStruct(current.get(), &info, nullptr));
        EXPECT_EQ(info.biBitCount, 4);
        // Replacing with the same handle keeps it.
        current.replace(current.get());
        EXPECT_EQ(ImgOpenCount(), 1);
        // A failed call leaves 0: the old picture is closed, the reason kept.
        current.replace(ImgCopy(current.get(), 0, 4, nullptr, 0));
        EXPECT_FALSE(current);
        EXPECT_EQ(ImgOpenCount(), 0);
        EXPECT_EQ(ImgGetStatus().code, ImgStatusCode::BadArgument);
        current.replace(ImgFromBitmap(Uniform24(2, 2, 0)));
        const ImgHandle kept = current.release();
        EXPECT_FALSE(current);
        EXPECT_TRUE(ImgClose(kept));
        current.replace(ImgFromBitmap(Uniform24(2, 2, 0)));
    }
    EXPECT_EQ(ImgOpenCount(), 0);  // the destructor closed it
}

TEST_F(HandleTest, InfoAndPalette) {
    const ImgHandle h = ImgFromBitmap(Indexed(5, 3, 4, {}, BlackWhite()));
    ImgBitmapInfoHeader info;
    ImgExtraInfo extra;
    ASSERT_TRUE(ImgGetInfoStruct(h, &info, &extra));
    EXPECT_EQ(info.biWidth, 5);
    EXPECT_EQ(info.biHeight, 3);
    EXPECT_EQ(info.biPlanes * info.biBitCount, 4);
    EXPECT_EQ(info.biSizeImage, 12u);  // 3 rows of 4 bytes
    EXPECT_EQ(info.biClrUsed, 2u);
    EXPECT_EQ(extra.pageCount, 1);
    EXPECT_EQ(extra.format, "");
    EXPECT_EQ(ImgGetPalette(h), BlackWhite());
    const ImgHandle t = ImgFromBitmap(Uniform24(5, 3, 0));
    ASSERT_TRUE(ImgGetInfoStruct(t, &info, nullptr));
    EXPECT_EQ(info.biSizeImage, 48u);  // 15 bytes padded to 16
    EXPECT_TRUE(ImgGetPalette(t).empty());
    EXPECT_FALSE(ImgGetInfoStruct(999, &info, &extra));
    ImgClose(h);
    ImgClose(t);
}

TEST_F(HandleTest, PackedBitmapsBothWays) {
    for (int depth : {1, 4, 8, 24}) {
        SCOPED_TRACE(depth);
        const Bitmap pic = MakePicture(13, 5, depth, uint32_t(depth));
        const std::vector<uint8_t> dib = PackDib(pic);
        EXPECT_EQ(dib[0], 40);
        const ImgHandle h = ImgFromDIB(dib);
        ASSERT_NE(h, 0u) << ImgGetStatus().text;
        EXPECT_TRUE(SameLook(Get(h), pic));
        ImgExtraInfo extra;
        ImgGetInfoStruct(h, nullptr, &extra);
        EXPECT_EQ(extra.format, "DIB");
        ImgClose(h);
        EXPECT_EQ(ImgFromDIB(ByteSpan(dib.data(), dib.size() / 2)), 0u);
        EXPECT_EQ(ImgGetStatus().code, ImgStatusCode::FileError);
    }
    // A top-down block (negative height) written by hand: 2 × 2, 24 bits.
    std::vector<uint8_t> dib(40 + 16, 0);
    dib[0] = 40;
    dib[4] = 2;
    dib[8] = 0xFE;  // height −2
    dib[9] = dib[10] = dib[11] = 0xFF;
    dib[12] = 1;
    dib[14] = 24;
    const uint8_t rows[16] = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    std::copy(rows, rows + 16, dib.begin() + 40);
    const ImgHandle h = ImgFromDIB(dib);
    ASSERT_NE(h, 0u) << ImgGetStatus().text;
    EXPECT_EQ(Pixels(Get(h)), (std::vector<uint32_t>{0x030201, 0x060504, 0x090807, 0x0C0B0A}));
    ImgClose(h);
    for (std::vector<uint8_t> bad : {std::vector<uint8_t>{}, std::vector<uint8_t>(39, 0), std::vector<uint8_t>{41, 0, 0, 0}}) {
        EXPECT_EQ(ImgFromDIB(bad), 0u);
        EXPECT_EQ(ImgGetStatus().code, ImgStatusCode::FileError);
    }
}

TEST_F(HandleTest, OpenFilesByContents) {
    TempDir dir;
    const Bitmap pic = MakePicture(9, 4, 8);
    WriteBytes(dir.file("a.bmp"), EncodeBmp(pic));
    WriteBytes(dir.file("misnamed.tif"), EncodePcx(pic));
    WriteBytes(dir.file("b.tga"), EncodeTga(pic));
    WritePpm(dir.file("c.ppm"), pic);
    WriteBytes(dir.file("junk.bmp"), {'B', 'M', 1, 2, 3});
    WriteBytes(dir.file("noise.dat"), std::vector<uint8_t>(100, 0x55));
    const std::pair<const char*, const char*> cases[] = {
        {"a.bmp", "BMP"}, {"misnamed.tif", "PCX"}, {"b.tga", "TGA"}, {"c.ppm", "PPM"}};
    for (auto [name, format] : cases) {
        SCOPED_TRACE(name);
        const ImgHandle h = ImgOpenSolo(dir.file(name), 0);
        ASSERT_NE(h, 0u) << ImgGetStatus().text;
        EXPECT_TRUE(SameLook(Get(h), pic));
        ImgExtraInfo extra;
        ImgGetInfoStruct(h, nullptr, &extra);
        EXPECT_EQ(extra.format, format);
        EXPECT_EQ(ImgPageCount(h), 1);
        ImgClose(h);
    }
    for (const char* name : {"junk.bmp", "noise.dat", "missing.bmp"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ImgOpenSolo(dir.file(name), 0), 0u);
        EXPECT_EQ(ImgGetStatus().code, ImgStatusCode::FileError);
        EXPECT_FALSE(ImgGetStatus().text.empty());
    }
    // Formats without a codec of ours go through Qt's readers: a 1 × 1 red GIF.
    const std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0xFF, 0, 0, 0, 0, 0,
                                      ',', 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 'D', 1, 0, ';'};
    const ImgHandle g = ImgOpenMem(gif, "");
    ASSERT_NE(g, 0u) << ImgGetStatus().text;
    EXPECT_EQ(PixelRgb(Get(g), 0, 0), 0xFF0000u);
    ImgExtraInfo gifInfo;
    ImgGetInfoStruct(g, nullptr, &gifInfo);
    EXPECT_EQ(gifInfo.format, "GIF");
    ImgClose(g);
    // TGA in memory needs its type.
    const std::vector<uint8_t> tga = EncodeTga(pic);
    const ImgHandle t = ImgOpenMem(tga, "tga");
    ASSERT_NE(t, 0u) << ImgGetStatus().text;
    ImgClose(t);
}

TEST_F(HandleTest, PagesOfTiffAndDcx) {
    Bitmap p0 = MakePicture(7, 3, 1, 1);
    p0.palette() = BlackWhite();  // a fax page: TIFF keeps no colours for 1 bit
    const Bitmap p1 = MakePicture(5, 6, 8, 2), p2 = MakePicture(4, 4, 24, 3);
    std::vector<uint8_t> tif = EncodeTiff(p0, TiffCompression::FaxGroup4);
    tif = AppendTiffPage(tif, p1, TiffCompression::PackBits);
    tif = AppendTiffPage(tif, p2, TiffCompression::ZLib);
    const ImgHandle h = ImgOpenMem(tif, "TIF");
    ASSERT_NE(h, 0u) << ImgGetStatus().text;
    EXPECT_EQ(ImgPageCount(h), 3);
    EXPECT_EQ(ImgGetPage(h), 0);
    EXPECT_TRUE(SameLook(Get(h), p0));
    ASSERT_TRUE(ImgSetPage(h, 2));
    EXPECT_EQ(ImgGetPage(h), 2);
    EXPECT_TRUE(SameLook(Get(h), p2));
    ASSERT_TRUE(ImgSetPage(h, 1));
    EXPECT_TRUE(SameLook(Get(h), p1));
    ImgBitmapInfoHeader info;
    ImgExtraInfo extra;
    ImgGetInfoStruct(h, &info, &extra);
    EXPECT_EQ(info.biWidth, 5);
    EXPECT_EQ(extra.page, 1);
    EXPECT_EQ(extra.pageCount, 3);
    EXPECT_FALSE(ImgSetPage(h, 3));
    EXPECT_FALSE(ImgSetPage(h, -1));
    EXPECT_EQ(ImgGetPage(h), 1);  // a refused page change keeps the page
    // A copy is a picture of its own, without pages.
    const ImgHandle c = ImgCopy(h, 2, 2, nullptr, 0);
    EXPECT_EQ(ImgPageCount(c), 1);
    ImgClose(c);
    ImgClose(h);

    TempDir dir;
    WriteBytes(dir.file("fax.dcx"), EncodeDcx({p0, MakePicture(9, 9, 1, 4)}));
    const ImgHandle d = ImgOpenSolo(dir.file("fax.dcx"));
    ASSERT_NE(d, 0u) << ImgGetStatus().text;
    EXPECT_EQ(ImgPageCount(d), 2);
    ASSERT_TRUE(ImgSetPage(d, 1));
    EXPECT_EQ(Get(d).width(), 9);
    ImgClose(d);
}

TEST_F(HandleTest, WriteImage) {
    TempDir dir;
    const Bitmap pic = MakePicture(6, 5, 4);
    const ImgHandle h = ImgFromBitmap(pic);
    EXPECT_EQ(ImgXWriteImage(dir.file("out.bmp"), "bmp", h, 0, 0, 0), 1);
    EXPECT_EQ(DecodeBmp(ReadBytes(dir.file("out.bmp"))), pic);
    EXPECT_EQ(ImgXWriteImage(dir.file("out.pcx"), "PCX", h), 1);
    EXPECT_TRUE(SameLook(DecodePcx(ReadBytes(dir.file("out.pcx"))), pic));
    EXPECT_EQ(ImgXWriteImage(dir.file("out.gif"), "gif", h), 0);
    EXPECT_EQ(ImgGetStatus().code, ImgStatusCode::BadArgument);
    EXPECT_EQ(ImgXWriteImage(dir.file("no/such/dir/out.bmp"), "bmp", h), 0);
    EXPECT_EQ(ImgGetStatus().code, ImgStatusCode::FileError);
    EXPECT_EQ(ImgXWriteImage(dir.file("x.bmp"), "bmp", 12345), 0);
    ImgClose(h);
}

TEST_F(HandleTest, HostileBytesOnlyFail) {
    const Bitmap pic = MakePicture(12, 7, 8);
    for (const std::vector<uint8_t>& file : {EncodeBmp(pic), EncodePcx(pic), EncodeTiff(pic, TiffCompression::PackBits)}) {
        MutationSmoke(file, 150, [](ByteSpan bytes) {
            const ImgHandle h = ImgOpenMem(bytes, "");
            if (h) {
                ImgSetPage(h, ImgPageCount(h) - 1);
                ImgClose(h);
            } else {
                EXPECT_NE(ImgGetStatus().code, ImgStatusCode::Ok);
            }
        });
    }
}

}  // namespace
}  // namespace vimbra
