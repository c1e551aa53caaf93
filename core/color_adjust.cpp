#include "core/color_adjust.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "core/exact_division.h"
#include "core/parallel_rows.h"
#include "core/tone_curves.h"
#include "core/tone_filters.h"

namespace vimbra {
namespace {

// RGBtoHLS followed by HLStoRGB, fused and inlined. The results are those of
// the two conversions; the steps are rearranged: per-pixel divisors become exact
// reciprocals, what depends only on max + min is looked up, and the hue is
// worked out per sector instead of channel by channel.

// A 0..3600 hue component scaled to a channel.
constexpr auto kToChannel = [] {
    std::array<uint8_t, 3601> t{};
    for (int v = 0; v <= 3600; ++v) t[size_t(v)] = uint8_t(std::min(255, (v * 255 + 1800) / 3600));
    return t;
}();

struct TuneTables {
    int hueShift = 0, satShift = 0;
    std::array<uint16_t, 511> light{};  // shifted lightness by max + min
    std::array<uint8_t, 511> grey{};    // the grey of that lightness

    // Shifts beyond a full turn or the full scale give nothing new; bounding
    // them keeps every intermediate inside its table.
    TuneTables(int h, int l, int s) : hueShift(h % 3600), satShift(Clamp(s, -3600, 3600)) {
        l = Clamp(l, -3600, 3600);
        for (int sum = 0; sum <= 510; ++sum) {
            const int L = Clamp((sum * 3600 + 255) / 510 + l, 0, 3600);
            light[size_t(sum)] = uint16_t(L);
            grey[size_t(sum)] = uint8_t(L * 255 / 3600);
        }
    }
};

inline void tunePixel(uint8_t* px, const TuneTables& t) {
    const int b = px[0], g = px[1], r = px[2];
    const int mx = Max(Max(r, g), b), mn = Min(Min(r, g), b);
    const int sum = mx + mn;
    int H = kGreyHue, S = 0;
    if (mx != mn) {
        const int d = mx - mn;
        // Lightness at most 1800 exactly when max + min is at most 255.
        const int den = sum <= 255 ? sum : 510 - sum;
        S = DivideExact(d * 3600 + den / 2, den);
        // The smallest channel's term is exactly 600, so the middle one alone
        // decides where in its sector the hue lies.
        const int h2 = d / 2;
        const auto part = [&](int mid) { return DivideExact(h2 + (mx - mid) * 600, d); };
        if (r == mx)
            H = g >= b ? 600 - part(g) : 3000 + part(b);
        else if (g == mx)
            H = r >= b ? 600 + part(r) : 1800 - part(b);
        else
            H = g >= r ? 1800 + part(g) : 3000 - part(r);
    }
    H += t.hueShift;
    if (H < 0) H += 3600;
    else if (H > 3600) H -= 3600;
    S = Clamp(S + t.satShift, 0, 3600);
    if (S == 0) {
        px[0] = px[1] = px[2] = t.grey[size_t(sum)];
        return;
    }
    const int L = t.light[size_t(sum)];
    const int hi = L <= 1800 ? int(unsigned(L * (3600 + S) + 1800) / 3600u)
                             : L + S - int(unsigned(L * S + 1800) / 3600u);
    const int lo = 2 * L - hi;
    // Per sector one channel is at hi, one at lo and one on the ramp between.
    const auto ramp = [lo, span = unsigned(hi - lo)](int x) {
        return lo + int((span * unsigned(x) + 300) / 600u);
    };
    int R, G, B;
    if (H < 600) R = hi, G = ramp(H), B = lo;
    else if (H < 1200) R = ramp(1200 - H), G = hi, B = lo;
    else if (H < 1800) R = lo, G = hi, B = ramp(H - 1200);
    else if (H < 2400) R = lo, G = ramp(2400 - H), B = hi;
    else if (H < 3000) R = ramp(H - 2400), G = lo, B = hi;
    else R = hi, G = lo, B = ramp(3600 - H);
    px[2] = kToChannel[size_t(R)];
    px[1] = kToChannel[size_t(G)];
    px[0] = kToChannel[size_t(B)];
}

// Runs fn(row pointer, width) over every row, split across threads.
template <class Fn>
void forEachRow(Bitmap& bitmap, Fn&& fn) {
    const int w = bitmap.width();
    ParallelRows(w, bitmap.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) fn(bitmap.scanLine(y), w);
    });
}

