#include "commands/tone_commands.h"

#include <gtest/gtest.h>

#include <set>

#include "core/hls.h"

namespace vimbra {
namespace {

// width × height pixels of one colour.
Bitmap Plain(int width, int height, RGB c) {
    Bitmap b(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = uint8_t(c.b), p[1] = uint8_t(c.g), p[2] = uint8_t(c.r);
        }
    return b;
}

RGB Pixel(const Bitmap& b, int x, int y = 0) {
    const uint8_t* p = b.scanLine(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

struct Session {
    FrameHost host;
    Workspace ws{host};
    void values(int a, int b, int c) {
        ws.EffectValue1 = a, ws.EffectValue2 = b, ws.EffectValue3 = c;
    }
};

TEST(ToneBip, CurveLinesApplyWithoutMarkingModified) {
    Session s;
    s.ws.setImage(Plain(2, 2, {200, 100, 50}));
    s.values(-127, 0, 127);  // black, unchanged, doubled
    BipBrightness(s.ws);
    EXPECT_EQ(Pixel(s.ws.Image, 1, 1), (RGB{0, 100, 100}));
    EXPECT_FALSE(s.ws.Modified);
    EXPECT_EQ(s.host.refreshCount, 1);

    s.ws.setImage(Plain(1, 1, {99, 100, 250}));
    s.values(200, 100, 0);  // shadows above highlights: threshold at 100
    BipEnhance(s.ws);
    EXPECT_EQ(Pixel(s.ws.Image, 0), (RGB{0, 255, 255}));

    s.ws.setImage(Plain(1, 1, {10, 128, 255}));
    s.values(255, 0, 0);  // the negative
    BipSupress(s.ws);
    EXPECT_EQ(Pixel(s.ws.Image, 0), (RGB{245, 127, 0}));

    // Red stretched 0..100: 50 × 255 / 100 = 127.5 -> 128; green 0..200 at 100
    // likewise; blue 0..255 is the identity.
    s.ws.setImage(Plain(1, 1, {50, 100, 77}));
    s.values(100, 200, 255);
    BipHighlights(s.ws);
    EXPECT_EQ(Pixel(s.ws.Image, 0), (RGB{128, 128, 77}));
    // Red stretched 50..255: (100 - 50) × 255 / 205 = 62.2 -> 62.
    s.values(50, 0, 0);
    s.ws.setImage(Plain(1, 1, {100, 100, 100}));
    BipShadows(s.ws);
    EXPECT_EQ(Pixel(s.ws.Image, 0), (RGB{62, 100, 100}));
}

TEST(ToneBip, PassLinesMarkModified) {
    Session s;
    s.ws.setImage(Plain(1, 1, {200, 100, 50}));
    BipUnwash(s.ws);
    EXPECT_EQ(Pixel(s.ws.Image, 0), (RGB{156, 39, 9}));
    EXPECT_TRUE(s.ws.Modified);
    s.ws.setImage(Plain(1, 1, {128, 128, 128}));
    s.values(100, 100, 100);
    BipGammaSupress(s.ws);  // identity curves
    EXPECT_EQ(Pixel(s.ws.Image, 0), (RGB{128, 128, 128}));
    EXPECT_TRUE(s.ws.Modified);
}

TEST(ToneBip, SaturationGammaKeepsGreysAndIgnoresZero) {
    Session s;
    s.ws.setImage(Plain(1, 1, {100, 100, 100}));
    s.values(300, 0, 0);
    BipGammaSaturation(s.ws);
    // L = (200 × 3600 + 255) div 510 = 1412 -> 1412 × 255 div 3600 = 100.
    EXPECT_EQ(Pixel(s.ws.Image, 0), (RGB{100, 100, 100}));
    s.ws.setImage(Plain(1, 1, {200, 100, 50}));
    s.values(0, 0, 0);
    BipGammaSaturation(s.ws);
    EXPECT_EQ(Pixel(s.ws.Image, 0), (RGB{200, 100, 50}));
    EXPECT_FALSE(s.ws.Modified);
}

TEST(ToneBip, ZeroShiftsByTheFirstLevelHoldingMoreThan48Pixels) {
    Session s;
    s.ws.setImage(Plain(7, 7, {10, 20, 0}));  // 49 pixels
    BipZero(s.ws);
    EXPECT_EQ(Pixel(s.ws.Image, 6, 6), (RGB{0, 0, 0}));
    s.ws.setImage(Plain(6, 8, {10, 20, 0}));  // 48 pixels: no level qualifies
    BipZero(s.ws);
    EXPECT_EQ(Pixel(s.ws.Image, 0), (RGB{10, 20, 0}));
}

TEST(ToneMenu, GammaRecordsItsLineAndMarksModified) {
    Session s;
    s.ws.RecordingActive = true;
    s.ws.setImage(Plain(2, 1, {1, 128, 255}));
    const EditCommand* cmd = FindToneMenuCommand("onGammaGlobal");
    ASSERT_NE(cmd, nullptr);
    ASSERT_TRUE(RunEditCommand(s.ws, *cmd));  // the dialog's 100 is the identity
    EXPECT_EQ(Pixel(s.ws.Image, 1), (RGB{1, 128, 255}));
    EXPECT_EQ(s.host.recordedLines, std::vector<std::string>{"GAMMA=100,100,100"});
    EXPECT_EQ(s.host.busyMessage, "Gamma ...");
    EXPECT_TRUE(s.ws.Modified);
}

TEST(ToneMenu, ZeroStartsAtTheHistogramAndRecordsTheBareKeyword) {
    Session s;
    s.ws.RecordingActive = true;
    s.ws.setImage(Plain(7, 7, {10, 20, 0}));
    ASSERT_TRUE(RunEditCommand(s.ws, *FindToneMenuCommand("onBrightnessZero")));
    EXPECT_EQ(s.ws.EffectValue1, -10);
    EXPECT_EQ(s.ws.EffectValue2, -20);
    EXPECT_EQ(s.ws.EffectValue3, 0);
    EXPECT_EQ(Pixel(s.ws.Image, 3, 3), (RGB{0, 0, 0}));
    EXPECT_EQ(s.host.recordedLines, std::vector<std::string>{"ZERO"});
    EXPECT_EQ(s.host.busyMessage, "Adjusting  Brightness (by Shifting) ...");
}

TEST(ToneMenu, EnhanceStartsAtTheGreyEndPoints) {
    // Greys 50..53, 49 pixels each: the populated range is 50..53, which the
    // stretch spreads over 0, 85, 170, 255.
    Session s;
    s.ws.RecordingActive = true;
    Bitmap b(49, 4, 24);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 49 * 3; ++x) b.scanLine(y)[x] = uint8_t(50 + y);
    s.ws.setImage(b);
    ASSERT_TRUE(RunEditCommand(s.ws, *FindToneMenuCommand("onEnhanceGlobal")));
    EXPECT_EQ(s.host.recordedLines, std::vector<std::string>{"ENHANCE=50,53"});
    EXPECT_EQ(Pixel(s.ws.Image, 0, 0), (RGB{0, 0, 0}));
    EXPECT_EQ(Pixel(s.ws.Image, 0, 1), (RGB{85, 85, 85}));
    EXPECT_EQ(Pixel(s.ws.Image, 0, 3), (RGB{255, 255, 255}));
    EXPECT_EQ(s.host.busyMessage, "Enhancing ...");
}

TEST(ToneMenu, FixedPassesRecordAfterThePassUnlessBatchRuns) {
    Session s;
    s.ws.RecordingActive = true;
    s.ws.setImage(Plain(1, 1, {200, 100, 50}));
    ASSERT_TRUE(RunEditCommand(s.ws, *FindToneMenuCommand("onUncook")));
    EXPECT_EQ(Pixel(s.ws.Image, 0), (RGB{108, 54, 27}));
    EXPECT_EQ(s.host.recordedLines, std::vector<std::string>{"UNCOOK"});
    EXPECT_EQ(s.host.busyMessage, "");
    s.ws.BatchRunning = true;
    ASSERT_TRUE(RunEditCommand(s.ws, *FindToneMenuCommand("onAttenuate")));
    EXPECT_EQ(s.host.recordedLines.size(), 1u);
}

TEST(ToneMenu, DialogsCarryTheirEffectCodesAndTitles) {
    struct Expect {
        const char* name;
        int code;
        const char* title;
        int sliders;
    };
    const Expect expected[] = {
        {"onGammaGlobal", 101, "Adjust Gamma (1/100)", 1},
        {"onGammaSaturation", 103, "Saturation  Gamma (1/100)", 1},
        {"onContrastSupress", 134, "Supress Shadows/Highlights", 2},
        {"onEnhanceSaturation", 135, "Enhance Shadows/Highlights (Saturation)", 2},
        {"onEnhanceHighlights", 132, "Enhance Highlights (RGB)", 3},
    };
    Session s;
    s.ws.setImage(Plain(2, 2, {1, 2, 3}));
    for (const Expect& e : expected) {
        const EditCommand* cmd = FindToneMenuCommand(e.name);
        ASSERT_NE(cmd, nullptr) << e.name;
        FilterDlgParam p;
        cmd->dialog(s.ws, p);
        EXPECT_EQ(p.EffectCode, e.code) << e.name;
        EXPECT_EQ(p.title, e.title) << e.name;
        EXPECT_EQ(p.sliderCount, e.sliders) << e.name;
    }
    // On a tiny picture the end points fall back to 0 and 255.
    FilterDlgParam p;
    FindToneMenuCommand("onEnhanceHighlights")->dialog(s.ws, p);
    EXPECT_EQ(p.sliders[2].Position, 255);
    EXPECT_EQ(p.sliders[0].LabelMin, "0 (more)");

    std::set<std::string> names;
    for (const EditCommand& c : ToneMenuCommands()) names.insert(c.name);
    EXPECT_EQ(names.size(), ToneMenuCommands().size());
    EXPECT_EQ(names.size(), 19u);
    EXPECT_EQ(FindToneMenuCommand("onGamma"), nullptr);
}

}  // namespace
}  // namespace vimbra
