#pragma once
// Row converters between the sample layouts files use and the Bitmap layouts
// (1/4/8-bit palette indices, 24-bit blue-green-red). Each routine converts one
// row of `count` pixels; callers own both buffers and size them.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/bitmap.h"

namespace vimbra {

// --- indices and bit packing (1, 2, 4 or 8 bits, leftmost pixel in the high bits)

// One palette index per output byte.
void UnpackIndices(const uint8_t* src, int bits, uint8_t* dst, size_t count);
// The reverse: one index per input byte, masked to `bits`.
void PackIndices(const uint8_t* src, int bits, uint8_t* dst, size_t count);
// Repacks samples from inBits to outBits, scaling each by out max ÷ in max;
// a plain byte copy when the depths agree.
void RepackSamples(const uint8_t* src, int inBits, uint8_t* dst, int outBits, size_t count);
// Combines `planeCount` (1..8) bit planes into one index per output byte; plane i
// gives bit i of the index.
void BitPlanesToIndices(const uint8_t* const* planes, int planeCount, uint8_t* dst,
                        size_t count);

// --- palette expansion

// Palette indices of `bits` to blue-green-red; indices past the palette give black.
void ExpandIndicesToBgr(const uint8_t* src, int bits, const std::vector<PaletteEntry>& palette,
                        uint8_t* dst, size_t count);
// 2^bits grey entries spaced 255 ÷ (entries − 1) apart, ascending from black
// or, when minIsWhite, descending from white.
std::vector<PaletteEntry> MakeGreyPalette(int bits, bool minIsWhite = false);

// --- direct colour to 24-bit blue-green-red

// Little-endian 16-bit x-5-5-5 pixels; each field shifted up by 3 bits.
void Rgb555ToBgr(const uint8_t* src, uint8_t* dst, size_t count);
// Blue, green, red, X: the fourth byte is dropped.
void BgrxToBgr(const uint8_t* src, uint8_t* dst, size_t count);

// --- 24-bit blue-green-red to file layouts

// Little-endian x-5-5-5 keeping the top 5 bits of each channel.
void BgrToRgb555(const uint8_t* src, uint8_t* dst, size_t count);
// Adds `fourth` (e.g. an opaque alpha) after every pixel.
void BgrToBgrx(const uint8_t* src, uint8_t* dst, size_t count, uint8_t fourth);
// Swaps the first and third byte of every pixel; src may equal dst.
void SwapRedBlue(const uint8_t* src, uint8_t* dst, size_t count);
// Three separate planes (red, green, blue) to interleaved blue-green-red, and back.
void PlanesToBgr(const uint8_t* red, const uint8_t* green, const uint8_t* blue, uint8_t* dst,
                 size_t count);
void BgrToPlanes(const uint8_t* src, uint8_t* red, uint8_t* green, uint8_t* blue, size_t count);
// 16-bit samples to 8 bits (v × 255 ÷ 65535), optionally big-endian.
void Samples16To8(const uint8_t* src, bool bigEndian, uint8_t* dst, size_t count);
// Interleaved 8-bit C, M, Y, K ink amounts (0 none, 255 full) to
// blue-green-red: channel = clamp(C × K ÷ 255 − K − C + 255).
void CmykToBgr(const uint8_t* src, uint8_t* dst, size_t count);

// Pixels of 2 or 4 little-endian bytes whose channels sit under bit masks.
// Each field is scaled to 8 bits by bit replication (so all-ones gives 255).
class BitfieldLayout {
public:
    BitfieldLayout(uint32_t redMask, uint32_t greenMask, uint32_t blueMask);
    void toBgr(const uint8_t* src, int bytesPerPixel, uint8_t* dst, size_t count) const;

private:
    struct Field {
        uint32_t mask = 0;
        int shift = 0, bits = 0;
        uint8_t scale(uint32_t pixel) const;
    };
    Field red_, green_, blue_;
};

}  // namespace vimbra
