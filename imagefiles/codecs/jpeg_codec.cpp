#include "imagefiles/codecs/jpeg_codec.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

namespace vimbra {
namespace {

// libjpeg reports errors through error_exit, which must not return. It longjmps
// to the small *Stage function that made the failing call; those frames hold
// only trivially destructible objects, so no destructor is ever skipped.

constexpr int kMaxScans = 500;  // progressive files with endless scans are refused
constexpr long kMaxLibraryMemory = long(3) << 30;

struct ErrorManager {
    jpeg_error_mgr pub;  // first, so libjpeg's pointer is ours
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool acceptTruncated;
};

[[noreturn]] void JumpWith(j_common_ptr cinfo, const char* text) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (text)
        std::snprintf(err->message, sizeof err->message, "%s", text);
    else
        (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void OnErrorExit(j_common_ptr cinfo) { JumpWith(cinfo, nullptr); }

void OnEmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace messages
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    ++err->pub.num_warnings;
    if (err->pub.msg_code == JWRN_JPEG_EOF && !err->acceptTruncated) JumpWith(cinfo, nullptr);
}

void OnOutputMessage(j_common_ptr) {}

void OnProgress(j_common_ptr cinfo) {
    if (cinfo->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
        JumpWith(cinfo, "JPEG: too many scans.");
}

void InitErrors(ErrorManager& err, jpeg_error_mgr*& slot, bool acceptTruncated) {
    slot = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnErrorExit;
    err.pub.emit_message = OnEmitMessage;
    err.pub.output_message = OnOutputMessage;
    err.message[0] = 0;
    err.acceptTruncated = acceptTruncated;
}

struct DecodeState {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    jpeg_progress_mgr progress{};
    explicit DecodeState(bool acceptTruncated) {
        InitErrors(err, cinfo.err, acceptTruncated);
        progress.progress_monitor = OnProgress;
    }
    ~DecodeState() { jpeg_destroy_decompress(&cinfo); }
    DecodeState(const DecodeState&) = delete;
    DecodeState& operator=(const DecodeState&) = delete;
};

bool HeaderStage(DecodeState& s, const uint8_t* data, size_t size) {
    if (setjmp(s.err.jump)) return false;
    jpeg_create_decompress(&s.cinfo);
    s.cinfo.mem->max_memory_to_use = kMaxLibraryMemory;
    s.cinfo.progress = &s.progress;
    jpeg_mem_src(&s.cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&s.cinfo, TRUE);
    return true;
}

bool DimensionsStage(DecodeState& s) {
    if (setjmp(s.err.jump)) return false;
    jpeg_calc_output_dimensions(&s.cinfo);
    return true;
}

struct PixelPlan {
    uint8_t** rows = nullptr;  // one per output row
    uint8_t* cmykRow = nullptr;  // scratch row for 4-component output, else null
    bool cmykInverted = false;
    bool cmykToGrey = false;
    JDIMENSION width = 0, height = 0;
    // Filled from the quantiser's colour map.
    uint8_t colormap[256][3] = {};
    int colorCount = 0;
};

// Four-component output converted to blue, green, red (or grey) in the target row.
void ConvertCmykRow(const PixelPlan& plan, uint8_t* out) {
    const uint8_t* in = plan.cmykRow;
    for (JDIMENSION x = 0; x < plan.width; ++x, in += 4) {
        int c = in[0], m = in[1], y = in[2], k = in[3];
        if (!plan.cmykInverted) {
            c = 255 - c; m = 255 - m; y = 255 - y; k = 255 - k;
        }
        const int r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (y * k + 127) / 255;
        if (plan.cmykToGrey) {
            out[x] = uint8_t((299 * r + 587 * g + 114 * b + 500) / 1000);
        } else {
            out[3 * x] = uint8_t(b);
            out[3 * x + 1] = uint8_t(g);
            out[3 * x + 2] = uint8_t(r);
        }
    }
}

bool PixelStage(DecodeState& s, PixelPlan& plan) {
    if (setjmp(s.err.jump)) return false;
    jpeg_start_decompress(&s.cinfo);
    if (s.cinfo.output_width != plan.width || s.cinfo.output_height != plan.height)
        JumpWith(reinterpret_cast<j_common_ptr>(&s.cinfo), "JPEG: unexpected output size.");
    if (s.cinfo.quantize_colors) {
        plan.colorCount = std::min(s.cinfo.actual_number_of_colors, 256);
        for (int i = 0; i < plan.colorCount; ++i)
            for (int c = 0; c < 3; ++c)
                plan.colormap[i][c] = s.cinfo.colormap[s.cinfo.out_color_components == 3 ? c : 0][i];
    }
    // Straight into the bitmap's rows, as many per call as the library gives.
    while (s.cinfo.output_scanline < s.cinfo.output_height) {
        const JDIMENSION y = s.cinfo.output_scanline;
        JSAMPROW row = plan.cmykRow;
        JSAMPARRAY target = plan.cmykRow ? &row : plan.rows + y;
        const JDIMENSION wanted = plan.cmykRow ? 1 : s.cinfo.output_height - y;
        if (jpeg_read_scanlines(&s.cinfo, target, wanted) == 0)
            JumpWith(reinterpret_cast<j_common_ptr>(&s.cinfo), "JPEG: the file is truncated.");
        if (plan.cmykRow) ConvertCmykRow(plan, plan.rows[y]);
    }
    return true;
}

[[noreturn]] void Fail(const ErrorManager& err) {
    throw ImageFileError(err.message[0] ? err.message : "JPEG: the file cannot be read.");
}

int DotsPerInch(int unit, int density) {
    if (unit == 1) return density;
    if (unit == 2) return int(std::lround(density * 2.54));
    return 0;
}

JpegInfo InfoOf(const jpeg_decompress_struct& c) {
    JpegInfo info;
    info.width = int(c.image_width);
    info.height = int(c.image_height);
    info.components = c.num_components;
    info.bitCount = c.num_components == 1 ? 8 : 24;
    info.progressive = c.progressive_mode != 0;
    if (c.saw_JFIF_marker) {
        info.xDotsPerInch = DotsPerInch(c.density_unit, c.X_density);
        info.yDotsPerInch = DotsPerInch(c.density_unit, c.Y_density);
    }
    return info;
}

struct EncodeState {
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    unsigned char* buffer = nullptr;  // grown by libjpeg with malloc
    unsigned long size = 0;
    EncodeState() { InitErrors(err, cinfo.err, false); }
    ~EncodeState() {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
    EncodeState(const EncodeState&) = delete;
    EncodeState& operator=(const EncodeState&) = delete;
};

// Palette pictures are expanded row by row into blue, green, red.
void ExpandRow(const Bitmap& b, int y, uint8_t* out) {
    const auto& pal = b.palette();
    for (int x = 0; x < b.width(); ++x, out += 3) {
        const size_t i = size_t(b.paletteIndex(x, y));
        const PaletteEntry e = i < pal.size() ? pal[i] : PaletteEntry{};
        out[0] = e.blue;
        out[1] = e.green;
        out[2] = e.red;
    }
}

bool EncodeStage(EncodeState& s, const Bitmap& b, const JpegWriteOptions& o, uint8_t* scratch) {
    if (setjmp(s.err.jump)) return false;
    jpeg_compress_struct& c = s.cinfo;
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &s.buffer, &s.size);
    c.image_width = JDIMENSION(b.width());
    c.image_height = JDIMENSION(b.height());
    c.input_components = 3;
    c.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&c);
    if (o.grey) jpeg_set_colorspace(&c, JCS_GRAYSCALE);
    jpeg_set_quality(&c, std::clamp(o.quality, 1, 100), o.forceBaseline ? TRUE : FALSE);
    if (!o.grey) {
        const int f = o.chromaSubsampling ? 2 : 1;
        c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = f;
        for (int i = 1; i < c.num_components; ++i)
            c.comp_info[i].h_samp_factor = c.comp_info[i].v_samp_factor = 1;
    }
    if (o.progressive) jpeg_simple_progression(&c);
    c.optimize_coding = o.optimizeHuffman ? TRUE : FALSE;
    c.dct_method = o.floatDct ? JDCT_FLOAT : JDCT_ISLOW;
    c.smoothing_factor = std::clamp(o.smoothing, 0, 100);
    if (b.xDotsPerInch > 0 && b.yDotsPerInch > 0) {
        c.density_unit = 1;
        c.X_density = UINT16(std::min(b.xDotsPerInch, 65535));
        c.Y_density = UINT16(std::min(b.yDotsPerInch, 65535));
    }
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        const int y = int(c.next_scanline);
        JSAMPROW row = scratch;
        if (b.depth() == 24)
            row = const_cast<JSAMPROW>(b.scanLine(y));
        else
            ExpandRow(b, y, scratch);
        jpeg_write_scanlines(&c, &row, 1);
        if (o.rowsTaken && (y % 64 == 63 || y + 1 == b.height())) o.rowsTaken(y + 1);
    }
    jpeg_finish_compress(&c);
    return true;
}

}  // namespace

