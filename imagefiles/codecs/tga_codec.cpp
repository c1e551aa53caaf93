#include "imagefiles/codecs/tga_codec.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "imagefiles/pixel_convert.h"

namespace vimbra {
namespace {

constexpr const char* kTga = "Bad TGA file";
constexpr size_t kHeaderSize = 18;
// A packet byte and one pixel yield at most 128 pixels.
constexpr uint64_t kMaxPacketExpansion = 128;

enum class Kind { Mapped, TrueColour, Grey };

[[noreturn]] void Fail(const std::string& what) {
    throw ImageFileError(std::string(kTga) + ": " + what);
}

struct TgaHeader {
    Kind kind = Kind::TrueColour;
    bool rle = false, topDown = false, rightToLeft = false;
    int mapFirst = 0, mapLength = 0, mapEntryBits = 0;
    int width = 0, height = 0, pixelBits = 0;
    size_t mapOffset = 0, dataOffset = 0;
};

TgaHeader ParseHeader(ByteSpan data) {
    ByteReader r(data, kTga);
    TgaHeader h;
    const int idLength = r.u8();
    const int mapType = r.u8();
    const int type = r.u8();
    h.mapFirst = r.u16le();
    h.mapLength = r.u16le();
    h.mapEntryBits = r.u8();
    r.skip(4);  // origin
    h.width = r.u16le();
    h.height = r.u16le();
    h.pixelBits = r.u8();
    const int descriptor = r.u8();
    h.topDown = descriptor & 0x20;
    h.rightToLeft = descriptor & 0x10;
    h.rle = type >= 9;
    switch (type & 7) {
    case 1: h.kind = Kind::Mapped; break;
    case 2: h.kind = Kind::TrueColour; break;
    case 3: h.kind = Kind::Grey; break;
    default: Fail("unsupported image type " + std::to_string(type) + ".");
    }
    if (type > 11) Fail("unsupported image type " + std::to_string(type) + ".");
    if (mapType > 1) Fail("unsupported colour map type " + std::to_string(mapType) + ".");
    if (h.kind == Kind::Mapped) {
        if (mapType != 1 || h.mapLength == 0) Fail("the colour map is missing.");
        if (h.pixelBits != 8) Fail("colour-mapped pixels must have 8 bits.");
        const int e = h.mapEntryBits;
        if (e != 15 && e != 16 && e != 24 && e != 32)
            Fail("unsupported colour map entry size " + std::to_string(e) + ".");
    } else if (h.kind == Kind::TrueColour) {
        const int b = h.pixelBits;
        if (b != 15 && b != 16 && b != 24 && b != 32)
            Fail("unsupported pixel size " + std::to_string(b) + ".");
    } else if (h.pixelBits != 8) {
        Fail("grey pixels must have 8 bits.");
    }
    if (h.width == 0 || h.height == 0) Fail("the picture has no width or height.");
    h.mapOffset = kHeaderSize + size_t(idLength);
    const size_t mapBytes = mapType == 1 ? size_t(h.mapLength) * ((size_t(h.mapEntryBits) + 7) / 8) : 0;
    h.dataOffset = h.mapOffset + mapBytes;
    r.seek(h.dataOffset);  // the ID and the map lie inside the file
    return h;
}

std::vector<PaletteEntry> ReadColourMap(ByteSpan data, const TgaHeader& h) {
    std::vector<PaletteEntry> pal(256);
    const size_t entryBytes = (size_t(h.mapEntryBits) + 7) / 8;
    for (int i = 0; i < h.mapLength && h.mapFirst + i < 256; ++i) {
        const uint8_t* e = data.data() + h.mapOffset + size_t(i) * entryBytes;
        uint8_t bgr[3];
        if (entryBytes == 2)
            Rgb555ToBgr(e, bgr, 1);
        else
            std::memcpy(bgr, e, 3);
        pal[size_t(h.mapFirst + i)] = PaletteEntry{bgr[2], bgr[1], bgr[0], 0};
    }
    return pal;
}

void ReverseRow(uint8_t* row, int width, int depth) {
    if (depth == 8) {
        std::reverse(row, row + width);
        return;
    }
    for (int a = 0, b = width - 1; a < b; ++a, --b)
        std::swap_ranges(row + 3 * a, row + 3 * a + 3, row + 3 * b);
}

}  // namespace

ImageInfo ReadTgaInfo(ByteSpan data) {
    const TgaHeader h = ParseHeader(data);
    return ImageInfo{h.width, h.height, h.pixelBits, 1, h.kind == Kind::TrueColour ? 24 : 8};
}

Bitmap DecodeTga(ByteSpan data) {
    const TgaHeader h = ParseHeader(data);
    const int depth = h.kind == Kind::TrueColour ? 24 : 8;
    const size_t pixelBytes = (size_t(h.pixelBits) + 7) / 8;
    const size_t w = size_t(h.width);
    const ByteSpan pixels = data.subspan(h.dataOffset);
    const uint64_t rawBytes = uint64_t(w) * uint64_t(h.height) * pixelBytes;
    Bitmap bmp = NewRasterBitmap(kTga, h.width, h.height, depth, rawBytes, pixels.size(),
                                 h.rle ? kMaxPacketExpansion : 1);
    std::vector<uint8_t> line(w * pixelBytes);
    TgaPacketDecoder packets(pixels, int(pixelBytes), kTga);
    for (int fy = 0; fy < h.height; ++fy) {
        const uint8_t* src;
        if (h.rle) {
            packets.read(line.data(), w);
            src = line.data();
        } else {
            src = pixels.data() + size_t(fy) * line.size();  // size checked above
        }
        uint8_t* row = bmp.scanLine(h.topDown ? fy : h.height - 1 - fy);
        switch (pixelBytes) {
        case 1: std::memcpy(row, src, w); break;
        case 2: Rgb555ToBgr(src, row, w); break;
        case 3: std::memcpy(row, src, w * 3); break;
        default: BgrxToBgr(src, row, w); break;
        }
        if (h.rightToLeft) ReverseRow(row, h.width, depth);
    }
    if (h.kind == Kind::Mapped)
        bmp.palette() = ReadColourMap(data, h);
    else if (h.kind == Kind::Grey)
        bmp.palette() = MakeGreyPalette(8);
    return bmp;
}

std::vector<uint8_t> EncodeTga(const Bitmap& bitmap, const RasterOptions& options) {
    const int depth = bitmap.depth();
    if ((depth != 8 && depth != 24) || bitmap.isEmpty())
        throw ImageFileError("TGA image must have 256 colors or true color");
    if (bitmap.width() > 65535 || bitmap.height() > 65535)
        throw ImageFileError("TGA pictures are at most 65535 pixels wide and high.");
    const int pixelBits = depth == 8 ? 8 : options.has("16") ? 16 : options.has("32") ? 32 : 24;
    const bool topDown = options.has("ydown");
    const size_t w = size_t(bitmap.width());
    const size_t rowBytes = w * size_t(pixelBits / 8);
    ByteWriter out;
    out.reserve(kHeaderSize + 768 + rowBytes * size_t(bitmap.height()));
    out.u8(0);                  // no image ID
    out.u8(depth == 8 ? 1 : 0);
    out.u8(depth == 8 ? 1 : 2);
    out.u16le(0);
    out.u16le(depth == 8 ? 256 : 0);
    out.u8(depth == 8 ? 24 : 0);
    out.u16le(0);
    out.u16le(0);
    out.u16le(unsigned(w));
    out.u16le(unsigned(bitmap.height()));
    out.u8(unsigned(pixelBits));
    out.u8((topDown ? 0x20u : 0u) | (pixelBits == 32 ? 8u : 0u));
    if (depth == 8) {
        const auto& pal = bitmap.palette();
        for (size_t i = 0; i < 256; ++i) {
            const PaletteEntry e = i < pal.size() ? pal[i] : PaletteEntry{};
            out.u8(e.blue);
            out.u8(e.green);
            out.u8(e.red);
        }
    }
    std::vector<uint8_t> line(rowBytes);
    for (int i = 0; i < bitmap.height(); ++i) {
        const uint8_t* row = bitmap.scanLine(topDown ? i : bitmap.height() - 1 - i);
        if (pixelBits == 16)
            BgrToRgb555(row, line.data(), w);
        else if (pixelBits == 32)
            BgrToBgrx(row, line.data(), w, 255);
        else
            std::memcpy(line.data(), row, rowBytes);
        out.bytes(line.data(), rowBytes);
    }
    return out.take();
}

}  // namespace vimbra
