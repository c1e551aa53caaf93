#include "core/frame.h"

#include <gtest/gtest.h>

namespace vimbra {
namespace {

// Inverts every byte; stands in for any pixel pass.
void InvertPass(Workspace& ws, PassTarget target) {
    Bitmap& b = target.bitmap;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width() * 3; ++x) b.scanLine(y)[x] = uint8_t(255 - b.scanLine(y)[x]);
    EndPass(ws, target);
}

void OneSlider(Workspace&, FilterDlgParam& p) {
    p.title = "Invert";
    p.sliderCount = 1;
    p.sliders[0] = {0, 10, 7, 1, 1, "0", "10"};
}

std::string InvertLine(const Workspace& ws) { return BipLine("INVERT", {ws.EffectValue1}); }

const EditCommand kWithDialog{"onInvert", OneSlider, "Inverting ...", InvertPass, InvertLine};
const EditCommand kWithoutDialog{"onInvert", nullptr, nullptr, InvertPass,
                                 [](const Workspace&) { return std::string("INVERT"); }};

class CancellingHost : public FrameHost {
public:
    int ExecuteEffectsDlg(Workspace&, const FilterDlgParam&) override { return kDialogCancelled; }
};

Bitmap Picture() {
    Bitmap b(2, 2, 24);
    b.scanLine(0)[0] = 10;
    b.scanLine(1)[5] = 200;
    return b;
}

TEST(CommandFrame, AppliedCommandSnapshotsRecordsAndMarksModified) {
    FrameHost host;
    Workspace ws(host);
    ws.setImage(Picture());
    ws.RecordingActive = true;
    ASSERT_TRUE(RunEditCommand(ws, kWithDialog));
    EXPECT_EQ(ws.UndoBitmap, Picture());
    EXPECT_EQ(ws.Image.scanLine(0)[0], 245);
    EXPECT_TRUE(ws.Modified);
    EXPECT_EQ(ws.StatusText, "Ready.");
    EXPECT_EQ(host.busyMessage, "Inverting ...");
    EXPECT_EQ(host.recordedLines, std::vector<std::string>{"INVERT=7"});
    EXPECT_EQ(host.refreshCount, 1);
}

TEST(CommandFrame, CancelledDialogLeavesPictureBitIdentical) {
    CancellingHost host;
    Workspace ws(host);
    ws.setImage(Picture());
    ws.RecordingActive = true;
    EXPECT_FALSE(RunEditCommand(ws, kWithDialog));
    EXPECT_EQ(ws.Image, Picture());
    EXPECT_FALSE(ws.Modified);
    EXPECT_TRUE(host.recordedLines.empty());
}

TEST(CommandFrame, BatchRunTakesNoSnapshotAndRecordsNothing) {
    FrameHost host;
    Workspace ws(host);
    ws.setImage(Picture());
    ws.RecordingActive = true;
    ws.BatchRunning = true;
    ASSERT_TRUE(RunEditCommand(ws, kWithoutDialog));
    EXPECT_TRUE(ws.UndoBitmap.isEmpty());
    EXPECT_TRUE(host.recordedLines.empty());
}

TEST(CommandFrame, PalettePictureBecomesTrueColourFirst) {
    FrameHost host;
    Workspace ws(host);
    Bitmap b(3, 1, 8);
    b.palette()[1] = {255, 128, 0, 0};
    b.scanLine(0)[2] = 1;
    ws.setImage(b);
    EXPECT_EQ(ws.ImageBitDepth, 8);
    ASSERT_TRUE(RunEditCommand(ws, kWithoutDialog));
    EXPECT_EQ(ws.ImageBitDepth, 24);
    // Pixel 2 was (red 255, green 128, blue 0), stored blue first, then inverted.
    EXPECT_EQ(ws.Image.scanLine(0)[6], 255);
    EXPECT_EQ(ws.Image.scanLine(0)[7], 127);
    EXPECT_EQ(ws.Image.scanLine(0)[8], 0);
    EXPECT_TRUE(host.messages.empty());  // true-colour display: no questions
}

TEST(CommandFrame, TwoHundredFiftySixColourDisplayWarnsUntilIgnored) {
    FrameHost host;
    Workspace ws(host);
    ws.setImage(Picture());
    ws.DisplayBitDepth = 8;
    host.defaultAnswer = Answer::No;
    EXPECT_FALSE(RunEditCommand(ws, kWithoutDialog));
    EXPECT_EQ(ws.Image, Picture());
    host.defaultAnswer = Answer::Ignore;
    EXPECT_TRUE(RunEditCommand(ws, kWithoutDialog));
    const size_t asked = host.messages.size();  // warning + "Convert to 256 colors?"
    EXPECT_EQ(host.messages.back(), "Convert to 256 colors?");
    EXPECT_TRUE(RunEditCommand(ws, kWithoutDialog));
    EXPECT_EQ(host.messages.size(), asked + 1);  // only the conversion question again
}

TEST(CommandFrame, PassOnPreviewLeavesModifiedAlone) {
    FrameHost host;
    Workspace ws(host);
    ws.setImage(Picture());
    Bitmap preview = Picture();
    InvertPass(ws, PassTarget::preview(preview));
    EXPECT_FALSE(ws.Modified);
    EXPECT_EQ(host.refreshCount, 0);
    EXPECT_EQ(ws.Image, Picture());
}

TEST(Progress, DrawsOnlyNewMultiplesOfFiveFromTwo) {
    struct Recorder : FrameHost {
        std::vector<int> drawn;
        void DrawProgress(int p) override { drawn.push_back(p); }
    } host;
    Progress progress(host);
    progress.ProgressReset();
    for (int p : {0, 1, 5, 5, 7, 10, 100}) progress.ProgressStep(p);
    EXPECT_EQ(host.drawn, (std::vector<int>{5, 10, 100}));
    progress.ProgressReset();
    progress.ProgressStep(100);
    EXPECT_EQ(host.drawn.back(), 100);
    EXPECT_EQ(host.drawn.size(), 4u);
    EXPECT_EQ(Progress::barWidth(35, 200), 70);
}

TEST(BipLine, FormatsValuesWithCommasAndNoSpaces) {
    EXPECT_EQ(BipLine("GAMMA", {120, 100, -5}), "GAMMA=120,100,-5");
    EXPECT_EQ(BipLine("ZERO", {}), "ZERO");
}

}  // namespace
}  // namespace vimbra
