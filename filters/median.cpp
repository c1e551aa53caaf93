#include "filters/median.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/parallel_rows.h"
#include "filters/local_lightness.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vimbra {
namespace {

// One compare-exchange of a selection network: slot a takes the smaller value,
// slot b the larger; only the halves still needed are written.
struct Exchange {
    uint8_t a, b;
    bool keepMin, keepMax;
};

// A sorting network (odd-even merge sort over the next power of two, the
// spare slots holding 255) cut down to what the middle element depends on.
// Exchanges against a constant become renames, so only sample-sample
// exchanges remain.
struct MedianNetwork {
    std::vector<Exchange> steps;
    int result = 0;  // slot that ends up holding the median
};

MedianNetwork BuildNetwork(int n) {
    int size = 1;
    while (size < n) size *= 2;
    // Logical position -> slot of the value there; -1 stands for the constant 255.
    std::vector<int> at(size_t(size), -1);
    for (int i = 0; i < n; ++i) at[size_t(i)] = i;
    std::vector<Exchange> all;
    const auto exchange = [&](int i, int j) {
        const int a = at[size_t(i)], b = at[size_t(j)];
        if (b < 0) return;  // max(x, 255) stays at j
        if (a < 0) {        // min(255, x) is x
            std::swap(at[size_t(i)], at[size_t(j)]);
            return;
        }
        all.push_back({uint8_t(a), uint8_t(b), true, true});
    };
    for (int p = 1; p < size; p *= 2)
        for (int k = p; k >= 1; k /= 2)
            for (int j = k % p; j + k < size; j += 2 * k)
                for (int i = 0; i < std::min(k, size - j - k); ++i)
                    if ((i + j) / (2 * p) == (i + j + k) / (2 * p)) exchange(i + j, i + j + k);
    MedianNetwork net;
    net.result = at[size_t((n - 1) / 2)];
    std::vector<bool> needed(size_t(n), false);
    needed[size_t(net.result)] = true;
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        Exchange e = *it;
        e.keepMin = needed[e.a];
        e.keepMax = needed[e.b];
        if (!e.keepMin && !e.keepMax) continue;
        needed[e.a] = needed[e.b] = true;
        net.steps.push_back(e);
    }
    std::reverse(net.steps.begin(), net.steps.end());
    return net;
}

template <class V, class Min, class Max>
inline void RunNetwork(const MedianNetwork& net, V* slot, Min vmin, Max vmax) {
    for (const Exchange& e : net.steps) {
        const V a = slot[e.a], b = slot[e.b];
        if (e.keepMin) slot[e.a] = vmin(a, b);
        if (e.keepMax) slot[e.b] = vmax(a, b);
    }
}

[[maybe_unused]] inline uint8_t Spot(uint8_t v, uint8_t median, int spot, int limit) {
    if (spot == 0) return median;
    if (v <= limit) return v;
    if (spot < 0) return v < median ? median : v;
    return v > median ? median : v;
}

}  // namespace

std::vector<std::pair<int, int>> MedianShape(int level) {
    std::vector<std::pair<int, int>> cells;
    const auto square = [&](int r, auto keep) {
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx)
                if (keep(std::abs(dy), std::abs(dx))) cells.emplace_back(dy, dx);
    };
    switch (level) {
        case 2: square(1, [](int, int) { return true; }); break;
        case 3: square(2, [](int y, int x) { return y == 0 || x == 0; }); break;
        case 4: square(2, [](int y, int x) { return x + y <= 2; }); break;
        case 5: square(3, [](int y, int x) { return y == 0 || x == 0 || (x <= 1 && y <= 1); }); break;
        case 6: square(2, [](int, int) { return true; }); break;
        case 7: square(3, [](int y, int x) { return x + y <= 3; }); break;
        case 8: square(3, [](int y, int x) { return x + y <= 4; }); break;
        case 9: square(3, [](int, int) { return true; }); break;
        default: square(1, [](int y, int x) { return x + y <= 1; }); break;
    }
    return cells;
}

