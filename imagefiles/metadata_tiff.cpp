#include "imagefiles/metadata_tiff.h"

#include <exiv2/exiv2.hpp>
#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <optional>

#include "imagefiles/metadata_exiv2.h"

namespace vimbra {
namespace {

using Entry = TiffMetadataBlock::Entry;

// The tags exiv2 counts as a TIFF file's own (they describe its pixels): the
// file's values stand and an EXIF block's are dropped, so the file reads back
// as it did when exiv2 wrote it. Sorted.
constexpr std::array<uint16_t, 66> kImageTags = {
    0x00FE, 0x00FF, 0x0100, 0x0101, 0x0102, 0x0103, 0x0106, 0x010A, 0x0111, 0x0115, 0x0116,
    0x0117, 0x011A, 0x011B, 0x011C, 0x0122, 0x0123, 0x0124, 0x0125, 0x0128, 0x0129, 0x012D,
    0x013D, 0x013E, 0x013F, 0x0140, 0x0141, 0x0142, 0x0143, 0x0144, 0x0145, 0x014C, 0x014D,
    0x014E, 0x0150, 0x0151, 0x0152, 0x0153, 0x0154, 0x0155, 0x0156, 0x0157, 0x0158, 0x0159,
    0x015A, 0x015B, 0x0200, 0x0201, 0x0202, 0x0203, 0x0205, 0x0206, 0x0207, 0x0208, 0x0209,
    0x0211, 0x0212, 0x0213, 0x0214, 0x828D, 0x828E, 0x8824, 0x8828, 0x9102, 0x9217, 0xFFFF};

bool IsImageTag(uint16_t tag) {
    return tag != 0xFFFF && std::binary_search(kImageTags.begin(), kImageTags.end(), tag);
}

// Kept apart from the EXIF block; written from the picture's own blobs.
constexpr uint16_t kXmpTag = 0x02BC, kIptcTag = 0x83BB, kIccTag = 0x8773;
constexpr uint16_t kByte = 1, kLong = 4, kUndefined = 7;

// Room for the page's own tags in the merged directory; EncodeTiff writes
// about twenty.
constexpr size_t kPageTagRoom = 40;

void PutLe16(uint8_t* at, uint16_t v) {
    at[0] = uint8_t(v);
    at[1] = uint8_t(v >> 8);
}
void PutLe32(uint8_t* at, uint32_t v) {
    PutLe16(at, uint16_t(v));
    PutLe16(at + 2, uint16_t(v >> 16));
}

struct Directory {
    std::vector<Entry> entries;
    size_t nextAt = 0;  // where its next-directory pointer is
    uint32_t next = 0;
};

Directory ReadDirectory(ByteSpan file, size_t offset) {
    ByteReader r(file, "TIFF");
    r.seek(offset);
    Directory d;
    const uint16_t count = r.u16le();
    d.entries.resize(count);
    for (Entry& e : d.entries) {
        std::memcpy(e.bytes, r.bytes(12).data(), 12);
        e.tag = uint16_t(e.bytes[0] | e.bytes[1] << 8);
    }
    d.nextAt = r.position();
    d.next = r.u32le();
    return d;
}

// The EXIF block re-encoded little-endian, as the file is written: every
// offset in it stays right with the block at the start of the file.
std::vector<uint8_t> LittleEndianExif(const std::vector<uint8_t>& exif) {
    if (exif.empty()) return {};
    Exiv2::ExifData data;
    Exiv2::ExifParser::decode(data, exif.data(), uint32_t(exif.size()));
    if (data.empty()) return {};
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
    return {blob.begin(), blob.end()};
}

void Align(std::vector<uint8_t>& bytes) {
    if (bytes.size() % 2) bytes.push_back(0);
}

}  // namespace

TiffMetadataBlock::TiffMetadataBlock(const PictureMetadata& m) {
    exiv2::Setup();
    prefix_ = LittleEndianExif(m.exif);
    hasExif_ = !prefix_.empty();
    if (hasExif_) {
        if (prefix_.size() < 8 || prefix_[0] != 'I' || prefix_[1] != 'I')
            throw ImageFileError("TIFF: the EXIF block cannot be written.");
        ByteReader header(prefix_, "TIFF");
        header.seek(4);
        const Directory first = ReadDirectory(prefix_, header.u32le());
        for (const Entry& e : first.entries)
            if (!IsImageTag(e.tag) && e.tag != kXmpTag && e.tag != kIptcTag && e.tag != kIccTag)
                kept_.push_back(e);
        linkAt_ = first.nextAt;
        next_ = first.next;
        if (next_ != 0) {
            // The thumbnail ends the chain; the page goes after it.
            linkAt_ = ReadDirectory(prefix_, next_).nextAt;
            PutLe32(&prefix_[linkAt_], 0);
        }
    } else {
        prefix_ = {'I', 'I', 42, 0, 0, 0, 0, 0};
    }
    auto add = [&](uint16_t tag, uint16_t type, std::vector<uint8_t> value, size_t unit) {
        if (value.empty()) return;
        value.resize((value.size() + unit - 1) / unit * unit, 0);
        if (value.size() > (uint32_t(1) << 30) || prefix_.size() > (uint32_t(1) << 30))
            throw ImageFileError("TIFF: the metadata is too large.");
        Entry e{tag, {}};
        PutLe16(e.bytes, tag);
        PutLe16(e.bytes + 2, type);
        PutLe32(e.bytes + 4, uint32_t(value.size() / unit));
        if (value.size() <= 4) {
            std::memcpy(e.bytes + 8, value.data(), value.size());
        } else {
            Align(prefix_);
            PutLe32(e.bytes + 8, uint32_t(prefix_.size()));
            prefix_.insert(prefix_.end(), value.begin(), value.end());
        }
        kept_.push_back(e);
    };
    add(kXmpTag, kByte, m.xmp, 1);
    add(kIptcTag, kLong, m.iptc, 4);  // as exiv2 writes it: whole LONGs, zero-padded
    add(kIccTag, kUndefined, m.icc, 1);
    Align(prefix_);
    dirAt_ = prefix_.size();
    room_ = kept_.size() + kPageTagRoom;
    prefix_.resize(dirAt_ + 2 + 12 * room_ + 4, 0);
}

void TiffMetadataBlock::finish(std::vector<uint8_t>& file) const {
    if (file.size() < prefix_.size()) throw ImageFileError("TIFF: the page is missing.");
    ByteReader link(file, "TIFF");
    link.seek(linkAt_);
    const Directory page = ReadDirectory(file, link.u32le());
    std::vector<Entry> entries = kept_;
    for (const Entry& e : page.entries)
        if (!hasExif_ || IsImageTag(e.tag)) entries.push_back(e);
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    entries.erase(std::unique(entries.begin(), entries.end(),
                              [](const Entry& a, const Entry& b) { return a.tag == b.tag; }),
                  entries.end());
    size_t at = dirAt_;
    if (entries.size() > room_) {
        at = file.size() + file.size() % 2;
        file.resize(at + 2 + 12 * entries.size() + 4, 0);
    }
    if (at > UINT32_MAX - 16) throw ImageFileError("TIFF: the file is too large.");
    PutLe16(&file[at], uint16_t(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) std::memcpy(&file[at + 2 + 12 * i], entries[i].bytes, 12);
    PutLe32(&file[at + 2 + 12 * entries.size()], next_);
    if (hasExif_) PutLe32(&file[linkAt_], 0);
    PutLe32(&file[4], uint32_t(at));
}

std::vector<uint8_t> EncodeTiffWithMetadata(const Bitmap& bitmap, TiffCompression compression,
                                            const PictureMetadata& metadata) {
    if (metadata.empty()) return EncodeTiff(bitmap, compression);
    std::optional<TiffMetadataBlock> block;
    try {
        block.emplace(metadata);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        return EncodeTiff(bitmap, compression);  // the picture matters more than what it carried
    }
    std::vector<uint8_t> file = AppendTiffPage(block->prefix(), bitmap, compression);
    try {
        block->finish(file);
    } catch (const ImageFileError&) {
        return EncodeTiff(bitmap, compression);
    }
    return file;
}

}  // namespace vimbra
