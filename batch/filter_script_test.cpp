// Script lines of the Smooth, Sharpen, Descreen and colour-mask keywords run
// through the parser and the table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batch/script_test_util.h"

namespace vimbra {
namespace {

// A 3 x 3 grey picture: the ring in `ring`, the centre in `centre`, and the
// pixel below the centre in `below`.
Bitmap Grey3x3(uint8_t ring, uint8_t centre, uint8_t below) {
    Bitmap b(3, 3, 24);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) {
            uint8_t v = ring;
            if (x == 1 && y == 1) v = centre;
            if (x == 1 && y == 2) v = below;
            std::fill_n(b.scanLine(y) + 3 * x, 3, v);
        }
    return b;
}

TEST(FilterScript, EveryKeywordHasItsHandler) {
    for (const char* k :
         {"DELACE", "ENRICH", "DESCREEN_LIGHT", "DESCREEN_MEDIUM", "DESCREEN_STRONG",
          "DESCREEN_HIGH", "DEFOCUS", "GAUSSIAN", "OUTLIER", "SOFTEN", "DESPECKLE", "UNSPOT",
          "MEANREMOVAL", "HIGHPASSMEDIUM", "HIGHPASSLIGHT", "UNSHARPMASK", "CLEAN", "DEFOG",
          "MASK_HLS", "MASK_HLSINV", "REPLACE_RGB", "REPLACE_RGBINV", "REPLACE_HLS",
          "REPLACE_HLSINV", "AIRBRUSH"}) {
        const Command* c = FindBipCommand(k);
        ASSERT_NE(c, nullptr) << k;
        EXPECT_NE(c->run, nullptr) << k;
    }
}

TEST(FilterScript, RangesOfTheLines) {
    Script s(Grey3x3(10, 10, 10));
    EXPECT_EQ(s.line("GAUSSIAN=0"), BipOutcome::OutOfRange);
    EXPECT_EQ(s.line("GAUSSIAN=256"), BipOutcome::OutOfRange);
    EXPECT_EQ(s.line("SOFTEN=11"), BipOutcome::OutOfRange);
    EXPECT_EQ(s.line("DESPECKLE=10"), BipOutcome::OutOfRange);
    EXPECT_EQ(s.line("UNSPOT=-128"), BipOutcome::OutOfRange);
    EXPECT_EQ(s.line("UNSPOT=127"), BipOutcome::Ran);
    EXPECT_EQ(s.line("MEANREMOVAL=9"), BipOutcome::OutOfRange);
    EXPECT_EQ(s.line("HIGHPASSLIGHT=5"), BipOutcome::OutOfRange);
    EXPECT_EQ(s.line("CLEAN=0,256"), BipOutcome::OutOfRange);
    EXPECT_EQ(s.line("UNSHARPMASK=0,0"), BipOutcome::Ran);
    // Colour-mask lines take any values, even ones that form no sensible band.
    EXPECT_EQ(s.line("REPLACE_HLS=-1,-2147483648,2147483647"), BipOutcome::Ran);
    EXPECT_EQ(s.line("AIRBRUSH=-7,-7,-7"), BipOutcome::Ran);
}

TEST(FilterScript, ConvolutionsOnTheCentrePixel) {
    {
        // Classic mean removal: 9 * 100 - 8 * 50 = 500, limited to 255.
        Script s(Grey3x3(50, 100, 50));
        EXPECT_EQ(s.line("MEANREMOVAL=8"), BipOutcome::Ran);
        EXPECT_EQ(s.pixel(1, 1)[0], 255);
        EXPECT_EQ(s.pixel(0, 0)[0], 50);  // the ring stays
    }
    {
        // Gaussian 255 means threshold 0: 90 div 9 = 10 replaces 90.
        Script s(Grey3x3(0, 90, 0));
        s.line("GAUSSIAN=255");
        EXPECT_EQ(s.pixel(1, 1)[2], 10);
    }
    {
        // Outlier leaves out the sample below the centre: 90 div 8 = 11.
        Script s(Grey3x3(0, 90, 80));
        s.line("OUTLIER=255");
        EXPECT_EQ(s.pixel(1, 1)[1], 11);
    }
    {
        // Gaussian 1 (threshold 254) only replaces a byte 255 away from its blur.
        Script s(Grey3x3(0, 90, 0));
        s.line("GAUSSIAN=1");
        EXPECT_EQ(s.pixel(1, 1)[0], 90);
    }
}

TEST(FilterScript, MedianAndSpotsOnTheWholePicture) {
    // A lone bright pixel in the plus-shaped median: neighbours 10, 10, 10, 10.
    Script s(Grey3x3(10, 200, 10));
    s.line("UNSPOT=-8");  // pepper only: a bright spot stays
    EXPECT_EQ(s.pixel(1, 1)[0], 200);
    s.line("UNSPOT=8");  // salt: 200 > 32 and above its median 10
    EXPECT_EQ(s.pixel(1, 1)[0], 10);
}

TEST(FilterScript, RgbReplacementMakesAMask) {
    Script s(Grey3x3(10, 200, 10));
    s.line("REPLACE_RGB=10,10,10");
    EXPECT_EQ(s.pixel(0, 0)[0], 255);
    EXPECT_EQ(s.pixel(1, 1)[0], 0);
    s.line("REPLACE_RGBINV=255,255,255");
    EXPECT_EQ(s.pixel(0, 0)[0], 0);
    EXPECT_EQ(s.pixel(1, 1)[0], 255);
}

TEST(FilterScript, DescreenAndEnlargingFiltersKeepThePicture) {
    Bitmap grey(7, 5, 8);
    grey.palette().resize(256);
    for (int i = 0; i < 256; ++i) grey.palette()[size_t(i)] = {uint8_t(i), uint8_t(i), uint8_t(i)};
    for (int y = 0; y < 5; ++y) std::fill_n(grey.scanLine(y), 7, uint8_t(40 * y));
    Script s(std::move(grey));
    EXPECT_EQ(s.line("DESCREEN_MEDIUM"), BipOutcome::Ran);
    EXPECT_EQ(s.ws.Image.depth(), 24);  // converted before the pass
    EXPECT_EQ(s.line("DELACE"), BipOutcome::Ran);
    EXPECT_EQ(s.line("ENRICH"), BipOutcome::Ran);
    EXPECT_EQ(s.ws.Image.width(), 7);
    EXPECT_EQ(s.ws.Image.height(), 5);
    EXPECT_FALSE(s.ws.CancelRequested);
}

}  // namespace
}  // namespace vimbra
