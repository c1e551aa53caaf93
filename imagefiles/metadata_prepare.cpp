#include "imagefiles/metadata_prepare.h"

#include <exiv2/exiv2.hpp>
#include <optional>

#include "imagefiles/metadata_exiv2.h"
#include "imagefiles/orientation.h"

namespace vimbra {
namespace {

std::optional<uint32_t> Dimension(const Exiv2::ExifData& exif, const char* key) {
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end() || it->count() < 1) return std::nullopt;
    return uint32_t(it->toLong());
}

std::vector<uint8_t> PreparedExif(const PictureMetadata& source, const SavedPicture& saved) {
    Exiv2::ExifData exif;
    const Exiv2::ByteOrder order =
        Exiv2::ExifParser::decode(exif, source.exif.data(), uint32_t(source.exif.size()));
    if (exif.empty()) return {};
    const auto width = Dimension(exif, "Exif.Photo.PixelXDimension");
    const auto height = Dimension(exif, "Exif.Photo.PixelYDimension");
    const bool turned = ExifOrientation(source.exif) != source.orientation;
    const bool resized = (width && *width != uint32_t(saved.width)) ||
                         (height && *height != uint32_t(saved.height));
    if (saved.pixelsChanged || turned || resized) Exiv2::ExifThumb(exif).erase();
    exif["Exif.Image.Orientation"] = uint16_t(source.orientation);
    exif["Exif.Photo.PixelXDimension"] = uint32_t(saved.width);
    exif["Exif.Photo.PixelYDimension"] = uint32_t(saved.height);
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, order == Exiv2::invalidByteOrder ? Exiv2::littleEndian : order,
                              exif);
    return {blob.begin(), blob.end()};
}

// Only a packet that already names them is touched: it stays byte for byte
// otherwise.
std::vector<uint8_t> PreparedXmp(const PictureMetadata& source, const SavedPicture& saved) {
    const std::string packet(source.xmp.begin(), source.xmp.end());
    const bool names = packet.find("tiff:Orientation") != std::string::npos ||
                       packet.find("exif:PixelXDimension") != std::string::npos ||
                       packet.find("exif:PixelYDimension") != std::string::npos;
    if (!names) return source.xmp;
    Exiv2::XmpData xmp;
    if (Exiv2::XmpParser::decode(xmp, packet) != 0) return source.xmp;
    if (xmp.findKey(Exiv2::XmpKey("Xmp.tiff.Orientation")) != xmp.end())
        xmp["Xmp.tiff.Orientation"] = std::to_string(source.orientation);
    if (xmp.findKey(Exiv2::XmpKey("Xmp.exif.PixelXDimension")) != xmp.end())
        xmp["Xmp.exif.PixelXDimension"] = std::to_string(saved.width);
    if (xmp.findKey(Exiv2::XmpKey("Xmp.exif.PixelYDimension")) != xmp.end())
        xmp["Xmp.exif.PixelYDimension"] = std::to_string(saved.height);
    std::string out;
    if (Exiv2::XmpParser::encode(out, xmp) != 0) return source.xmp;
    return {out.begin(), out.end()};
}

}  // namespace

PictureMetadata MetadataForSave(const PictureMetadata& source, const SavedPicture& saved) {
    exiv2::Setup();
    PictureMetadata out;
    out.orientation = source.orientation;
    out.iptc = source.iptc;
    if (!saved.coloursConverted) out.icc = source.icc;
    try {
        if (!source.exif.empty()) out.exif = PreparedExif(source, saved);
    } catch (...) {
        out.exif.clear();  // what exiv2 cannot decode is not written
    }
    try {
        out.xmp = PreparedXmp(source, saved);
    } catch (...) {
        out.xmp = source.xmp;
    }
    return out;
}

}  // namespace vimbra
