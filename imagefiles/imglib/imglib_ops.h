#pragma once
// The pixel work behind the imaging-library calls, on plain Bitmaps. These
// throw (ImgLibError for bad arguments, std::bad_alloc); the Img* calls turn
// that into a status. Flag meanings are those of imglib.h.
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "core/bitmap.h"
#include "imagefiles/imglib/imglib.h"

namespace vimbra::imglib {

class ImgLibError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The grey value every part of the library uses.
inline int GreyOf(int red, int green, int blue) { return (30 * red + 60 * green + 10 * blue) / 100; }

// Row y as blue-green-red (24-bit pictures: the row itself, else expanded into
// scratch, which must hold 3 × width bytes).
const uint8_t* RowAsBgr(const Bitmap& picture, int y, uint8_t* scratch);

Bitmap ScalePicture(const Bitmap& source, const ImgRect& area, int width, int height, int flags);
// The whole picture at width x height as the viewer and the shows draw it:
// smooth, pictures below 4 bits by nearest pixel, and narrowing alone through
// twice the width, or the smooth copy would drop whole columns.
Bitmap ScaleWholePicture(const Bitmap& source, int width, int height);

// Quarter turns anticlockwise (any integer, taken modulo 4); exact.
Bitmap TurnQuarters(const Bitmap& source, int quarters);
Bitmap RotatePicture(const Bitmap& source, int angle, uint32_t fillRgb);
void MirrorPicture(Bitmap& picture, bool vertical, bool horizontal);

Bitmap ReducePicture(const Bitmap& source, int colours, int flags);
Bitmap ReducePictureTo(const Bitmap& source, const std::vector<PaletteEntry>& palette, int flags);
// The palette ReducePicture would choose.
std::vector<PaletteEntry> ChoosePalette(const Bitmap& source, int colours, int flags);

Bitmap IncreasePicture(const Bitmap& source, int bits);
void GammaPicture(Bitmap& picture, int value);

}  // namespace vimbra::imglib
