// Decoding ahead: what the worker hands over must be exactly what a direct
// load gives, and nothing stale, over budget or unreadable may be handed over.
#include "shell/preloader.h"
#include "shell/test_pictures.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "filters/memory_guard.h"
#include "imagefiles/codecs/codec_test_util.h"
#include "imagefiles/save_dispatch.h"

namespace vimbra {
namespace {

using testutil::TempDir;
using testutil::WriteBytes;

constexpr int kWait = 10000;

std::string Write(const std::string& path, int w, int h, int seed,
                  SaveFormat format = SaveFormat::Bmp) {
    return testing::WriteTexturedPicture(path, w, h, seed, format);
}


LoadOptions Viewer(int viewWidth = 200, int viewHeight = 150) {
    LoadOptions o;
    o.fitToWindow = true;
    o.viewWidth = viewWidth;
    o.viewHeight = viewHeight;
    o.backColor = PaletteEntry{10, 20, 30, 0};
    return o;
}

uint64_t g_available = 0;
uint64_t FixedMemory() { return g_available; }

class PreloaderTest : public ::testing::Test {
protected:
    void TearDown() override { SetAvailableMemoryProbe(nullptr); }
    TempDir dir_;
};

TEST_F(PreloaderTest, HandsOverExactlyWhatADirectLoadGives) {
    // 700 × 500 in a 200 × 150 view: the JPEG decodes at 1/2 (350 × 250 fits
    // 400 × 300), the others at full size.
    struct Case {
        const char* name;
        SaveFormat format;
        int width, height;
    };
    for (const Case c : {Case{"a.bmp", SaveFormat::Bmp, 31, 7}, Case{"b.png", SaveFormat::Png, 1, 9},
                         Case{"c.jpg", SaveFormat::Jpeg, 700, 500},
                         Case{"d.pcx", SaveFormat::Pcx, 9, 1},
                         Case{"e.tif", SaveFormat::TiffDeflate, 5, 5}}) {
        SCOPED_TRACE(c.name);
        const std::string path = Write(dir_.file(c.name), c.width, c.height, 3, c.format);
        Preloader p;
        p.want({path}, Viewer());
        ASSERT_TRUE(p.waitIdle(kWait));
        ASSERT_TRUE(p.ready(path));
        std::optional<PreloadedPicture> ready = p.take(path, Viewer());
        ASSERT_TRUE(ready);
        EXPECT_FALSE(p.ready(path));  // handed over, not copied

        Workspace ahead, direct;
        ahead.Modified = true;
        const LoadResult a = InstallPreloaded(ahead, path, std::move(*ready));
        const LoadResult d = LoadImageFile(direct, path, 0, Viewer());
        ASSERT_TRUE(a && d);
        EXPECT_TRUE(ahead.Image == direct.Image);
        EXPECT_EQ(ahead.ImageBitDepth, direct.ImageBitDepth);
        EXPECT_EQ(ahead.ImageWidth, direct.ImageWidth);
        EXPECT_EQ(ahead.ImageHeight, direct.ImageHeight);
        EXPECT_EQ(ahead.CurrentFileName, path);
        EXPECT_FALSE(ahead.Modified);
        EXPECT_EQ(a.file.reader, d.file.reader);
        EXPECT_EQ(a.file.fileWidth, c.width);
        EXPECT_EQ(a.file.reductionFactor, d.file.reductionFactor);
        EXPECT_EQ(a.file.loadedReduced, d.file.loadedReduced);
        EXPECT_EQ(a.file.pageCount, d.file.pageCount);
        if (c.format == SaveFormat::Jpeg) {
            EXPECT_EQ(ahead.ImageWidth, 350);
            EXPECT_EQ(a.file.reductionFactor, 2);
            EXPECT_EQ(ahead.StatusText.rfind("Loaded ", 0), 0u) << ahead.StatusText;
        } else {
            EXPECT_EQ(ahead.StatusText, "Ready.");
        }
    }
}

TEST_F(PreloaderTest, StaleAfterTheFileChangedOnDisk) {
    const std::string path = Write(dir_.file("a.bmp"), 8, 8, 1);
    Preloader p;
    p.want({path}, Viewer());
    ASSERT_TRUE(p.waitIdle(kWait) && p.ready(path));
    // Same size, other pixels, later time: only the time tells them apart.
    const auto before = std::filesystem::last_write_time(path);
    Write(path, 8, 8, 2);
    std::filesystem::last_write_time(path, before + std::chrono::seconds(2));
    EXPECT_FALSE(p.take(path, Viewer()));
    EXPECT_EQ(p.count(), 0u);  // the stale entry is gone, not kept for later

    // Asked again, the new content is decoded.
    p.want({path}, Viewer());
    ASSERT_TRUE(p.waitIdle(kWait));
    std::optional<PreloadedPicture> fresh = p.take(path, Viewer());
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->picture.bitmap.scanLine(0)[0], 2);  // blue of pixel 0 with seed 2
}

TEST_F(PreloaderTest, VanishedAndUnreadableFilesAreNotHeld) {
    const std::string gone = Write(dir_.file("gone.bmp"), 4, 4, 1);
    const std::string later = Write(dir_.file("later.bmp"), 4, 4, 1);
    const std::string broken = dir_.file("broken.png");
    WriteBytes(broken, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 1, 2, 3});
    std::filesystem::remove(gone);
    Preloader p;
    p.want({gone, broken, dir_.file("never.jpg"), later}, Viewer());
    ASSERT_TRUE(p.waitIdle(kWait));
    EXPECT_EQ(p.count(), 1u);
    EXPECT_FALSE(p.take(gone, Viewer()));
    EXPECT_FALSE(p.take(broken, Viewer()));
    // Deleted after it was decoded: the picture may not be shown any more.
    ASSERT_TRUE(p.ready(later));
    std::filesystem::remove(later);
    EXPECT_FALSE(p.take(later, Viewer()));
}

