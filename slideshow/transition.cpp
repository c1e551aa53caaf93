#include "slideshow/transition.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <stdexcept>

namespace vimbra {
namespace {

inline void CopyRun(Bitmap& out, int y, int x, const Bitmap& src, int sy, int sx, int count) {
    if (count <= 0) return;
    std::memcpy(out.scanLine(y) + size_t(x) * 3, src.scanLine(sy) + size_t(sx) * 3, size_t(count) * 3);
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
        const int s = Part(w, progress);
        for (int y = y0; y < y0 + h; ++y) {
            if (direction == kFromLeft) {
                CopyRun(out, y, x0, b_, y, bMoves ? x0 + w - s : x0, s);
                CopyRun(out, y, x0 + s, a_, y, aMoves ? x0 : x0 + s, w - s);
            } else {
                CopyRun(out, y, x0 + w - s, b_, y, bMoves ? x0 : x0 + w - s, s);
                CopyRun(out, y, x0, a_, y, aMoves ? x0 + s : x0, w - s);
            }
        }
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
void Transition::drawBlinds(int progress, Bitmap& out) const {
    const int d = params_.code - kFxBlindFirst;
    const int kind = params_.variant & 3;
    const bool across = d == kFromLeft || d == kFromRight;
    const int length = across ? width_ : height_;
    const int strip = std::clamp(params_.n / 65536, 1, std::max(length, 1));
    for (int start = 0; start < length; start += strip) {
        const int size = std::min(strip, length - start);
        if (across) wipeRect(start, 0, size, height_, d, kind, progress, out);
        else wipeRect(0, start, width_, size, d, kind, progress, out);
    }
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
            else runs_.push_back({x, w, fromB});
        }
        const int y1 = std::min(height_, (gy + 1) * cellH_);
        for (int y = gy * cellH_; y < y1; ++y)
            for (const Run& r : runs_) CopyRun(out, y, r.x, r.fromB ? b_ : a_, y, r.x, r.width);
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

// B comes into focus: a box blur whose radius falls to nothing, from a
// twenty-fourth of the smaller side.
void Transition::drawBlur(int progress, Bitmap& out) {
    const int maxRadius = std::max(1, std::min(width_, height_) / 24);
    const int radius = int((int64_t(maxRadius) * (kProgressOne - progress) + kProgressOne - 1) / kProgressOne);
    if (scratch_.width() != width_ || scratch_.height() != height_) scratch_ = Bitmap(width_, height_, 24);
    const int span = 2 * radius + 1;
    const int w = width_, h = height_;
    // Horizontal pass into scratch_, edges repeated.
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = b_.scanLine(y);
        uint8_t* dst = scratch_.scanLine(y);
        uint32_t s0 = 0, s1 = 0, s2 = 0;
        for (int k = -radius; k <= radius; ++k) {
            const int x = std::clamp(k, 0, w - 1) * 3;
            s0 += src[x], s1 += src[x + 1], s2 += src[x + 2];
        }
        for (int x = 0; x < w; ++x) {
            dst[3 * x] = uint8_t(s0 / span), dst[3 * x + 1] = uint8_t(s1 / span), dst[3 * x + 2] = uint8_t(s2 / span);
            const int add = std::min(x + radius + 1, w - 1) * 3, sub = std::max(x - radius, 0) * 3;
            s0 += src[add] - src[sub], s1 += src[add + 1] - src[sub + 1], s2 += src[add + 2] - src[sub + 2];
        }
    }
    // Vertical pass with one running sum per byte of a row.
    const size_t rowBytes = size_t(w) * 3;
    sums_.assign(rowBytes, 0);
    for (int k = -radius; k <= radius; ++k) {
        const uint8_t* row = scratch_.scanLine(std::clamp(k, 0, h - 1));
        for (size_t i = 0; i < rowBytes; ++i) sums_[i] += row[i];
    }
    for (int y = 0; y < h; ++y) {
        uint8_t* dst = out.scanLine(y);
        for (size_t i = 0; i < rowBytes; ++i) dst[i] = uint8_t(sums_[i] / uint32_t(span));
        const uint8_t* add = scratch_.scanLine(std::min(y + radius + 1, h - 1));
        const uint8_t* sub = scratch_.scanLine(std::max(y - radius, 0));
        for (size_t i = 0; i < rowBytes; ++i) sums_[i] += uint32_t(add[i]) - sub[i];
    }
}

bool ImgDrawImageFX(const Bitmap& to, Bitmap& target, const EffectRecord& params, int frames,
                    const TransitionProgress& progress) {
    const Bitmap from = target;
    Transition transition(from, to, params);
    frames = std::max(frames, 1);
    const bool callback = params.p3 != kNoCallback && progress;
    for (int i = 1; i <= frames; ++i) {
        transition.drawFrame(int(int64_t(kProgressOne) * i / frames), target);
        if (callback && i < frames && progress(params.p3)) return false;
    }
    return true;
}

}  // namespace vimbra
