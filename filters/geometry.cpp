#include "filters/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "imagefiles/pixel_convert.h"

namespace vimbra {
namespace {

// A pixel's value for comparing: the three bytes of a 24-bit pixel, else the
// palette index.
uint32_t PixelValue(const Bitmap& p, int x, int y) {
    if (p.depth() == 24) {
        const uint8_t* q = p.scanLine(y) + size_t(x) * 3;
        return uint32_t(q[0]) | uint32_t(q[1]) << 8 | uint32_t(q[2]) << 16;
    }
    return uint32_t(p.paletteIndex(x, y));
}

// a × b ÷ c to the nearest integer, halves away from zero; -1 for c = 0 or
// past 32 bits.
int32_t MulDiv(int64_t a, int64_t b, int64_t c) {
    if (c == 0) return -1;
    const int64_t n = a * b;
    int64_t q = n / c;
    const int64_t r = n % c;
    if (2 * (r < 0 ? -r : r) >= (c < 0 ? -c : c)) q += ((n < 0) != (c < 0)) ? -1 : 1;
    if (q > std::numeric_limits<int32_t>::max() || q < std::numeric_limits<int32_t>::min()) return -1;
    return int32_t(q);
}

}  // namespace

PictureSize FitIntoBox(PictureSize picture, PictureSize box) {
    if (picture.width <= 0 || picture.height <= 0 || box.width <= 0 || box.height <= 0) return picture;
    // 64 bits: a 1-pixel side doubles at most 31 times before it reaches any box.
    int64_t w = picture.width, h = picture.height;
    while (w < box.width || h < box.height) w *= 2, h *= 2;
    PictureSize out;
    if (h < w) {
        out = {box.width, MulDiv(h, box.width, w)};
    } else {
        out = {MulDiv(w, box.height, h), box.height};
    }
    if (out.width > box.width) out = {box.width, MulDiv(out.height, box.width, out.width)};
    if (out.height > box.height) out = {MulDiv(out.width, box.height, out.height), box.height};
    return out;
}

PictureSize DownsampleSize(PictureSize picture, int32_t maxWidth, int32_t maxHeight) {
    return FitIntoBox(picture, {std::min(maxWidth, picture.width), std::min(maxHeight, picture.height)});
}

bool ValidCropRect(const SelRect& r, int width, int height) {
    return 0 <= r.left && r.left < r.right && r.right <= width && 0 <= r.top && r.top < r.bottom &&
           r.bottom <= height;
}

SelRect ClampToPicture(const SelRect& r, int width, int height) {
    SelRect out{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                std::max(r.top, r.bottom)};
    out.left = std::clamp(out.left, 0, width);
    out.right = std::clamp(out.right, 0, width);
    out.top = std::clamp(out.top, 0, height);
    out.bottom = std::clamp(out.bottom, 0, height);
    if (out.isEmpty()) return {};
    return out;
}

Bitmap CropBitmap(const Bitmap& picture, const SelRect& r) {
    const int w = r.right - r.left, h = r.bottom - r.top, depth = picture.depth();
    Bitmap out(w, h, depth);
    out.palette() = picture.palette();
    out.xDotsPerInch = picture.xDotsPerInch;
    out.yDotsPerInch = picture.yDotsPerInch;
    if (depth >= 8) {
        const size_t bytes = size_t(depth / 8);
        for (int y = 0; y < h; ++y)
            std::memcpy(out.scanLine(y), picture.scanLine(r.top + y) + size_t(r.left) * bytes, size_t(w) * bytes);
        return out;
    }
    std::vector<uint8_t> indices(size_t(picture.width()));
    for (int y = 0; y < h; ++y) {
        UnpackIndices(picture.scanLine(r.top + y), depth, indices.data(), indices.size());
        PackIndices(indices.data() + r.left, depth, out.scanLine(y), size_t(w));
    }
    return out;
}

std::optional<SelRect> TrimRect(const Bitmap& p, const SelRect& region) {
    const SelRect r = ClampToPicture(region, p.width(), p.height());
    if (r.isEmpty()) return std::nullopt;
    const uint32_t ref = PixelValue(p, r.left, r.top);
    const auto rowPlain = [&](int y, int x0, int x1) {
        for (int x = x0; x < x1; ++x)
            if (PixelValue(p, x, y) != ref) return false;
        return true;
    };
    const auto columnPlain = [&](int x, int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            if (PixelValue(p, x, y) != ref) return false;
        return true;
    };
    SelRect t = r;
    while (t.top < t.bottom && rowPlain(t.top, t.left, t.right)) ++t.top;
    if (t.top == t.bottom) return std::nullopt;
    while (rowPlain(t.bottom - 1, t.left, t.right)) --t.bottom;
    while (columnPlain(t.left, t.top, t.bottom)) ++t.left;
    while (columnPlain(t.right - 1, t.top, t.bottom)) --t.right;
    return t;
}

SelRect MaskSelection(int32_t x, int32_t y, int32_t width, int32_t height) {
    return {x, y, x + width, y + height};
}

bool GridAllowed(int width, int height) { return width >= 64 && height >= 64; }

}  // namespace vimbra
