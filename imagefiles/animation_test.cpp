#include "imagefiles/animation.h"

#include <gtest/gtest.h>

#include "imagefiles/codecs/modern_codec_test_util.h"
#include "imagefiles/codecs/webp_codec.h"
#include "imagefiles/load_dispatch.h"

namespace vimbra {
namespace {

using testutil::Q;
using testutil::ReadBytes;

void Fill(Bitmap& b, int x0, int y0, int w, int h, uint8_t blue, uint8_t green, uint8_t red) {
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) {
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = blue, p[1] = green, p[2] = red;
        }
}

Bitmap Flat(int w, int h, uint8_t blue, uint8_t green, uint8_t red) {
    Bitmap b(w, h, 24);
    Fill(b, 0, 0, w, h, blue, green, red);
    return b;
}

// Every frame until the decoder says there are no more (at most `limit`).
std::vector<AnimationFrame> AllFrames(AnimationDecoder& d, size_t limit = 64) {
    std::vector<AnimationFrame> out;
    AnimationFrame f;
    while (out.size() < limit && d.next(f)) out.push_back(std::move(f));
    return out;
}

std::unique_ptr<AnimationDecoder> Open(const std::string& path) {
    return OpenAnimation(ReadBytes(path), PaletteEntry{255, 255, 255, 0});
}

// Three lossless frames, each changing part of the one before, so img2webp
// stores sub-rectangles and we have to put them together again.
struct WebpFixture {
    testutil::TempDir dir;
    std::vector<Bitmap> frames;
    std::string path = dir.file("anim.webp");

    bool make() {
        Bitmap f = testutil::MakePicture(24, 16, 24, 3);
        frames.push_back(f);
        Fill(f, 2, 3, 7, 5, 10, 200, 30);
        frames.push_back(f);
        Fill(f, 15, 9, 6, 4, 250, 0, 90);
        frames.push_back(f);
        std::string args = "-loop 0 -lossless";
        const int delays[] = {80, 120, 40};
        for (size_t i = 0; i < frames.size(); ++i) {
            const std::string png = dir.file("f" + std::to_string(i) + ".png");
            testutil::WriteBytes(png, EncodePng(frames[i]));
            args += " -d " + std::to_string(delays[i]) + " " + Q(png);
        }
        return testutil::RunTool("/usr/bin/img2webp", args + " -o " + Q(path));
    }
};

TEST(Animation, WebpFramesDelaysAndPixelsAsImg2webpWasGiven) {
    VIMBRA_NEED_TOOL("img2webp");
    WebpFixture fx;
    ASSERT_TRUE(fx.make());
    auto d = Open(fx.path);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->frameCount(), 3);
    EXPECT_EQ(d->width(), 24);
    EXPECT_EQ(d->height(), 16);
    std::vector<AnimationFrame> frames = AllFrames(*d);
    ASSERT_EQ(frames.size(), 3u);
    const int delays[] = {80, 120, 40};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        EXPECT_EQ(frames[i].delayMs, delays[i]);
        EXPECT_TRUE(testutil::SameLook(frames[i].bitmap, fx.frames[i]));
    }
    // Round two starts again at the first frame.
    d->rewind();
    AnimationFrame again;
    ASSERT_TRUE(d->next(again));
    EXPECT_EQ(again.delayMs, 80);
    EXPECT_TRUE(testutil::SameLook(again.bitmap, fx.frames[0]));
    // The first frame is exactly what the still reader makes the working picture.
    EXPECT_TRUE(testutil::SameLook(ReadImageFile(fx.path).bitmap, frames[0].bitmap));
}

