#include "imagefiles/codecs/bmp_codec.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "imagefiles/pixel_convert.h"

namespace vimbra {
namespace {

constexpr const char* kBmp = "Bad BMP file";
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kAlphaBitfields = 6;
// A few bytes of run-length data may legally cover many empty rows; beyond this
// expansion a file is taken as an attempt to make us allocate for nothing.
constexpr uint64_t kMaxRleExpansion = 8192;

struct BmpHeader {
    size_t base = 0;           // where "BM" stands (14 after a bitmap-array header)
    uint32_t offBits = 0;
    uint32_t headerSize = 0;
    int64_t width = 0, height = 0;
    bool topDown = false;
    int bitCount = 0;
    uint32_t compression = kRgb;
    int64_t xPpm = 0, yPpm = 0;
    bool hasResolution = false;
    uint32_t colorsUsed = 0;
    uint32_t masks[3] = {0, 0, 0};
    size_t paletteOffset = 0;  // first colour table entry
    size_t entrySize = 4;
};

[[noreturn]] void Fail(const std::string& what) {
    throw ImageFileError(std::string(kBmp) + ": " + what);
}

BmpHeader ParseHeader(ByteSpan data) {
    ByteReader r(data, kBmp);
    BmpHeader h;
    if (data.size() >= 2 && data[0] == 'B' && data[1] == 'A') h.base = 14;
    r.seek(h.base);
    if (r.u8() != 'B' || r.u8() != 'M') Fail("the \"BM\" signature is missing.");
    r.skip(8);  // file size and reserved words: unreliable in the wild
    h.offBits = r.u32le();
    h.headerSize = r.u32le();
    const uint32_t hs = h.headerSize;
    const bool known = hs == 12 || (hs >= 16 && hs <= 64 && (hs % 4 == 0 || hs == 42 || hs == 46)) ||
                       hs == 108 || hs == 124;
    if (!known) Fail("unsupported information header size " + std::to_string(hs) + ".");
    ByteReader info(r.bytes(hs - 4), kBmp);
    // Short OS/2 2.x headers stop anywhere after the bit count; missing fields are 0.
    auto field = [&](uint32_t end) { return hs >= end ? info.u32le() : 0u; };
    int planes;
    if (hs == 12) {
        h.width = info.u16le();
        h.height = info.u16le();
        planes = info.u16le();
        h.bitCount = info.u16le();
        h.entrySize = 3;
    } else {
        h.width = info.i32le();
        h.height = info.i32le();
        planes = info.u16le();
        h.bitCount = info.u16le();
        h.compression = field(20);
        field(24);  // image size
        h.hasResolution = hs >= 32;
        h.xPpm = int32_t(field(28));
        h.yPpm = int32_t(field(32));
        h.colorsUsed = field(36);
        field(40);  // colours important
        if (hs >= 52) {
            h.masks[0] = info.u32le();
            h.masks[1] = info.u32le();
            h.masks[2] = info.u32le();
        }
    }
    if (h.height < 0) {
        h.topDown = true;
        h.height = -h.height;
    }
    if (h.width <= 0 || h.height == 0) Fail("the picture has no width or height.");
    if (planes != 1) Fail("the plane count must be 1.");
    h.paletteOffset = h.base + 14 + hs;
    const bool maskCompression = h.compression == kBitfields || h.compression == kAlphaBitfields;
    if (maskCompression && hs < 52 && (h.bitCount == 16 || h.bitCount == 32)) {
        // Masks follow a 40-byte header (12 bytes, 16 with alpha).
        r.seek(h.paletteOffset);
        h.masks[0] = r.u32le();
        h.masks[1] = r.u32le();
        h.masks[2] = r.u32le();
        h.paletteOffset += h.compression == kAlphaBitfields ? 16 : 12;
    }
    return h;
}

void CheckFormat(const BmpHeader& h) {
    const int bits = h.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 16 && bits != 32)
        Fail("unsupported bit count " + std::to_string(bits) + ".");
    const uint32_t c = h.compression;
    const bool ok = c == kRgb || (c == kRle8 && bits == 8) || (c == kRle4 && bits == 4) ||
                    ((c == kBitfields || c == kAlphaBitfields) && (bits == 16 || bits == 32));
    if (!ok)
        Fail("unsupported compression " + std::to_string(c) + " at " + std::to_string(bits) +
             " bits.");
}

std::vector<PaletteEntry> ReadPalette(ByteSpan data, const BmpHeader& h) {
    const size_t max = size_t(1) << h.bitCount;
    size_t count = h.colorsUsed == 0 ? max : std::min<size_t>(h.colorsUsed, max);
    // Old headers have no count; the bits offset tells where the table ends.
    if (h.offBits > h.paletteOffset)
        count = std::min(count, (h.offBits - h.paletteOffset) / h.entrySize);
    if (count == 0) Fail("the colour table is missing.");
    ByteReader r(data, kBmp);
    r.seek(h.paletteOffset);
    ByteSpan table = r.bytes(count * h.entrySize);
    std::vector<PaletteEntry> pal(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = table.data() + i * h.entrySize;
        pal[i] = PaletteEntry{e[2], e[1], e[0], 0};
    }
    return pal;
}

size_t DataOffset(const BmpHeader& h, size_t paletteEnd) {
    if (h.offBits == 0) return paletteEnd;
    size_t off = h.offBits;
    // Offsets inside a bitmap array are normally from the file start; accept
    // either reading.
    if (h.base != 0 && off < paletteEnd) off += h.base;
    return off;
}

void SetNibble(uint8_t* row, int x, unsigned v) {
    uint8_t& b = row[x >> 1];
    b = (x & 1) ? uint8_t((b & 0xF0) | v) : uint8_t((b & 0x0F) | v << 4);
}

void DecodeRle(ByteSpan rle, Bitmap& bmp, bool rle4, bool topDown) {
    const int w = bmp.width(), h = bmp.height();
    int x = 0, y = 0;  // y counts rows in file order
    size_t p = 0;
    auto row = [&] { return bmp.scanLine(topDown ? y : h - 1 - y); };
    auto pastEnd = [&] {
        if (y >= h) Fail("run past the end of the picture.");
    };
    while (true) {
        if (rle.size() - p < 2) {
            if (y >= h) return;  // last row ended; a missing end mark is forgiven
            Fail("the file is truncated.");
        }
        const unsigned a = rle[p], b = rle[p + 1];
        p += 2;
        if (a > 0) {
            pastEnd();
            const int n = std::min<int>(int(a), w - x);
            uint8_t* r = row();
            if (!rle4) {
                std::memset(r + x, int(b), size_t(n));
            } else {
                for (int i = 0; i < n; ++i) SetNibble(r, x + i, (i & 1) ? b & 0x0F : b >> 4);
            }
            x = std::min(w, x + int(a));
        } else if (b == 0) {
            x = 0;
            ++y;
        } else if (b == 1) {
            return;
        } else if (b == 2) {
            if (rle.size() - p < 2) Fail("the file is truncated.");
            x = std::min(w, x + rle[p]);
            y += rle[p + 1];
            p += 2;
            if (y > h) Fail("run past the end of the picture.");
        } else {
            const size_t bytes = rle4 ? (b + 1) / 2 : b;
            if (rle.size() - p < bytes) Fail("the file is truncated.");
            pastEnd();
            const int n = std::min<int>(int(b), w - x);
            const uint8_t* src = rle.data() + p;
            uint8_t* r = row();
            if (!rle4) {
                std::memcpy(r + x, src, size_t(std::max(n, 0)));
            } else {
                for (int i = 0; i < n; ++i)
                    SetNibble(r, x + i, (i & 1) ? src[i >> 1] & 0x0F : src[i >> 1] >> 4);
            }
            x = std::min(w, x + int(b));
            p = std::min(rle.size(), p + ((bytes + 1) & ~size_t(1)));
        }
    }
}

// Zeroes the bits past the last pixel so equal pictures compare equal.
void ClearTail(uint8_t* row, int width, int bits) {
    const size_t usedBits = size_t(width) * size_t(bits);
    if (usedBits % 8) row[usedBits / 8] &= uint8_t(0xFF << (8 - usedBits % 8));
}

void DecodeUncompressed(ByteSpan pixels, const BmpHeader& h, Bitmap& bmp) {
    const int w = bmp.width(), rows = bmp.height();
    const size_t fileStride = Bitmap::strideFor(w, h.bitCount);
    const size_t used = (size_t(w) * size_t(h.bitCount) + 7) / 8;
    uint32_t r = h.masks[0], g = h.masks[1], b = h.masks[2];
    if (h.compression == kRgb) {
        r = h.bitCount == 16 ? 0x7C00 : 0xFF0000;
        g = h.bitCount == 16 ? 0x03E0 : 0x00FF00;
        b = h.bitCount == 16 ? 0x001F : 0x0000FF;
    }
    const BitfieldLayout layout(r, g, b);
    for (int fy = 0; fy < rows; ++fy) {
        const uint8_t* src = pixels.data() + size_t(fy) * fileStride;
        uint8_t* dst = bmp.scanLine(h.topDown ? fy : rows - 1 - fy);
        switch (h.bitCount) {
        case 16: layout.toBgr(src, 2, dst, size_t(w)); break;
        case 32:
            if (h.compression == kRgb)
                BgrxToBgr(src, dst, size_t(w));
            else
                layout.toBgr(src, 4, dst, size_t(w));
            break;
        default:
            std::memcpy(dst, src, used);
            ClearTail(dst, w, h.bitCount);
        }
    }
}

}  // namespace

