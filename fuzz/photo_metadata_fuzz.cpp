// Reads a file's metadata as a load does, prepares it for a save and writes
// it into a small JPEG, PNG and TIFF, and into a TIFF as it is encoded; the
// orientation parser sees the EXIF.
#include <cstdint>

#include "imagefiles/codecs/jpeg_codec.h"
#include "imagefiles/codecs/png_codec.h"
#include "imagefiles/codecs/tiff_codec.h"
#include "imagefiles/metadata_io.h"
#include "imagefiles/metadata_prepare.h"
#include "imagefiles/metadata_tiff.h"
#include "imagefiles/orientation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vimbra;
    const ByteSpan bytes(data, size);
    (void)ExifOrientation(bytes);
    const MetadataRead read = ReadFileMetadata(bytes, "fuzz");
    if (read.metadata.orientation < 1 || read.metadata.orientation > 8) __builtin_trap();
    if (read.metadata.empty()) return 0;
    const PictureMetadata saved = MetadataForSave(read.metadata, {4, 3, true, false});
    static const Bitmap picture(4, 3, 24);
    static const std::vector<uint8_t> outputs[] = {
        EncodeJpeg(picture), EncodePng(picture), EncodeTiff(picture, TiffCompression::None)};
    for (const std::vector<uint8_t>& out : outputs) {
        try {
            (void)EmbedMetadata(out, saved);
        } catch (const ImageFileError&) {
        }
    }
    if (DecodeTiff(EncodeTiffWithMetadata(picture, TiffCompression::None, saved)).width() != 4)
        __builtin_trap();
    return 0;
}
