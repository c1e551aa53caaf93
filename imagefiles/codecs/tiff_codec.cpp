#include "imagefiles/codecs/tiff_codec.h"

#include <tiffio.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace vimbra {
namespace {

constexpr tmsize_t kMaxSingleAlloc = tmsize_t(512) << 20;
constexpr size_t kBandPixels = size_t(8) << 20;  // RGBA pixels decoded at a time
constexpr size_t kStripBufferBytes = size_t(32) << 20;

[[noreturn]] void TiffFail(const std::string& detail) {
    throw ImageFileError("ETiffError " + detail);
}

// A file held in memory, read-only over caller data or growable for writing.
struct MemoryFile {
    const uint8_t* data = nullptr;
    size_t size = 0;
    std::vector<uint8_t>* out = nullptr;
    uint64_t pos = 0;

    const uint8_t* bytes() const { return out ? out->data() : data; }
    size_t length() const { return out ? out->size() : size; }
};

tmsize_t ReadProc(thandle_t h, void* buf, tmsize_t n) {
    auto* f = static_cast<MemoryFile*>(h);
    if (n <= 0 || f->pos >= f->length()) return 0;
    const size_t count = std::min(size_t(n), size_t(f->length() - f->pos));
    std::memcpy(buf, f->bytes() + f->pos, count);
    f->pos += count;
    return tmsize_t(count);
}

tmsize_t WriteProc(thandle_t h, void* buf, tmsize_t n) {
    auto* f = static_cast<MemoryFile*>(h);
    if (!f->out || n < 0) return -1;
    try {
        const uint64_t end = f->pos + uint64_t(n);
        if (end > f->out->size()) f->out->resize(size_t(end));
        std::memcpy(f->out->data() + f->pos, buf, size_t(n));
        f->pos = end;
        return n;
    } catch (...) {
        return -1;  // libtiff reports the short write
    }
}

toff_t SeekProc(thandle_t h, toff_t off, int whence) {
    auto* f = static_cast<MemoryFile*>(h);
    uint64_t base = 0;
    if (whence == SEEK_CUR) base = f->pos;
    else if (whence == SEEK_END) base = f->length();
    if (off > (uint64_t(1) << 40) || base + off > (uint64_t(1) << 40)) return toff_t(-1);
    f->pos = base + off;
    return f->pos;
}

int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t h) { return static_cast<MemoryFile*>(h)->length(); }

int MapProc(thandle_t h, void** base, toff_t* size) {
    auto* f = static_cast<MemoryFile*>(h);
    if (f->out) return 0;
    *base = const_cast<uint8_t*>(f->data);
    *size = f->size;
    return 1;
}

void UnmapProc(thandle_t, void*, toff_t) {}

// libtiff's messages go nowhere: the caller raises its own.
int QuietHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffHandle {
    TIFF* tif = nullptr;
    TiffHandle(MemoryFile& file, const char* mode) {
        TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
        if (!opts) TiffFail("TIFFOpen");
        TIFFOpenOptionsSetMaxSingleMemAlloc(opts, kMaxSingleAlloc);
        TIFFOpenOptionsSetErrorHandlerExtR(opts, QuietHandler, nullptr);
        TIFFOpenOptionsSetWarningHandlerExtR(opts, QuietHandler, nullptr);
        tif = TIFFClientOpenExt("memory", mode, &file, ReadProc, WriteProc, SeekProc, CloseProc,
                                SizeProc, MapProc, UnmapProc, opts);
        TIFFOpenOptionsFree(opts);
        if (!tif) TiffFail("TIFFOpen");
    }
    ~TiffHandle() { TIFFClose(tif); }
    TiffHandle(const TiffHandle&) = delete;
    TiffHandle& operator=(const TiffHandle&) = delete;
};

bool IsFax(uint16_t c) {
    return c == COMPRESSION_CCITTRLE || c == COMPRESSION_CCITTFAX3 || c == COMPRESSION_CCITTFAX4 ||
           c == COMPRESSION_CCITTRLEW;
}

