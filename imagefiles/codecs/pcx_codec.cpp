#include "imagefiles/codecs/pcx_codec.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "imagefiles/pixel_convert.h"

namespace vimbra {
namespace {

constexpr const char* kPcx = "Bad PCX file";
constexpr const char* kDcx = "Bad DCX file";
constexpr size_t kHeaderSize = 128;
constexpr size_t kPalette256Size = 769;  // marker byte 12 and 256 red-green-blue triples
// A two-byte run yields at most 63 bytes.
constexpr uint64_t kMaxRunExpansion = 32;
constexpr uint32_t kDcxMagic = 987654321;
constexpr size_t kDcxMaxPages = 1023;

[[noreturn]] void Fail(const char* format, const std::string& what) {
    throw ImageFileError(std::string(format) + ": " + what);
}

struct PcxHeader {
    int bitsPerPlane = 0, planes = 0, depth = 0;
    bool raw = false;
    int64_t width = 0, height = 0;
    size_t bytesPerLine = 0;
    int xDpi = 0, yDpi = 0;
    const uint8_t* colormap = nullptr;  // 16 red-green-blue triples
};

PcxHeader ParseHeader(ByteSpan data) {
    ByteReader r(data, kPcx);
    const ByteSpan head = r.bytes(kHeaderSize);
    ByteReader f(head, kPcx);
    if (f.u8() != 10) Fail(kPcx, "the manufacturer byte is not 10.");
    const int version = f.u8();
    if (version == 4 || version > 5)
        Fail(kPcx, "unsupported version " + std::to_string(version) + ".");
    const int encoding = f.u8();
    // 0 (raw rows) is not in the format's description but some writers use it.
    if (encoding > 1) Fail(kPcx, "unsupported encoding " + std::to_string(encoding) + ".");
    PcxHeader h;
    h.raw = encoding == 0;
    h.bitsPerPlane = f.u8();
    const int xMin = f.u16le(), yMin = f.u16le(), xMax = f.u16le(), yMax = f.u16le();
    h.xDpi = f.u16le();
    h.yDpi = f.u16le();
    h.colormap = head.data() + 16;
    f.seek(65);
    h.planes = f.u8();
    h.bytesPerLine = f.u16le();
    const int b = h.bitsPerPlane, p = h.planes;
    h.depth = (b == 1 && p == 1) ? 1 : ((b == 1 && p == 4) || (b == 4 && p == 1)) ? 4
            : (b == 8 && p == 1) ? 8 : (b == 8 && p == 3) ? 24 : 0;
    if (h.depth == 0)
        Fail(kPcx, "unsupported layout of " + std::to_string(b) + " bits in " + std::to_string(p) +
                       " planes.");
    if (xMax < xMin || yMax < yMin) Fail(kPcx, "the picture window is empty.");
    h.width = int64_t(xMax) - xMin + 1;
    h.height = int64_t(yMax) - yMin + 1;
    if (uint64_t(h.bytesPerLine) * 8 < uint64_t(h.width) * uint64_t(b))
        Fail(kPcx, "bytes per line " + std::to_string(h.bytesPerLine) + " is too small for width " +
                       std::to_string(h.width) + ".");
    return h;
}

void ClearTail(uint8_t* row, int width, int bits) {
    const size_t usedBits = size_t(width) * size_t(bits);
    if (usedBits % 8) row[usedBits / 8] &= uint8_t(0xFF << (8 - usedBits % 8));
}

int Luminance(const PaletteEntry& e) { return 30 * e.red + 60 * e.green + 10 * e.blue; }

}  // namespace

ImageInfo ReadPcxInfo(ByteSpan data) {
    const PcxHeader h = ParseHeader(data);
    return ImageInfo{int(h.width), int(h.height), h.depth, 1, h.depth};
}

Bitmap DecodePcx(ByteSpan data, const RasterOptions& options) {
    const PcxHeader h = ParseHeader(data);
    CheckPictureSize(kPcx, h.width, h.height);
    ByteSpan runs = data.subspan(kHeaderSize);
    std::vector<PaletteEntry> palette;
    if (h.depth == 8) {
        if (runs.size() < kPalette256Size || runs[runs.size() - kPalette256Size] != 12)
            Fail(kPcx, "the 256-colour palette is missing.");
        const uint8_t* rgb = data.data() + data.size() - 768;
        palette.resize(256);
        for (size_t i = 0; i < 256; ++i)
            palette[i] = PaletteEntry{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], 0};
        runs = runs.first(runs.size() - kPalette256Size);
    } else if (h.depth == 4) {
        palette.resize(16);
        for (size_t i = 0; i < 16; ++i)
            palette[i] = PaletteEntry{h.colormap[3 * i], h.colormap[3 * i + 1],
                                      h.colormap[3 * i + 2], 0};
    } else if (h.depth == 1) {
        palette = {PaletteEntry{0, 0, 0, 0}, PaletteEntry{255, 255, 255, 0}};
    }
    const size_t lineBytes = h.bytesPerLine * size_t(h.planes);
    Bitmap bmp = NewRasterBitmap(kPcx, h.width, h.height, h.depth,
                                 uint64_t(lineBytes) * uint64_t(h.height), runs.size(),
                                 h.raw ? 1 : kMaxRunExpansion);
    const size_t w = size_t(h.width);
    std::vector<uint8_t> line(lineBytes);
    std::vector<uint8_t> indices(h.planes == 4 ? w : 0);
    const bool tolerateShort = options.has("trunc");
    PcxRunDecoder decoder(runs, kPcx);
    for (int y = 0; y < bmp.height(); ++y) {
        try {
            if (h.raw)
                std::memcpy(line.data(), runs.data() + size_t(y) * lineBytes, lineBytes);
            else
                decoder.read(line.data(), lineBytes);
        } catch (const ImageFileError&) {
            if (!tolerateShort) throw;
            break;
        }
        uint8_t* row = bmp.scanLine(y);
        const uint8_t* plane = line.data();
        const size_t bpl = h.bytesPerLine;
        if (h.depth == 24) {
            PlanesToBgr(plane, plane + bpl, plane + 2 * bpl, row, w);
        } else if (h.planes == 4) {
            const uint8_t* planes[4] = {plane, plane + bpl, plane + 2 * bpl, plane + 3 * bpl};
            BitPlanesToIndices(planes, 4, indices.data(), w);
            PackIndices(indices.data(), 4, row, w);
        } else {
            std::memcpy(row, plane, (w * size_t(h.depth) + 7) / 8);
            ClearTail(row, int(w), h.depth);
        }
    }
    bmp.palette() = std::move(palette);
    bmp.xDotsPerInch = h.xDpi;
    bmp.yDotsPerInch = h.yDpi;
    return bmp;
}

