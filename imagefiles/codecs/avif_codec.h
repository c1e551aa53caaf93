#pragma once
// AVIF reading (the primary image, or the first frame of a sequence) and
// writing over libavif, entirely in memory. libavif 0.11 leaves the file's
// rotation and mirror to the caller; the reader applies them.
#include <cstdint>
#include <vector>

#include "imagefiles/codecs/modern_codec.h"

namespace vimbra {

// Size as shown (turned when applyTransforms and the file turns it a quarter),
// bits per pixel of the stored colour planes (8 × 3 for 8-bit colour).
// `metadata`, when given, gets what DecodeAvif would give it.
ImageInfo ReadAvifInfo(ByteSpan data, bool applyTransforms = true, PictureMetadata* metadata = nullptr);

// A 24-bit picture; alpha composed over options.backgroundColor. EXIF (TIFF
// structure), XMP and the ICC profile go into `metadata` when given.
Bitmap DecodeAvif(ByteSpan data, const ModernReadOptions& options = {},
                  PictureMetadata* metadata = nullptr);

// 8-bit 4:4:4; lossless stores RGB exactly (identity matrix). The blobs of
// options.metadata are embedded.
std::vector<uint8_t> EncodeAvif(const Bitmap& bitmap, const ModernWriteOptions& options = {});

}  // namespace vimbra
