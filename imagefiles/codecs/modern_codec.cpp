#include "imagefiles/codecs/modern_codec.h"

#include <algorithm>
#include <cstring>

#include "imagefiles/imglib/imglib_ops.h"

namespace vimbra {
namespace {

// libpng's png_composite without division: the same rounding of
// (fg × a + bg × (255 − a)) ÷ 255 for every input.
inline uint8_t Compose(unsigned fg, unsigned alpha, unsigned bg) {
    const unsigned t = fg * alpha + bg * (255 - alpha) + 128;
    return uint8_t((t + (t >> 8)) >> 8);
}

bool IsTiffHeader(ByteSpan b) {
    return b.size() >= 8 && ((b[0] == 'I' && b[1] == 'I' && b[2] == 42 && b[3] == 0) ||
                             (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && b[3] == 42));
}

}  // namespace

void RgbaRowToBgr(const uint8_t* src, bool alpha, uint8_t* dst, int width, PaletteEntry back) {
    if (!alpha) {
        for (int x = 0; x < width; ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
        return;
    }
    for (int x = 0; x < width; ++x, src += 4, dst += 3) {
        const unsigned a = src[3];
        if (a == 255) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        } else {
            dst[0] = Compose(src[2], a, back.blue);
            dst[1] = Compose(src[1], a, back.green);
            dst[2] = Compose(src[0], a, back.red);
        }
    }
}

Bitmap BitmapFromRgba(const uint8_t* pixels, size_t rowBytes, int width, int height, bool alpha,
                      PaletteEntry back) {
    Bitmap out(width, height, 24);
    for (int y = 0; y < height; ++y)
        RgbaRowToBgr(pixels + size_t(y) * rowBytes, alpha, out.scanLine(y), width, back);
    return out;
}

std::vector<uint8_t> PackedRgb(const Bitmap& bitmap) {
    Bitmap converted;
    const Bitmap* b = &bitmap;
    if (bitmap.depth() != 24) {
        converted = bitmap;
        converted.convertTo24();
        b = &converted;
    }
    const size_t w = size_t(b->width());
    std::vector<uint8_t> rgb(w * 3 * size_t(b->height()));
    for (int y = 0; y < b->height(); ++y) {
        const uint8_t* src = b->scanLine(y);
        uint8_t* dst = rgb.data() + size_t(y) * w * 3;
        for (size_t x = 0; x < w; ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
    return rgb;
}

std::vector<uint8_t> TiffExif(ByteSpan blob, bool offsetHeader) {
    if (offsetHeader) {
        if (blob.size() < 4) return {};
        const uint32_t offset = uint32_t(blob[0]) << 24 | uint32_t(blob[1]) << 16 |
                                uint32_t(blob[2]) << 8 | blob[3];
        blob = blob.subspan(4);
        if (offset <= blob.size() && IsTiffHeader(blob.subspan(offset))) blob = blob.subspan(offset);
    }
    static constexpr uint8_t kPrefix[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (blob.size() >= 6 && std::equal(kPrefix, kPrefix + 6, blob.begin())) blob = blob.subspan(6);
    if (!IsTiffHeader(blob)) return {};
    return {blob.begin(), blob.end()};
}

Bitmap TransformPicture(Bitmap picture, int quarters, int mirror) {
    if (quarters % 4 != 0) picture = imglib::TurnQuarters(picture, quarters);
    if (mirror == 0 || mirror == 1) imglib::MirrorPicture(picture, mirror == 0, mirror == 1);
    return picture;
}

void FailModern(const char* format, const std::string& what) {
    throw ImageFileError(std::string("Bad ") + format + " file: " + what);
}

}  // namespace vimbra
