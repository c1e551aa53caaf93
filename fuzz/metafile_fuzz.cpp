// Feeds arbitrary bytes to the metafile reader; only ImageFileError may escape.
#include <cstddef>
#include <cstdint>

#include "imagefiles/metafile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const vimbra::ByteSpan bytes(data, size);
    (void)vimbra::DetectMetafile(bytes);
    try {
        const vimbra::MetafileInfo info = vimbra::ReadMetafileInfo(bytes);
        vimbra::VectorOptions options;
        // Huge frames are legal; drawing them small keeps runs fast.
        if (int64_t(info.width) * info.height > (int64_t(1) << 20))
            options.width = options.height = 256;
        (void)vimbra::DecodeVector(bytes, options);
    } catch (const vimbra::ImageFileError&) {
    }
    return 0;
}
