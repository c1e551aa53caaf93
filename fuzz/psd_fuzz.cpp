// Feeds arbitrary bytes to the Photoshop reader; only ImageFileError may escape.
#include <cstddef>
#include <cstdint>

#include "imagefiles/codecs/psd_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const vimbra::ByteSpan bytes(data, size);
    vimbra::HeaderInfo info;
    (void)vimbra::IsValidPsd(bytes);
    (void)vimbra::ReadPsdHeader(bytes, info);
    try {
        vimbra::ReadPsdInfo(bytes);
    } catch (const vimbra::ImageFileError&) {
    }
    try {
        (void)vimbra::DecodePsd(bytes);
    } catch (const vimbra::ImageFileError&) {
    }
    return 0;
}