ImageInfo ReadBmpInfo(ByteSpan data) {
    const BmpHeader h = ParseHeader(data);
    return ImageInfo{int(std::min<int64_t>(h.width, INT32_MAX)),
                     int(std::min<int64_t>(h.height, INT32_MAX)), h.bitCount, 1,
                     h.bitCount > 8 ? 24 : h.bitCount};
}

Bitmap DecodeBmp(ByteSpan data, const RasterOptions& options) {
    const BmpHeader h = ParseHeader(data);
    CheckFormat(h);
    std::vector<PaletteEntry> palette;
    size_t paletteEnd = h.paletteOffset;
    if (h.bitCount <= 8) {
        palette = ReadPalette(data, h);
        paletteEnd += palette.size() * h.entrySize;
    }
    const size_t offset = DataOffset(h, paletteEnd);
    if (offset >= data.size()) Fail("the file is truncated.");
    // The image size field is not trusted: writers leave it 0 or get it wrong.
    const ByteSpan pixels = data.subspan(offset);
    const int depth = h.bitCount > 8 ? 24 : h.bitCount;
    const uint64_t outBytes = uint64_t(Bitmap::strideFor(int(h.width), depth)) * uint64_t(h.height);
    Bitmap bmp;
    if (h.compression == kRle8 || h.compression == kRle4) {
        bmp = NewRasterBitmap(kBmp, h.width, h.height, depth, outBytes, pixels.size(),
                              kMaxRleExpansion);
        DecodeRle(pixels, bmp, h.compression == kRle4, h.topDown);
    } else {
        CheckPictureSize(kBmp, h.width, h.height);
        const uint64_t need = uint64_t(Bitmap::strideFor(int(h.width), h.bitCount)) *
                                  uint64_t(h.height - 1) +
                              (uint64_t(h.width) * uint64_t(h.bitCount) + 7) / 8;
        if (need > pixels.size()) Fail("the file is truncated.");
        bmp = Bitmap(int(h.width), int(h.height), depth);
        DecodeUncompressed(pixels, h, bmp);
    }
    if (h.bitCount <= 8) {
        if (h.bitCount == 1 && !options.has("inv") && palette.size() == 2)
            std::swap(palette[0], palette[1]);
        if (h.bitCount == 1 && options.has("invb"))
            for (int y = 0; y < bmp.height(); ++y) {
                uint8_t* row = bmp.scanLine(y);
                for (size_t i = 0; i < (size_t(bmp.width()) + 7) / 8; ++i) row[i] = uint8_t(~row[i]);
                ClearTail(row, bmp.width(), 1);
            }
        bmp.palette() = std::move(palette);
    }
    if (h.hasResolution) {
        bmp.xDotsPerInch = DotsPerInchFromPixelsPerMetre(h.xPpm);
        bmp.yDotsPerInch = DotsPerInchFromPixelsPerMetre(h.yPpm);
    }
    return bmp;
}

