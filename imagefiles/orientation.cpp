#include "imagefiles/orientation.h"

#include <algorithm>
#include <cstring>

#include "imagefiles/pixel_convert.h"

namespace vimbra {
namespace {

constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kShortType = 3;
constexpr size_t kMaxEntries = 1000;

struct TiffReader {
    ByteSpan data;
    bool little;
    bool has(size_t at, size_t n) const { return at <= data.size() && n <= data.size() - at; }
    uint16_t u16(size_t at) const {
        return little ? uint16_t(data[at] | data[at + 1] << 8) : uint16_t(data[at] << 8 | data[at + 1]);
    }
    uint32_t u32(size_t at) const {
        return little ? uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 |
                            uint32_t(data[at + 2]) << 16 | uint32_t(data[at + 3]) << 24
                      : uint32_t(data[at]) << 24 | uint32_t(data[at + 1]) << 16 |
                            uint32_t(data[at + 2]) << 8 | uint32_t(data[at + 3]);
    }
};

// Source coordinates of output pixel (x, y) for a picture w × h as stored.
struct Mapping {
    // sx = ax + bx*x + cx*y, sy = ay + by*x + cy*y
    long ax, bx, cx, ay, by, cy;
};

Mapping MappingFor(int o, long w, long h) {
    switch (o) {
        case 2: return {w - 1, -1, 0, 0, 0, 1};
        case 3: return {w - 1, -1, 0, h - 1, 0, -1};
        case 4: return {0, 1, 0, h - 1, 0, -1};
        case 5: return {0, 0, 1, 0, 1, 0};
        case 6: return {0, 0, 1, h - 1, -1, 0};
        case 7: return {w - 1, 0, -1, h - 1, -1, 0};
        case 8: return {w - 1, 0, -1, 0, 1, 0};
        default: return {0, 1, 0, 0, 0, 1};
    }
}

template <size_t Bytes>
void Move(const Bitmap& src, Bitmap& dst, const Mapping& m) {
    // Square tiles keep the column walks of the quarter turns within the cache.
    constexpr int kTile = 64;
    const int W = dst.width(), H = dst.height();
    for (int ty = 0; ty < H; ty += kTile)
        for (int tx = 0; tx < W; tx += kTile) {
            const int yEnd = std::min(H, ty + kTile), xEnd = std::min(W, tx + kTile);
            for (int y = ty; y < yEnd; ++y) {
                uint8_t* out = dst.scanLine(y) + size_t(tx) * Bytes;
                long sx = m.ax + m.bx * tx + m.cx * y, sy = m.ay + m.by * tx + m.cy * y;
                for (int x = tx; x < xEnd; ++x, out += Bytes, sx += m.bx, sy += m.by)
                    std::memcpy(out, src.scanLine(int(sy)) + size_t(sx) * Bytes, Bytes);
            }
        }
}

Bitmap Unpacked(const Bitmap& b) {
    Bitmap out(b.width(), b.height(), 8);
    for (int y = 0; y < b.height(); ++y)
        UnpackIndices(b.scanLine(y), b.depth(), out.scanLine(y), size_t(b.width()));
    return out;
}

Bitmap Packed(const Bitmap& b, int depth) {
    Bitmap out(b.width(), b.height(), depth);
    for (int y = 0; y < b.height(); ++y)
        PackIndices(b.scanLine(y), depth, out.scanLine(y), size_t(b.width()));
    return out;
}

}  // namespace

int ExifOrientation(ByteSpan exif) {
    if (exif.size() < 8) return 1;
    TiffReader r{exif, exif[0] == 'I'};
    if (!((exif[0] == 'I' && exif[1] == 'I') || (exif[0] == 'M' && exif[1] == 'M')) ||
        r.u16(2) != 42)
        return 1;
    const size_t ifd = r.u32(4);
    if (!r.has(ifd, 2)) return 1;
    const size_t count = std::min<size_t>(r.u16(ifd), kMaxEntries);
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = ifd + 2 + 12 * i;
        if (!r.has(entry, 12)) return 1;
        if (r.u16(entry) != kOrientationTag) continue;
        if (r.u16(entry + 2) != kShortType || r.u32(entry + 4) < 1) return 1;
        const int value = r.u16(entry + 8);
        return value >= 1 && value <= 8 ? value : 1;
    }
    return 1;
}

Bitmap OrientUpright(const Bitmap& picture, int orientation) {
    if (orientation < 2 || orientation > 8 || picture.isEmpty()) return picture;
    const int depth = picture.depth();
    const Bitmap unpacked = depth < 8 ? Unpacked(picture) : Bitmap();
    const Bitmap& src = depth < 8 ? unpacked : picture;
    const bool swap = OrientationSwapsSides(orientation);
    Bitmap out(swap ? src.height() : src.width(), swap ? src.width() : src.height(), src.depth());
    const Mapping m = MappingFor(orientation, src.width(), src.height());
    if (src.depth() == 24)
        Move<3>(src, out, m);
    else
        Move<1>(src, out, m);
    if (depth < 8) out = Packed(out, depth);
    out.palette() = picture.palette();
    out.xDotsPerInch = swap ? picture.yDotsPerInch : picture.xDotsPerInch;
    out.yDotsPerInch = swap ? picture.xDotsPerInch : picture.yDotsPerInch;
    return out;
}

}  // namespace vimbra
