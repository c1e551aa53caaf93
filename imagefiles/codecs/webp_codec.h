#pragma once
// WebP reading (lossy, lossless, alpha, the first frame of an animation) and
// writing over libwebp, entirely in memory.
#include <cstdint>
#include <vector>

#include "imagefiles/codecs/modern_codec.h"

namespace vimbra {

// Canvas size; bitCount 24. `metadata`, when given, gets what DecodeWebp
// would give it, without decoding the pixels. Throws ImageFileError.
ImageInfo ReadWebpInfo(ByteSpan data, PictureMetadata* metadata = nullptr);

// A 24-bit picture, alpha composed over options.backgroundColor. EXIF, XMP and
// the ICC profile go into `metadata` when given (orientation left at 1: WebP
// readers do not turn the picture themselves).
Bitmap DecodeWebp(ByteSpan data, const ModernReadOptions& options = {},
                  PictureMetadata* metadata = nullptr);

// Pixels only; WebP's metadata chunks are added by the metadata writer.
std::vector<uint8_t> EncodeWebp(const Bitmap& bitmap, const ModernWriteOptions& options = {});

inline constexpr int kWebpMaxSide = 16383;

}  // namespace vimbra
