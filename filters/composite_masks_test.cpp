#include "filters/composite_masks.h"

#include <gtest/gtest.h>

#include <vector>

namespace vimbra {
namespace {

using Row = std::vector<uint8_t>;

Bitmap Bytes(const Row& bytes) {
    Bitmap b(int(bytes.size() / 3), 1, 24);
    std::copy(bytes.begin(), bytes.end(), b.scanLine(0));
    return b;
}

Bitmap Flat(int w, int h, uint8_t v) {
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y) std::fill_n(b.scanLine(y), 3 * w, v);
    return b;
}

Row RowOf(const Bitmap& b) { return {b.scanLine(0), b.scanLine(0) + 3 * b.width()}; }

struct Session {
    FrameHost host;
    Workspace ws{host};
    Session(Bitmap image, Bitmap duplicate, int a = 100, int k = 99) {
        ws.setImage(std::move(image));
        ws.DuplicateBitmap = std::move(duplicate);
        ws.EffectValue1 = a, ws.EffectValue2 = k;
    }
    PassTarget main() { return PassTarget::mainPicture(ws); }
};

TEST(MaskMeasures, LumaContrastAndMixing) {
    EXPECT_EQ(MaskLuma(255, 255, 255), 254);  // 76 + 153 + 25
    EXPECT_EQ(MaskLuma(100, 50, 200), 80);
    EXPECT_EQ(ContrastMeasure(255, 255, 255), 255);  // L 3600, S 0
    EXPECT_EQ(ContrastMeasure(255, 0, 0), 127);      // |1800 - 3600| * 255 div 3600
    EXPECT_EQ(ContrastMeasure(10, 20, 30), 107);     // L 282, S 1800
    EXPECT_EQ(MixMeasures(200, 100, 99), 200);
    EXPECT_EQ(MixMeasures(200, 100, 0), 100);
    EXPECT_EQ(MixMeasures(200, 100, 50), 150);  // 10000 div 99 + 4900 div 99
}

TEST(MaskCurves, IdentityAtAHundredAndBentElsewhere) {
    ToneCurves c;
    c.GrnLut.fill(7);
    BuildGammaMask(c, 100);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(c.GrnLut[size_t(i)], i);
    BuildGammaMask(c, 50);
    EXPECT_EQ(c.GrnLut[175], 120);  // 175^2 / 255 = 120.1
    BuildGammaMask(c, 200);
    EXPECT_EQ(c.GrnLut[64], 128);  // sqrt(64 * 255) = 127.7
    c.GrnLut.fill(7);
    BuildMidtoneMask(c, 50);
    EXPECT_EQ(c.GrnLut[64], 32);  // 64^2 / 127 = 32.3
    EXPECT_EQ(c.GrnLut[127], 127);
    EXPECT_EQ(c.GrnLut[128], 7);  // only 0..127 belong to the curve
}

// (R,G,B) (100,50,200) with Y 80, black and white, over white, white and
// black. Shadows weighs the picture by 255 - Y, Highlights by Y.
TEST(CompositeMask, ShadowsAndHighlights) {
    const Bitmap picture = Bytes({200, 50, 100, 0, 0, 0, 255, 255, 255});
    const Bitmap duplicate = Bytes({255, 255, 255, 255, 255, 255, 0, 0, 0});
    Session s(picture, duplicate);
    DoCompositeMask(s.ws, s.main(), true);
    EXPECT_EQ(RowOf(s.ws.Image), (Row{217, 114, 148, 0, 0, 0, 1, 1, 1}));
    EXPECT_TRUE(s.ws.Modified);
    s.ws.setImage(picture);
    DoCompositeMask(s.ws, s.main(), false);
    EXPECT_EQ(RowOf(s.ws.Image), (Row{237, 190, 206, 255, 255, 255, 254, 254, 254}));
    // a = 50: f = gamma[175] = 120, so 120 p div 255 + 135.
    s.ws.setImage(Bytes({200, 50, 100}));
    s.ws.DuplicateBitmap = Bytes({255, 255, 255});
    s.ws.EffectValue1 = 50;
    DoCompositeMask(s.ws, s.main(), true);
    EXPECT_EQ(RowOf(s.ws.Image), (Row{229, 158, 182}));
    EXPECT_EQ(s.ws.curves.GrnLut[175], 120);  // the curve stays in GrnLut
}

// Black over mid-grey 127 (luma 126): k = 99 masks by the picture's luma 0
// (midtone[0], all duplicate); k = 0 by the duplicate's, midtone[126].
TEST(CompositeMidTones, SecondValueChoosesWhoseLumaMasks) {
    Session s(Flat(1, 3, 0), Flat(1, 3, 127));
    DoCompositeMidTones(s.ws, s.main());
    EXPECT_EQ(s.ws.Image, Flat(1, 3, 127));
    s.ws.setImage(Flat(1, 3, 0));
    s.ws.EffectValue2 = 0;
    DoCompositeMidTones(s.ws, s.main());  // 127 * 1 div 127
    EXPECT_EQ(s.ws.Image, Flat(1, 3, 1));
}

// A white pixel's contrast is 255, which maps to midtone entry 0 instead of
// reading before the table. k = 0 keeps the picture's measure (t = 99); k = 99
// takes the duplicate's, 107: 107 * 255 div 127 + d * 20 div 127.
TEST(CompositeContrast, WhitePixelAndTheSecondValue) {
    Session s(Flat(1, 1, 255), Bytes({30, 20, 10}), 100, 0);
    DoCompositeContrast(s.ws, s.main());
    EXPECT_EQ(RowOf(s.ws.Image), (Row{30, 20, 10}));
    EXPECT_EQ(s.ws.EffectValue2, 0);  // read, never rewritten
    s.ws.setImage(Flat(1, 1, 255));
    s.ws.EffectValue2 = 99;
    DoCompositeContrast(s.ws, s.main());
    EXPECT_EQ(RowOf(s.ws.Image), (Row{218, 217, 215}));
}

// Grey 100 (L 1412) under pure red becomes red of that lightness (m2 2824,
// red 200); red under grey takes saturation 0 at its own L 1800: 127.
TEST(CompositeGray, LightnessFromThePictureColourFromTheDuplicate) {
    Session s(Bytes({100, 100, 100, 0, 0, 255}), Bytes({0, 0, 255, 100, 100, 100}));
    DoCompositeGray(s.ws, s.main());
    EXPECT_EQ(RowOf(s.ws.Image), (Row{0, 0, 200, 127, 127, 127}));
    s.ws.DuplicateBitmap = Flat(1, 1, 0);
    DoCompositeGray(s.ws, s.main());  // incompatible: nothing
    EXPECT_EQ(RowOf(s.ws.Image), (Row{0, 0, 200, 127, 127, 127}));
}

// Flat 6x6: only the 2x2 centre has full windows; lightness equals the mean's.
TEST(MaskEdges, FlatAreasTakeTheDuplicate) {
    Session s(Flat(6, 6, 100), Flat(6, 6, 200));
    DoMaskEdges(s.ws, s.main(), 0, 255);  // no step is below 0
    EXPECT_EQ(s.ws.Image, Flat(6, 6, 100));
    DoMaskEdges(s.ws, s.main(), 1, 128);  // 12700 div 255 + 25600 div 255
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(s.ws.Image.scanLine(y)[3 * x], (x / 2 == 1 && y / 2 == 1) ? 149 : 100);
    EXPECT_TRUE(s.ws.Modified);
}

// A white dot on black: L 3600 against its mean's 141, a step of 3459.
TEST(MaskEdges, EdgesAndSmallPicturesStay) {
    Bitmap dot = Flat(5, 5, 0);
    std::fill_n(dot.scanLine(2) + 6, 3, uint8_t(255));
    Session s(dot, Flat(5, 5, 90));
    DoMaskEdges(s.ws, s.main(), 255, 255);
    EXPECT_EQ(s.ws.Image, dot);
    for (auto [w, h] : {std::pair{4, 4}, {1, 7}, {7, 1}}) {
        Session small(Flat(w, h, 10), Flat(w, h, 250));
        DoMaskEdges(small.ws, small.main(), 255, 255);
        EXPECT_EQ(small.ws.Image, Flat(w, h, 10)) << w << "x" << h;
    }
}

}  // namespace
}  // namespace vimbra
