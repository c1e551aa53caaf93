#pragma once
// For tests: a small picture whose pixels can be told apart, to follow
// exact pixel moves.
#include <vector>

#include "core/bitmap.h"

namespace vimbra::testutil {

// Blue = 10 × (y × w + x + 1), green 1, red 0: a 3 × 2 picture reads 10 20 30 / 40 50 60.
inline Bitmap Numbered(int w, int h) {
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            b.scanLine(y)[3 * x] = uint8_t(10 * (y * w + x + 1));
            b.scanLine(y)[3 * x + 1] = 1;
        }
    return b;
}

// Blue bytes row by row.
inline std::vector<int> Blues(const Bitmap& b) {
    std::vector<int> v;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) v.push_back(b.scanLine(y)[3 * x]);
    return v;
}

}  // namespace vimbra::testutil
