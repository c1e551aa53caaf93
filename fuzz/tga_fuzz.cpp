// Feeds arbitrary bytes to the TGA reader; only ImageFileError may escape.
#include <cstddef>
#include <cstdint>

#include "imagefiles/codecs/tga_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const vimbra::ByteSpan bytes(data, size);
    try {
        vimbra::ReadTgaInfo(bytes);
    } catch (const vimbra::ImageFileError&) {
    }
    try {
        const vimbra::Bitmap bmp = vimbra::DecodeTga(bytes);
        (void)vimbra::EncodeTga(bmp);
    } catch (const vimbra::ImageFileError&) {
    }
    return 0;
}
