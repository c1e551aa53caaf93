#include "imagefiles/pixel_convert.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace vimbra {

void UnpackIndices(const uint8_t* src, int bits, uint8_t* dst, size_t count) {
    switch (bits) {
    case 8: std::memcpy(dst, src, count); return;
    case 4:
        for (size_t x = 0; x + 1 < count; x += 2) {
            const uint8_t b = src[x >> 1];
            dst[x] = b >> 4;
            dst[x + 1] = b & 0x0F;
        }
        if (count & 1) dst[count - 1] = src[count >> 1] >> 4;
        return;
    default: {
        const int perByte = 8 / bits;
        const uint8_t mask = uint8_t((1 << bits) - 1);
        for (size_t x = 0; x < count; ++x) {
            const int shift = 8 - bits * (int(x % perByte) + 1);
            dst[x] = (src[x / perByte] >> shift) & mask;
        }
    }
    }
}

void PackIndices(const uint8_t* src, int bits, uint8_t* dst, size_t count) {
    if (bits == 8) {
        std::memcpy(dst, src, count);
        return;
    }
    const int perByte = 8 / bits;
    const uint8_t mask = uint8_t((1 << bits) - 1);
    const size_t bytes = (count * size_t(bits) + 7) / 8;
    std::memset(dst, 0, bytes);
    for (size_t x = 0; x < count; ++x) {
        const int shift = 8 - bits * (int(x % perByte) + 1);
        dst[x / perByte] |= uint8_t((src[x] & mask) << shift);
    }
}

void RepackSamples(const uint8_t* src, int inBits, uint8_t* dst, int outBits, size_t count) {
    if (inBits == outBits) {
        std::memcpy(dst, src, (count * size_t(inBits) + 7) / 8);
        return;
    }
    const unsigned inMax = (1u << inBits) - 1, outMax = (1u << outBits) - 1;
    uint8_t lut[256];
    for (unsigned v = 0; v <= inMax; ++v) lut[v] = uint8_t(v * outMax / inMax);
    // A row is at most Bitmap::kMaxSide pixels; convert in chunks on the stack.
    uint8_t buf[1024];
    for (size_t done = 0; done < count;) {
        const size_t n = std::min(count - done, sizeof buf);
        const size_t inOff = done * size_t(inBits) / 8, outOff = done * size_t(outBits) / 8;
        UnpackIndices(src + inOff, inBits, buf, n);
        for (size_t i = 0; i < n; ++i) buf[i] = lut[buf[i]];
        PackIndices(buf, outBits, dst + outOff, n);
        done += n;
    }
}

void BitPlanesToIndices(const uint8_t* const* planes, int planeCount, uint8_t* dst,
                        size_t count) {
    std::memset(dst, 0, count);
    for (int p = 0; p < planeCount; ++p) {
        const uint8_t* plane = planes[p];
        for (size_t x = 0; x < count; ++x)
            dst[x] |= uint8_t(((plane[x >> 3] >> (7 - (x & 7))) & 1) << p);
    }
}

void ExpandIndicesToBgr(const uint8_t* src, int bits, const std::vector<PaletteEntry>& palette,
                        uint8_t* dst, size_t count) {
    // Full 256-entry table so out-of-range indices need no branch per pixel.
    uint8_t table[256][3] = {};
    const size_t n = std::min<size_t>(palette.size(), 256);
    for (size_t i = 0; i < n; ++i) {
        table[i][0] = palette[i].blue;
        table[i][1] = palette[i].green;
        table[i][2] = palette[i].red;
    }
    const int perByte = 8 / bits;
    const unsigned mask = (1u << bits) - 1;
    for (size_t x = 0; x < count; ++x, dst += 3) {
        const unsigned idx =
            bits == 8 ? src[x]
                      : (src[x / perByte] >> (8 - bits * (int(x % perByte) + 1))) & mask;
        std::memcpy(dst, table[idx], 3);
    }
}

std::vector<PaletteEntry> MakeGreyPalette(int bits, bool minIsWhite) {
    const int n = 1 << std::min(bits, 8);
    const int step = n > 1 ? 255 / (n - 1) : 0;
    std::vector<PaletteEntry> pal(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const uint8_t v = uint8_t(minIsWhite ? 255 - i * step : i * step);
        pal[size_t(i)] = PaletteEntry{v, v, v, 0};
    }
    return pal;
}

