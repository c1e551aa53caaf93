// Feeds arbitrary bytes to the PCX and DCX readers; only ImageFileError may escape.
#include <cstddef>
#include <cstdint>

#include "imagefiles/codecs/pcx_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const vimbra::ByteSpan bytes(data, size);
    try {
        vimbra::ReadPcxInfo(bytes);
    } catch (const vimbra::ImageFileError&) {
    }
    try {
        const vimbra::Bitmap bmp = vimbra::DecodePcx(bytes, "trunc");
        (void)vimbra::EncodePcx(bmp);
    } catch (const vimbra::ImageFileError&) {
    }
    try {
        const int pages = vimbra::DcxPageCount(bytes);
        vimbra::ReadDcxInfo(bytes);
        for (int i = 0; i < pages && i < 4; ++i) vimbra::DecodeDcxPage(bytes, i);
    } catch (const vimbra::ImageFileError&) {
    }
    return 0;
}
