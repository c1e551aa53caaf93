#include "core/tone_filters.h"

#include <array>

#include "core/hls.h"
#include "core/parallel_rows.h"
#include "core/tone_curves.h"

namespace vimbra {
namespace {

// Calls rowFn(row, width) for every row of a 24-bit bitmap; other depths are
// left alone. Every pass here is pointwise, so rows may run in parallel.
template <class RowFn>
bool ForEachRow(Bitmap& bitmap, RowFn rowFn) {
    if (bitmap.depth() != 24) return false;
    const int width = bitmap.width();
    ParallelRows(width, bitmap.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) rowFn(bitmap.scanLine(y), width);
    });
    return true;
}

void MapBytes(Bitmap& bitmap, const Curve& red, const Curve& grn, const Curve& blu) {
    ForEachRow(bitmap, [&](uint8_t* p, int width) {
        const uint8_t* const end = p + size_t(width) * kBytesPerPixel;
        // Four pixels a step keeps more loads in flight.
        for (; end - p >= 12; p += 12) {
            const uint8_t b0 = blu[p[0]], g0 = grn[p[1]], r0 = red[p[2]];
            const uint8_t b1 = blu[p[3]], g1 = grn[p[4]], r1 = red[p[5]];
            const uint8_t b2 = blu[p[6]], g2 = grn[p[7]], r2 = red[p[8]];
            const uint8_t b3 = blu[p[9]], g3 = grn[p[10]], r3 = red[p[11]];
            p[0] = b0, p[1] = g0, p[2] = r0, p[3] = b1, p[4] = g1, p[5] = r1;
            p[6] = b2, p[7] = g2, p[8] = r2, p[9] = b3, p[10] = g3, p[11] = r3;
        }
        for (; p < end; p += 3) {
            p[0] = blu[p[0]];
            p[1] = grn[p[1]];
            p[2] = red[p[2]];
        }
    });
}

// The HLS passes convert blocks of pixels with the integer conversion of
// core/hls.cpp, rearranged so that the compiler can vectorise it: no branches,
// and the two divisions by pixel-dependent divisors done in double precision,
// which is exact here (numerators below 2^20, divisors up to 510, so a
// quotient that is not whole stays at least 1/510 away from the next integer).
// The tests compare the passes with the plain conversion over every colour.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define VIMBRA_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VIMBRA_VECTOR_CLONES
#endif

constexpr int kBlock = 64;

struct HlsBlock {
    alignas(32) int32_t r[kBlock], g[kBlock], b[kBlock];  // channels read
    alignas(32) int32_t H[kBlock], L[kBlock], S[kBlock];
    alignas(32) int32_t midQuotient[kBlock];
    alignas(32) int32_t outR[kBlock], outG[kBlock], outB[kBlock];  // channels to write
};

VIMBRA_VECTOR_CLONES void ToHlsBlock(HlsBlock& k) {
    // Divisions first: a select after a floating-point operation stops the
    // vectoriser, so the selects on their results are a second loop.
    for (int i = 0; i < kBlock; ++i) {
        const int r = k.r[i], g = k.g[i], b = k.b[i];
        const int mx = Max(Max(r, g), b), mn = Min(Min(r, g), b), sum = mx + mn;
        const int L = (sum * kHlsMax + 255) / 510;
        const int d = mx - mn, mid = r + g + b - mx - mn;
        const int den = L <= 1800 ? sum : 510 - sum;
        k.L[i] = L;
        k.S[i] = int(double(d * kHlsMax + den / 2) / double(Max(den, 1)));
        // (d div 2 + (mx - c) × 600) div d is 0 for the largest channel and
        // 600 for the smallest; only the middle one needs dividing.
        k.midQuotient[i] = int(double(d / 2 + (mx - mid) * 600) / double(Max(d, 1)));
    }
    for (int i = 0; i < kBlock; ++i) {
        const int r = k.r[i], g = k.g[i], b = k.b[i];
        const int mx = Max(Max(r, g), b), mn = Min(Min(r, g), b), q = k.midQuotient[i];
        const int S = k.S[i];
        // Flat selects, each on values already computed, vectorise best.
        const int rq = r == mn ? 600 : q, gq = g == mn ? 600 : q, bq = b == mn ? 600 : q;
        const int Rd = r == mx ? 0 : rq, Gd = g == mx ? 0 : gq, Bd = b == mx ? 0 : bq;
        const int Hr = Bd - Gd, Hg = 1200 + Rd - Bd, Hb = 2400 + Gd - Rd;
        const int Hgb = g == mx ? Hg : Hb;
        int H = r == mx ? Hr : Hgb;
        H += H < 0 ? kHlsMax : 0;  // never above 3000 here
        const bool grey = mx == mn;
        k.H[i] = grey ? kGreyHue : H;
        k.S[i] = grey ? 0 : S;
    }
}

