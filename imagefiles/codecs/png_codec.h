#pragma once
// PNG reading and writing over libpng, entirely in memory.
#include <cstdint>
#include <vector>

#include "imagefiles/codecs/codec_common.h"

namespace vimbra {

// Header facts of a PNG file, read without decoding the pixels.
struct PngInfo {
    int width = 0, height = 0;
    int bitDepth = 0;   // bits per sample as stored
    int bitCount = 0;   // bits per pixel: bit depth, times 3 for colour types 2 and 6
    int colorType = 0;  // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
    int pictureDepth = 0;  // what DecodePng makes of it: 1, 4, 8 or 24
    int interlace = 0, compression = 0, filter = 0;
};

struct PngReadOptions {
    // Colour that transparent parts are composed over. Used when the file has no
    // background chunk or when useOwnBackground is set.
    PaletteEntry backgroundColor{};  // default black
    bool useOwnBackground = false;
};

struct PngWriteOptions {
    bool interlaced = true;    // Adam7
    int compressionLevel = 1;  // 0, 1, 2 → deflate level 1, 5, 9
    ByteSpan chunksAfterHeader = {};  // whole chunks written as they are right after IHDR
};

// Throws ImageFileError ("Invalid PNG file", libpng's own message, ...).
PngInfo ReadPngInfo(ByteSpan data);

// Depths 1, 2 (as 4-bit), 4 and 8 stay palette or grey pictures; colour types
// 2 and 6 and 16-bit colour become 24-bit; alpha is composed over the background.
Bitmap DecodePng(ByteSpan data, const PngReadOptions& options = {});

// Grey palettes are written as grey PNGs, other palettes as palette PNGs,
// 24-bit pictures as RGB. No gAMA chunk is written.
std::vector<uint8_t> EncodePng(const Bitmap& bitmap, const PngWriteOptions& options = {});

}  // namespace vimbra