// What the reader needs to know about the current directory.
struct Page {
    uint32_t width = 0, height = 0;
    uint16_t photometric = 0, compression = 1, bitsPerSample = 1, samples = 1, planar = 1;
    uint32_t t4Options = 0;
    bool general = false;  // read through libtiff's RGBA interface
    int bits = 0;          // bits per pixel of the bitmap
    int xDpi = 0, yDpi = 0;
};

int DotsPerInch(float resolution, uint16_t unit) {
    const double dpi = unit == RESUNIT_INCH ? resolution : resolution * 2.54;
    return (dpi > 0 && dpi < 1e6) ? int(std::lround(dpi)) : 0;
}

Page ReadPageFacts(TIFF* tif, const TiffReadOptions& options) {
    Page p;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &p.width)) TiffFail("TIFFGetField: Tag = 256");
    if (!TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &p.height)) TiffFail("TIFFGetField: Tag = 257");
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &p.photometric)) p.photometric = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &p.compression);
    if (!TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &p.bitsPerSample)) {
        if (!IsFax(p.compression)) TiffFail("TIFFGetField: Tag = 258");
        p.bitsPerSample = 1;
    }
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &p.samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &p.planar);
    if (p.compression == COMPRESSION_CCITTFAX3) TIFFGetField(tif, TIFFTAG_GROUP3OPTIONS, &p.t4Options);
    uint16_t unit = RESUNIT_INCH;
    TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    float xRes = 0, yRes = 0;
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xRes);
    TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yRes);
    p.xDpi = DotsPerInch(xRes, unit);
    p.yDpi = DotsPerInch(yRes, unit);

    if (p.compression == COMPRESSION_LZW && !options.acceptLzw) throw ImageFileError("LZW not supported");
    // Photometric values beyond palette and mask (CMYK, YCbCr, CIE Lab…) need conversion.
    p.general = p.compression == COMPRESSION_JPEG || TIFFIsTiled(tif) || p.photometric > 4 ||
                p.bitsPerSample > 8 || p.planar > 1;
    const int samples = std::max<int>(p.samples, 1);
    if (p.general) {
        // The RGBA reader delivers 8-bit samples.
        if (p.photometric <= PHOTOMETRIC_MINISBLACK && samples == 1)
            p.bits = std::min<int>(p.bitsPerSample, 8);
        else if (p.photometric == PHOTOMETRIC_PALETTE && samples == 1)
            p.bits = p.bitsPerSample;
        else
            p.bits = 24;
    } else {
        // Interleaved colour keeps its first three 8-bit samples; anything else
        // must be one sample of 1, 4 or 8 bits.
        p.bits = p.bitsPerSample * samples;
        if (p.bitsPerSample == 8 && samples >= 3) p.bits = 24;
    }
    const bool valid = p.bits == 24 || ((p.bits == 1 || p.bits == 4 || p.bits == 8) &&
                                        (p.general || samples == 1));
    if (!valid) TiffFail("Unsupported bit count: " + std::to_string(p.bits));
    return p;
}

TiffCompression CompressionForTag(uint16_t tag, uint32_t t4Options, bool adobeIsZLib) {
    switch (tag) {
    case COMPRESSION_NONE: return TiffCompression::None;
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW: return TiffCompression::FaxGroup3_1D;
    case COMPRESSION_CCITTFAX3:
        return (t4Options & 1) ? TiffCompression::FaxGroup3_2D : TiffCompression::FaxGroup3_1D;
    case COMPRESSION_CCITTFAX4: return TiffCompression::FaxGroup4;
    case COMPRESSION_JPEG: return TiffCompression::Jpeg;
    case COMPRESSION_ADOBE_DEFLATE: return adobeIsZLib ? TiffCompression::ZLib : TiffCompression::ZLibAdobe;
    case COMPRESSION_PACKBITS: return TiffCompression::PackBits;
    case COMPRESSION_DEFLATE: return TiffCompression::ZLib;
    default: return TiffCompression::None;
    }
}

