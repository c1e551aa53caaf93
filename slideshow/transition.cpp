#include "slideshow/transition.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <stdexcept>

#include "core/parallel_rows.h"

namespace vimbra {
namespace {

inline void CopyPixels(uint8_t* dst, const uint8_t* src, int count) {
    // Thin blinds and small cells make many short runs: a call each would cost more than the copy.
    if (count <= 4) {
        for (int i = 0; i < 3 * count; ++i) dst[i] = src[i];
    } else {
        std::memcpy(dst, src, size_t(count) * 3);
    }
}

inline void CopyRun(Bitmap& out, int y, int x, const Bitmap& src, int sy, int sx, int count) {
    if (count <= 0) return;
    CopyPixels(out.scanLine(y) + size_t(x) * 3, src.scanLine(sy) + size_t(sx) * 3, count);
}

inline int Part(int length, int progress) { return int(int64_t(length) * progress / kProgressOne); }

// A fixed-seed generator: the same transition always scatters its cells alike.
struct SplitMix {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint64_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
};

}  // namespace

int ProgressFromFraction(double t) {
    if (!(t > 0)) return 0;
    if (t >= 1) return kProgressOne;
    return int(std::lround(t * kProgressOne));
}

Transition::Transition(const Bitmap& from, const Bitmap& to, const EffectRecord& params)
    : a_(from), b_(to), params_(params), width_(to.width()), height_(to.height()) {
    if (from.width() != to.width() || from.height() != to.height() || from.depth() != 24 || to.depth() != 24)
        throw std::invalid_argument("transition frames differ in size or depth");
    if (params_.code >= kFxMosaic && params_.code <= kFxTileFirst + 3) prepareCells();
}

void Transition::prepareCells() {
    const int n = params_.n;
    if (params_.code == kFxMosaic && params_.variant == 3) {
        cellW_ = std::clamp(n & 0xFFFF, 1, std::max(width_, 1));
        cellH_ = std::clamp(n >> 16, 1, std::max(height_, 1));
    } else {
        cellW_ = cellH_ = std::clamp(n & 0xFF, 1, std::max(1, std::min(width_, height_)));
    }
    cols_ = (width_ + cellW_ - 1) / cellW_;
    rows_ = (height_ + cellH_ - 1) / cellH_;
    const size_t cells = size_t(cols_) * size_t(rows_);
    rank_.assign(cells, 0);
    if (params_.code == kFxMosaic) {
        std::vector<uint32_t> order(cells);
        std::iota(order.begin(), order.end(), 0u);
        SplitMix rng;
        for (size_t i = cells; i > 1; --i) std::swap(order[i - 1], order[rng.next() % i]);
        for (size_t i = 0; i < cells; ++i) rank_[order[i]] = uint32_t(i);
        return;
    }
    // Tiles sweep in from their side, column by column (row by row for
    // vertical directions), each line of tiles in reading order.
    const int d = params_.code - kFxTileFirst;
    for (int gy = 0; gy < rows_; ++gy) {
        for (int gx = 0; gx < cols_; ++gx) {
            uint32_t r = 0;
            if (d == kFromRight) r = uint32_t((cols_ - 1 - gx) * rows_ + gy);
            else if (d == kFromLeft) r = uint32_t(gx * rows_ + gy);
            else if (d == kFromBottom) r = uint32_t((rows_ - 1 - gy) * cols_ + gx);
            else r = uint32_t(gy * cols_ + gx);
            rank_[size_t(gy) * size_t(cols_) + size_t(gx)] = r;
        }
    }
}

void Transition::drawFrame(int progress, Bitmap& out) {
    if (out.width() != width_ || out.height() != height_ || out.depth() != 24) out = Bitmap(width_, height_, 24);
    if (width_ == 0 || height_ == 0) return;
    progress = std::clamp(progress, 0, kProgressOne);
    const int code = params_.code;
    if (progress == 0 || progress == kProgressOne || code == kFxNone) {
        const Bitmap& src = progress == 0 ? a_ : b_;
        std::memcpy(out.bits(), src.bits(), src.byteSize());
        return;
    }
    if (code >= kFxWipeFirst && code <= kFxWipeFirst + 3) {
        wipeRect(0, 0, width_, height_, code - kFxWipeFirst, params_.variant & 3, progress, out);
    } else if (code >= kFxCurtainFirst && code <= kFxCurtainFirst + 3) {
        drawCurtains(progress, out);
    } else if (code >= kFxMosaic && code <= kFxTileFirst + 3) {
        drawCells(progress, out);
    } else if (code == kFxBlurIntro) {
        drawBlur(progress, out);
    } else if (code == kFxImplode || code == kFxExplode) {
        drawShape(progress, out);
    } else if (code >= kFxBlindFirst && code <= kFxBlindFirst + 3) {
        drawBlinds(progress, out);
    } else {
        std::memcpy(out.bits(), b_.bits(), b_.byteSize());
    }
}

// B comes in from `direction` over the rectangle; it moves in the Scroll kinds,
// A moves out in the PUSH and PULL kinds, and nothing moves in "Reveal, Over".
void Transition::wipeRect(int x0, int y0, int w, int h, int direction, int kind, int progress,
                          Bitmap& out) const {
    const bool bMoves = kind == kScrollPush || kind == kScrollOver;
    const bool aMoves = kind == kScrollPush || kind == kRevealPull;
    if (direction == kFromLeft || direction == kFromRight) {
        std::vector<Run> runs;
        AddWipeRuns(runs, x0, w, direction, kind, progress);
        applyRuns(runs, y0, y0 + h, out);
        return;
    }
    const int s = Part(h, progress);
    for (int i = 0; i < h; ++i) {
        const int y = y0 + i;
        if (direction == kFromTop) {
            if (i < s) CopyRun(out, y, x0, b_, bMoves ? y + h - s : y, x0, w);
            else CopyRun(out, y, x0, a_, aMoves ? y - s : y, x0, w);
        } else {
            if (i >= h - s) CopyRun(out, y, x0, b_, bMoves ? y - (h - s) : y, x0, w);
            else CopyRun(out, y, x0, a_, aMoves ? y + s : y, x0, w);
        }
    }
}

void Transition::AddWipeRuns(std::vector<Run>& runs, int x0, int w, int direction, int kind, int progress) {
    const bool bMoves = kind == kScrollPush || kind == kScrollOver;
    const bool aMoves = kind == kScrollPush || kind == kRevealPull;
    const int s = Part(w, progress);
    if (direction == kFromLeft) {
        if (s > 0) runs.push_back({x0, s, bMoves ? x0 + w - s : x0, true});
        if (w > s) runs.push_back({x0 + s, w - s, aMoves ? x0 : x0 + s, false});
    } else {
        if (w > s) runs.push_back({x0, w - s, aMoves ? x0 + s : x0, false});
        if (s > 0) runs.push_back({x0 + w - s, s, bMoves ? x0 : x0 + w - s, true});
    }
}

void Transition::applyRuns(const std::vector<Run>& runs, int y0, int y1, Bitmap& out) const {
    for (int y = y0; y < y1; ++y) {
        uint8_t* dst = out.scanLine(y);
        const uint8_t* rowA = a_.scanLine(y);
        const uint8_t* rowB = b_.scanLine(y);
        for (const Run& r : runs) CopyPixels(dst + size_t(r.x) * 3, (r.fromB ? rowB : rowA) + size_t(r.srcX) * 3, r.width);
    }
}

void Transition::drawCurtains(int progress, Bitmap& out) const {
    const int c = params_.code - kFxCurtainFirst;
    const int kind = params_.variant & 3;
    if (c == kOutVert || c == kInVert) {
        const int half = width_ / 2;
        wipeRect(0, 0, half, height_, c == kOutVert ? kFromRight : kFromLeft, kind, progress, out);
        wipeRect(half, 0, width_ - half, height_, c == kOutVert ? kFromLeft : kFromRight, kind, progress, out);
    } else {
        const int half = height_ / 2;
        wipeRect(0, 0, width_, half, c == kOutHorz ? kFromBottom : kFromTop, kind, progress, out);
        wipeRect(0, half, width_, height_ - half, c == kOutHorz ? kFromTop : kFromBottom, kind, progress, out);
    }
}

// Strips of n div 65536 pixels across the direction of travel, each wiped alike.
void Transition::drawBlinds(int progress, Bitmap& out) {
    const int d = params_.code - kFxBlindFirst;
    const int kind = params_.variant & 3;
    const bool across = d == kFromLeft || d == kFromRight;
    const int length = across ? width_ : height_;
    const int strip = std::clamp(params_.n / 65536, 1, std::max(length, 1));
    if (across) {
        // Every row takes the same columns: the runs are worked out once.
        runs_.clear();
        for (int start = 0; start < length; start += strip)
            AddWipeRuns(runs_, start, std::min(strip, length - start), d, kind, progress);
        applyRuns(runs_, 0, height_, out);
        return;
    }
    for (int start = 0; start < length; start += strip)
        wipeRect(0, start, width_, std::min(strip, length - start), d, kind, progress, out);
}

void Transition::drawCells(int progress, Bitmap& out) {
    const uint64_t cells = uint64_t(cols_) * uint64_t(rows_);
    const uint32_t shown = uint32_t(cells * uint64_t(progress) / kProgressOne);
    for (int gy = 0; gy < rows_; ++gy) {
        // Neighbouring cells from the same picture make one run.
        runs_.clear();
        const uint32_t* rank = rank_.data() + size_t(gy) * size_t(cols_);
        for (int gx = 0; gx < cols_; ++gx) {
            const bool fromB = rank[gx] < shown;
            const int x = gx * cellW_;
            const int w = std::min(cellW_, width_ - x);
            if (!runs_.empty() && runs_.back().fromB == fromB) runs_.back().width += w;
            else runs_.push_back({x, w, x, fromB});
        }
        applyRuns(runs_, gy * cellH_, std::min(height_, (gy + 1) * cellH_), out);
    }
}

// Explode: B inside a shape growing from the centre; implode: A inside a shape
// shrinking to it. The ellipse reaches the corners when it is full size.
void Transition::drawShape(int progress, Bitmap& out) const {
    const bool explode = params_.code == kFxExplode;
    const double f = explode ? double(progress) / kProgressOne : 1.0 - double(progress) / kProgressOne;
    const Bitmap& inner = explode ? b_ : a_;
    const Bitmap& outer = explode ? a_ : b_;
    const double cx = width_ / 2.0, cy = height_ / 2.0;
    const int shape = params_.variant;
    const double scale = shape == kShapeEllipse ? std::sqrt(2.0) * f : f;
    const double hx = cx * scale, hy = cy * scale;
    const double radius = shape == kShapeRoundedRectangle ? std::min(hx, hy) / 4 : 0.0;
    for (int y = 0; y < height_; ++y) {
        const double dy = std::abs(y + 0.5 - cy);
        double half = -1;
        if (dy < hy) {
            if (shape == kShapeEllipse) {
                const double r = dy / hy;
                half = hx * std::sqrt(1 - r * r);
            } else {
                half = hx;
                const double intoCorner = dy - (hy - radius);
                if (radius > 0 && intoCorner > 0)
                    half = hx - radius + std::sqrt(std::max(0.0, radius * radius - intoCorner * intoCorner));
            }
        }
        int x0 = 0, x1 = 0;
        if (half > 0) {
            x0 = std::clamp(int(std::ceil(cx - half - 0.5)), 0, width_);
            x1 = std::clamp(int(std::ceil(cx + half - 0.5)), x0, width_);
        }
        CopyRun(out, y, 0, outer, y, 0, x0);
        CopyRun(out, y, x0, inner, y, x0, x1 - x0);
        CopyRun(out, y, x1, outer, y, x1, width_ - x1);
    }
}

namespace {

// Box blur of radius r, edges repeated; sums divided by a multiply and shift,
// exact for every sum a box of these sizes can make.
void BoxBlur(const Bitmap& src, int radius, Bitmap& scratch, Bitmap& dst, std::vector<uint32_t>& sums) {
    const int w = src.width(), h = src.height();
    if (scratch.width() != w || scratch.height() != h) scratch = Bitmap(w, h, 24);
    if (dst.width() != w || dst.height() != h) dst = Bitmap(w, h, 24);
    const uint32_t span = uint32_t(2 * radius + 1);
    const uint64_t m = ((uint64_t(1) << 40) + span - 1) / span;
    auto div = [m](uint32_t sum) { return uint8_t((uint64_t(sum) * m) >> 40); };
    ParallelRows(w, h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            const uint8_t* in = src.scanLine(y);
            uint8_t* o = scratch.scanLine(y);
            uint32_t s0 = 0, s1 = 0, s2 = 0;
            for (int k = -radius; k <= radius; ++k) {
                const int x = std::clamp(k, 0, w - 1) * 3;
                s0 += in[x], s1 += in[x + 1], s2 += in[x + 2];
            }
            for (int x = 0; x < w; ++x) {
                o[3 * x] = div(s0), o[3 * x + 1] = div(s1), o[3 * x + 2] = div(s2);
                const int add = std::min(x + radius + 1, w - 1) * 3, sub = std::max(x - radius, 0) * 3;
                s0 += in[add] - in[sub], s1 += in[add + 1] - in[sub + 1], s2 += in[add + 2] - in[sub + 2];
            }
        }
    });
    // Vertical pass: one running sum per byte of a row, the row split between workers.
    const int rowBytes = w * 3;
    sums.assign(size_t(rowBytes), 0);
    ParallelRows(h, rowBytes, [&](int i0, int i1) {
        uint32_t* sum = sums.data();
        for (int k = -radius; k <= radius; ++k) {
            const uint8_t* row = scratch.scanLine(std::clamp(k, 0, h - 1));
            for (int i = i0; i < i1; ++i) sum[i] += row[i];
        }
        for (int y = 0; y < h; ++y) {
            uint8_t* o = dst.scanLine(y);
            for (int i = i0; i < i1; ++i) o[i] = div(sum[i]);
            const uint8_t* add = scratch.scanLine(std::min(y + radius + 1, h - 1));
            const uint8_t* sub = scratch.scanLine(std::max(y - radius, 0));
            for (int i = i0; i < i1; ++i) sum[i] += uint32_t(add[i]) - sub[i];
        }
    });
}

