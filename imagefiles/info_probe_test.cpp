#include "imagefiles/info_probe.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zlib.h>

#include <chrono>
#include <fstream>

#include "imagefiles/codecs/avif_codec.h"
#include "imagefiles/codecs/bmp_codec.h"
#include "imagefiles/codecs/jxl_codec.h"
#include "imagefiles/codecs/modern_codec_test_util.h"
#include "imagefiles/codecs/pcx_codec.h"
#include "imagefiles/codecs/tga_codec.h"
#include "imagefiles/codecs/tiff_codec.h"
#include "imagefiles/codecs/webp_codec.h"
#include "imagefiles/file_info.h"
#include "imagefiles/metadata_test_util.h"
#include "imagefiles/orientation.h"

namespace vimbra {
namespace {

using testutil::MakePicture;
using testutil::Q;
using testutil::WriteBytes;

// The information text with the orientation line, as `info` prints it.
std::string Told(const FileInfoInput& in, const PictureMetadata& m) {
    const int tag = ExifOrientation(m.exif);
    return FileInfoText(in) + (tag != 1 ? "\nOrientation: " + std::to_string(tag) : "");
}

// What a load of the whole file tells, beside what the header alone tells.
void ExpectToldAlike(const std::string& path) {
    SCOPED_TRACE(path);
    const std::optional<PictureFacts> facts = ProbePictureFacts(path);
    ASSERT_TRUE(facts) << "the header did not tell";
    Workspace ws;
    const LoadResult loaded = LoadImageFile(ws, path);
    ASSERT_TRUE(loaded) << loaded.message;
    EXPECT_EQ(Told(FileInfoFor(path, *facts, ws.DisplayBitDepth), facts->metadata),
              Told(FileInfoFor(ws, loaded.file), ws.Metadata));
    EXPECT_EQ(facts->file.metadataWarning, loaded.file.metadataWarning);
    EXPECT_EQ(facts->metadata.exif, ws.Metadata.exif);
}

Bitmap WithPalette(Bitmap b, bool grey) {
    const size_t n = size_t(1) << b.depth();
    b.palette().resize(n);
    for (size_t i = 0; i < n; ++i) {
        const auto v = uint8_t(i * 255 / (n - 1));
        b.palette()[i] = grey ? PaletteEntry{v, v, v, 0} : PaletteEntry{v, uint8_t(255 - v), 90, 0};
    }
    return b;
}

class InfoProbe : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = dir_.file(name);
        WriteBytes(path, bytes);
        return path;
    }
    // ImageMagick's variants of a picture: the depths the program's writers
    // never make (16-bit and 2-bit PNG, 32-bit BMP and TGA, CMYK, Photoshop...).
    std::string Converted(const std::string& source, const std::string& name, const std::string& args) {
        const std::string path = dir_.file(name);
        if (!testutil::RunTool("/usr/bin/convert-im6.q16", Q(source) + " " + args + " " + Q(path)))
            ADD_FAILURE() << "convert-im6.q16 could not write " << name;
        return path;
    }
    testutil::TempDir dir_;
};

