#pragma once
// Histograms and channel statistics of a picture, gathered in one pass.
#include "core/frame.h"
#include "core/hls.h"

namespace vimbra {

inline constexpr int32_t kHistogramLimit = 1073741822;  // a bin stops counting here

// Grey value of a pixel.
inline int GreyValue(int r, int g, int b) { return (30 * r + 60 * g + 10 * b) / 100; }

// Always fills HistRed, HistGrn, HistBlu, HistGry and HistPeak; HistSat and HistHue
// on request; the sums when withStats (saturation and hue sums only with their
// histograms). Count is at least 1 afterwards. Pixels are left alone.
void DoCalcHistogram(Workspace& ws, PassTarget target, bool withSat, bool withStats,
                     bool withHue);
// HistGry plus the grey sums of the pixels with grey 16..240 (Count may stay 0).
void DoCalcMidtones(Workspace& ws, PassTarget target);

struct EndPoints {
    int lo = 0, hi = 255;
    bool operator==(const EndPoints&) const = default;
};
// Populated range of HistGry (saturation = false) or HistSat (saturation = true):
// the first run of four bins each above 48 from either end.
EndPoints HistogramEndPoints(const Histogram& h, bool saturation);
// First bin from 0 up holding more than 48 pixels, 0 when none does.
int FirstPopulatedBin(const Histogram& h);

// Mean and standard deviation from a sum and sum of squares. The integer forms
// round half-even. Integral sums (as every pass here leaves) are combined exactly,
// so a huge uniform picture has deviation 0, not a rounding residue.
Real StatMeanReal(Real sum, Real count);
Real StatDeviationReal(Real sum, Real sumSq, Real count);
int StatMean(Real sum, Real count);
int StatDeviation(Real sum, Real sumSq, Real count);

// Sums of one channel: 0 red, 1 green, 2 blue, -1 grey, -2 saturation bin.
struct ChannelSums {
    Real sum = 0, sumSq = 0;
};
ChannelSums SumsOf(const ChannelStats& s, int channel);

// The whitest pixel: the colour of the last pixel (in pass order) that lowered
// both hue and saturation below the best so far, starting from (3599, 0, 3599).
// Leaves r, g and the packed colour in EffectValue1..3 and returns the colour.
RGB WhiteMax(Workspace& ws, PassTarget target);
// Blackens every pixel whose saturation exceeds 900.
void WhiteProfile(Workspace& ws, PassTarget target);

}  // namespace vimbra
