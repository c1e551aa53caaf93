// ImgIncreaseColors and ImgGamma.
#include <cmath>
#include <string>

#include "imagefiles/imglib/imglib_ops.h"
#include "imagefiles/pixel_convert.h"

namespace vimbra::imglib {

Bitmap IncreasePicture(const Bitmap& source, int bits) {
    if (source.isEmpty()) throw ImgLibError("The picture is empty.");
    if ((bits != 4 && bits != 8 && bits != 24) || bits < source.depth())
        throw ImgLibError("Cannot increase a " + std::to_string(source.depth()) + "-bit picture to " +
                          std::to_string(bits) + " bits.");
    if (bits == source.depth()) return source;
    Bitmap out(source.width(), source.height(), bits);
    out.xDotsPerInch = source.xDotsPerInch;
    out.yDotsPerInch = source.yDotsPerInch;
    std::vector<uint8_t> scratch(size_t(source.width()) * 3);
    for (int y = 0; y < source.height(); ++y) {
        if (bits == 24) {
            ExpandIndicesToBgr(source.scanLine(y), source.depth(), source.palette(), out.scanLine(y),
                               size_t(source.width()));
        } else {
            UnpackIndices(source.scanLine(y), source.depth(), scratch.data(), size_t(source.width()));
            PackIndices(scratch.data(), bits, out.scanLine(y), size_t(source.width()));
        }
    }
    out.palette() = bits == 24 ? std::vector<PaletteEntry>{} : source.palette();
    return out;
}

void GammaPicture(Bitmap& picture, int value) {
    if (picture.isEmpty()) throw ImgLibError("The picture is empty.");
    if (value < 1 || value > 1000) throw ImgLibError("Gamma " + std::to_string(value) + " is out of range.");
    uint8_t table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = uint8_t(std::lround(255.0 * std::pow(i / 255.0, 100.0 / value)));
    if (picture.depth() <= 8) {
        for (PaletteEntry& e : picture.palette()) {
            e.red = table[e.red];
            e.green = table[e.green];
            e.blue = table[e.blue];
        }
        return;
    }
    const size_t rowBytes = size_t(picture.width()) * 3;
    for (int y = 0; y < picture.height(); ++y) {
        uint8_t* row = picture.scanLine(y);
        for (size_t i = 0; i < rowBytes; ++i) row[i] = table[row[i]];
    }
}

}  // namespace vimbra::imglib
