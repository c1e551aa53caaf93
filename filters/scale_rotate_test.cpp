// The working picture through the imaging library: exact quarter turns and
// mirrors, a failed call that leaves the picture, and smooth scaling and
// rotation by any angle beside ImageMagick.
#include "filters/scale_rotate.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "filters/geometry_test_util.h"

namespace vimbra {
namespace {

namespace fs = std::filesystem;

constexpr const char* kMagick = "/usr/bin/convert-im6.q16";

using testutil::Blues;
using testutil::Numbered;

struct LibraryPicture : ::testing::Test {
    FrameHost host;
    Workspace ws{host};
};

// The single quarter turns are checked through their script lines.
TEST_F(LibraryPicture, FourQuarterTurnsOrAFullTurnGiveThePictureBack) {
    ws.setImage(Numbered(3, 2));
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(RotateWorkingImage(ws, RotateAngleForDegrees(90), 0));
    EXPECT_EQ(ws.Image, Numbered(3, 2));
    ASSERT_TRUE(RotateWorkingImage(ws, RotateAngleForDegrees(360), 0));
    EXPECT_EQ(ws.Image, Numbered(3, 2));
    EXPECT_TRUE(ws.Modified);
}

TEST_F(LibraryPicture, TinyPicturesTurnAndMirror) {
    ws.setImage(Numbered(1, 1));
    ASSERT_TRUE(RotateWorkingImage(ws, RotateAngleForDegrees(90), 0));
    EXPECT_EQ(Blues(ws.Image), (std::vector<int>{10}));
    ws.setImage(Numbered(1, 4));  // a column becomes a row
    ASSERT_TRUE(RotateWorkingImage(ws, RotateAngleForDegrees(90), 0));
    EXPECT_EQ(Blues(ws.Image), (std::vector<int>{40, 30, 20, 10}));
    ws.setImage(Numbered(2, 2));
    ASSERT_TRUE(MirrorWorkingImage(ws, false));
    EXPECT_EQ(Blues(ws.Image), (std::vector<int>{20, 10, 40, 30}));
}

TEST_F(LibraryPicture, MirrorBothWays) {
    ws.setImage(Numbered(3, 2));
    ASSERT_TRUE(MirrorWorkingImage(ws, true));
    EXPECT_EQ(Blues(ws.Image), (std::vector<int>{40, 50, 60, 10, 20, 30}));
    ws.setImage(Numbered(3, 2));
    ASSERT_TRUE(MirrorWorkingImage(ws, false));
    EXPECT_EQ(Blues(ws.Image), (std::vector<int>{30, 20, 10, 60, 50, 40}));
}

TEST_F(LibraryPicture, AnyAngleEnlargesAndFillsTheCorners) {
    Bitmap grey(40, 20, 24);
    for (int y = 0; y < 20; ++y) std::fill_n(grey.scanLine(y), 120, 100);
    ws.setImage(grey);
    ASSERT_TRUE(RotateWorkingImage(ws, RotateAngleForDegrees(45), 0x00332211));
    // Bounding box of 40 × 20 at 45°: 60 × 0.7071 = 42.4 each way.
    EXPECT_EQ(ws.ImageWidth, 42);
    EXPECT_EQ(ws.ImageHeight, 42);
    const uint8_t* corner = ws.Image.scanLine(0);
    EXPECT_EQ(corner[0], 0x33);  // blue
    EXPECT_EQ(corner[1], 0x22);
    EXPECT_EQ(corner[2], 0x11);
    const uint8_t* centre = ws.Image.scanLine(21) + 3 * 21;
    EXPECT_EQ(centre[0], 100);
}

TEST_F(LibraryPicture, FailedCallLeavesThePictureAndCancels) {
    // Turned by 45°, a 30000 × 1 strip would need 21214 × 21214 pixels.
    Bitmap strip(30000, 1, 24);
    strip.scanLine(0)[5] = 77;
    ws.setImage(strip);
    ws.BatchRunning = true;
    EXPECT_FALSE(RotateWorkingImage(ws, RotateAngleForDegrees(45), 0));
    EXPECT_EQ(ws.Image, strip);
    EXPECT_EQ(ws.ImageWidth, 30000);
    EXPECT_TRUE(ws.CancelRequested);
    EXPECT_FALSE(ws.Modified);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0], "The rotated picture would be too large.");
    EXPECT_EQ(ImgOpenCount(), 0);
}

