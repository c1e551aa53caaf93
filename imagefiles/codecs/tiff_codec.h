#pragma once
// TIFF reading (multipage, strips and tiles) and writing over libtiff, in memory.
#include <cstdint>
#include <vector>

#include "imagefiles/codecs/codec_common.h"

namespace vimbra {

// Compression choices; TiffCompressionText gives the text messages show.
enum class TiffCompression : int {
    None = 0,          // "None", tag 1
    PackBits = 1,      // "Packbits", tag 32773
    FaxGroup3_1D = 2,  // "Fax Group 3, 1D", tag 3, T4Options 0
    FaxGroup3_2D = 3,  // "Fax Group 3, 2D", tag 3, T4Options 1
    FaxGroup4 = 4,     // "Fax Group 4", tag 4
    ZLib = 5,          // "ZLib", tag 32946
    Jpeg = 6,          // "JPEG", tag 7
    ZLibAdobe = 7,     // "ZLib Adobe", tag 8
};

const char* TiffCompressionText(TiffCompression compression);

// Header facts of one page.
struct TiffInfo {
    int width = 0, height = 0;
    int bitCount = 0;             // 1, 4, 8 or 24
    uint16_t compressionTag = 0;  // as stored
    TiffCompression compression = TiffCompression::None;
};

struct TiffReadOptions {
    // LZW pictures are refused with "LZW not supported" unless this is set.
    bool acceptLzw = false;
};

// Whether DecodeTiff reads pages stored with this compression tag.
bool TiffCompressionReadable(uint16_t tag);

// Number of pages (image directories). Throws ImageFileError.
int TiffPageCount(ByteSpan data);

// Reads only the tags of page `page` (1-based); the probe reads page 1.
TiffInfo ReadTiffInfo(ByteSpan data, int page = 1, const TiffReadOptions& options = {});

// Decodes page `page` (1-based) into a 1-, 4-, 8- or 24-bit bitmap. When
// fileCompression is given it receives the compression the page was stored with.
Bitmap DecodeTiff(ByteSpan data, int page = 1, const TiffReadOptions& options = {},
                  TiffCompression* fileCompression = nullptr);

// The compression a new picture gets: Group 4 for 1-bit pictures, PackBits otherwise.
TiffCompression DefaultTiffCompression(const Bitmap& bitmap);

// Throws ImageFileError("<compression> compression not supported with <format> images")
// unless the compression can be written for the picture's format.
void CheckTiffCompression(const Bitmap& bitmap, TiffCompression compression);

// A new single-page file.
std::vector<uint8_t> EncodeTiff(const Bitmap& bitmap, TiffCompression compression);

// The file with the picture appended as a further page; an empty file gives
// the same as EncodeTiff.
std::vector<uint8_t> AppendTiffPage(ByteSpan file, const Bitmap& bitmap, TiffCompression compression);

}  // namespace vimbra
