#include "imagefiles/load_dispatch.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include "imagefiles/codecs/bmp_codec.h"
#include "imagefiles/codecs/codec_test_util.h"
#include "imagefiles/codecs/jpeg_codec.h"
#include "imagefiles/codecs/pcx_codec.h"
#include "imagefiles/codecs/png_codec.h"
#include "imagefiles/codecs/tga_codec.h"
#include "imagefiles/codecs/tiff_codec.h"

namespace vimbra {
namespace {

using testutil::MakePicture;
using testutil::SameLook;
using testutil::TempDir;
using testutil::WriteBytes;

// Black ink on white in blocks, so reduced pages have known greys.
Bitmap FaxPage(int w, int h, uint32_t seed = 0) {
    Bitmap b(w, h, 1);
    b.palette() = {{255, 255, 255, 0}, {0, 0, 0, 0}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (((x / 6 + y / 4 + int(seed)) % 3) == 0)
                b.scanLine(y)[x >> 3] |= uint8_t(0x80 >> (x & 7));
    return b;
}

std::vector<uint8_t> LzwTiff(const Bitmap& b24, const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(b24.width()));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(b24.height()));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 8);
    std::vector<uint8_t> row(size_t(b24.width()) * 3);
    for (int y = 0; y < b24.height(); ++y) {
        SwapRedBlue(b24.scanLine(y), row.data(), size_t(b24.width()));
        TIFFWriteScanline(tif, row.data(), uint32_t(y), 0);
    }
    TIFFClose(tif);
    return testutil::ReadBytes(path);
}

// A workspace holding a picture that a failed load must leave alone.
Workspace Occupied() {
    Workspace ws;
    ws.setImage(MakePicture(7, 5, 8, 99));
    ws.CurrentFileName = "/pictures/before.png";
    ws.Modified = true;
    ws.StatusText = "Ready.";
    return ws;
}

void ExpectUntouched(const Workspace& ws, const LoadResult& r) {
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.message.empty());
    EXPECT_EQ(ws.Image, MakePicture(7, 5, 8, 99));
    EXPECT_EQ(ws.ImageBitDepth, 8);
    EXPECT_EQ(ws.ImageWidth, 7);
    EXPECT_EQ(ws.CurrentFileName, "/pictures/before.png");
    EXPECT_TRUE(ws.Modified);
}

// ---- extensions and the order of attempts --------------------------------------

TEST(LoadDispatch, ClassifiesByWholeExtensionIgnoringCase) {
    EXPECT_EQ(ClassifyFile("/a/b.JPG"), FileKind::Picture);
    EXPECT_EQ(ClassifyFile("b.jpe"), FileKind::Picture);
    EXPECT_EQ(ClassifyFile("b.Jpeg"), FileKind::Picture);
    EXPECT_EQ(ClassifyFile("b.tiff"), FileKind::Picture);
    EXPECT_EQ(ClassifyFile("b.dib"), FileKind::Picture);
    EXPECT_EQ(ClassifyFile("b.dcx"), FileKind::Picture);
    EXPECT_EQ(ClassifyFile("song.MP3"), FileKind::Media);
    EXPECT_EQ(ClassifyFile("clip.mpeg"), FileKind::Media);
    for (const char* name : {"a.ogg", "a.FLAC", "a.opus", "a.m4a", "a.webm", "a.mkv", "a.mp4", "a.ogv"})
        EXPECT_EQ(ClassifyFile(name), FileKind::Media) << name;
    EXPECT_EQ(ClassifyFile("notes.txt"), FileKind::Text);
    EXPECT_EQ(ClassifyFile("notes.RTF"), FileKind::RichText);
    EXPECT_EQ(ClassifyFile("drawing.emf"), FileKind::Metafile);
    EXPECT_EQ(ClassifyFile("show.avl"), FileKind::Slideshow);
    EXPECT_EQ(ClassifyFile("pack.zip"), FileKind::Archive);
    // Parts of listed extensions are no extensions of their own.
    EXPECT_EQ(ClassifyFile("b.jp2"), FileKind::Unknown);
    EXPECT_EQ(ClassifyFile("b.P"), FileKind::Unknown);
    EXPECT_EQ(ClassifyFile("b.MP"), FileKind::Unknown);
    EXPECT_EQ(ClassifyFile("photo.jpg.txt"), FileKind::Text);
    EXPECT_EQ(ClassifyFile("folder.png/file"), FileKind::Unknown);
    EXPECT_EQ(UpperExtension("/x/photo.Jpeg"), ".JPEG");
    EXPECT_EQ(UpperExtension("/x/photo"), "");
}

