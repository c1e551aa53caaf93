// Script lines of the geometry keywords through the parser and the table.
#include <gtest/gtest.h>

#include <vector>

#include "batch/script_test_util.h"
#include "filters/geometry_test_util.h"

namespace vimbra {
namespace {

using testutil::Blues;
using testutil::Numbered;

TEST(GeometryScript, EveryKeywordHasItsHandler) {
    for (const char* k : {"MOSAIC", "BORDER", "BORDER_TOPBOT", "INTERLACE", "RESIZE", "RESAMPLE",
                          "DOWNSAMPLE", "ROTATE"}) {
        const Command* c = FindBipCommand(k);
        ASSERT_NE(c, nullptr) << k;
        EXPECT_NE(c->run, nullptr) << k;
    }
}

TEST(GeometryScript, Ranges) {
    Script s(Numbered(3, 2));
    for (const char* line : {"MOSAIC=1", "MOSAIC=17", "BORDER=0,0,5", "BORDER=0,5,240",
                             "BORDER_TOPBOT=0,240,1", "RESIZE=0,100", "RESAMPLE=100,16385",
                             "DOWNSAMPLE=16385,5", "ROTATE=0", "ROTATE=360", "ROTATE=-90"})
        EXPECT_EQ(s.line(line), BipOutcome::OutOfRange) << line;
    EXPECT_EQ(s.ws.Image, Numbered(3, 2));
}

TEST(GeometryScript, RotateClockwiseByRightAngles) {
    {
        Script s(Numbered(3, 2));
        EXPECT_EQ(s.line("ROTATE=90"), BipOutcome::Ran);
        EXPECT_EQ(s.ws.ImageWidth, 2);
        EXPECT_EQ(s.ws.ImageHeight, 3);
        EXPECT_EQ(Blues(s.ws.Image), (std::vector<int>{40, 10, 50, 20, 60, 30}));
    }
    {
        Script s(Numbered(3, 2));
        s.line("ROTATE=180");
        EXPECT_EQ(Blues(s.ws.Image), (std::vector<int>{60, 50, 40, 30, 20, 10}));
    }
    {
        Script s(Numbered(3, 2));
        s.line("ROTATE=270");
        EXPECT_EQ(Blues(s.ws.Image), (std::vector<int>{30, 60, 20, 50, 10, 40}));
        EXPECT_FALSE(s.ws.CancelRequested);
    }
    {
        Script s(Numbered(1, 1));
        s.line("ROTATE=90");
        EXPECT_EQ(Blues(s.ws.Image), (std::vector<int>{10}));
    }
}

TEST(GeometryScript, DownsampleFitsIntoTheBox) {
    Script s(Bitmap(1600, 1200, 24));
    EXPECT_EQ(s.line("DOWNSAMPLE=800,800"), BipOutcome::Ran);
    EXPECT_EQ(s.ws.ImageWidth, 800);
    EXPECT_EQ(s.ws.ImageHeight, 600);
    // Already inside: unchanged.
    Script inside(Numbered(40, 30));
    inside.ws.Modified = false;
    EXPECT_EQ(inside.line("DOWNSAMPLE=800,800"), BipOutcome::Ran);
    EXPECT_EQ(inside.ws.Image, Numbered(40, 30));
    EXPECT_FALSE(inside.ws.Modified);
}

TEST(GeometryScript, ResizeAndResampleBothSmooth) {
    Script s(Numbered(4, 4));
    s.line("RESAMPLE=10,10");  // 15 or less: nothing
    EXPECT_EQ(s.ws.ImageWidth, 4);
    s.line("RESIZE=32,16");
    EXPECT_EQ(s.ws.ImageWidth, 32);
    EXPECT_EQ(s.ws.ImageHeight, 16);
    EXPECT_EQ(s.ws.Image.scanLine(8)[3 * 16 + 1], 1);  // green stays 1 throughout
    s.line("RESAMPLE=16,16");
    EXPECT_EQ(s.ws.ImageWidth, 16);
    EXPECT_TRUE(s.host.recordedLines.empty());
}

TEST(GeometryScript, MosaicLine) {
    Script s(Numbered(3, 2));  // blue 10 20 30 / 40 50 60
    EXPECT_EQ(s.line("MOSAIC=2"), BipOutcome::Ran);
    // Left block: 10 20 40 50 → 30. Right block: column 2 and column 1
    // (one left of the block's first column): 30 20 60 50 → 40.
    EXPECT_EQ(Blues(s.ws.Image), (std::vector<int>{30, 30, 40, 30, 30, 40}));
}

TEST(GeometryScript, BorderLines) {
    Script s(Numbered(4, 3));
    EXPECT_EQ(s.line("BORDER=255,1,1"), BipOutcome::Ran);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool band = x == 0 || x == 3 || y == 0 || y == 2;
            EXPECT_EQ(s.pixel(x, y)[2], band ? 255 : 0) << x << "," << y;
        }
    EXPECT_EQ(s.pixel(1, 1)[0], 60);

    Script t(Numbered(2, 4));
    EXPECT_EQ(t.line("BORDER_TOPBOT=16711680,1,2"), BipOutcome::Ran);  // blue
    EXPECT_EQ(Blues(t.ws.Image), (std::vector<int>{255, 255, 30, 40, 255, 255, 255, 255}));
}

}  // namespace
}  // namespace vimbra
