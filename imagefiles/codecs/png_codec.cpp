#include "imagefiles/codecs/png_codec.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

namespace vimbra {
namespace {

// libpng reports errors by longjmp. Every call that can fail runs inside one of
// the small *Stage functions below, whose frames hold only trivially destructible
// objects, so the jump never skips a destructor.

constexpr size_t kMaxChunkBytes = size_t(64) << 20;

struct PngContext {
    const uint8_t* data = nullptr;
    size_t size = 0, pos = 0;
    std::vector<uint8_t>* out = nullptr;
    char message[256] = {};
};

void OnError(png_structp png, png_const_charp msg) {
    auto* ctx = static_cast<PngContext*>(png_get_error_ptr(png));
    std::snprintf(ctx->message, sizeof ctx->message, "%s", msg ? msg : "libpng error");
    png_longjmp(png, 1);  // to the active stage; returning would print to stderr first
}

void OnWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep out, size_t n) {
    auto* ctx = static_cast<PngContext*>(png_get_io_ptr(png));
    if (n > ctx->size - ctx->pos) png_error(png, "PNG: the file is truncated.");
    std::memcpy(out, ctx->data + ctx->pos, n);
    ctx->pos += n;
}

void WriteToMemory(png_structp png, png_bytep in, size_t n) {
    auto* ctx = static_cast<PngContext*>(png_get_io_ptr(png));
    bool failed = false;
    try {
        ctx->out->insert(ctx->out->end(), in, in + n);
    } catch (...) {
        failed = true;
    }
    if (failed) png_error(png, "Out of memory");
}

void FlushMemory(png_structp) {}

struct ReadHandles {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~ReadHandles() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

struct WriteHandles {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~WriteHandles() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

bool ReadHeaderStage(png_structp png, png_infop info) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    return true;
}

struct ReadPlan {
    bool compose = false;
    png_color_16 background{};
    int backgroundGamma = PNG_BACKGROUND_GAMMA_SCREEN;
    int needExpand = 0;
    bool scale16 = false, bgr = false, interlaced = false;
    size_t maxRowBytes = 0;
    png_bytepp rows = nullptr;
};

bool ReadPixelsStage(png_structp png, png_infop info, const ReadPlan& plan) {
    if (setjmp(png_jmpbuf(png))) return false;
    if (plan.compose) {
        // Compose in sample space whatever gAMA says, as viewers do.
        png_set_gamma(png, 1.0, 1.0);
        png_set_background(png, &plan.background, plan.backgroundGamma, plan.needExpand, 1.0);
    }
    if (plan.scale16) png_set_scale_16(png);
    if (plan.bgr) png_set_bgr(png);
    if (plan.interlaced) png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) > plan.maxRowBytes) png_error(png, "Invalid PNG file");
    png_read_image(png, plan.rows);
    return true;
}

struct WritePlan {
    png_uint_32 width = 0, height = 0;
    int bitDepth = 8, colorType = 0, interlace = PNG_INTERLACE_NONE, level = 5;
    const png_color* palette = nullptr;
    int paletteCount = 0;
    png_uint_32 xPerMetre = 0, yPerMetre = 0;
    bool bgr = false;
    png_bytepp rows = nullptr;
    ByteSpan afterHeader;
};

bool WriteStage(png_structp png, png_infop info, const WritePlan& plan) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_compression_level(png, plan.level);
    png_set_IHDR(png, info, plan.width, plan.height, plan.bitDepth, plan.colorType,
                 plan.interlace, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (plan.paletteCount > 0) png_set_PLTE(png, info, plan.palette, plan.paletteCount);
    if (plan.xPerMetre > 0 || plan.yPerMetre > 0)
        png_set_pHYs(png, info, plan.xPerMetre, plan.yPerMetre, PNG_RESOLUTION_METER);
    png_write_info_before_PLTE(png, info);
    // libpng writes straight through; nothing else is set to go before PLTE,
    // so IHDR is the last chunk out.
    if (!plan.afterHeader.empty())
        WriteToMemory(png, const_cast<png_bytep>(plan.afterHeader.data()), plan.afterHeader.size());
    png_write_info(png, info);
    if (plan.bgr) png_set_bgr(png);
    png_write_image(png, plan.rows);
    png_write_end(png, info);
    return true;
}