TEST(LoadDispatch, ExtensionReaderFirstThenContentThenLibrary) {
    const auto png = EncodePng(MakePicture(4, 4, 24));
    const auto bmp = EncodeBmp(MakePicture(4, 4, 8));
    using R = ImageReader;
    EXPECT_EQ(AttemptOrder("a.png", png), (std::vector<R>{R::Png, R::ImagingLibrary}));
    EXPECT_EQ(AttemptOrder("a.JPG", png), (std::vector<R>{R::Jpeg, R::Png, R::ImagingLibrary}));
    EXPECT_EQ(AttemptOrder("a.xyz", bmp), (std::vector<R>{R::Bmp, R::ImagingLibrary}));
    EXPECT_EQ(AttemptOrder("a.tga", bmp), (std::vector<R>{R::Tga, R::Bmp, R::ImagingLibrary}));
    EXPECT_EQ(AttemptOrder("a.tga", {}), (std::vector<R>{R::Tga, R::ImagingLibrary}));

    EXPECT_EQ(SniffImageReader(EncodeJpeg(MakePicture(8, 8, 24))), R::Jpeg);
    EXPECT_EQ(SniffImageReader(EncodeTiff(MakePicture(8, 8, 24), TiffCompression::None)), R::Tiff);
    EXPECT_EQ(SniffImageReader(EncodePcx(MakePicture(8, 8, 8))), R::Pcx);
    EXPECT_EQ(SniffImageReader(EncodeDcx({FaxPage(16, 8)})), R::Dcx);
    EXPECT_EQ(SniffImageReader(EncodeTga(MakePicture(8, 8, 24))), std::nullopt);
}

TEST(LoadDispatch, AMisnamedFileStillLoads) {
    TempDir dir;
    const Bitmap colour = MakePicture(33, 21, 24, 3);
    const Bitmap palette = MakePicture(19, 11, 8, 4);
    struct Case {
        std::string name;
        std::vector<uint8_t> bytes;
        const Bitmap* expected;
        ImageReader reader;
    } cases[] = {
        {"png-named.jpg", EncodePng(colour), &colour, ImageReader::Png},
        {"bmp-named.pcx", EncodeBmp(palette), &palette, ImageReader::Bmp},
        {"tiff-named.png", EncodeTiff(colour, TiffCompression::ZLib), &colour, ImageReader::Tiff},
        {"pcx-named.bmp", EncodePcx(palette), &palette, ImageReader::Pcx},
        {"no-extension", EncodePng(palette), &palette, ImageReader::Png},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(dir.file(c.name), c.bytes);
        Workspace ws = Occupied();
        const LoadResult r = LoadImageFile(ws, dir.file(c.name));
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(r.file.reader, c.reader);
        EXPECT_TRUE(SameLook(ws.Image, *c.expected));
        EXPECT_EQ(ws.ImageBitDepth, c.expected->depth());
        EXPECT_EQ(ws.ImageWidth, c.expected->width());
        EXPECT_EQ(ws.CurrentFileName, dir.file(c.name));
        EXPECT_FALSE(ws.Modified);
        EXPECT_EQ(ws.StatusText, "Ready.");
    }
}

// ---- the probe -------------------------------------------------------------------

