// Decodes arbitrary bytes as TIFF (every page up to a few); whatever decodes must
// look the same after our own uncompressed round trip.
#include <cstdint>
#include <cstdlib>

#include "imagefiles/codecs/tiff_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vimbra;
    const ByteSpan bytes(data, size);
    try {
        const int pages = TiffPageCount(bytes);
        for (int page = 1; page <= pages && page <= 3; ++page) {
            TiffReadOptions options;
            options.acceptLzw = (size & 1) != 0;
            try {
                // The memory limit of the fuzzer is far below the reader's own cap.
                const TiffInfo info = ReadTiffInfo(bytes, page, options);
                if (int64_t(info.width) * info.height > (int64_t(1) << 22)) continue;
                Bitmap picture = DecodeTiff(bytes, page, options);
                Bitmap again = DecodeTiff(EncodeTiff(picture, TiffCompression::None));
                picture.convertTo24();
                again.convertTo24();
                if (!(again == picture)) std::abort();
            } catch (const ImageFileError&) {
            }
        }
    } catch (const ImageFileError&) {
    }
    return 0;
}
