// The statistical remap and its one-click users, and the two balance passes.
#include "core/auto_corrections.h"

#include <algorithm>

#include "core/histogram.h"
#include "core/hls.h"
#include "core/tone_curves.h"
#include "core/tone_filters.h"

namespace vimbra {

void DoNormalize(Workspace& ws, PassTarget target, int channel) {
    ToneCurves& curves = ws.curves;
    ResetMaps(curves);
    ws.EffectValue1 = Clamp(ws.EffectValue1, 1, 255);
    ws.EffectValue2 = Clamp(ws.EffectValue2, 1, 255);
    if (ws.stats.Count == 0) ws.stats.Count = 1;
    const ChannelSums sums = SumsOf(ws.stats, channel);
    const Real m = StatMeanReal(sums.sum, ws.stats.Count);
    Real s = StatDeviationReal(sums.sum, sums.sumSq, ws.stats.Count);
    if (s == 0) s = 1;
    const Real tm = ws.EffectValue1, ts = ws.EffectValue2;
    // Lightness and saturation go through GrnLut; BluLut stays the identity.
    Curve& curve = channel >= 0 ? curves.curve(channel) : curves.GrnLut;
    for (int i = 1; i < 256; ++i) {
        const Real l = std::clamp<Real>(tm + ts * (i - m) / s, 0, 255);
        curve[size_t(i)] = uint8_t(l);
    }
    if (channel == kChannelLightness)
        LuminanceFilter(ws, target);
    else if (channel == kChannelSaturation)
        SaturationFilter(ws, target);
    else
        ColorFilter(ws, target);
}

SpreadTarget SpreadTargets(Real m, Real s) {
    Real d = 0, f = 0;
    for (;;) {
        const Real t = d + s + f;
        if (m + t >= 255 || m - t <= 1) break;
        d = f / 2;
        f = f + 1;
    }
    return {int(Nearest(m + d)), int(Nearest(s + f))};
}

void BalanceGammaFilter(Workspace& ws, PassTarget target) {
    Bitmap& bm = target.bitmap;
    const Curve& lut = ws.curves.GrnLut;
    if (bm.depth() == 24) {
        for (int y = bm.height() - 1; y >= 0; --y) {
            uint8_t* row = bm.scanLine(y);
            for (int x = bm.width() - 1; x >= 0; --x) {
                uint8_t* p = row + 3 * x;
                const int r = p[2], g = p[1], b = p[0];
                const int lum = r * 3 / 10 + g * 6 / 10 + b / 10;
                const int dark = 255 - lum;
                p[2] = uint8_t(std::min(255, lum * r / 255 + lut[size_t(r)] * dark / 255));
                p[1] = uint8_t(std::min(255, lum * g / 255 + lut[size_t(g)] * dark / 255));
                p[0] = uint8_t(std::min(255, lum * b / 255 + lut[size_t(b)] * dark / 255));
            }
        }
    }
    EndPass(ws, target);
}

void BalanceFilter(Workspace& ws, PassTarget target) {
    Bitmap& bm = target.bitmap;
    const ToneCurves& c = ws.curves;
    if (bm.depth() == 24) {
        for (int y = bm.height() - 1; y >= 0; --y) {
            uint8_t* row = bm.scanLine(y);
            for (int x = bm.width() - 1; x >= 0; --x) {
                uint8_t* p = row + 3 * x;
                const int r = p[2], g = p[1], b = p[0];
                int e = c.RedLut16[size_t(r)], f = c.GrnLut16[size_t(g)], h = c.BluLut16[size_t(b)];
                const int mx = std::max({e, f, h});
                if (mx > 0) {
                    e = std::min(255, e * 255 / mx);
                    f = std::min(255, f * 255 / mx);
                    h = std::min(255, h * 255 / mx);
                }
                const HLS hls = RGBtoHLS(e, f, h);
                const RGB bal = HLStoRGB(hls.H, hls.L, hls.S);
                const int lum = std::min(255, r * 3 / 10 + g * 6 / 10 + b / 10);
                const int dark = 255 - lum;
                p[2] = uint8_t(std::min(255, dark * r / 255 + lum * bal.r / 255));
                p[1] = uint8_t(std::min(255, dark * g / 255 + lum * bal.g / 255));
                p[0] = uint8_t(std::min(255, dark * b / 255 + lum * bal.b / 255));
            }
        }
    }
    EndPass(ws, target);
}

void Normalize(Workspace& ws, PassTarget target) {
    ResetMaps(ws.curves);
    DoCalcHistogram(ws, target, true, true, false);
    const ChannelStats& s = ws.stats;
    const int tm = StatMean(s.PeakSum, s.Count);
    const int ts = StatDeviation(s.PeakSum, s.PeakSumSq, s.Count);
    for (int channel : {kChannelRed, kChannelGreen, kChannelBlue}) {
        ws.EffectValue1 = tm;
        ws.EffectValue2 = ts;
        DoNormalize(ws, target, channel);
    }
    ws.host().StatusReady(ws);
}

void Optimize(Workspace& ws, PassTarget target) {
    ResetMaps(ws.curves);
    DoCalcHistogram(ws, target, false, true, false);
    // Every channel uses the statistics taken before the first remap.
    const ChannelStats stats = ws.stats;
    for (int channel : {kChannelRed, kChannelGreen, kChannelBlue}) {
        const ChannelSums sums = SumsOf(stats, channel);
        const SpreadTarget t = SpreadTargets(StatMeanReal(sums.sum, stats.Count),
                                             StatDeviationReal(sums.sum, sums.sumSq, stats.Count));
        ws.EffectValue1 = t.mean;
        ws.EffectValue2 = t.deviation;
        DoNormalize(ws, target, channel);
    }
}

void Equalize(Workspace& ws, PassTarget target) {
    ResetMaps(ws.curves);
    DoCalcHistogram(ws, target, false, true, false);
    for (int channel : {kChannelRed, kChannelGreen, kChannelBlue}) {
        ws.EffectValue1 = 128;
        ws.EffectValue2 = 127;
        DoNormalize(ws, target, channel);
    }
}

}  // namespace vimbra
