#include "commands/color_commands.h"

#include <gtest/gtest.h>

#include "core/color_adjust.h"

namespace vimbra {
namespace {

Bitmap Solid(int w, int h, RGB c) {
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = uint8_t(c.b), p[1] = uint8_t(c.g), p[2] = uint8_t(c.r);
        }
    return b;
}

RGB At(const Bitmap& b, int x = 0, int y = 0) {
    const uint8_t* p = b.scanLine(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

// Plays the user in the effects dialog: moves the sliders to the given values,
// or runs a preview the way the Balance dialog does, then applies.
class DialogHost : public FrameHost {
public:
    int32_t values[3] = {0, 0, 0};
    bool cancel = false;
    bool balancePick = false;  // pick `pick` as colour base, preview with values[0]
    RGB pick;
    FilterDlgParam lastParam;

    int ExecuteEffectsDlg(Workspace& ws, const FilterDlgParam& p) override {
        lastParam = p;
        if (cancel) return kDialogCancelled;
        if (balancePick) {
            Bitmap after = ws.Image;
            WhiteBalancePreview(ws, PassTarget::preview(after), values[0], pick);
        } else {
            ws.EffectValue1 = values[0], ws.EffectValue2 = values[1], ws.EffectValue3 = values[2];
        }
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
    bool run(std::string_view name) {
        const EditCommand* c = FindColorMenuCommand(name);
        return c && RunEditCommand(ws, *c);
    }
};

// Pure red with a hue shift of -200 becomes (255, 0, 85), hue 3400 (worked in
// the operation's tests); greys take the grey hue, blue, when saturated.
TEST(ColorBip, HlsShiftsAndScalesSaturation) {
    Session s(Solid(2, 2, {255, 0, 0}));
    s.ws.BatchRunning = true;
    s.ws.EffectValue1 = -200, s.ws.EffectValue2 = 0, s.ws.EffectValue3 = 0;
    BipHLS(s.ws);
    EXPECT_EQ(At(s.ws.Image, 1, 1), (RGB{255, 0, 85}));
    EXPECT_TRUE(s.ws.Modified);
    EXPECT_GE(s.host.refreshCount, 1);
    // Saturation 999 is 3600 on the HLS scale: grey 100 -> (0, 0, 200).
    s.ws.setImage(Solid(1, 1, {100, 100, 100}));
    s.ws.EffectValue1 = 0, s.ws.EffectValue2 = 0, s.ws.EffectValue3 = 999;
    BipHLS(s.ws);
    EXPECT_EQ(At(s.ws.Image), (RGB{0, 0, 200}));
    EXPECT_TRUE(s.host.recordedLines.empty());
}

TEST(ColorBip, PosterizeChecksItsOwnRangeButAlwaysRefreshes) {
    Session s(Solid(1, 1, {255, 130, 63}));
    for (int bad : {1, 8, -3}) {
        s.ws.EffectValue1 = bad;
        const int before = s.host.refreshCount;
        BipPosterize(s.ws);
        EXPECT_EQ(s.host.refreshCount, before + 1);
        EXPECT_EQ(At(s.ws.Image), (RGB{255, 130, 63}));
    }
    s.ws.EffectValue1 = 2;
    BipPosterize(s.ws);
    EXPECT_EQ(At(s.ws.Image), (RGB{192, 128, 0}));
}

TEST(ColorBip, WhiteBalanceTakesOffsetsUnchecked) {
    // Blue through brightness 63 (f = 149): 100 -> 149; offsets 0 are the identity.
    Session s(Solid(1, 1, {10, 20, 100}));
    s.ws.EffectValue1 = 0, s.ws.EffectValue2 = 0, s.ws.EffectValue3 = 63;
    BipWhiteBalance(s.ws);
    EXPECT_EQ(At(s.ws.Image), (RGB{10, 20, 149}));
    // Offsets beyond the slider range: 254 triples (f = 300), so 20 -> 60.
    s.ws.setImage(Solid(1, 1, {10, 20, 100}));
    s.ws.EffectValue1 = 0, s.ws.EffectValue2 = 254, s.ws.EffectValue3 = 0;
    BipWhiteBalance(s.ws);
    EXPECT_EQ(At(s.ws.Image), (RGB{10, 60, 100}));
    // Extremes saturate: a huge gain makes 255, a negative one 0.
    s.ws.setImage(Solid(1, 1, {10, 20, 100}));
    s.ws.EffectValue1 = INT32_MAX, s.ws.EffectValue2 = INT32_MIN, s.ws.EffectValue3 = -128;
    BipWhiteBalance(s.ws);
    EXPECT_EQ(At(s.ws.Image), (RGB{255, 0, 0}));
}

TEST(ColorBip, NegativeAndRgbMaxRunTheirMenuCommandsQuietlyInABatch) {
    Bitmap picture(3, 2, 24);
    for (int i = 0; i < 9; ++i) picture.scanLine(1)[i] = uint8_t(i * 29);
    Session s(picture);
    s.ws.BatchRunning = true;
    BipNegative(s.ws);
    EXPECT_EQ(s.ws.Image.scanLine(1)[8], 255 - 8 * 29);
    BipNegative(s.ws);
    EXPECT_EQ(s.ws.Image, picture);
    BipRGBMax(s.ws);
    EXPECT_EQ(At(s.ws.Image, 2, 1), (RGB{232, 232, 232}));  // bytes 174, 203, 232
    EXPECT_TRUE(s.ws.UndoBitmap.isEmpty());
    EXPECT_TRUE(s.host.recordedLines.empty());
}

// Centre 128, band 7, gain 127: lo 121, hi 135, amp 255 - 121 = 134. At 128 the
// sine is 1: 134*134 div 255 = 70 -> 198. At 122: trunc(134 sin(pi/14)) = 29,
// 29*29 div 255 = 3 -> 125. 120 and 136 lie outside the band.
TEST(ColorBip, ParametricEqualiserBumpsSelectedChannels) {
    Bitmap picture(4, 1, 24);
    const uint8_t levels[] = {128, 122, 120, 136};
    for (int x = 0; x < 4; ++x)
        for (int c = 0; c < 3; ++c) picture.scanLine(0)[3 * x + c] = levels[x];
    Session s(picture);
    s.ws.EffectValue1 = 128, s.ws.EffectValue2 = 7, s.ws.EffectValue3 = 127;
    s.ws.curves.GrnLut.fill(0);  // left over from an earlier command
    BipParametricEqRed(s.ws);
    EXPECT_EQ(At(s.ws.Image, 0), (RGB{198, 128, 128}));
    EXPECT_EQ(At(s.ws.Image, 1), (RGB{125, 122, 122}));
    EXPECT_EQ(At(s.ws.Image, 2), (RGB{120, 120, 120}));
    EXPECT_EQ(At(s.ws.Image, 3), (RGB{136, 136, 136}));
    EXPECT_FALSE(s.ws.Modified);  // curves applied to the bitmap directly

    s.ws.setImage(picture);
    BipParametricEqGrn(s.ws);
    BipParametricEqBlu(s.ws);
    EXPECT_EQ(At(s.ws.Image, 0), (RGB{128, 198, 198}));
    s.ws.setImage(picture);
    s.ws.EffectValue3 = -127;  // a cut: 128 - 70
    BipParametricEqAll(s.ws);
    EXPECT_EQ(At(s.ws.Image, 0), (RGB{58, 58, 58}));
    s.ws.setImage(picture);
    s.ws.EffectValue3 = 0;
    BipParametricEqAll(s.ws);
    EXPECT_EQ(s.ws.Image, picture);
}

TEST(ColorMenu, HlsAppliesDialogValuesAndRecordsThem) {
    Session s(Solid(2, 1, {255, 0, 0}));
    s.host.values[0] = -200;
    ASSERT_TRUE(s.run("onHls"));
    EXPECT_EQ(s.host.lastParam.EffectCode, 150);
    EXPECT_EQ(s.host.busyMessage, "Adjusting HLS ...");
    EXPECT_EQ(At(s.ws.Image, 1), (RGB{255, 0, 85}));
    EXPECT_EQ(s.ws.UndoBitmap, Solid(2, 1, {255, 0, 0}));
    EXPECT_EQ(s.host.recordedLines, std::vector<std::string>{"HLS=-200,0,0"});
}

TEST(ColorMenu, CancelRestoresPictureAndRecordsNothing) {
    Session s(Solid(1, 1, {1, 2, 3}));
    s.host.cancel = true;
    EXPECT_FALSE(s.run("onPosterize"));
    EXPECT_EQ(At(s.ws.Image), (RGB{1, 2, 3}));
    EXPECT_TRUE(s.host.recordedLines.empty());
    EXPECT_EQ(s.ws.remembered.Posterize, 3);
}

TEST(ColorMenu, PosterizeStartsAtLastChoice) {
    Session s(Solid(1, 1, {255, 131, 7}));
    s.host.values[0] = 5;
    ASSERT_TRUE(s.run("onPosterize"));
    EXPECT_EQ(s.host.lastParam.sliders[0].Position, 3);
    EXPECT_EQ(At(s.ws.Image), (RGB{248, 128, 0}));  // mask 0xF8
    EXPECT_EQ(s.host.recordedLines, std::vector<std::string>{"POSTERIZE=5"});
    ASSERT_TRUE(s.run("onPosterize"));
    EXPECT_EQ(s.host.lastParam.sliders[0].Position, 5);
}

TEST(ColorMenu, BalanceAppliesLastPreviewAndKeepsMatch) {
    // Base (255, 255, 127), match 10: blue 137*128 div 255 = 68 (f = 195*100
    // div 127 = 153), so blue 100 -> 153; red and green keep 0.
    Session s(Solid(1, 1, {10, 20, 100}));
    s.host.balancePick = true;
    s.host.pick = {255, 255, 127};
    s.host.values[0] = 10;
    ASSERT_TRUE(s.run("onWhiteBalance"));
    EXPECT_EQ(s.host.lastParam.EffectCode, 160);
    EXPECT_EQ(s.host.lastParam.sliders[0].Position, 0);
    EXPECT_EQ(At(s.ws.Image), (RGB{10, 20, 153}));
    EXPECT_EQ(s.ws.remembered.Balance, 10);
    EXPECT_EQ(s.host.recordedLines, std::vector<std::string>{"WHITEBALANCE=0,0,68"});
}

TEST(ColorMenu, BalanceHandsWhitestPixelToDialog) {
    // WhiteMax leaves the packed colour of the whitest pixel in EffectValue3;
    // on a single grey pixel that is the grey itself.
    Session s(Solid(1, 1, {200, 200, 200}));
    int32_t packed = -1;
    struct Peek : DialogHost {
        int32_t* out;
        int ExecuteEffectsDlg(Workspace& ws, const FilterDlgParam&) override {
            *out = ws.EffectValue3;
            return kDialogCancelled;
        }
    } peek;
    peek.out = &packed;
    s.ws.setHost(peek);
    EXPECT_FALSE(s.run("onWhiteBalance"));
    EXPECT_EQ(UnpackColor(packed), (RGB{200, 200, 200}));
}

TEST(ColorMenu, RgbMaxAndNegativeFramesOn256ColourDisplay) {
    Session s(Solid(1, 1, {10, 200, 30}));
    s.ws.DisplayBitDepth = 8;
    ASSERT_TRUE(s.run("onRgbMax"));  // neither the warning nor the reduction offer
    EXPECT_TRUE(s.host.messages.empty());
    EXPECT_EQ(At(s.ws.Image), (RGB{200, 200, 200}));
    ASSERT_TRUE(s.run("onNegative"));  // the warning only
    ASSERT_EQ(s.host.messages.size(), 1u);
    EXPECT_EQ(s.host.messages[0].rfind("256 color displays", 0), 0u);
    EXPECT_EQ(At(s.ws.Image), (RGB{55, 55, 55}));
    EXPECT_EQ(s.host.recordedLines, (std::vector<std::string>{"RGBMAX", "NEGATIVE"}));
    s.host.messages.clear();
    ASSERT_TRUE(s.run("onParametricEqGreen"));  // gain 0: identity
    EXPECT_EQ(s.host.lastParam.title, "Parametric Equalizer [Green channel]");
    EXPECT_EQ(s.host.lastParam.EffectCode, 142);
    EXPECT_EQ(s.host.messages.back(), "Convert to 256 colors?");
    EXPECT_EQ(At(s.ws.Image), (RGB{55, 55, 55}));
}

}  // namespace
}  // namespace vimbra