TEST_F(InfoProbe, HeadersTellWhatTheLoadMakesInEveryFormat) {
    const Bitmap rgb = MakePicture(37, 21, 24, 1);
    const std::string png = Write("p24.png", EncodePng(rgb));
    std::vector<std::string> files = {png,
        Write("b1.bmp", EncodeBmp(WithPalette(MakePicture(37, 21, 1, 2), false))),
        Write("b4.bmp", EncodeBmp(WithPalette(MakePicture(37, 21, 4, 3), false))),
        Write("b8.bmp", EncodeBmp(WithPalette(MakePicture(37, 21, 8, 4), true))),
        Write("b24.bmp", EncodeBmp(rgb)),
        Write("x1.pcx", EncodePcx(WithPalette(MakePicture(37, 21, 1, 5), true))),
        Write("x4.pcx", EncodePcx(WithPalette(MakePicture(37, 21, 4, 6), false))),
        Write("x8.pcx", EncodePcx(WithPalette(MakePicture(37, 21, 8, 7), false))),
        Write("x24.pcx", EncodePcx(rgb)),
        Write("f.dcx", EncodeDcx({WithPalette(MakePicture(37, 21, 1, 8), true), rgb})),
        Write("t8.tga", EncodeTga(WithPalette(MakePicture(37, 21, 8, 9), false))),
        Write("t24.tga", EncodeTga(rgb)),
        Write("p1.png", EncodePng(WithPalette(MakePicture(37, 21, 1, 10), false))),
        Write("p4.png", EncodePng(WithPalette(MakePicture(37, 21, 4, 11), true))),
        Write("p8.png", EncodePng(WithPalette(MakePicture(37, 21, 8, 12), false))),
        Write("j8.jpg", EncodeJpeg(WithPalette(MakePicture(37, 21, 8, 13), true))),
        Write("j24.jpg", EncodeJpeg(rgb)),
        Write("f1.tif", EncodeTiff(WithPalette(MakePicture(37, 21, 1, 14), true), TiffCompression::FaxGroup4)),
        Write("f1-library.tif",
              EncodeTiff(WithPalette(MakePicture(37, 21, 1, 15), true), TiffCompression::PackBits)),
        Write("f4.tif", EncodeTiff(WithPalette(MakePicture(37, 21, 4, 16), false), TiffCompression::None)),
        Write("f8.tif", EncodeTiff(WithPalette(MakePicture(37, 21, 8, 17), true), TiffCompression::ZLib)),
        Write("pages.tif", AppendTiffPage(EncodeTiff(rgb, TiffCompression::ZLib), rgb, TiffCompression::None)),
        Write("misnamed.jpg", EncodePng(rgb)),
        Write("w.webp", EncodeWebp(rgb)),
        Write("a.avif", EncodeAvif(rgb)),
        Write("x.jxl", EncodeJxl(rgb)),
    };
    if (testutil::HaveExiftool()) {
        // ExifTool writes no JPEG XL.
        for (const char* name : {"turned.jpg", "turned.png", "turned.tif", "turned.webp"}) {
            const std::string ext = std::string(name).substr(std::string(name).rfind('.'));
            const std::string path = ext == ".jpg"   ? Write(name, EncodeJpeg(rgb))
                                     : ext == ".png" ? Write(name, EncodePng(rgb))
                                     : ext == ".tif" ? Write(name, EncodeTiff(rgb, TiffCompression::ZLib))
                                                     : Write(name, EncodeWebp(rgb));
            EXPECT_TRUE(testutil::TagAsCamera(path, ext == ".tif" ? 5 : 6)) << name;
            files.push_back(path);
        }
    }
    // The reference encoders' files: HEIF, an AVIF turned a quarter, and a JPEG
    // XL carrying a JPEG's EXIF box.
    const auto tool = [&](const char* name, const std::string& args, const std::string& out) {
        if (!testutil::HaveTool(name)) return;
        EXPECT_TRUE(testutil::RunTool(std::string("/usr/bin/") + name, args + " >/dev/null")) << out;
        files.push_back(dir_.file(out));
    };
    tool("heif-enc", Q(png) + " -o " + Q(dir_.file("h.heic")), "h.heic");
    tool("avifenc", "--irot 1 " + Q(png) + " " + Q(dir_.file("turned.avif")), "turned.avif");
    if (testutil::HaveExiftool())
        tool("cjxl", Q(dir_.file("turned.jpg")) + " " + Q(dir_.file("turned.jxl")), "turned.jxl");
    if (testutil::HaveTool("convert-im6.q16")) {
        for (const auto& [name, args] : std::vector<std::pair<std::string, std::string>>{
                 {"grey16.png", "-colorspace gray -depth 16 -define png:color-type=0"},
                 {"grey2.png", "-colorspace gray -depth 2 -define png:color-type=0"},
                 {"palette2.png", "-colors 4 -define png:bit-depth=2 -define png:color-type=3"},
                 {"rgba.png", "-alpha set -channel A -evaluate set 50%"},
                 {"rgb565.bmp", "-define bmp:subtype=RGB565"},
                 {"argb.bmp", "-alpha set -define bmp:format=bmp4"},
                 {"t32.tga", "-alpha set"},
                 {"grey.tga", "-colorspace gray"},
                 {"cmyk.jpg", "-colorspace cmyk"},
                 {"lzw.tif", "-compress lzw"},
                 {"rgb16.tif", "-depth 16"},
                 {"grey.psd", "-colorspace gray"},
                 {"rgba.psd", "-alpha set"},
             })
            files.push_back(Converted(png, name, args));
    }
    for (const std::string& f : files) ExpectToldAlike(f);
}

