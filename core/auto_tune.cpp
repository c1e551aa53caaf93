// One-click corrections of Colors > Tune that pick their curves from end points,
// the whitest pixel or the mid-tones.
#include <cmath>

#include "core/auto_corrections.h"
#include "core/histogram.h"
#include "core/tone_curves.h"
#include "core/tone_filters.h"

namespace vimbra {
namespace {

EndPoints GreyEndPoints(Workspace& ws, PassTarget target) {
    DoCalcHistogram(ws, target, false, false, false);
    return HistogramEndPoints(ws.hist.HistGry, false);
}

// Gamma ×100 whose curve takes the mid-tone mean m to the target T: the first of
// 25..500 landing within 2 of it, evaluated as the gamma curve builder stores it.
// Below 100 it would darken, so it is raised to 100.
int GammaForTarget(Real m, Real T) {
    const Real x = Real40(m / 255);
    const Real lnx = std::log(x);
    int found = 100;
    for (int g = 25; g <= 500; ++g) {
        const Real gamma = Real40(g * Real(0.01));
        const Real y = Real40(255 * std::exp(lnx / gamma));
        if (std::fabs(y - T) < 2) {
            found = g;
            break;
        }
    }
    return Clamp(found, 100, 500);
}

void RestoreUnchanged(Workspace& ws, const PassTarget& target, bool wasModified) {
    if (target.isMainPicture) {
        ws.Modified = wasModified;
        ws.host().RefreshView(ws);
    } else {
        ws.host().InvalidatePreview(target.bitmap);
    }
}

}  // namespace

void AutoContrast(Workspace& ws, PassTarget target) {
    const EndPoints e = GreyEndPoints(ws, target);
    for (int ch : {0, 1, 2}) SetStretchLUT(ws.curves, e.lo, e.hi, ch);
    ColorFilter(ws, target);
}

void AutoLighting(Workspace& ws, PassTarget target) {
    const EndPoints e = GreyEndPoints(ws, target);
    SetStretchLUT(ws.curves, e.lo, e.hi, 1);
    LuminanceFilter(ws, target);
}

void AutoSaturate(Workspace& ws, PassTarget target) {
    ResetMaps(ws.curves);
    DoCalcHistogram(ws, target, true, true, false);
    const EndPoints e = HistogramEndPoints(ws.hist.HistSat, true);
    SetStretchLUT(ws.curves, e.lo, e.hi, 1);
    SetGammaLUT(ws.curves, 100, 2);
    SaturationFilter(ws, target);
}

void AutoBalance(Workspace& ws, PassTarget target) {
    const RGB white = WhiteMax(ws, target);
    SetBrightLUTex(ws.curves, 255 - white.r, 0);
    SetBrightLUTex(ws.curves, 255 - white.g, 1);
    SetBrightLUTex(ws.curves, 255 - white.b, 2);
    BalanceFilter(ws, target);
}

void AutoWhite(Workspace& ws, PassTarget target) {
    const RGB white = WhiteMax(ws, target);
    SetBrightLUT(ws.curves, 127 - white.r / 2, 0);
    SetBrightLUT(ws.curves, 127 - white.g / 2, 1);
    SetBrightLUT(ws.curves, 127 - white.b / 2, 2);
    ColorFilter(ws, target);
}

int AutoGamma(Workspace& ws, PassTarget target) {
    ResetMaps(ws.curves);
    DoCalcMidtones(ws, target);
    const ChannelStats& s = ws.stats;
    if (s.Count == 0) return 0;  // nothing in 16..240 to measure
    const Real m = StatMeanReal(s.PeakSum, s.Count);
    const Real sd = StatDeviationReal(s.PeakSum, s.PeakSumSq, s.Count);
    // Brighten by as much as the spread leaves room for on both sides.
    int n = 0;
    while (m + sd + 2 * n < 255 && m - (sd + 2 * n) > 1) ++n;
    const int g = GammaForTarget(m, m + n);
    SetGammaLUT(ws.curves, g, 1);
    BalanceGammaFilter(ws, target);
    return g;
}

bool AutoFlash(Workspace& ws, PassTarget target, int mode) {
    const bool wasModified = ws.Modified;
    ResetMaps(ws.curves);
    DoCalcMidtones(ws, target);
    if (ws.stats.Count == 0) {
        RestoreUnchanged(ws, target, wasModified);
        return false;
    }
    const int64_t before = Nearest(ws.stats.PeakSum / ws.stats.Count);
    ws.ScratchBitmap = target.bitmap;
    if (mode == 1)
        AutoContrast(ws, target);
    else if (mode == 2)
        AutoWhite(ws, target);
    else
        Optimize(ws, target);
    ResetMaps(ws.curves);
    DoCalcMidtones(ws, target);
    const bool measured = ws.stats.Count > 0;
    if (measured) ws.EffectValue1 = int32_t(Nearest(ws.stats.PeakSum / ws.stats.Count));
    target.bitmap = ws.ScratchBitmap;
    if (!measured || before >= ws.EffectValue1) {
        RestoreUnchanged(ws, target, wasModified);
        return false;
    }
    DoConformGamma(ws, target);
    return true;
}

}  // namespace vimbra
