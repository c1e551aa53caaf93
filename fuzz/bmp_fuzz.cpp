// Feeds arbitrary bytes to the BMP reader; only ImageFileError may escape.
#include <cstddef>
#include <cstdint>

#include "imagefiles/codecs/bmp_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const vimbra::ByteSpan bytes(data, size);
    try {
        vimbra::ReadBmpInfo(bytes);
    } catch (const vimbra::ImageFileError&) {
    }
    try {
        const vimbra::Bitmap bmp = vimbra::DecodeBmp(bytes);
        (void)vimbra::EncodeBmp(bmp);
    } catch (const vimbra::ImageFileError&) {
    }
    return 0;
}
