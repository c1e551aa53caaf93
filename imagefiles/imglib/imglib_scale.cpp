// ImgCopy: nearest, darkest/lightest and smooth scaling.
#include <algorithm>
#include <cstring>
#include <string>

#include "imagefiles/imglib/imglib_ops.h"
#include "imagefiles/pixel_convert.h"

namespace vimbra::imglib {
namespace {

// The source pixels one target pixel reads along an axis, with integer
// weights summing to `total` for every target pixel.
struct Tap {
    int index;
    uint32_t weight;
};
struct Axis {
    std::vector<uint32_t> first;  // taps of target d: [first[d], first[d + 1])
    std::vector<Tap> taps;
    uint32_t total = 0;
};

Axis SmoothAxis(int s, int n) {
    Axis a;
    a.first.reserve(size_t(n) + 1);
    if (n <= s) {
        // Area: target d spans [d·s, (d+1)·s), source i spans [i·n, (i+1)·n).
        a.total = uint32_t(s);
        for (int d = 0; d < n; ++d) {
            a.first.push_back(uint32_t(a.taps.size()));
            const int64_t lo = int64_t(d) * s, hi = lo + s;
            for (int64_t i = lo / n; i * n < hi; ++i) {
                const int64_t w = std::min(hi, (i + 1) * n) - std::max(lo, i * n);
                if (w > 0) a.taps.push_back({int(i), uint32_t(w)});
            }
        }
    } else {
        // Linear between centres: target centre at ((2d+1)·s − n) / (2n).
        a.total = uint32_t(2 * n);
        for (int d = 0; d < n; ++d) {
            a.first.push_back(uint32_t(a.taps.size()));
            const int64_t num = int64_t(2 * d + 1) * s - n;
            const int64_t i0 = num < 0 ? 0 : num / (2 * n), f = num < 0 ? 0 : num % (2 * n);
            if (i0 >= s - 1 || f == 0) {
                a.taps.push_back({int(std::min<int64_t>(i0, s - 1)), a.total});
            } else {
                a.taps.push_back({int(i0), uint32_t(2 * n - f)});
                a.taps.push_back({int(i0 + 1), uint32_t(f)});
            }
        }
    }
    a.first.push_back(uint32_t(a.taps.size()));
    return a;
}

// Source pixel under the centre of each target pixel.
std::vector<int> NearestAxis(int s, int n) {
    std::vector<int> v(static_cast<size_t>(n));
    for (int d = 0; d < n; ++d) v[size_t(d)] = int((int64_t(2 * d + 1) * s) / (int64_t(2) * n));
    return v;
}

// Source pixels a target pixel touches: all it overlaps when shrinking, the
// nearest when growing.
std::vector<std::pair<int, int>> SpanAxis(int s, int n) {
    std::vector<std::pair<int, int>> v(static_cast<size_t>(n));
    if (n > s) {
        const std::vector<int> near = NearestAxis(s, n);
        for (int d = 0; d < n; ++d) v[size_t(d)] = {near[size_t(d)], near[size_t(d)] + 1};
    } else {
        for (int d = 0; d < n; ++d) {
            const int64_t lo = int64_t(d) * s, hi = lo + s;
            v[size_t(d)] = {int(lo / n), int((hi + n - 1) / n)};
        }
    }
    return v;
}

std::vector<int> GreyTable(const Bitmap& p) {
    std::vector<int> t(256, 0);
    for (size_t i = 0; i < p.palette().size() && i < 256; ++i) {
        const PaletteEntry& e = p.palette()[i];
        t[i] = GreyOf(e.red, e.green, e.blue);
    }
    return t;
}

Bitmap Nearest(const Bitmap& src, const ImgRect& a, int width, int height) {
    Bitmap out(width, height, src.depth());
    out.palette() = src.palette();
    std::vector<int> xs = NearestAxis(a.right - a.left, width);
    const std::vector<int> ys = NearestAxis(a.bottom - a.top, height);
    for (int& x : xs) x += a.left;
    std::vector<uint8_t> in(size_t(src.width())), idx(static_cast<size_t>(width));
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = src.scanLine(a.top + ys[size_t(y)]);
        uint8_t* dst = out.scanLine(y);
        if (src.depth() == 24) {
            for (int x = 0; x < width; ++x) std::memcpy(dst + 3 * x, row + 3 * xs[size_t(x)], 3);
        } else {
            UnpackIndices(row, src.depth(), in.data(), in.size());
            for (int x = 0; x < width; ++x) idx[size_t(x)] = in[size_t(xs[size_t(x)])];
            PackIndices(idx.data(), src.depth(), dst, idx.size());
        }
    }
    return out;
}

// Darkest (wantDark) or lightest pixel of each target pixel's span; the first
// one met wins ties.
Bitmap Extreme(const Bitmap& src, const ImgRect& a, int width, int height, bool wantDark) {
    Bitmap out(width, height, src.depth());
    out.palette() = src.palette();
    const auto xs = SpanAxis(a.right - a.left, width), ys = SpanAxis(a.bottom - a.top, height);
    const std::vector<int> grey = GreyTable(src);
    const bool colour = src.depth() == 24;
    std::vector<uint8_t> in(size_t(src.width())), best(size_t(width) * (colour ? 3 : 1));
    std::vector<int> bestGrey(static_cast<size_t>(width));
    for (int y = 0; y < height; ++y) {
        std::fill(bestGrey.begin(), bestGrey.end(), -1);
        for (int sy = ys[size_t(y)].first; sy < ys[size_t(y)].second; ++sy) {
            const uint8_t* row = src.scanLine(a.top + sy);
            if (!colour) UnpackIndices(row, src.depth(), in.data(), in.size());
            for (int x = 0; x < width; ++x) {
                int& bg = bestGrey[size_t(x)];
                for (int sx = a.left + xs[size_t(x)].first; sx < a.left + xs[size_t(x)].second; ++sx) {
                    const uint8_t* p = colour ? row + 3 * sx : &in[size_t(sx)];
                    const int g = colour ? GreyOf(p[2], p[1], p[0]) : grey[*p];
                    if (bg < 0 || (wantDark ? g < bg : g > bg)) {
                        bg = g;
                        std::memcpy(&best[size_t(x) * (colour ? 3 : 1)], p, colour ? 3 : 1);
                    }
                }
            }
        }
        if (colour)
            std::memcpy(out.scanLine(y), best.data(), best.size());
        else
            PackIndices(best.data(), src.depth(), out.scanLine(y), size_t(width));
    }
    return out;
}

// Source rows filtered horizontally, the two most recent kept: growing reuses
// both for several target rows, shrinking shares the boundary row.
class FilteredRows {
public:
    FilteredRows(const Bitmap& src, const ImgRect& a, const Axis& ax, int width, bool grey)
        : src_(src), a_(a), ax_(ax), width_(width), ch_(grey ? 1 : 3), grey_(grey), greyOf_(GreyTable(src)),
          scratch_(size_t(src.width()) * 3), line_(size_t(a.right - a.left)) {
        for (Slot& s : slots_) s.values.resize(size_t(width) * size_t(ch_));
    }

