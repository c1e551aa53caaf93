#include "commands/filter_commands.h"

#include <gtest/gtest.h>

#include <functional>

namespace vimbra {
namespace {

template <class F>
Bitmap Picture(int w, int h, F f) {
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) b.scanLine(y)[3 * x + c] = uint8_t(f(x, y, c));
    return b;
}

// All channels `centre` at the middle pixel, `rest` elsewhere.
Bitmap Dot(int side, int centre, int rest) {
    return Picture(side, side, [=](int x, int y, int) {
        return x == side / 2 && y == side / 2 ? centre : rest;
    });
}

int Byte(const Bitmap& b, int x, int y, int c = 0) { return b.scanLine(y)[3 * x + c]; }

class DialogHost : public FrameHost {
public:
    int32_t values[2] = {0, 0};
    bool cancel = false;
    FilterDlgParam lastParam;
    int ExecuteEffectsDlg(Workspace& ws, const FilterDlgParam& p) override {
        lastParam = p;
        if (cancel) return kDialogCancelled;
        ws.EffectValue1 = values[0], ws.EffectValue2 = values[1];
        return values[0];
    }
};

struct Session {
    DialogHost host;
    Workspace ws{host};
    explicit Session(Bitmap image) {
        ws.setImage(std::move(image));
        ws.RecordingActive = true;
    }
    // A script line: the handler with its values, as the interpreter calls it.
    int bip(void (*handler)(Workspace&), int v1 = 0, int v2 = 0) {
        ws.BatchRunning = true;
        ws.EffectValue1 = v1, ws.EffectValue2 = v2;
        handler(ws);
        ws.BatchRunning = false;
        return Byte(ws.Image, ws.Image.width() / 2, ws.Image.height() / 2);
    }
    bool menu(std::string_view name) {
        const EditCommand* c = FindFilterMenuCommand(name);
        return c && RunEditCommand(ws, *c);
    }
};

TEST(FilterBip, ThreeByThreeKeywords) {
    struct Case { void (*handler)(Workspace&); int v, centre, rest, expected; };
    const Case cases[] = {
        {BipGaussian, 255, 0, 255, 226},    // 2040 / 9, threshold 0
        {BipGaussian, 1, 0, 255, 0},        // threshold 254
        {BipOutlier, 255, 0, 255, 223},     // 7 x 255 / 8
        {BipDefocus, 255, 0, 255, 226},     // plain box
        {BipDefocus, 1, 0, 255, 76},        // 44 x 255 / 146
        {BipSoften, 1, 0, 255, 69},         // 12 x 255 / 44
        {BipSoften, 8, 0, 255, 212},        // 100 x 255 / 120
        {BipSoften, 10, 0, 255, 223},       // 108 x 255 / 123
        {BipMeanRemoval, 8, 100, 90, 180},  // 900 - 720
        {BipMeanRemoval, 1, 100, 90, 110},  // (1600 - 720) / 8
        {BipHighPassMedium, 1, 100, 90, 110},  // (800 - 360) / 4
        {BipHighPassLight, 1, 100, 80, 120},   // (800 - 640 + 320) / 4
        {BipDespeckle, 1, 0, 255, 255},
        {BipUnSpot, -8, 0, 255, 0},         // 0 is under the limit 32
        {BipUnSpot, 0, 0, 255, 255},
        {BipDescreenLight, 0, 0, 150, 120},  // Soften(7): 12 x 150 / 15
    };
    for (const Case& c : cases) {
        Session s(Dot(3, c.centre, c.rest));
        EXPECT_EQ(s.bip(c.handler, c.v), c.expected) << c.v << " " << c.expected;
        EXPECT_TRUE(s.ws.Modified);
        EXPECT_TRUE(s.host.recordedLines.empty());
    }
}

TEST(FilterBip, FiveByFiveKeywords) {
    // Centre 110 among 100s: lightness step 141.
    Session s(Dot(5, 110, 100));
    EXPECT_EQ(s.bip(BipClean, 142, 128), 105);
    s.ws.setImage(Dot(5, 110, 100));
    EXPECT_EQ(s.bip(BipClean, 141, 255), 110);
    s.ws.setImage(Dot(5, 110, 100));
    EXPECT_EQ(s.bip(BipUnsharpMask, 115, 255), 129);  // threshold 140
    s.ws.setImage(Dot(5, 110, 100));
    EXPECT_EQ(s.bip(BipUnsharpMask, 114, 255), 110);
    s.ws.setImage(Dot(5, 100, 100));
    EXPECT_EQ(s.bip(BipDefog, 255, 0), 64);
    // B = 10 x^2: Medium 960 / 21, Strong 1760 / 31, High res 1680 / 31.
    for (auto [handler, expected] : {std::pair{&BipDescreenMedium, 45}, {&BipDescreenStrong, 56},
                                     {&BipDescreenHigh, 54}}) {
        s.ws.setImage(Picture(5, 5, [](int x, int, int) { return 10 * x * x; }));
        EXPECT_EQ(s.bip(handler), expected);
    }
}

TEST(FilterBip, PalettePicturesAreMadeTrueColourFirst) {
    Bitmap grey(3, 3, 8);
    grey.palette().assign(256, PaletteEntry{255, 255, 255, 0});
    grey.palette()[0] = PaletteEntry{0, 0, 0, 0};
    for (int y = 0; y < 3; ++y) std::fill_n(grey.scanLine(y), 3, uint8_t(1));
    grey.scanLine(1)[1] = 0;  // black among white
    for (auto* handler : {BipGaussian, BipDescreenLight}) {
        Session s(grey);
        s.bip(handler, 255);
        EXPECT_EQ(s.ws.Image.depth(), 24);
        EXPECT_EQ(s.ws.ImageBitDepth, 24);
        EXPECT_EQ(Byte(s.ws.Image, 1, 1), handler == BipGaussian ? 226 : 204);  // 12 x 255 / 15
    }
}

TEST(FilterMenu, DialogSettingsAndRememberedValues) {
    Session s(Dot(3, 0, 255));
    s.host.values[0] = 255;
    ASSERT_TRUE(s.menu("onGaussian"));
    EXPECT_EQ(s.host.lastParam.title, "Set Smoothing (Gaussian) effect to");
    EXPECT_EQ(s.host.lastParam.EffectCode, 30);
    EXPECT_EQ(s.host.lastParam.sliders[0].Position, 192);
    EXPECT_EQ(s.host.lastParam.sliders[0].LargeStep, 16);
    EXPECT_EQ(s.host.lastParam.sliders[0].LabelMax, "255 (strong)");
    EXPECT_EQ(Byte(s.ws.Image, 1, 1), 226);
    EXPECT_EQ(s.ws.remembered.Gaussian, 255);
    EXPECT_EQ(s.host.recordedLines, std::vector<std::string>{"GAUSSIAN=255"});
    EXPECT_EQ(s.host.busyMessage, "Blurring ...");

    s.host.values[0] = -3;
    ASSERT_TRUE(s.menu("onUnspot"));
    EXPECT_EQ(s.host.lastParam.sliders[0].Min, -8);
    EXPECT_EQ(s.host.lastParam.sliders[0].Position, -7);
    EXPECT_EQ(s.host.lastParam.sliders[0].LabelMin, "-8 pepper");
    EXPECT_EQ(s.ws.remembered.UnSpot, -3);
    EXPECT_EQ(s.host.recordedLines.back(), "UNSPOT=-3");
}

TEST(FilterMenu, TwoSliderCommandsRememberTheSecondValue) {
    Session s(Dot(5, 110, 100));
    s.host.values[0] = 115, s.host.values[1] = 255;
    ASSERT_TRUE(s.menu("onUnsharpMask"));
    EXPECT_EQ(s.host.lastParam.title, "Set UnSharp Mask effect to");
    EXPECT_EQ(s.host.lastParam.sliderCount, 2);
    EXPECT_EQ(s.host.lastParam.sliders[1].Position, 48);
    EXPECT_EQ(s.host.lastParam.EffectCode, 230);
    EXPECT_EQ(Byte(s.ws.Image, 2, 2), 129);
    EXPECT_EQ(s.ws.remembered.UnsharpMask, 115);
    EXPECT_EQ(s.ws.remembered.UnsharpAmount, 255);
    EXPECT_EQ(s.host.recordedLines.back(), "UNSHARPMASK=115,255");
    s.host.values[0] = 142, s.host.values[1] = 128;
    ASSERT_TRUE(s.menu("onClean"));
    EXPECT_EQ(s.host.lastParam.sliders[0].Position, 240);
    EXPECT_EQ(s.host.lastParam.sliders[1].Position, 64);
    EXPECT_EQ(s.ws.remembered.CleanBlend, 128);
    EXPECT_EQ(s.host.recordedLines.back(), "CLEAN=142,128");
    ASSERT_TRUE(s.menu("onDefog"));
    EXPECT_EQ(s.host.lastParam.title, "Set DeFog effect to");
    EXPECT_EQ(s.host.lastParam.sliders[1].Position, 64);
}

TEST(FilterMenu, CancelRestoresPictureAndKeepsTheTag) {
    Bitmap grey(3, 3, 8);
    grey.palette().assign(256, PaletteEntry{9, 9, 9, 0});
    Session s(grey);
    s.host.cancel = true;
    s.host.values[0] = 3;
    EXPECT_FALSE(s.menu("onSoften"));
    EXPECT_EQ(s.ws.Image.depth(), 8);
    EXPECT_EQ(s.ws.remembered.Soften, 7);
    EXPECT_TRUE(s.host.recordedLines.empty());
}

TEST(FilterCustom, DescreenRecordsAndAutoCommandsDoNot) {
    Session s(Picture(5, 5, [](int x, int, int) { return 10 * x * x; }));
    FindFilterCustomCommand("onDescreenMedium")->run(s.ws);
    EXPECT_EQ(Byte(s.ws.Image, 2, 2), 45);
    EXPECT_EQ(s.host.recordedLines, std::vector<std::string>{"DESCREEN_MEDIUM"});
    EXPECT_EQ(s.host.busyMessage, "Descreening...");
    EXPECT_FALSE(s.ws.UndoBitmap.isEmpty());

    Session a(Dot(5, 110, 100));
    FindFilterCustomCommand("onAutoSharpen")->run(a.ws);  // threshold 160: no change
    EXPECT_EQ(Byte(a.ws.Image, 2, 2), 110);
    FindFilterCustomCommand("onAutoClean")->run(a.ws);  // step 141, not below 95
    EXPECT_EQ(Byte(a.ws.Image, 2, 2), 110);
    a.ws.setImage(Dot(5, 102, 100));  // step 28 < 95: 102 + (-2 x 240) div 255 = 101
    FindFilterCustomCommand("onAutoClean")->run(a.ws);
    EXPECT_EQ(Byte(a.ws.Image, 2, 2), 101);
    a.ws.setImage(Dot(5, 120, 100));  // step 282 > 160: L 1694 + 106 = 1800 -> grey 127
    FindFilterCustomCommand("onAutoSharpen")->run(a.ws);
    EXPECT_EQ(Byte(a.ws.Image, 2, 2), 127);
    EXPECT_TRUE(a.host.recordedLines.empty());
    EXPECT_TRUE(a.ws.UndoBitmap.isEmpty());
}

TEST(FilterCustom, DelaceAndEnrichKeepSizeAndRecordOutsideBatch) {
    Session s(Picture(4, 3, [](int, int, int c) { return 77 + c; }));
    const Bitmap before = s.ws.Image;
    ASSERT_TRUE(DelaceOrEnrich(s.ws, false));
    EXPECT_EQ(s.ws.Image, before);
    EXPECT_EQ(s.host.recordedLines, std::vector<std::string>{"DELACE"});
    EXPECT_EQ(s.host.busyMessage, "Delacing...");
    s.bip(BipEnrich);
    EXPECT_EQ(s.ws.Image, before);
    EXPECT_EQ(s.ws.ImageWidth, 4);
    EXPECT_EQ(s.ws.ImageHeight, 3);
    EXPECT_EQ(s.host.recordedLines.size(), 1u);
}

TEST(FilterCustom, EnlargingFailureKeepsThePictureAndStopsTheBatch) {
    // 2.5 x 20001 exceeds the largest side the library makes.
    Session s(Picture(20001, 1, [](int x, int, int) { return x % 256; }));
    const Bitmap before = s.ws.Image;
    s.bip(BipEnrich);
    EXPECT_EQ(s.ws.Image, before);
    EXPECT_TRUE(s.ws.CancelRequested);
    EXPECT_EQ(s.host.messages.size(), 1u);
    EXPECT_FALSE(s.ws.Modified);
}

}  // namespace
}  // namespace vimbra