[[noreturn]] void Fail(const PngContext& ctx) {
    throw ImageFileError(ctx.message[0] ? ctx.message : "Invalid PNG file");
}

// Opens a reader over the data and reads up to and including IHDR.
void OpenReader(ByteSpan data, PngContext& ctx, ReadHandles& h) {
    if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0)
        throw ImageFileError("Invalid PNG file");
    ctx.data = data.data();
    ctx.size = data.size();
    h.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &ctx, OnError, OnWarning);
    if (!h.png) throw ImageFileError("png_create_read_struct failed");
    h.info = png_create_info_struct(h.png);
    if (!h.info) throw ImageFileError("png_create_info_struct failed");
    png_set_read_fn(h.png, &ctx, ReadFromMemory);
    png_set_user_limits(h.png, Bitmap::kMaxSide, Bitmap::kMaxSide);
    png_set_chunk_malloc_max(h.png, kMaxChunkBytes);
    png_set_chunk_cache_max(h.png, 1000);
    if (!ReadHeaderStage(h.png, h.info)) Fail(ctx);
}

PngInfo InfoOf(png_structp png, png_infop info) {
    PngInfo r;
    r.width = int(png_get_image_width(png, info));
    r.height = int(png_get_image_height(png, info));
    r.bitDepth = png_get_bit_depth(png, info);
    r.colorType = png_get_color_type(png, info);
    r.interlace = png_get_interlace_type(png, info);
    r.compression = png_get_compression_type(png, info);
    r.filter = png_get_filter_type(png, info);
    r.bitCount = r.bitDepth * ((r.colorType == 2 || r.colorType == 6) ? 3 : 1);
    return r;
}

// Bitmap depth for a bit depth and colour type, or the error the table gives.
int TargetDepth(const PngInfo& i) {
    const int d = i.bitDepth, c = i.colorType;
    switch (d) {
    case 1: if (c == 0 || c == 3) return 1; break;
    case 2:
    case 4: if (c == 0 || c == 3) return 4; break;
    case 8: if (c == 0 || c == 3 || c == 4) return 8; if (c == 2 || c == 6) return 24; break;
    case 16: if (c == 0 || c == 4) return 8; if (c == 2 || c == 6) return 24; break;
    default: throw ImageFileError("Invalid bit depth");
    }
    throw ImageFileError("Invalid color type for bit depth");
}

void SetGreyRamp(Bitmap& b) {
    const int n = int(b.palette().size());
    for (int i = 0; i < n; ++i) {
        const uint8_t v = uint8_t(i * 255 / (n - 1));
        b.palette()[size_t(i)] = {v, v, v, 0};
    }
}

// Zeroes the unused low bits of the last byte of each 1- or 4-bit row.
void ClearRowTails(Bitmap& b) {
    const int bits = b.width() * b.depth() % 8;
    if (bits == 0 || b.depth() > 4) return;
    const size_t last = size_t(b.width()) * size_t(b.depth()) / 8;
    const uint8_t mask = uint8_t(0xFF00 >> bits);
    for (int y = 0; y < b.height(); ++y) b.scanLine(y)[last] &= mask;
}

// Total length of the IDAT chunks, found by walking the chunk list.
uint64_t IdatBytes(ByteSpan data) {
    uint64_t total = 0;
    for (size_t pos = 8; pos + 8 <= data.size();) {
        const uint32_t length = uint32_t(data[pos]) << 24 | uint32_t(data[pos + 1]) << 16 |
                                uint32_t(data[pos + 2]) << 8 | data[pos + 3];
        if (std::memcmp(&data[pos + 4], "IDAT", 4) == 0) total += length;
        if (std::memcmp(&data[pos + 4], "IEND", 4) == 0 || length > data.size()) break;
        pos += size_t(length) + 12;
    }
    return total;
}

