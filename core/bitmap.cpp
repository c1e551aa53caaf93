#include "core/bitmap.h"

#include <sys/mman.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace vimbra {

namespace bitmap_detail {

void* AllocateZeroed(size_t bytes) {
    void* p = std::calloc(bytes ? bytes : 1, 1);
    if (!p) throw std::bad_alloc();
    constexpr size_t kHugePage = size_t(2) << 20;
    if (bytes >= 4 * kHugePage) {
        // Only whole huge pages inside the block; the advice is a hint and
        // may be refused.
        const uintptr_t start = (uintptr_t(p) + kHugePage - 1) & ~(kHugePage - 1);
        const uintptr_t end = (uintptr_t(p) + bytes) & ~(kHugePage - 1);
        if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
    }
    return p;
}

void ReleaseZeroed(void* p) noexcept { std::free(p); }

}  // namespace bitmap_detail

size_t Bitmap::strideFor(int width, int depth) {
    return ((size_t(width) * size_t(depth) + 31) / 32) * 4;
}

Bitmap::Bitmap(int width, int height, int depth) {
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24)
        throw std::invalid_argument("Unsupported bit depth " + std::to_string(depth) + ".");
    if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide ||
        int64_t(width) * height > kMaxPixels)
        throw std::invalid_argument("Picture size " + std::to_string(width) + " x " +
                                    std::to_string(height) + " is out of range.");
    width_ = width;
    height_ = height;
    depth_ = depth;
    stride_ = strideFor(width, depth);
    pixels_.resize(stride_ * size_t(height));  // zero from the allocator
    if (depth <= 8) palette_.assign(size_t(1) << depth, PaletteEntry{});
}

void Bitmap::clear() {
    decltype(pixels_)().swap(pixels_);
    std::vector<PaletteEntry>().swap(palette_);
    width_ = height_ = 0;
    depth_ = 24;
    stride_ = 0;
}

int Bitmap::paletteIndex(int x, int y) const {
    const uint8_t* row = scanLine(y);
    switch (depth_) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    case 8: return row[x];
    default: return 0;
    }
}

void Bitmap::convertTo24() {
    if (depth_ == 24) return;
    Bitmap out(width_, height_, 24);
    const size_t n = palette_.size();
    for (int y = 0; y < height_; ++y) {
        uint8_t* dst = out.scanLine(y);
        for (int x = 0; x < width_; ++x, dst += 3) {
            const size_t i = size_t(paletteIndex(x, y));
            if (i < n) {
                dst[0] = palette_[i].blue;
                dst[1] = palette_[i].green;
                dst[2] = palette_[i].red;
            }
        }
    }
    *this = std::move(out);
}

bool Bitmap::hasGreyPalette() const {
    if (depth_ > 8 || palette_.size() != (size_t(1) << depth_)) return false;
    const int n = int(palette_.size());
    for (int i = 0; i < n; ++i) {
        const int v = i * 255 / (n - 1);
        const PaletteEntry& e = palette_[size_t(i)];
        if (e.red != v || e.green != v || e.blue != v) return false;
    }
    return true;
}

bool Bitmap::operator==(const Bitmap& other) const {
    return width_ == other.width_ && height_ == other.height_ && depth_ == other.depth_ &&
           pixels_ == other.pixels_ && palette_ == other.palette_;
}

}  // namespace vimbra