TEST_F(LibraryPicture, ResampleRules) {
    ws.setImage(Numbered(20, 20));
    EXPECT_FALSE(ResampleWorkingImage(ws, 20, 20));  // same size
    EXPECT_FALSE(ResampleWorkingImage(ws, 15, 40));  // 15 or less
    EXPECT_FALSE(ResampleWorkingImage(ws, 40, 15));
    EXPECT_EQ(ws.ImageWidth, 20);
    ASSERT_TRUE(ResampleWorkingImage(ws, 16, 16));
    EXPECT_EQ(ws.ImageWidth, 16);
    EXPECT_EQ(ws.Image.depth(), 24);
    // Resize has no lower limit.
    ASSERT_TRUE(ResizeWorkingImage(ws, 1, 1, CopyModeForIndex(0)));
    EXPECT_EQ(ws.ImageWidth, 1);
    EXPECT_EQ(CopyModeForIndex(0), kImgCopySmooth);
    EXPECT_EQ(CopyModeForIndex(1), kImgCopyPreserveBlack);
    EXPECT_EQ(CopyModeForIndex(2), kImgCopyPreserveWhite);
    EXPECT_EQ(ImgOpenCount(), 0);
}

TEST_F(LibraryPicture, PreserveBlackKeepsThinLines) {
    // A one-pixel black line across white survives halving in that mode only.
    Bitmap b(8, 8, 24);
    for (int y = 0; y < 8; ++y) std::fill_n(b.scanLine(y), 24, y == 3 ? 0 : 255);
    ws.setImage(b);
    ASSERT_TRUE(ResizeWorkingImage(ws, 4, 4, CopyModeForIndex(1)));
    EXPECT_EQ(ws.Image.scanLine(1)[0], 0);
    EXPECT_EQ(ws.Image.scanLine(0)[0], 255);
    ws.setImage(b);
    ASSERT_TRUE(ResizeWorkingImage(ws, 4, 4, CopyModeForIndex(2)));
    for (int y = 0; y < 4; ++y) EXPECT_EQ(ws.Image.scanLine(y)[0], 255) << y;
}

// --- Beside ImageMagick

class BesideMagick : public LibraryPicture {
protected:
    void SetUp() override {
        if (::access(kMagick, X_OK) != 0) GTEST_SKIP() << kMagick << " is not installed";
        dir_ = fs::temp_directory_path() / ("vimbra-geom-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        if (!dir_.empty()) fs::remove_all(dir_);
    }

    // A photograph-like scene: smooth gradients and a soft-edged disc.
    static Bitmap Scene(int w, int h) {
        Bitmap b(w, h, 24);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const double dx = x - w * 0.4, dy = y - h * 0.5, r = std::sqrt(dx * dx + dy * dy);
                const double disc = std::clamp((h * 0.3 - r) / 6.0, 0.0, 1.0);
                uint8_t* p = b.scanLine(y) + 3 * x;
                p[0] = uint8_t(40 + 150 * x / w);
                p[1] = uint8_t(30 + 180 * y / h * (1 - disc) + 220 * disc * 0.8);
                p[2] = uint8_t(200 - 120 * (x + y) / (w + h));
            }
        return b;
    }

