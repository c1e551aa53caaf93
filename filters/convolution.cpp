#include "filters/convolution.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "core/parallel_rows.h"
#include "filters/local_lightness.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vimbra {
namespace {

struct Tap {
    int row;     // window row 0..side-1
    int offset;  // byte offset of the column from the centre
    int weight;
};

// How the rows of one kernel are computed. The vector path keeps the sums in
// 16-bit lanes and divides by a multiply-high and shift, so it is only taken
// when the kernel's sums fit and such a multiplier is exact for them.
struct Plan {
    std::vector<Tap> taps;
    int radius = 1;
    int divisor = 1;
    int threshold = -1;
    bool vector = false;
    bool isSigned = false;
    int cap = 0;  // largest sum that matters: 256 * divisor - 1, within the lanes
    int multiplier = 0, shift = 0;
    bool identity = false;  // divisor 1
};

// m and sh with ((n * m) >> 16) >> sh == n div d for every n in 0..nmax.
bool FindMultiplier(int d, int nmax, int& m, int& sh) {
    for (sh = 0; sh < 16; ++sh) {
        const int64_t scale = int64_t(1) << (16 + sh);
        const int64_t mm = (scale + d - 1) / d;
        if (mm > 65535) return false;
        // The approximation never falls below n div d and is monotone, so it is
        // exact iff it holds at the last numerator of every quotient.
        bool ok = true;
        for (int64_t n = d - 1; ok; n += d) {
            const int64_t probe = std::min<int64_t>(n, nmax);
            if (((probe * mm) >> (16 + sh)) != probe / d) ok = false;
            if (n >= nmax) break;
        }
        if (ok) {
            m = int(mm);
            return true;
        }
    }
    return false;
}

Plan MakePlan(const WindowKernel& k) {
    Plan p;
    const int side = k.side == 5 ? 5 : 3;
    p.radius = side / 2;
    p.divisor = std::max(1, k.divisor);
    p.threshold = k.threshold;
    int pos = 0, neg = 0;
    for (int row = 0; row < side; ++row)
        for (int col = 0; col < side; ++col) {
            const int w = k.weights[size_t(row * side + col)];
            if (w == 0) continue;
            p.taps.push_back({row, 3 * (col - p.radius), w});
            (w > 0 ? pos : neg) += w > 0 ? w : -w;
        }
    const int64_t top = int64_t(pos) * 255, bottom = int64_t(neg) * 255;
    int lane;
    if (neg == 0 && top <= 65535) {
        lane = 65535;
    } else if (top <= 32767 && bottom <= 32768) {
        lane = 32767;
        p.isSigned = true;
    } else {
        return p;
    }
    p.cap = int(std::min<int64_t>({int64_t(256) * p.divisor - 1, lane, std::max<int64_t>(top, 0)}));
    if (p.divisor == 1) {
        p.identity = true;
        p.vector = true;
    } else {
        p.vector = FindMultiplier(p.divisor, p.cap, p.multiplier, p.shift);
    }
    return p;
}

inline uint8_t ScalarByte(const Plan& p, const uint8_t* const* rows, int i) {
    int s = 0;
    for (const Tap& t : p.taps) s += t.weight * rows[t.row][i + t.offset];
    const int q = std::clamp(s / p.divisor, 0, 255);
    if (p.threshold < 0) return uint8_t(q);
    const int old = rows[p.radius][i];
    return std::abs(old - q) > p.threshold ? uint8_t(q) : uint8_t(old);
}

#if defined(__SSE2__)
// Returns the first byte index not computed.
int VectorBytes(const Plan& p, const uint8_t* const* rows, uint8_t* out, int begin, int end) {
    const __m128i zero = _mm_setzero_si128();
    __m128i weights[25];
    for (size_t t = 0; t < p.taps.size(); ++t) weights[t] = _mm_set1_epi16(int16_t(p.taps[t].weight));
    const __m128i cap = _mm_set1_epi16(int16_t(uint16_t(p.cap)));
    const __m128i mult = _mm_set1_epi16(int16_t(uint16_t(p.multiplier)));
    const __m128i shift = _mm_cvtsi32_si128(p.shift);
    const __m128i thr = _mm_set1_epi8(char(uint8_t(std::min(p.threshold, 255))));
    const size_t nt = p.taps.size();
    int i = begin;
    for (; i + 16 <= end; i += 16) {
        __m128i lo = zero, hi = zero;
        for (size_t t = 0; t < nt; ++t) {
            const __m128i v = _mm_loadu_si128(
                reinterpret_cast<const __m128i*>(rows[p.taps[t].row] + i + p.taps[t].offset));
            lo = _mm_add_epi16(lo, _mm_mullo_epi16(_mm_unpacklo_epi8(v, zero), weights[t]));
            hi = _mm_add_epi16(hi, _mm_mullo_epi16(_mm_unpackhi_epi8(v, zero), weights[t]));
        }
        if (p.isSigned) {
            lo = _mm_min_epi16(_mm_max_epi16(lo, zero), cap);
            hi = _mm_min_epi16(_mm_max_epi16(hi, zero), cap);
        } else {
            lo = _mm_sub_epi16(lo, _mm_subs_epu16(lo, cap));
            hi = _mm_sub_epi16(hi, _mm_subs_epu16(hi, cap));
        }
        if (!p.identity) {
            lo = _mm_srl_epi16(_mm_mulhi_epu16(lo, mult), shift);
            hi = _mm_srl_epi16(_mm_mulhi_epu16(hi, mult), shift);
        }
        __m128i q = _mm_packus_epi16(lo, hi);
        if (p.threshold >= 0) {
            const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[p.radius] + i));
            const __m128i diff = _mm_or_si128(_mm_subs_epu8(q, old), _mm_subs_epu8(old, q));
            const __m128i keep = _mm_cmpeq_epi8(_mm_subs_epu8(diff, thr), zero);
            q = _mm_or_si128(_mm_and_si128(keep, old), _mm_andnot_si128(keep, q));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), q);
    }
    return i;
}
#endif

}  // namespace