uint8_t GreyOf(const PaletteEntry& e) {
    return uint8_t((30 * e.red + 60 * e.green + 10 * e.blue) / 100);
}

}  // namespace

PngInfo ReadPngInfo(ByteSpan data) {
    PngContext ctx;
    ReadHandles h;
    OpenReader(data, ctx, h);
    PngInfo info = InfoOf(h.png, h.info);
    if (info.interlace != 0 && info.interlace != 1) throw ImageFileError("Interlace type not valid");
    info.pictureDepth = TargetDepth(info);
    return info;
}

Bitmap DecodePng(ByteSpan data, const PngReadOptions& options) {
    PngContext ctx;
    ReadHandles h;
    OpenReader(data, ctx, h);
    const PngInfo info = InfoOf(h.png, h.info);
    const int depth = TargetDepth(info);
    if (info.interlace != 0 && info.interlace != 1) throw ImageFileError("Interlace type not valid");
    CheckPictureSize("PNG", info.width, info.height);
    // Deflate shrinks at most about 1032:1, so fewer IDAT bytes than that cannot
    // hold the picture; refusing early avoids allocating for a file that lies.
    const uint64_t bitsPerRow = uint64_t(info.width) * uint64_t(info.bitCount);  // alpha left out
    const uint64_t rawBytes = uint64_t(info.height) * ((bitsPerRow + 7) / 8);
    if (IdatBytes(data) * 1032 + 1024 < rawBytes) throw ImageFileError("PNG: the file is truncated.");

    Bitmap bitmap(info.width, info.height, depth);
    if (info.colorType == 3) {
        png_colorp plte = nullptr;
        int count = 0;
        if (!png_get_PLTE(h.png, h.info, &plte, &count) || count <= 0)
            throw ImageFileError("png_get_PLTE failed");
        const size_t usable = std::min(size_t(count), size_t(1) << info.bitDepth);
        for (size_t i = 0; i < usable; ++i)
            bitmap.palette()[i] = {plte[i].red, plte[i].green, plte[i].blue, 0};
    } else if (depth <= 8) {
        SetGreyRamp(bitmap);
    }

    png_uint_32 resX = 0, resY = 0;
    int unit = 0;
    if (png_get_pHYs(h.png, h.info, &resX, &resY, &unit) && unit == PNG_RESOLUTION_METER) {
        bitmap.xDotsPerInch = int(std::lround(double(resX) * 0.0254));
        bitmap.yDotsPerInch = int(std::lround(double(resY) * 0.0254));
    }

    ReadPlan plan;
    plan.interlaced = info.interlace == 1;
    plan.scale16 = info.bitDepth == 16;
    plan.bgr = depth == 24;
    const bool hasAlpha = (info.colorType & PNG_COLOR_MASK_ALPHA) != 0;
    const bool hasTrns = png_get_valid(h.png, h.info, PNG_INFO_tRNS) != 0;
    if (hasAlpha || (hasTrns && info.bitDepth >= 8 && info.colorType != 3)) {
        plan.compose = true;
        png_color_16p fileBackground = nullptr;
        if (!options.useOwnBackground && png_get_bKGD(h.png, h.info, &fileBackground)) {
            plan.background = *fileBackground;
            plan.backgroundGamma = PNG_BACKGROUND_GAMMA_FILE;
            plan.needExpand = 1;
        } else {
            // libpng takes our own colour at the 8-bit output depth, also for 16-bit files.
            const PaletteEntry& c = options.backgroundColor;
            plan.background.red = c.red;
            plan.background.green = c.green;
            plan.background.blue = c.blue;
            plan.background.gray = GreyOf(c);
        }
    }

    // Two-bit samples are widened to four bits after reading.
    std::vector<uint8_t> packed;
    std::vector<png_bytep> rows(size_t(info.height));
    if (info.bitDepth == 2) {
        const size_t rowBytes = (size_t(info.width) + 3) / 4;
        packed.assign(rowBytes * size_t(info.height), 0);
        for (int y = 0; y < info.height; ++y) rows[size_t(y)] = packed.data() + size_t(y) * rowBytes;
        plan.maxRowBytes = rowBytes;
    } else {
        for (int y = 0; y < info.height; ++y) rows[size_t(y)] = bitmap.scanLine(y);
        plan.maxRowBytes = bitmap.stride();
    }
    plan.rows = rows.data();
    if (!ReadPixelsStage(h.png, h.info, plan)) Fail(ctx);

    if (info.bitDepth == 2) {
        const size_t rowBytes = (size_t(info.width) + 3) / 4;
        const int factor = info.colorType == 0 ? 5 : 1;
        for (int y = 0; y < info.height; ++y) {
            const uint8_t* src = packed.data() + size_t(y) * rowBytes;
            uint8_t* dst = bitmap.scanLine(y);
            for (int x = 0; x < info.width; ++x) {
                const int v = ((src[x >> 2] >> (6 - 2 * (x & 3))) & 3) * factor;
                dst[x >> 1] |= uint8_t((x & 1) ? v : v << 4);
            }
        }
    }
    ClearRowTails(bitmap);
    return bitmap;
}