    bool WritePpm(const Bitmap& b, const fs::path& path) {
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) return false;
        std::fprintf(f, "P6\n%d %d\n255\n", b.width(), b.height());
        for (int y = 0; y < b.height(); ++y)
            for (int x = 0; x < b.width(); ++x) {
                const uint8_t* p = b.scanLine(y) + 3 * x;
                const uint8_t rgb[3] = {p[2], p[1], p[0]};
                std::fwrite(rgb, 1, 3, f);
            }
        return std::fclose(f) == 0;
    }

    Bitmap ReadPpm(const fs::path& path) {
        FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) return {};
        int w = 0, h = 0, max = 0;
        if (std::fscanf(f, "P6 %d %d %d", &w, &h, &max) != 3 || max != 255 || std::fgetc(f) == EOF) {
            std::fclose(f);
            return {};
        }
        Bitmap b(w, h, 24);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint8_t rgb[3] = {0, 0, 0};
                if (std::fread(rgb, 1, 3, f) != 3) break;
                uint8_t* p = b.scanLine(y) + 3 * x;
                p[0] = rgb[2], p[1] = rgb[1], p[2] = rgb[0];
            }
        std::fclose(f);
        return b;
    }

    Bitmap Magick(const Bitmap& in, const std::string& args) {
        const fs::path src = dir_ / "in.ppm", out = dir_ / "out.ppm";
        if (!WritePpm(in, src)) return {};
        const std::string cmd = std::string(kMagick) + " " + src.string() + " " + args + " " + out.string();
        if (std::system(cmd.c_str()) != 0) return {};
        return ReadPpm(out);
    }

    // Mean absolute difference per channel over the pixels at least `margin`
    // inside both pictures, centres aligned.
    static double MeanError(const Bitmap& a, const Bitmap& b, int margin) {
        const int dx = (b.width() - a.width()) / 2, dy = (b.height() - a.height()) / 2;
        double sum = 0;
        int64_t n = 0;
        for (int y = margin; y < a.height() - margin; ++y)
            for (int x = margin; x < a.width() - margin; ++x) {
                const int bx = x + dx, by = y + dy;
                if (bx < margin || by < margin || bx >= b.width() - margin || by >= b.height() - margin) continue;
                const uint8_t* p = a.scanLine(y) + 3 * x;
                const uint8_t* q = b.scanLine(by) + 3 * bx;
                for (int c = 0; c < 3; ++c) sum += std::abs(int(p[c]) - int(q[c]));
                n += 3;
            }
        return n ? sum / double(n) : 1e9;
    }

    fs::path dir_;
};

TEST_F(BesideMagick, ResampleIsCloseToResize) {
    const Bitmap scene = Scene(600, 400);
    const Bitmap theirs = Magick(scene, "-resize 150x100!");
    ASSERT_EQ(theirs.width(), 150);
    ws.setImage(scene);
    ASSERT_TRUE(ResampleWorkingImage(ws, 150, 100));
    EXPECT_LT(MeanError(ws.Image, theirs, 0), 1.5);

    const Bitmap larger = Magick(scene, "-resize 900x700!");
    ASSERT_EQ(larger.width(), 900);
    ws.setImage(scene);
    ASSERT_TRUE(ResampleWorkingImage(ws, 900, 700));
    EXPECT_LT(MeanError(ws.Image, larger, 0), 1.5);
}

TEST_F(BesideMagick, RotationIsCloseToRotate) {
    const Bitmap scene = Scene(300, 200);
    for (int degrees : {10, 33, 300}) {
        SCOPED_TRACE(degrees);
        const Bitmap theirs = Magick(scene, "-background white -rotate " + std::to_string(degrees));
        ASSERT_FALSE(theirs.isEmpty());
        ws.setImage(scene);
        ASSERT_TRUE(RotateWorkingImage(ws, RotateAngleForDegrees(degrees), 0x00FFFFFF));
        // ImageMagick's shears leave a pixel or two more canvas on each side.
        EXPECT_LE(std::abs(ws.ImageWidth - theirs.width()), 4);
        EXPECT_LE(std::abs(ws.ImageHeight - theirs.height()), 4);
        // The fill and the turned scene agree away from the cut edges.
        EXPECT_LT(MeanError(ws.Image, theirs, 3), 1.5);
    }
}

}  // namespace
}  // namespace vimbra
