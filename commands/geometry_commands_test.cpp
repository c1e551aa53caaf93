// The geometry menu commands: what they record, when they do nothing, and
// what they leave of Modified and the selection.
#include "commands/geometry_commands.h"

#include <gtest/gtest.h>

namespace vimbra {
namespace {

using Lines = std::vector<std::string>;

Bitmap Plain(int w, int h, uint8_t v) {
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y) std::fill_n(b.scanLine(y), 3 * w, v);
    return b;
}

struct Commands : ::testing::Test {
    FrameHost host;
    Workspace ws{host};
    void SetUp() override { ws.RecordingActive = true; }
};

TEST(GeometryLines, OneLinePerCommand) {
    EXPECT_EQ(ResizeLine(640, 480), "RESIZE=640,480");
    EXPECT_EQ(ResampleLine(800, 600), "RESAMPLE=800,600");
    EXPECT_EQ(MosaicLine(8), "MOSAIC=8");
    EXPECT_EQ(BorderLine(255, 3, 4), "BORDER=255,3,4");
    EXPECT_EQ(BorderLine(kWindowColourCode, 1, 1), "BORDER=-2147483643,1,1");
    // top × 65536 + left, bottom × 65536 + right.
    EXPECT_EQ(CropLine({20, 20, 100, 100}), "CROP=1310740,6553700");
    EXPECT_EQ(CropLine({0, 0, 128, 64}), "CROP=0,4194432");
}

TEST(GeometryLines, RotationInWholeDegreesModulo360) {
    EXPECT_EQ(RotateLine(RotateAngleForDegrees(90)), "ROTATE=90");
    EXPECT_EQ(RotateLine(RotateAngleForDegrees(270)), "ROTATE=270");
    EXPECT_EQ(RotateLine(RotateAngleForDegrees(1)), "ROTATE=1");
    // Fine rotations are taken upwards: 45.50° → 46, 0.01° → 1.
    EXPECT_EQ(RotateLine(RotateAngleForHundredths(4550)), "ROTATE=46");
    EXPECT_EQ(RotateLine(RotateAngleForHundredths(1)), "ROTATE=1");
    EXPECT_EQ(RotateLine(RotateAngleForHundredths(4500)), "ROTATE=45");
    // 359.99° comes to a full turn: 0, never a 360 the table would skip.
    EXPECT_EQ(RotateLine(RotateAngleForHundredths(35999)), "ROTATE=0");
    EXPECT_EQ(RotateAngleForDegrees(90), 27000);
    EXPECT_EQ(RotateAngleForDegrees(270), 9000);
}

TEST_F(Commands, ResizeAndResampleRecordWhatTheyDid) {
    ws.setImage(Plain(40, 30, 90));
    ResizeCommand(ws, -1, -1, 0);  // cancelled
    ResizeCommand(ws, 40, 30, 0);  // unchanged
    EXPECT_EQ(ws.ImageWidth, 40);
    EXPECT_TRUE(host.recordedLines.empty());
    EXPECT_TRUE(ws.UndoBitmap.isEmpty());

    ResizeCommand(ws, 20, 30, 0);
    EXPECT_EQ(ws.ImageWidth, 20);
    EXPECT_EQ(ws.UndoBitmap.width(), 40);  // the undo snapshot
    EXPECT_EQ(host.busyMessage, "Resizing...");
    ResampleCommand(ws, 10, 10);  // too small: nothing
    ResampleCommand(ws, 32, 24);
    EXPECT_EQ(ws.ImageWidth, 32);
    EXPECT_EQ(ws.Image.scanLine(5)[7], 90);
    EXPECT_EQ(host.recordedLines, (Lines{"RESIZE=20,30", "RESAMPLE=32,24"}));
    EXPECT_TRUE(ws.Modified);
}

TEST_F(Commands, ResampleOfFewColoursRunsResize) {
    Bitmap mono(32, 32, 1);
    mono.palette() = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    ws.setImage(mono);
    EXPECT_TRUE(ResampleRunsResize(ws));
    ws.setImage(Plain(4, 4, 0));
    EXPECT_FALSE(ResampleRunsResize(ws));
}

TEST_F(Commands, AutoResizeKeepsModified) {
    ws.setImage(Plain(100, 50, 10));
    AutoResizeCommand(ws, 300, 300);
    EXPECT_EQ(ws.ImageWidth, 300);
    EXPECT_EQ(ws.ImageHeight, 150);
    EXPECT_FALSE(ws.Modified);
    EXPECT_EQ(host.recordedLines, (Lines{"RESAMPLE=300,150"}));

    ws.Modified = true;  // an earlier edit
    AutoResizeCommand(ws, 150, 150);
    EXPECT_EQ(ws.ImageWidth, 150);
    EXPECT_TRUE(ws.Modified);
}

TEST_F(Commands, RotateAndMirror) {
    Bitmap b = Plain(3, 2, 0);
    b.scanLine(0)[0] = 200;  // top-left
    ws.setImage(b);
    ws.BackgroundColor = 0x000000FF;
    RotateCommand(ws, RotateAngleForDegrees(90));
    EXPECT_EQ(ws.ImageWidth, 2);
    EXPECT_EQ(ws.Image.scanLine(0)[3], 200);  // now top-right
    MirrorCommand(ws, false);
    EXPECT_EQ(ws.Image.scanLine(0)[0], 200);
    EXPECT_EQ(host.busyMessage, "Flipping...");
    RotateCommand(ws, RotateAngleForHundredths(4550));
    EXPECT_EQ(ws.Image.scanLine(0)[2], 255);  // red corner from the background colour
    // Mirroring records nothing.
    EXPECT_EQ(host.recordedLines, (Lines{"ROTATE=90", "ROTATE=46"}));
}

TEST_F(Commands, CropTakesTheSelectionInsideThePicture) {
    Bitmap b = Plain(10, 8, 0);
    b.scanLine(2)[3 * 4] = 77;
    ws.setImage(b);
    ws.SelectionRect = {4, 2, 20, 6};  // runs past the right edge
    EXPECT_TRUE(CropCommand(ws));
    EXPECT_EQ(ws.ImageWidth, 6);
    EXPECT_EQ(ws.ImageHeight, 4);
    EXPECT_EQ(ws.Image.scanLine(0)[0], 77);
    EXPECT_EQ(ws.UndoBitmap.width(), 10);
    EXPECT_EQ(host.recordedLines, (Lines{"CROP=131076,393226"}));

    ws.SelectionRect = {30, 30, 40, 40};  // nothing of it inside
    EXPECT_FALSE(CropCommand(ws));
    EXPECT_EQ(ws.ImageWidth, 6);
}

TEST_F(Commands, CropOfAScriptNeedsAValidRectangle) {
    const Bitmap b = Plain(120, 110, 5);
    ws.setImage(b);
    for (SelRect r : {SelRect{50, 0, 10, 100}, SelRect{0, 0, 0, 0}, SelRect{0, 0, 121, 100},
                      SelRect{0, 0, 100, 111}, SelRect{10, 10, 10, 20}}) {
        EXPECT_FALSE(CropWorkingImage(ws, r));
        EXPECT_EQ(ws.Image, b);
    }
    EXPECT_FALSE(ws.Modified);
    EXPECT_TRUE(CropWorkingImage(ws, {20, 20, 100, 100}));
    EXPECT_EQ(ws.ImageWidth, 80);
    EXPECT_TRUE(ws.Modified);
    EXPECT_TRUE(host.recordedLines.empty());
}

TEST_F(Commands, CopySelectionLeavesThePicture) {
    Bitmap b = Plain(10, 8, 0);
    b.scanLine(3)[3 * 2 + 1] = 99;
    ws.setImage(b);
    ws.SelectionRect = {2, 3, 5, 7};
    const std::optional<Bitmap> copy = CopySelectionBitmap(ws);
    ASSERT_TRUE(copy.has_value());
    EXPECT_EQ(copy->width(), 3);
    EXPECT_EQ(copy->height(), 4);
    EXPECT_EQ(copy->scanLine(0)[1], 99);
    EXPECT_EQ(ws.Image, b);
    ws.SelectionRect = {};
    EXPECT_FALSE(CopySelectionBitmap(ws).has_value());
}

TEST_F(Commands, TrimToTheOtherColours) {
    Bitmap b = Plain(8, 6, 255);
    b.scanLine(2)[3 * 3] = 0;
    b.scanLine(4)[3 * 5] = 0;
    ws.setImage(b);
    ws.SelectionRect = {};  // no selection: the whole picture
    EXPECT_TRUE(TrimCommand(ws));
    EXPECT_EQ(ws.ImageWidth, 3);
    EXPECT_EQ(ws.ImageHeight, 3);
    EXPECT_EQ(ws.Image.scanLine(0)[0], 0);
    EXPECT_TRUE(host.recordedLines.empty());

    const Bitmap plain = Plain(5, 5, 40);
    ws.setImage(plain);
    EXPECT_FALSE(TrimCommand(ws));
    EXPECT_EQ(ws.Image, plain);
}

TEST_F(Commands, MosaicInTheStandardFrame) {
    const EditCommand* mosaic = FindGeometryMenuCommand("onMosaic");
    ASSERT_NE(mosaic, nullptr);
    Bitmap b = Plain(4, 4, 0);
    b.scanLine(0)[0] = 40;  // one block of 2 × 2 averages 10
    ws.setImage(b);
    ws.remembered.Mosaic = 2;
    EXPECT_TRUE(RunEditCommand(ws, *mosaic));
    EXPECT_EQ(ws.Image.scanLine(1)[3], 10);
    EXPECT_EQ(ws.Image.scanLine(2)[6], 0);
    EXPECT_EQ(host.busyMessage, "Tiling ...");
    EXPECT_EQ(host.recordedLines, (Lines{"MOSAIC=2"}));
    EXPECT_TRUE(ws.Modified);
}

TEST_F(Commands, BorderRemembersItsWidths) {
    ws.setImage(Plain(6, 6, 0));
    BorderCommand(ws, -1, -1, -1);  // cancelled
    EXPECT_EQ(ws.remembered.Border, 257);
    BorderCommand(ws, 0x00FF0000, 2, 1);
    EXPECT_EQ(ws.Image.scanLine(3)[3], 255);  // column 1: a side band, blue
    EXPECT_EQ(ws.Image.scanLine(3)[6], 0);
    EXPECT_EQ(ws.remembered.Border, 2 * 256 + 1);
    EXPECT_EQ(host.recordedLines, (Lines{"BORDER=16711680,2,1"}));
    EXPECT_TRUE(ws.Modified);
}

}  // namespace
}  // namespace vimbra
