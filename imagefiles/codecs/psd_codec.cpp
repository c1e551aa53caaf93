#include "imagefiles/codecs/psd_codec.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "imagefiles/pixel_convert.h"

namespace vimbra {
namespace {

constexpr const char* kPsd = "Bad PSD file";
constexpr const char* kInvalid = "Invalid image format";
constexpr int kMaxChannels = 56;
// A two-byte PackBits run yields at most 128 bytes.
constexpr uint64_t kMaxPackBitsExpansion = 64;

enum Mode {
    kBitmapMode = 0,
    kGreyMode = 1,
    kIndexedMode = 2,
    kRgbMode = 3,
    kCmykMode = 4,
    kMultichannelMode = 7,
    kDuotoneMode = 8,
    kLabMode = 9
};

struct PsdFile {
    HeaderInfo info;
    int mode = 0;
    int compression = 0;
    ByteSpan colorModeData;
    size_t dataOffset = 0;  // just after the compression word
};

[[noreturn]] void Fail(const std::string& what) { throw ImageFileError(std::string(kPsd) + ": " + what); }

ColorLayout LayoutOfMode(int mode, int channels) {
    switch (mode) {
    case kGreyMode:
    case kDuotoneMode: return ColorLayout::Grey;
    case kIndexedMode: return ColorLayout::Indexed;
    case kRgbMode:
    case kMultichannelMode: return channels == 3 ? ColorLayout::Rgb : ColorLayout::Rgba;
    case kCmykMode: return ColorLayout::Cmyk;
    case kLabMode: return ColorLayout::Lab;
    default: return ColorLayout::None;  // bitmap mode and unknown modes
    }
}

bool ParseFile(ByteSpan data, PsdFile& f) {
    f = PsdFile{};
    if (!IsValidPsd(data)) return false;
    try {
        ByteReader r(data, kPsd);
        r.seek(12);
        const int channels = r.u16be();
        const uint32_t height = r.u32be(), width = r.u32be();
        const int depth = r.u16be();
        f.mode = r.u16be();
        const ColorLayout layout = LayoutOfMode(f.mode, channels);
        if (layout == ColorLayout::None) return false;
        f.colorModeData = r.bytes(r.u32be());
        r.skip(r.u32be());  // image resources
        r.skip(r.u32be());  // layers and masks
        f.compression = r.u16be();
        f.dataOffset = r.position();
        HeaderInfo& h = f.info;
        h.flags = 2;
        h.width = width;
        h.height = height;
        h.layout = layout;
        h.bitsPerSample = depth;
        h.channelCount = channels;
        h.samplesPerPixel = std::min(channels, 4);
        h.bitsPerPixel = h.samplesPerPixel * depth;
        h.packing = f.compression == 1 ? HeaderInfo::kPackingRunLength : HeaderInfo::kPackingNone;
        h.gamma = 1.0f;
    } catch (const ImageFileError&) {
        f = PsdFile{};
        return false;
    }
    return true;
}

// Sample planes the conversion reads; further channels (alpha, spot colours) are ignored.
int PlanesUsed(ColorLayout layout) {
    switch (layout) {
    case ColorLayout::Indexed:
    case ColorLayout::Grey: return 1;
    case ColorLayout::Cmyk: return 4;
    default: return 3;
    }
}

// Indexed and grey pictures decode to 8 bits, the others to 24.
bool Paletted(const HeaderInfo& h) {
    return h.layout == ColorLayout::Indexed || h.layout == ColorLayout::Grey;
}

void CheckReadable(const PsdFile& f) {
    const HeaderInfo& h = f.info;
    if (h.bitsPerSample != 8 && h.bitsPerSample != 16)
        Fail(std::to_string(h.bitsPerSample) + " bits per sample are not supported.");
    if (h.layout == ColorLayout::Indexed && h.bitsPerSample != 8)
        Fail("indexed pictures must have 8 bits per sample.");
    if (f.compression > 1) Fail("compression " + std::to_string(f.compression) + " is not supported.");
    if (h.channelCount < 1 || h.channelCount > kMaxChannels)
        Fail(std::to_string(h.channelCount) + " channels are out of range.");
    if (h.channelCount < PlanesUsed(h.layout))
        Fail(std::to_string(h.channelCount) + " channels are too few for colour mode " +
             std::to_string(f.mode) + ".");
    CheckPictureSize(kPsd, h.width, h.height);
}

// Control byte n (signed): −128 is skipped, n < 0 repeats the next byte 1 − n
// times, n ≥ 0 copies the next n + 1 bytes. Stops when either side runs out.
size_t PackBitsUnpack(ByteSpan in, uint8_t* out, size_t outCount) {
    size_t i = 0, o = 0;
    while (i < in.size() && o < outCount) {
        const int n = int8_t(in[i++]);
        if (n == -128) continue;
        if (n < 0) {
            if (i >= in.size()) break;
            const size_t run = std::min(size_t(1 - n), outCount - o);
            std::memset(out + o, in[i++], run);
            o += run;
        } else {
            const size_t lit = std::min({size_t(n) + 1, outCount - o, in.size() - i});
            std::memcpy(out + o, in.data() + i, lit);
            o += lit;
            i += lit;
        }
    }
    return o;
}

// Rows of the planes one after the other, raw or packed. Each packed row is
// unpacked from its own byte count, so a damaged row cannot shift the rows after it.
class RowReader {
public:
    RowReader(ByteSpan data, const PsdFile& f, int planes)
        : data_(data), rowBytes_(size_t(f.info.width) * size_t(f.info.bitsPerSample / 8)),
          height_(f.info.height), rle_(f.compression == 1) {
        ByteReader r(data, kPsd);
        r.seek(f.dataOffset);
        const uint64_t rows = uint64_t(height_) * uint64_t(f.info.channelCount);
        if (!rle_) {
            start_ = f.dataOffset;
            if (rows * rowBytes_ > r.remaining()) r.fail("the file is truncated.");
            usedBytes_ = uint64_t(planes) * height_ * rowBytes_;
            return;
        }
        const ByteSpan table = r.bytes(size_t(rows) * 2);
        ByteReader counts(table, kPsd);
        const size_t used = size_t(planes) * height_;
        offsets_.reserve(used + 1);
        uint64_t total = 0;
        for (size_t i = 0; i < rows; ++i) {
            if (i < used) offsets_.push_back(total);
            total += counts.u16be();
            if (i + 1 == used) offsets_.push_back(total);
        }
        if (total > r.remaining()) r.fail("the file is truncated.");
        usedBytes_ = offsets_.back();
        start_ = r.position();
    }

