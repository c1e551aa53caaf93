#include "slideshow/transition.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vimbra {
namespace {

// Every pixel says where it came from: blue = x, green = y, red = which picture.
constexpr uint8_t kA = 10, kB = 200;

Bitmap Tagged(int w, int h, uint8_t tag) {
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = uint8_t(x), p[1] = uint8_t(y), p[2] = tag;
        }
    return b;
}

struct Source {
    uint8_t tag;
    int x, y;
};
Source At(const Bitmap& out, int x, int y) {
    const uint8_t* p = out.scanLine(y) + 3 * x;
    return {p[2], p[0], p[1]};
}

EffectRecord Fx(int code, int variant, int n = 0) {
    EffectRecord r;
    r.code = uint8_t(code), r.variant = uint8_t(variant), r.n = n, r.p2 = 20, r.p3 = 0;
    return r;
}

// The frame as rows of letters: 'A' or 'B' at its own place, 'a'/'b' moved.
std::string Map(const Bitmap& out) {
    std::string s;
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            const Source src = At(out, x, y);
            const bool own = src.x == x && src.y == y;
            s += src.tag == kA ? (own ? 'A' : 'a') : src.tag == kB ? (own ? 'B' : 'b') : '?';
        }
        s += '/';
    }
    return s;
}

class Frames : public ::testing::Test {
protected:
    Bitmap a = Tagged(8, 4, kA), b = Tagged(8, 4, kB), out;
    std::string draw(const EffectRecord& fx, int progress) {
        Transition t(a, b, fx);
        t.drawFrame(progress, out);
        return Map(out);
    }
    void expectSource(int x, int y, uint8_t tag, int sx, int sy) {
        const Source s = At(out, x, y);
        EXPECT_EQ(s.tag, tag) << x << "," << y;
        EXPECT_EQ(s.x, sx) << x << "," << y;
        EXPECT_EQ(s.y, sy) << x << "," << y;
    }
};

constexpr int kHalf = kProgressOne / 2, kQuarter = kProgressOne / 4;

TEST_F(Frames, WipesByKind) {
    // From Left, Reveal Over: 8 × 1/2 = 4 columns of B, nothing moves.
    EXPECT_EQ(draw(Fx(kFxWipeFirst + kFromLeft, kRevealOver), kHalf), std::string(4, 'B') + "AAAA/" + "BBBBAAAA/BBBBAAAA/BBBBAAAA/");
    // From Left, Scroll PUSH at 1/4: B's last 2 columns enter, A moves 2 right.
    draw(Fx(kFxWipeFirst + kFromLeft, kScrollPush), kQuarter);
    expectSource(0, 1, kB, 6, 1);
    expectSource(1, 1, kB, 7, 1);
    expectSource(2, 1, kA, 0, 1);
    expectSource(7, 3, kA, 5, 3);
    // From Right, Reveal PULL at 1/2: B in place on the right, A pulled left.
    EXPECT_EQ(draw(Fx(kFxWipeFirst + kFromRight, kRevealPull), kHalf), "aaaaBBBB/aaaaBBBB/aaaaBBBB/aaaaBBBB/");
    expectSource(0, 2, kA, 4, 2);
    // From Top, Scroll Over at 1/2: B's bottom rows slide over a still A.
    EXPECT_EQ(draw(Fx(kFxWipeFirst + kFromTop, kScrollOver), kHalf), "bbbbbbbb/bbbbbbbb/AAAAAAAA/AAAAAAAA/");
    expectSource(3, 0, kB, 3, 2);
    expectSource(3, 1, kB, 3, 3);
    // From Bottom, PUSH at 3/4: 3 rows of B (its rows 0..2), A's row 3 on top.
    draw(Fx(kFxWipeFirst + kFromBottom, kScrollPush), 3 * kQuarter);
    expectSource(5, 0, kA, 5, 3);
    expectSource(5, 1, kB, 5, 0);
    expectSource(5, 3, kB, 5, 2);
}

