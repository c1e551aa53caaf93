#include "filters/median.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <utility>

#include "core/parallel_rows.h"
#include "filters/local_lightness.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vimbra {
namespace {

// Comparing every window sample per pixel is far too slow for the 7x7 shapes,
// so the work is shared. The window is split into its columns; two output rows
// y and y+1 are made together, and of a window column 2 half + 1 high they
// share the 2 half middle cells and differ in one cell each (the top one for
// y, the bottom one for y+1). The shared cells are sorted once per column and
// picture position, merged once per pixel pair down to the few ranks the two
// medians can still take, and each row then merges its own cells into those.
// The merge networks are built at compile time so that they run unrolled.

// Register a takes the smaller value, register b the larger.
struct Exchange {
    uint8_t a = 0, b = 0;
};

constexpr int kMaxSteps = 640;  // odd-even merge sort of 64 has 543 exchanges

struct Network {
    std::array<Exchange, kMaxSteps> steps{};
    int size = 0;
    uint64_t inputs = 0;         // registers read before they are written
    std::array<int, 8> outputs{};  // register holding each wanted position
};

// What is known about the order of up to 64 register values: bit j of up[i]
// means value i <= value j, bit j of down[i] means value j <= value i.
// Exchanges with a known outcome cost nothing. Values proven to lie above
// (below) the wanted ranks are forgotten: they become constants 255 (0), which
// leaves the values at those ranks as they are.
class NetworkBuilder {
  public:
    // Positions lo..hi of the sorted values are wanted; lo > hi forgets nothing.
    constexpr NetworkBuilder(int size, int lo, int hi) : size_(size), lo_(lo), hi_(hi) {
        all_ = size == 64 ? ~uint64_t(0) : (uint64_t(1) << size) - 1;
        for (int i = 0; i < size; ++i) {
            at_[i] = i;
            up_[i] = down_[i] = Bit(i);
        }
    }

    // Registers first..first+count-1 hold values in ascending order.
    constexpr void Sorted(int first, int count) {
        for (int i = first; i < first + count; ++i)
            for (int j = i; j < first + count; ++j) up_[i] |= Bit(j), down_[j] |= Bit(i);
    }
    // Register r holds a constant above every sample.
    constexpr void Top(int r) {
        top_ |= Bit(r);
        up_[r] = top_;
        down_[r] = all_;
        for (int k = 0; k < size_; ++k) {
            up_[k] |= Bit(r);
            if (!(top_ & Bit(k))) down_[k] &= ~Bit(r);
        }
    }

    // Odd-even merge sort over all positions.
    constexpr void Sort() {
        for (int p = 1; p < size_; p *= 2)
            for (int k = p; k >= 1; k /= 2)
                for (int j = k % p; j + k < size_; j += 2 * k)
                    for (int i = 0; i < std::min(k, size_ - j - k); ++i)
                        if ((i + j) / (2 * p) == (i + j + k) / (2 * p)) Compare(i + j, i + j + k);
    }

    // Keeps only what positions first..last depend on.
    constexpr Network Finish(int first, int last) const {
        Network net;
        uint64_t needed = 0;
        for (int pos = first; pos <= last; ++pos) {
            net.outputs[pos - first] = at_[pos];
            needed |= Bit(at_[pos]);
        }
        for (int e = events_ - 1; e >= 0; --e) {
            const Exchange x = event_[e];
            if (x.b == kForget) {
                needed &= ~Bit(x.a);
            } else if (needed & (Bit(x.a) | Bit(x.b))) {
                needed |= Bit(x.a) | Bit(x.b);
                net.steps[net.size++] = x;
            }
        }
        std::reverse(net.steps.begin(), net.steps.begin() + net.size);
        net.inputs = needed;
        return net;
    }

  private:
    static constexpr uint8_t kForget = 255;
    static constexpr uint64_t Bit(int i) { return uint64_t(1) << i; }

    constexpr void Compare(int i, int j) {
        const int u = at_[i], v = at_[j];
        if (up_[u] & Bit(v)) return;
        if (up_[v] & Bit(u)) {
            std::swap(at_[i], at_[j]);
            return;
        }
        event_[events_++] = {uint8_t(u), uint8_t(v)};
        const uint64_t both = Bit(u) | Bit(v), others = all_ & ~both;
        const uint64_t upMin = ((up_[u] | up_[v]) & others) | both;
        const uint64_t downMin = (down_[u] & down_[v] & others) | Bit(u);
        const uint64_t upMax = (up_[u] & up_[v] & others) | Bit(v);
        const uint64_t downMax = ((down_[u] | down_[v]) & others) | both;
        up_[u] = upMin, down_[u] = downMin, up_[v] = upMax, down_[v] = downMax;
        for (int k = 0; k < size_; ++k) {
            if (k == u || k == v) continue;
            up_[k] = (up_[k] & ~both) | (downMin & Bit(k) ? Bit(u) : 0) | (downMax & Bit(k) ? Bit(v) : 0);
            down_[k] = (down_[k] & ~both) | (upMin & Bit(k) ? Bit(u) : 0) | (upMax & Bit(k) ? Bit(v) : 0);
        }
        if (lo_ <= hi_) Forget();
    }