// The mean of each f × f block (fewer at the right and bottom edges).
Bitmap Shrink(const Bitmap& src, int f) {
    const int w = (src.width() + f - 1) / f, h = (src.height() + f - 1) / f;
    Bitmap out(w, h, 24);
    for (int y = 0; y < h; ++y) {
        uint8_t* o = out.scanLine(y);
        const int sy1 = std::min(src.height(), (y + 1) * f);
        for (int x = 0; x < w; ++x) {
            const int sx1 = std::min(src.width(), (x + 1) * f);
            uint32_t sum[3] = {0, 0, 0}, count = 0;
            for (int sy = y * f; sy < sy1; ++sy) {
                const uint8_t* in = src.scanLine(sy);
                for (int sx = x * f; sx < sx1; ++sx, ++count)
                    for (int c = 0; c < 3; ++c) sum[c] += in[3 * sx + c];
            }
            for (int c = 0; c < 3; ++c) o[3 * x + c] = uint8_t(sum[c] / count);
        }
    }
    return out;
}

}  // namespace

// B comes into focus: a box blur whose radius falls to nothing, from a
// twenty-fourth of the smaller side. Wide radii blur a reduced copy and draw
// it enlarged: the picture is blurred anyway, and the frame stays cheap.
void Transition::drawBlur(int progress, Bitmap& out) {
    const int maxRadius = std::max(1, std::min(width_, height_) / 24);
    const int radius = int((int64_t(maxRadius) * (kProgressOne - progress) + kProgressOne - 1) / kProgressOne);
    const int f = radius >= 8 ? 4 : radius >= 2 ? 2 : 1;
    if (f == 1) {
        BoxBlur(b_, radius, scratch_, out, sums_);
        return;
    }
    Bitmap& small = f == 2 ? shrunk2_ : shrunk4_;
    if (small.isEmpty()) small = Shrink(b_, f);
    BoxBlur(small, radius / f, scratch_, blurred_, sums_);
    const size_t rowBytes = size_t(width_) * 3;
    for (int y = 0; y < height_; ++y) {
        uint8_t* o = out.scanLine(y);
        if (y % f != 0) {
            std::memcpy(o, out.scanLine(y - 1), rowBytes);
            continue;
        }
        const uint8_t* in = blurred_.scanLine(y / f);
        for (int x = 0; x < width_; ++x) {
            const uint8_t* p = in + 3 * (x / f);
            o[3 * x] = p[0], o[3 * x + 1] = p[1], o[3 * x + 2] = p[2];
        }
    }
}

bool ImgDrawImageFX(const Bitmap& to, Bitmap& target, const EffectRecord& params, int frames,
                    const TransitionProgress& progress) {
    const Bitmap from = target;
    Transition transition(from, to, params);
    frames = std::max(frames, 1);
    const bool callback = params.p3 != kNoCallback && progress;
    // The same pacing as TransitionDurationMs: a pause of p2 ms every p3 + 1
    // steps; the steps between still ask whether to stop.
    const int every = params.p3 + 1;
    for (int i = 1; i <= frames; ++i) {
        transition.drawFrame(int(int64_t(kProgressOne) * i / frames), target);
        if (callback && i < frames && progress(i % every == 0 ? params.p2 : 0)) return false;
    }
    return true;
}

}  // namespace vimbra
