// The EXIF listing of the JPEG Text tool: the first directory and the EXIF
// sub-directory, one "Name = value" line per entry.
#include <cstdio>
#include <cstring>
#include <string_view>

#include "imagefiles/jpeg_metadata.h"
#include "imagefiles/text_encoding.h"

namespace vimbra {
namespace {

struct TagName {
    uint16_t tag;
    const char* name;
};

constexpr TagName kFirstDirectory[] = {
    {270, "ImageDescription"}, {271, "Make"},          {272, "Model"},
    {274, "Orientation"},      {282, "XResolution"},   {283, "YResolution"},
    {296, "ResolutionUnit"},   {305, "Software"},      {306, "DateTime"},
    {318, "WhitePoint"},       {319, "PrimaryChromaticities"},
    {529, "YCbCrCoefficients"}, {531, "YCbCrPositioning"}, {532, "ReferenceBlackWhite"},
    {33432, "Copyright"},      {34665, "ExifOffset"},
};

constexpr TagName kExifDirectory[] = {
    {33434, "ExposureTime"},      {33437, "FNumber"},          {34850, "ExposureProgram"},
    {34855, "ISOSpeedRatings"},   {36864, "ExifVersion"},      {36867, "DateTimeOriginal"},
    {36868, "DateTimeDigitized"}, {37121, "ComponentConfiguration"},
    {37122, "CompressionBitsPerPixel"}, {37377, "ShutterSpeedValue"},
    {37378, "ApertureValue"},     {37379, "BrightnessValue"},  {37380, "ExposureBiasValue"},
    {37381, "MaxApertureValue"},  {37382, "SubjectDistance"},  {37383, "MeteringMode"},
    {37384, "LightSource"},       {37385, "Flash"},            {37386, "FocalLength"},
    {37500, "MakerNote"},         {37510, "UserComment"},      {40960, "FlashPixVersion"},
    {40961, "ColorSpace"},        {40962, "ExifImageWidth"},   {40963, "ExifImageHeight"},
    {40964, "RelatedSoundFile"},  {40965, "ExifInteropOffset"}, {41486, "FocalPlaneXRes"},
    {41487, "FocalPlaneYRes"},    {41488, "FocalPlaneResUnit"}, {41493, "ExposureIndex"},
    {41495, "SensingMethod"},     {41728, "FileSource"},       {41729, "ScenicType"},
};

constexpr uint16_t kExifOffsetTag = 34665;
constexpr size_t kMaxTextChars = 32761;
constexpr size_t kEntryBytes = 12;

std::string Hex(uint32_t value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, value);
    return buf;
}

template <size_t N>
std::string NameOf(const TagName (&table)[N], uint16_t tag) {
    for (const TagName& t : table)
        if (t.tag == tag) return t.name;
    return Hex(tag, 4);
}

// The TIFF data after "Exif\0\0", read in its byte order; every read is
// checked against its end.
class TiffData {
public:
    TiffData(ByteSpan data, bool little) : data_(data), little_(little) {}
    size_t size() const { return data_.size(); }
    bool fits(uint64_t offset, uint64_t bytes) const {
        return offset <= data_.size() && bytes <= data_.size() - offset;
    }
    uint16_t u16(size_t at) const {
        return little_ ? uint16_t(data_[at] | data_[at + 1] << 8)
                       : uint16_t(data_[at] << 8 | data_[at + 1]);
    }
    uint32_t u32(size_t at) const {
        const uint32_t a = data_[at], b = data_[at + 1], c = data_[at + 2], d = data_[at + 3];
        return little_ ? (a | b << 8 | c << 16 | d << 24) : (a << 24 | b << 16 | c << 8 | d);
    }
    std::string_view chars(size_t at, size_t n) const {
        return {reinterpret_cast<const char*>(data_.data() + at), n};
    }

private:
    ByteSpan data_;
    bool little_;
};

struct Entry {
    uint16_t tag, type;
    uint32_t count;
    size_t fieldAt;  // where the 4-byte value field stands
};

uint64_t UnitSize(uint16_t type) {
    switch (type) {
        case 1: case 2: case 6: case 7: return 1;
        case 3: case 8: return 2;
        case 4: case 9: case 11: return 4;
        default: return 8;
    }
}

std::string TextValue(const TiffData& t, const Entry& e, uint64_t bytes) {
    size_t at = e.fieldAt, n = e.count;
    if (bytes > 4) {
        at = t.u32(e.fieldAt);
        n = t.fits(at, 0) ? std::min<uint64_t>(e.count, t.size() - at) : 0;
    }
    std::string_view text = t.chars(at, n);
    text = text.substr(0, std::min(text.find('\0'), kMaxTextChars));
    return TextAsUtf8(text);
}

std::string SmallValue(const TiffData& t, const Entry& e) {
    if (e.count == 1) {
        const uint8_t* field = reinterpret_cast<const uint8_t*>(t.chars(e.fieldAt, 4).data());
        switch (e.type) {
            case 1: return std::to_string(field[0]);
            case 6: return std::to_string(int8_t(field[0]));
            case 3: return std::to_string(t.u16(e.fieldAt));
            case 8: return std::to_string(int16_t(t.u16(e.fieldAt)));
            case 4: return std::to_string(t.u32(e.fieldAt));
            default: break;
        }
    }
    return std::to_string(int32_t(t.u32(e.fieldAt)));
}

std::string FormatExifEntry(const TiffData& t, const Entry& e, const std::string& name) {
    if (e.type == 7 || e.tag == kExifOffsetTag || e.tag == 37121 || e.tag == 37500) return {};
    const uint64_t bytes = uint64_t(e.count) * UnitSize(e.type);
    std::string value;
    if (e.type == 2) {
        value = TextValue(t, e, bytes);
    } else if (bytes > 4) {
        const uint32_t offset = t.u32(e.fieldAt);
        if ((e.type == 5 || e.type == 10) && t.fits(offset, 8)) {
            const uint32_t num = t.u32(offset), den = t.u32(offset + 4);
            value = e.type == 5 ? std::to_string(num) + "/" + std::to_string(den)
                                : std::to_string(int32_t(num)) + "/" + std::to_string(int32_t(den));
        } else {
            value = Hex(offset, 8) + " [Offset data]";
        }
    } else if (e.type == 1 || e.type == 3 || e.type == 4 || e.type == 6 || e.type == 8 ||
               e.type == 9) {
        value = SmallValue(t, e);
    } else {
        value = Hex(t.u32(e.fieldAt), 8) + "(Hex)";
    }
    return name + " = " + value;
}

// The first directory descends once into the EXIF sub-directory; nothing
// else is followed, so no chain of links can loop.
void WalkDirectory(const TiffData& t, uint32_t offset, bool first, std::vector<std::string>& lines) {
    if (!t.fits(offset, 2)) return;
    const uint16_t count = t.u16(offset);
    const uint64_t room = (t.size() - offset - 2) / kEntryBytes;
    const uint64_t entries = std::min<uint64_t>(count, room);
    for (uint64_t i = 0; i < entries; ++i) {
        const size_t at = size_t(offset + 2 + i * kEntryBytes);
        const Entry e{t.u16(at), t.u16(at + 2), t.u32(at + 4), at + 8};
        const std::string name = first ? NameOf(kFirstDirectory, e.tag) : NameOf(kExifDirectory, e.tag);
        if (std::string line = FormatExifEntry(t, e, name); !line.empty())
            lines.push_back(std::move(line));
        if (first && e.tag == kExifOffsetTag) WalkDirectory(t, t.u32(e.fieldAt), false, lines);
    }
}

}  // namespace

std::vector<std::string> ExifLines(ByteSpan segmentContent) {
    std::vector<std::string> lines;
    constexpr size_t kTiffStart = 6;  // after "Exif\0\0"
    if (segmentContent.size() < kTiffStart + 8) return lines;
    const ByteSpan tiff = segmentContent.subspan(kTiffStart);
    const TiffData t(tiff, tiff[0] == 'I' && tiff[1] == 'I');
    WalkDirectory(t, t.u32(4), true, lines);
    return lines;
}

}  // namespace vimbra