TEST(LoadDispatch, ProbeReadsSizeDepthAndRoutes) {
    TempDir dir;
    WriteBytes(dir.file("a.png"), EncodePng(MakePicture(30, 20, 4)));
    ProbeResult p = ProbeImageFile(dir.file("a.png"));
    EXPECT_EQ(p.code, kProbePicture);
    EXPECT_EQ(p.extension, ".PNG");
    EXPECT_EQ(p.info.width, 30);
    EXPECT_EQ(p.info.height, 20);
    EXPECT_EQ(p.info.bitCount, 4);

    WriteBytes(dir.file("b.jpeg"), EncodeJpeg(MakePicture(40, 24, 24), {.grey = true}));
    p = ProbeImageFile(dir.file("b.jpeg"));
    EXPECT_EQ(p.code, kProbePicture);
    EXPECT_EQ(p.reader, ImageReader::Jpeg);
    EXPECT_EQ(p.info.bitCount, 8);

    // Media, text and metafiles are routed by name, whether they exist or not.
    EXPECT_EQ(ProbeImageFile(dir.file("song.wav")).code, kProbeMedia);
    EXPECT_EQ(ProbeImageFile(dir.file("notes.txt")).code, kProbeText);
    EXPECT_EQ(ProbeImageFile(dir.file("notes.rtf")).code, kProbeText);
    EXPECT_EQ(ProbeImageFile(dir.file("x.wmf")).code, kProbeMetafile);

    p = ProbeImageFile(dir.file("gone.png"));
    EXPECT_EQ(p.code, kProbeFailed);
    EXPECT_EQ(p.message, "gone.png not found.");
}

TEST(LoadDispatch, TiffsTheOwnReaderCannotTakeGoTheLibraryWay) {
    TempDir dir;
    const Bitmap colour = MakePicture(24, 16, 24, 5);
    WriteBytes(dir.file("lzw.tif"), LzwTiff(colour, dir.file("lzw-src.tif")));
    ProbeResult p = ProbeImageFile(dir.file("lzw.tif"));
    EXPECT_EQ(p.code, kProbePicture);
    EXPECT_TRUE(p.tiffViaImgLibrary);
    Workspace ws;
    LoadResult r = LoadImageFile(ws, dir.file("lzw.tif"));
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_TRUE(r.file.tiffViaImgLibrary);
    EXPECT_TRUE(SameLook(ws.Image, colour));

    WriteBytes(dir.file("fax.tif"), EncodeTiff(FaxPage(40, 20), TiffCompression::FaxGroup4));
    EXPECT_TRUE(ProbeImageFile(dir.file("fax.tif")).tiffViaImgLibrary);
    WriteBytes(dir.file("bw-deflate.tif"), EncodeTiff(FaxPage(40, 20), TiffCompression::ZLib));
    EXPECT_FALSE(ProbeImageFile(dir.file("bw-deflate.tif")).tiffViaImgLibrary);
    WriteBytes(dir.file("plain.tif"), EncodeTiff(colour, TiffCompression::PackBits));
    EXPECT_FALSE(ProbeImageFile(dir.file("plain.tif")).tiffViaImgLibrary);
}

// ---- multipage files and fax quality ----------------------------------------------

TEST(LoadDispatch, TiffPagesAsGreyWithFaxQuality) {
    TempDir dir;
    std::vector<uint8_t> file;
    for (uint32_t i = 0; i < 3; ++i)
        file = AppendTiffPage(file, FaxPage(90, 60, i), TiffCompression::FaxGroup4);
    WriteBytes(dir.file("fax.tif"), file);
    EXPECT_EQ(ProbeImageFile(dir.file("fax.tif")).info.pageCount, 3);

    Workspace ws;
    LoadOptions sixteenShades;
    sixteenShades.faxQuality = 2;
    LoadResult r = LoadImageFile(ws, dir.file("fax.tif"), 2, sixteenShades);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.file.pageCount, 3);
    EXPECT_EQ(r.file.currentPage, 2);
    EXPECT_EQ(r.file.fileWidth, 90);
    // A third of the page, minus one pixel: 90 × 3333 ÷ 10000 − 1, 60 × 3333 ÷ 10000 − 1.
    EXPECT_EQ(ws.ImageWidth, 28);
    EXPECT_EQ(ws.ImageHeight, 18);
    EXPECT_EQ(ws.ImageBitDepth, 8);
    EXPECT_TRUE(ws.Image.hasGreyPalette());
    EXPECT_EQ(ws.StatusText, "Page 3 of 3");
    EXPECT_EQ(PageAfter(PageStep::Next, r.file.currentPage, r.file.pageCount), 0);
    EXPECT_EQ(PageStatusText(0, 3), "Page 1 of 3");

    // Fax quality b/w shows the page itself.
    r = LoadImageFile(ws, dir.file("fax.tif"), 1);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(SameLook(ws.Image, FaxPage(90, 60, 1)));
    EXPECT_EQ(ws.ImageBitDepth, 1);

    Workspace other = Occupied();
    ExpectUntouched(other, LoadImageFile(other, dir.file("fax.tif"), 3));
}

