#include "imagefiles/save_dispatch.h"

#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>
#include <array>
#include <new>

#include "core/histogram.h"
#include "imagefiles/codecs/avif_codec.h"
#include "imagefiles/codecs/bmp_codec.h"
#include "imagefiles/codecs/codec_common.h"
#include "imagefiles/codecs/jpeg_codec.h"
#include "imagefiles/codecs/jxl_codec.h"
#include "imagefiles/codecs/pcx_codec.h"
#include "imagefiles/codecs/png_codec.h"
#include "imagefiles/codecs/tga_codec.h"
#include "imagefiles/codecs/tiff_codec.h"
#include "imagefiles/codecs/webp_codec.h"
#include "imagefiles/jpeg_settings.h"
#include "imagefiles/load_dispatch.h"
#include "imagefiles/metadata_io.h"
#include "imagefiles/metadata_prepare.h"
#include "imagefiles/metadata_tiff.h"
#include "imagefiles/pixel_convert.h"

namespace vimbra {
namespace {

struct FormatRow {
    const char* text;
    const char* extension;
};

constexpr std::array<FormatRow, kLastSaveFormat> kFormats = {{
    {"BMP (Windows Bitmap)", "bmp"},
    {"PCX (Zsoft Paintbrush)", "pcx"},
    {"PNG (Portable Network Graphics)", "png"},
    {"JPG (JPEG 8-bit gray)", "jpg"},
    {"JPG (JPEG 24-bit color)", "jpg"},
    {"TGA (Uncompressed Targa)", "tga"},
    {"TIF (Uncompressed TIFF)", "tif"},
    {"TIF (Deflated TIFF)", "tif"},
    {"TIF (Deflated Adobe TIFF)", "tif"},
    {"TIF (Fax-Group3 TIFF)", "tif"},
    {"TIF (Fax-Group4 TIFF)", "tif"},
    {"TIF (Packbits TIFF)", "tif"},
    {"WEBP (WebP)", "webp"},
    {"WEBP (Lossless WebP)", "webp"},
    {"AVIF (AV1 Image)", "avif"},
    {"AVIF (Lossless AV1 Image)", "avif"},
    {"JXL (JPEG XL)", "jxl"},
    {"JXL (Lossless JPEG XL)", "jxl"},
}};

const FormatRow& RowOf(SaveFormat f) {
    static constexpr FormatRow kNone = {"", ""};
    const int n = int(f);
    return n >= 1 && n <= kLastSaveFormat ? kFormats[size_t(n - 1)] : kNone;
}

std::optional<TiffCompression> TiffCompressionOf(SaveFormat f) {
    switch (f) {
        case SaveFormat::Tiff:
            return TiffCompression::None;
        case SaveFormat::TiffDeflate:
            return TiffCompression::ZLib;
        case SaveFormat::TiffAdobeDeflate:
            return TiffCompression::ZLibAdobe;
        case SaveFormat::TiffFaxG3:
            return TiffCompression::FaxGroup3_1D;
        case SaveFormat::TiffFaxG4:
            return TiffCompression::FaxGroup4;
        case SaveFormat::TiffPackBits:
            return TiffCompression::PackBits;
        default:
            return std::nullopt;
    }
}

// 256 greys from the program's grey value of every pixel.
Bitmap ToGrey(const Bitmap& image) {
    Bitmap colour = image;
    colour.convertTo24();
    Bitmap grey(colour.width(), colour.height(), 8);
    grey.palette() = MakeGreyPalette(8);
    for (int y = 0; y < colour.height(); ++y) {
        const uint8_t* src = colour.scanLine(y);
        uint8_t* dst = grey.scanLine(y);
        for (int x = 0; x < colour.width(); ++x, src += 3)
            dst[x] = uint8_t(GreyValue(src[2], src[1], src[0]));
    }
    grey.xDotsPerInch = image.xDotsPerInch;
    grey.yDotsPerInch = image.yDotsPerInch;
    return grey;
}

// The same indices and palette in one byte a pixel.
Bitmap To8Bit(const Bitmap& image) {
    Bitmap out(image.width(), image.height(), 8);
    for (int y = 0; y < image.height(); ++y)
        UnpackIndices(image.scanLine(y), image.depth(), out.scanLine(y), size_t(image.width()));
    out.palette() = image.palette();
    out.xDotsPerInch = image.xDotsPerInch;
    out.yDotsPerInch = image.yDotsPerInch;
    return out;
}

// The prepared copy, or nothing when the picture is written as it is.
std::optional<Bitmap> Prepared(const Bitmap& image, SaveFormat format) {
    if (format == SaveFormat::JpegGrey && image.depth() != 8) return ToGrey(image);
    if (format == SaveFormat::Tga && image.depth() < 8) return To8Bit(image);
    return std::nullopt;
}

std::vector<uint8_t> Encode(const Bitmap& b, SaveFormat format, const SaveOptions& o) {
    switch (format) {
        case SaveFormat::Bmp:
            return EncodeBmp(b);
        case SaveFormat::Pcx:
            return EncodePcx(b);
        case SaveFormat::Png: {
            std::vector<uint8_t> chunks;
            if (o.metadata) {
                try {
                    chunks = PngMetadataChunks(*o.metadata);
                } catch (const ImageFileError&) {
                    // the picture matters more than what it carried
                }
            }
            return EncodePng(b, {.interlaced = o.progressive, .compressionLevel = 1,
                                 .chunksAfterHeader = chunks});
        }
        case SaveFormat::JpegGrey:
        case SaveFormat::Jpeg: {
            JpegWriteOptions j;
            j.quality = LibjpegQuality(JpegQualityScale::SaveDialog, o.quality);
            j.progressive = o.progressive;
            j.grey = format == SaveFormat::JpegGrey;
            // A grey save encodes a prepared copy, not the caller's picture.
            if (format == SaveFormat::Jpeg) j.rowsTaken = o.rowsTaken;
            return EncodeJpeg(b, j);
        }
        case SaveFormat::Tga:
            return EncodeTga(b);
        case SaveFormat::Webp:
        case SaveFormat::WebpLossless:
        case SaveFormat::Avif:
        case SaveFormat::AvifLossless:
        case SaveFormat::Jxl:
        case SaveFormat::JxlLossless: {
            ModernWriteOptions m;
            m.quality = LibjpegQuality(JpegQualityScale::SaveDialog, o.quality);
            m.lossless = format == SaveFormat::WebpLossless || format == SaveFormat::AvifLossless ||
                         format == SaveFormat::JxlLossless;
            m.metadata = o.metadata;
            if (format == SaveFormat::Webp || format == SaveFormat::WebpLossless) {
                m.metadata = nullptr;  // WebP's chunks are the metadata writer's
                return EncodeWebp(b, m);
            }
            if (format == SaveFormat::Avif || format == SaveFormat::AvifLossless) return EncodeAvif(b, m);
            return EncodeJxl(b, m);
        }
        default:
            break;
    }
    const auto compression = TiffCompressionOf(format);
    if (!compression) throw ImageFileError("Unknown save format.");
    CheckTiffCompression(b, *compression);
    return o.metadata ? EncodeTiffWithMetadata(b, *compression, *o.metadata)
                      : EncodeTiff(b, *compression);
}

// The PNG and TIFF encoders write the metadata themselves; the others' bytes
// get it afterwards.
std::vector<uint8_t> EncodeCarrying(const Bitmap& b, SaveFormat format, const SaveOptions& o) {
    std::vector<uint8_t> bytes = Encode(b, format, o);
    if (!o.metadata || format == SaveFormat::Png || TiffCompressionOf(format)) return bytes;
    return WithMetadata(std::move(bytes), *o.metadata);
}

}  // namespace

std::optional<SaveFormat> SaveFormatFromNumber(int number) {
    if (number < 1 || number > kLastSaveFormat) return std::nullopt;
    return SaveFormat(number);
}

const char* SaveFormatText(SaveFormat format) { return RowOf(format).text; }
const char* DefaultExtension(SaveFormat format) { return RowOf(format).extension; }

std::string SaveDialogFilter(int imageBitDepth) {
    std::string filter;
    for (int i = 0; i < kLastSaveFormat; ++i) {
        if (imageBitDepth != 1 && i >= 9 && i < kSaveFormatCount) continue;
        if (!filter.empty()) filter += '|';
        filter += std::string(kFormats[size_t(i)].text) + "|*." + kFormats[size_t(i)].extension;
    }
    return filter;
}

std::string ApplyExtensionRule(const std::string& path, SaveFormat format) {
    const std::string wanted = std::string(".") + DefaultExtension(format);
    const size_t nameStart =
        path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1;
    const size_t dot = path.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    std::string stem = path;
    if (hasExtension) {
        std::string ext = path.substr(dot);
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        if (ext == wanted) return path;
        stem = path.substr(0, dot);
    }
    return stem + wanted;
}

std::optional<uint64_t> FreeDiskSpace(const std::string& path) {
    const QStorageInfo storage(QFileInfo(QString::fromStdString(path)).absolutePath());
    if (!storage.isValid() || !storage.isReady() || storage.bytesAvailable() < 0)
        return std::nullopt;
    return uint64_t(storage.bytesAvailable());
}

std::optional<PictureMetadata> MetadataToSave(const PictureMetadata& source, const Bitmap& picture,
                                              SaveFormat format, bool modified, bool keep) {
    if (!keep || source.empty() || format == SaveFormat::Bmp || format == SaveFormat::Pcx ||
        format == SaveFormat::Tga)
        return std::nullopt;
    SavedPicture saved;
    saved.width = picture.width();
    saved.height = picture.height();
    saved.pixelsChanged = modified;
    // A colour profile does not describe the greys made from its colours.
    saved.coloursConverted = format == SaveFormat::JpegGrey &&
                             !(picture.depth() == 8 && picture.hasGreyPalette());
    return MetadataForSave(source, saved);
}

std::optional<PictureMetadata> MetadataToSave(const Workspace& ws, SaveFormat format, bool keep) {
    return MetadataToSave(ws.Metadata, ws.Image, format, ws.Modified, keep);
}

std::vector<uint8_t> WithMetadata(std::vector<uint8_t> encoded, const PictureMetadata& metadata) {
    if (metadata.empty() || !CanEmbedMetadata(encoded)) return encoded;
    try {
        return EmbedMetadata(encoded, metadata);
    } catch (const ImageFileError&) {
        return encoded;  // the picture matters more than what it carried
    }
}

Bitmap PrepareForSave(const Bitmap& image, SaveFormat format) {
    if (auto prepared = Prepared(image, format)) return std::move(*prepared);
    return image;
}

std::vector<uint8_t> EncodeForSave(const Bitmap& image, SaveFormat format,
                                   const SaveOptions& options) {
    const std::optional<Bitmap> prepared = Prepared(image, format);
    return EncodeCarrying(prepared ? *prepared : image, format, options);
}

EncodedSave EncodeSave(const Bitmap& image, const std::string& path, SaveFormat format,
                       const SaveOptions& options, int displayBitDepth) {
    EncodedSave out;
    SaveResult& result = out.result;
    if (!SaveFormatFromNumber(int(format))) {
        result.path = path;
        result.message = WriteFailureMessage(format, path);
        result.detail = "Unknown save format.";
        out.refused = true;
        return out;
    }
    result.path = ApplyExtensionRule(path, format);
    // Failures before the size is known win over a full disk; an encoder's
    // own failure only counts when there is room.
    bool sized = false;
    try {
        const std::optional<Bitmap> prepared = Prepared(image, format);
        const Bitmap& picture = prepared ? *prepared : image;
        if (picture.isEmpty()) throw ImageFileError("There is no picture to save.");
        out.neededBytes = ImageByteSize(picture.width(), picture.height(), picture.depth(),
                                        displayBitDepth, options.autoReduce);
        sized = true;
        out.bytes = EncodeCarrying(picture, format, options);
    } catch (const std::bad_alloc&) {
        result.message = WriteFailureMessage(format, result.path);
        result.detail = "Not enough memory.";
        out.refused = !sized;
        out.bytes.clear();
        return out;
    } catch (const std::exception& e) {
        result.message = WriteFailureMessage(format, result.path);
        result.detail = e.what();
        out.refused = !sized;
        out.bytes.clear();
        return out;
    }
    out.encoded = true;
    return out;
}

SaveResult CommitSave(EncodedSave&& encoded, SaveFormat format, const SaveOptions& options) {
    SaveResult result = std::move(encoded.result);
    if (encoded.refused) return result;
    const auto free = options.freeSpace ? options.freeSpace(result.path) : FreeDiskSpace(result.path);
    if (free && *free > 0 && *free < encoded.neededBytes) {
        result.status = SaveStatus::DiskFull;
        result.detail.clear();
        result.requiredBytes = encoded.neededBytes;
        result.freeBytes = *free;
        result.message = DiskSpaceMessage(encoded.neededBytes, *free, kSaveFailedTail);
        return result;
    }
    if (!encoded.encoded) return result;
    try {
        WriteFileAtomically(result.path, encoded.bytes);
    } catch (const std::bad_alloc&) {
        result.message = WriteFailureMessage(format, result.path);
        result.detail = "Not enough memory.";
        return result;
    } catch (const std::exception& e) {
        result.message = WriteFailureMessage(format, result.path);
        result.detail = e.what();
        return result;
    }
    result.status = SaveStatus::Saved;
    return result;
}

SaveResult SaveImageFile(Workspace& ws, const std::string& path, SaveFormat format,
                         const SaveOptions& options) {
    SaveResult result =
        CommitSave(EncodeSave(ws.Image, path, format, options, ws.DisplayBitDepth), format, options);
    if (!result.ok()) return result;
    ws.Modified = false;
    if (!options.batch) ws.CurrentFileName = result.path;
    ws.StatusText = "Ready.";
    return result;
}

std::string DiskSpaceMessage(uint64_t requiredBytes, uint64_t freeBytes, const std::string& tail) {
    return "Insufficient disk space.\nReq.: " + std::to_string(requiredBytes / 1024) +
           " Kb\nFree: " + std::to_string(freeBytes / 1024) + " Kb\n\n" + tail;
}

std::string WriteFailureMessage(SaveFormat format, const std::string& path) {
    return "Vimbra 6.71 Write failure.\nSave Format=" + std::to_string(int(format)) + "\n" + path;
}

}  // namespace vimbra
