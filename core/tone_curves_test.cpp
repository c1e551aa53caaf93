#include "core/tone_curves.h"

#include <gtest/gtest.h>

namespace vimbra {
namespace {

Curve Identity() {
    Curve c;
    for (int i = 0; i < 256; ++i) c[size_t(i)] = uint8_t(i);
    return c;
}

// Curves with every entry 7, so untouched entries show.
ToneCurves Marked() {
    ToneCurves c;
    c.RedLut.fill(7);
    c.GrnLut.fill(7);
    c.BluLut.fill(7);
    return c;
}

TEST(ToneCurves, NeutralSettingsGiveTheIdentity) {
    for (int ch = 0; ch < 3; ++ch) {
        ToneCurves c = Marked();
        SetGammaLUT(c, 100, ch);
        EXPECT_EQ(c.curve(ch), Identity()) << "gamma 100, channel " << ch;
        SetBrightLUT(c, 0, ch);
        EXPECT_EQ(c.curve(ch), Identity()) << "brightness 0";
        SetShiftLUT(c, 0, ch);
        EXPECT_EQ(c.curve(ch), Identity()) << "shift 0";
        SetContrastLUT(c, 0, ch);
        EXPECT_EQ(c.curve(ch), Identity()) << "contrast 0";
        SetContrastLUT(c, 1, ch);  // a = 12800 div 127 - 100 = 0
        EXPECT_EQ(c.curve(ch), Identity()) << "contrast 1";
        SetSupressLUT(c, 0, 255, ch);
        EXPECT_EQ(c.curve(ch), Identity()) << "supress 0..255";
        SetStretchLUT(c, 0, 255, ch);
        EXPECT_EQ(c.curve(ch), Identity()) << "stretch 0..255";
    }
    ToneCurves c = Marked();
    ResetMaps(c);
    EXPECT_EQ(c.RedLut, Identity());
    EXPECT_EQ(c.GrnLut, Identity());
    EXPECT_EQ(c.BluLut, Identity());
}

TEST(ToneCurves, ChannelIndexSelectsTheCurveAndOthersKeepTheirEntries) {
    ToneCurves c = Marked();
    SetGammaLUT(c, 200, 5);  // anything above 1 is blue
    EXPECT_EQ(c.BluLut[64], 128);
    EXPECT_EQ(c.RedLut[64], 7);
    EXPECT_EQ(c.GrnLut[0], 7);  // gamma leaves entry 0 of the others alone
    // Brightness, shift and contrast zero entry 0 of all three.
    for (auto build : {SetBrightLUT, SetShiftLUT, SetContrastLUT}) {
        ToneCurves m = Marked();
        build(m, 10, 0);
        EXPECT_EQ(m.GrnLut[0], 0);
        EXPECT_EQ(m.BluLut[0], 0);
        EXPECT_EQ(m.GrnLut[1], 7);
    }
}

TEST(ToneCurves, GammaEntries) {
    ToneCurves c;
    // Gamma 2: 255 × sqrt(i/255). i = 64: 255 × 0.50098 = 127.75 -> 128;
    // i = 1: sqrt(255) = 15.97 -> 16.
    SetGammaLUT(c, 200, 0);
    EXPECT_EQ(c.RedLut[0], 0);
    EXPECT_EQ(c.RedLut[1], 16);
    EXPECT_EQ(c.RedLut[64], 128);
    EXPECT_EQ(c.RedLut[255], 255);
    // Gamma 0.5: i² / 255. 128 -> 64.25 -> 64; 200 -> 156.86 -> 157; 1 -> 0.
    SetGammaLUT(c, 50, 1);
    EXPECT_EQ(c.GrnLut[1], 0);
    EXPECT_EQ(c.GrnLut[128], 64);
    EXPECT_EQ(c.GrnLut[200], 157);
    // Gamma 3 at 128: 255 × 0.50196^(1/3) = 255 × 0.79473 = 202.66 -> 203.
    SetGammaLUT(c, 300, 2);
    EXPECT_EQ(c.BluLut[128], 203);
}

TEST(ToneCurves, Brightness) {
    ToneCurves c;
    // f = 17 × 100 div 127 = 13; 50 × 0.13 is just above 6.5 at 40 bits -> 7.
    SetBrightLUT(c, -110, 0);
    EXPECT_EQ(c.RedLut[50], 7);
    // f = 71 × 100 div 127 = 55; 110 × 0.55 = 60.5 exactly -> 60 (half to even).
    SetBrightLUT(c, -56, 0);
    EXPECT_EQ(c.RedLut[110], 60);
    SetBrightLUT(c, -127, 1);  // f = 0
    EXPECT_EQ(c.GrnLut, Curve{});
    SetBrightLUT(c, 127, 2);  // f = 200: doubles, clipped at 255
    EXPECT_EQ(c.BluLut[100], 200);
    EXPECT_EQ(c.BluLut[127], 254);
    EXPECT_EQ(c.BluLut[128], 255);
    EXPECT_EQ(c.BluLut[255], 255);
}

TEST(ToneCurves, SixteenBitGainsAreNotClipped) {
    ToneCurves c;
    c.GrnLut16.fill(9);
    c.BluLut16.fill(9);
    SetBrightLUTex(c, 127, 0);  // k = 2
    EXPECT_EQ(c.RedLut16[0], 0);
    EXPECT_EQ(c.RedLut16[128], 256);
    EXPECT_EQ(c.RedLut16[255], 510);
    EXPECT_EQ(c.GrnLut16[0], 0);
    EXPECT_EQ(c.BluLut16[0], 0);
    EXPECT_EQ(c.GrnLut16[1], 9);
    SetBrightLUTex(c, -56, 1);  // as the 8-bit curve: 110 -> 60
    EXPECT_EQ(c.GrnLut16[110], 60);
    EXPECT_EQ(c.RedLut, Identity());  // the byte curves are not touched
}

TEST(ToneCurves, Shift) {
    ToneCurves c;
    SetShiftLUT(c, 20, 0);
    EXPECT_EQ(c.RedLut[0], 0);  // black stays black
    EXPECT_EQ(c.RedLut[1], 21);
    EXPECT_EQ(c.RedLut[235], 255);
    EXPECT_EQ(c.RedLut[255], 255);
    SetShiftLUT(c, -20, 0);
    for (int i = 0; i <= 20; ++i) EXPECT_EQ(c.RedLut[size_t(i)], 0) << i;
    EXPECT_EQ(c.RedLut[21], 1);
}

TEST(ToneCurves, Contrast) {
    ToneCurves c;
    SetContrastLUT(c, -127, 0);  // a = 100: everything collapses on the pivots
    EXPECT_EQ(c.RedLut[0], 0);
    for (int i = 1; i <= 127; ++i) EXPECT_EQ(c.RedLut[size_t(i)], 127) << i;
    for (int i = 128; i <= 255; ++i) EXPECT_EQ(c.RedLut[size_t(i)], 128) << i;
    SetContrastLUT(c, 127, 0);  // a = 100: 2x - 128 above, 2x - 127 below
    EXPECT_EQ(c.RedLut[1], 0);
    EXPECT_EQ(c.RedLut[100], 73);
    EXPECT_EQ(c.RedLut[150], 172);
    EXPECT_EQ(c.RedLut[200], 255);
    // v = 64: a = 19100 div 127 - 100 = 50, half a level per step from the pivot.
    SetContrastLUT(c, 64, 1);
    EXPECT_EQ(c.GrnLut[129], 130);  // 129.5 -> even
    EXPECT_EQ(c.GrnLut[131], 132);  // 132.5 -> even
    EXPECT_EQ(c.GrnLut[126], 126);  // 125.5
    EXPECT_EQ(c.GrnLut[124], 122);  // 122.5
    EXPECT_EQ(c.GrnLut[200], 236);  // 200 + 72 × 0.5
    // v = -64: a = 6400 div 127 = 50.
    SetContrastLUT(c, -64, 2);
    EXPECT_EQ(c.BluLut[200], 164);  // 200 - 36
    EXPECT_EQ(c.BluLut[129], 128);  // 128.5
    EXPECT_EQ(c.BluLut[126], 126);  // 126.5
    EXPECT_EQ(c.BluLut[100], 114);  // 113.5
}

TEST(ToneCurves, Supress) {
    ToneCurves c;
    SetSupressLUT(c, 255, 0, 0);  // the exact negative
    for (int i = 0; i < 256; ++i) EXPECT_EQ(c.RedLut[size_t(i)], 255 - i) << i;
    SetSupressLUT(c, 100, 200, 1);  // 100 + round(i × 100 / 255)
    EXPECT_EQ(c.GrnLut[0], 100);
    EXPECT_EQ(c.GrnLut[1], 100);    // 0.39
    EXPECT_EQ(c.GrnLut[2], 101);    // 0.78
    EXPECT_EQ(c.GrnLut[128], 150);  // 50.2
    EXPECT_EQ(c.GrnLut[255], 200);
}

TEST(ToneCurves, Stretch) {
    ToneCurves c;
    SetStretchLUT(c, 50, 150, 0);
    EXPECT_EQ(c.RedLut[0], 0);
    EXPECT_EQ(c.RedLut[50], 0);
    EXPECT_EQ(c.RedLut[51], 3);     // 2.55
    EXPECT_EQ(c.RedLut[100], 128);  // 127.5 -> even
    EXPECT_EQ(c.RedLut[149], 252);  // 252.45
    EXPECT_EQ(c.RedLut[150], 255);
    EXPECT_EQ(c.RedLut[255], 255);
    SetStretchLUT(c, 0, 10, 1);   // steps of 25.5
    EXPECT_EQ(c.GrnLut[1], 26);   // 25.5 -> even
    EXPECT_EQ(c.GrnLut[3], 76);   // 76.5 -> even
    // Shadows above highlights: a threshold at the highlights.
    SetStretchLUT(c, 200, 100, 2);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(c.BluLut[size_t(i)], 0) << i;
    for (int i = 100; i < 256; ++i) EXPECT_EQ(c.BluLut[size_t(i)], 255) << i;
}

TEST(ToneCurves, ParametricEqualiser) {
    ToneCurves c;
    // Band 90..110, peak 150, amp 60. At 100: sin = 1, bump 60, 3600 div 255 = 14.
    // At 95 and 105: 60 × sin(pi/4) = 42.4 -> 42, 1764 div 255 = 6.
    SetEqLUT(c, 100, 10, 50, 0);
    EXPECT_EQ(c.RedLut[100], 114);
    EXPECT_EQ(c.RedLut[95], 101);
    EXPECT_EQ(c.RedLut[105], 111);
    for (int i : {0, 89, 90, 110, 111, 255}) EXPECT_EQ(c.RedLut[size_t(i)], i) << i;
    EXPECT_EQ(c.GrnLut, Identity());
    SetEqLUT(c, 100, 10, -50, 1);
    EXPECT_EQ(c.GrnLut[100], 86);
    EXPECT_EQ(c.GrnLut[95], 89);
    // A band reaching past 255 and a zero-width band stay in bounds.
    SetEqLUT(c, 250, 20, 30, 2);
    EXPECT_EQ(c.BluLut[229], 229);
    SetEqLUT(c, 100, 0, 30, 2);
    EXPECT_EQ(c.BluLut, Identity());
    // Gain 0 resets all three, whichever channel was asked for.
    c = Marked();
    SetEqLUT(c, 100, 10, 0, 0);
    EXPECT_EQ(c.RedLut, Identity());
    EXPECT_EQ(c.GrnLut, Identity());
    EXPECT_EQ(c.BluLut, Identity());
}

TEST(ToneCurves, MidTonesRewriteOnlyTheLowerHalfOfGreen) {
    ToneCurves c = Marked();
    // 127 × sqrt(32/127) = 127 × 0.50196 = 63.75 -> 64.
    SetMidToneLUT(c, 200);
    EXPECT_EQ(c.GrnLut[0], 0);
    EXPECT_EQ(c.GrnLut[32], 64);
    EXPECT_EQ(c.GrnLut[127], 127);
    EXPECT_EQ(c.GrnLut[128], 7);
    EXPECT_EQ(c.RedLut[32], 7);
    SetMidToneLUT(c, 100);
    for (int i = 0; i < 128; ++i) EXPECT_EQ(c.GrnLut[size_t(i)], i);
}

TEST(ToneCurves, LowAndHighRemaps) {
    ToneCurves c = Marked();
    SetLoRemap(c, 50, 128, 0);  // k × 128 / 78 from 50 up
    EXPECT_EQ(c.RedLut[0], 0);
    EXPECT_EQ(c.RedLut[50], 0);
    EXPECT_EQ(c.RedLut[51], 2);    // 1.64
    EXPECT_EQ(c.RedLut[89], 64);   // 39 × 128 / 78
    EXPECT_EQ(c.RedLut[127], 126);  // 126.36
    EXPECT_EQ(c.RedLut[128], 7);
    SetHiRemap(c, 200, 128, 0);  // 128 + k × 127 / 72 from 128 up
    EXPECT_EQ(c.RedLut[89], 64);  // lower half kept
    EXPECT_EQ(c.RedLut[128], 128);
    EXPECT_EQ(c.RedLut[164], 192);  // 63.5 -> 64
    EXPECT_EQ(c.RedLut[199], 253);  // 125.24
    EXPECT_EQ(c.RedLut[200], 255);
    EXPECT_EQ(c.RedLut[255], 255);
    EXPECT_EQ(c.GrnLut[200], 7);
}

TEST(ToneCurves, CurvesCopiedIntoHistograms) {
    ToneCurves c;
    SetShiftLUT(c, 20, 0);
    SetShiftLUT(c, -20, 1);
    Histograms h;
    h.HistSat.fill(5);
    h.HistHue.fill(5);
    h.HistRed[300] = 5;
    LUT2Histogram(c, h);
    EXPECT_EQ(h.HistPeak, 255);
    EXPECT_EQ(h.HistRed[1], 21);
    EXPECT_EQ(h.HistGrn[21], 1);
    EXPECT_EQ(h.HistBlu[77], 77);
    EXPECT_EQ(h.HistGry[200], 200);
    EXPECT_EQ(h.HistRed[300], 0);
    EXPECT_EQ(h.HistSat[10], 0);
    EXPECT_EQ(h.HistHue[10], 5);  // hue is not part of the curve display
}

}  // namespace
}  // namespace vimbra