TEST_F(PreloaderTest, OnlyFilesOfTheOwnCodecs) {
    EXPECT_TRUE(Preloadable("/x/a.JPG"));
    EXPECT_TRUE(Preloadable("/x/a.tiff"));
    EXPECT_TRUE(Preloadable("/x/a.psd"));
    EXPECT_FALSE(Preloadable("/x/a.wmf"));   // drawn by Qt on the GUI thread
    EXPECT_FALSE(Preloadable("/x/a.txt"));   // a text page
    EXPECT_FALSE(Preloadable("/x/a.mp3"));   // the media player
    EXPECT_FALSE(Preloadable("/x/noext"));   // left to the imaging library
    const std::string meta = dir_.file("a.wmf");
    WriteBytes(meta, {0xD7, 0xCD, 0xC6, 0x9A});
    Preloader p;
    p.want({meta}, Viewer());
    ASSERT_TRUE(p.waitIdle(kWait));
    EXPECT_EQ(p.count(), 0u);
}

TEST_F(PreloaderTest, DecodedWithOtherOptionsIsNotHandedOver) {
    const std::string path = Write(dir_.file("a.jpg"), 700, 500, 1, SaveFormat::Jpeg);
    Preloader p;
    p.want({path}, Viewer(200, 150));
    ASSERT_TRUE(p.waitIdle(kWait) && p.ready(path));
    // The window grew: the JPEG would now decode at full size.
    EXPECT_FALSE(p.take(path, Viewer(400, 300)));
}

TEST_F(PreloaderTest, OptionsCompareByWhatTheyDecide) {
    const LoadOptions base = Viewer();
    LoadOptions o = base;
    PluginReaders none;
    o.plugins = &none;
    EXPECT_TRUE(SameLoadOptions(base, o));
    const auto differs = [&](auto change) {
        LoadOptions c = base;
        change(c);
        return !SameLoadOptions(base, c);
    };
    EXPECT_TRUE(differs([](LoadOptions& c) { c.fitToWindow = false; }));
    EXPECT_TRUE(differs([](LoadOptions& c) { c.halfJpeg = true; }));
    EXPECT_TRUE(differs([](LoadOptions& c) { c.autoReduce = true; }));
    EXPECT_TRUE(differs([](LoadOptions& c) { c.faxQuality = 2; }));
    EXPECT_TRUE(differs([](LoadOptions& c) { c.backColor.green = 21; }));
    EXPECT_TRUE(differs([](LoadOptions& c) { c.viewHeight = 151; }));
    EXPECT_TRUE(differs([](LoadOptions& c) { c.displayBitDepth = 8; }));
}

TEST_F(PreloaderTest, HoldsAtMostTwoPictures) {
    const std::string a = Write(dir_.file("a.bmp"), 4, 4, 1);
    const std::string b = Write(dir_.file("b.bmp"), 4, 4, 2);
    const std::string c = Write(dir_.file("c.bmp"), 4, 4, 3);
    Preloader p;
    p.want({a, b, c}, Viewer());
    ASSERT_TRUE(p.waitIdle(kWait));
    EXPECT_EQ(p.count(), 2u);
    EXPECT_TRUE(p.ready(a) && p.ready(b));  // most wanted first
    // A new wish drops what it does not name.
    p.want({c}, Viewer());
    ASSERT_TRUE(p.waitIdle(kWait));
    EXPECT_FALSE(p.ready(a) || p.ready(b));
    EXPECT_TRUE(p.ready(c));
    p.clear();
    EXPECT_EQ(p.count(), 0u);
    EXPECT_EQ(p.bytesHeld(), 0u);
}

TEST_F(PreloaderTest, StaysWithinTheMemoryBudget) {
    // 30 × 20 at 24 bits: rows of 90 bytes padded to 92, 1840 bytes.
    const std::string a = Write(dir_.file("a.bmp"), 30, 20, 1);
    const std::string b = Write(dir_.file("b.bmp"), 30, 20, 2);
    {
        PreloadBudget budget;
        budget.maxBytes = 1840;  // room for exactly one
        Preloader p(budget);
        p.want({a, b}, Viewer());
        ASSERT_TRUE(p.waitIdle(kWait));
        EXPECT_EQ(p.count(), 1u);
        EXPECT_EQ(p.bytesHeld(), 1840u);
    }
    {
        // A quarter of what is available: 4 × 1840 − 1 leaves 1839.
        g_available = 4 * 1840 - 1;
        SetAvailableMemoryProbe(FixedMemory);
        Preloader p;
        p.want({a}, Viewer());
        ASSERT_TRUE(p.waitIdle(kWait));
        EXPECT_EQ(p.count(), 0u);
    }
    {
        // The reading after the decode already counts the picture itself.
        g_available = 8 * 1840;
        SetAvailableMemoryProbe(FixedMemory);
        Preloader p;
        p.want({a}, Viewer());
        ASSERT_TRUE(p.waitIdle(kWait));
        EXPECT_EQ(p.count(), 1u);
    }
}

TEST_F(PreloaderTest, StampsSizeAndTime) {
    EXPECT_FALSE(StampOf(dir_.file("none")).exists);
    const std::string path = dir_.file("x.bin");
    WriteBytes(path, {1, 2, 3});
    const FileStamp s = StampOf(path);
    EXPECT_TRUE(s.exists);
    EXPECT_EQ(s.size, 3u);
    WriteBytes(path, {1, 2, 3, 4});
    EXPECT_EQ(StampOf(path).size, 4u);
}

}  // namespace
}  // namespace vimbra
