#include "core/effect_session.h"

#include <gtest/gtest.h>

#include "core/workspace.h"

using namespace vimbra;

namespace {

FilterDlgParam Param(int code, int count, SliderParam s, bool custom = false) {
    FilterDlgParam p;
    p.EffectCode = code;
    p.sliderCount = count;
    p.CustomLabels = custom;
    p.sliders[0] = p.sliders[1] = p.sliders[2] = s;
    return p;
}

}  // namespace

TEST(EffectLayout, NamesButtonsAndPanelsByCode) {
    EffectLayout l = LayoutFor(101);
    EXPECT_EQ(l.names[0], "&Filter");
    EXPECT_EQ(l.sliders, 1);
    EXPECT_FALSE(l.resetShown);
    l = LayoutFor(151);
    EXPECT_EQ(l.names[2], "&Sat band");
    EXPECT_EQ(l.extraButton, "Show mask");
    EXPECT_EQ(l.panel, ColorPanelPlace::BesideSlider3);
    EXPECT_EQ(LayoutFor(153).extraButton, "");
    EXPECT_EQ(LayoutFor(142).extraButton, "E&Q Curve");
    EXPECT_EQ(LayoutFor(160).panel, ColorPanelPlace::InPlaceOfSlider2);
    EXPECT_EQ(LayoutFor(413).names[1], "&Band");
    EXPECT_EQ(LayoutFor(416).names[0], "&Brightness");
    EXPECT_EQ(LayoutFor(510).sliders, 2);
    EXPECT_EQ(LayoutFor(110).names[0], "&Red  ");
    EXPECT_EQ(LayoutFor(400).names[2], "High&Light");
    EXPECT_TRUE(PreviewUsesDuplicate(531));
    EXPECT_FALSE(PreviewUsesDuplicate(150));
}

TEST(EffectLayout, TestWritesTheOperationValues) {
    Workspace ws;
    TestValues(101, {180, 0, 0}, ws);  // one slider for all three channels
    EXPECT_EQ(ws.EffectValue1, 180);
    EXPECT_EQ(ws.EffectValue2, 180);
    EXPECT_EQ(ws.EffectValue3, 180);
    TestValues(510, {40, 0, 7}, ws);  // blend and field
    EXPECT_EQ(ws.EffectValue2, 40);
    EXPECT_EQ(ws.EffectValue3, 0);
    TestValues(150, {-5, 6, 7}, ws);
    EXPECT_EQ(ws.EffectValue1, -5);
    EXPECT_EQ(ws.EffectValue3, 7);
    TestValues(230, {200, 48, 0}, ws);
    EXPECT_EQ(ws.EffectValue1, 200);
    EXPECT_EQ(ws.EffectValue2, 48);
}

TEST(PreviewRegion, ClippedToThePicture) {
    EXPECT_EQ(PreviewRegion(0, 0, 360, 360, 100, 80), (Region{0, 0, 100, 80}));
    // Scrolled to the far corner of a large picture: the region stays inside.
    EXPECT_EQ(PreviewRegion(5900, 3900, 360, 360, 6000, 4000), (Region{5640, 3640, 360, 360}));
    EXPECT_EQ(PreviewRegion(-4, 10, 360, 360, 400, 300), (Region{0, 0, 360, 300}));
    EXPECT_EQ(PreviewRegion(0, 0, 360, 360, 0, 0), Region{});

    Bitmap b(4, 3, 24);
    b.scanLine(2)[3 * 3] = 77;
    const Bitmap r = CopyRegion(b, {2, 1, 2, 2});
    ASSERT_EQ(r.width(), 2);
    EXPECT_EQ(r.scanLine(1)[3], 77);
    EXPECT_TRUE(CopyRegion(b, {3, 0, 2, 2}).isEmpty());  // past the right edge
}

