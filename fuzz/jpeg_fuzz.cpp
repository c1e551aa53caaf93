// Decodes arbitrary bytes as JPEG with options taken from the input's length.
#include <cstdint>

#include "imagefiles/codecs/jpeg_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vimbra;
    const ByteSpan bytes(data, size);
    try {
        const JpegInfo info = ReadJpegInfo(bytes);
        if (int64_t(info.width) * info.height > (int64_t(1) << 22)) return 0;  // fuzzer memory limit
        JpegReadOptions options;
        options.scale = 1 << (size % 4);
        options.grey = (size & 4) != 0;
        options.quantize = (size & 8) != 0;
        options.twoPassQuantize = (size & 16) != 0;
        options.acceptTruncated = (size & 32) != 0;
        options.dither = JpegDither(size % 3);
        const Bitmap picture = DecodeJpeg(bytes, options);
        JpegWriteOptions write;
        write.progressive = (size & 64) != 0;
        write.quality = 50;
        DecodeJpeg(EncodeJpeg(picture, write));
    } catch (const ImageFileError&) {
    }
    return 0;
}
