#include "core/auto_corrections.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/histogram.h"

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

Bitmap Greys(const std::vector<int>& levels) {
    std::vector<Px> px;
    for (int v : levels) px.push_back({v, v, v});
    return Row(px);
}

std::vector<Px> Pixels(const Bitmap& bm) {
    std::vector<Px> out;
    for (int x = 0; x < bm.width(); ++x) {
        const uint8_t* p = bm.scanLine(0) + 3 * x;
        out.push_back({p[2], p[1], p[0]});
    }
    return out;
}

std::vector<int> Reds(const Bitmap& bm) {
    std::vector<int> out;
    for (const Px& p : Pixels(bm)) out.push_back(p.r);
    return out;
}

PassTarget Main(Workspace& ws) { return PassTarget::mainPicture(ws); }

TEST(DoNormalize, RemapsOneChannelToTheTargets) {
    // Red 90, 150, 210: mean 150, deviation sqrt(2400) = 48.9898.
    // l(90) = 128 + 49*(-60)/48.9898 = 67.99 -> 67; l(210) = 188.01 -> 188.
    Workspace ws;
    ws.setImage(Row({{90, 1, 2}, {150, 3, 4}, {210, 5, 6}}));
    DoCalcHistogram(ws, Main(ws), false, true, false);
    ws.EffectValue1 = 128;
    ws.EffectValue2 = 49;
    DoNormalize(ws, Main(ws), kChannelRed);
    EXPECT_EQ(Pixels(ws.Image), (std::vector<Px>{{67, 1, 2}, {128, 3, 4}, {188, 5, 6}}));
    EXPECT_TRUE(ws.Modified);
}

TEST(DoNormalize, FlatChannelAndOutOfRangeTargets) {
    // Deviation 0 counts as 1; targets are limited to 1..255 first.
    Workspace ws;
    ws.setImage(Greys({100, 100}));
    DoCalcHistogram(ws, Main(ws), false, true, false);
    ws.EffectValue1 = 0;
    ws.EffectValue2 = 999;
    DoNormalize(ws, Main(ws), kChannelGreen);
    EXPECT_EQ(ws.EffectValue1, 1);
    EXPECT_EQ(ws.EffectValue2, 255);
    EXPECT_EQ(Pixels(ws.Image)[0], (Px{100, 1, 100}));  // l(100) = 1 + 255*0/1
}

TEST(SpreadTargets, WidenUntilTheMeanWouldLeaveTheRange) {
    // m 100, s 20: after k steps f = k, d = (k-1)/2, t = 1.5k + 19.5; stops at k = 53
    // (100 - 99 <= 1): mean [100 + 26], deviation [20 + 53].
    EXPECT_EQ(SpreadTargets(100, 20), (SpreadTarget{126, 73}));
    // m 200, s 10: stops at k = 31 (200 + 56 >= 255): d 15.
    EXPECT_EQ(SpreadTargets(200, 10), (SpreadTarget{215, 41}));
    // m 254: t = 1 already reaches 255.
    EXPECT_EQ(SpreadTargets(254, 0), (SpreadTarget{254, 1}));
}

TEST(OneClick, NormalizeTakesTheChannelWithTheLargestSum) {
    // Red sums 300 (squares 50000) beat grey 168: every channel to mean 150, spread 50.
    Workspace ws;
    ws.setImage(Row({{100, 50, 20}, {200, 70, 40}}));
    Normalize(ws, Main(ws));
    EXPECT_EQ(Pixels(ws.Image), (std::vector<Px>{{100, 100, 100}, {200, 200, 200}}));
}

TEST(OneClick, EqualizeTargets128And127) {
    // Mean 125, deviation 43.30: l(100) = 128 - 127*25/43.30 = 54.68 -> 54;
    // l(200) = 128 + 219.97 clipped to 255.
    Workspace ws;
    ws.setImage(Greys({100, 100, 100, 200}));
    Equalize(ws, Main(ws));
    EXPECT_EQ(Reds(ws.Image), (std::vector<int>{54, 54, 54, 255}));
    EXPECT_EQ(Pixels(ws.Image)[0], (Px{54, 54, 54}));
}

// 49 pixels at each of 50..53 and 200..203.
Bitmap ContrastTest() {
    std::vector<int> v;
    for (int level : {50, 51, 52, 53, 200, 201, 202, 203})
        for (int i = 0; i < 49; ++i) v.push_back(level);
    return Greys(v);
}

TEST(OneClick, AutoContrastStretchesBetweenTheEndPoints) {
    // lo 50, hi 203: curve[50 + k] = [k * 255 / 153] = [5k / 3].
    Workspace ws;
    ws.setImage(ContrastTest());
    AutoContrast(ws, Main(ws));
    std::vector<int> firsts;
    for (int i = 0; i < 8; ++i) firsts.push_back(Reds(ws.Image)[size_t(49 * i)]);
    EXPECT_EQ(firsts, (std::vector<int>{0, 2, 3, 5, 250, 252, 253, 255}));
}

TEST(OneClick, AutoContrastWithoutEndPointsChangesNothing) {
    std::vector<int> v;
    for (int level = 0; level < 256; ++level)
        for (int i = 0; i < 48; ++i) v.push_back(level);
    Workspace ws;
    ws.setImage(Greys(v));
    const Bitmap before = ws.Image;
    AutoContrast(ws, Main(ws));
    EXPECT_EQ(ws.Image, before);
}