// Finds the palette entry nearest to a colour; the lowest index wins a tie.
class NearestIndex {
public:
    explicit NearestIndex(const std::vector<PaletteEntry>& palette) : palette_(palette) {
        cache_.fill(kEmpty);
    }
    int operator()(uint8_t r, uint8_t g, uint8_t b) {
        const uint32_t colour = uint32_t(r) << 16 | uint32_t(g) << 8 | b;
        uint64_t& slot = cache_[colour % cache_.size()];
        if (slot != kEmpty && uint32_t(slot >> 8) == colour) return int(slot & 0xFF);
        int best = 0, bestDistance = 1 << 30;
        for (size_t i = 0; i < palette_.size() && bestDistance > 0; ++i) {
            const PaletteEntry& e = palette_[i];
            const int d = (r - e.red) * (r - e.red) + (g - e.green) * (g - e.green) +
                          (b - e.blue) * (b - e.blue);
            if (d < bestDistance) {
                bestDistance = d;
                best = int(i);
            }
        }
        slot = uint64_t(colour) << 8 | uint64_t(best);
        return best;
    }

private:
    static constexpr uint64_t kEmpty = ~uint64_t(0);
    const std::vector<PaletteEntry>& palette_;
    std::array<uint64_t, 4093> cache_;
};

void SetIndex(Bitmap& b, int x, int y, int index) {
    uint8_t* row = b.scanLine(y);
    switch (b.depth()) {
    case 1: {
        const uint8_t bit = uint8_t(0x80 >> (x & 7));
        row[x >> 3] = index ? uint8_t(row[x >> 3] | bit) : uint8_t(row[x >> 3] & ~bit);
        break;
    }
    case 4:
        row[x >> 1] = (x & 1) ? uint8_t((row[x >> 1] & 0xF0) | index)
                              : uint8_t((row[x >> 1] & 0x0F) | index << 4);
        break;
    default: row[x] = uint8_t(index);
    }
}

void ReadThroughRgba(TIFF* tif, Bitmap& bitmap) {
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif, message)) TiffFail("TIFFReadRGBAImage");
    TIFFRGBAImage img;
    if (!TIFFRGBAImageBegin(&img, tif, 1, message)) TiffFail("TIFFReadRGBAImage");
    struct End {
        TIFFRGBAImage* img;
        ~End() { TIFFRGBAImageEnd(img); }
    } end{&img};
    img.req_orientation = img.orientation;  // rows in file order, as the strip reader does
    const int width = bitmap.width(), height = bitmap.height();
    uint32_t preferred = 64, tileOrStrip = 0;
    if (TIFFIsTiled(tif) ? TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileOrStrip)
                         : TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &tileOrStrip))
        preferred = std::max<uint32_t>(preferred, tileOrStrip);
    const int band = int(std::clamp<size_t>(preferred, 1, std::max<size_t>(1, kBandPixels / size_t(width))));
    std::vector<uint32_t> raster(size_t(width) * size_t(std::min(band, height)));
    NearestIndex nearest(bitmap.palette());
    for (int top = 0; top < height; top += band) {
        const int rows = std::min(band, height - top);
        img.row_offset = top;
        img.col_offset = 0;
        if (!TIFFRGBAImageGet(&img, raster.data(), uint32_t(width), uint32_t(rows)))
            TiffFail("TIFFReadRGBAImage");
        for (int i = 0; i < rows; ++i) {
            const uint32_t* src = raster.data() + size_t(i) * size_t(width);
            const int y = top + i;
            if (bitmap.depth() == 24) {
                uint8_t* dst = bitmap.scanLine(y);
                for (int x = 0; x < width; ++x, dst += 3) {
                    dst[0] = uint8_t(TIFFGetB(src[x]));
                    dst[1] = uint8_t(TIFFGetG(src[x]));
                    dst[2] = uint8_t(TIFFGetR(src[x]));
                }
            } else {
                for (int x = 0; x < width; ++x)
                    SetIndex(bitmap, x, y,
                             nearest(uint8_t(TIFFGetR(src[x])), uint8_t(TIFFGetG(src[x])),
                                     uint8_t(TIFFGetB(src[x]))));
            }
        }
    }
}

// Rows in file order, first three samples kept, as blue, green, red.
void CopyRowsBgr(const uint8_t* src, size_t srcStride, int samples, Bitmap& bitmap, int top,
                 int rows) {
    for (int i = 0; i < rows; ++i, src += srcStride) {
        const uint8_t* in = src;
        uint8_t* dst = bitmap.scanLine(top + i);
        for (int x = 0; x < bitmap.width(); ++x, in += samples, dst += 3) {
            const uint8_t r = in[0], g = in[1], b = in[2];  // in may be dst
            dst[0] = b;
            dst[1] = g;
            dst[2] = r;
        }
    }
}

