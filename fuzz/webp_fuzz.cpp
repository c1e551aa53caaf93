// Decodes arbitrary bytes as WebP, metadata included; whatever decodes must
// survive our own lossless round trip.
#include <cstdint>
#include <cstdlib>

#include "imagefiles/codecs/webp_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vimbra;
    const ByteSpan bytes(data, size);
    try {
        const ImageInfo info = ReadWebpInfo(bytes);
        if (int64_t(info.width) * info.height > (int64_t(1) << 22)) return 0;  // fuzzer memory limit
        ModernReadOptions options;
        options.backgroundColor = {uint8_t(size), 40, 200, 0};
        options.applyTransforms = (size & 1) != 0;
        PictureMetadata metadata;
        const Bitmap picture = DecodeWebp(bytes, options, &metadata);
        if (DecodeWebp(EncodeWebp(picture, {.lossless = true})) != picture) std::abort();
    } catch (const ImageFileError&) {
    }
    return 0;
}
