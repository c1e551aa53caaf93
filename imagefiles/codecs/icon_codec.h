#pragma once
// Icons (".ico") and cursors (".cur").
//
// Reads one image of the file: the largest, and among equally large ones the
// deepest. Device-independent bitmap entries of 1, 4, 8, 16, 24 and 32 bits and
// PNG entries are read. The result is the icon drawn on black: 24 bits, the
// colour image as it is (the AND mask leaves black unchanged), 32-bit colours
// weighted by their alpha unless every alpha is 0.
// Writes a single 24-bit image with an all-opaque mask.
#include <cstdint>
#include <vector>

#include "core/bitmap.h"
#include "imagefiles/codecs/codec_common.h"
#include "imagefiles/codecs/raster_core.h"

namespace vimbra {

// Side of the icon the writer makes by default: the usual desktop icon size.
inline constexpr int kSystemIconSize = 32;

bool IsValidIcon(ByteSpan data);
// Size and bits per pixel of the image DecodeIcon would read; pageCount is the
// number of images in the file.
ImageInfo ReadIconInfo(ByteSpan data);
// A 24-bit picture; throws ImageFileError ("Bad icon file: ...").
Bitmap DecodeIcon(ByteSpan data);
// An icon of size × size pixels (1..256) whose colour image is the picture
// drawn at 0,0, not scaled: cut off beyond the size, black where the picture
// does not reach. Throws ImageFileError for an empty picture or a bad size.
std::vector<uint8_t> EncodeIcon(const Bitmap& bitmap, int size = kSystemIconSize);

}  // namespace vimbra