void ReadScanlines(TIFF* tif, const Page& p, Bitmap& bitmap, size_t lineSize) {
    std::vector<uint8_t> line(lineSize);
    for (int y = 0; y < bitmap.height(); ++y) {
        if (TIFFReadScanline(tif, line.data(), uint32_t(y), 0) < 0)
            TiffFail(IsFax(p.compression) ? "TIFFReadScanline" : "TIFFReadEncodedStrip");
        if (p.bits == 24)
            CopyRowsBgr(line.data(), lineSize, p.samples, bitmap, y, 1);
        else
            std::memcpy(bitmap.scanLine(y), line.data(), std::min(lineSize, bitmap.stride()));
    }
}

// Whole strips at a time: libtiff then hands deflate data to its fastest
// inflater, and strips whose rows match the bitmap's go straight into it.
void ReadStrips(TIFF* tif, const Page& p, Bitmap& bitmap, size_t lineSize, uint32_t rowsPerStrip,
                bool direct) {
    const int height = bitmap.height();
    std::vector<uint8_t> buffer(direct ? 0 : lineSize * rowsPerStrip);
    for (int top = 0; top < height; top += int(rowsPerStrip)) {
        const int rows = int(std::min<uint32_t>(rowsPerStrip, uint32_t(height - top)));
        const tmsize_t want = tmsize_t(lineSize * size_t(rows));
        uint8_t* target = direct ? bitmap.scanLine(top) : buffer.data();
        if (TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, uint32_t(top), 0), target, want) != want)
            TiffFail("TIFFReadEncodedStrip");
        if (p.bits == 24)
            CopyRowsBgr(target, lineSize, p.samples, bitmap, top, rows);
        else if (!direct)
            for (int i = 0; i < rows; ++i)
                std::memcpy(bitmap.scanLine(top + i), target + size_t(i) * lineSize,
                            std::min(lineSize, bitmap.stride()));
    }
}

void ReadPixels(TIFF* tif, const Page& p, Bitmap& bitmap) {
    const tmsize_t lineSize = TIFFScanlineSize(tif);
    if (lineSize <= 0) TiffFail("TIFFScanlineSize");
    if (p.bits == 24 && size_t(lineSize) < size_t(bitmap.width()) * size_t(p.samples))
        TiffFail("TIFFScanlineSize");
    uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    rowsPerStrip = std::clamp<uint32_t>(rowsPerStrip, 1, uint32_t(bitmap.height()));
    // Rows laid out as the bitmap's (colour needs only its order swapped).
    const bool direct = size_t(lineSize) == bitmap.stride() && (p.bits != 24 || p.samples == 3);
    // Fax files keep the row reader (and its message); so do strips too large
    // for a scratch buffer when they cannot go straight into the bitmap.
    if (IsFax(p.compression) || (!direct && size_t(lineSize) * rowsPerStrip > kStripBufferBytes))
        ReadScanlines(tif, p, bitmap, size_t(lineSize));
    else
        ReadStrips(tif, p, bitmap, size_t(lineSize), rowsPerStrip, direct);
}

void ClearRowTails(Bitmap& b) {
    const int bits = b.width() * b.depth() % 8;
    const size_t used = (size_t(b.width()) * size_t(b.depth()) + 7) / 8;
    for (int y = 0; y < b.height(); ++y) {
        uint8_t* row = b.scanLine(y);
        if (b.depth() <= 4 && bits) row[used - 1] &= uint8_t(0xFF00 >> bits);
        std::fill(row + used, row + b.stride(), uint8_t(0));
    }
}

