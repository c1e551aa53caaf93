#include "core/tone_filters.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/hls.h"
#include "core/tone_curves.h"

namespace vimbra {
namespace {

// A one-row picture of the given colours.
Bitmap Row(std::initializer_list<RGB> colours) {
    Bitmap b(int(colours.size()), 1, 24);
    uint8_t* p = b.scanLine(0);
    for (const RGB& c : colours) {
        p[0] = uint8_t(c.b), p[1] = uint8_t(c.g), p[2] = uint8_t(c.r);
        p += 3;
    }
    return b;
}

RGB Pixel(const Bitmap& b, int x, int y = 0) {
    const uint8_t* p = b.scanLine(y) + 3 * x;
    return {p[2], p[1], p[0]};
}

TEST(ToneFilters, ColorFilterBitmapMapsEachChannelThroughItsCurveOnly) {
    FrameHost host;
    Workspace ws(host);
    SetShiftLUT(ws.curves, 10, 0);
    SetShiftLUT(ws.curves, 20, 1);
    SetShiftLUT(ws.curves, 30, 2);
    Bitmap b = Row({{1, 2, 3}, {0, 0, 0}, {250, 240, 230}});
    b.scanLine(0)[9] = 0x55;  // row padding: 9 bytes of pixels in a stride of 12
    ColorFilterBitmap(b, ws.curves);
    EXPECT_EQ(Pixel(b, 0), (RGB{11, 22, 33}));
    EXPECT_EQ(Pixel(b, 1), (RGB{0, 0, 0}));
    EXPECT_EQ(Pixel(b, 2), (RGB{255, 255, 255}));
    EXPECT_EQ(b.scanLine(0)[9], 0x55);
    EXPECT_FALSE(ws.Modified);
    EXPECT_EQ(host.refreshCount, 0);
}

TEST(ToneFilters, LargePicturesVisitEveryRowOnce) {
    // Big enough to be split over threads; a row done twice would gain 2.
    Bitmap b(1001, 700, 24);
    ToneCurves c;
    for (Curve* curve : {&c.RedLut, &c.GrnLut, &c.BluLut})
        for (int i = 0; i < 256; ++i) (*curve)[size_t(i)] = uint8_t(i + 1);
    ColorFilterBitmap(b, c);
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width() * 3; ++x) ASSERT_EQ(b.scanLine(y)[x], 1) << x << "," << y;
}

TEST(ToneFilters, PassesMarkOnlyTheMainPictureModified) {
    FrameHost host, otherHost;
    Workspace ws(host);
    ws.setImage(Row({{10, 20, 30}}));
    SetShiftLUT(ws.curves, 5, 0);
    ColorFilter(ws, PassTarget::mainPicture(ws));
    EXPECT_EQ(Pixel(ws.Image, 0), (RGB{15, 20, 30}));
    EXPECT_TRUE(ws.Modified);
    EXPECT_EQ(host.refreshCount, 1);
    EXPECT_EQ(ws.StatusText, "Ready.");

    Workspace other(otherHost);
    Bitmap preview = Row({{10, 20, 30}});
    SetShiftLUT(other.curves, 5, 0);
    ColorFilter(other, PassTarget::preview(preview));
    EXPECT_EQ(Pixel(preview, 0), (RGB{15, 20, 30}));
    EXPECT_FALSE(other.Modified);
    EXPECT_EQ(otherHost.refreshCount, 0);
}

TEST(ToneFilters, OtherDepthsAreLeftAlone) {
    Workspace ws;
    ws.setImage(Bitmap(4, 2, 8));
    ws.Image.scanLine(0)[0] = 3;
    const Bitmap before = ws.Image;
    SetShiftLUT(ws.curves, 50, 0);
    ColorFilter(ws, PassTarget::mainPicture(ws));
    NegColorFilter(ws, PassTarget::mainPicture(ws));
    LuminanceFilter(ws, PassTarget::mainPicture(ws));
    MultiplyRGB(ws, PassTarget::mainPicture(ws));
    EXPECT_EQ(ws.Image, before);
    EXPECT_FALSE(ws.Modified);
}

TEST(ToneFilters, NegColorFilterMirrorsTheCurve) {
    Workspace ws;
    Bitmap same = Row({{0, 77, 255}});
    NegColorFilter(ws, PassTarget::preview(same));  // identity curves
    EXPECT_EQ(Pixel(same, 0), (RGB{0, 77, 255}));
    // Red gamma 2: curve[64] = 128, so 191 -> 255 - curve[64] = 127;
    // 0 -> 255 - curve[255] = 0; 255 -> 255 - curve[0] = 255.
    SetGammaLUT(ws.curves, 200, 0);
    Bitmap b = Row({{191, 191, 191}, {0, 0, 0}, {255, 255, 255}});
    NegColorFilter(ws, PassTarget::preview(b));
    EXPECT_EQ(Pixel(b, 0), (RGB{127, 191, 191}));
    EXPECT_EQ(Pixel(b, 1), (RGB{0, 0, 0}));
    EXPECT_EQ(Pixel(b, 2), (RGB{255, 255, 255}));
}

// (200, 100, 50) is H 200, L 1765, S 2160.
TEST(ToneFilters, LuminanceThroughGreenCurve) {
    Workspace ws;
    SetShiftLUT(ws.curves, 20, 1);
    Bitmap b = Row({{200, 100, 50}, {128, 128, 128}});
    LuminanceFilter(ws, PassTarget::preview(b));
    // l8 = 1765 × 255 div 3600 = 125 -> 145; L' = 145 × 3600 div 255 = 2047.
    // m2 = 2047 + 2160 - (2047 × 2160 + 1800) div 3600 = 2979, m1 = 1115:
    // r = (2979 × 255 + 1800) div 3600 = 211; g from hue 200: 1115 + (1864 × 200
    // + 300) div 600 = 1736 -> 123; b = (1115 × 255 + 1800) div 3600 = 79.
    EXPECT_EQ(Pixel(b, 0), (RGB{211, 123, 79}));
    // Grey: L 1807 -> l8 127 -> 147 -> L' 2075 -> 2075 × 255 div 3600 = 146.
    EXPECT_EQ(Pixel(b, 1), (RGB{146, 146, 146}));
}

TEST(ToneFilters, SaturationThroughGreenThenBlueCurve) {
    Workspace ws;
    SetGammaLUT(ws.curves, 200, 2);  // GrnLut identity
    Bitmap b = Row({{200, 100, 50}, {128, 128, 128}, {0, 0, 0}});
    SaturationFilter(ws, PassTarget::preview(b));
    // s8 = 2160 × 255 div 3600 = 153 -> 255 × sqrt(0.6) = 197.5 -> 198;
    // S' = 198 × 3600 div 255 = 2795; m2 = (1765 × 6395 + 1800) div 3600 = 3135,
    // m1 = 395: r = 222; g: 395 + (2740 × 200 + 300) div 600 = 1308 -> 93; b = 28.
    EXPECT_EQ(Pixel(b, 0), (RGB{222, 93, 28}));
    // Greys keep saturation 0: 1807 × 255 div 3600 = 127.
    EXPECT_EQ(Pixel(b, 1), (RGB{127, 127, 127}));
    EXPECT_EQ(Pixel(b, 2), (RGB{0, 0, 0}));
}

TEST(ToneFilters, FixedTonePasses) {
    Workspace ws;
    Bitmap unwash = Row({{200, 100, 50}, {255, 0, 255}});
    MultiplyRGB(ws, PassTarget::preview(unwash));
    // 40000 div 255 = 156, 10000 div 255 = 39, 2500 div 255 = 9.
    EXPECT_EQ(Pixel(unwash, 0), (RGB{156, 39, 9}));
    EXPECT_EQ(Pixel(unwash, 1), (RGB{255, 0, 255}));

    Bitmap attenuate = Row({{200, 100, 50}, {128, 128, 128}, {255, 255, 255}});
    MultiplyLuminance(ws, PassTarget::preview(attenuate));
    // L' = 1765² div 3600 = 865; m2 = (865 × 5760 + 1800) div 3600 = 1384,
    // m1 = 346: r = 98; g: 346 + (1038 × 200 + 300) div 600 = 692 -> 49; b = 25.
    EXPECT_EQ(Pixel(attenuate, 0), (RGB{98, 49, 25}));
    // Grey: 1807² div 3600 = 907 -> 907 × 255 div 3600 = 64. White stays.
    EXPECT_EQ(Pixel(attenuate, 1), (RGB{64, 64, 64}));
    EXPECT_EQ(Pixel(attenuate, 2), (RGB{255, 255, 255}));

    Bitmap uncook = Row({{200, 100, 50}, {128, 128, 128}});
    UnWashMore(ws, PassTarget::preview(uncook));
    // min 50: Lm = (100 × 3600 + 255) div 510 = 706, L' = 706² div 3600 = 138;
    // m2 = (138 × 5760 + 1800) div 3600 = 221, m1 = 55: (16, 8, 4), averaged
    // with the old pixel: (216 div 2, 108 div 2, 54 div 2).
    EXPECT_EQ(Pixel(uncook, 0), (RGB{108, 54, 27}));
    // Grey 128: L' = 907 -> 64; (128 + 64) div 2 = 96.
    EXPECT_EQ(Pixel(uncook, 1), (RGB{96, 96, 96}));
}

TEST(ToneFilters, ScreenGammaIsNotAnUnsavedChange) {
    FrameHost host;
    Workspace ws(host);
    ws.setImage(Row({{64, 0, 255}}));
    ws.Modified = true;
    DoGamma(ws, 200, false);
    EXPECT_EQ(Pixel(ws.Image, 0), (RGB{128, 0, 255}));
    EXPECT_FALSE(ws.Modified);
    EXPECT_EQ(host.refreshCount, 1);
    DoGamma(ws, 200, true);  // accumulates; 128 -> 255 × sqrt(128/255) = 180.7
    EXPECT_EQ(Pixel(ws.Image, 0), (RGB{181, 0, 255}));

    // A palette picture is made true colour first; a 1-bit one is left alone.
    Workspace pal;
    Bitmap eight(1, 1, 8);
    eight.palette() = {PaletteEntry{64, 64, 64, 0}};
    pal.setImage(eight);
    DoGamma(pal, 200, true);
    EXPECT_EQ(pal.ImageBitDepth, 24);
    EXPECT_EQ(Pixel(pal.Image, 0), (RGB{128, 128, 128}));
    Workspace mono;
    mono.setImage(Bitmap(8, 1, 1));
    DoGamma(mono, 200, true);
    EXPECT_EQ(mono.ImageBitDepth, 1);
}

}  // namespace
}  // namespace vimbra

