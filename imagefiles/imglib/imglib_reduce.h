#pragma once
// Shared by the colour-reduction files: rows of a picture as blue-green-red
// (grey values in all three when asked), and the palette choice.
#include <vector>

#include "core/bitmap.h"
#include "imagefiles/imglib/imglib_ops.h"

namespace vimbra::imglib {

class PixelSource {
public:
    PixelSource(const Bitmap& picture, bool grey)
        : picture_(picture), grey_(grey), scratch_(size_t(picture.width()) * 3) {}
    const Bitmap& picture() const { return picture_; }

    // Calls f(row, width, y) for every row in order while f returns true; row
    // points at blue-green-red triples.
    template <class F>
    void forEachRow(F&& f) const {
        for (int y = 0; y < picture_.height(); ++y)
            if (!f(row(y), picture_.width(), y)) return;
    }

    const uint8_t* row(int y) const {
        const uint8_t* p = RowAsBgr(picture_, y, scratch_.data());
        if (!grey_) return p;
        uint8_t* out = scratch_.data();
        for (int x = 0; x < picture_.width(); ++x) {
            const uint8_t g = uint8_t(GreyOf(p[3 * x + 2], p[3 * x + 1], p[3 * x]));
            out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = g;
        }
        return out;
    }

private:
    const Bitmap& picture_;
    bool grey_;
    mutable std::vector<uint8_t> scratch_;
};

// Largest L with L³ <= n.
int CubeLevels(int n);
// Throws ImgLibError unless 2 <= colours <= 256.
void CheckColours(int colours);
std::vector<PaletteEntry> ChoosePalette(const PixelSource& source, int colours, int flags);

}  // namespace vimbra::imglib