void Rgb555ToBgr(const uint8_t* src, uint8_t* dst, size_t count) {
    for (size_t x = 0; x < count; ++x, src += 2, dst += 3) {
        const unsigned v = unsigned(src[0]) | unsigned(src[1]) << 8;
        dst[0] = uint8_t((v & 0x1F) << 3);
        dst[1] = uint8_t(((v >> 5) & 0x1F) << 3);
        dst[2] = uint8_t(((v >> 10) & 0x1F) << 3);
    }
}

void BgrxToBgr(const uint8_t* src, uint8_t* dst, size_t count) {
    for (size_t x = 0; x < count; ++x, src += 4, dst += 3) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
    }
}

void BgrToRgb555(const uint8_t* src, uint8_t* dst, size_t count) {
    for (size_t x = 0; x < count; ++x, src += 3, dst += 2) {
        const unsigned v = unsigned(src[0] >> 3) | unsigned(src[1] >> 3) << 5 |
                           unsigned(src[2] >> 3) << 10;
        dst[0] = uint8_t(v);
        dst[1] = uint8_t(v >> 8);
    }
}

void BgrToBgrx(const uint8_t* src, uint8_t* dst, size_t count, uint8_t fourth) {
    for (size_t x = 0; x < count; ++x, src += 3, dst += 4) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
        dst[3] = fourth;
    }
}

void SwapRedBlue(const uint8_t* src, uint8_t* dst, size_t count) {
    for (size_t x = 0; x < count; ++x, src += 3, dst += 3) {
        const uint8_t first = src[0];
        dst[1] = src[1];
        dst[0] = src[2];
        dst[2] = first;
    }
}

void PlanesToBgr(const uint8_t* red, const uint8_t* green, const uint8_t* blue, uint8_t* dst,
                 size_t count) {
    for (size_t x = 0; x < count; ++x, dst += 3) {
        dst[0] = blue[x];
        dst[1] = green[x];
        dst[2] = red[x];
    }
}

void BgrToPlanes(const uint8_t* src, uint8_t* red, uint8_t* green, uint8_t* blue, size_t count) {
    for (size_t x = 0; x < count; ++x, src += 3) {
        blue[x] = src[0];
        green[x] = src[1];
        red[x] = src[2];
    }
}

void Samples16To8(const uint8_t* src, bool bigEndian, uint8_t* dst, size_t count) {
    for (size_t i = 0; i < count; ++i, src += 2) {
        const unsigned v = bigEndian ? unsigned(src[0]) << 8 | src[1]
                                     : unsigned(src[1]) << 8 | src[0];
        dst[i] = uint8_t(v * 255 / 65535);
    }
}

void CmykToBgr(const uint8_t* src, uint8_t* dst, size_t count) {
    auto channel = [](int c, int k) {
        return uint8_t(std::clamp(c * k / 255 - k - c + 255, 0, 255));
    };
    for (size_t x = 0; x < count; ++x, src += 4, dst += 3) {
        const int k = src[3];
        dst[0] = channel(src[2], k);
        dst[1] = channel(src[1], k);
        dst[2] = channel(src[0], k);
    }
}

namespace {
void Describe(uint32_t mask, uint32_t& outMask, int& shift, int& bits) {
    outMask = mask;
    shift = mask ? std::countr_zero(mask) : 0;
    bits = mask ? std::bit_width(mask >> shift) : 0;
}
}  // namespace

BitfieldLayout::BitfieldLayout(uint32_t redMask, uint32_t greenMask, uint32_t blueMask) {
    Describe(redMask, red_.mask, red_.shift, red_.bits);
    Describe(greenMask, green_.mask, green_.shift, green_.bits);
    Describe(blueMask, blue_.mask, blue_.shift, blue_.bits);
}

inline uint8_t BitfieldLayout::Field::scale(uint32_t pixel) const {
    if (bits == 0) return 0;
    uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return uint8_t(v >> (bits - 8));
    v <<= 8 - bits;
    for (int filled = bits; filled < 8; filled *= 2) v |= v >> filled;
    return uint8_t(v);
}

void BitfieldLayout::toBgr(const uint8_t* src, int bytesPerPixel, uint8_t* dst,
                           size_t count) const {
    for (size_t x = 0; x < count; ++x, src += bytesPerPixel, dst += 3) {
        uint32_t p = uint32_t(src[0]) | uint32_t(src[1]) << 8;
        if (bytesPerPixel == 4) p |= uint32_t(src[2]) << 16 | uint32_t(src[3]) << 24;
        dst[0] = blue_.scale(p);
        dst[1] = green_.scale(p);
        dst[2] = red_.scale(p);
    }
}

}  // namespace vimbra