std::vector<uint8_t> EncodePng(const Bitmap& bitmap, const PngWriteOptions& options) {
    if (bitmap.isEmpty()) throw ImageFileError("PNG: cannot write an empty picture.");
    WritePlan plan;
    plan.width = png_uint_32(bitmap.width());
    plan.height = png_uint_32(bitmap.height());
    plan.bitDepth = std::min(bitmap.depth(), 8);
    plan.interlace = options.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE;
    static constexpr int kLevels[3] = {1, 5, 9};
    plan.level = kLevels[std::clamp(options.compressionLevel, 0, 2)];

    std::vector<png_color> palette;
    if (bitmap.depth() == 24) {
        plan.colorType = PNG_COLOR_TYPE_RGB;
        plan.bgr = true;
    } else if (bitmap.hasGreyPalette()) {
        plan.colorType = PNG_COLOR_TYPE_GRAY;
    } else {
        plan.colorType = PNG_COLOR_TYPE_PALETTE;
        // Enough entries for every index in use, so readers never meet a stray index.
        int used = 0;
        for (int y = 0; y < bitmap.height(); ++y)
            for (int x = 0; x < bitmap.width(); ++x) used = std::max(used, bitmap.paletteIndex(x, y));
        const size_t count = std::max(bitmap.palette().size(), size_t(used) + 1);
        palette.resize(std::min(count, size_t(1) << bitmap.depth()));
        for (size_t i = 0; i < palette.size() && i < bitmap.palette().size(); ++i) {
            const PaletteEntry& e = bitmap.palette()[i];
            palette[i] = {e.red, e.green, e.blue};
        }
        plan.palette = palette.data();
        plan.paletteCount = int(palette.size());
    }
    if (bitmap.xDotsPerInch > 0 || bitmap.yDotsPerInch > 0) {
        plan.xPerMetre = png_uint_32(std::lround(std::max(bitmap.xDotsPerInch, 0) * 39.370078740157480317));
        plan.yPerMetre = png_uint_32(std::lround(std::max(bitmap.yDotsPerInch, 0) * 39.370078740157480317));
    }
    std::vector<png_bytep> rows(size_t(bitmap.height()));
    for (int y = 0; y < bitmap.height(); ++y)
        rows[size_t(y)] = const_cast<png_bytep>(bitmap.scanLine(y));
    plan.rows = rows.data();
    plan.afterHeader = options.chunksAfterHeader;

    std::vector<uint8_t> out;
    out.reserve(bitmap.byteSize() / 2 + 1024);
    PngContext ctx;
    ctx.out = &out;
    WriteHandles h;
    h.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &ctx, OnError, OnWarning);
    if (!h.png) throw ImageFileError("png_create_write_struct failed");
    h.info = png_create_info_struct(h.png);
    if (!h.info) throw ImageFileError("png_create_info_struct failed");
    png_set_write_fn(h.png, &ctx, WriteToMemory, FlushMemory);
    if (!WriteStage(h.png, h.info, plan)) Fail(ctx);
    return out;
}

}  // namespace vimbra