TEST(OneClick, AutoWhiteAndAutoBalanceOnGrey) {
    // Whitest pixel grey 200. AutoWhite: brightness 127 - 100 = 27, k = 154*100 div 127 / 100
    // = 1.21, 200 -> 242. AutoBalance: gains k = 182*100 div 127 / 100 = 1.43 -> 286 on every
    // channel, scaled to 255; luminance 200: 55*200 div 255 + 200*255 div 255 = 43 + 200.
    Workspace ws;
    ws.setImage(Greys({200}));
    AutoWhite(ws, Main(ws));
    EXPECT_EQ(Pixels(ws.Image)[0], (Px{242, 242, 242}));
    ws.setImage(Greys({200}));
    AutoBalance(ws, Main(ws));
    EXPECT_EQ(Pixels(ws.Image)[0], (Px{243, 243, 243}));
}

TEST(AutoGamma, BrightensTowardsTheSpreadTarget) {
    // Mid-tone mean 100, deviation 0: n = 50, target 150. 255*(100/255)^(1/1.72) = 147.97
    // misses by more than 2, 1.73 gives 148.44: gamma 173, GrnLut[100] = 148.
    // Filter: 100*100 div 255 + 148*155 div 255 = 39 + 89.
    Workspace ws;
    ws.setImage(Greys({100, 100}));
    EXPECT_EQ(AutoGamma(ws, Main(ws)), 173);
    EXPECT_EQ(Pixels(ws.Image)[0], (Px{128, 128, 128}));
}

TEST(AutoGamma, NeverDarkens) {
    // Four 240s and a 16: mean 195.2, deviation 89.6, so n = 0 and the target is the mean
    // itself, first met at gamma 97: raised to 100. The weighting still truncates:
    // 240 -> 240*240 div 255 + 240*15 div 255 = 225 + 14; 16 -> 0 + 16*241 div 255 = 15.
    Workspace ws;
    ws.setImage(Greys({240, 240, 240, 240, 16}));
    EXPECT_EQ(AutoGamma(ws, Main(ws)), 100);
    EXPECT_EQ(Reds(ws.Image), (std::vector<int>{239, 239, 239, 239, 15}));
}

TEST(AutoFlash, AppliesTheTrialBrightnessAsAGamma) {
    // Optimize would take 40, 60 to 26, 100: mid-tone mean 50 -> 63, so conform to 63.
    // Gammas 150 (68, 88), 113 (48, 68), 141 (64, 83), 106 (43, 63), 132 (59, 79),
    // 99 (38, 59), 123 (54, 74): mean 64, within 3.
    Workspace ws;
    ws.setImage(Greys({40, 60}));
    EXPECT_TRUE(AutoFlash(ws, Main(ws), 0));
    EXPECT_EQ(Reds(ws.Image), (std::vector<int>{54, 74}));
}

TEST(AutoFlash, LeavesThePictureWhenTheTrialDarkens) {
    // Optimize takes 190, 210 to 174, 255: mid-tone mean 200 -> 174.
    Workspace ws;
    ws.setImage(Greys({190, 210}));
    const Bitmap before = ws.Image;
    EXPECT_FALSE(AutoFlash(ws, Main(ws), 0));
    EXPECT_EQ(ws.Image, before);
    EXPECT_FALSE(ws.Modified);
}

TEST(MidtoneCorrections, PictureWithoutMidtonesIsLeftAlone) {
    Workspace ws;
    ws.setImage(Greys({0, 10, 241, 255}));
    const Bitmap before = ws.Image;
    EXPECT_EQ(AutoGamma(ws, Main(ws)), 0);
    EXPECT_FALSE(AutoFlash(ws, Main(ws), 0));
    ws.EffectValue1 = 128;
    DoConformGamma(ws, Main(ws));
    EXPECT_EQ(ws.Image, before);
    EXPECT_FALSE(ws.Modified);
}

TEST(Conform, GammaSearchStopsWithin3) {
    // Grey 100 to 128: gamma 150 gives 122, 187 gives 133, 141 gives 118, 176 gives 130.
    Workspace ws;
    ws.setImage(Greys({100, 100}));
    ws.EffectValue1 = 128;
    DoConformGamma(ws, Main(ws));
    EXPECT_EQ(Reds(ws.Image), (std::vector<int>{130, 130}));
}

TEST(Conform, RgbGammasSearchEachChannel) {
    // Grey 100 to 128, 100, 60 through the plain gamma curves:
    // red 150 137, 113 111, 141 131, 106 105, 132 125, 165 145, 124 120, 155 139, 117 115,
    //     146 134, 110 109, 137 129;
    // green 75 73, 93 93, 116 114, 87 87, 108 107, 81 80, 101 101;
    // blue 75 73, 57 49, 71 68, 54 45, 67 63, 51 41, 63 58.
    Workspace ws;
    ws.setImage(Greys({100}));
    ws.EffectValue1 = 128;
    ws.EffectValue2 = 100;
    ws.EffectValue3 = 60;
    DoConformGammaRGB(ws, Main(ws));
    EXPECT_EQ(Pixels(ws.Image)[0], (Px{129, 101, 58}));
}

}  // namespace
}  // namespace vimbra
