#include "imagefiles/metadata_io.h"

#include <exiv2/exiv2.hpp>
#include <algorithm>
#include <array>
#include <cstring>

#include "imagefiles/codecs/png_codec.h"
#include "imagefiles/metadata_exiv2.h"
#include "imagefiles/orientation.h"

namespace vimbra {
namespace {

enum class Container { None, Jpeg, Tiff, Png, Webp };

Container ContainerOf(ByteSpan d) {
    auto starts = [&](std::initializer_list<uint8_t> bytes, size_t at = 0) {
        return d.size() >= at + bytes.size() &&
               std::equal(bytes.begin(), bytes.end(), d.begin() + long(at));
    };
    if (starts({0xFF, 0xD8, 0xFF})) return Container::Jpeg;
    if (starts({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return Container::Png;
    if (starts({'I', 'I', 42, 0}) || starts({'M', 'M', 0, 42})) return Container::Tiff;
    if (starts({'R', 'I', 'F', 'F'}) && starts({'W', 'E', 'B', 'P'}, 8)) return Container::Webp;
    return Container::None;
}

// First-directory tags of a TIFF file that describe its own pixels or hold
// what is kept apart (XMP, IPTC, ICC): they must not travel to another file.
// The resolution travels with the pixels.
constexpr std::array<uint16_t, 48> kTiffOwnTags = {
    0x011A, 0x011B, 0x0128,
    0x00FE, 0x00FF, 0x0100, 0x0101, 0x0102, 0x0103, 0x0106, 0x0107, 0x0108, 0x0109, 0x010A,
    0x0111, 0x0115, 0x0116, 0x0117, 0x0118, 0x0119, 0x011C, 0x0122, 0x0123, 0x0124, 0x0125,
    0x0129, 0x013D, 0x0140, 0x0141, 0x0142, 0x0143, 0x0144, 0x0145, 0x014A, 0x0152, 0x0153,
    0x0154, 0x0155, 0x015B, 0x0200, 0x0201, 0x0202, 0x0211, 0x0212, 0x0213, 0x02BC, 0x83BB,
    0x8773};

bool KeptFromTiff(const Exiv2::Exifdatum& d) {
    const std::string group = d.groupName();
    if (group == "Image")
        return std::find(kTiffOwnTags.begin(), kTiffOwnTags.end(), d.tag()) == kTiffOwnTags.end();
    // Later pages and sub-images are pictures of their own, not metadata.
    return group != "Thumbnail" && group.rfind("Image", 0) != 0 &&
           group.rfind("SubImage", 0) != 0 && group.rfind("SubThumb", 0) != 0;
}

std::vector<uint8_t> ExifBlob(Exiv2::Image& image, Container container) {
    Exiv2::ExifData exif = image.exifData();
    if (container == Container::Tiff) {
        for (auto it = exif.begin(); it != exif.end();)
            it = KeptFromTiff(*it) ? std::next(it) : exif.erase(it);
        // What every writer puts there (this one's own TIFF too) is no metadata.
        const bool writerOnly = std::all_of(exif.begin(), exif.end(), [](const Exiv2::Exifdatum& d) {
            return d.groupName() == "Image" && (d.tag() == 0x0131 || d.tag() == 0x0132);
        });
        if (writerOnly) exif.clear();
    }
    if (exif.empty()) return {};
    Exiv2::ByteOrder order = image.byteOrder();
    if (order == Exiv2::invalidByteOrder) order = Exiv2::littleEndian;
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, order, exif);
    return {blob.begin(), blob.end()};
}

std::vector<uint8_t> Bytes(const Exiv2::DataBuf& buf) {
    if (!buf.pData_ || buf.size_ <= 0) return {};
    return {buf.pData_, buf.pData_ + buf.size_};
}

std::vector<uint8_t> ReadAll(Exiv2::BasicIo& io) {
    io.seek(0, Exiv2::BasicIo::beg);
    const long size = long(io.size());
    std::vector<uint8_t> out(size_t(std::max(size, 0L)));
    if (size > 0 && io.read(out.data(), size) != size)
        throw ImageFileError("The metadata could not be written.");
    return out;
}

struct PngChunk {
    size_t offset, size;  // the whole chunk: length, type, data and CRC
    std::string type;
};

std::vector<PngChunk> PngChunks(ByteSpan png) {
    std::vector<PngChunk> chunks;
    size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t length = uint32_t(png[at]) << 24 | uint32_t(png[at + 1]) << 16 |
                                uint32_t(png[at + 2]) << 8 | png[at + 3];
        if (length > png.size() - at - 12) throw ImageFileError("Invalid PNG file.");
        chunks.push_back({at, size_t(length) + 12,
                          std::string(reinterpret_cast<const char*>(&png[at + 4]), 4)});
        at += size_t(length) + 12;
        if (chunks.back().type == "IEND") break;
    }
    if (chunks.empty() || chunks.front().type != "IHDR") throw ImageFileError("Invalid PNG file.");
    return chunks;
}

std::vector<uint8_t> EmbedWithExiv2(ByteSpan encoded, const PictureMetadata& m);

uint32_t Le32(ByteSpan d, size_t at) {
    return uint32_t(d[at]) | uint32_t(d[at + 1]) << 8 | uint32_t(d[at + 2]) << 16 |
           uint32_t(d[at + 3]) << 24;
}
void PutLe32(std::vector<uint8_t>& d, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) d[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// exiv2 0.27 names the profile chunk of a WebP file "VP8X" a second time:
// it becomes ICCP, or one is added right after VP8X with its flag set. Left
// as it is unless the file is the extended kind already.
void AddWebpProfile(std::vector<uint8_t>& webp, ByteSpan icc) {
    constexpr size_t kVp8x = 12, kFlags = kVp8x + 8;
    constexpr uint8_t kIccFlag = 0x20;
    if (webp.size() < kVp8x + 18 || std::memcmp(&webp[kVp8x], "VP8X", 4) != 0 ||
        icc.size() > (size_t(1) << 30))
        return;
    const size_t after = kVp8x + 8 + Le32(webp, kVp8x + 4);
    if (after > webp.size()) return;
    if (after + 8 <= webp.size() && std::memcmp(&webp[after], "VP8X", 4) == 0) {
        std::memcpy(&webp[after], "ICCP", 4);
        webp[kFlags] |= kIccFlag;
        return;
    }
    if (webp[kFlags] & kIccFlag) return;
    std::vector<uint8_t> chunk = {'I', 'C', 'C', 'P', 0, 0, 0, 0};
    PutLe32(chunk, 4, uint32_t(icc.size()));
    chunk.insert(chunk.end(), icc.begin(), icc.end());
    if (icc.size() % 2) chunk.push_back(0);
    webp.insert(webp.begin() + long(after), chunk.begin(), chunk.end());
    webp[kFlags] |= kIccFlag;
    PutLe32(webp, 4, uint32_t(webp.size() - 8));
}

// exiv2 copies a PNG chunk by chunk, slowly for a large picture: it writes
// the metadata into a picture of one pixel instead, whose new chunks go
// right after the header of the real one.
std::vector<uint8_t> CarrierChunks(const PictureMetadata& m) {
    static const std::vector<uint8_t> tiny = EncodePng(Bitmap(1, 1, 24));
    const std::vector<uint8_t> carrier = EmbedWithExiv2(tiny, m);
    std::vector<std::string> plain;
    for (const PngChunk& c : PngChunks(tiny)) plain.push_back(c.type);
    std::vector<uint8_t> out;
    for (const PngChunk& c : PngChunks(carrier))
        if (std::find(plain.begin(), plain.end(), c.type) == plain.end())
            out.insert(out.end(), carrier.begin() + long(c.offset),
                       carrier.begin() + long(c.offset + c.size));
    return out;
}

std::vector<uint8_t> EmbedIntoPng(ByteSpan png, const PictureMetadata& m) {
    const std::vector<PngChunk> chunks = PngChunks(png);
    const size_t afterHeader = chunks.front().offset + chunks.front().size;
    const std::vector<uint8_t> added = CarrierChunks(m);
    std::vector<uint8_t> out;
    out.reserve(png.size() + added.size());
    out.insert(out.end(), png.begin(), png.begin() + long(afterHeader));
    out.insert(out.end(), added.begin(), added.end());
    out.insert(out.end(), png.begin() + long(afterHeader), png.end());
    return out;
}

}  // namespace

std::string MetadataWarning(const std::string& fileName) {
    return "Warning: the metadata of " + fileName + " cannot be read; it is not kept.";
}

bool CanEmbedMetadata(ByteSpan encoded) { return ContainerOf(encoded) != Container::None; }

std::vector<uint8_t> PngMetadataChunks(const PictureMetadata& m) {
    if (m.empty()) return {};
    return CarrierChunks(m);
}

MetadataRead ReadFileMetadata(ByteSpan file, const std::string& fileName) {
    MetadataRead out;
    const Container container = ContainerOf(file);
    if (container == Container::None) return out;
    exiv2::Setup();
    exiv2::ErrorWatch watch;
    try {
        auto image = Exiv2::ImageFactory::open(file.data(), long(file.size()));
        if (!image.get()) return out;
        image->readMetadata();
        PictureMetadata& m = out.metadata;
        m.exif = ExifBlob(*image, container);
        const std::string& xmp = image->xmpPacket();
        m.xmp.assign(xmp.begin(), xmp.end());
        if (!image->iptcData().empty()) m.iptc = Bytes(Exiv2::IptcParser::encode(image->iptcData()));
        if (image->iccProfileDefined()) m.icc = Bytes(*image->iccProfile());
        m.orientation = ExifOrientation(m.exif);
    } catch (...) {
        // exiv2 throws its own errors and std ones alike; the picture loads anyway.
        out.metadata = {};
        out.warning = MetadataWarning(fileName);
        return out;
    }
    if (watch.errors() > 0) {
        out.metadata = {};
        out.warning = MetadataWarning(fileName);
    }
    return out;
}

std::vector<uint8_t> EmbedMetadata(ByteSpan encoded, const PictureMetadata& m) {
    const Container container = ContainerOf(encoded);
    if (container == Container::None) throw ImageFileError("This format carries no metadata.");
    if (m.empty()) return {encoded.begin(), encoded.end()};
    if (container == Container::Png) return EmbedIntoPng(encoded, m);
    return EmbedWithExiv2(encoded, m);
}

namespace {

std::vector<uint8_t> EmbedWithExiv2(ByteSpan encoded, const PictureMetadata& m) {
    exiv2::Setup();
    try {
        auto image = Exiv2::ImageFactory::open(encoded.data(), long(encoded.size()));
        if (!image.get()) throw ImageFileError("The metadata could not be written.");
        image->readMetadata();  // keeps the comment the file already has
        if (!m.exif.empty()) {
            Exiv2::ExifData exif;
            Exiv2::ExifParser::decode(exif, m.exif.data(), uint32_t(m.exif.size()));
            image->setExifData(exif);
        }
        if (!m.xmp.empty()) {
            image->setXmpPacket(std::string(m.xmp.begin(), m.xmp.end()));
            image->writeXmpFromPacket(true);
        }
        if (!m.iptc.empty()) {
            Exiv2::IptcData iptc;
            if (Exiv2::IptcParser::decode(iptc, m.iptc.data(), uint32_t(m.iptc.size())) == 0)
                image->setIptcData(iptc);
        }
        if (!m.icc.empty()) {
            Exiv2::DataBuf icc(m.icc.data(), long(m.icc.size()));
            image->setIccProfile(icc, false);
        }
        image->writeMetadata();
        std::vector<uint8_t> out = ReadAll(image->io());
        if (ContainerOf(out) == Container::Webp && !m.icc.empty()) AddWebpProfile(out, m.icc);
        return out;
    } catch (const ImageFileError&) {
        throw;
    } catch (const std::exception& e) {
        throw ImageFileError(std::string("The metadata could not be written: ") + e.what());
    }
}

}  // namespace

}  // namespace vimbra
