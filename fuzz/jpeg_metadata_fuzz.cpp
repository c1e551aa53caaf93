// Lists, strips and annotates arbitrary bytes as the JPEG Text tool does.
#include <cstdint>

#include "imagefiles/jpeg_metadata.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vimbra;
    const ByteSpan bytes(data, size);
    try {
        ReadJpegListing(bytes);
        const std::vector<uint8_t> stripped = StripJpeg(bytes, StripMode::CommentsOnly);
        StripJpeg(bytes, StripMode::AllExtraInfo);
        // A comment added and stripped again leaves what stripping leaves
        // (stray fill bytes before a marker may go on the first strip).
        const std::vector<uint8_t> commented = InsertJpegComment(stripped, "fuzz\r\n");
        if (StripJpeg(commented, StripMode::CommentsOnly) != StripJpeg(stripped, StripMode::CommentsOnly))
            __builtin_trap();
    } catch (const JpegMetadataError&) {
    }
    return 0;
}
