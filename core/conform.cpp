// Gamma searches that drive the picture towards given means (BIP conform lines
// and AutoFlash). Each trial starts again from the copy in ScratchBitmap.
#include <cstdlib>

#include "core/auto_corrections.h"
#include "core/histogram.h"
#include "core/tone_curves.h"
#include "core/tone_filters.h"

namespace vimbra {
namespace {

// A gamma search ends within a few dozen trials; this only guards the loop.
constexpr int kMaxTrials = 1000;

bool Reached(int mean, int target, int gamma) {
    return std::abs(mean - target) < 3 || gamma < 26 || gamma >= 250;
}

// A quarter of the gamma up when the picture is still too dark, down when too bright.
int NextGamma(int gamma, int mean, int target) {
    return target < mean ? gamma - gamma / 4 : gamma + gamma / 4;
}

int ChannelMean(const ChannelStats& s, int channel) {
    return StatMean(SumsOf(s, channel).sum, s.Count);
}

}  // namespace

void DoConformGamma(Workspace& ws, PassTarget target) {
    const int t = Clamp(ws.EffectValue1, 1, 255);
    const bool wasModified = ws.Modified;
    ws.ScratchBitmap = target.bitmap;
    ResetMaps(ws.curves);
    DoCalcMidtones(ws, target);
    if (ws.stats.Count == 0) return;  // no mid-tones: nothing to aim at
    int m = int(ws.stats.PeakSum / ws.stats.Count);
    int g = m < t ? 150 : 75;
    for (int trial = 0; trial < kMaxTrials; ++trial) {
        SetGammaLUT(ws.curves, g, 1);
        BalanceGammaFilter(ws, target);
        ResetMaps(ws.curves);
        DoCalcMidtones(ws, target);
        if (ws.stats.Count == 0) {
            // The trial pushed every pixel out of the mid-tones: keep the original.
            target.bitmap = ws.ScratchBitmap;
            if (target.isMainPicture) ws.Modified = wasModified;
            return;
        }
        m = int(ws.stats.PeakSum / ws.stats.Count);
        if (Reached(m, t, g)) return;
        target.bitmap = ws.ScratchBitmap;
        g = NextGamma(g, m, t);
    }
}

void DoConformGammaRGB(Workspace& ws, PassTarget target) {
    const int t[3] = {Clamp(ws.EffectValue1, 1, 255), Clamp(ws.EffectValue2, 1, 255),
                      Clamp(ws.EffectValue3, 1, 255)};
    ws.ScratchBitmap = target.bitmap;
    ResetMaps(ws.curves);
    DoCalcHistogram(ws, target, false, true, false);
    int g[3];
    bool done[3] = {false, false, false};
    for (int c = 0; c < 3; ++c) g[c] = ChannelMean(ws.stats, c) < t[c] ? 150 : 75;
    for (int trial = 0; trial < kMaxTrials; ++trial) {
        for (int c = 0; c < 3; ++c) SetGammaLUT(ws.curves, g[c], c);
        ColorFilterBitmap(target.bitmap, ws.curves);
        ResetMaps(ws.curves);
        DoCalcHistogram(ws, target, false, true, false);
        for (int c = 0; c < 3; ++c) {
            if (done[c]) continue;
            const int m = ChannelMean(ws.stats, c);
            if (Reached(m, t[c], g[c]))
                done[c] = true;
            else
                g[c] = NextGamma(g[c], m, t[c]);
        }
        if (done[0] && done[1] && done[2]) return;
        target.bitmap = ws.ScratchBitmap;
    }
}

}  // namespace vimbra