void SetPalette(TIFF* tif, const Page& p, Bitmap& bitmap) {
    auto& pal = bitmap.palette();
    if (p.photometric == PHOTOMETRIC_PALETTE && p.bits <= 8) {
        uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
        if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b)) TiffFail("TIFFGetField3: Tag = 320");
        const size_t count = std::min(size_t(1) << p.bitsPerSample, pal.size());
        bool wide = false;
        for (size_t i = 0; i < count; ++i) wide = wide || r[i] > 255 || g[i] > 255 || b[i] > 255;
        auto scale = [wide](uint16_t v) { return uint8_t(wide ? v * 255u / 65535u : v & 0xFF); };
        for (size_t i = 0; i < count; ++i) pal[i] = {scale(r[i]), scale(g[i]), scale(b[i]), 0};
    } else if (p.bits <= 8) {
        const int n = int(pal.size());
        for (int i = 0; i < n; ++i) {
            const uint8_t v = uint8_t(i * 255 / (n - 1));
            pal[size_t(i)] = {v, v, v, 0};
        }
    }
}

// Refuses a page whose stored data is too short to hold its pixels under the
// best ratio its compression can reach, before anything is allocated for it.
void CheckStoredBytes(TIFF* tif, const Page& p, uint64_t fileSize) {
    uint64_t ratio = 0;
    switch (p.compression) {
    case COMPRESSION_NONE: ratio = 1; break;
    case COMPRESSION_PACKBITS: ratio = 64; break;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: ratio = 1032; break;
    case COMPRESSION_LZW: ratio = 4096; break;
    default: return;
    }
    const uint64_t raw = uint64_t(p.height) *
                         ((uint64_t(p.width) * p.bitsPerSample * std::max<uint16_t>(p.samples, 1) + 7) / 8);
    const uint32_t count = TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    uint64_t stored = 0;
    for (uint32_t i = 0; i < count && stored * ratio < raw; ++i) stored += TIFFGetStrileByteCount(tif, i);
    if (std::min(stored, fileSize) * ratio < raw) throw ImageFileError("TIFF: the file is truncated.");
}

void SelectPage(TIFF* tif, int page) {
    if (page < 1 || !TIFFSetDirectory(tif, tdir_t(page - 1))) TiffFail("TIFFSetDirectory");
}

const char* FormatText(const Bitmap& b) {
    switch (b.depth()) {
    case 1: return "B/W";
    case 4: return b.hasGreyPalette() ? "4bpp gray" : "4bpp color";
    case 8: return b.hasGreyPalette() ? "8bpp gray" : "8bpp color";
    default: return "24bpp color";
    }
}

struct CompressionRow {
    uint16_t tag;
    uint32_t rowsPerStrip;
};

CompressionRow RowFor(TiffCompression c) {
    switch (c) {
    case TiffCompression::PackBits: return {COMPRESSION_PACKBITS, 16};
    case TiffCompression::FaxGroup3_1D:
    case TiffCompression::FaxGroup3_2D: return {COMPRESSION_CCITTFAX3, 256};
    case TiffCompression::FaxGroup4: return {COMPRESSION_CCITTFAX4, 256};
    case TiffCompression::ZLib: return {COMPRESSION_DEFLATE, 16};
    case TiffCompression::Jpeg: return {COMPRESSION_JPEG, 8};
    case TiffCompression::ZLibAdobe: return {COMPRESSION_ADOBE_DEFLATE, 16};
    default: return {COMPRESSION_NONE, 16};
    }
}

int Luminance(const PaletteEntry& e) { return 30 * e.red + 60 * e.green + 10 * e.blue; }

template <typename T>
void SetField(TIFF* tif, uint32_t tag, T value) {
    if (!TIFFSetField(tif, tag, value)) TiffFail("TIFFSetIntField: Tag = " + std::to_string(tag));
}

