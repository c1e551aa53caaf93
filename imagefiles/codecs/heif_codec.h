#pragma once
// HEIF / HEIC reading over libheif: the primary image, entirely in memory.
#include <cstdint>

#include "imagefiles/codecs/modern_codec.h"

namespace vimbra {

// Size as shown (after the file's transforms when applyTransforms, as stored
// otherwise) and bits per pixel of the luma and chroma planes (8 × 3 for 8-bit colour).
// `metadata`, when given, gets what DecodeHeif would give it.
ImageInfo ReadHeifInfo(ByteSpan data, bool applyTransforms = true, PictureMetadata* metadata = nullptr);

// A 24-bit picture; alpha composed over options.backgroundColor; the file's
// crop, rotation and mirror applied by libheif unless !applyTransforms.
// EXIF (TIFF structure), XMP and the ICC profile go into `metadata` when given.
Bitmap DecodeHeif(ByteSpan data, const ModernReadOptions& options = {},
                  PictureMetadata* metadata = nullptr);

}  // namespace vimbra
