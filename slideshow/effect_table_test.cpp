#include "slideshow/effect_table.h"

#include <gtest/gtest.h>

#include <array>
#include <deque>

namespace vimbra {
namespace {

// Plays back the numbers given, then repeats the last.
RandomSource Script(std::deque<double> values) {
    return [values, last = 0.0]() mutable {
        if (values.empty()) return last;
        last = values.front();
        values.pop_front();
        return last;
    };
}

EffectRecord Rec(int code, int variant, int n, int p2, int p3) {
    EffectRecord r;
    r.code = uint8_t(code), r.variant = uint8_t(variant), r.n = n, r.p2 = uint8_t(p2), r.p3 = uint8_t(p3);
    return r;
}

TEST(EffectTable, NamesAndRecords) {
    const EffectTable& t = PopulateEffectsList();
    ASSERT_EQ(t.names.size(), 174u);
    const std::pair<int, const char*> names[] = {
        {0, "None"},
        {1, "Randomize ALL"},
        {6, "Random Implodes + Explodes"},
        {7, "Blur Intro"},
        {8, "Wipe, Scroll, PUSH background, from Right"},
        {23, "Wipe, Reveal, Over background, from Top"},
        {24, "Curtains, Scroll, PUSH background, out Vert"},
        {39, "Curtains, Reveal, Over background, in Horz"},
        {40, "Tile, Tiny, from Right"},
        {63, "Tile, X-Large, from Top"},
        {64, "Mosaic, Tiny"},
        {69, "Mosaic, X-Large"},
        {70, "Blinds, Tiny, Scroll, PUSH background, from Right"},
        {77, "Blinds, Tiny, Reveal, PULL background, from Top"},
        {165, "Blinds, X-Large, Reveal, Over background, from Top"},
        {166, "Explode, Rectangle"},
        {171, "Implode, Circle/Ellipse"},
        {172, "Random Horizontal Lines"},
        {173, "Random Vertical Lines"}};
    for (auto [i, name] : names) EXPECT_EQ(t.names[size_t(i)], name) << i;
    EXPECT_EQ(t.records[7], Rec(14, 1, 1, 0, 0));
    EXPECT_EQ(t.records[17], Rec(2, 2, 0, 0, 0));
    EXPECT_EQ(t.records[30], Rec(6, 2, 0, 0, 0));   // "Curtains, Scroll, Over background, in Vert"
    EXPECT_EQ(t.records[47], Rec(13, 0, 4, 0, 0));  // "Tile, Small, from Top"
    EXPECT_EQ(t.records[77], Rec(21, 1, 2, 0, 0));
    EXPECT_EQ(t.records[165], Rec(21, 3, 64, 0, 0));
    EXPECT_EQ(t.records[168], Rec(17, 6, 0, 0, 0));
    EXPECT_EQ(t.records[173], Rec(33, 0, 0, 0, 0));
    EXPECT_EQ(t.records[174], EffectRecord{});
}

TEST(EffectTable, ParameterMapping) {
    const auto& r = PopulateEffectsList().records;
    // The Part's two worked cases.
    EXPECT_EQ(MapEffectParameters(r[77], kSpeedSlower, 1920, 800, 600), Rec(21, 1, 2 * 65536 + 1, 144, 50));
    EXPECT_EQ(MapEffectParameters(r[17], kSpeedNormal, 1920, 800, 600), Rec(19, 2, 1920 * 65536 + 4, 10, 255));
    EXPECT_EQ(MapEffectParameters(r[17], kSpeedSlower, 1024, 800, 600), Rec(19, 2, 1024 * 65536 + 4, 10, 2));
    // Wipes: Push at Faster has t 0, Reveal Over at Slowest t 4.
    EXPECT_EQ(MapEffectParameters(r[8], kSpeedFaster, 1920, 800, 600), Rec(1, 0, 2, 10, 255));
    EXPECT_EQ(MapEffectParameters(r[20], kSpeedSlowest, 1920, 800, 600), Rec(1, 3, 1, 40, 0));
    EXPECT_EQ(MapEffectParameters(r[12], kSpeedNormal, 1920, 800, 600), Rec(1, 1, 1, 10, 1));
    // Curtains, tiles, mosaic, implode, blinds.
    EXPECT_EQ(MapEffectParameters(r[24], kSpeedFaster, 1920, 800, 600), Rec(5, 0, 4, 10, 255));
    EXPECT_EQ(MapEffectParameters(r[24], kSpeedSlowest, 1920, 800, 600), Rec(5, 0, 1, 10, 0));
    EXPECT_EQ(MapEffectParameters(r[64], kSpeedNormal, 1920, 800, 600), Rec(9, 1, 2, 20, 255));
    EXPECT_EQ(MapEffectParameters(r[66], kSpeedNormal, 1920, 800, 600), Rec(9, 1, 8, 20, 4));
    EXPECT_EQ(MapEffectParameters(r[60], kSpeedSlowest, 1920, 800, 600), Rec(10, 1, 65536 + 64, 10, 0));
    EXPECT_EQ(MapEffectParameters(r[41], kSpeedSlowest, 1920, 800, 600), Rec(11, 1, 65536 + 2, 20, 2));
    EXPECT_EQ(MapEffectParameters(r[169], kSpeedSlowest, 1920, 800, 600), Rec(16, 4, 0x10001, 20, 0));
    EXPECT_EQ(MapEffectParameters(r[7], kSpeedSlowest, 1920, 800, 600), Rec(14, 1, 1, 20, 255));
    EXPECT_EQ(MapEffectParameters(r[150], kSpeedNormal, 1920, 800, 600), Rec(18, 0, 64 * 65536 + 1, 50, 1));
    EXPECT_EQ(MapEffectParameters(r[150], kSpeedSlowest, 1920, 800, 600), Rec(18, 0, 64 * 65536 + 1, 150, 1));
    EXPECT_EQ(MapEffectParameters(r[86], kSpeedSlowest, 1920, 800, 600), Rec(18, 0, 4 * 65536 + 1, 88, 25));
    EXPECT_EQ(MapEffectParameters(r[86], kSpeedFaster, 1920, 800, 600), Rec(18, 0, 4 * 65536 + 1, 10, 25));
    // Random lines take the picture's size.
    EXPECT_EQ(MapEffectParameters(r[172], kSpeedFaster, 1920, 640, 480), Rec(9, 3, 3 * 65536 + 640, 1, 0));
    EXPECT_EQ(MapEffectParameters(r[172], kSpeedSlowest, 1920, 640, 480), Rec(9, 3, 65536 + 640, 20, 0));
    EXPECT_EQ(MapEffectParameters(r[173], kSpeedSlower, 1920, 640, 480), Rec(9, 3, 480 * 65536 + 1, 10, 0));
    EXPECT_EQ(MapEffectParameters(r[173], kSpeedFaster, 1920, 640, 480), Rec(9, 3, 480 * 65536 + 2, 1, 0));
    // "None" and random family codes that reach the mapping draw plainly.
    EXPECT_EQ(MapEffectParameters(r[0], kSpeedNormal, 1920, 800, 600), Rec(0, 0, 0, 20, 255));
    // The 65-pixel rule: 64 wide or high means no transition.
    EXPECT_EQ(MapEffectParameters(r[24], kSpeedFaster, 1920, 64, 600), Rec(0, 0, 0, 10, 255));
    EXPECT_EQ(MapEffectParameters(r[24], kSpeedFaster, 1920, 600, 64), Rec(0, 0, 0, 10, 255));
    EXPECT_EQ(MapEffectParameters(r[24], kSpeedFaster, 1920, 65, 65).code, 5);
}

TEST(EffectTable, BlindsNeverDivideByZero) {
    EffectRecord blank = Rec(20, 0, 0, 0, 0);
    EXPECT_EQ(MapEffectParameters(blank, kSpeedNormal, 1920, 800, 600), Rec(20, 0, 1, 200, 100));
}

// Milliseconds of table index `index` mapped at each speed, Faster first.
std::array<int, 4> Durations(int index, int pictureWidth = 800, int pictureHeight = 600) {
    std::array<int, 4> ms{};
    for (int s = kSpeedFaster; s <= kSpeedSlowest; ++s) {
        const EffectRecord r = PopulateEffectsList().records[size_t(index)];
        ms[size_t(s)] = TransitionDurationMs(MapEffectParameters(r, s, 1920, pictureWidth, pictureHeight), s);
    }
    return ms;
}

TEST(EffectTable, DurationsPerFamilyAndSpeed) {
    using D = std::array<int, 4>;
    // Wipes take 48 steps of 8 ms (24 taking two at once); p3 1 pauses 10 ms every other step,
    // p3 0 every step; the Reveal kinds are one speed slower, Slowest pausing 40 ms.
    EXPECT_EQ(Durations(8), (D{192, 384, 624, 864}));
    EXPECT_EQ(Durations(20), (D{384, 624, 864, 2304}));
    // "Scroll, Over" wipes draw as one screen-wide blind, 256 pixels in steps of 6, 4, 4, 2.
    EXPECT_EQ(Durations(16), (D{344, 512, 732, 2304}));
    // Curtains: 4, 2, 1 steps at once; the shortest is held to 150 ms.
    EXPECT_EQ(Durations(24), (D{150, 192, 384, 864}));
    // Mosaics and tiles: 40 steps; two or four pieces run a speed faster.
    EXPECT_EQ(Durations(64), (D{320, 320, 480, 600}));
    EXPECT_EQ(Durations(66), (D{320, 480, 600, 720}));
    EXPECT_EQ(Durations(50), (D{320, 480, 600, 720}));  // tiles of 8 pieces
    EXPECT_EQ(Durations(7), (D{384, 384, 384, 384}));     // blur: no speed of its own
    EXPECT_EQ(Durations(166), (D{150, 192, 384, 1344}));  // explode
    // Random lines: 64 steps (21 of three lines, 32 of two at Faster), p2 ms after each.
    EXPECT_EQ(Durations(172, 640, 480), (D{189, 576, 1152, 1792}));
    EXPECT_EQ(Durations(173, 640, 480), (D{288, 576, 1152, 1792}));
}

TEST(EffectTable, BlindDurationsFollowTheirCount) {
    using D = std::array<int, 4>;
    // Two-pixel blinds: 2 steps and one pause of p2; Slower and Slowest pause 400 and 600 ms
    // (their p2 of 144 and 88 is 200 × speed past a byte), never less than Normal.
    EXPECT_EQ(Durations(77), (D{150, 216, 416, 616}));
    // p3 = 100 div c: 16-pixel blinds pause every 7th step, 64-pixel ones every other.
    EXPECT_EQ(Durations(118), (D{158, 278, 428, 578}));
    EXPECT_EQ(Durations(150), (D{832, 2112, 3712, 4000}));  // held to 4 s
    // Hostile numbers stay bounded; plain drawing takes no time.
    EXPECT_EQ(TransitionDurationMs(Rec(20, 0, -1, 50, 255), kSpeedNormal), 150);
    EXPECT_EQ(TransitionDurationMs(Rec(0, 0, 0, 20, 255), kSpeedNormal), 0);
    EXPECT_EQ(TransitionDurationMs(Rec(1, 0, -5, 10, 255), 9), 384);  // bad n and speed guarded
}

TEST(EffectTable, AvlFamilies) {
    EXPECT_EQ(AvlFamilyIndex(1, Script({0.50})), 23);
    EXPECT_EQ(AvlFamilyIndex(1, Script({0.51})), 15);
    EXPECT_EQ(AvlFamilyIndex(18, Script({0.2})), 32);
    EXPECT_EQ(AvlFamilyIndex(5, Script({0.6})), 42);
    EXPECT_EQ(AvlFamilyIndex(8, Script({0.99})), 55);
    EXPECT_EQ(AvlFamilyIndex(25, Script({})), 115);
    EXPECT_EQ(AvlFamilyIndex(29, Script({})), 1);
    EXPECT_EQ(AvlFamilyIndex(30, Script({})), 0);
    EXPECT_EQ(AvlFamilyIndex(-4, Script({})), 0);
    int previous = -1;
    // E wins over X; an E of 0 falls back to the family.
    EXPECT_EQ(ChooseAvlEffect(0x1F, 9, Script({}), previous).code, 6);
    EXPECT_EQ(ChooseAvlEffect(0, 9, Script({}), previous).code, 32);
    EXPECT_EQ(ChooseAvlEffect(0, 0, Script({}), previous).code, 0);
}

TEST(EffectTable, RandomFamiliesResolve) {
    int previous = -1;
    const auto& r = PopulateEffectsList().records;
    EXPECT_EQ(ResolveRandomFamily(r[2], Script({0.5, 0.99}), previous), Rec(3, 3, 0, 0, 0));
    EXPECT_EQ(ResolveRandomFamily(r[3], Script({0.0, 0.3}), previous), Rec(5, 1, 0, 0, 0));
    EXPECT_EQ(ResolveRandomFamily(r[4], Script({0.2, 0.9}), previous), Rec(10, 0, 32, 0, 0));
    EXPECT_EQ(ResolveRandomFamily(r[5], Script({0.3, 0.6, 0.1}), previous), Rec(19, 2, 8, 0, 0));
    EXPECT_EQ(ResolveRandomFamily(r[5], Script({0.3, 0.6, 0.5}), previous), Rec(19, 2, 32, 0, 0));
    EXPECT_EQ(ResolveRandomFamily(r[6], Script({0.7, 0.7}), previous), Rec(17, 6, 0, 0, 0));
    EXPECT_EQ(previous, 17);
}

TEST(EffectTable, RandomizeAllNeverRepeatsACode) {
    int previous = -1;
    // b = floor(floor(101 r) / 10) div 2: 0 gives Random Blinds.
    EXPECT_EQ(ChooseBookmarkEffect({}, Script({0.0, 0.0, 0.0, 0.0}), previous), Rec(18, 0, 8, 0, 0));
    EXPECT_EQ(previous, 18);
    // The same draw again is repeated; 0.5 gives b 2, Random Wipes.
    EXPECT_EQ(ChooseBookmarkEffect({}, Script({0.0, 0.0, 0.0, 0.0, 0.5, 0.25, 0.75}), previous),
              Rec(2, 3, 0, 0, 0));
    // 0.999: floor(100.9) = 100 → b 5, "Blur Intro".
    EXPECT_EQ(ChooseBookmarkEffect({}, Script({0.999}), previous), Rec(14, 1, 1, 0, 0));
    // A source stuck on one value cannot hang the show.
    EXPECT_EQ(ChooseBookmarkEffect({}, Script({0.999}), previous).code, 14);
    // A selection picks among its entries.
    EXPECT_EQ(ChooseBookmarkEffect({20, 166}, Script({0.6}), previous), Rec(17, 4, 0, 0, 0));
    EXPECT_EQ(ChooseBookmarkEffect({20, 166}, Script({0.4}), previous), Rec(1, 3, 0, 0, 0));
}

TEST(EffectTable, SelectionValue) {
    const auto value = EncodeEffectSelection({166, 3, 300, 3, 20});
    ASSERT_EQ(value.size(), 256u);
    EXPECT_EQ(value[0], 3);
    EXPECT_EQ(value[1], 20);
    EXPECT_EQ(value[2], 166);
    EXPECT_EQ(value[3], 0);
    EXPECT_EQ(value[255], 3);
    EXPECT_EQ(DecodeEffectSelection(value), (std::vector<int>{3, 20, 166}));
    EXPECT_TRUE(DecodeEffectSelection(std::vector<uint8_t>(255, 1)).empty());
    std::vector<uint8_t> hostile(256, 250);  // indexes past the table, count 250
    EXPECT_TRUE(DecodeEffectSelection(hostile).empty());
}

}  // namespace
}  // namespace vimbra
