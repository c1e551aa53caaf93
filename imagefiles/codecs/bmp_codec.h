#pragma once
// Windows and OS/2 bitmaps (".bmp", ".dib").
//
// Reads information headers of 12 bytes (old style, 3-byte palette entries),
// 16..64 bytes (Windows and OS/2 2.x) and 108/124 bytes; 1, 4, 8 and 24 bits
// uncompressed, run-length 8 and 4 bits, and 16 and 32 bits (plain or with
// bit-field masks) decoded to 24 bits; rows bottom-up or top-down; an OS/2
// bitmap-array wrapper ("BA") is skipped. Writes 1, 4, 8 and 24 bits uncompressed
// with a 40-byte header.
#include <cstdint>
#include <vector>

#include "core/bitmap.h"
#include "imagefiles/codecs/codec_common.h"
#include "imagefiles/codecs/raster_core.h"

namespace vimbra {

// Options: "inv" keeps a 1-bit palette as stored (without it the two entries
// are swapped); "invb" inverts the bits of 1-bit pictures.
Bitmap DecodeBmp(ByteSpan data, const RasterOptions& options = "inv");
ImageInfo ReadBmpInfo(ByteSpan data);
std::vector<uint8_t> EncodeBmp(const Bitmap& bitmap);

}  // namespace vimbra