std::vector<uint8_t> EncodePcx(const Bitmap& bitmap) {
    if (bitmap.isEmpty()) throw ImageFileError("Cannot write an empty picture as PCX.");
    const int depth = bitmap.depth();
    const int bitsPerPlane = depth == 24 ? 8 : depth;
    const int planes = depth == 24 ? 3 : 1;
    const size_t w = size_t(bitmap.width());
    const size_t bpl = ((w * size_t(bitsPerPlane) + 7) / 8 + 1) & ~size_t(1);
    const auto& pal = bitmap.palette();
    const bool invert = depth == 1 && pal.size() >= 2 && Luminance(pal[1]) < Luminance(pal[0]);
    const auto clampDpi = [](int dpi) { return unsigned(std::clamp(dpi, 0, 65535)); };

    ByteWriter out;
    out.reserve(kHeaderSize + bitmap.byteSize() / 2 + kPalette256Size);
    out.u8(10);
    out.u8(5);
    out.u8(1);
    out.u8(unsigned(bitsPerPlane));
    out.u16le(0);
    out.u16le(0);
    out.u16le(unsigned(w - 1));
    out.u16le(unsigned(bitmap.height() - 1));
    out.u16le(clampDpi(bitmap.xDotsPerInch));
    out.u16le(clampDpi(bitmap.yDotsPerInch));
    uint8_t colormap[48] = {};
    if (depth == 4) {
        for (size_t i = 0; i < std::min<size_t>(pal.size(), 16); ++i) {
            colormap[3 * i] = pal[i].red;
            colormap[3 * i + 1] = pal[i].green;
            colormap[3 * i + 2] = pal[i].blue;
        }
    } else if (depth == 1) {
        std::memset(colormap + 3, 255, 3);  // readers that look see black and white
    }
    out.bytes(colormap, sizeof colormap);
    out.u8(0);
    out.u8(unsigned(planes));
    out.u16le(unsigned(bpl));
    out.u16le(1);  // colour or black-and-white palette
    out.zeros(kHeaderSize - out.size());

    std::vector<uint8_t> line(bpl * size_t(planes));
    const size_t used = (w * size_t(bitsPerPlane) + 7) / 8;
    for (int y = 0; y < bitmap.height(); ++y) {
        const uint8_t* row = bitmap.scanLine(y);
        std::fill(line.begin(), line.end(), 0);
        if (depth == 24) {
            BgrToPlanes(row, line.data(), line.data() + bpl, line.data() + 2 * bpl, w);
        } else {
            std::memcpy(line.data(), row, used);
            if (invert)
                for (size_t i = 0; i < used; ++i) line[i] = uint8_t(~line[i]);
        }
        for (int p = 0; p < planes; ++p)
            EncodePcxRuns(line.data() + size_t(p) * bpl, bpl, out.buffer());
    }
    if (depth == 8) {
        out.u8(12);
        for (size_t i = 0; i < 256; ++i) {
            const PaletteEntry e = i < pal.size() ? pal[i] : PaletteEntry{};
            out.u8(e.red);
            out.u8(e.green);
            out.u8(e.blue);
        }
    }
    return out.take();
}

