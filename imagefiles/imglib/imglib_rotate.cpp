// ImgRotate and ImgMirror.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>

#include "core/parallel_rows.h"
#include "imagefiles/imglib/imglib_ops.h"
#include "imagefiles/pixel_convert.h"

namespace vimbra::imglib {
namespace {

template <int D>
inline int GetIndex(const uint8_t* row, int x) {
    if constexpr (D == 1) return (row[x >> 3] >> (7 - (x & 7))) & 1;
    if constexpr (D == 4) return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    return row[x];
}

// Target rows start zeroed, so setting ORs the bits in.
template <int D>
inline void SetIndex(uint8_t* row, int x, int v) {
    if constexpr (D == 1) row[x >> 3] |= uint8_t((v & 1) << (7 - (x & 7)));
    else if constexpr (D == 4) row[x >> 1] |= uint8_t((x & 1) ? (v & 0x0F) : (v & 0x0F) << 4);
    else row[x] = uint8_t(v);
}

template <int D>
void Turn(const Bitmap& src, Bitmap& out, int q) {
    const int w = src.width(), h = src.height();
    ParallelRows(out.width(), out.height(), [&](int y0, int y1) {
        for (int ty = y0; ty < y1; ++ty) {
            uint8_t* dst = out.scanLine(ty);
            for (int tx = 0; tx < out.width(); ++tx) {
                int sx, sy;
                if (q == 1) sx = w - 1 - ty, sy = tx;
                else if (q == 2) sx = w - 1 - tx, sy = h - 1 - ty;
                else sx = ty, sy = h - 1 - tx;
                if constexpr (D == 24) std::memcpy(dst + 3 * tx, src.scanLine(sy) + 3 * sx, 3);
                else SetIndex<D>(dst, tx, GetIndex<D>(src.scanLine(sy), sx));
            }
        }
    });
}

int NearestEntry(const std::vector<PaletteEntry>& pal, int r, int g, int b) {
    int best = 0;
    long bestD = -1;
    for (size_t i = 0; i < pal.size(); ++i) {
        const long dr = pal[i].red - r, dg = pal[i].green - g, db = pal[i].blue - b;
        const long d = dr * dr + dg * dg + db * db;
        if (bestD < 0 || d < bestD) bestD = d, best = int(i);
    }
    return best;
}

constexpr int kFrac = 32;  // fixed-point fraction bits of source positions
constexpr int64_t kOne = int64_t(1) << kFrac, kHalf = kOne / 2;

template <int D>
void Rotate(const Bitmap& src, Bitmap& out, double c, double s, uint32_t fill) {
    const int w = src.width(), h = src.height();
    const double cxs = (w - 1) / 2.0, cys = (h - 1) / 2.0;
    const double cxd = (out.width() - 1) / 2.0, cyd = (out.height() - 1) / 2.0;
    const int64_t stepX = std::llround(c * double(kOne)), stepY = std::llround(s * double(kOne));
    const int64_t limX = int64_t(w) << kFrac, limY = int64_t(h) << kFrac;
    const uint8_t fillBgr[3] = {uint8_t(fill >> 16), uint8_t(fill >> 8), uint8_t(fill)};
    const int fillIndex = D == 24 ? 0 : NearestEntry(src.palette(), fill & 0xFF, (fill >> 8) & 0xFF, (fill >> 16) & 0xFF);
    // Each target row is worked out on its own, so rows may be shared out.
    ParallelRows(out.width(), out.height(), [&](int y0, int y1) {
        for (int ty = y0; ty < y1; ++ty) {
            const double dy = ty - cyd;
            int64_t X = std::llround((cxs - c * cxd - s * dy) * double(kOne));
            int64_t Y = std::llround((cys - s * cxd + c * dy) * double(kOne));
            uint8_t* dst = out.scanLine(ty);
            for (int tx = 0; tx < out.width(); ++tx, X += stepX, Y += stepY) {
                const bool inside = X + kHalf >= 0 && X + kHalf < limX && Y + kHalf >= 0 && Y + kHalf < limY;
                if constexpr (D == 24) {
                    uint8_t* p = dst + 3 * tx;
                    if (!inside) {
                        std::memcpy(p, fillBgr, 3);
                        continue;
                    }
                    const int x0 = int(X >> kFrac), y0 = int(Y >> kFrac);  // floor
                    const int fx = int((X >> (kFrac - 8)) & 255), fy = int((Y >> (kFrac - 8)) & 255);
                    const int xa = std::clamp(x0, 0, w - 1), xb = std::clamp(x0 + 1, 0, w - 1);
                    const uint8_t* ra = src.scanLine(std::clamp(y0, 0, h - 1));
                    const uint8_t* rb = src.scanLine(std::clamp(y0 + 1, 0, h - 1));
                    for (int k = 0; k < 3; ++k) {
                        const int top = ra[3 * xa + k] * (256 - fx) + ra[3 * xb + k] * fx;
                        const int bottom = rb[3 * xa + k] * (256 - fx) + rb[3 * xb + k] * fx;
                        p[k] = uint8_t((top * (256 - fy) + bottom * fy + 32768) >> 16);
                    }
                } else {
                    const int v = inside ? GetIndex<D>(src.scanLine(int((Y + kHalf) >> kFrac)), int((X + kHalf) >> kFrac))
                                         : fillIndex;
                    SetIndex<D>(dst, tx, v);
                }
            }
        }
    });
}

}  // namespace

Bitmap TurnQuarters(const Bitmap& source, int quarters) {
    if (source.isEmpty()) throw ImgLibError("The picture is empty.");
    const int q = ((quarters % 4) + 4) % 4;
    if (q == 0) return source;
    const bool swap = q != 2;
    Bitmap out(swap ? source.height() : source.width(), swap ? source.width() : source.height(), source.depth());
    out.palette() = source.palette();
    out.xDotsPerInch = swap ? source.yDotsPerInch : source.xDotsPerInch;
    out.yDotsPerInch = swap ? source.xDotsPerInch : source.yDotsPerInch;
    switch (source.depth()) {
    case 1: Turn<1>(source, out, q); break;
    case 4: Turn<4>(source, out, q); break;
    case 8: Turn<8>(source, out, q); break;
    default: Turn<24>(source, out, q); break;
    }
    return out;
}

Bitmap RotatePicture(const Bitmap& source, int angle, uint32_t fillRgb) {
    if (source.isEmpty()) throw ImgLibError("The picture is empty.");
    const int a = ((angle % 36000) + 36000) % 36000;
    if (a % 9000 == 0) return TurnQuarters(source, a / 9000);
    const double theta = a / 100.0 * std::numbers::pi / 180.0;
    const double c = std::cos(theta), s = std::sin(theta);
    const int64_t w = std::max<int64_t>(1, std::llround(source.width() * std::abs(c) + source.height() * std::abs(s)));
    const int64_t h = std::max<int64_t>(1, std::llround(source.width() * std::abs(s) + source.height() * std::abs(c)));
    if (w > Bitmap::kMaxSide || h > Bitmap::kMaxSide || w * h > Bitmap::kMaxPixels)
        throw ImgLibError("The rotated picture would be too large.");
    Bitmap out(int(w), int(h), source.depth());
    out.palette() = source.palette();
    out.xDotsPerInch = source.xDotsPerInch;
    out.yDotsPerInch = source.yDotsPerInch;
    switch (source.depth()) {
    case 1: Rotate<1>(source, out, c, s, fillRgb); break;
    case 4: Rotate<4>(source, out, c, s, fillRgb); break;
    case 8: Rotate<8>(source, out, c, s, fillRgb); break;
    default: Rotate<24>(source, out, c, s, fillRgb); break;
    }
    return out;
}

void MirrorPicture(Bitmap& picture, bool vertical, bool horizontal) {
    if (picture.isEmpty()) throw ImgLibError("The picture is empty.");
    const int w = picture.width(), h = picture.height();
    if (vertical)
        for (int y = 0; y < h / 2; ++y)
            std::swap_ranges(picture.scanLine(y), picture.scanLine(y) + picture.stride(), picture.scanLine(h - 1 - y));
    if (!horizontal) return;
    std::vector<uint8_t> idx(static_cast<size_t>(w));
    for (int y = 0; y < h; ++y) {
        uint8_t* row = picture.scanLine(y);
        if (picture.depth() == 24) {
            for (int l = 0, r = w - 1; l < r; ++l, --r)
                std::swap_ranges(row + 3 * l, row + 3 * l + 3, row + 3 * r);
        } else {
            UnpackIndices(row, picture.depth(), idx.data(), idx.size());
            std::reverse(idx.begin(), idx.end());
            std::memset(row, 0, picture.stride());
            PackIndices(idx.data(), picture.depth(), row, idx.size());
        }
    }
}

}  // namespace vimbra::imglib
