#include "filters/noise.h"

#include <gtest/gtest.h>

#include "filters/session_test_util.h"

namespace vimbra {
namespace {

Bitmap Uniform(int w, int h, uint8_t v) {
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y) std::fill_n(b.scanLine(y), size_t(w) * 3, v);
    return b;
}

// Smooth ramps, so a JPEG round trip visibly changes something.
Bitmap Ramps(int w, int h) {
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = uint8_t(x * 7), p[1] = uint8_t(y * 5), p[2] = uint8_t((x * y) & 255);
        }
    return b;
}

TEST(NoiseRandomTest, LinearCongruentialSteps) {
    // Seed 0: 0 × 134775813 + 1 = 1, then 134775814.
    NoiseRandom r(0);
    EXPECT_EQ(r.next(), 1.0 / 4294967296.0);
    EXPECT_EQ(r.next(), 134775814.0 / 4294967296.0);
}

TEST(RandomNoiseTest, ZeroLevelsChangeNothing) {
    Bitmap b = Ramps(16, 8);
    NoiseRandom r(7);
    RandomNoiseBitmap(b, 0, 0, 0, r);
    EXPECT_EQ(b, Ramps(16, 8));
}

TEST(RandomNoiseTest, RedOnlyAndDeterministic) {
    Bitmap b = Uniform(32, 32, 200);
    NoiseRandom r(12345);
    RandomNoiseBitmap(b, 255, 0, 0, r);
    int visited = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const uint8_t* p = b.scanLine(y) + 3 * x;
            if (p[0] == 200 && p[1] == 200 && p[2] == 200) continue;
            ++visited;
            EXPECT_EQ(p[0], 0);
            EXPECT_EQ(p[1], 0);
        }
    // m = 255 > u × 255 for every u < 1: every pixel is visited.
    EXPECT_EQ(visited, 32 * 32);
    // The first pixel: u from state 1, u1 from 134775814 gives red 8.
    Bitmap one = Uniform(1, 1, 9);
    NoiseRandom r0(0);
    RandomNoiseBitmap(one, 255, 0, 0, r0);
    EXPECT_EQ(one.scanLine(0)[2], 8);  // trunc(134775814 / 2^32 × 255)
    // The same seed gives the same picture.
    Bitmap again = Uniform(32, 32, 200);
    NoiseRandom r2(12345);
    RandomNoiseBitmap(again, 255, 0, 0, r2);
    EXPECT_EQ(again, b);
}

TEST(RandomNoiseTest, CommandSetsModifiedAndRecordsNothing) {
    Session s(Uniform(16, 16, 100));
    s.ws.Modified = false;
    ASSERT_TRUE(RunEditCommand(s.ws, RandomNoiseCommand()));
    EXPECT_TRUE(s.ws.Modified);
    EXPECT_NE(s.ws.Image, Uniform(16, 16, 100));
    EXPECT_EQ(s.ws.UndoBitmap, Uniform(16, 16, 100));
    EXPECT_TRUE(s.host.recordedLines.empty());
}

TEST(ArtifactTest, QualityLimits) {
    EXPECT_EQ(ArtifactQuality(0), 1);
    EXPECT_EQ(ArtifactQuality(-5), 1);
    EXPECT_EQ(ArtifactQuality(48), 48);
    EXPECT_EQ(ArtifactQuality(255), 100);
    EXPECT_EQ(ArtifactQuality(300), 100);
    EXPECT_EQ(ArtifactLine(48), "ARTIFACT=48");
}

TEST(ArtifactTest, RoundTripChangesPixelsKeepsSize) {
    Bitmap odd = Ramps(37, 21);
    Session s(odd);
    s.ws.Modified = false;
    ASSERT_TRUE(ArtifactCommand(s.ws, 5));
    EXPECT_EQ(s.ws.Image.width(), 37);
    EXPECT_EQ(s.ws.Image.height(), 21);
    EXPECT_EQ(s.ws.Image.depth(), 24);
    EXPECT_NE(s.ws.Image, odd);
    EXPECT_TRUE(s.ws.Modified);
    EXPECT_EQ(s.ws.remembered.Artifact, 5);
    EXPECT_EQ(s.host.recordedLines, (std::vector<std::string>{"ARTIFACT=5"}));
    // In a script nothing is recorded; 0 means quality 1.
    s.ws.BatchRunning = true;
    s.ws.EffectValue1 = 0;
    BipArtifact(s.ws);
    EXPECT_EQ(s.host.recordedLines.size(), 1u);
    EXPECT_EQ(s.ws.Image.width(), 37);
}

TEST(ArtifactTest, PalettePictureWidenedFirst) {
    Bitmap pal(4, 4, 8);
    pal.palette() = {PaletteEntry{10, 200, 30, 0}};
    Session s(std::move(pal));
    s.ws.BatchRunning = true;
    s.ws.EffectValue1 = 100;
    BipArtifact(s.ws);
    EXPECT_EQ(s.ws.Image.depth(), 24);
    EXPECT_EQ(s.ws.ImageBitDepth, 24);
}

}  // namespace
}  // namespace vimbra