    // More than hi+1 values at or below a value put it above the wanted ranks;
    // more than size-lo at or above it put it below them.
    constexpr void Forget() {
        for (bool changed = true; changed;) {
            changed = false;
            for (int r = 0; r < size_; ++r) {
                if ((top_ | bottom_) & Bit(r)) continue;
                if (std::popcount(down_[r]) >= hi_ + 2) {
                    Top(r);
                } else if (std::popcount(up_[r]) >= size_ - lo_ + 1) {
                    bottom_ |= Bit(r);
                    down_[r] = bottom_;
                    up_[r] = all_;
                    for (int k = 0; k < size_; ++k) {
                        down_[k] |= Bit(r);
                        if (!(bottom_ & Bit(k))) up_[k] &= ~Bit(r);
                    }
                } else {
                    continue;
                }
                event_[events_++] = {uint8_t(r), kForget};
                changed = true;
            }
        }
    }

    int size_, lo_, hi_;
    uint64_t all_ = 0, top_ = 0, bottom_ = 0;
    std::array<uint64_t, 64> up_{}, down_{};
    std::array<int, 64> at_{};  // position -> register
    std::array<Exchange, kMaxSteps> event_{};
    int events_ = 0;
};

constexpr int Pow2AtLeast(int n) {
    int p = 1;
    while (p < n) p *= 2;
    return p;
}

// Values in registers 8g + k, k < count of group g, each group ascending or in
// no known order; wanted: sorted positions lo..hi.
struct Group {
    int count;
    bool sorted;
};
constexpr int kBlock = 8;

template <size_t N>
constexpr Network SelectNetwork(const std::array<Group, N>& groups, int groupCount, int lo, int hi) {
    const int size = Pow2AtLeast(groupCount * kBlock);
    NetworkBuilder b(size, lo, hi);
    for (int g = 0; g < groupCount; ++g) {
        if (groups[g].sorted) b.Sorted(g * kBlock, groups[g].count);
        for (int k = groups[g].count; k < kBlock; ++k) b.Top(g * kBlock + k);
    }
    for (int r = groupCount * kBlock; r < size; ++r) b.Top(r);
    b.Sort();
    return b.Finish(lo, hi);
}

// Full sort of the values in registers 0..count-1.
constexpr Network SortNetwork(int count) {
    const int size = Pow2AtLeast(count);
    NetworkBuilder b(size, 0, -1);
    for (int r = count; r < size; ++r) b.Top(r);
    b.Sort();
    return b.Finish(0, count - 1);
}

// Which cells of the window around (0, 0) a level takes.
constexpr bool InShape(int level, int dy, int dx) {
    const int y = dy < 0 ? -dy : dy, x = dx < 0 ? -dx : dx;
    switch (level) {
        case 2: return y <= 1 && x <= 1;
        case 3: return (y == 0 && x <= 2) || (x == 0 && y <= 2);
        case 4: return x + y <= 2;
        case 5: return (y == 0 && x <= 3) || (x == 0 && y <= 3) || (x <= 1 && y <= 1);
        case 6: return y <= 2 && x <= 2;
        case 7: return x + y <= 3;
        case 8: return y <= 3 && x <= 3 && x + y <= 4;
        case 9: return y <= 3 && x <= 3;
        default: return x + y <= 1;
    }
}

// One window column: cells dy = -half..half at dx.
struct Segment {
    int dx = 0, half = 0;
};

struct Plan {
    int count = 0, own = 0, lo = 0, hi = 0, radius = 0;
    std::array<Segment, 7> segs{};
    Network first, second;
};

constexpr Plan MakePlan(int level) {
    Plan p;
    for (int dx = -3; dx <= 3; ++dx) {
        int half = -1;
        while (half < 3 && InShape(level, half + 1, dx)) ++half;
        if (half < 0) continue;
        p.segs[p.own++] = {dx, half};
        p.count += 2 * half + 1;
        p.radius = std::max({p.radius, half, dx < 0 ? -dx : dx});
    }
    // Shared cells ranked below mid - own stay below the median whatever the
    // own cells are, and those ranked above mid stay above it.
    const int mid = (p.count - 1) / 2, shared = p.count - p.own;
    p.lo = std::max(0, mid - p.own);
    p.hi = std::min(shared - 1, mid);
    std::array<Group, 7> groups{};
    for (int s = 0; s < p.own; ++s) groups[s] = {2 * p.segs[s].half, true};
    p.first = SelectNetwork(groups, p.own, p.lo, p.hi);
    p.second = SelectNetwork(std::array<Group, 2>{{{p.hi - p.lo + 1, true}, {p.own, false}}}, 2,
                             mid - p.lo, mid - p.lo);
    return p;
}

template <int Level>
inline constexpr Plan kPlan = MakePlan(Level);
// Own objects, not members of kPlan: clang takes no subobject as a template argument.
template <int Level>
inline constexpr Network kFirstMerge = kPlan<Level>.first;
template <int Level>
inline constexpr Network kSecondMerge = kPlan<Level>.second;
template <int Half>
inline constexpr Network kColumnSort = SortNetwork(2 * Half);

#if defined(__SSE2__)
struct Lanes {
    using V = __m128i;
    static constexpr int kWidth = 16;
    static V Load(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static void Store(uint8_t* p, V v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static V Min(V a, V b) { return _mm_min_epu8(a, b); }
    static V Max(V a, V b) { return _mm_max_epu8(a, b); }
    // v where v <= limit, else the median where it is on the spot's side of v.
    static V Spot(V v, V m, int spot, int limit) {
        const V towards = spot < 0 ? _mm_max_epu8(v, m) : _mm_min_epu8(v, m);
        const V keep = _mm_cmpeq_epi8(_mm_subs_epu8(v, _mm_set1_epi8(char(uint8_t(limit)))),
                                      _mm_setzero_si128());
        return _mm_or_si128(_mm_and_si128(keep, v), _mm_andnot_si128(keep, towards));
    }
};
#else
struct Lanes {
    using V = uint8_t;
    static constexpr int kWidth = 1;
    static V Load(const uint8_t* p) { return *p; }
    static void Store(uint8_t* p, V v) { *p = v; }
    static V Min(V a, V b) { return std::min(a, b); }
    static V Max(V a, V b) { return std::max(a, b); }
    static V Spot(V v, V m, int spot, int limit) {
        if (v <= limit) return v;
        return spot < 0 ? std::max(v, m) : std::min(v, m);
    }
};
#endif
using V = Lanes::V;

// Both halves are always written: a half nobody needs lands in a register
// that is not read again before it is rewritten.
template <int A, int B>
inline void Exchange2(V* reg) {
    const V a = reg[A], b = reg[B];
    reg[A] = Lanes::Min(a, b);
    reg[B] = Lanes::Max(a, b);
}
template <const Network& N, size_t... I>
inline void RunSteps([[maybe_unused]] V* reg, std::index_sequence<I...>) {
    (Exchange2<N.steps[I].a, N.steps[I].b>(reg), ...);
}
template <const Network& N>
inline void Run(V* reg) {
    RunSteps<N>(reg, std::make_index_sequence<size_t(N.size)>{});
}

inline size_t RoundUp(size_t n, size_t to) { return (n + to - 1) / to * to; }

// Rows of the unfiltered picture around the boundaries between the row
// ranges of the threads. Both ranges next to a boundary ask for its copy before
// writing any row, so it is always made from unfiltered rows.
class BoundaryRows {
  public:
    BoundaryRows(const Bitmap& bitmap, int radius) : bitmap_(bitmap), radius_(radius) {}

    // Rows edge-radius..edge+radius; row edge-radius+k at k rows.
    const uint8_t* At(int edge) {
        std::lock_guard lock(mutex_);
        for (auto& [e, rows] : kept_)
            if (e == edge) return rows.get();
        const size_t rowBytes = size_t(3) * bitmap_.width();
        auto rows = std::make_unique<uint8_t[]>(rowBytes * size_t(2 * radius_ + 1));
        for (int k = 0; k <= 2 * radius_; ++k) {
            const int y = edge - radius_ + k;
            if (y >= 0 && y < bitmap_.height()) std::memcpy(rows.get() + rowBytes * size_t(k), bitmap_.scanLine(y), rowBytes);
        }
        kept_.emplace_back(edge, std::move(rows));
        return kept_.back().second.get();
    }

  private:
    const Bitmap& bitmap_;
    int radius_;
    std::mutex mutex_;
    std::deque<std::pair<int, std::unique_ptr<uint8_t[]>>> kept_;
};

// The last 2 radius + 2 unfiltered rows a range needs, each with `radius`
// copies of the edge pixels on both sides and room for whole vectors past the end.
class RowRing {
  public:
    RowRing(const Bitmap& bitmap, BoundaryRows& boundary, int radius, int r0, int r1)
        : bitmap_(bitmap), radius_(radius), r0_(r0), r1_(r1), count_(2 * radius + 2),
          stride_(RoundUp(size_t(3) * (bitmap.width() + 2 * radius), 16) + 32),
          bytes_(stride_ * size_t(count_)), tag_(size_t(count_), -1 - count_) {
        // Both boundaries first: rows of this range get written from now on.
        above_ = r0 > 0 ? boundary.At(r0) : nullptr;
        below_ = r1 < bitmap.height() ? boundary.At(r1) : nullptr;
    }
    size_t stride() const { return stride_; }

    // Row y (clamped into the picture) as it was before the pass.
    const uint8_t* Get(int y) {
        const size_t slot = size_t(((y % count_) + count_) % count_);
        uint8_t* row = bytes_.data() + stride_ * slot;
        if (tag_[slot] == y) return row;
        tag_[slot] = y;
        const int c = std::clamp(y, 0, bitmap_.height() - 1);
        const size_t rowBytes = size_t(3) * bitmap_.width();
        const uint8_t* from = c < r0_    ? above_ + rowBytes * size_t(c - (r0_ - radius_))
                              : c >= r1_ ? below_ + rowBytes * size_t(c - (r1_ - radius_))
                                         : bitmap_.scanLine(c);
        for (int k = 0; k < radius_; ++k) {
            std::memcpy(row + 3 * k, from, 3);
            std::memcpy(row + 3 * (radius_ + bitmap_.width() + k), from + rowBytes - 3, 3);
        }
        std::memcpy(row + 3 * radius_, from, rowBytes);
        return row;
    }

  private:
    const Bitmap& bitmap_;
    const uint8_t* above_;
    const uint8_t* below_;
    int radius_, r0_, r1_, count_;
    size_t stride_;
    std::vector<uint8_t> bytes_;
    std::vector<int> tag_;
};

// Sorts the shared cells of every column of height 2 Half + 1 for rows y, y+1.
// rows: the 2 Half rows y+1-Half..y+Half.
template <int Half>
void SortColumns(const uint8_t* const* rows, size_t stride, uint8_t* planes) {
    const Network& net = kColumnSort<Half>;
    V reg[2 * Half];
    for (size_t i = 0; i < stride; i += Lanes::kWidth) {
        for (int k = 0; k < 2 * Half; ++k) reg[k] = Lanes::Load(rows[k] + i);
        Run<kColumnSort<Half>>(reg);
        for (int k = 0; k < 2 * Half; ++k) Lanes::Store(planes + stride * size_t(k) + i, reg[net.outputs[k]]);
    }
}

constexpr bool UsesHalf(const Plan& p, int half) {
    for (int s = 0; s < p.own; ++s)
        if (p.segs[s].half == half) return true;
    return false;
}

template <const Network& N, size_t... R>
inline void LoadInputs(V* reg, const uint8_t* const* from, size_t i, std::index_sequence<R...>) {
    ((N.inputs >> R & 1 ? void(reg[R] = Lanes::Load(from[R] + i)) : void()), ...);
}

template <int Level>
void MedianRows(Bitmap& bitmap, BoundaryRows& boundary, int spot, int limit, Progress* progress,
                int r0, int r1) {
    constexpr const Plan& P = kPlan<Level>;
    const int w = bitmap.width(), radius = P.radius;
    RowRing ring(bitmap, boundary, radius, r0, r1);
    const size_t rowBytes = size_t(3) * w, stride = ring.stride(), outStride = RoundUp(rowBytes, 16);
    // planes planeOf[half] + k: rank k of the shared cells of columns that high
    size_t planeOf[4] = {}, planes = 0;
    for (int half = 1; half <= 3; ++half)
        if (UsesHalf(P, half)) planeOf[half] = planes, planes += size_t(2 * half);
    std::vector<uint8_t> sorted(planes * stride);
    std::vector<uint8_t> rowOut(2 * outStride);
    uint8_t* const out[2] = {rowOut.data(), rowOut.data() + outStride};
    // Where each register of the first merge is loaded from.
    const uint8_t* firstFrom[64] = {};
    for (int s = 0; s < P.own; ++s)
        for (int k = 0; k < 2 * P.segs[s].half; ++k)
            firstFrom[s * kBlock + k] = sorted.data() + stride * (planeOf[P.segs[s].half] + size_t(k)) +
                                        size_t(3 * (radius + P.segs[s].dx));
    V reg[64], reg2[16];
    const uint8_t* own[2][7] = {};
    for (int y = r0; y < r1; y += 2) {
        for (int k = 0; k < 2 && y + k < r1; ++k)
            if (progress && r0 == 0 && y + k >= radius && y + k < r1 - radius)
                progress->ProgressStep(RowPercent(y + k - radius, r1 - 2 * radius));
        // win[k]: row y - radius + k; all are read before rows y, y+1 are written.
        const uint8_t* win[8];
        for (int k = 0; k < 2 * radius + 2; ++k) win[k] = ring.Get(y - radius + k);
        const auto row = [&](int sy) { return win[sy - (y - radius)]; };
        if constexpr (UsesHalf(P, 1)) SortColumns<1>(win + radius, stride, sorted.data() + stride * planeOf[1]);
        if constexpr (UsesHalf(P, 2)) SortColumns<2>(win + radius - 1, stride, sorted.data() + stride * planeOf[2]);
        if constexpr (UsesHalf(P, 3)) SortColumns<3>(win + radius - 2, stride, sorted.data() + stride * planeOf[3]);
        for (int s = 0; s < P.own; ++s) {
            const size_t column = size_t(3 * (radius + P.segs[s].dx));
            own[0][s] = row(y - P.segs[s].half) + column;
            own[1][s] = row(y + 1 + P.segs[s].half) + column;
        }
        const uint8_t* centre[2] = {row(y) + 3 * radius, row(y + 1) + 3 * radius};
        for (size_t i = 0; i < rowBytes; i += Lanes::kWidth) {
            LoadInputs<kFirstMerge<Level>>(reg, firstFrom, i, std::make_index_sequence<64>{});
            Run<kFirstMerge<Level>>(reg);
            for (int k = 0; k < 2; ++k) {
                for (int j = 0; j <= P.hi - P.lo; ++j) reg2[j] = reg[P.first.outputs[j]];
                for (int s = 0; s < P.own; ++s) reg2[kBlock + s] = Lanes::Load(own[k][s] + i);
                Run<kSecondMerge<Level>>(reg2);
                V m = reg2[P.second.outputs[0]];
                if (spot != 0) m = Lanes::Spot(Lanes::Load(centre[k] + i), m, spot, limit);
                Lanes::Store(out[k] + i, m);
            }
        }
        for (int k = 0; k < 2 && y + k < r1; ++k) std::memcpy(bitmap.scanLine(y + k), out[k], rowBytes);
    }
}

}  // namespace

std::vector<std::pair<int, int>> MedianShape(int level) {
    std::vector<std::pair<int, int>> cells;
    for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -3; dx <= 3; ++dx)
            if (InShape(level, dy, dx)) cells.emplace_back(dy, dx);
    return cells;
}

void MedianBitmap(Bitmap& bitmap, int level, int spot, Progress* progress) {
    const int w = bitmap.width(), h = bitmap.height();
    if (bitmap.depth() != 24 || w == 0 || h == 0) return;
    const int64_t limit64 = std::abs(int64_t(spot) * 4);
    // No byte exceeds 255, so a spot limit at or above it changes nothing.
    if (spot != 0 && limit64 >= 255) return;
    const int limit = int(limit64);
    if (level < 2 || level > 9) level = 1;
    int radius = 0;
    for (auto [dy, dx] : MedianShape(level)) radius = std::max({radius, std::abs(dy), std::abs(dx)});

    BoundaryRows boundary(bitmap, radius);
    if (progress) progress->ProgressReset();
    ParallelRows(w, h, [&](int r0, int r1) {
        switch (level) {
            case 2: MedianRows<2>(bitmap, boundary, spot, limit, progress, r0, r1); break;
            case 3: MedianRows<3>(bitmap, boundary, spot, limit, progress, r0, r1); break;
            case 4: MedianRows<4>(bitmap, boundary, spot, limit, progress, r0, r1); break;
            case 5: MedianRows<5>(bitmap, boundary, spot, limit, progress, r0, r1); break;
            case 6: MedianRows<6>(bitmap, boundary, spot, limit, progress, r0, r1); break;
            case 7: MedianRows<7>(bitmap, boundary, spot, limit, progress, r0, r1); break;
            case 8: MedianRows<8>(bitmap, boundary, spot, limit, progress, r0, r1); break;
            case 9: MedianRows<9>(bitmap, boundary, spot, limit, progress, r0, r1); break;
            default: MedianRows<1>(bitmap, boundary, spot, limit, progress, r0, r1); break;
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
