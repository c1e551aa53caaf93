// Decodes arbitrary bytes as PNG; whatever decodes must survive our own round trip.
#include <cstdint>
#include <cstdlib>

#include "imagefiles/codecs/png_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vimbra;
    const ByteSpan bytes(data, size);
    try {
        const PngInfo info = ReadPngInfo(bytes);
        if (int64_t(info.width) * info.height > (int64_t(1) << 22)) return 0;  // fuzzer memory limit
        PngReadOptions options;
        options.useOwnBackground = size & 1;
        options.backgroundColor = {uint8_t(size), 40, 200, 0};
        const Bitmap picture = DecodePng(bytes, options);
        const Bitmap again = DecodePng(EncodePng(picture, {(size & 2) != 0, 0}));
        if (!(again == picture)) std::abort();
    } catch (const ImageFileError&) {
    }
    return 0;
}