TEST_F(Frames, CurtainsAndBlindsOnlyUncover) {
    EXPECT_EQ(draw(Fx(kFxCurtainFirst + kOutVert, kRevealOver), kHalf), "AABBBBAA/AABBBBAA/AABBBBAA/AABBBBAA/");
    EXPECT_EQ(draw(Fx(kFxCurtainFirst + kInVert, kRevealOver), kHalf), "BBAAAABB/BBAAAABB/BBAAAABB/BBAAAABB/");
    EXPECT_EQ(draw(Fx(kFxCurtainFirst + kOutHorz, kRevealOver), kHalf), "AAAAAAAA/BBBBBBBB/BBBBBBBB/AAAAAAAA/");
    // Blinds 2 pixels thick, from Left: each strip half done.
    EXPECT_EQ(draw(Fx(kFxBlindFirst + kFromLeft, kRevealOver, 2 * 65536 + 1), kHalf), "BABABABA/BABABABA/BABABABA/BABABABA/");
    EXPECT_EQ(draw(Fx(kFxBlindFirst + kFromTop, kRevealOver, 2 * 65536 + 1), kHalf), "BBBBBBBB/AAAAAAAA/BBBBBBBB/AAAAAAAA/");
    // A blind as wide as the screen is the "Scroll, Over" wipe.
    draw(Fx(kFxBlindFirst + kFromLeft, kScrollOver, 1920 * 65536 + 4), kQuarter);
    expectSource(0, 0, kB, 6, 0);
    expectSource(2, 0, kA, 2, 0);
}

TEST_F(Frames, TilesMosaicsAndLines) {
    // 2-pixel tiles from Left: 4 × 2 tiles, half of them are the two left columns.
    EXPECT_EQ(draw(Fx(kFxTileFirst + kFromLeft, 1, 65536 + 2), kHalf), "BBBBAAAA/BBBBAAAA/BBBBAAAA/BBBBAAAA/");
    EXPECT_EQ(draw(Fx(kFxTileFirst + kFromBottom, 1, 65536 + 2), kQuarter), "AAAAAAAA/AAAAAAAA/BBBBAAAA/BBBBAAAA/");
    // 1-pixel mosaic: 32 cells, 8 at a quarter, all in place.
    std::string m = draw(Fx(kFxMosaic, 1, 1), kQuarter);
    EXPECT_EQ(std::count(m.begin(), m.end(), 'B'), 8);
    EXPECT_EQ(std::count(m.begin(), m.end(), 'A'), 24);
    // Horizontal lines 8 × 1: half of the 4 rows, whole.
    m = draw(Fx(kFxMosaic, 3, 65536 + 8), kHalf);
    EXPECT_EQ(std::count(m.begin(), m.end(), 'B'), 16);
    for (int y = 0; y < 4; ++y) EXPECT_TRUE(m.substr(size_t(y) * 9, 8) == "BBBBBBBB" || m.substr(size_t(y) * 9, 8) == "AAAAAAAA");
    // The mosaic's order is fixed: the same progress gives the same frame.
    const std::string again = draw(Fx(kFxMosaic, 3, 65536 + 8), kHalf);
    EXPECT_EQ(m, again);
}

TEST_F(Frames, ShapesFromTheCentre) {
    // Rectangle at half size: half extents 2 × 1 around (4, 2).
    EXPECT_EQ(draw(Fx(kFxExplode, kShapeRectangle), kHalf), "AAAAAAAA/AABBBBAA/AABBBBAA/AAAAAAAA/");
    // Ellipse shrinking to half: semi-axes 4·√2/2 and 2·√2/2; row 1 spans 1..6.
    EXPECT_EQ(draw(Fx(kFxImplode, kShapeEllipse), kHalf), "BBBBBBBB/BAAAAAAB/BAAAAAAB/BBBBBBBB/");
}

TEST_F(Frames, BlurIntroComesIntoFocus) {
    Bitmap ramp(8, 4, 24);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) std::fill_n(ramp.scanLine(y) + 3 * x, 3, uint8_t(30 * x));
    Transition t(a, ramp, Fx(kFxBlurIntro, 1, 1));
    // Radius 1 (a twenty-fourth of 4, at least 1): three-pixel box, edges repeated.
    t.drawFrame(kHalf, out);
    const int expected[8] = {10, 30, 60, 90, 120, 150, 180, 200};
    for (int x = 0; x < 8; ++x) EXPECT_EQ(out.scanLine(2)[3 * x + 1], expected[x]) << x;
    t.drawFrame(kProgressOne, out);
    EXPECT_EQ(out, ramp);
}