TEST(TypeValue, ClampsAndRejects) {
    TypedValue t = TypeValue("300", 10, 1, 255);
    EXPECT_EQ(t.position, 255);
    EXPECT_EQ(t.boxText, "255");
    t = TypeValue("-5", 10, 0, 255);
    EXPECT_EQ(t.position, 0);
    EXPECT_EQ(t.boxText, "0");
    t = TypeValue("12a", 10, 0, 255);
    EXPECT_EQ(t.position, 10);
    EXPECT_EQ(t.boxText, "10");
    EXPECT_TRUE(TypeValue("", 10, 0, 255).ignored);
    t = TypeValue("99999999999999", 10, -127, 127);
    EXPECT_EQ(t.position, 127);
    t = TypeValue("42", 10, 0, 255);
    EXPECT_EQ(t.position, 42);
    EXPECT_EQ(t.boxText, "42");
}

TEST(EffectSession, PickMovesTheTiedSliders) {
    Workspace ws;
    const ColorPick red = PickColor(255, 0, 0);
    EXPECT_EQ(red.caption, "H=0 L=1800 S=3600");
    EXPECT_EQ(red.textColor, (RGB{0, 255, 255}));

    EffectSession eq(Param(140, 3, {0, 255, 10, 8, 1, "", ""}), ws);
    eq.pick(255, 0, 0);
    EXPECT_EQ(eq.position(0), 127);  // (255 + 0) div 2
    EffectSession eqRed(Param(141, 3, {0, 255, 10, 8, 1, "", ""}), ws);
    eqRed.pick(255, 0, 0);
    EXPECT_EQ(eqRed.position(0), 255);
    EffectSession rgb(Param(156, 3, {0, 255, 127, 1, 1, "", ""}), ws);
    rgb.pick(255, 0, 0);
    EXPECT_EQ(rgb.position(0), 255);
    EXPECT_EQ(rgb.position(1), 0);
    EXPECT_EQ(rgb.position(2), 0);
    EXPECT_EQ(ws.BandCentre[1], 1800);
    EXPECT_EQ(rgb.panelColor(), 255);
}

TEST(EffectSession, ResetAndRanges) {
    Workspace ws;
    FilterDlgParam p = Param(531, 2, {1, 500, 150, 10, 1, "", ""}, true);
    p.sliders[1] = {0, 99, 99, 10, 1, "", ""};
    EffectSession s(p, ws);
    s.setPosition(0, 700);  // clamped
    EXPECT_EQ(s.position(0), 500);
    s.setPosition(1, 20);
    s.reset();
    EXPECT_EQ(s.position(0), 100);
    EXPECT_EQ(s.position(1), 99);

    // Without custom labels every slider takes slider 1's range and labels.
    FilterDlgParam g = Param(101, 1, {1, 500, 100, 10, 1, "", ""});
    g.sliders[1] = {0, 1, 0, 1, 1, "x", "y"};
    EffectSession gs(g, ws);
    EXPECT_EQ(gs.slider(1).Max, 500);
    EXPECT_EQ(gs.slider(1).LabelMin, "1");
    gs.setPosition(1, 300);
    gs.reset();
    EXPECT_EQ(gs.position(1), 100);
}

TEST(EffectSession, ApplyHandsOverWhatTheLastTestShowed) {
    Workspace ws;
    int previews = 0;
    FilterDlgParam p = Param(101, 1, {1, 500, 100, 10, 1, "", ""});
    p.preview = [&](Workspace&, Bitmap& b, bool) {
        ++previews;
        b.scanLine(0)[0] = 9;
    };
    EffectSession s(p, ws);
    EXPECT_FALSE(s.tested());
    s.setPosition(0, 180);
    Bitmap region(2, 2, 24);
    s.test(region, {});
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(region.scanLine(0)[0], 9);
    EXPECT_FALSE(s.stale());
    EXPECT_EQ(s.PreviewValue(), 180);
    EXPECT_EQ(ws.EffectValue3, 180);
    s.setPosition(0, 200);
    EXPECT_TRUE(s.stale());  // the dialog must Test again before Apply
    s.setPosition(0, 180);
    s.pick(1, 2, 3);
    EXPECT_TRUE(s.stale());  // a pick changes no value but the preview is old
    EXPECT_EQ(ws.EffectValue1, 180);  // and never overwrites the values
    EXPECT_EQ(s.apply(), 180);
}
