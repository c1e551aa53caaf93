#pragma once
// What the WebP, AVIF, HEIF and JPEG XL codecs share: their read and write
// options, alpha laid over the back colour exactly as the PNG reader lays it,
// and the EXIF blob in the one shape the program keeps.
#include <cstdint>
#include <string>
#include <vector>

#include "imagefiles/codecs/codec_common.h"
#include "imagefiles/codecs/raster_core.h"
#include "imagefiles/picture_metadata.h"

namespace vimbra {

struct ModernReadOptions {
    PaletteEntry backgroundColor{};  // behind transparent parts
    // Rotation and mirroring the file asks for (AVIF and HEIF transforms, the
    // JPEG XL codestream orientation); false leaves the pixels as stored.
    bool applyTransforms = true;
};

struct ModernWriteOptions {
    int quality = 90;  // 1..100, higher is better; ignored when lossless
    bool lossless = false;
    const PictureMetadata* metadata = nullptr;  // written where the format's encoder can
};

// One row of RGBA (or RGB when !alpha) samples into a 24-bit BGR row; alpha
// composed over `back` with libpng's rounding, so both readers agree exactly.
void RgbaRowToBgr(const uint8_t* src, bool alpha, uint8_t* dst, int width, PaletteEntry back);

// A 24-bit picture from rows of RGBA or RGB samples.
Bitmap BitmapFromRgba(const uint8_t* pixels, size_t rowBytes, int width, int height, bool alpha,
                      PaletteEntry back);

// Tightly packed RGB rows of any picture (palettes expanded).
std::vector<uint8_t> PackedRgb(const Bitmap& bitmap);

// EXIF as the program keeps it: a TIFF structure. Strips "Exif\0\0" and the
// 4-byte TIFF-offset header of HEIF items; anything else unrecognised is dropped.
std::vector<uint8_t> TiffExif(ByteSpan blob, bool offsetHeader = false);

// Applies a HEIF-style transform: `quarters` anticlockwise quarter turns,
// then a mirror (0 exchanges top and bottom, 1 left and right, -1 none).
Bitmap TransformPicture(Bitmap picture, int quarters, int mirror);

// "Bad WebP file: " + what.
[[noreturn]] void FailModern(const char* format, const std::string& what);

// Maps a 1..100 quality (higher better) into the save dialog's encoder range.
inline int ClampQuality(int quality) { return quality < 1 ? 1 : quality > 100 ? 100 : quality; }

}  // namespace vimbra
