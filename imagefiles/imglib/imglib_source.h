#pragma once
// Where an imaging-library picture came from: the file's bytes, kept so that
// other pages can be decoded later, and its format.
#include <memory>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "imagefiles/codecs/codec_common.h"

namespace vimbra::imglib {

struct ImgSource {
    std::shared_ptr<const std::vector<uint8_t>> bytes;  // null for made pictures
    std::string format;                                 // see ImgExtraInfo::format
    int pageCount = 1;
};

// Recognises the contents (typeHint: "TIF", "tga", ... or ""), decodes page 0
// into `page0`. Throws ImageFileError.
ImgSource OpenSource(std::vector<uint8_t> bytes, const std::string& typeHint, Bitmap& page0);
// Page `page` (0-based, checked by the caller). Throws ImageFileError.
Bitmap DecodeSourcePage(const ImgSource& source, int page);
// A packed device-independent bitmap. Throws ImageFileError.
Bitmap DecodeDib(ByteSpan block);

}  // namespace vimbra::imglib