void WritePage(TIFF* tif, const Bitmap& bitmap, TiffCompression compression) {
    const CompressionRow row = RowFor(compression);
    const bool fax = compression == TiffCompression::FaxGroup3_1D ||
                     compression == TiffCompression::FaxGroup3_2D ||
                     compression == TiffCompression::FaxGroup4;
    SetField(tif, TIFFTAG_COMPRESSION, row.tag);
    if (row.tag == COMPRESSION_CCITTFAX3)
        SetField(tif, TIFFTAG_GROUP3OPTIONS, uint32_t(compression == TiffCompression::FaxGroup3_2D ? 1 : 0));
    SetField(tif, TIFFTAG_ROWSPERSTRIP, row.rowsPerStrip);
    SetField(tif, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
    TIFFSetField(tif, TIFFTAG_SOFTWARE, "Vimbra");
    char stamp[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) && std::strftime(stamp, sizeof stamp, "%Y:%m:%d %H:%M:%S", &local))
        TIFFSetField(tif, TIFFTAG_DATETIME, stamp);
    SetField(tif, TIFFTAG_RESOLUTIONUNIT, uint16_t(RESUNIT_INCH));
    // Baseline readers expect a resolution; 72 stands in for an unknown one.
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, double(bitmap.xDotsPerInch > 0 ? bitmap.xDotsPerInch : 72));
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, double(bitmap.yDotsPerInch > 0 ? bitmap.yDotsPerInch : 72));
    SetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(bitmap.width()));
    SetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(bitmap.height()));

    const int depth = bitmap.depth();
    const auto& pal = bitmap.palette();
    auto entry = [&pal](size_t i) { return i < pal.size() ? pal[i] : PaletteEntry{}; };
    bool invertBits = false, usePalette = false;
    uint16_t photometric = PHOTOMETRIC_RGB;
    if (depth == 1) {
        const PaletteEntry e0 = entry(0), e1 = entry(1);
        const PaletteEntry black{}, white{255, 255, 255, 0};
        const bool blackWhite = (e0 == black && e1 == white) || (e0 == white && e1 == black);
        if (blackWhite || fax) {
            photometric = fax ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK;
            const bool zeroIsDark = Luminance(e0) <= Luminance(e1);
            invertBits = (photometric == PHOTOMETRIC_MINISBLACK) != zeroIsDark;
        } else {
            usePalette = true;
        }
    } else if (depth <= 8) {
        usePalette = !bitmap.hasGreyPalette();
        photometric = PHOTOMETRIC_MINISBLACK;
    }
    if (usePalette) photometric = PHOTOMETRIC_PALETTE;
    SetField(tif, TIFFTAG_BITSPERSAMPLE, uint16_t(depth == 24 ? 8 : depth));
    SetField(tif, TIFFTAG_SAMPLESPERPIXEL, uint16_t(depth == 24 ? 3 : 1));
    SetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    if (usePalette) {
        const size_t n = size_t(1) << depth;
        std::vector<uint16_t> r(n), g(n), b(n);
        for (size_t i = 0; i < n; ++i) {
            const PaletteEntry e = entry(i);
            r[i] = uint16_t(e.red * 257);
            g[i] = uint16_t(e.green * 257);
            b[i] = uint16_t(e.blue * 257);
        }
        if (!TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data()))
            TiffFail("TIFFSetIntField: Tag = 320");
    }

    const size_t used = (size_t(bitmap.width()) * size_t(depth) + 7) / 8;
    std::vector<uint8_t> line(used);
    for (int y = 0; y < bitmap.height(); ++y) {
        const uint8_t* src = bitmap.scanLine(y);
        if (depth == 24) {
            for (size_t i = 0; i < used; i += 3) {
                line[i] = src[i + 2];
                line[i + 1] = src[i + 1];
                line[i + 2] = src[i];
            }
        } else if (invertBits) {
            for (size_t i = 0; i < used; ++i) line[i] = uint8_t(~src[i]);
        } else {
            std::memcpy(line.data(), src, used);
        }
        if (TIFFWriteScanline(tif, line.data(), uint32_t(y), 0) < 0) TiffFail("TIFFWriteScanLine");
    }
    if (!TIFFWriteDirectory(tif)) TiffFail("TIFFWriteDirectory");
}

}  // namespace

const char* TiffCompressionText(TiffCompression compression) {
    switch (compression) {
    case TiffCompression::None: return "None";
    case TiffCompression::PackBits: return "Packbits";
    case TiffCompression::FaxGroup3_1D: return "Fax Group 3, 1D";
    case TiffCompression::FaxGroup3_2D: return "Fax Group 3, 2D";
    case TiffCompression::FaxGroup4: return "Fax Group 4";
    case TiffCompression::ZLib: return "ZLib";
    case TiffCompression::Jpeg: return "JPEG";
    case TiffCompression::ZLibAdobe: return "ZLib Adobe";
    }
    return "Unknown";
}