TEST_F(InfoProbe, WhatOnlyALoadTellsIsLeftToTheLoad) {
    Write("drawing.wmf", {1, 2, 3});
    Write("notes.txt", {'h', 'i'});
    const std::vector<uint8_t> png = EncodePng(MakePicture(9, 9, 24));
    Write("cut.png", {png.begin(), png.begin() + 20});  // within the header
    Write("junk.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 2});
    for (const char* name : {"drawing.wmf", "notes.txt", "cut.png", "junk.jpg", "missing.png"})
        EXPECT_FALSE(ProbePictureFacts(dir_.file(name))) << name;
}

// 2-bit grey rows of zeros: 20000 × 15000 is a small file that loads as a
// 150 MB picture of 4 bits.
std::vector<uint8_t> GreyPng(uint32_t w, uint32_t h) {
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    auto chunk = [&](const char* type, const std::vector<uint8_t>& data) {
        const uint32_t n = uint32_t(data.size());
        for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(n >> s));
        std::vector<uint8_t> body(type, type + 4);
        body.insert(body.end(), data.begin(), data.end());
        out.insert(out.end(), body.begin(), body.end());
        const uint32_t crc = uint32_t(crc32(0, body.data(), uInt(body.size())));
        for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(crc >> s));
    };
    std::vector<uint8_t> ihdr = {uint8_t(w >> 24), uint8_t(w >> 16), uint8_t(w >> 8), uint8_t(w),
                                 uint8_t(h >> 24), uint8_t(h >> 16), uint8_t(h >> 8), uint8_t(h),
                                 2, 0, 0, 0, 0};
    chunk("IHDR", ihdr);
    z_stream z{};
    deflateInit(&z, 9);
    std::vector<uint8_t> row(1 + (w * 2 + 7) / 8, 0), idat(1 << 20);
    std::vector<uint8_t> packed;
    for (uint32_t y = 0; y < h; ++y) {
        z.next_in = row.data();
        z.avail_in = uInt(row.size());
        const int flush = y + 1 == h ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = idat.data();
            z.avail_out = uInt(idat.size());
            deflate(&z, flush);
            packed.insert(packed.end(), idat.data(), idat.data() + (idat.size() - z.avail_out));
        } while (z.avail_out == 0);
    }
    deflateEnd(&z);
    chunk("IDAT", packed);
    chunk("IEND", {});
    return out;
}

// The address space the process has, plus `extra` bytes.
rlim_t AddressSpacePlus(rlim_t extra) {
    std::ifstream statm("/proc/self/statm");
    rlim_t pages = 0;
    statm >> pages;
    return pages * rlim_t(sysconf(_SC_PAGESIZE)) + extra;
}

TEST_F(InfoProbe, AHugePictureIsToldWithoutRoomForItsPixels) {
    const std::string path = Write("huge.png", GreyPng(20000, 15000));
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &before), 0);
    // Far less than the 150 MB picture; the file and the probe's own needs fit.
    rlimit tight = before;
    tight.rlim_cur = std::min(before.rlim_max, AddressSpacePlus(rlim_t(64) << 20));
    ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
    const auto start = std::chrono::steady_clock::now();
    const std::optional<PictureFacts> facts = ProbePictureFacts(path);
    const auto took = std::chrono::steady_clock::now() - start;
    setrlimit(RLIMIT_AS, &before);
    ASSERT_TRUE(facts);
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_EQ(facts->width, 20000);
    EXPECT_EQ(facts->height, 15000);
    EXPECT_EQ(facts->depth, 4);
    const FileInfoInput in = FileInfoFor(path, *facts, 24);
    EXPECT_EQ(in.pictureDescription, "20000x15000(4) dib");
    EXPECT_EQ(in.memoryBytes, 150000000);
    // Past the largest picture a load takes, the load answers.
    EXPECT_FALSE(ProbePictureFacts(Write("too-wide.png", GreyPng(Bitmap::kMaxSide + 1, 2))));
}

}  // namespace
}  // namespace vimbra