// How far (0..600) a channel climbs from m1 towards m2 at hue position x.
inline int HueWeight(int x) { return Min(Max(Min(x, 2400 - x), 0), 600); }

// L and S within 0..3600, so m2 >= m1 and every quotient is a floor.
VIMBRA_VECTOR_CLONES void FromHlsBlock(HlsBlock& k) {
    for (int i = 0; i < kBlock; ++i) {
        const int H = k.H[i], L = k.L[i], S = k.S[i];
        const int m2 = L <= 1800 ? (L * (kHlsMax + S) + 1800) / kHlsMax
                                 : L + S - (L * S + 1800) / kHlsMax;
        const int m1 = 2 * L - m2, span = m2 - m1;
        const int xr = H + 1200 > kHlsMax ? H + 1200 - kHlsMax : H + 1200;
        const int xb = H < 1200 ? H - 1200 + kHlsMax : H - 1200;
        const int r = ((m1 + (span * HueWeight(xr) + 300) / 600) * 255 + 1800) / kHlsMax;
        const int g = ((m1 + (span * HueWeight(H) + 300) / 600) * 255 + 1800) / kHlsMax;
        const int b = ((m1 + (span * HueWeight(xb) + 300) / 600) * 255 + 1800) / kHlsMax;
        const int grey = L * 255 / kHlsMax;
        k.outR[i] = S == 0 ? grey : r;
        k.outG[i] = S == 0 ? grey : g;
        k.outB[i] = S == 0 ? grey : b;
    }
}

inline uint8_t Limit255(int v) { return uint8_t(v > 255 ? 255 : v); }

// Converts every pixel to HLS, lets adjust(block) change L or S, converts back
// and writes each channel limited to 255, or through blend(old, new) when given.
template <class Adjust, class Blend>
bool HlsPass(Bitmap& bitmap, Adjust adjust, Blend blend) {
    return ForEachRow(bitmap, [&](uint8_t* row, int width) {
        HlsBlock k;
        for (int x0 = 0; x0 < width; x0 += kBlock) {
            uint8_t* const p = row + size_t(x0) * kBytesPerPixel;
            const int n = Min(kBlock, width - x0);
            for (int i = 0; i < n; ++i) {
                k.b[i] = p[3 * i];
                k.g[i] = p[3 * i + 1];
                k.r[i] = p[3 * i + 2];
            }
            for (int i = n; i < kBlock; ++i) k.r[i] = k.g[i] = k.b[i] = 0;
            ToHlsBlock(k);
            adjust(k);
            FromHlsBlock(k);
            for (int i = 0; i < n; ++i) {
                p[3 * i] = blend(k.b[i], Limit255(k.outB[i]));
                p[3 * i + 1] = blend(k.g[i], Limit255(k.outG[i]));
                p[3 * i + 2] = blend(k.r[i], Limit255(k.outR[i]));
            }
        }
    });
}

constexpr auto kReplace = [](int, uint8_t result) { return result; };

// A lightness or saturation (0..3600) mapped through a curve on the 0..255 scale.
using ScaleMap = std::array<int32_t, kHlsMax + 1>;