bool TiffCompressionReadable(uint16_t tag) {
    switch (tag) {
    case COMPRESSION_NONE: case COMPRESSION_CCITTRLE: case COMPRESSION_CCITTRLEW:
    case COMPRESSION_CCITTFAX3: case COMPRESSION_CCITTFAX4: case COMPRESSION_JPEG:
    case COMPRESSION_ADOBE_DEFLATE: case COMPRESSION_PACKBITS: case COMPRESSION_DEFLATE:
    case COMPRESSION_LZW:
        return true;
    default:
        return false;
    }
}

int TiffPageCount(ByteSpan data) {
    MemoryFile file{data.data(), data.size()};
    TiffHandle h(file, "r");
    return int(TIFFNumberOfDirectories(h.tif));
}

TiffInfo ReadTiffInfo(ByteSpan data, int page, const TiffReadOptions& options) {
    MemoryFile file{data.data(), data.size()};
    TiffHandle h(file, "r");
    if (page != 1) SelectPage(h.tif, page);
    const Page p = ReadPageFacts(h.tif, options);
    TiffInfo info;
    info.width = int(std::min<uint32_t>(p.width, INT32_MAX));
    info.height = int(std::min<uint32_t>(p.height, INT32_MAX));
    info.bitCount = p.bits;
    info.compressionTag = p.compression;
    info.compression = CompressionForTag(p.compression, p.t4Options, false);
    return info;
}

Bitmap DecodeTiff(ByteSpan data, int page, const TiffReadOptions& options,
                  TiffCompression* fileCompression) {
    MemoryFile file{data.data(), data.size()};
    TiffHandle h(file, "r");
    SelectPage(h.tif, page);
    const Page p = ReadPageFacts(h.tif, options);
    CheckPictureSize("TIFF", p.width, p.height);
    CheckStoredBytes(h.tif, p, data.size());

    Bitmap bitmap(int(p.width), int(p.height), p.bits);
    bitmap.xDotsPerInch = p.xDpi;
    bitmap.yDotsPerInch = p.yDpi;
    SetPalette(h.tif, p, bitmap);
    if (!TiffCompressionReadable(p.compression))
        throw ImageFileError("Unsupported compression tag, " + std::to_string(p.compression));
    if (fileCompression) *fileCompression = CompressionForTag(p.compression, p.t4Options, true);

    if (p.general) {
        ReadThroughRgba(h.tif, bitmap);  // already accounts for min-is-white
    } else {
        ReadPixels(h.tif, p, bitmap);
        if (p.photometric == PHOTOMETRIC_MINISWHITE && p.bits <= 8)
            for (int y = 0; y < bitmap.height(); ++y) {
                uint8_t* row = bitmap.scanLine(y);
                for (size_t i = 0; i < bitmap.stride(); ++i) row[i] = uint8_t(~row[i]);
            }
    }
    ClearRowTails(bitmap);
    return bitmap;
}

TiffCompression DefaultTiffCompression(const Bitmap& bitmap) {
    return bitmap.depth() == 1 ? TiffCompression::FaxGroup4 : TiffCompression::PackBits;
}

void CheckTiffCompression(const Bitmap& bitmap, TiffCompression c) {
    const int v = int(c);
    const bool ok = bitmap.depth() == 1 ? (v >= 0 && v <= 7 && v != 6)
                                        : (v == 0 || v == 1 || v == 5 || v == 7);
    if (!ok)
        throw ImageFileError(std::string(TiffCompressionText(c)) + " compression not supported with " +
                             FormatText(bitmap) + " images");
}

std::vector<uint8_t> EncodeTiff(const Bitmap& bitmap, TiffCompression compression) {
    return AppendTiffPage({}, bitmap, compression);
}

std::vector<uint8_t> AppendTiffPage(ByteSpan existing, const Bitmap& bitmap, TiffCompression compression) {
    if (bitmap.isEmpty()) throw ImageFileError("TIFF: cannot write an empty picture.");
    CheckTiffCompression(bitmap, compression);
    std::vector<uint8_t> out(existing.begin(), existing.end());
    MemoryFile file;
    file.out = &out;
    {
        TiffHandle h(file, existing.empty() ? "w" : "a");
        WritePage(h.tif, bitmap, compression);
    }
    return out;
}

}  // namespace vimbra
