#include "core/histogram_view.h"

#include <gtest/gtest.h>

using namespace vimbra;

TEST(HistogramView, BarHeights) {
    EXPECT_EQ(HistogramBarHeight(1000, 1000, 1), 255);  // the peak reaches the top
    EXPECT_EQ(HistogramBarHeight(500, 1000, 1), 127);   // 500 * 255 div 1000
    EXPECT_EQ(HistogramBarHeight(500, 1000, 2), 255);   // zoom 2: peak div 2 reaches it
    EXPECT_EQ(HistogramBarHeight(100, 1000, 8), 204);   // 100 * 255 div 125
    // 24 megapixels of one grey: 24e6 * 255 does not fit 32 bits.
    EXPECT_EQ(HistogramBarHeight(12000000, 24000000, 1), 127);
    // Fewer pixels than the zoom factor: the divisor would be 0.
    EXPECT_EQ(HistogramBarHeight(3, 3, 8), 255);
    EXPECT_EQ(HistogramBarHeight(0, 0, 1), 0);
}

TEST(HistogramView, ReadoutAndZoomCycle) {
    Histograms h;
    h.HistPeak = 900;
    h.HistRed[200] = 1, h.HistGrn[200] = 2, h.HistBlu[200] = 3, h.HistGry[200] = 4;
    h.HistSat[200] = 5;
    EXPECT_EQ(HistogramBinText(h, 200),
              "Bin:   200\nMax: 900\nRed: 1\nGrn:  2\nBlu:   3\nGry:   4\nSat:   5");
    int z = 1;
    for (int i = 2; i <= 8; ++i) EXPECT_EQ(z = NextHistogramZoom(z), i);
    EXPECT_EQ(NextHistogramZoom(z), 1);
}
