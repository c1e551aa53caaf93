#pragma once
// Histograms and channel statistics of a picture, gathered in one pass.
#include "core/frame.h"

namespace vimbra {

inline constexpr int32_t kHistogramLimit = 1073741822;  // a bin stops counting here

// Grey value of a pixel.
inline int GreyValue(int r, int g, int b) { return (30 * r + 60 * g + 10 * b) / 100; }

void DoCalcHistogram(Workspace& ws, PassTarget target, bool withSat, bool withStats,
                     bool withHue);
void DoCalcMidtones(Workspace& ws, PassTarget target);

struct EndPoints {
    int lo = 0, hi = 255;
};
// Populated range of HistGry (saturation = false) or HistSat (saturation = true).
EndPoints HistogramEndPoints(const Histogram& h, bool saturation);
// First bin from 0 up holding more than 48 pixels, 0 when none does.
int FirstPopulatedBin(const Histogram& h);

// Mean and standard deviation from a sum and sum of squares, rounded half-even.
int StatMean(Real sum, Real count);
int StatDeviation(Real sum, Real sumSq, Real count);

void WhiteMax(Workspace& ws, PassTarget target);
void WhiteProfile(Workspace& ws, PassTarget target);

}  // namespace vimbra
