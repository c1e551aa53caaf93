#pragma once
// The 5x5 neighbourhood test shared by the lightness filters (Clean, Unsharp
// mask) and the edge masks: each pixel's lightness against the lightness of
// its 5x5 channel means.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "core/bitmap.h"
#include "core/frame_host.h"
#include "core/parallel_rows.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vimbra {

// One pixel of the 5x5 range of a 24-bit source.
struct LocalLightness {
    const uint8_t* pixel;  // the source pixel's bytes B,G,R
    uint8_t mean[3];       // 5x5 mean of each byte (sum div 25, at most 255), B,G,R
    int Lo, Lm;            // HLS lightness of pixel and of mean (RGBtoHLS fed B,G,R as stored)
};

// RGBtoHLS(...).L by the sum of the largest and the smallest byte.
inline constexpr auto kLightnessBySum = [] {
    std::array<uint16_t, 511> t{};
    for (int sum = 0; sum <= 510; ++sum) t[size_t(sum)] = uint16_t((sum * 3600 + 255) / 510);
    return t;
}();

// RGBtoHLS(a, b, c).L: lightness depends only on the largest and smallest byte.
inline int HlsLightness(int a, int b, int c) {
    const int mx = std::max(std::max(a, b), c);
    const int mn = std::min(std::min(a, b), c);
    return kLightnessBySum[size_t(mx + mn)];
}

// sum div 25 for every sum of 25 bytes (0..6375).
inline constexpr uint32_t DivideBy25(uint32_t sum) { return (sum * 5243u) >> 17; }

namespace local_lightness_detail {

// col[i] += in[i] - out[i] (out may be null) for i < n.
inline void SlideColumns(uint16_t* col, const uint8_t* in, const uint8_t* out, int n) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i b = out ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + i)) : zero;
        __m128i* c = reinterpret_cast<__m128i*>(col + i);
        const __m128i lo = _mm_sub_epi16(_mm_add_epi16(_mm_loadu_si128(c), _mm_unpacklo_epi8(a, zero)),
                                         _mm_unpacklo_epi8(b, zero));
        const __m128i hi = _mm_sub_epi16(_mm_add_epi16(_mm_loadu_si128(c + 1), _mm_unpackhi_epi8(a, zero)),
                                         _mm_unpackhi_epi8(b, zero));
        _mm_storeu_si128(c, lo);
        _mm_storeu_si128(c + 1, hi);
    }
#endif
    for (; i < n; ++i) col[i] = uint16_t(col[i] + in[i] - (out ? out[i] : 0));
}

// mean[i] = (col[i-6] + col[i-3] + col[i] + col[i+3] + col[i+6]) div 25 for 6 <= i < n-6.
inline void RowMeans(const uint16_t* col, uint8_t* mean, int n) {
    int i = 6;
#if defined(__SSE2__)
    const auto at = [&](int k) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(col + k)); };
    // (sum * 5243) >> 17 as the high half of the product, halved.
    const __m128i k25 = _mm_set1_epi16(5243);
    for (; i + 16 <= n - 6; i += 16) {
        __m128i m[2];
        for (int j = 0; j < 2; ++j) {
            const int b = i + 8 * j;
            const __m128i sum = _mm_add_epi16(_mm_add_epi16(_mm_add_epi16(at(b - 6), at(b - 3)), _mm_add_epi16(at(b), at(b + 3))),
                                              at(b + 6));
            m[j] = _mm_srli_epi16(_mm_mulhi_epu16(sum, k25), 1);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(mean + i), _mm_packus_epi16(m[0], m[1]));
    }
#endif
    for (; i < n - 6; ++i)
        mean[i] = uint8_t(DivideBy25(uint32_t(col[i - 6]) + col[i - 3] + col[i] + col[i + 3] + col[i + 6]));
}

}  // namespace local_lightness_detail

// Row-based percentages for a pass over `rows` rows, never dividing by zero.
inline int RowPercent(int rowIndex, int rows) { return rows > 0 ? rowIndex * 100 / rows : 100; }

// Calls visitRow(int y, const uint8_t* row, const uint8_t* means) for rows
// 2..h-3 of `source` (nothing for pictures under 5x5): bytes 6..3w-7 of means
// are the 5x5 means of the same bytes of row. Rows may be visited on several
// threads; a visit must only write output row y of another bitmap.
// progress (may be null) gets row-based percentages without dividing by zero.
template <class VisitRow>
void ForEachLocalMeanRow(const Bitmap& source, Progress* progress, VisitRow&& visitRow) {
    const int w = source.width(), h = source.height();
    if (w < 5 || h < 5 || source.depth() != 24) return;
    const int rows = h - 4;
    ParallelRows(w, rows, [&](int r0, int r1) {
        const int n = 3 * w;
        // Column sums of the five window rows, kept up to date as the window
        // slides down (at most 5 x 255 each), and the row's 5x5 means.
        std::vector<uint16_t> column(size_t(n), 0);
        std::vector<uint8_t> means(size_t(n), 0);
        uint16_t* col = column.data();
        for (int dy = -2; dy <= 2; ++dy)
            local_lightness_detail::SlideColumns(col, source.scanLine(r0 + 2 + dy), nullptr, n);
        // Only the range starting at row 0 runs on the calling thread.
        const bool reports = progress && r0 == 0;
        for (int r = r0; r < r1; ++r) {
            const int y = r + 2;
            if (r > r0) local_lightness_detail::SlideColumns(col, source.scanLine(y + 2), source.scanLine(y - 3), n);
            if (reports) progress->ProgressStep(RowPercent(r - r0, r1 - r0));
            local_lightness_detail::RowMeans(col, means.data(), n);
            visitRow(y, source.scanLine(y), static_cast<const uint8_t*>(means.data()));
        }
    });
}

// Calls visit(int y, int x, const LocalLightness&) for columns 2..w-3 of rows 2..h-3
// of `source` (nothing for pictures under 5x5). Rows may be visited on several
// threads; a visit must only write output pixel (y, x) of another bitmap.
// progress (may be null) gets row-based percentages without dividing by zero.
template <class Visit>
void ForEachLocalLightness(const Bitmap& source, Progress* progress, Visit&& visit) {
    const int w = source.width();
    ForEachLocalMeanRow(source, progress, [&](int y, const uint8_t* row, const uint8_t* mean) {
        for (int x = 2; x < w - 2; ++x) {
            LocalLightness p;
            p.pixel = row + 3 * x;
            const uint8_t* m = mean + 3 * x;
            p.mean[0] = m[0], p.mean[1] = m[1], p.mean[2] = m[2];
            p.Lo = HlsLightness(p.pixel[0], p.pixel[1], p.pixel[2]);
            p.Lm = HlsLightness(m[0], m[1], m[2]);
            visit(y, x, static_cast<const LocalLightness&>(p));
        }
    });
}

}  // namespace vimbra