    const uint32_t* row(int sy) {
        for (Slot& s : slots_)
            if (s.row == sy) {
                s.used = ++clock_;
                return s.values.data();
            }
        Slot& s = slots_[0].used <= slots_[1].used ? slots_[0] : slots_[1];
        s.row = sy;
        s.used = ++clock_;
        filter(sy, s.values.data());
        return s.values.data();
    }

private:
    struct Slot {
        int row = -1;
        uint64_t used = 0;
        std::vector<uint32_t> values;
    };

    void filter(int sy, uint32_t* out) {
        const int sw = a_.right - a_.left;
        const uint8_t* v;
        if (!grey_) {
            v = RowAsBgr(src_, sy, scratch_.data()) + 3 * a_.left;
        } else if (src_.depth() == 24) {
            const uint8_t* p = src_.scanLine(sy) + 3 * a_.left;
            for (int x = 0; x < sw; ++x, p += 3) line_[size_t(x)] = uint8_t(GreyOf(p[2], p[1], p[0]));
            v = line_.data();
        } else {
            UnpackIndices(src_.scanLine(sy), src_.depth(), scratch_.data(), size_t(src_.width()));
            for (int x = 0; x < sw; ++x) line_[size_t(x)] = uint8_t(greyOf_[scratch_[size_t(a_.left + x)]]);
            v = line_.data();
        }
        for (int x = 0; x < width_; ++x) {
            uint32_t h[3] = {0, 0, 0};
            for (uint32_t k = ax_.first[size_t(x)]; k < ax_.first[size_t(x) + 1]; ++k) {
                const uint8_t* p = v + size_t(ax_.taps[k].index) * size_t(ch_);
                for (int c = 0; c < ch_; ++c) h[c] += ax_.taps[k].weight * p[c];
            }
            for (int c = 0; c < ch_; ++c) out[size_t(x) * size_t(ch_) + size_t(c)] = h[c];
        }
    }

