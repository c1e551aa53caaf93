// Decodes arbitrary bytes as AVIF, metadata included: only ImageFileError may
// come out, and the picture is the size the probe announced.
#include <cstdint>
#include <cstdlib>

#include "imagefiles/codecs/avif_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vimbra;
    const ByteSpan bytes(data, size);
    try {
        const bool transforms = (size & 1) != 0;
        const ImageInfo info = ReadAvifInfo(bytes, transforms);
        if (int64_t(info.width) * info.height > (int64_t(1) << 22)) return 0;  // fuzzer memory limit
        ModernReadOptions options;
        options.backgroundColor = {uint8_t(size), 40, 200, 0};
        options.applyTransforms = transforms;
        PictureMetadata metadata;
        const Bitmap picture = DecodeAvif(bytes, options, &metadata);
        if (picture.width() != info.width || picture.height() != info.height) std::abort();
    } catch (const ImageFileError&) {
    }
    return 0;
}
