#include "desktop/print_layout.h"

#include <gtest/gtest.h>

namespace vimbra {
namespace {

// A4 at 300 dpi with no margins: 595 x 842 points -> 2479 x 3508 pixels.
const PrintPage kA4{2479, 3508, 300, 300, false};

TEST(FitToPage, WidthOrHeightLimits) {
    // 400 x 300 in 2479 x 3508: width limits; 300 * 2479 / 400 = 1859.25.
    EXPECT_EQ(FitToPage(2479, 3508, 400, 300), (PrintSize{2479, 1859}));
    // 300 x 400 in 2479 x 3508: 2479 / 300 = 8.263 < 3508 / 400 = 8.77, width limits;
    // 400 * 2479 / 300 = 3305.33.
    EXPECT_EQ(FitToPage(2479, 3508, 300, 400), (PrintSize{2479, 3305}));
    // 100 x 1000 in 2479 x 3508: height limits; 100 * 3508 / 1000 = 350.8.
    EXPECT_EQ(FitToPage(2479, 3508, 100, 1000), (PrintSize{350, 3508}));
    // A small picture is enlarged: 10 x 10 in 600 x 400 -> 400 x 400.
    EXPECT_EQ(FitToPage(600, 400, 10, 10), (PrintSize{400, 400}));
}

TEST(FitToPage, SameAspectFillsTheBoxExactly) {
    // 2479 / 7 and 3508 / 7 are not whole; a float scale would lose the last pixel.
    EXPECT_EQ(FitToPage(2479, 3508, 2479, 3508), (PrintSize{2479, 3508}));
    EXPECT_EQ(FitToPage(4958, 7016, 2479, 3508), (PrintSize{4958, 7016}));
    EXPECT_EQ(FitToPage(999, 333, 3, 1), (PrintSize{999, 333}));
}

TEST(FitToPage, PercentAndEmptyInputs) {
    // 50 %: 2479 * 50 / 100 = 1239.5, 1859.25 * 0.5 = 929.625.
    EXPECT_EQ(FitToPage(2479, 3508, 400, 300, 50), (PrintSize{1239, 929}));
    // 1 %: 24.79 and 18.5925.
    EXPECT_EQ(FitToPage(2479, 3508, 400, 300, 1), (PrintSize{24, 18}));
    // Zero sizes give nothing instead of looping or dividing by zero.
    EXPECT_EQ(FitToPage(2479, 3508, 0, 300), (PrintSize{}));
    EXPECT_EQ(FitToPage(2479, 3508, 400, 0), (PrintSize{}));
    EXPECT_EQ(FitToPage(0, 3508, 400, 300), (PrintSize{}));
    // Huge pictures do not overflow: 30000 x 30000 in a 1 x 2 box.
    EXPECT_EQ(FitToPage(1, 2, 30000, 30000), (PrintSize{1, 1}));
}

TEST(CentredPlacement, StartsCentredWithScrollRanges) {
    const PrintPlacement p = CentredPlacement(kA4, 400, 300, 100);
    EXPECT_EQ(p.width, 2479);
    EXPECT_EQ(p.height, 1859);
    EXPECT_EQ(p.xMax, 0);
    EXPECT_EQ(p.yMax, 3508 - 1859);  // 1649
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 824);                 // 1649 div 2
    EXPECT_EQ(p.xStep, 1);               // 0 div 8, raised to 1
    EXPECT_EQ(p.yStep, 206);             // 1649 div 8

    // Size 50 %: half the fitted size, centred: (2479 - 1239) div 2 = 620,
    // (3508 - 929) div 2 = 1289.
    const PrintPlacement half = CentredPlacement(kA4, 400, 300, 50);
    EXPECT_EQ(half, (PrintPlacement{620, 1289, 1239, 929, 1240, 2579, 155, 322}));
}

TEST(CentredPlacement, PageShapedPictureHasNoRoom) {
    const PrintPlacement p = CentredPlacement(kA4, 2479, 3508, 100);
    EXPECT_EQ(p, (PrintPlacement{0, 0, 2479, 3508, 0, 0, 1, 1}));
    const PrintLabels l = LabelsFor(kA4, p, PrintMeasure::Pixels);
    EXPECT_EQ(l.x, "&X pos : 0");
    EXPECT_EQ(l.y, "&Y pos : 0");
}

TEST(MovedPlacement, ClampsToTheScrollRanges) {
    const PrintPlacement p = CentredPlacement(kA4, 400, 300, 50);
    EXPECT_EQ(MovedPlacement(p, 10, 20).x, 10);
    EXPECT_EQ(MovedPlacement(p, 10, 20).y, 20);
    EXPECT_EQ(MovedPlacement(p, -5, 99999).x, 0);
    EXPECT_EQ(MovedPlacement(p, -5, 99999).y, 2579);
}

TEST(LabelsFor, EachMeasure) {
    const PrintPage page{4800, 6600, 600, 600, false};
    PrintPlacement p;
    p.x = 300;
    p.y = 1800;
    p.width = 1200;
    p.height = 900;
    const PrintLabels px = LabelsFor(page, p, PrintMeasure::Pixels);
    EXPECT_EQ(px.width, "Width : 1200");
    EXPECT_EQ(px.height, "Height: 900");
    EXPECT_EQ(px.x, "&X pos : 300");
    EXPECT_EQ(px.y, "&Y pos : 1800");
    EXPECT_EQ(px.settings, "Portrait : 4800 x 6600  (600 x 600 dpi)");

    // 1200 / 600 * 2.54 = 5.08 -> "5.1"; 900 -> 3.81 -> "3.8"; 300 -> 1.27 -> "1.3".
    const PrintLabels cm = LabelsFor(page, p, PrintMeasure::Cm);
    EXPECT_EQ(cm.width, "Width : 5.1");
    EXPECT_EQ(cm.height, "Height: 3.8");
    EXPECT_EQ(cm.x, "&X pos : 1.3");
    EXPECT_EQ(cm.y, "&Y pos : 7.6");  // 3 * 2.54 = 7.62
    EXPECT_EQ(cm.settings, "Portrait : 20.3 x 27.9  (600 x 600 dpi)");  // 20.32, 27.94

    const PrintLabels in = LabelsFor(page, p, PrintMeasure::Inches);
    EXPECT_EQ(in.width, "Width : 2.0");
    EXPECT_EQ(in.x, "&X pos : 0.5");
    EXPECT_EQ(in.settings, "Portrait : 8.0 x 11.0  (600 x 600 dpi)");

    // Landscape, unequal resolutions: each direction uses its own.
    const PrintPage wide{3300, 1200, 300, 150, true};
    const PrintLabels w = LabelsFor(wide, p, PrintMeasure::Inches);
    EXPECT_EQ(w.width, "Width : 4.0");
    EXPECT_EQ(w.height, "Height: 6.0");
    EXPECT_EQ(w.settings, "Landscape: 11.0 x 8.0  (300 x 150 dpi)");
}

TEST(SizeLabel, Text) {
    EXPECT_EQ(SizeLabel(100), "  Si&ze : 100%");
    EXPECT_EQ(SizeLabel(5), "  Si&ze : 5%");
}

}  // namespace
}  // namespace vimbra