JpegInfo ReadJpegInfo(ByteSpan data) {
    DecodeState s(true);
    if (!HeaderStage(s, data.data(), data.size())) Fail(s.err);
    return InfoOf(s.cinfo);
}

Bitmap DecodeJpeg(ByteSpan data, const JpegReadOptions& options) {
    DecodeState s(options.acceptTruncated);
    if (!HeaderStage(s, data.data(), data.size())) Fail(s.err);
    jpeg_decompress_struct& c = s.cinfo;
    const JpegInfo info = InfoOf(c);
    CheckPictureSize("JPEG", info.width, info.height);

    // Every block of a Huffman-coded file costs at least one bit, so a file too
    // short for its size is refused before the library allocates for it.
    uint64_t blocks = 0;
    for (int i = 0; i < c.num_components; ++i)
        blocks += uint64_t(c.comp_info[i].width_in_blocks) * c.comp_info[i].height_in_blocks;
    if (!c.arith_code && !options.acceptTruncated && uint64_t(data.size()) * 8 < blocks)
        throw ImageFileError("JPEG: the file is truncated.");

    const bool fourComponents = c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK;
    const bool grey = options.grey || c.num_components == 1;
    const int scale = options.scale >= 8 ? 8 : options.scale >= 4 ? 4 : options.scale >= 2 ? 2 : 1;
    c.scale_num = 1;
    c.scale_denom = unsigned(scale);
    c.dct_method = options.fastDct ? JDCT_IFAST : JDCT_ISLOW;
    c.do_fancy_upsampling = options.fancyUpsampling ? TRUE : FALSE;
    c.do_block_smoothing = options.blockSmoothing ? TRUE : FALSE;
    bool quantize = false;
    if (fourComponents) {
        c.out_color_space = JCS_CMYK;
    } else if (grey) {
        c.out_color_space = JCS_GRAYSCALE;
    } else if (options.quantize) {
        quantize = true;
        c.out_color_space = JCS_RGB;
        c.quantize_colors = TRUE;
        c.desired_number_of_colors = std::clamp(options.colors, 8, 256);
        c.two_pass_quantize = options.twoPassQuantize ? TRUE : FALSE;
        c.dither_mode = options.dither == JpegDither::None      ? JDITHER_NONE
                        : options.dither == JpegDither::Ordered ? JDITHER_ORDERED
                                                                : JDITHER_FS;
    } else {
        c.out_color_space = JCS_EXT_BGR;
    }
    if (!DimensionsStage(s)) Fail(s.err);
    CheckPictureSize("JPEG", c.output_width, c.output_height);

    Bitmap bitmap(int(c.output_width), int(c.output_height), grey || quantize ? 8 : 24);
    bitmap.xDotsPerInch = info.xDotsPerInch;
    bitmap.yDotsPerInch = info.yDotsPerInch;
    PixelPlan plan;
    plan.width = c.output_width;
    plan.height = c.output_height;
    std::vector<uint8_t*> rows(plan.height);
    for (JDIMENSION y = 0; y < plan.height; ++y) rows[y] = bitmap.scanLine(int(y));
    plan.rows = rows.data();
    std::vector<uint8_t> cmyk;
    if (fourComponents) {
        cmyk.resize(size_t(plan.width) * 4);
        plan.cmykRow = cmyk.data();
        plan.cmykInverted = c.saw_Adobe_marker != 0;
        plan.cmykToGrey = grey;
    }
    if (!PixelStage(s, plan)) Fail(s.err);

    if (quantize) {
        for (int i = 0; i < plan.colorCount; ++i)
            bitmap.palette()[size_t(i)] = {plan.colormap[i][0], plan.colormap[i][1],
                                           plan.colormap[i][2], 0};
    } else if (bitmap.depth() == 8) {
        for (int i = 0; i < 256; ++i) bitmap.palette()[size_t(i)] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
    }
    return bitmap;
}

std::vector<uint8_t> EncodeJpeg(const Bitmap& bitmap, const JpegWriteOptions& options) {
    if (bitmap.isEmpty()) throw ImageFileError("JPEG: cannot write an empty picture.");
    if (bitmap.width() > JPEG_MAX_DIMENSION || bitmap.height() > JPEG_MAX_DIMENSION)
        throw ImageFileError("JPEG: the picture is too large for a JPEG file.");
    std::vector<uint8_t> scratch(size_t(bitmap.width()) * 3);
    EncodeState s;
    if (!EncodeStage(s, bitmap, options, scratch.data())) Fail(s.err);
    return std::vector<uint8_t>(s.buffer, s.buffer + s.size);
}

}  // namespace vimbra
