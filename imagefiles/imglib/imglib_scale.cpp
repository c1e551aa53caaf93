// ImgCopy: nearest, darkest/lightest and smooth scaling.
#include <algorithm>
#include <cstring>
#include <exception>
#include <mutex>
#include <numeric>
#include <string>

#include "core/parallel_rows.h"
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

// Weights and total divided by their common factor: an integer ratio such as
// 6000 → 3000 then sums plain pixels, and the sums fit 32 bits.
void Reduce(Axis& a) {
    uint32_t g = a.total;
    for (const Tap& t : a.taps) g = std::gcd(g, t.weight);
    if (g <= 1) return;
    a.total /= g;
    for (Tap& t : a.taps) t.weight /= g;
}

// Source rows filtered horizontally, the two most recent kept: growing reuses
// both for several target rows, shrinking shares the boundary row.
template <int CH>
class FilteredRows {
public:
    FilteredRows(const Bitmap& src, const ImgRect& a, const Axis& ax, int width)
        : src_(src), a_(a), ax_(ax), width_(width), greyOf_(GreyTable(src)),
          scratch_(size_t(src.width()) * 3), line_(size_t(a.right - a.left)) {
        for (Slot& s : slots_) s.values.resize(size_t(width) * CH);
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
        if constexpr (CH == 3) {
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
        const uint32_t* first = ax_.first.data();
        const Tap* taps = ax_.taps.data();
        for (int x = 0; x < width_; ++x, out += CH) {
            uint32_t h[CH] = {};
            for (uint32_t k = first[x]; k < first[x + 1]; ++k) {
                const uint8_t* p = v + size_t(taps[k].index) * CH;
                const uint32_t w = taps[k].weight;
                for (int c = 0; c < CH; ++c) h[c] += w * p[c];
            }
            for (int c = 0; c < CH; ++c) out[c] = h[c];
        }
    }

    const Bitmap& src_;
    const ImgRect& a_;
    const Axis& ax_;
    int width_;
    std::vector<int> greyOf_;
    std::vector<uint8_t> scratch_, line_;
    Slot slots_[2];
    uint64_t clock_ = 0;
};

// (n + d / 2) div d. Numerators below 2^31 take an exact multiply and shift
// (m = ceil(2^(31 + l) / d) with 2^l >= d); larger ones a floating estimate
// corrected to the exact quotient.
class RoundedDivider {
public:
    explicit RoundedDivider(uint64_t d) : d_(d), inverse_(1.0 / double(d)) {
        while ((uint64_t(1) << l_) < d && l_ < 31) ++l_;
        shift_ = 31 + l_;
        m_ = ((uint64_t(1) << shift_) + d - 1) / d;
    }
    // The exact path covers numerators up to this.
    static constexpr uint64_t kFastLimit = (uint64_t(1) << 31) - 1;
    uint8_t fast(uint32_t n) const { return uint8_t(((uint64_t(n) + d_ / 2) * m_) >> shift_); }
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
    int l_ = 0, shift_ = 31;
    uint64_t m_ = 0;
};

// Target rows y0..y1: the vertical taps over horizontally filtered rows.
template <int CH, class Acc>
void SmoothRows(const Bitmap& src, const ImgRect& a, const Axis& ax, const Axis& ay, Bitmap& out, int y0,
                int y1) {
    const int width = out.width();
    const RoundedDivider divide(uint64_t(ax.total) * ay.total);
    FilteredRows<CH> rows(src, a, ax, width);
    std::vector<Acc> acc(size_t(width) * CH);
    const size_t n = acc.size();
    for (int y = y0; y < y1; ++y) {
        std::fill(acc.begin(), acc.end(), Acc(0));
        for (uint32_t t = ay.first[size_t(y)]; t < ay.first[size_t(y) + 1]; ++t) {
            const uint32_t* h = rows.row(a.top + ay.taps[t].index);
            const Acc wy = ay.taps[t].weight;
            Acc* sum = acc.data();
            for (size_t i = 0; i < n; ++i) sum[i] += wy * h[i];
        }
        uint8_t* dst = out.scanLine(y);
        if constexpr (sizeof(Acc) == 4) {
            for (size_t i = 0; i < n; ++i) dst[i] = divide.fast(acc[i]);
        } else {
            for (size_t i = 0; i < n; ++i) dst[i] = divide(acc[i]);
        }
    }
}

template <int CH>
void SmoothAll(const Bitmap& src, const ImgRect& a, const Axis& ax, const Axis& ay, Bitmap& out) {
    // Every sum is at most 255 × both totals (plus half the divisor when rounded).
    const uint64_t largest = 255 * uint64_t(ax.total) * ay.total + uint64_t(ax.total) * ay.total;
    const bool narrow = largest <= RoundedDivider::kFastLimit;
    // Target rows are independent, so they may be shared out; each worker
    // filters the source rows it needs itself.
    std::exception_ptr failure;
    std::mutex failureLock;
    ParallelRows(out.width(), out.height(), [&](int y0, int y1) {
        try {
            if (narrow)
                SmoothRows<CH, uint32_t>(src, a, ax, ay, out, y0, y1);
            else
                SmoothRows<CH, uint64_t>(src, a, ax, ay, out, y0, y1);
        } catch (...) {
            std::lock_guard guard(failureLock);
            if (!failure) failure = std::current_exception();
        }
    });
    if (failure) std::rethrow_exception(failure);
}

Bitmap Smooth(const Bitmap& src, const ImgRect& a, int width, int height, bool grey) {
    const int sw = a.right - a.left, sh = a.bottom - a.top;
    Axis ax = SmoothAxis(sw, width), ay = SmoothAxis(sh, height);
    Reduce(ax);
    Reduce(ay);
    Bitmap out(width, height, grey ? 8 : 24);
    if (grey) {
        out.palette() = MakeGreyPalette(8);
        SmoothAll<1>(src, a, ax, ay, out);
    } else {
        SmoothAll<3>(src, a, ax, ay, out);
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

Bitmap ScaleWholePicture(const Bitmap& source, int width, int height) {
    const ImgRect all{0, 0, source.width(), source.height()};
    if (source.depth() < 4) return ScalePicture(source, all, width, height, kImgCopyNormal);
    if (height == source.height() && width < source.width()) {
        const Bitmap wide = ScalePicture(source, all, 2 * width, height, kImgCopySmooth);
        return ScalePicture(wide, ImgRect{0, 0, wide.width(), height}, width, height, kImgCopySmooth);
    }
    return ScalePicture(source, all, width, height, kImgCopySmooth);
}

}  // namespace vimbra::imglib
