#include "imagefiles/info_probe.h"

#include <algorithm>
#include <filesystem>

#include "imagefiles/codecs/avif_codec.h"
#include "imagefiles/codecs/heif_codec.h"
#include "imagefiles/codecs/jxl_codec.h"
#include "imagefiles/codecs/webp_codec.h"
#include "imagefiles/metadata_io.h"
#include "imagefiles/orientation.h"

namespace vimbra {
namespace {

// The readers whose probe is a header read: Photo CD and the imaging library
// decode to probe, and a load does that anyway.
const PluginReaders& HeaderReaders() {
    static const PluginReaders readers = [] {
        PluginReaders r = StandardPluginReaders();
        r.photoCd = {};
        r.imagingLibrary = {};
        return r;
    }();
    return readers;
}

// What a load attaches: exiv2's reading for JPEG, PNG and TIFF, the codec's
// own for the newer formats (their transforms are in the probed size).
void ReadMetadataOf(ImageReader r, ByteSpan data, const std::string& name, PictureFacts& f) {
    switch (r) {
        case ImageReader::Jpeg:
        case ImageReader::Png:
        case ImageReader::Tiff: {
            MetadataRead read = ReadFileMetadata(data, name);
            f.metadata = std::move(read.metadata);
            f.file.metadataWarning = std::move(read.warning);
            break;
        }
        case ImageReader::Webp:
            (void)ReadWebpInfo(data, &f.metadata);
            f.metadata.orientation = ExifOrientation(f.metadata.exif);  // as the load takes it
            break;
        case ImageReader::Avif: (void)ReadAvifInfo(data, true, &f.metadata); break;
        case ImageReader::Heif: (void)ReadHeifInfo(data, true, &f.metadata); break;
        case ImageReader::Jxl: (void)ReadJxlInfo(data, true, &f.metadata); break;
        default: break;
    }
}

}  // namespace

std::optional<PictureFacts> ProbePictureFacts(const std::string& path) {
    const FileKind kind = ClassifyFile(path);
    if (kind != FileKind::Picture && kind != FileKind::Unknown) return std::nullopt;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
    try {
        const std::vector<uint8_t> data = ReadWholeFile(path);
        LoadOptions options;
        options.plugins = &HeaderReaders();
        const ProbedBytes probed = ProbeImageBytes(path, data, options);
        const ImageInfo& info = probed.info;
        if (info.pictureDepth == 0) return std::nullopt;
        // A load refuses these before decoding, in its own words.
        CheckPictureSize("", info.width, info.height);

        PictureFacts f;
        f.file.kind = FileKind::Picture;
        f.file.extension = UpperExtension(path);
        f.file.reader = probed.reader;
        f.file.fileWidth = info.width;
        f.file.fileHeight = info.height;
        f.file.pageCount = info.pageCount;
        f.file.tiffViaImgLibrary = probed.tiffViaImgLibrary;
        f.width = info.width;
        f.height = info.height;
        f.depth = info.pictureDepth;
        ReadMetadataOf(probed.reader, data, std::filesystem::path(path).filename().string(), f);
        // Turned upright as the load turns it.
        const int orientation = f.metadata.orientation;
        if (orientation >= 5 && orientation <= 8) std::swap(f.width, f.height);
        if (orientation >= 2 && orientation <= 8) f.metadata.orientation = 1;
        return f;
    } catch (...) {
        return std::nullopt;  // the load says what is wrong
    }
}

}  // namespace vimbra