TEST(Transitions, EveryEffectStartsAtAAndEndsAtB) {
    const Bitmap a = Tagged(96, 72, kA), b = Tagged(96, 72, kB);
    Bitmap out;
    const auto& table = PopulateEffectsList();
    int previous = -1;
    for (int index = 0; index < kEffectCount; ++index) {
        for (int speed = 0; speed < 4; ++speed) {
            double r = 0.37;
            const EffectRecord chosen = ResolveRandomFamily(table.records[size_t(index)], [&r] { return r = r * 1.7 - int(r * 1.7); }, previous);
            const EffectRecord fx = MapEffectParameters(chosen, speed, 96, 96, 72);
            Transition t(a, b, fx);
            t.drawFrame(0, out);
            ASSERT_EQ(out, a) << index << " speed " << speed;
            t.drawFrame(kProgressOne, out);
            ASSERT_EQ(out, b) << index << " speed " << speed;
            // Every family but the blur shows only pixels of A and B, never a blend.
            t.drawFrame(kProgressOne / 2, out);
            if (fx.code == kFxBlurIntro) continue;
            const std::string m = Map(out);
            EXPECT_EQ(m.find('?'), std::string::npos) << index;
            // The uncovering families keep both pictures in place.
            const bool uncovers = fx.code == kFxMosaic || (fx.code >= kFxTileFirst && fx.code <= kFxTileFirst + 3) ||
                                  fx.code == kFxImplode || fx.code == kFxExplode ||
                                  ((fx.code <= 8 || fx.code >= kFxBlindFirst) && fx.variant == kRevealOver);
            if (uncovers && fx.code != 0) {
                EXPECT_EQ(m.find_first_of("ab"), std::string::npos) << index;
                EXPECT_NE(m.find('A'), std::string::npos) << index;
                EXPECT_NE(m.find('B'), std::string::npos) << index;
            }
        }
    }
}

TEST(Transitions, ProgressFromFraction) {
    EXPECT_EQ(ProgressFromFraction(0), 0);
    EXPECT_EQ(ProgressFromFraction(-1), 0);
    EXPECT_EQ(ProgressFromFraction(0.5), 32768);
    EXPECT_EQ(ProgressFromFraction(1), kProgressOne);
    EXPECT_EQ(ProgressFromFraction(7), kProgressOne);
}

TEST(Transitions, DrawingStopsWhenTheCallbackSaysSo) {
    const Bitmap b = Tagged(8, 4, kB);
    Bitmap target = Tagged(8, 4, kA);
    std::vector<int> pauses;
    EffectRecord fx = Fx(kFxWipeFirst + kFromLeft, kRevealOver);
    fx.p2 = 40, fx.p3 = 1;  // 40 ms every second step
    const bool done = ImgDrawImageFX(b, target, fx, 8, [&pauses](int pause) {
        pauses.push_back(pause);
        return pauses.size() == 3;
    });
    EXPECT_FALSE(done);
    EXPECT_EQ(pauses, (std::vector<int>{0, 40, 0}));
    EXPECT_EQ(Map(target), "BBBAAAAA/BBBAAAAA/BBBAAAAA/BBBAAAAA/");  // frame 3 of 8
    // p3 255: no callback, the drawing runs to the end.
    fx.p3 = kNoCallback;
    target = Tagged(8, 4, kA);
    EXPECT_TRUE(ImgDrawImageFX(b, target, fx, 8, [](int) { return true; }));
    EXPECT_EQ(target, b);
}

TEST(Transitions, FramesMustMatch) {
    const Bitmap a(8, 4, 24), b(9, 4, 24);
    EXPECT_THROW(Transition(a, b, EffectRecord{}), std::invalid_argument);
}

}  // namespace
}  // namespace vimbra
