#include "commands/correction_commands.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/histogram.h"
#include "commands/map_commands.h"

namespace vimbra {
namespace {

struct Px {
    int r, g, b;
    bool operator==(const Px&) const = default;
};

Bitmap Row(const std::vector<Px>& pixels) {
    Bitmap bm(int(pixels.size()), 1);
    for (size_t i = 0; i < pixels.size(); ++i) {
        uint8_t* p = bm.scanLine(0) + 3 * i;
        p[0] = uint8_t(pixels[i].b), p[1] = uint8_t(pixels[i].g), p[2] = uint8_t(pixels[i].r);
    }
    return bm;
}

std::vector<Px> Pixels(const Bitmap& bm) {
    std::vector<Px> out;
    for (int x = 0; x < bm.width(); ++x) {
        const uint8_t* p = bm.scanLine(0) + 3 * x;
        out.push_back({p[2], p[1], p[0]});
    }
    return out;
}

// A script run: values from the line, nothing recorded.
struct Scripted : ::testing::Test {
    FrameHost host;
    Workspace ws{host};
    void SetUp() override {
        ws.BatchRunning = true;
        ws.RecordingActive = true;
    }
    void Load(const std::vector<Px>& px) { ws.setImage(Row(px)); }
    void Args(int a, int b = 0, int c = 0) {
        ws.EffectValue1 = a, ws.EffectValue2 = b, ws.EffectValue3 = c;
    }
    void TearDown() override { EXPECT_TRUE(host.recordedLines.empty()); }
};

TEST_F(Scripted, MapOffsetsFromTheChannelsOwnStatistics) {
    // Red 100, 200: mean 150, deviation 50. +10, -25: targets 160, 25 -> 135, 185.
    Load({{100, 7, 7}, {200, 9, 9}});
    Args(10, -25);
    BipMapRed(ws);
    EXPECT_EQ(Pixels(ws.Image), (std::vector<Px>{{135, 7, 7}, {185, 9, 9}}));
    // Absolute targets 150, 25 -> 125, 175.
    Load({{100, 7, 7}, {200, 9, 9}});
    Args(150, 25);
    BipConformRed(ws);
    EXPECT_EQ(Pixels(ws.Image), (std::vector<Px>{{125, 7, 7}, {175, 9, 9}}));
}

TEST_F(Scripted, MapRgbAndMapEq) {
    // Every channel 100, 200 with offsets 0, -25: targets 150, 25 on each.
    Load({{100, 100, 100}, {200, 200, 200}});
    Args(0, -25);
    BipMapRgb(ws);
    EXPECT_EQ(Pixels(ws.Image), (std::vector<Px>{{125, 125, 125}, {175, 175, 175}}));
    // Absolute 128, 127: l(100) = 128 - 127 = 1, l(200) = 255.
    Load({{100, 100, 100}, {200, 200, 200}});
    Args(128, 127);
    BipMapEq(ws);
    EXPECT_EQ(Pixels(ws.Image), (std::vector<Px>{{1, 1, 1}, {255, 255, 255}}));
}

TEST_F(Scripted, OneClickCorrections) {
    Load({{40, 40, 40}, {60, 60, 60}});
    BipOptimize(ws);  // mean 50, deviation 10 -> 63, 37
    EXPECT_EQ(Pixels(ws.Image), (std::vector<Px>{{26, 26, 26}, {100, 100, 100}}));

    Load({{100, 100, 100}, {200, 200, 200}});
    BipEqualize(ws);  // mean 150, deviation 50: 128 -/+ 127
    EXPECT_EQ(Pixels(ws.Image), (std::vector<Px>{{1, 1, 1}, {255, 255, 255}}));

    // A grey picture has nothing to saturate.
    Load({{30, 30, 30}, {200, 200, 200}});
    BipAutoSaturate(ws);
    EXPECT_EQ(Pixels(ws.Image), (std::vector<Px>{{30, 30, 30}, {200, 200, 200}}));

    Load({{100, 100, 100}});
    BipAutoGamma(ws);
    EXPECT_EQ(Pixels(ws.Image)[0], (Px{128, 128, 128}));
}

TEST_F(Scripted, AutoFlashModeComesFromTheFirstValue) {
    // Mode 0 tries Optimize: mean 50 -> 63, conformed to 54, 74 (gamma 123).
    // Mode 2 tries AutoWhite: whitest grey 60 comes back from L 847 as 59, brightness
    // 127 - 29 = 98, k = 1.77: 40 -> 71, 60 -> 106, mean [88.5] = 88. Gammas 150 (68, 88),
    // 187 (86, 104), 141 (64, 83), 176 (81, 99): mean 90, within 3.
    Load({{40, 40, 40}, {60, 60, 60}});
    Args(7);
    BipAutoFlash(ws);
    EXPECT_EQ(Pixels(ws.Image), (std::vector<Px>{{54, 54, 54}, {74, 74, 74}}));
    Load({{40, 40, 40}, {60, 60, 60}});
    Args(2);
    BipAutoFlash(ws);
    EXPECT_EQ(Pixels(ws.Image), (std::vector<Px>{{81, 81, 81}, {99, 99, 99}}));
}

TEST_F(Scripted, ConformGammas) {
    Load({{100, 100, 100}});
    Args(128);
    BipConformGamma(ws);
    EXPECT_EQ(Pixels(ws.Image)[0], (Px{130, 130, 130}));
    Load({{100, 100, 100}});
    Args(128, 100, 60);
    BipConformGammaRgb(ws);
    EXPECT_EQ(Pixels(ws.Image)[0], (Px{129, 101, 58}));
}

TEST_F(Scripted, ZeroMapPacksTheUsedLevels) {
    Load({{10, 5, 0}, {20, 250, 0}, {30, 5, 0}});
    BipZeroMap(ws);
    EXPECT_EQ(Pixels(ws.Image), (std::vector<Px>{{0, 0, 0}, {1, 1, 0}, {2, 0, 0}}));
}

TEST_F(Scripted, CenterLinesUpThePeaks) {
    // Already aligned: no shift.
    Load({{100, 100, 100}, {100, 100, 100}});
    BipCenter(ws);
    EXPECT_EQ(Pixels(ws.Image)[0], (Px{100, 100, 100}));
    // Single levels have no falling top, so the shift is not limited: peaks 99, 99, 49
    // (first of three equal window sums), blue moves up by 50.
    Load({{100, 100, 50}, {100, 100, 50}});
    BipCenter(ws);
    EXPECT_EQ(Pixels(ws.Image)[0], (Px{100, 100, 100}));
}

TEST_F(Scripted, CenterLimitsTheShiftByTheTop) {
    // Blue: 100 at 50, 10 at 229, 6 at 230 (top 230). Every window from [16, 240] to
    // [88, 168] pushes the top past 255; the last ([88, 168], blue peak 0) asks a shift of
    // 99, limited to 255 - 230 = 25.
    std::vector<Px> px;
    for (int i = 0; i < 100; ++i) px.push_back({100, 100, 50});
    for (int i = 0; i < 10; ++i) px.push_back({100, 100, 229});
    for (int i = 0; i < 6; ++i) px.push_back({100, 100, 230});
    Load(px);
    BipCenter(ws);
    const std::vector<Px> out = Pixels(ws.Image);
    EXPECT_EQ(out[0], (Px{100, 100, 75}));
    EXPECT_EQ(out[100], (Px{100, 100, 254}));
    EXPECT_EQ(out[110], (Px{100, 100, 255}));
}

TEST_F(Scripted, LimitRunsBothRemapsInTurn) {
    // Low remap 20..100 onto 0..100, then high remap 100..200 onto 100..255 with the low
    // remap still in place: 60 -> [40*100/80] = 50 -> [30*100/80] = [37.5] = 38;
    // 130 -> 130 -> [30*155/100] + 100 = [46.5] + 100 = 146; 150 -> [77.5] + 100 = 178.
    Load({{60, 60, 60}, {130, 130, 130}, {150, 150, 150}, {10, 10, 10}});
    Args(20, 100, 200);
    BipLimitRed(ws);
    EXPECT_EQ(Pixels(ws.Image), (std::vector<Px>{{38, 60, 60}, {146, 130, 130}, {178, 150, 150},
                                                 {0, 10, 10}}));
    // Median within 3 of both ends: nothing to do.
    Load({{60, 60, 60}});
    Args(100, 103, 106);
    BipLimitAll(ws);
    EXPECT_EQ(Pixels(ws.Image)[0], (Px{60, 60, 60}));
    EXPECT_FALSE(ws.Modified);
}

// Menu commands through the frame, with the default host accepting the sliders'
// starting positions.
struct Menu : ::testing::Test {
    FrameHost host;
    Workspace ws{host};
    void SetUp() override { ws.RecordingActive = true; }
    bool Run(const char* name) {
        const EditCommand* c = FindCorrectionMenuCommand(name);
        EXPECT_NE(c, nullptr) << name;
        return c && RunEditCommand(ws, *c);
    }
};

TEST_F(Menu, TuneRgbAtItsStartChangesNothing) {
    ws.setImage(Row({{10, 80, 200}, {90, 30, 120}}));
    const Bitmap before = ws.Image;
    ASSERT_TRUE(Run("onTuneRgb"));
    EXPECT_EQ(ws.Image, before);
    EXPECT_EQ(host.recordedLines, (std::vector<std::string>{"MAP_RGB=0,0"}));
}

TEST_F(Menu, MapStartsAtTheChannelStatisticsAndRecordsOffsets) {
    // Red 100, 200: sliders start at 150, 50 and stay there: the remap keeps the picture.
    ws.setImage(Row({{100, 7, 7}, {200, 9, 9}}));
    ws.EffectValue1 = 0;
    ASSERT_TRUE(Run("onMapRed"));
    EXPECT_EQ(Pixels(ws.Image), (std::vector<Px>{{100, 7, 7}, {200, 9, 9}}));
    EXPECT_EQ(host.recordedLines, (std::vector<std::string>{"MAP_RED=0,0"}));
    EXPECT_EQ(host.busyMessage, "Remapping ...");
}

TEST_F(Menu, LimitAtItsStartChangesNothing) {
    ws.setImage(Row({{10, 80, 200}, {90, 30, 120}}));
    const Bitmap before = ws.Image;
    ASSERT_TRUE(Run("onLimitGreen"));
    EXPECT_EQ(ws.Image, before);
    EXPECT_EQ(host.recordedLines, (std::vector<std::string>{"LIMIT_GRN=0,128,255"}));
}

TEST_F(Menu, AutoFlashRecordsOnlyWhenItChangedThePicture) {
    ws.setImage(Row({{190, 190, 190}, {210, 210, 210}}));
    ASSERT_TRUE(Run("onAutoFlash"));
    EXPECT_TRUE(host.recordedLines.empty());
    ws.setImage(Row({{40, 40, 40}, {60, 60, 60}}));
    ASSERT_TRUE(Run("onAutoFlash"));
    EXPECT_EQ(host.recordedLines, (std::vector<std::string>{"AUTO_FLASH=0"}));
}

TEST_F(Menu, EveryCommandRunsOnATinyPicture) {
    for (const EditCommand& c : CorrectionMenuCommands()) {
        ws.setImage(Row({{10, 80, 200}}));
        EXPECT_TRUE(RunEditCommand(ws, c)) << c.name;
    }
    // AutoFlash records only when it brightened.
    EXPECT_GE(host.recordedLines.size(), CorrectionMenuCommands().size() - 1);
}

TEST(RgbInfo, DescribesThePictureAsDisabledLines) {
    Workspace ws;
    ws.setImage(Row({{100, 50, 20}, {200, 70, 40}}));
    // Grey 62 and 106: mean 84, deviation 22.
    EXPECT_EQ(RgbInfoLines(ws),
              (std::vector<std::string>{std::string(30, '-'), ">CONFORM_RED=150,50",
                                        ">CONFORM_GRN=60,10", ">CONFORM_BLU=30,10",
                                        ">CONFORM_LIT=84,22", ">CONFORM_GAMMA_RGB=150,60,30",
                                        ">CONFORM_GAMMA=84", std::string(30, '-')}));
}

TEST(MapDialogs, StartInsideTheSliderRanges) {
    Workspace ws;
    ws.setImage(Row({{0, 0, 0}, {2, 0, 0}}));
    DoCalcHistogram(ws, PassTarget::mainPicture(ws), true, true, false);
    const MapStart red = MapInitialPositions(ws, kMapRed);  // mean 1, deviation 1
    EXPECT_EQ(red.mean, 8);
    EXPECT_EQ(red.deviation, 3);
    EXPECT_EQ(MapInitialPositions(ws, kTuneRgb).mean, 128);
}

}  // namespace
}  // namespace vimbra
