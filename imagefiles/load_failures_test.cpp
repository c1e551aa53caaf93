// Loads that must fail cleanly, and the formats other modules plug in.
#include <gtest/gtest.h>

#include "imagefiles/codecs/bmp_codec.h"
#include "imagefiles/codecs/codec_test_util.h"
#include "imagefiles/codecs/jpeg_codec.h"
#include "imagefiles/codecs/png_codec.h"
#include "imagefiles/codecs/tiff_codec.h"
#include "imagefiles/load_dispatch.h"

namespace vimbra {
namespace {

using testutil::MakePicture;
using testutil::TempDir;
using testutil::WriteBytes;

const Bitmap kBefore = MakePicture(7, 5, 8, 99);

Workspace Occupied() {
    Workspace ws;
    ws.setImage(kBefore);
    ws.CurrentFileName = "/pictures/before.png";
    ws.Modified = true;
    ws.StatusText = "Ready.";
    return ws;
}

::testing::AssertionResult Untouched(const Workspace& ws) {
    if (!(ws.Image == kBefore)) return ::testing::AssertionFailure() << "picture changed";
    if (ws.ImageBitDepth != 8 || ws.ImageWidth != 7 || ws.ImageHeight != 5)
        return ::testing::AssertionFailure() << "depth or size changed";
    if (ws.CurrentFileName != "/pictures/before.png")
        return ::testing::AssertionFailure() << "name is " << ws.CurrentFileName;
    if (!ws.Modified) return ::testing::AssertionFailure() << "Modified cleared";
    if (ws.StatusText != "Ready.") return ::testing::AssertionFailure() << ws.StatusText;
    return ::testing::AssertionSuccess();
}

std::string LoadMessage(const std::string& path, const LoadOptions& options = {}) {
    Workspace ws = Occupied();
    const LoadResult r = LoadImageFile(ws, path, 0, options);
    EXPECT_FALSE(r.ok) << path;
    EXPECT_TRUE(Untouched(ws)) << path;
    return r.message;
}

std::vector<uint8_t> Prefix(const std::vector<uint8_t>& bytes, size_t n) {
    return {bytes.begin(), bytes.begin() + long(std::min(n, bytes.size()))};
}

TEST(LoadFailures, MalformedFilesGiveAMessageAndLeaveTheWorkspace) {
    TempDir dir;
    const Bitmap pic = MakePicture(40, 30, 24, 2);
    const auto png = EncodePng(pic);
    const auto jpg = EncodeJpeg(pic);
    const auto bmp = EncodeBmp(pic);
    const auto tif = EncodeTiff(pic, TiffCompression::PackBits);

    WriteBytes(dir.file("empty.png"), {});
    EXPECT_EQ(LoadMessage(dir.file("empty.png")), "Invalid PNG file");
    WriteBytes(dir.file("garbage.jpg"), std::vector<uint8_t>(500, 0x41));
    EXPECT_FALSE(LoadMessage(dir.file("garbage.jpg")).empty());
    WriteBytes(dir.file("short.png"), Prefix(png, png.size() / 2));
    EXPECT_FALSE(LoadMessage(dir.file("short.png")).empty());
    WriteBytes(dir.file("short.jpg"), Prefix(jpg, jpg.size() / 3));
    EXPECT_FALSE(LoadMessage(dir.file("short.jpg")).empty());
    WriteBytes(dir.file("short.bmp"), Prefix(bmp, 60));
    EXPECT_FALSE(LoadMessage(dir.file("short.bmp")).empty());
    WriteBytes(dir.file("short.tif"), Prefix(tif, 100));
    EXPECT_FALSE(LoadMessage(dir.file("short.tif")).empty());

    // A header claiming a huge picture in a tiny file is refused before allocating.
    std::vector<uint8_t> huge = Prefix(bmp, 54);
    huge[18] = huge[19] = huge[22] = huge[23] = 0xFF;  // 65535 × 65535
    huge[20] = huge[24] = 0;
    WriteBytes(dir.file("huge.bmp"), huge);
    EXPECT_FALSE(LoadMessage(dir.file("huge.bmp")).empty());

    // A truncated PNG named .jpg: the PNG reader's complaint is the last word.
    WriteBytes(dir.file("short-png.jpg"), Prefix(png, 60));
    EXPECT_NE(LoadMessage(dir.file("short-png.jpg")).find("PNG"), std::string::npos);

    EXPECT_EQ(LoadMessage(dir.file("missing.png")), "missing.png not found.");
    std::filesystem::create_directory(dir.file("folder.png"));
    EXPECT_EQ(LoadMessage(dir.file("folder.png")), "folder.png not found.");
    WriteBytes(dir.file("plain.xyz"), {'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(LoadMessage(dir.file("plain.xyz")), "Unknown file type: plain.xyz");
}

TEST(LoadFailures, DamagedBytesNeverEscapeAsAnythingButAFailedLoad) {
    TempDir dir;
    const Bitmap pic = MakePicture(24, 18, 8, 6);
    const std::pair<std::string, std::vector<uint8_t>> files[] = {
        {"m.png", EncodePng(pic)},
        {"m.bmp", EncodeBmp(pic)},
        {"m.jpg", EncodeJpeg(pic)},
        {"m.tif", EncodeTiff(pic, TiffCompression::ZLib)},
    };
    for (const auto& file : files) {
        const std::string& name = file.first;
        testutil::MutationSmoke(file.second, 40, [&](ByteSpan damaged) {
            WriteBytes(dir.file(name), {damaged.begin(), damaged.end()});
            Workspace ws = Occupied();
            const LoadResult r = LoadImageFile(ws, dir.file(name));
            if (!r.ok) {
                EXPECT_TRUE(Untouched(ws)) << name;
            }
        });
    }
}

TEST(LoadFailures, FilesThatAreNoPictureAreRoutedNotLoaded) {
    TempDir dir;
    for (const char* name : {"song.mp3", "notes.txt", "story.rtf", "show.avl", "pack.zip"}) {
        WriteBytes(dir.file(name), {'x'});
        Workspace ws = Occupied();
        const LoadResult r = LoadImageFile(ws, dir.file(name));
        EXPECT_FALSE(r.ok) << name;
        EXPECT_NE(r.file.kind, FileKind::Picture) << name;
        EXPECT_TRUE(Untouched(ws)) << name;
    }
    Workspace ws = Occupied();
    EXPECT_EQ(LoadImageFile(ws, dir.file("song.mp3")).file.kind, FileKind::Media);
    EXPECT_EQ(LoadImageFile(ws, dir.file("song.mp3")).message,
              "song.mp3 is an audio or video file.");
    EXPECT_EQ(LoadImageFile(ws, dir.file("notes.txt")).file.kind, FileKind::Text);
}

TEST(LoadFailures, MetafilesGoThroughTheirReader) {
    TempDir dir;
    WriteBytes(dir.file("a.wmf"), {1, 2, 3});
    EXPECT_EQ(LoadMessage(dir.file("a.wmf")), "Invalid Metafile.");
}

TEST(LoadFailures, PhotoCdAndLibraryFormatsGoThroughTheirReaders) {
    TempDir dir;
    WriteBytes(dir.file("img0001.pcd"), std::vector<uint8_t>(4096, 0));
    const std::string pcd = LoadMessage(dir.file("img0001.pcd"));
    EXPECT_NE(pcd.find("Bad Photo CD file"), std::string::npos) << pcd;
    // A 1 x 1 GIF, read through the imaging library.
    const std::vector<uint8_t> gif = {
        'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 255, 0, 0, 0, 0, 255,
        0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B};
    WriteBytes(dir.file("dot.gif"), gif);
    Workspace ws;
    ASSERT_TRUE(LoadImageFile(ws, dir.file("dot.gif"))) << LoadMessage(dir.file("dot.gif"));
    EXPECT_EQ(ws.Image.width(), 1);
    EXPECT_EQ(ws.Image.height(), 1);
}

TEST(LoadFailures, PhotoshopFilesGoThroughTheirReader) {
    TempDir dir;
    WriteBytes(dir.file("a.psd"), {'8', 'B', 'P', 'S', 0, 1});
    EXPECT_EQ(LoadMessage(dir.file("a.psd")), "Invalid image format");
    EXPECT_EQ(ProbeImageFile(dir.file("a.psd")).code, kProbeFailed);
    // A 2 x 1 greyscale picture, raw: header, empty sections, then the samples.
    std::vector<uint8_t> psd = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 1,  // 1 channel
                                0, 0, 0, 1, 0, 0, 0, 2, 0, 8, 0, 1,              // 1 x 2, 8 bits, grey
                                0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,        // no sections, raw
                                10, 250};
    WriteBytes(dir.file("b.psd"), psd);
    Workspace ws;
    ASSERT_TRUE(LoadImageFile(ws, dir.file("b.psd"))) << LoadMessage(dir.file("b.psd"));
    EXPECT_EQ(ws.Image.width(), 2);
    EXPECT_EQ(ws.Image.height(), 1);
    EXPECT_EQ(ws.Image.paletteIndex(1, 0), 250);
}

// A stand-in plug-in: a 3 × 2 picture of one colour.
PluginReader FakeReader(int* calls, uint8_t shade) {
    PluginReader r;
    r.probe = [](const ReadRequest&) { return ImageInfo{3, 2, 32, 1}; };
    r.decode = [calls, shade](const ReadRequest& q) {
        ++*calls;
        if (q.data.empty()) throw ImageFileError("empty");
        Bitmap b(3, 2, 24);
        std::fill(b.bits(), b.bits() + b.byteSize(), shade);
        return b;
    };
    return r;
}

TEST(LoadFailures, PluggedInReadersAreUsed) {
    TempDir dir;
    int psdCalls = 0, pcdCalls = 0, libraryCalls = 0, metaCalls = 0;
    PluginReaders plugins;
    plugins.photoshop = FakeReader(&psdCalls, 10);
    plugins.photoCd = FakeReader(&pcdCalls, 20);
    plugins.imagingLibrary = FakeReader(&libraryCalls, 30);
    plugins.metafile = FakeReader(&metaCalls, 40);
    LoadOptions o;
    o.plugins = &plugins;

    WriteBytes(dir.file("a.psd"), {'8', 'B', 'P', 'S', 0, 1});
    Workspace ws;
    LoadResult r = LoadImageFile(ws, dir.file("a.psd"), 0, o);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(psdCalls, 1);
    EXPECT_EQ(ws.Image.scanLine(0)[0], 10);
    EXPECT_EQ(ProbeImageFile(dir.file("a.psd"), o).info.bitCount, 24);  // 32 counts as 24

    // Photo CD only from image packs: the path must contain "img".
    WriteBytes(dir.file("IMG0001.PCD"), {1});
    WriteBytes(dir.file("overview.pcd"), {1});
    EXPECT_TRUE(LoadImageFile(ws, dir.file("IMG0001.PCD"), 0, o).ok);
    PluginReaders noLibrary = plugins;
    noLibrary.imagingLibrary = {};
    LoadOptions withoutLibrary;
    withoutLibrary.plugins = &noLibrary;
    EXPECT_EQ(LoadMessage(dir.file("overview.pcd"), withoutLibrary),
              "overview.pcd is not a Photo CD image pack.");
    EXPECT_EQ(pcdCalls, 1);

    // The imaging library gets what no own reader could read, and only that.
    WriteBytes(dir.file("odd.tga"), {0, 1, 2});
    r = LoadImageFile(ws, dir.file("odd.tga"), 0, o);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.file.reader, ImageReader::ImagingLibrary);
    WriteBytes(dir.file("good.png"), EncodePng(MakePicture(5, 5, 24)));
    EXPECT_EQ(LoadImageFile(ws, dir.file("good.png"), 0, o).file.reader, ImageReader::Png);
    EXPECT_EQ(libraryCalls, 1);

    // A metafile becomes an untitled 24-bit picture; a broken one is "Invalid Metafile.".
    WriteBytes(dir.file("a.emf"), {1});
    ws.Modified = true;
    r = LoadImageFile(ws, dir.file("a.emf"), 0, o);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.file.kind, FileKind::Metafile);
    EXPECT_EQ(ws.CurrentFileName, "Untitled");
    EXPECT_EQ(ws.ImageBitDepth, 24);
    EXPECT_FALSE(ws.Modified);
    WriteBytes(dir.file("broken.wmf"), {});
    EXPECT_EQ(LoadMessage(dir.file("broken.wmf"), o), "Invalid Metafile.");
}

}  // namespace
}  // namespace vimbra
