// Decodes arbitrary bytes as HEIF, metadata included: only ImageFileError may
// come out. (A damaged file's decoded size may differ from its header's.)
#include <cstdint>
#include <algorithm>
#include <cstdlib>

#include "imagefiles/codecs/heif_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vimbra;
    const ByteSpan bytes(data, size);
    try {
        const bool transforms = (size & 1) != 0;
        const ImageInfo info = ReadHeifInfo(bytes, transforms);
        // Fuzzer memory limit: a grid's canvas may reach the header's larger side squared.
        if (std::max(info.width, info.height) > 2048) return 0;
        ModernReadOptions options;
        options.backgroundColor = {uint8_t(size), 40, 200, 0};
        options.applyTransforms = transforms;
        PictureMetadata metadata;
        if (DecodeHeif(bytes, options, &metadata).isEmpty()) std::abort();
    } catch (const ImageFileError&) {
    }
    return 0;
}