void ConvolveBitmap(Bitmap& bitmap, const WindowKernel& kernel, Progress* progress) {
    const Plan plan = MakePlan(kernel);
    const int r = plan.radius, side = 2 * r + 1;
    const int w = bitmap.width(), h = bitmap.height();
    if (bitmap.depth() != 24 || w < side || h < side) return;
    const Bitmap source = bitmap;
    const int begin = 3 * r, end = 3 * (w - r);
    const int rows = h - 2 * r;
    if (progress) progress->ProgressReset();
    ParallelRows(w, rows, [&](int r0, int r1) {
        const uint8_t* window[5];
        for (int k = r0; k < r1; ++k) {
            const int y = k + r;
            if (progress && r0 == 0) progress->ProgressStep(RowPercent(k, r1));
            for (int j = 0; j < side; ++j) window[j] = source.scanLine(y - r + j);
            uint8_t* out = bitmap.scanLine(y);
            int i = begin;
#if defined(__SSE2__)
            if (plan.vector) i = VectorBytes(plan, window, out, begin, end);
#endif
            for (; i < end; ++i) out[i] = ScalarByte(plan, window, i);
        }
    });
}

void Spatial3x3Bitmap(Bitmap& bitmap, const SpatialKernel& kernel, int divisor,
                      Progress* progress) {
    WindowKernel k;
    for (int i = 0; i < 9; ++i) k.weights[size_t((i % 3) * 3 + i / 3)] = kernel[size_t(i)];
    k.divisor = divisor;
    ConvolveBitmap(bitmap, k, progress);
}

void GaussianBlur3x3Bitmap(Bitmap& bitmap, int threshold, bool skipBelow, int divisor,
                           Progress* progress) {
    WindowKernel k;
    std::fill(k.weights.begin(), k.weights.begin() + 9, int16_t(1));
    if (skipBelow) k.weights[7] = 0;
    k.divisor = divisor;
    k.threshold = threshold;
    ConvolveBitmap(bitmap, k, progress);
}

void DeScreen5x5Bitmap(Bitmap& bitmap, int mode, Progress* progress) {
    static constexpr std::array<int16_t, 25> kMedium{0, 1, 1, 1, 0, 0, 1, 2, 1, 0, 0, 2, 3,
                                                     2, 0, 0, 1, 2, 1, 0, 0, 1, 1, 1, 0};
    static constexpr std::array<int16_t, 25> kStrong{1, 1, 1, 1, 1, 1, 1, 2, 1, 1, 1, 2, 3,
                                                     2, 1, 1, 1, 2, 1, 1, 1, 1, 1, 1, 1};
    static constexpr std::array<int16_t, 25> kHigh{1, 1, 2, 1, 1, 1, 3, 0, 1, 1, 2, 0, 3,
                                                   0, 2, 1, 3, 0, 1, 1, 1, 1, 2, 1, 1};
    WindowKernel k;
    k.side = 5;
    k.weights = mode <= 0 ? kMedium : mode == 1 ? kStrong : kHigh;
    k.divisor = mode <= 0 ? 21 : 31;
    ConvolveBitmap(bitmap, k, progress);
}