void MedianBitmap(Bitmap& bitmap, int level, int spot, Progress* progress) {
    const int w = bitmap.width(), h = bitmap.height();
    if (bitmap.depth() != 24 || w == 0 || h == 0) return;
    const int64_t limit64 = std::abs(int64_t(spot) * 4);
    // No byte exceeds 255, so a spot limit at or above it changes nothing.
    if (spot != 0 && limit64 >= 255) return;
    const int limit = int(limit64);
    const auto cells = MedianShape(level);
    int radius = 0;
    for (auto [dy, dx] : cells) radius = std::max({radius, std::abs(dy), std::abs(dx)});
    const MedianNetwork net = BuildNetwork(int(cells.size()));

    // The source with `radius` copies of the edge pixels on both sides of every
    // row and room for a whole vector past the end.
    const size_t rowBytes = size_t(3) * w;
    const size_t stride = size_t(3) * (w + 2 * radius) + 16;
    std::vector<uint8_t> padded(stride * size_t(h));
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = bitmap.scanLine(y);
        uint8_t* dst = padded.data() + stride * size_t(y);
        for (int k = 0; k < radius; ++k) {
            std::memcpy(dst + 3 * k, src, 3);
            std::memcpy(dst + 3 * (radius + w + k), src + rowBytes - 3, 3);
        }
        std::memcpy(dst + 3 * radius, src, rowBytes);
    }
    if (progress) progress->ProgressReset();
    ParallelRows(w, h, [&](int r0, int r1) {
        std::vector<const uint8_t*> sample(cells.size());
        std::vector<uint8_t> rowOut(rowBytes + 16);
        for (int y = r0; y < r1; ++y) {
            if (progress && r0 == 0 && y >= radius && y < r1 - radius)
                progress->ProgressStep(RowPercent(y - radius, r1 - 2 * radius));
            for (size_t s = 0; s < cells.size(); ++s) {
                const int sy = std::clamp(y + cells[s].first, 0, h - 1);
                sample[s] = padded.data() + stride * size_t(sy) + 3 * (radius + cells[s].second);
            }
            const uint8_t* centre = padded.data() + stride * size_t(y) + 3 * radius;
            uint8_t* out = rowOut.data();
            size_t i = 0;
#if defined(__SSE2__)
            __m128i slot[64];
            const __m128i lim = _mm_set1_epi8(char(uint8_t(limit)));
            const __m128i zero = _mm_setzero_si128();
            for (; i < rowBytes; i += 16) {
                for (size_t s = 0; s < cells.size(); ++s)
                    slot[s] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sample[s] + i));
                RunNetwork(net, slot, [](__m128i a, __m128i b) { return _mm_min_epu8(a, b); },
                           [](__m128i a, __m128i b) { return _mm_max_epu8(a, b); });
                __m128i m = slot[net.result];
                if (spot != 0) {
                    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(centre + i));
                    const __m128i towards = spot < 0 ? _mm_max_epu8(v, m) : _mm_min_epu8(v, m);
                    const __m128i keep = _mm_cmpeq_epi8(_mm_subs_epu8(v, lim), zero);
                    m = _mm_or_si128(_mm_and_si128(keep, v), _mm_andnot_si128(keep, towards));
                }
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), m);
            }
#else
            uint8_t slot[64];
            for (; i < rowBytes; ++i) {
                for (size_t s = 0; s < cells.size(); ++s) slot[s] = sample[s][i];
                RunNetwork(net, slot, [](uint8_t a, uint8_t b) { return std::min(a, b); },
                           [](uint8_t a, uint8_t b) { return std::max(a, b); });
                out[i] = Spot(centre[i], slot[net.result], spot, limit);
            }
#endif
            std::memcpy(bitmap.scanLine(y), out, rowBytes);
        }
    });
}

void Median(Workspace& ws, PassTarget target, int level, int spot) {
    if (target.isMainPicture) {
        Progress progress(ws.host());
        MedianBitmap(target.bitmap, level, spot, &progress);
    } else {
        MedianBitmap(target.bitmap, level, spot, nullptr);
    }
    EndPass(ws, target);
}

}  // namespace vimbra