    size_t rowBytes() const { return rowBytes_; }
    // Bytes of the file the used planes take (packed size with run-length coding).
    uint64_t usedBytes() const { return usedBytes_; }

    void read(int plane, uint32_t y, uint8_t* out) const {
        const size_t row = size_t(plane) * height_ + y;
        if (!rle_) {
            std::memcpy(out, data_.data() + start_ + row * rowBytes_, rowBytes_);
            return;
        }
        const ByteSpan packed = data_.subspan(start_ + offsets_[row], offsets_[row + 1] - offsets_[row]);
        const size_t n = PackBitsUnpack(packed, out, rowBytes_);
        std::memset(out + n, 0, rowBytes_ - n);  // a short row ends in black
    }

private:
    ByteSpan data_;
    size_t rowBytes_;
    uint32_t height_;
    bool rle_;
    size_t start_ = 0;
    uint64_t usedBytes_ = 0;
    std::vector<uint64_t> offsets_;  // of each used row, relative to start_, and one past
};

// Colour mode data of indexed files: three planes red, green, blue. Longer
// data than 768 bytes keeps the standard layout of 256-entry planes.
std::vector<PaletteEntry> IndexedPalette(ByteSpan map) {
    const size_t n = map.size() >= 768 ? 256 : map.size() / 3;
    if (n == 0) Fail("the colour table is missing.");
    std::vector<PaletteEntry> pal(n);
    for (size_t i = 0; i < n; ++i) pal[i] = PaletteEntry{map[i], map[n + i], map[2 * n + i], 0};
    return pal;
}

// File CMYK is stored as 255 − ink; 16-bit samples big-endian, likewise inverted.
void FileCmyk8ToBgr(const uint8_t* const* p, uint8_t* cmyk, uint8_t* dst, size_t count) {
    for (size_t x = 0; x < count; ++x)
        for (int k = 0; k < 4; ++k) cmyk[4 * x + size_t(k)] = uint8_t(255 - p[k][x]);
    CmykToBgr(cmyk, dst, count);
}

void FileCmyk16ToBgr(const uint8_t* const* p, uint8_t* dst, size_t count) {
    auto ink = [&](int k, size_t x) { return uint64_t(65535 - (p[k][2 * x] << 8 | p[k][2 * x + 1])); };
    for (size_t x = 0; x < count; ++x, dst += 3) {
        const uint64_t key = ink(3, x);
        for (int c = 0; c < 3; ++c) {
            const uint64_t c16 = ink(c, x);
            const int64_t v = 255 - int64_t((c16 + key - c16 * key / 65535) * 255 / 65535);
            dst[2 - c] = uint8_t(std::clamp<int64_t>(v, 0, 255));
        }
    }
}

uint8_t ClampRound(double v) { return uint8_t(std::clamp(std::nearbyint(v), 0.0, 255.0)); }

// 8-bit L* scaled 0..255, a* and b* offset by 128.
void FileLabToBgr(const uint8_t* lp, const uint8_t* ap, const uint8_t* bp, uint8_t* dst, size_t count) {
    for (size_t x = 0; x < count; ++x, dst += 3) {
        const double l = lp[x] * 100.0 / 255.0, a = ap[x] - 128.0, b = bp[x] - 128.0;
        double X, Y, Z;
        if (l < 7.9996) {
            Y = l * 0.0011070519207350825;
            X = Y + a * 0.0002568383202773854;
            Z = Y - b * 0.0006420958006934634;
        } else {
            const double fy = (l + 16) / 116;
            auto cube = [](double v) { return v * v * v; };
            X = cube(fy + a / 500);
            Y = cube(fy);
            Z = cube(fy - b / 200);
        }
        dst[0] = ClampRound(255 * (0.099 * X - 0.198 * Y + 1.099 * Z));
        dst[1] = ClampRound(255 * (-0.952 * X + 1.893 * Y + 0.059 * Z));
        dst[2] = ClampRound(255 * (2.998 * X - 1.458 * Y - 0.541 * Z));
    }
}

}  // namespace

bool IsValidPsd(ByteSpan data) {
    if (data.size() < 27) return false;
    for (int i = 0; i < 4; ++i)
        if (std::toupper(data[size_t(i)]) != "8BPS"[i]) return false;
    return (data[4] << 8 | data[5]) == 1;
}

bool ReadPsdHeader(ByteSpan data, HeaderInfo& info) {
    PsdFile f;
    const bool ok = ParseFile(data, f);
    info = f.info;
    return ok;
}

ImageInfo ReadPsdInfo(ByteSpan data) {
    PsdFile f;
    if (!ParseFile(data, f)) throw ImageFileError(kInvalid);
    const HeaderInfo& h = f.info;
    ImageInfo info{int(std::min<uint32_t>(h.width, INT32_MAX)), int(std::min<uint32_t>(h.height, INT32_MAX)),
                   h.bitsPerPixel, 1};
    try {
        CheckReadable(f);
        info.pictureDepth = Paletted(h) ? 8 : 24;
    } catch (const ImageFileError&) {
        // Refused by the decoder: what reads it instead is not known here.
    }
    return info;
}

Bitmap DecodePsd(ByteSpan data) {
    PsdFile f;
    if (!ParseFile(data, f)) throw ImageFileError(kInvalid);
    CheckReadable(f);
    const HeaderInfo& h = f.info;
    const int planes = PlanesUsed(h.layout);
    const RowReader rows(data, f, planes);
    const bool paletted = Paletted(h);
    const uint64_t unpacked = uint64_t(planes) * h.height * rows.rowBytes();
    Bitmap bmp = NewRasterBitmap(kPsd, h.width, h.height, paletted ? 8 : 24, unpacked, rows.usedBytes(),
                                 f.compression == 1 ? kMaxPackBitsExpansion : 1);
    if (h.layout == ColorLayout::Indexed) bmp.palette() = IndexedPalette(f.colorModeData);
    if (h.layout == ColorLayout::Grey) bmp.palette() = MakeGreyPalette(8);

    const size_t width = h.width, rowBytes = rows.rowBytes();
    const bool wide = h.bitsPerSample == 16;
    std::vector<uint8_t> raw(size_t(planes) * rowBytes), eight(size_t(planes) * width), cmyk;
    const uint8_t* in[4] = {};   // file samples of each plane
    const uint8_t* in8[4] = {};  // the same at 8 bits
    for (int k = 0; k < planes; ++k) {
        in[k] = raw.data() + size_t(k) * rowBytes;
        in8[k] = wide ? eight.data() + size_t(k) * width : in[k];
    }
    if (h.layout == ColorLayout::Cmyk && !wide) cmyk.resize(4 * width);

    for (uint32_t y = 0; y < h.height; ++y) {
        for (int k = 0; k < planes; ++k) rows.read(k, y, raw.data() + size_t(k) * rowBytes);
        uint8_t* dst = bmp.scanLine(int(y));
        if (h.layout == ColorLayout::Cmyk) {
            if (wide)
                FileCmyk16ToBgr(in, dst, width);
            else
                FileCmyk8ToBgr(in, cmyk.data(), dst, width);
            continue;
        }
        if (wide)
            for (int k = 0; k < planes; ++k)
                Samples16To8(in[k], true, eight.data() + size_t(k) * width, width);
        if (paletted)
            std::memcpy(dst, in8[0], width);
        else if (h.layout == ColorLayout::Lab)
            FileLabToBgr(in8[0], in8[1], in8[2], dst, width);
        else
            PlanesToBgr(in8[0], in8[1], in8[2], dst, width);
    }
    return bmp;
}

}  // namespace vimbra
