#pragma once
// JPEG XL reading (the first frame) and writing over libjxl, in memory.
#include <cstdint>
#include <vector>

#include "imagefiles/codecs/modern_codec.h"

namespace vimbra {

// Size as shown (turned when applyTransforms and the codestream orientation
// is 5..8) and bits per pixel of the colour channels (8 × 3 for 8-bit colour).
// `metadata`, when given, gets what DecodeJxl would give it: the boxes are
// read through, the frames are not decoded.
ImageInfo ReadJxlInfo(ByteSpan data, bool applyTransforms = true, PictureMetadata* metadata = nullptr);

// A 24-bit picture; alpha composed over options.backgroundColor; libjxl turns
// the picture by its codestream orientation unless !applyTransforms. The
// "Exif" (TIFF structure) and "xml " boxes and an ICC profile that is not
// plain sRGB go into `metadata` when given.
Bitmap DecodeJxl(ByteSpan data, const ModernReadOptions& options = {},
                 PictureMetadata* metadata = nullptr);

// 8-bit RGB; lossless is exact. options.metadata's EXIF and XMP become boxes,
// its ICC profile the file's colour profile (sRGB when none).
std::vector<uint8_t> EncodeJxl(const Bitmap& bitmap, const ModernWriteOptions& options = {});

}  // namespace vimbra