// Partial frames, one disposed to the frame before it: ImageMagick's
// coalesced frames are the reference for our GIF reading, and for the WebP
// that gif2webp makes of the same file.
TEST(Animation, GifAndItsWebpComposeAsImageMagickCoalesces) {
    const std::string im = testutil::ImageMagick();
    if (im.empty()) GTEST_SKIP() << "ImageMagick not installed";
    testutil::TempDir dir;
    Bitmap base = Flat(20, 12, 200, 40, 0);
    Fill(base, 0, 0, 10, 6, 0, 180, 250);
    testutil::WriteBytes(dir.file("f0.png"), EncodePng(base));
    testutil::WriteBytes(dir.file("f1.png"), EncodePng(Flat(6, 4, 0, 0, 255)));
    testutil::WriteBytes(dir.file("f2.png"), EncodePng(Flat(5, 5, 0, 255, 0)));
    testutil::WriteBytes(dir.file("f3.png"), EncodePng(Flat(4, 3, 255, 255, 255)));
    const std::string gif = dir.file("anim.gif");
    ASSERT_TRUE(testutil::RunTool(
        im, "-dispose none -delay 8 " + Q(dir.file("f0.png")) + " -delay 12 -page +3+2 " +
                Q(dir.file("f1.png")) + " -dispose previous -delay 4 -page +10+5 " +
                Q(dir.file("f2.png")) + " -dispose none -delay 20 -page +1+7 " +
                Q(dir.file("f3.png")) + " -loop 0 " + Q(gif)));
    ASSERT_TRUE(testutil::RunTool(im, Q(gif) + " -coalesce +adjoin " + Q(dir.file("c%d.ppm"))));
    std::vector<Bitmap> expected;
    for (int i = 0; i < 4; ++i) expected.push_back(testutil::ReadPpm(dir.file("c" + std::to_string(i) + ".ppm")));
    // The third frame is gone again under the fourth.
    ASSERT_EQ(expected[3].width(), 20);
    EXPECT_EQ(expected[3].scanLine(6)[3 * 11 + 1], 40);

    const auto check = [&](const std::string& path) {
        SCOPED_TRACE(path);
        auto d = Open(path);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->frameCount(), 4);
        const std::vector<AnimationFrame> frames = AllFrames(*d);
        ASSERT_EQ(frames.size(), 4u);
        const int delays[] = {80, 120, 40, 200};
        for (size_t i = 0; i < 4; ++i) {
            SCOPED_TRACE("frame " + std::to_string(i));
            EXPECT_EQ(frames[i].delayMs, delays[i]);
            EXPECT_TRUE(testutil::SameLook(frames[i].bitmap, expected[i]));
        }
        EXPECT_TRUE(testutil::SameLook(ReadImageFile(path).bitmap, frames[0].bitmap));
    };
    check(gif);
    if (testutil::HaveTool("gif2webp")) {
        ASSERT_TRUE(testutil::RunTool("/usr/bin/gif2webp", "-quiet " + Q(gif) + " -o " + Q(dir.file("anim.webp"))));
        check(dir.file("anim.webp"));
    }
}

TEST(Animation, StillsAndOtherFilesAreNoAnimation) {
    const Bitmap pic = testutil::MakePicture(8, 8, 24);
    EXPECT_FALSE(OpenAnimation(EncodeWebp(pic), {}));
    EXPECT_FALSE(OpenAnimation(EncodePng(pic), {}));
    EXPECT_FALSE(OpenAnimation({}, {}));
    // A GIF of one frame.
    const std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0xFF, 0, 0, 0, 0, 0,
                                      ',', 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0, ';'};
    EXPECT_FALSE(OpenAnimation(gif, {}));
}

// Hostile files: a refusal, no animation, or an early end; never more.
TEST(Animation, DamagedAnimationsEndQuietly) {
    VIMBRA_NEED_TOOL("img2webp");
    WebpFixture fx;
    ASSERT_TRUE(fx.make());
    const std::vector<uint8_t> file = ReadBytes(fx.path);
    const auto play = [](ByteSpan d) {
        auto a = OpenAnimation(std::vector<uint8_t>(d.begin(), d.end()), {});
        if (!a) return;
        AllFrames(*a);
        a->rewind();
        AllFrames(*a);
    };
    for (size_t n = 0; n < file.size(); n += 7) testutil::ExpectOnlyImageFileError([&] { play(ByteSpan(file.data(), n)); });
    testutil::MutationSmoke(file, 300, play);

    // A screen past the picture caps: nothing of its size is made.
    std::vector<uint8_t> huge = {'G', 'I', 'F', '8', '9', 'a', 0x40, 0x9C, 0x40, 0x9C, 0, 0, 0};
    for (int i = 0; i < 2; ++i)
        huge.insert(huge.end(), {',', 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0});
    huge.push_back(';');
    testutil::ExpectOnlyImageFileError([&] {
        if (auto a = OpenAnimation(huge, {})) {
            for (const AnimationFrame& f : AllFrames(*a)) EXPECT_LE(f.bitmap.width(), Bitmap::kMaxSide);
        }
    });
}

TEST(Animation, ShownDelays) {
    EXPECT_EQ(ShownDelayMs(0), 100);
    EXPECT_EQ(ShownDelayMs(10), 100);
    EXPECT_EQ(ShownDelayMs(11), 11);
    EXPECT_EQ(ShownDelayMs(2500), 2500);
}

}  // namespace
}  // namespace vimbra