std::vector<uint8_t> EncodeBmp(const Bitmap& bitmap) {
    if (bitmap.isEmpty()) throw ImageFileError("Cannot write an empty picture as BMP.");
    const int depth = bitmap.depth();
    std::vector<PaletteEntry> palette;
    if (depth <= 8) {
        palette = bitmap.palette();
        if (palette.empty()) palette = MakeGreyPalette(depth);
        palette.resize(std::min(palette.size(), size_t(1) << depth));
    }
    const uint32_t stride = uint32_t(bitmap.stride());
    const uint32_t imageSize = stride * uint32_t(bitmap.height());
    const uint32_t offBits = 54 + 4 * uint32_t(palette.size());
    ByteWriter w;
    w.reserve(offBits + imageSize);
    w.u8('B');
    w.u8('M');
    w.u32le(offBits + imageSize);
    w.u32le(0);
    w.u32le(offBits);
    w.u32le(40);
    w.u32le(uint32_t(bitmap.width()));
    w.u32le(uint32_t(bitmap.height()));
    w.u16le(1);
    w.u16le(unsigned(depth));
    w.u32le(kRgb);
    w.u32le(imageSize);
    w.u32le(uint32_t(PixelsPerMetreFromDotsPerInch(bitmap.xDotsPerInch)));
    w.u32le(uint32_t(PixelsPerMetreFromDotsPerInch(bitmap.yDotsPerInch)));
    w.u32le(uint32_t(palette.size()));
    w.u32le(0);
    for (const PaletteEntry& e : palette) {
        w.u8(e.blue);
        w.u8(e.green);
        w.u8(e.red);
        w.u8(0);
    }
    for (int y = bitmap.height() - 1; y >= 0; --y) w.bytes(bitmap.scanLine(y), stride);
    return w.take();
}

}  // namespace vimbra
