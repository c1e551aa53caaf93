#include "commands/map_commands.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "core/auto_corrections.h"
#include "core/histogram.h"
#include "core/tone_curves.h"
#include "core/tone_filters.h"

namespace vimbra {
namespace {

int MapChannel(int effectCode) {
    switch (effectCode) {
        case kMapRed: return kChannelRed;
        case kMapGreen: return kChannelGreen;
        case kMapBlue: return kChannelBlue;
        case kMapSaturation: return kChannelSaturation;
        default: return kChannelLightness;
    }
}

int RoundedMean(const ChannelStats& s, int channel) {
    return StatMean(SumsOf(s, channel).sum, s.Count);
}
int RoundedDeviation(const ChannelStats& s, int channel) {
    const ChannelSums c = SumsOf(s, channel);
    return StatDeviation(c.sum, c.sumSq, s.Count);
}

// Highest level n (from 254 down) where the histogram is still falling: h[n] above
// 4 and below h[n - 1]. 0 when there is none, which leaves the shift unlimited.
int FallingTop(const Histogram& h) {
    for (int n = 254; n >= 1; --n)
        if (h[size_t(n)] > 4 && h[size_t(n)] < h[size_t(n - 1)]) return n;
    return 0;
}

// Level in a..b with the most pixels in it and its two neighbours; the first
// of equal maxima wins, 0 when the window is empty.
int PeakIn(const Histogram& h, int a, int b) {
    int peak = 0;
    int64_t best = 0;
    for (int i = a; i <= b; ++i) {
        const int64_t sum = int64_t(h[size_t(i - 1)]) + h[size_t(i)] + h[size_t(i + 1)];
        if (sum > best) {
            best = sum;
            peak = i;
        }
    }
    return peak;
}

}  // namespace

MapStart MapInitialPositions(const Workspace& ws, int effectCode) {
    MapStart start{128, 64};
    const ChannelStats& s = ws.stats;
    if (effectCode == kMapEqualize) {
        start = {StatMean(s.PeakSum, s.Count), StatDeviation(s.PeakSum, s.PeakSumSq, s.Count)};
    } else if (effectCode != kTuneRgb) {
        const int ch = MapChannel(effectCode);
        start = {RoundedMean(s, ch), RoundedDeviation(s, ch)};
    }
    // The sliders hold what they can show.
    return {Clamp(start.mean, 8, 240), Clamp(start.deviation, 3, 127)};
}

void MapNormalize(Workspace& ws, PassTarget target, int effectCode) {
    ResetMaps(ws.curves);
    if (effectCode == kMapEqualize) {
        for (int ch : {kChannelRed, kChannelGreen, kChannelBlue}) DoNormalize(ws, target, ch);
    } else {
        DoNormalize(ws, target, MapChannel(effectCode));
    }
}

void TuneRgb(Workspace& ws, PassTarget target, int meanOffset, int deviationOffset) {
    for (int ch : {kChannelRed, kChannelGreen, kChannelBlue})
        MapChannelOffset(ws, target, ch, meanOffset, deviationOffset);
}

void MapChannelOffset(Workspace& ws, PassTarget target, int channel, int meanOffset,
                      int deviationOffset) {
    // Script offsets are unchecked: saturate instead of overflowing.
    const auto offset = [](int value, int by) {
        return int32_t(std::clamp<int64_t>(int64_t(value) + by, INT32_MIN, INT32_MAX));
    };
    ws.EffectValue1 = offset(RoundedMean(ws.stats, channel), meanOffset);
    ws.EffectValue2 = offset(RoundedDeviation(ws.stats, channel), deviationOffset);
    DoNormalize(ws, target, channel);
}

void MapZero(Workspace& ws, PassTarget target) {
    DoCalcHistogram(ws, target, false, false, false);
    ResetMaps(ws.curves);
    const Histogram* hists[3] = {&ws.hist.HistRed, &ws.hist.HistGrn, &ws.hist.HistBlu};
    for (int ch = 0; ch < 3; ++ch) {
        Curve& curve = ws.curves.curve(ch);
        int used = 0;
        for (int i = 0; i < 256; ++i) {
            curve[size_t(i)] = uint8_t(used);
            if ((*hists[ch])[size_t(i)] > 0) ++used;
        }
    }
    ColorFilter(ws, target);
}

void MapCenter(Workspace& ws, PassTarget target) {
    DoCalcHistogram(ws, target, false, false, false);
    const Histogram* hists[3] = {&ws.hist.HistRed, &ws.hist.HistGrn, &ws.hist.HistBlu};
    int top[3], shift[3] = {0, 0, 0};
    for (int ch = 0; ch < 3; ++ch) top[ch] = FallingTop(*hists[ch]);
    // Narrow the window until the shifts keep every channel's top in range.
    for (int a = 16, b = 240; a < 96; a += 8, b -= 8) {
        int peak[3];
        for (int ch = 0; ch < 3; ++ch) peak[ch] = PeakIn(*hists[ch], a, b);
        const int highest = std::max({peak[0], peak[1], peak[2]});
        bool fits = true;
        for (int ch = 0; ch < 3; ++ch) {
            shift[ch] = highest - peak[ch];
            if (shift[ch] + top[ch] > 255) fits = false;
        }
        if (fits) break;
    }
    for (int ch = 0; ch < 3; ++ch) {
        if (shift[ch] + top[ch] > 255) shift[ch] = 255 - top[ch];
        SetShiftLUT(ws.curves, shift[ch], ch);
    }
    ColorFilter(ws, target);
}

void LimitIntensities(Workspace& ws, PassTarget target, int effectCode) {
    const int lo = ws.EffectValue1, mid = ws.EffectValue2, hi = ws.EffectValue3;
    const int first = effectCode == kLimitAll ? 0 : effectCode - kLimitRed;
    const int last = effectCode == kLimitAll ? 2 : first;
    ResetMaps(ws.curves);
    if (int64_t(mid) - lo > 3) {
        for (int ch = first; ch <= last; ++ch) SetLoRemap(ws.curves, lo, mid, ch);
        ColorFilter(ws, target);
    }
    // The low remap stays in the curves, so values below mid pass through it again.
    if (int64_t(hi) - mid > 3) {
        for (int ch = first; ch <= last; ++ch) SetHiRemap(ws.curves, hi, mid, ch);
        ColorFilter(ws, target);
    }
}

std::vector<std::string> RgbInfoLines(Workspace& ws) {
    ResetMaps(ws.curves);
    DoCalcHistogram(ws, PassTarget::mainPicture(ws), true, true, false);
    const ChannelStats& s = ws.stats;
    const std::string rule(30, '-');
    const int r = RoundedMean(s, kChannelRed), g = RoundedMean(s, kChannelGreen);
    const int b = RoundedMean(s, kChannelBlue);
    const int lit = RoundedMean(s, kChannelLightness);
    return {rule,
            BipLine(">CONFORM_RED", {r, RoundedDeviation(s, kChannelRed)}),
            BipLine(">CONFORM_GRN", {g, RoundedDeviation(s, kChannelGreen)}),
            BipLine(">CONFORM_BLU", {b, RoundedDeviation(s, kChannelBlue)}),
            BipLine(">CONFORM_LIT", {lit, RoundedDeviation(s, kChannelLightness)}),
            BipLine(">CONFORM_GAMMA_RGB", {r, g, b}),
            BipLine(">CONFORM_GAMMA", {lit}),
            rule};
}

}  // namespace vimbra