ScaleMap CurveOnScale(const Curve& first, const Curve* second) {
    ScaleMap m{};
    for (int v = 0; v <= kHlsMax; ++v) {
        int level = first[size_t(Min(255, v * 255 / kHlsMax))];
        if (second) level = (*second)[size_t(level)];
        m[size_t(v)] = level * kHlsMax / 255;
    }
    return m;
}

void Finish(Workspace& ws, const PassTarget& target, bool done) {
    if (done) EndPass(ws, target);
}

}  // namespace

void ColorFilterBitmap(Bitmap& bitmap, const ToneCurves& curves) {
    MapBytes(bitmap, curves.RedLut, curves.GrnLut, curves.BluLut);
}

void ColorFilter(Workspace& ws, PassTarget target) {
    if (target.bitmap.depth() != 24) return;
    ColorFilterBitmap(target.bitmap, ws.curves);
    EndPass(ws, target);
}

void NegColorFilter(Workspace& ws, PassTarget target) {
    if (target.bitmap.depth() != 24) return;
    const ToneCurves& c = ws.curves;
    Curve red, grn, blu;
    for (size_t i = 0; i < 256; ++i) {
        red[i] = uint8_t(255 - c.RedLut[255 - i]);
        grn[i] = uint8_t(255 - c.GrnLut[255 - i]);
        blu[i] = uint8_t(255 - c.BluLut[255 - i]);
    }
    MapBytes(target.bitmap, red, grn, blu);
    EndPass(ws, target);
}

void LuminanceFilter(Workspace& ws, PassTarget target) {
    const ScaleMap light = CurveOnScale(ws.curves.GrnLut, nullptr);
    const auto adjust = [&](HlsBlock& k) {
        for (int32_t& L : k.L) L = light[size_t(L)];
    };
    Finish(ws, target, HlsPass(target.bitmap, adjust, kReplace));
}

void SaturationFilter(Workspace& ws, PassTarget target) {
    const ScaleMap sat = CurveOnScale(ws.curves.GrnLut, &ws.curves.BluLut);
    const auto adjust = [&](HlsBlock& k) {
        for (int32_t& S : k.S) S = sat[size_t(S)];
    };
    Finish(ws, target, HlsPass(target.bitmap, adjust, kReplace));
}

void MultiplyRGB(Workspace& ws, PassTarget target) {
    if (target.bitmap.depth() != 24) return;
    Curve square;
    for (int i = 0; i < 256; ++i) square[size_t(i)] = uint8_t(i * i / 255);
    MapBytes(target.bitmap, square, square, square);
    EndPass(ws, target);
}

void UnWashMore(Workspace& ws, PassTarget target) {
    // The lightness of the darkest channel's grey, squared on the 0..3600 scale.
    std::array<int32_t, 256> fromMin{};
    for (int m = 0; m < 256; ++m) {
        const int lm = RGBtoHLS(m, m, m).L;
        fromMin[size_t(m)] = Min(kHlsMax, lm * lm / kHlsMax);
    }
    const auto adjust = [&](HlsBlock& k) {
        for (int i = 0; i < kBlock; ++i) k.L[i] = fromMin[size_t(Min(Min(k.r[i], k.g[i]), k.b[i]))];
    };
    const auto average = [](int before, uint8_t after) { return uint8_t((before + after) / 2); };
    Finish(ws, target, HlsPass(target.bitmap, adjust, average));
}

void MultiplyLuminance(Workspace& ws, PassTarget target) {
    const auto adjust = [](HlsBlock& k) {
        for (int32_t& L : k.L) L = Min(kHlsMax, L * L / kHlsMax);
    };
    Finish(ws, target, HlsPass(target.bitmap, adjust, kReplace));
}

void DoGamma(Workspace& ws, int viewGamma, bool fitToWindow) {
    if (ws.ImageBitDepth < 3) return;
    ws.ForceTrueColor();
    for (int ch = 0; ch < 3; ++ch) SetGammaLUT(ws.curves, viewGamma, ch);
    if (fitToWindow)
        ColorFilterBitmap(ws.Image, ws.curves);
    else
        ColorFilter(ws, PassTarget::mainPicture(ws));
    ws.Modified = false;
}

}  // namespace vimbra
