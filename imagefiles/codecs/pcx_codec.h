#pragma once
// PCX pictures and DCX fax files (a table of up to 1023 PCX pages).
//
// Reads versions 0 to 3 and 5, run-length encoded (or raw, encoding 0), with 1 bit × 1 plane,
// 1 bit × 4 planes, 4 bits × 1 plane, 8 bits × 1 plane (palette at the end of
// the file) and 8 bits × 3 planes. Writes version 5: 1, 4 and 8 bits as one
// plane, 24 bits as three planes red, green, blue.
#include <cstdint>
#include <vector>

#include "core/bitmap.h"
#include "imagefiles/codecs/codec_common.h"
#include "imagefiles/codecs/raster_core.h"

namespace vimbra {

// Option "trunc": a file whose run-length data ends early keeps the rows read
// so far instead of being refused.
Bitmap DecodePcx(ByteSpan data, const RasterOptions& options = {});
ImageInfo ReadPcxInfo(ByteSpan data);
// The resolution fields carry xDotsPerInch and yDotsPerInch. A 1-bit picture
// whose entry 1 is darker than entry 0 is written with its bits inverted, as
// PCX readers take 0 for black.
std::vector<uint8_t> EncodePcx(const Bitmap& bitmap);

int DcxPageCount(ByteSpan data);
// Facts of the first page, with the page count.
ImageInfo ReadDcxInfo(ByteSpan data);
// page is 0-based.
Bitmap DecodeDcxPage(ByteSpan data, int page);
std::vector<uint8_t> EncodeDcx(const std::vector<Bitmap>& pages);

}  // namespace vimbra
