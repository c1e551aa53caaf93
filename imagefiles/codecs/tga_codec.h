#pragma once
// TGA pictures.
//
// Reads image types 1 and 9 (colour-mapped, 8-bit indices; map entries of 15,
// 16, 24 or 32 bits), 2 and 10 (true colour, 15/16, 24 or 32 bits, decoded to
// 24 bits), 3 and 11 (8-bit grey); types 9-11 run-length coded; rows bottom-up
// unless descriptor bit 5 is set, right-to-left when bit 4 is set.
// Writes 8-bit pictures as type 1 with a 256-entry 24-bit map and 24-bit
// pictures as type 2, uncompressed, bottom row first.
#include <cstdint>
#include <vector>

#include "core/bitmap.h"
#include "imagefiles/codecs/codec_common.h"
#include "imagefiles/codecs/raster_core.h"

namespace vimbra {

Bitmap DecodeTga(ByteSpan data);
ImageInfo ReadTgaInfo(ByteSpan data);
// Only 8- and 24-bit pictures; others throw "TGA image must have 256 colors or
// true color". Options for 24-bit pictures: "16" or "32" bits per pixel instead
// of 24; "ydown" stores the top row first ("yup", the default, the bottom row).
std::vector<uint8_t> EncodeTga(const Bitmap& bitmap, const RasterOptions& options = {});

}  // namespace vimbra
