#include "imagefiles/save_dispatch.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "core/histogram.h"
#include "imagefiles/codecs/codec_test_util.h"
#include "imagefiles/codecs/modern_codec_test_util.h"
#include "imagefiles/load_dispatch.h"

namespace vimbra {
namespace {

using testutil::MakePicture;
using testutil::ReadBytes;
using testutil::SameLook;
using testutil::TempDir;
using testutil::WriteBytes;

// Smooth colours, so JPEG's loss stays small and measurable.
Bitmap Smooth(int w = 48, int h = 32) {
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = uint8_t(x * 4);
            p[1] = uint8_t(y * 6);
            p[2] = uint8_t(200 - x * 2);
        }
    return b;
}

Bitmap BlackWhite(int w = 45, int h = 30) {
    Bitmap b(w, h, 1);
    b.palette() = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((x / 3 + y / 2) % 2) b.scanLine(y)[x >> 3] |= uint8_t(0x80 >> (x & 7));
    return b;
}

Bitmap Greys(const Bitmap& b) {
    Bitmap g = b;
    g.convertTo24();
    for (int y = 0; y < g.height(); ++y)
        for (int x = 0; x < g.width(); ++x) {
            uint8_t* p = g.scanLine(y) + 3 * x;
            p[0] = p[1] = p[2] = uint8_t(GreyValue(p[2], p[1], p[0]));
        }
    return g;
}

Workspace Holding(const Bitmap& b) {
    Workspace ws;
    ws.setImage(b);
    ws.CurrentFileName = "/pictures/source.png";
    ws.Modified = true;
    return ws;
}

SaveOptions PlentyOfSpace() {
    SaveOptions o;
    o.freeSpace = [](const std::string&) { return std::optional<uint64_t>(uint64_t(1) << 40); };
    return o;
}

// ---- every variant through the dispatch and back --------------------------------

TEST(SaveDispatch, AllTwelveVariantsRoundTrip) {
    TempDir dir;
    const Bitmap colour = Smooth();
    const Bitmap bw = BlackWhite();
    for (int n = 1; n <= kSaveFormatCount; ++n) {
        const SaveFormat format = *SaveFormatFromNumber(n);
        const bool fax = format == SaveFormat::TiffFaxG3 || format == SaveFormat::TiffFaxG4;
        const Bitmap& source = fax ? bw : colour;
        SCOPED_TRACE(SaveFormatText(format));
        Workspace ws = Holding(source);
        const SaveResult saved =
            SaveImageFile(ws, dir.file("out" + std::to_string(n)), format, PlentyOfSpace());
        ASSERT_TRUE(saved.ok()) << saved.message << "\n" << saved.detail;
        EXPECT_EQ(saved.path, dir.file("out" + std::to_string(n)) + "." + DefaultExtension(format));
        EXPECT_FALSE(ws.Modified);
        EXPECT_EQ(ws.CurrentFileName, saved.path);
        EXPECT_EQ(ws.Image, source);  // never prepared in place

        Workspace back;
        const LoadResult loaded = LoadImageFile(back, saved.path);
        ASSERT_TRUE(loaded.ok) << loaded.message;
        if (format == SaveFormat::Jpeg)
            EXPECT_TRUE(SameLook(back.Image, colour, 12));
        else if (format == SaveFormat::JpegGrey) {
            EXPECT_EQ(back.ImageBitDepth, 8);
            EXPECT_TRUE(SameLook(back.Image, Greys(colour), 6));
        } else {
            EXPECT_TRUE(SameLook(back.Image, source));
        }
    }
}

TEST(SaveDispatch, EveryVariantOfABlackAndWhitePicture) {
    TempDir dir;
    const Bitmap bw = BlackWhite();
    for (int n = 1; n <= kSaveFormatCount; ++n) {
        const SaveFormat format = *SaveFormatFromNumber(n);
        SCOPED_TRACE(SaveFormatText(format));
        Workspace ws = Holding(bw);
        const SaveResult saved = SaveImageFile(ws, dir.file("bw"), format, PlentyOfSpace());
        ASSERT_TRUE(saved.ok()) << saved.detail;
        EXPECT_EQ(ws.Image, bw);
        EXPECT_EQ(ws.ImageBitDepth, 1);  // grey JPEG and TGA work on a copy
        Workspace back;
        ASSERT_TRUE(LoadImageFile(back, saved.path).ok);
        const bool jpeg = format == SaveFormat::Jpeg || format == SaveFormat::JpegGrey;
        if (format == SaveFormat::Tga) {
            EXPECT_EQ(back.ImageBitDepth, 8);
        }
        if (!jpeg) {
            EXPECT_TRUE(SameLook(back.Image, bw));
        }
    }
}

TEST(SaveDispatch, PreparationHappensOnACopy) {
    const Bitmap four = MakePicture(9, 7, 4, 3);
    const Bitmap tga = PrepareForSave(four, SaveFormat::Tga);
    EXPECT_EQ(tga.depth(), 8);
    EXPECT_TRUE(SameLook(tga, four));
    EXPECT_EQ(PrepareForSave(Smooth(), SaveFormat::Tga).depth(), 24);

    const Bitmap grey = PrepareForSave(Smooth(), SaveFormat::JpegGrey);
    EXPECT_EQ(grey.depth(), 8);
    EXPECT_TRUE(grey.hasGreyPalette());
    EXPECT_TRUE(SameLook(grey, Greys(Smooth())));  // (30 R + 60 G + 10 B) ÷ 100
    const Bitmap eight = MakePicture(9, 7, 8, 4);
    EXPECT_EQ(PrepareForSave(eight, SaveFormat::JpegGrey), eight);  // 8 bits stay as they are
    EXPECT_EQ(PrepareForSave(four, SaveFormat::Png), four);
}

// ---- names, filter and options ---------------------------------------------------

TEST(SaveDispatch, ExtensionRule) {
    EXPECT_EQ(ApplyExtensionRule("/d/photo.jpg", SaveFormat::Png), "/d/photo.png");
    EXPECT_EQ(ApplyExtensionRule("/d/photo", SaveFormat::Png), "/d/photo.png");
    EXPECT_EQ(ApplyExtensionRule("/d/photo.PNG", SaveFormat::Png), "/d/photo.PNG");
    EXPECT_EQ(ApplyExtensionRule("/d/photo.jpeg", SaveFormat::Jpeg), "/d/photo.jpg");
    EXPECT_EQ(ApplyExtensionRule("/d/photo.tiff", SaveFormat::TiffFaxG4), "/d/photo.tif");
    EXPECT_EQ(ApplyExtensionRule("/d/a.tar.gz", SaveFormat::Bmp), "/d/a.tar.bmp");
    EXPECT_EQ(ApplyExtensionRule("/d.v2/photo", SaveFormat::Pcx), "/d.v2/photo.pcx");
    EXPECT_EQ(ApplyExtensionRule("/d/photo.", SaveFormat::Tga), "/d/photo.tga");
    EXPECT_EQ(ApplyExtensionRule("photo.Jpg", SaveFormat::JpegGrey), "photo.Jpg");

    TempDir dir;
    Workspace ws = Holding(Smooth());
    const SaveResult r = SaveImageFile(ws, dir.file("typed.jpg"), SaveFormat::Png, PlentyOfSpace());
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.path, dir.file("typed.png"));
    EXPECT_TRUE(std::filesystem::exists(dir.file("typed.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("typed.jpg")));
}

TEST(SaveDispatch, TablesAndDialogFilter) {
    EXPECT_STREQ(SaveFormatText(SaveFormat::Bmp), "BMP (Windows Bitmap)");
    EXPECT_STREQ(SaveFormatText(SaveFormat::TiffAdobeDeflate), "TIF (Deflated Adobe TIFF)");
    EXPECT_STREQ(DefaultExtension(SaveFormat::JpegGrey), "jpg");
    EXPECT_STREQ(DefaultExtension(SaveFormat::TiffPackBits), "tif");
    EXPECT_EQ(SaveFormatFromNumber(0), std::nullopt);
    EXPECT_EQ(SaveFormatFromNumber(19), std::nullopt);
    const std::string newer =
        "|WEBP (WebP)|*.webp|WEBP (Lossless WebP)|*.webp|AVIF (AV1 Image)|*.avif|AVIF (Lossless AV1 "
        "Image)|*.avif|JXL (JPEG XL)|*.jxl|JXL (Lossless JPEG XL)|*.jxl";
    const std::string nine =
        "BMP (Windows Bitmap)|*.bmp|PCX (Zsoft Paintbrush)|*.pcx|PNG (Portable Network "
        "Graphics)|*.png|JPG (JPEG 8-bit gray)|*.jpg|JPG (JPEG 24-bit color)|*.jpg|TGA "
        "(Uncompressed Targa)|*.tga|TIF (Uncompressed TIFF)|*.tif|TIF (Deflated TIFF)|*.tif|TIF "
        "(Deflated Adobe TIFF)|*.tif";
    EXPECT_EQ(SaveDialogFilter(24), nine + newer);
    EXPECT_EQ(SaveDialogFilter(8), nine + newer);
    EXPECT_EQ(SaveDialogFilter(1), nine +
                                       "|TIF (Fax-Group3 TIFF)|*.tif|TIF (Fax-Group4 TIFF)|*.tif"
                                       "|TIF (Packbits TIFF)|*.tif" + newer);
}

TEST(SaveDispatch, NewerFormatsNumberedAfterTheTwelve) {
    struct Row {
        int number;
        SaveFormat format;
        const char* extension;
        bool lossless;
    };
    const Row rows[] = {{13, SaveFormat::Webp, "webp", false},  {14, SaveFormat::WebpLossless, "webp", true},
                        {15, SaveFormat::Avif, "avif", false},  {16, SaveFormat::AvifLossless, "avif", true},
                        {17, SaveFormat::Jxl, "jxl", false},    {18, SaveFormat::JxlLossless, "jxl", true}};
    // The twelve keep their numbers.
    EXPECT_EQ(int(SaveFormat::TiffPackBits), 12);
    EXPECT_EQ(SaveFormatFromNumber(12), SaveFormat::TiffPackBits);
    TempDir dir;
    const Bitmap colour = Smooth();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.number);
        EXPECT_EQ(SaveFormatFromNumber(r.number), r.format);
        EXPECT_STREQ(DefaultExtension(r.format), r.extension);
        Workspace ws = Holding(colour);
        SaveOptions o = PlentyOfSpace();
        o.quality = 90;
        const SaveResult saved = SaveImageFile(ws, dir.file("n" + std::to_string(r.number) + ".png"), r.format, o);
        ASSERT_TRUE(saved.ok()) << saved.detail;
        EXPECT_EQ(saved.path, dir.file("n" + std::to_string(r.number) + "." + r.extension));
        Workspace back;
        const LoadResult loaded = LoadImageFile(back, saved.path);
        ASSERT_TRUE(loaded.ok) << loaded.message;
        if (r.lossless)
            EXPECT_EQ(back.Image, colour);
        else
            EXPECT_TRUE(testutil::CloseLook(back.Image, colour));
    }
    // The dialog's quality scale: out of range reads as 50, as for JPEG.
    SaveOptions o;
    o.quality = 200;
    const auto outOfRange = EncodeForSave(colour, SaveFormat::Webp, o);
    o.quality = 50;
    EXPECT_EQ(EncodeForSave(colour, SaveFormat::Webp, o), outOfRange);
}

TEST(SaveDispatch, QualityAndProgressive) {
    const Bitmap pic = MakePicture(64, 48, 24, 8);
    SaveOptions o;
    o.quality = 200;  // out of range: written as 50
    const auto outOfRange = EncodeForSave(pic, SaveFormat::Jpeg, o);
    o.quality = 50;
    EXPECT_EQ(EncodeForSave(pic, SaveFormat::Jpeg, o), outOfRange);
    o.quality = 10;
    const size_t low = EncodeForSave(pic, SaveFormat::Jpeg, o).size();
    o.quality = 95;
    EXPECT_LT(low, EncodeForSave(pic, SaveFormat::Jpeg, o).size());

    // PNG: progressive means interlaced (IHDR interlace byte at offset 28).
    o.progressive = true;
    EXPECT_EQ(EncodeForSave(pic, SaveFormat::Png, o)[28], 1);
    o.progressive = false;
    EXPECT_EQ(EncodeForSave(pic, SaveFormat::Png, o)[28], 0);
    EXPECT_EQ(ReadJpegInfo(EncodeForSave(pic, SaveFormat::Jpeg, o)).progressive, false);
    o.progressive = true;
    EXPECT_EQ(ReadJpegInfo(EncodeForSave(pic, SaveFormat::Jpeg, o)).progressive, true);
    EXPECT_EQ(ReadJpegInfo(EncodeForSave(pic, SaveFormat::JpegGrey, o)).components, 1);
}

}  // namespace
}  // namespace vimbra