    const Bitmap& src_;
    const ImgRect& a_;
    const Axis& ax_;
    int width_, ch_;
    bool grey_;
    std::vector<int> greyOf_;
    std::vector<uint8_t> scratch_, line_;
    Slot slots_[2];
    uint64_t clock_ = 0;
};

// (n + d / 2) div d without a 64-bit division per pixel: a floating estimate,
// then corrected to the exact quotient.
class RoundedDivider {
public:
    explicit RoundedDivider(uint64_t d) : d_(d), inverse_(1.0 / double(d)) {}
    uint8_t operator()(uint64_t n) const {
        const uint64_t m = n + d_ / 2;
        uint64_t q = uint64_t(double(m) * inverse_);
        while (q * d_ > m) --q;
        while ((q + 1) * d_ <= m) ++q;
        return uint8_t(q);
    }

private:
    uint64_t d_;
    double inverse_;
};

Bitmap Smooth(const Bitmap& src, const ImgRect& a, int width, int height, bool grey) {
    const int sw = a.right - a.left, sh = a.bottom - a.top, ch = grey ? 1 : 3;
    const Axis ax = SmoothAxis(sw, width), ay = SmoothAxis(sh, height);
    const RoundedDivider divide(uint64_t(ax.total) * ay.total);
    Bitmap out(width, height, grey ? 8 : 24);
    if (grey) out.palette() = MakeGreyPalette(8);
    FilteredRows rows(src, a, ax, width, grey);
    std::vector<uint64_t> acc(size_t(width) * size_t(ch));
    for (int y = 0; y < height; ++y) {
        std::fill(acc.begin(), acc.end(), 0);
        for (uint32_t t = ay.first[size_t(y)]; t < ay.first[size_t(y) + 1]; ++t) {
            const uint32_t* h = rows.row(a.top + ay.taps[t].index);
            const uint64_t wy = ay.taps[t].weight;
            for (size_t i = 0; i < acc.size(); ++i) acc[i] += wy * h[i];
        }
        uint8_t* dst = out.scanLine(y);
        for (size_t i = 0; i < acc.size(); ++i) dst[i] = divide(acc[i]);
    }
    return out;
}

}  // namespace

const uint8_t* RowAsBgr(const Bitmap& picture, int y, uint8_t* scratch) {
    if (picture.depth() == 24) return picture.scanLine(y);
    ExpandIndicesToBgr(picture.scanLine(y), picture.depth(), picture.palette(), scratch, size_t(picture.width()));
    return scratch;
}

Bitmap ScalePicture(const Bitmap& source, const ImgRect& area, int width, int height, int flags) {
    if (source.isEmpty()) throw ImgLibError("The picture is empty.");
    if (area.left < 0 || area.top < 0 || area.right > source.width() || area.bottom > source.height() ||
        area.left >= area.right || area.top >= area.bottom)
        throw ImgLibError("The copy rectangle lies outside the picture.");
    if (width < 1 || height < 1 || width > Bitmap::kMaxSide || height > Bitmap::kMaxSide ||
        int64_t(width) * height > Bitmap::kMaxPixels)
        throw ImgLibError("Copy size " + std::to_string(width) + " x " + std::to_string(height) +
                          " is out of range.");
    if (flags & kImgCopyGreyAverage) return Smooth(source, area, width, height, true);
    if (flags & kImgCopySmooth)
        return Smooth(source, area, width, height, source.depth() == 8 && source.hasGreyPalette());
    if (flags & kImgCopyPreserveBlack) return Extreme(source, area, width, height, true);
    if (flags & kImgCopyPreserveWhite) return Extreme(source, area, width, height, false);
    return Nearest(source, area, width, height);
}

}  // namespace vimbra::imglib