bool usable(const Bitmap& b) { return b.depth() == 24 && !b.isEmpty(); }

}  // namespace

void TuneHLSBitmap(Bitmap& bitmap, int hueShift, int lightShift, int satShift) {
    if (!usable(bitmap)) return;
    const TuneTables tables(hueShift, lightShift, satShift);
    forEachRow(bitmap, [&tables](uint8_t* row, int w) {
        for (uint8_t* px = row; px != row + 3 * size_t(w); px += 3) tunePixel(px, tables);
    });
}

bool ColorTuneHLS(Workspace& ws, PassTarget target, int hueShift, int lightShift, int satShift) {
    // A preview must leave the working picture and its undo copy alone.
    if (target.isMainPicture) {
        FrameHost& host = ws.host();
        if (host.WarnSVGA(ws) || !host.AutoBackUp(ws)) return false;
        ws.ForceTrueColor();
    }
    if (!usable(target.bitmap)) return false;
    TuneHLSBitmap(target.bitmap, hueShift, lightShift, satShift);
    EndPass(ws, target);
    return true;
}

uint8_t LowResMask(int bits) {
    switch (bits) {
        case 2: return 0xC0;
        case 3: return 0xE0;
        case 4: return 0xF0;
        case 5: return 0xF8;
        case 6: return 0xFC;
        default: return 0xFE;
    }
}

void LowRes(Workspace& ws, PassTarget target, int bits) {
    if (!usable(target.bitmap)) return;
    const uint8_t mask = LowResMask(bits);
    forEachRow(target.bitmap, [mask](uint8_t* row, int w) {
        for (size_t i = 0, n = 3 * size_t(w); i < n; ++i) row[i] &= mask;
    });
    EndPass(ws, target);
}

void RGBMaxBitmap(Bitmap& bitmap) {
    if (!usable(bitmap)) return;
    forEachRow(bitmap, [](uint8_t* row, int w) {
        for (uint8_t* px = row; px != row + 3 * size_t(w); px += 3)
            px[0] = px[1] = px[2] = uint8_t(Max(Max(px[0], px[1]), px[2]));
    });
}

void RGBMax(Workspace& ws, PassTarget target) {
    if (!usable(target.bitmap)) return;
    RGBMaxBitmap(target.bitmap);
    EndPass(ws, target);
}

void NegativeBitmap(Bitmap& bitmap) {
    if (!usable(bitmap)) return;
    forEachRow(bitmap, [](uint8_t* row, int w) {
        for (size_t i = 0, n = 3 * size_t(w); i < n; ++i) row[i] = uint8_t(255 - row[i]);
    });
}

void Negative(Workspace& ws, PassTarget target) {
    if (!usable(target.bitmap)) return;
    NegativeBitmap(target.bitmap);
    EndPass(ws, target);
}

void WhiteBalancePreview(Workspace& ws, PassTarget target, int match, RGB base) {
    ws.EffectValue1 = WhiteBalanceOffset(match, base.r);
    ws.EffectValue2 = WhiteBalanceOffset(match, base.g);
    ws.EffectValue3 = WhiteBalanceOffset(match, base.b);
    SetBrightLUT(ws.curves, ws.EffectValue1, 0);
    SetBrightLUT(ws.curves, ws.EffectValue2, 1);
    SetBrightLUT(ws.curves, ws.EffectValue3, 2);
    ColorFilter(ws, target);
}

}  // namespace vimbra
