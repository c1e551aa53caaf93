#pragma once
// The picture held in memory: width × height pixels of depth 1, 4, 8 or 24 bits.
// Rows are stored top-down, each padded to a multiple of 4 bytes, so a 24-bit
// bitmap can be handed to QImage::Format_BGR888 without copying.
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace vimbra {

namespace bitmap_detail {
// Zeroed storage from calloc: large blocks come straight from the kernel,
// already zero, so no pass over them is needed, and they are advised onto
// huge pages, which saves most of the page faults a first write costs.
void* AllocateZeroed(size_t bytes);
void ReleaseZeroed(void* p) noexcept;

// Elements are left as allocated (zero) instead of being written again.
template <typename T>
struct ZeroedAllocator {
    using value_type = T;
    ZeroedAllocator() = default;
    template <typename U>
    ZeroedAllocator(const ZeroedAllocator<U>&) noexcept {}
    T* allocate(size_t n) { return static_cast<T*>(AllocateZeroed(n * sizeof(T))); }
    void deallocate(T* p, size_t) noexcept { ReleaseZeroed(p); }
    template <typename U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(static_cast<Args&&>(args)...);
    }
    template <typename U>
    bool operator==(const ZeroedAllocator<U>&) const noexcept {
        return true;
    }
};
}  // namespace bitmap_detail

struct PaletteEntry {
    uint8_t red = 0, green = 0, blue = 0, flags = 0;
    bool operator==(const PaletteEntry&) const = default;
};

class Bitmap {
public:
    // Largest side and pixel count we ever allocate; readers check against these.
    // The pixel cap keeps a 24-bit working picture within 1 GiB.
    static constexpr int kMaxSide = 30000;
    static constexpr int64_t kMaxPixels = (int64_t(1) << 30) / 3;

    Bitmap() = default;
    // Zero-filled bitmap. Throws std::invalid_argument for a bad depth or size,
    // std::bad_alloc when memory runs out.
    Bitmap(int width, int height, int depth = 24);

    int width() const { return width_; }
    int height() const { return height_; }
    int depth() const { return depth_; }
    bool isEmpty() const { return width_ == 0 || height_ == 0; }
    size_t stride() const { return stride_; }
    size_t byteSize() const { return pixels_.size(); }

    // Row y, 0 being the top row.
    uint8_t* scanLine(int y) { return pixels_.data() + size_t(y) * stride_; }
    const uint8_t* scanLine(int y) const { return pixels_.data() + size_t(y) * stride_; }
    uint8_t* bits() { return pixels_.data(); }
    const uint8_t* bits() const { return pixels_.data(); }

    std::vector<PaletteEntry>& palette() { return palette_; }
    const std::vector<PaletteEntry>& palette() const { return palette_; }

    // Releases the pixels and the palette; the bitmap becomes 0 × 0.
    void clear();

    // Palette index of pixel x in row y for depths 1, 4 and 8.
    int paletteIndex(int x, int y) const;

    // Converts a 1-, 4- or 8-bit bitmap to 24 bits through its palette; a missing
    // palette entry reads as black. Does nothing on a 24-bit bitmap.
    void convertTo24();

    static size_t strideFor(int width, int depth);

    // True when the palette is the ascending grey ramp of the depth
    // (black..white), i.e. a grey picture rather than a colour-mapped one.
    bool hasGreyPalette() const;

    // Pixels per inch as recorded in the file (0: unknown). Not compared by ==.
    int xDotsPerInch = 0, yDotsPerInch = 0;

    bool operator==(const Bitmap& other) const;

private:
    int width_ = 0, height_ = 0, depth_ = 24;
    size_t stride_ = 0;
    // Only ever sized once, on fresh storage, so every byte starts at zero.
    std::vector<uint8_t, bitmap_detail::ZeroedAllocator<uint8_t>> pixels_;
    std::vector<PaletteEntry> palette_;
};

// Number of bytes a pixel of a 24-bit bitmap takes.
inline constexpr int kBytesPerPixel = 3;

}  // namespace vimbra
