#pragma once
// 24-bit test pictures for the colour-depth tests, built pixel by pixel.
#include <cstdint>
#include <initializer_list>

#include "core/bitmap.h"

namespace vimbra {

// A w × h picture from 0xRRGGBB values in row order; missing ones are black.
inline Bitmap FromRgb(int w, int h, std::initializer_list<uint32_t> rgb) {
    Bitmap b(w, h, 24);
    auto it = rgb.begin();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t v = it != rgb.end() ? *it++ : 0;
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = uint8_t(v), p[1] = uint8_t(v >> 8), p[2] = uint8_t(v >> 16);
        }
    return b;
}

inline uint32_t RgbAt(const Bitmap& b, int x, int y) {
    const uint8_t* p = b.scanLine(y) + 3 * x;
    return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

// Many colours: red and green ramps, blue by row parity.
inline Bitmap Rich(int side = 64) {
    Bitmap b(side, side, 24);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = uint8_t((y & 1) * 200), p[1] = uint8_t(y * 255 / (side - 1)), p[2] = uint8_t(x * 255 / (side - 1));
        }
    return b;
}

}  // namespace vimbra
