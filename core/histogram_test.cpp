#include "core/histogram.h"

#include <gtest/gtest.h>

#include <vector>

namespace vimbra {
namespace {

struct Px {
    int r, g, b;
};

// One row of pixels, left to right.
Bitmap Row(const std::vector<Px>& pixels) {
    Bitmap bm(int(pixels.size()), 1);
    for (size_t i = 0; i < pixels.size(); ++i) {
        uint8_t* p = bm.scanLine(0) + 3 * i;
        p[0] = uint8_t(pixels[i].b), p[1] = uint8_t(pixels[i].g), p[2] = uint8_t(pixels[i].r);
    }
    return bm;
}

// Grey picture holding `count` pixels of every level in `levels` (one row per level).
Bitmap GreyLevels(const std::vector<int>& levels, int count) {
    Bitmap bm(count, int(levels.size()));
    for (size_t y = 0; y < levels.size(); ++y)
        for (int x = 0; x < 3 * count; ++x) bm.scanLine(int(y))[x] = uint8_t(levels[y]);
    return bm;
}

std::vector<int> Range(int first, int last) {
    std::vector<int> v;
    for (int i = first; i <= last; ++i) v.push_back(i);
    return v;
}

Px At(const Bitmap& bm, int x, int y = 0) {
    const uint8_t* p = bm.scanLine(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

TEST(Histogram, OnePixelFillsEveryHistogramAndSum) {
    Workspace ws;
    ws.setImage(Row({{200, 100, 50}}));
    DoCalcHistogram(ws, PassTarget::mainPicture(ws), true, true, true);
    const Histograms& h = ws.hist;
    EXPECT_EQ(h.HistRed[200], 1);
    EXPECT_EQ(h.HistGrn[100], 1);
    EXPECT_EQ(h.HistBlu[50], 1);
    EXPECT_EQ(h.HistGry[125], 1);  // (6000 + 6000 + 500) div 100
    // HLS of (200, 100, 50): S = (150*3600 + 125) div 250 = 2160 -> bin 2160*255 div 3600 = 153;
    // H = Bd - Gd = 90075 div 150 - 60075 div 150 = 600 - 400 = 200 -> bin 14.
    EXPECT_EQ(h.HistSat[153], 1);
    EXPECT_EQ(h.HistHue[14], 1);
    EXPECT_EQ(h.HistPeak, 1);
    const ChannelStats& s = ws.stats;
    EXPECT_EQ(s.Count, 1);
    EXPECT_EQ(s.SumRed, 200);
    EXPECT_EQ(s.SumSqRed, 40000);
    EXPECT_EQ(s.SumGry, 125);
    EXPECT_EQ(s.SumSat, 153);
    EXPECT_EQ(s.SumSqHue, 196);
    // Red has the largest sum.
    EXPECT_EQ(s.PeakSum, 200);
    EXPECT_EQ(s.PeakSumSq, 40000);
    EXPECT_EQ(HistogramEndPoints(h.HistGry, false), (EndPoints{0, 255}));
    EXPECT_FALSE(ws.Modified);
}

TEST(Histogram, PeakSumKeepsTheEarlierOfEqualSums) {
    // Grey values 104 and 96: grey, red, green and blue sums are all 200, but the
    // squares differ (grey 10816 + 9216, red 8100 + 12100).
    Workspace ws;
    ws.setImage(Row({{90, 110, 110}, {110, 90, 90}}));
    DoCalcHistogram(ws, PassTarget::mainPicture(ws), false, true, false);
    EXPECT_EQ(ws.stats.PeakSum, 200);
    EXPECT_EQ(ws.stats.PeakSumSq, 20032);
}

TEST(Histogram, FewerFlagsLeaveTheOtherArraysAlone) {
    Workspace ws;
    ws.setImage(Row({{10, 10, 10}}));
    ws.hist.HistSat[7] = 5000;
    ws.stats.SumRed = 99;
    DoCalcHistogram(ws, PassTarget::mainPicture(ws), false, false, false);
    EXPECT_EQ(ws.hist.HistSat[7], 5000);
    EXPECT_EQ(ws.hist.HistPeak, 1);  // from the arrays this pass filled
    EXPECT_EQ(ws.stats.SumRed, 0);   // sums are always cleared
    EXPECT_EQ(ws.stats.Count, 1);    // and an empty count reads 1
}

TEST(Histogram, GreyPixelsHaveNoSaturationAndBlueHue) {
    Workspace ws;
    ws.setImage(GreyLevels({0, 77, 255}, 5));
    DoCalcHistogram(ws, PassTarget::mainPicture(ws), true, false, true);
    EXPECT_EQ(ws.hist.HistSat[0], 15);
    EXPECT_EQ(ws.hist.HistHue[170], 15);  // hue 2400
    EXPECT_EQ(ws.hist.HistPeak, 15);
}

TEST(Histogram, SaturationAndHueBinsMatchTheHlsConversion) {
    // Every colour, one red level per picture, against RGBtoHLS directly.
    Workspace ws;
    Bitmap bm(256, 256);
    for (int r = 0; r < 256; r += 1) {
        Histogram sat{}, hue{};
        for (int g = 0; g < 256; ++g) {
            for (int b = 0; b < 256; ++b) {
                uint8_t* p = bm.scanLine(g) + 3 * b;
                p[0] = uint8_t(b), p[1] = uint8_t(g), p[2] = uint8_t(r);
                const HLS hls = RGBtoHLS(r, g, b);
                ++sat[size_t(std::min(255, hls.S * 255 / 3600))];
                ++hue[size_t(std::min(255, hls.H * 255 / 3600))];
            }
        }
        DoCalcHistogram(ws, PassTarget::preview(bm), true, false, true);
        ASSERT_EQ(ws.hist.HistSat, sat) << "red " << r;
        ASSERT_EQ(ws.hist.HistHue, hue) << "red " << r;
    }
}

TEST(Histogram, MidtonesCountOnlyGreysFrom16To240) {
    Workspace ws;
    ws.setImage(GreyLevels({10, 16, 100, 240, 250}, 1));
    ws.stats.SumRed = 7;
    DoCalcMidtones(ws, PassTarget::mainPicture(ws));
    EXPECT_EQ(ws.hist.HistGry[10], 1);
    EXPECT_EQ(ws.hist.HistGry[250], 1);
    EXPECT_EQ(ws.stats.Count, 3);
    EXPECT_EQ(ws.stats.SumGry, 356);                    // 16 + 100 + 240
    EXPECT_EQ(ws.stats.SumSqGry, 256 + 10000 + 57600);
    EXPECT_EQ(ws.stats.PeakSum, 356);
    EXPECT_EQ(ws.stats.SumRed, 7);  // untouched

    ws.setImage(GreyLevels({15, 241}, 4));
    DoCalcMidtones(ws, PassTarget::mainPicture(ws));
    EXPECT_EQ(ws.stats.Count, 0);  // not forced to 1
    EXPECT_EQ(ws.hist.HistPeak, 4);
}

TEST(HistogramEndPoints, NeedFourNeighboursAbove48) {
    Workspace ws;
    ws.setImage(GreyLevels(Range(0, 255), 48));
    DoCalcHistogram(ws, PassTarget::mainPicture(ws), false, false, false);
    EXPECT_EQ(HistogramEndPoints(ws.hist.HistGry, false), (EndPoints{0, 255}));

    ws.setImage(GreyLevels(Range(10, 200), 49));
    DoCalcHistogram(ws, PassTarget::mainPicture(ws), false, false, false);
    EXPECT_EQ(HistogramEndPoints(ws.hist.HistGry, false), (EndPoints{10, 200}));

    // A run ending at 254 reports 255.
    ws.setImage(GreyLevels(Range(10, 254), 49));
    DoCalcHistogram(ws, PassTarget::mainPicture(ws), false, false, false);
    EXPECT_EQ(HistogramEndPoints(ws.hist.HistGry, false), (EndPoints{10, 255}));
}

TEST(HistogramEndPoints, SaturationSearchesANarrowerRange) {
    Histogram top{}, bottom{};
    for (int i = 251; i <= 255; ++i) top[size_t(i)] = 49;
    for (int i = 0; i <= 3; ++i) bottom[size_t(i)] = 49;
    // The grey search reaches lo 251 and hi 3; the saturation search stops at 250 and 4.
    EXPECT_EQ(HistogramEndPoints(top, false), (EndPoints{251, 255}));
    EXPECT_EQ(HistogramEndPoints(top, true), (EndPoints{0, 255}));
    EXPECT_EQ(HistogramEndPoints(bottom, false), (EndPoints{0, 3}));
    EXPECT_EQ(HistogramEndPoints(bottom, true), (EndPoints{0, 255}));
}

TEST(HistogramEndPoints, FirstPopulatedBin) {
    Histogram h{};
    EXPECT_EQ(FirstPopulatedBin(h), 0);
    h[3] = 48;
    h[9] = 49;
    EXPECT_EQ(FirstPopulatedBin(h), 9);
}

TEST(Statistics, RoundHalfEvenAndStayExact) {
    // {0, 1}: mean 0.5, deviation 0.5, both to 0. {0, 3}: mean 1.5, deviation 1.5, to 2.
    EXPECT_EQ(StatMean(1, 2), 0);
    EXPECT_EQ(StatDeviation(1, 1, 2), 0);
    EXPECT_EQ(StatMean(3, 2), 2);
    EXPECT_EQ(StatDeviation(3, 9, 2), 2);
    // {100, 100, 100, 200}: variance (4*70000 - 500^2) / 16 = 1875.
    EXPECT_NEAR(double(StatDeviationReal(500, 70000, 4)), 43.30127018922193, 1e-12);
    // 100 million pixels of 255: deviation exactly 0, where Sum*Sum/Count in long
    // double would leave a residue (and a square root of a negative number).
    const Real n = 99999989;
    EXPECT_EQ(StatDeviationReal(255 * n, 65025 * n, n), 0);
    EXPECT_EQ(StatMean(255 * n, n), 255);
}

TEST(WhiteMax, TakesTheLastPixelLoweringHueAndSaturation) {
    Workspace ws;
    // Visited right to left: grey 200 (H 2400, S 0) comes first; grey 100 has the
    // same hue, not a smaller one, so it does not replace it.
    ws.setImage(Row({{100, 100, 100}, {200, 200, 200}}));
    const RGB c = WhiteMax(ws, PassTarget::mainPicture(ws));
    EXPECT_EQ(c, (RGB{200, 200, 200}));  // L 2824 -> 2824*255 div 3600 = 200
    EXPECT_EQ(ws.EffectValue1, 200);
    EXPECT_EQ(ws.EffectValue2, 200);
    EXPECT_EQ(ws.EffectValue3, 200 + 256 * 200 + 65536 * 200);
    EXPECT_FALSE(ws.Modified);

    // Pure red has S 3600: nothing replaces (3599, 0, 3599), which is black.
    ws.setImage(Row({{255, 0, 0}, {255, 0, 0}}));
    EXPECT_EQ(WhiteMax(ws, PassTarget::mainPicture(ws)), (RGB{0, 0, 0}));
    EXPECT_EQ(ws.EffectValue3, 0);
}

TEST(WhiteProfile, BlackensPixelsAboveSaturation900) {
    Workspace ws;
    // (125, 75, 75): S = (50*3600 + 100) div 200 = 900, kept.
    // (126, 75, 75): S = (51*3600 + 100) div 201 = 913, blackened.
    ws.setImage(Row({{128, 128, 128}, {125, 75, 75}, {126, 75, 75}, {255, 0, 0}}));
    WhiteProfile(ws, PassTarget::mainPicture(ws));
    EXPECT_EQ(At(ws.Image, 0).r, 128);
    EXPECT_EQ(At(ws.Image, 1).r, 125);
    EXPECT_EQ(At(ws.Image, 2).r, 0);
    EXPECT_EQ(At(ws.Image, 3).r, 0);
    EXPECT_TRUE(ws.Modified);
}

}  // namespace
}  // namespace vimbra