namespace vimbra {
namespace {

// Every 24-bit colour once: a 4096 × 4096 picture.
Bitmap AllColours() {
    Bitmap b(4096, 4096, 24);
    for (int y = 0; y < 4096; ++y) {
        uint8_t* p = b.scanLine(y);
        for (int x = 0; x < 4096; ++x, p += 3) {
            const int c = y * 4096 + x;
            p[0] = uint8_t(c), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c >> 16);
        }
    }
    return b;
}

// Runs pass over every colour and compares with expect(r, g, b), written with
// the plain conversion of core/hls.h.
template <class Pass, class Expect>
void CompareOverAllColours(const ToneCurves& curves, Pass pass, Expect expect) {
    Workspace ws;
    ws.curves = curves;
    Bitmap b = AllColours();
    pass(ws, PassTarget::preview(b));
    for (int y = 0; y < 4096; ++y) {
        const uint8_t* p = b.scanLine(y);
        for (int x = 0; x < 4096; ++x, p += 3) {
            const int c = y * 4096 + x;
            const RGB want = expect(c >> 16, (c >> 8) & 255, c & 255);
            const RGB got{p[2], p[1], p[0]};
            ASSERT_EQ(got, want) << "colour " << (c >> 16) << "," << ((c >> 8) & 255) << ","
                                 << (c & 255);
        }
    }
}

int Limited(int v) { return v > 255 ? 255 : v; }
RGB Limited(RGB c) { return {Limited(c.r), Limited(c.g), Limited(c.b)}; }

TEST(ToneFiltersEveryColour, LuminanceAndSaturationMatchThePlainConversion) {
    ToneCurves c;
    SetGammaLUT(c, 170, 1);   // lightness curve, or the first saturation curve
    SetContrastLUT(c, 60, 2);  // the second saturation curve
    CompareOverAllColours(c, LuminanceFilter, [&](int r, int g, int b) {
        const HLS h = RGBtoHLS(r, g, b);
        const int l8 = std::min(255, h.L * 255 / 3600);
        return Limited(HLStoRGB(h.H, c.GrnLut[size_t(l8)] * 3600 / 255, h.S));
    });
    CompareOverAllColours(c, SaturationFilter, [&](int r, int g, int b) {
        const HLS h = RGBtoHLS(r, g, b);
        const int s8 = std::min(255, h.S * 255 / 3600);
        return Limited(HLStoRGB(h.H, h.L, c.BluLut[c.GrnLut[size_t(s8)]] * 3600 / 255));
    });
}

TEST(ToneFiltersEveryColour, AttenuateAndUnCookMatchThePlainConversion) {
    const ToneCurves c;
    CompareOverAllColours(c, MultiplyLuminance, [](int r, int g, int b) {
        const HLS h = RGBtoHLS(r, g, b);
        return Limited(HLStoRGB(h.H, std::min(3600, h.L * h.L / 3600), h.S));
    });
    CompareOverAllColours(c, UnWashMore, [](int r, int g, int b) {
        const HLS h = RGBtoHLS(r, g, b);
        const int m = std::min({r, g, b});
        const int lm = RGBtoHLS(m, m, m).L;
        const RGB o = Limited(HLStoRGB(h.H, std::min(3600, lm * lm / 3600), h.S));
        return RGB{(r + o.r) / 2, (g + o.g) / 2, (b + o.b) / 2};
    });
}

}  // namespace
}  // namespace vimbra
