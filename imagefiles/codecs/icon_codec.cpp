#include "imagefiles/codecs/icon_codec.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "imagefiles/codecs/bmp_codec.h"
#include "imagefiles/codecs/png_codec.h"

namespace vimbra {
namespace {

constexpr const char* kIco = "Bad icon file";
constexpr size_t kDirectorySize = 6, kEntrySize = 16, kDibHeaderSize = 40;
constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

[[noreturn]] void Fail(const std::string& what) { throw ImageFileError(std::string(kIco) + ": " + what); }

struct Entry {
    ByteSpan bytes;  // the image as the directory bounds it
    bool png = false;
    int64_t width = 0, height = 0;  // of the picture, i.e. half the DIB height
    int bitCount = 0;
    uint32_t headerSize = 0;
    bool topDown = false;
};

bool IsPng(ByteSpan b) { return b.size() >= 8 && std::memcmp(b.data(), kPngSignature, 8) == 0; }

Entry PeekEntry(ByteSpan bytes) {
    Entry e;
    e.bytes = bytes;
    ByteReader r(bytes, kIco);
    if (IsPng(bytes)) {
        e.png = true;
        r.seek(16);  // IHDR width and height
        e.width = std::min<uint32_t>(r.u32be(), INT32_MAX);
        e.height = std::min<uint32_t>(r.u32be(), INT32_MAX);
        e.bitCount = 32;
        return e;
    }
    e.headerSize = r.u32le();
    if (e.headerSize == 12) {
        e.width = r.u16le();
        e.height = r.u16le();
    } else if (e.headerSize >= 16) {
        e.width = r.i32le();
        e.height = r.i32le();
    } else {
        Fail("unsupported image header size " + std::to_string(e.headerSize) + ".");
    }
    r.u16le();  // planes
    e.bitCount = r.u16le();
    e.topDown = e.height < 0;
    e.height = (e.topDown ? -e.height : e.height) / 2;  // colour image and AND mask
    return e;
}

std::vector<Entry> ReadDirectory(ByteSpan data) {
    ByteReader r(data, kIco);
    if (r.u16le() != 0) Fail("the reserved word is not 0.");
    const unsigned type = r.u16le();
    if (type != 1 && type != 2) Fail("resource type " + std::to_string(type) + " is neither icon nor cursor.");
    const unsigned count = r.u16le();
    if (count == 0) Fail("the file holds no image.");
    std::vector<Entry> entries;
    for (unsigned i = 0; i < count; ++i) {
        r.seek(kDirectorySize + kEntrySize * i + 8);
        const uint32_t size = r.u32le(), offset = r.u32le();
        if (offset > data.size() || size > data.size() - offset) Fail("the file is truncated.");
        entries.push_back(PeekEntry(data.subspan(offset, size)));
    }
    return entries;
}

const Entry& Choose(const std::vector<Entry>& entries) {
    const Entry* best = &entries.front();
    for (const Entry& e : entries) {
        const int64_t area = e.width * e.height, bestArea = best->width * best->height;
        if (area > bestArea || (area == bestArea && e.bitCount > best->bitCount)) best = &e;
    }
    return *best;
}

uint32_t U32At(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

// Uncompressed images must hold their colour rows and the AND mask after the header.
void CheckMaskPresent(const Entry& e) {
    const bool packed = e.headerSize >= 20 && e.bytes.size() >= 20 &&
                        (U32At(e.bytes.data() + 16) == 1 || U32At(e.bytes.data() + 16) == 2);
    if (packed || e.width < 1 || e.width > Bitmap::kMaxSide || e.height > Bitmap::kMaxSide ||
        e.bitCount < 1 || e.bitCount > 32)
        return;  // left to the BMP reader's own checks
    const uint64_t w = uint64_t(e.width), h = uint64_t(e.height);
    const uint64_t need = e.headerSize + ((w * uint64_t(e.bitCount) + 31) / 32 * 4 + (w + 31) / 32 * 4) * h;
    if (need > e.bytes.size()) Fail("the file is truncated.");
}

// The BMP reader does the colour image once it looks like a BMP file: a file
// header whose zero data offset means "right after the colour table", and the
// picture's own height instead of the doubled one.
Bitmap DecodeDib(const Entry& e) {
    CheckMaskPresent(e);
    std::vector<uint8_t> file(14 + e.bytes.size(), 0);
    file[0] = 'B';
    file[1] = 'M';
    std::memcpy(file.data() + 14, e.bytes.data(), e.bytes.size());
    uint8_t* height = file.data() + 14 + (e.headerSize == 12 ? 6 : 8);
    const int64_t h = e.topDown ? -e.height : e.height;
    for (int i = 0; i < (e.headerSize == 12 ? 2 : 4); ++i) height[i] = uint8_t(uint64_t(h) >> (8 * i));
    try {
        return DecodeBmp(file, "inv");
    } catch (const ImageFileError& err) {
        const std::string what = err.what(), bmp = "Bad BMP file: ";
        if (what.rfind(bmp, 0) == 0) Fail(what.substr(bmp.size()));
        throw;
    }
}

// 32-bit colours are drawn by their alpha over black unless no alpha is set.
void ApplyAlpha(const Entry& e, Bitmap& bmp) {
    if (e.bitCount != 32 || e.headerSize < 20 || U32At(e.bytes.data() + 16) != 0) return;
    const size_t w = size_t(bmp.width()), rows = size_t(bmp.height()), stride = 4 * w;
    if (e.bytes.size() < e.headerSize || (e.bytes.size() - e.headerSize) / stride < rows) return;
    const uint8_t* bits = e.bytes.data() + e.headerSize;
    bool anyAlpha = false;
    for (size_t i = 0; i < rows * w && !anyAlpha; ++i) anyAlpha = bits[4 * i + 3] != 0;
    if (!anyAlpha) return;
    for (size_t fy = 0; fy < rows; ++fy) {
        const uint8_t* src = bits + fy * stride;
        uint8_t* dst = bmp.scanLine(int(e.topDown ? fy : rows - 1 - fy));
        for (size_t x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) dst[3 * x + c] = uint8_t((src[4 * x + c] * src[4 * x + 3] + 127) / 255);
    }
}

}  // namespace

bool IsValidIcon(ByteSpan data) {
    if (data.size() < kDirectorySize + kEntrySize) return false;
    const unsigned reserved = data[0] | data[1] << 8, type = data[2] | data[3] << 8, count = data[4] | data[5] << 8;
    return reserved == 0 && (type == 1 || type == 2) && count > 0;
}

ImageInfo ReadIconInfo(ByteSpan data) {
    const std::vector<Entry> entries = ReadDirectory(data);
    const Entry& e = Choose(entries);
    return ImageInfo{int(std::min<int64_t>(e.width, INT32_MAX)), int(std::min<int64_t>(e.height, INT32_MAX)),
                     e.bitCount, int(entries.size())};
}

Bitmap DecodeIcon(ByteSpan data) {
    const std::vector<Entry> entries = ReadDirectory(data);
    const Entry& e = Choose(entries);
    Bitmap bmp;
    if (e.png) {
        PngReadOptions black;
        black.useOwnBackground = true;
        bmp = DecodePng(e.bytes, black);
    } else {
        bmp = DecodeDib(e);
        ApplyAlpha(e, bmp);
    }
    bmp.convertTo24();
    bmp.xDotsPerInch = bmp.yDotsPerInch = 0;
    return bmp;
}

std::vector<uint8_t> EncodeIcon(const Bitmap& bitmap, int size) {
    if (bitmap.isEmpty()) throw ImageFileError("Cannot write an empty picture as an icon.");
    if (size < 1 || size > 256)
        throw ImageFileError("Cannot write an icon of " + std::to_string(size) + " pixels a side.");
    Bitmap converted;
    const Bitmap* src = &bitmap;
    if (bitmap.depth() != 24) {
        converted = bitmap;
        converted.convertTo24();
        src = &converted;
    }
    const size_t side = size_t(size), xorStride = Bitmap::strideFor(size, 24), andStride = (side + 31) / 32 * 4;
    const uint32_t imageBytes = uint32_t((xorStride + andStride) * side);
    ByteWriter w;
    w.reserve(kDirectorySize + kEntrySize + kDibHeaderSize + imageBytes);
    w.u16le(0);
    w.u16le(1);  // icon
    w.u16le(1);  // one image
    w.u8(side & 0xFF);  // 256 is written as 0
    w.u8(side & 0xFF);
    w.u8(0);  // no palette
    w.u8(0);
    w.u16le(1);   // planes
    w.u16le(24);  // bits per pixel
    w.u32le(uint32_t(kDibHeaderSize) + imageBytes);
    w.u32le(uint32_t(kDirectorySize + kEntrySize));
    w.u32le(uint32_t(kDibHeaderSize));
    w.u32le(uint32_t(side));
    w.u32le(uint32_t(2 * side));
    w.u16le(1);
    w.u16le(24);
    w.u32le(0);  // uncompressed
    w.u32le(imageBytes);
    w.zeros(16);  // resolution, colours used and important
    const size_t copy = std::min(side, size_t(src->width())) * 3;
    for (size_t y = side; y-- > 0;) {
        if (y < size_t(src->height())) {
            w.bytes(src->scanLine(int(y)), copy);
            w.zeros(xorStride - copy);
        } else {
            w.zeros(xorStride);
        }
    }
    w.zeros(andStride * side);  // mask 0 everywhere: fully opaque
    return w.take();
}

}  // namespace vimbra
