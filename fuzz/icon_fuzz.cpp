// Feeds arbitrary bytes to the icon reader; only ImageFileError may escape.
#include <cstddef>
#include <cstdint>

#include "imagefiles/codecs/icon_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const vimbra::ByteSpan bytes(data, size);
    (void)vimbra::IsValidIcon(bytes);
    try {
        vimbra::ReadIconInfo(bytes);
    } catch (const vimbra::ImageFileError&) {
    }
    try {
        const vimbra::Bitmap bmp = vimbra::DecodeIcon(bytes);
        (void)vimbra::EncodeIcon(bmp);
    } catch (const vimbra::ImageFileError&) {
    }
    return 0;
}