// --- Kernel setters

namespace {

Kernel3x3 Symmetric(int corner, int edge, int centre) {
    Kernel3x3 k;
    k.weights = {int16_t(corner), int16_t(edge), int16_t(corner), int16_t(edge), int16_t(centre),
                 int16_t(edge),   int16_t(corner), int16_t(edge), int16_t(corner)};
    k.divisor = 4 * corner + 4 * edge + centre;
    return k;
}

}  // namespace

Kernel3x3 MeanRemovalKernel(int level) {
    const int a = std::clamp(level, 1, 8);
    return Symmetric(-1, -1, 17 - a);
}

Kernel3x3 HighPassMediumKernel(int level) {
    const int a = std::clamp(level, 1, 4);
    return Symmetric(0, -1, 9 - a);
}

Kernel3x3 HighPassLightKernel(int level) {
    const int a = std::clamp(level, 1, 4);
    return Symmetric(1, -2, 9 - a);
}

Kernel3x3 SoftenKernel(int level) {
    static constexpr int kCentre[7] = {32, 16, 8, 6, 5, 4, 3};
    const int a = std::clamp(level, 1, 10);
    if (a <= 7) return Symmetric(1, 2, kCentre[a - 1]);
    if (a == 8) return Symmetric(10, 15, 20);
    if (a == 9) return Symmetric(12, 14, 16);
    return Symmetric(13, 14, 15);
}

Kernel3x3 DeFocusKernel(int t) {
    t = std::clamp(t, 0, 255);
    int d = 12;
    while (d * d * 100 / (4 * d) > t && d > 1) --d;
    int c = d * d;
    while (c * 100 / (4 * d) < t) ++c;
    return Symmetric(1, d, c);
}

// --- Passes on a display control

namespace {

template <class Pass>
void RunPass(Workspace& ws, PassTarget target, Pass&& pass) {
    if (target.isMainPicture) {
        Progress progress(ws.host());
        pass(&progress);
    } else {
        pass(nullptr);
    }
    EndPass(ws, target);
}

}  // namespace

void Spatial3x3(Workspace& ws, PassTarget target, const SpatialKernel& kernel, int divisor) {
    RunPass(ws, target, [&](Progress* p) { Spatial3x3Bitmap(target.bitmap, kernel, divisor, p); });
}

void MeanRemoval(Workspace& ws, PassTarget target, int level) {
    const Kernel3x3 k = MeanRemovalKernel(level);
    Spatial3x3(ws, target, k.weights, k.divisor);
}

void HighPassMedium(Workspace& ws, PassTarget target, int level) {
    const Kernel3x3 k = HighPassMediumKernel(level);
    Spatial3x3(ws, target, k.weights, k.divisor);
}

void HighPassLight(Workspace& ws, PassTarget target, int level) {
    const Kernel3x3 k = HighPassLightKernel(level);
    Spatial3x3(ws, target, k.weights, k.divisor);
}

void Soften(Workspace& ws, PassTarget target, int level) {
    const Kernel3x3 k = SoftenKernel(level);
    Spatial3x3(ws, target, k.weights, k.divisor);
}

void DeFocus(Workspace& ws, PassTarget target, int t) {
    const Kernel3x3 k = DeFocusKernel(t);
    Spatial3x3(ws, target, k.weights, k.divisor);
}

void GaussianBlur3x3(Workspace& ws, PassTarget target, int threshold, bool skipBelow, int divisor) {
    RunPass(ws, target, [&](Progress* p) {
        GaussianBlur3x3Bitmap(target.bitmap, threshold, skipBelow, divisor, p);
    });
}

void DeScreen5x5(Workspace& ws, PassTarget target, int mode) {
    RunPass(ws, target, [&](Progress* p) { DeScreen5x5Bitmap(target.bitmap, mode, p); });
}

}  // namespace vimbra
