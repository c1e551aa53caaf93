#pragma once
// Small pictures written out pixel by pixel, and a fixture that starts and
// ends every test with no open library pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "core/bitmap.h"
#include "imagefiles/imglib/imglib.h"

namespace vimbra::testutil {

// Pictures from values row by row; missing values are 0.
template <class T>
inline T Next(typename std::initializer_list<T>::iterator& it, std::initializer_list<T> list) {
    return it != list.end() ? *it++ : T{};
}

// 24-bit picture from 0xRRGGBB values.
inline Bitmap Rgb24(int w, int h, std::initializer_list<uint32_t> rgb) {
    Bitmap b(w, h, 24);
    auto it = rgb.begin();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t v = Next(it, rgb);
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = uint8_t(v);
            p[1] = uint8_t(v >> 8);
            p[2] = uint8_t(v >> 16);
        }
    return b;
}

// 24-bit picture with red = green = blue = the given values.
inline Bitmap Grey24(int w, int h, std::initializer_list<int> values) {
    Bitmap b(w, h, 24);
    auto it = values.begin();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) std::fill_n(b.scanLine(y) + 3 * x, 3, uint8_t(Next(it, values)));
    return b;
}

inline Bitmap Uniform24(int w, int h, uint32_t rgb) {
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = uint8_t(rgb);
            p[1] = uint8_t(rgb >> 8);
            p[2] = uint8_t(rgb >> 16);
        }
    return b;
}

// Pixel (x, y) as 0xRRGGBB, through the palette below 24 bits.
inline uint32_t PixelRgb(const Bitmap& b, int x, int y) {
    if (b.depth() == 24) {
        const uint8_t* p = b.scanLine(y) + 3 * x;
        return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    const PaletteEntry& e = b.palette().at(size_t(b.paletteIndex(x, y)));
    return uint32_t(e.red) << 16 | uint32_t(e.green) << 8 | e.blue;
}

// Every pixel as 0xRRGGBB, row by row.
inline std::vector<uint32_t> Pixels(const Bitmap& b) {
    std::vector<uint32_t> v;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) v.push_back(PixelRgb(b, x, y));
    return v;
}

inline std::vector<int> Indices(const Bitmap& b) {
    std::vector<int> v;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) v.push_back(b.paletteIndex(x, y));
    return v;
}

// Palette picture of depth `depth` with the given indices and palette.
inline Bitmap Indexed(int w, int h, int depth, std::initializer_list<int> idx, std::vector<PaletteEntry> pal) {
    Bitmap b(w, h, depth);
    b.palette() = std::move(pal);
    auto it = idx.begin();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int v = Next(it, idx);
            uint8_t* row = b.scanLine(y);
            if (depth == 8) row[x] = uint8_t(v);
            else if (depth == 4) row[x / 2] |= uint8_t((x & 1) ? v : v << 4);
            else row[x / 8] |= uint8_t((v & 1) << (7 - x % 8));
        }
    return b;
}

inline std::vector<PaletteEntry> BlackWhite() { return {{0, 0, 0, 0}, {255, 255, 255, 0}}; }

class ImgLibTest : public ::testing::Test {
protected:
    void SetUp() override { ImgShutdown(); }
    void TearDown() override {
        EXPECT_EQ(ImgOpenCount(), 0) << "pictures left open";
        ImgShutdown();
    }
    // The picture behind a handle (an empty bitmap when the call fails).
    static Bitmap Get(ImgHandle h) {
        Bitmap b;
        EXPECT_TRUE(ImgToBitmap(h, b)) << ImgGetStatus().text;
        return b;
    }
    // Runs a library operation on a picture and returns the result's picture,
    // closing both handles.
    template <class Op>
    static Bitmap Through(const Bitmap& in, Op op) {
        const ImgHandle h = ImgFromBitmap(in);
        const ImgHandle r = op(h);
        EXPECT_NE(r, 0u) << ImgGetStatus().text;
        Bitmap out;
        if (r) out = Get(r);
        ImgClose(h);
        if (r && r != h) ImgClose(r);
        return out;
    }
};

}  // namespace vimbra::testutil
