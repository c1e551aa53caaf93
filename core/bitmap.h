#pragma once
// The picture held in memory: width × height pixels of depth 1, 4, 8 or 24 bits.
// Rows are stored top-down, each padded to a multiple of 4 bytes, so a 24-bit
// bitmap can be handed to QImage::Format_BGR888 without copying.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vimbra {

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
    std::vector<uint8_t> pixels_;
    std::vector<PaletteEntry> palette_;
};

// Number of bytes a pixel of a 24-bit bitmap takes.
inline constexpr int kBytesPerPixel = 3;

}  // namespace vimbra