namespace {

std::vector<uint32_t> DcxOffsets(ByteSpan data) {
    ByteReader r(data, kDcx);
    if (r.u32le() != kDcxMagic) Fail(kDcx, "the DCX signature is missing.");
    std::vector<uint32_t> offsets;
    while (offsets.size() < kDcxMaxPages) {
        const uint32_t off = r.u32le();
        if (off == 0) break;
        if (off < 8 || off >= data.size()) Fail(kDcx, "a page offset lies outside the file.");
        offsets.push_back(off);
    }
    if (offsets.empty()) Fail(kDcx, "the file has no pages.");
    return offsets;
}

ByteSpan DcxPage(ByteSpan data, int page) {
    const std::vector<uint32_t> offsets = DcxOffsets(data);
    if (page < 0 || size_t(page) >= offsets.size())
        Fail(kDcx, "page " + std::to_string(page + 1) + " does not exist.");
    const size_t start = offsets[size_t(page)];
    size_t end = data.size();
    // Pages normally follow one another; otherwise a page runs to the file end.
    if (size_t(page) + 1 < offsets.size() && offsets[size_t(page) + 1] > start)
        end = offsets[size_t(page) + 1];
    return data.subspan(start, end - start);
}

}  // namespace

int DcxPageCount(ByteSpan data) { return int(DcxOffsets(data).size()); }

ImageInfo ReadDcxInfo(ByteSpan data) {
    ImageInfo info = ReadPcxInfo(DcxPage(data, 0));
    info.pageCount = DcxPageCount(data);
    return info;
}

Bitmap DecodeDcxPage(ByteSpan data, int page) { return DecodePcx(DcxPage(data, page)); }

std::vector<uint8_t> EncodeDcx(const std::vector<Bitmap>& pages) {
    if (pages.empty() || pages.size() > kDcxMaxPages)
        throw ImageFileError("A DCX file holds 1 to 1023 pages.");
    ByteWriter out;
    out.u32le(kDcxMagic);
    const size_t tableSize = 4 * (kDcxMaxPages + 1);
    out.zeros(tableSize);
    for (size_t i = 0; i < pages.size(); ++i) {
        const uint32_t offset = uint32_t(out.size());
        uint8_t* slot = out.buffer().data() + 4 + 4 * i;
        for (int b = 0; b < 4; ++b) slot[b] = uint8_t(offset >> (8 * b));
        const std::vector<uint8_t> pcx = EncodePcx(pages[i]);
        out.bytes(pcx.data(), pcx.size());
    }
    return out.take();
}

}  // namespace vimbra
