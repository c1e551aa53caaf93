#pragma once
// The 5x5 neighbourhood test shared by the lightness filters (Clean, Unsharp
// mask) and the edge masks: each pixel's lightness against the lightness of
// its 5x5 channel means.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/bitmap.h"
#include "core/frame_host.h"
#include "core/parallel_rows.h"

namespace vimbra {

// One pixel of the 5x5 range of a 24-bit source.
struct LocalLightness {
    const uint8_t* pixel;  // the source pixel's bytes B,G,R
    uint8_t mean[3];       // 5x5 mean of each byte (sum div 25, at most 255), B,G,R
    int Lo, Lm;            // HLS lightness of pixel and of mean (RGBtoHLS fed B,G,R as stored)
};

// RGBtoHLS(a, b, c).L: lightness depends only on the largest and smallest byte.
inline int HlsLightness(int a, int b, int c) {
    const int mx = std::max(std::max(a, b), c);
    const int mn = std::min(std::min(a, b), c);
    return ((mx + mn) * 3600 + 255) / 510;
}

// Row-based percentages for a pass over `rows` rows, never dividing by zero.
inline int RowPercent(int rowIndex, int rows) { return rows > 0 ? rowIndex * 100 / rows : 100; }

// Calls visit(int y, int x, const LocalLightness&) for columns 2..w-3 of rows 2..h-3
// of `source` (nothing for pictures under 5x5). Rows may be visited on several
// threads; a visit must only write output pixel (y, x) of another bitmap.
// progress (may be null) gets row-based percentages without dividing by zero.
template <class Visit>
void ForEachLocalLightness(const Bitmap& source, Progress* progress, Visit&& visit) {
    const int w = source.width(), h = source.height();
    if (w < 5 || h < 5 || source.depth() != 24) return;
    const int rows = h - 4;
    ParallelRows(w, rows, [&](int r0, int r1) {
        // Column sums of the five window rows, kept up to date as the window
        // slides down; at most 5 x 255 per entry.
        std::vector<uint16_t> column(size_t(3) * w, 0);
        uint16_t* col = column.data();
        const int n = 3 * w;
        for (int dy = -2; dy <= 2; ++dy) {
            const uint8_t* s = source.scanLine(r0 + 2 + dy);
            for (int i = 0; i < n; ++i) col[i] = uint16_t(col[i] + s[i]);
        }
        // Only the range starting at row 0 runs on the calling thread.
        const bool reports = progress && r0 == 0;
        for (int r = r0; r < r1; ++r) {
            const int y = r + 2;
            if (r > r0) {
                const uint8_t* out = source.scanLine(y - 3);
                const uint8_t* in = source.scanLine(y + 2);
                for (int i = 0; i < n; ++i) col[i] = uint16_t(col[i] - out[i] + in[i]);
            }
            if (reports) progress->ProgressStep(RowPercent(r - r0, r1 - r0));
            const uint8_t* row = source.scanLine(y);
            int sum[3];
            for (int c = 0; c < 3; ++c)
                sum[c] = col[c] + col[3 + c] + col[6 + c] + col[9 + c] + col[12 + c];
            for (int x = 2; x < w - 2; ++x) {
                if (x > 2) {
                    const uint16_t* add = col + 3 * (x + 2);
                    const uint16_t* sub = col + 3 * (x - 3);
                    for (int c = 0; c < 3; ++c) sum[c] += add[c] - sub[c];
                }
                LocalLightness p;
                p.pixel = row + 3 * x;
                for (int c = 0; c < 3; ++c) p.mean[c] = uint8_t(sum[c] / 25);
                p.Lo = HlsLightness(p.pixel[0], p.pixel[1], p.pixel[2]);
                p.Lm = HlsLightness(p.mean[0], p.mean[1], p.mean[2]);
                visit(y, x, static_cast<const LocalLightness&>(p));
            }
        }
    });
}

}  // namespace vimbra