TEST(LoadDispatch, DcxPages) {
    TempDir dir;
    WriteBytes(dir.file("two.dcx"), EncodeDcx({FaxPage(64, 32, 0), FaxPage(48, 40, 1)}));
    const ProbeResult p = ProbeImageFile(dir.file("two.dcx"));
    EXPECT_EQ(p.info.pageCount, 2);
    EXPECT_EQ(p.info.width, 64);
    Workspace ws;
    LoadResult r = LoadImageFile(ws, dir.file("two.dcx"), 1);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_TRUE(SameLook(ws.Image, FaxPage(48, 40, 1)));
    EXPECT_EQ(ws.StatusText, "Page 2 of 2");
    LoadOptions fourShades;
    fourShades.faxQuality = 1;
    r = LoadImageFile(ws, dir.file("two.dcx"), 0, fourShades);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(ws.ImageWidth, 31);
    EXPECT_EQ(ws.ImageHeight, 15);
}

TEST(LoadDispatch, FaxPagesBecomeGreyByCoverage) {
    Bitmap black(16, 16, 1);
    black.palette() = {{0, 0, 0, 0}, {255, 255, 255, 0}};  // all index 0: black
    Bitmap grey = FaxPageToGrey(black, 3);
    EXPECT_EQ(grey.width(), 3);  // 16 ÷ 4 − 1
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x) EXPECT_EQ(grey.scanLine(y)[x], 0);

    // Alternate columns; 8 → 3 columns of 2, 3 and 3 pixels, 4 rows → 1.
    Bitmap stripes(8, 4, 1);
    stripes.palette() = {{255, 255, 255, 0}, {0, 0, 0, 0}};
    for (int y = 0; y < 4; ++y) stripes.scanLine(y)[0] = 0xAA;
    grey = FaxPageToGrey(stripes, 1);
    EXPECT_EQ(grey.width(), 3);
    EXPECT_EQ(grey.height(), 1);
    EXPECT_EQ(grey.scanLine(0)[0], 128);  // one of two white
    EXPECT_EQ(grey.scanLine(0)[1], 85);   // one of three
    EXPECT_EQ(grey.scanLine(0)[2], 170);  // two of three
    EXPECT_EQ(FaxPageToGrey(stripes, 0), stripes);
    const Bitmap eight = MakePicture(8, 8, 8);
    EXPECT_EQ(FaxPageToGrey(eight, 2), eight);
}

TEST(LoadDispatch, PageCommandsWrapAround) {
    EXPECT_EQ(PageAfter(PageStep::Next, 0, 3), 1);
    EXPECT_EQ(PageAfter(PageStep::Next, 2, 3), 0);
    EXPECT_EQ(PageAfter(PageStep::Previous, 0, 3), 2);
    EXPECT_EQ(PageAfter(PageStep::Previous, 2, 3), 1);
    EXPECT_EQ(PageAfter(PageStep::First, 2, 3), 0);
    EXPECT_EQ(PageAfter(PageStep::Last, 0, 3), 2);
    EXPECT_EQ(PageAfter(PageStep::Next, 0, 1), 0);
}

}  // namespace
}  // namespace vimbra
