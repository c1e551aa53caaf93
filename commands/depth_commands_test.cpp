#include "commands/depth_commands.h"

#include <gtest/gtest.h>

#include "filters/depth_test_pictures.h"
#include "filters/session_test_util.h"

namespace vimbra {
namespace {

TEST(DoGrayTest, ScriptLineWidensPalettePictureAndMarksModified) {
    Bitmap pal(2, 1, 8);
    pal.palette() = {PaletteEntry{255, 255, 255, 0}, PaletteEntry{100, 50, 0, 0}};
    pal.scanLine(0)[1] = 1;
    Session s(std::move(pal));
    BipGrayscale(s.ws);
    EXPECT_EQ(s.ws.Image.depth(), 24);
    EXPECT_EQ(s.ws.ImageBitDepth, 24);
    EXPECT_EQ(RgbAt(s.ws.Image, 0, 0), 0xFEFEFEu);
    EXPECT_EQ(RgbAt(s.ws.Image, 1, 0), 0x3C3C3Cu);  // 30 + 30 + 0
    EXPECT_TRUE(s.ws.Modified);
    EXPECT_GE(s.host.refreshCount, 1);
}

TEST(ReductionTableTest, FlagsColoursAndDisplayDepth) {
    const auto check = [](ReduceItem item, int method, int display, int image, int colours, int flags) {
        const ReductionRequest r = ReductionFor(item, method, display, image);
        EXPECT_EQ(r.colours, colours) << int(item) << " " << method;
        EXPECT_EQ(r.flags, flags) << int(item) << " " << method;
    };
    check(ReduceItem::Colors256Dither, 0, 24, 24, 256, 20);
    check(ReduceItem::Colors256Dither, 1, 24, 24, 256, 36);
    check(ReduceItem::Colors256Dither, 2, 8, 24, 236, 68);
    check(ReduceItem::Colors16Dither, 2, 8, 24, 16, 68);
    check(ReduceItem::Grays256Dither, 0, 24, 24, 256, 28);
    check(ReduceItem::Grays256Dither, 1, 24, 24, 256, 44);
    check(ReduceItem::Grays256Dither, 2, 8, 24, 236, 76);
    check(ReduceItem::BlackWhite, 0, 24, 24, 2, 1);
    check(ReduceItem::BlackWhite, 1, 24, 24, 2, 2);
    check(ReduceItem::BlackWhite, 2, 24, 24, 2, 4);
    check(ReduceItem::Colors256Poster, 0, 8, 24, 236, 32);
    check(ReduceItem::Colors16Poster, 0, 24, 24, 16, 32);
    check(ReduceItem::GrayShades, 0, 8, 4, 16, 8);
    check(ReduceItem::GrayShades, 0, 8, 24, 256, 8);
}

TEST(ReduceCommandTest, PosterRecordsOnlyAfterSuccess) {
    Session ok(Rich(16));
    EXPECT_TRUE(ImageReduce(ok.ws, ReduceItem::Colors16Poster));
    EXPECT_EQ(ok.host.recordedLines, (std::vector<std::string>{"QUANTIZE16"}));
    EXPECT_EQ(ok.ws.UndoBitmap, Rich(16));

    Session empty{Bitmap()};
    EXPECT_FALSE(ImageReduce(empty.ws, ReduceItem::Colors256Poster));
    EXPECT_TRUE(empty.host.recordedLines.empty());
    EXPECT_TRUE(empty.ws.CancelRequested);
}

TEST(ReduceCommandTest, DitheredItemsAndMethodRange) {
    Session bw(Rich(16));
    ASSERT_TRUE(ImageReduce(bw.ws, ReduceItem::BlackWhite, 0));
    EXPECT_EQ(bw.ws.Image.depth(), 1);
    EXPECT_EQ(bw.ws.ImageBitDepth, 1);
    EXPECT_TRUE(bw.host.recordedLines.empty());  // the dithered items record nothing

    Session greys(Rich(16));
    ASSERT_TRUE(ImageReduce(greys.ws, ReduceItem::Grays256Dither, 1));
    for (const PaletteEntry& e : greys.ws.Image.palette()) {
        EXPECT_EQ(e.red, e.green);
        EXPECT_EQ(e.green, e.blue);
    }

    Session cancelled(Rich(16));
    EXPECT_FALSE(ImageReduce(cancelled.ws, ReduceItem::Colors16Dither, kDialogCancelled));
    EXPECT_FALSE(ImageReduce(cancelled.ws, ReduceItem::Colors16Dither, 3));
    EXPECT_EQ(cancelled.ws.Image, Rich(16));
}

TEST(ReduceCommandTest, GrayShadesTakesSnapshotThenRecords) {
    const Bitmap two = FromRgb(2, 1, {0xFFFFFF, 0x0A141E});
    Session s(two);
    ASSERT_TRUE(ImageReduce(s.ws, ReduceItem::GrayShades));
    EXPECT_EQ(s.ws.UndoBitmap, two);
    EXPECT_EQ(s.ws.Image, FromRgb(2, 1, {0xFEFEFE, 0x121212}));
    EXPECT_EQ(s.host.recordedLines, (std::vector<std::string>{"GRAYSCALE"}));

    // On an 8-bit display the library's grey palette does it.
    Session eight(two);
    eight.ws.DisplayBitDepth = 8;
    ASSERT_TRUE(ImageReduce(eight.ws, ReduceItem::GrayShades));
    EXPECT_EQ(eight.ws.Image.depth(), 8);
    EXPECT_TRUE(eight.ws.Image.hasGreyPalette() || eight.ws.Image.palette().size() <= 2u);
}

TEST(PromoteTest, DepthsAndRecording) {
    Bitmap four(3, 1, 4);
    four.palette() = {PaletteEntry{1, 2, 3, 0}, PaletteEntry{200, 100, 50, 0}};
    four.scanLine(0)[0] = 0x10;  // pixels 1, 0, 0
    Session s(four);
    s.ws.Modified = false;
    ASSERT_TRUE(ImagePromote(s.ws, 8));
    EXPECT_EQ(s.ws.Image.depth(), 8);
    EXPECT_EQ(s.ws.Image.paletteIndex(0, 0), 1);
    EXPECT_TRUE(s.host.recordedLines.empty());
    ASSERT_TRUE(ImagePromote(s.ws, 24));
    EXPECT_EQ(s.ws.ImageBitDepth, 24);
    EXPECT_EQ(RgbAt(s.ws.Image, 0, 0), 0xC86432u);
    EXPECT_EQ(RgbAt(s.ws.Image, 1, 0), 0x010203u);
    // Already 24 bits: unchanged, but the line is still recorded.
    ASSERT_TRUE(ImagePromote(s.ws, 24));
    EXPECT_EQ(s.host.recordedLines, (std::vector<std::string>{"TRUECOLOR", "TRUECOLOR"}));
    EXPECT_FALSE(s.ws.Modified);
    // Promotion never lowers the depth.
    ASSERT_TRUE(ImagePromote(s.ws, 4));
    EXPECT_EQ(s.ws.Image.depth(), 24);
}

TEST(AutoConvertTest, YesReducesFor8BitDisplay) {
    Session s(Rich(32));
    s.ws.DisplayBitDepth = 8;
    s.host.autoConvertReduction = AutoConvertReduction;
    const Bitmap before = s.ws.Image;
    s.ws.UndoBitmap = Bitmap(2, 2, 24);  // the snapshot of the edit that offered it
    s.host.AutoConvert(s.ws);
    EXPECT_EQ(s.ws.Image.depth(), 8);
    EXPECT_TRUE(s.ws.UndoBitmap == Bitmap(2, 2, 24));
    EXPECT_TRUE(s.ws.Modified);
    EXPECT_FALSE(s.ws.Image == before);
    EXPECT_LE(s.ws.Image.palette().size(), 236u);
    s.host.defaultAnswer = Answer::No;
    s.ws.setImage(Rich(32));
    s.host.AutoConvert(s.ws);
    EXPECT_EQ(s.ws.Image.depth(), 24);
}

}  // namespace
}  // namespace vimbra
