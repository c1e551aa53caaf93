#include "imagefiles/codecs/webp_codec.h"

#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>

#include <memory>

namespace vimbra {
namespace {

constexpr const char* kFormat = "WebP";

struct DemuxDeleter {
    void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};
struct AnimDeleter {
    void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};
using Demux = std::unique_ptr<WebPDemuxer, DemuxDeleter>;

const char* StatusText(VP8StatusCode status) {
    switch (status) {
        case VP8_STATUS_OUT_OF_MEMORY: return "not enough memory.";
        case VP8_STATUS_NOT_ENOUGH_DATA: return "the file is truncated.";
        case VP8_STATUS_UNSUPPORTED_FEATURE: return "a feature of the file is not supported.";
        default: return "the picture data is corrupt.";
    }
}

WebPBitstreamFeatures Features(ByteSpan data) {
    WebPBitstreamFeatures f;
    const VP8StatusCode status = WebPGetFeatures(data.data(), data.size(), &f);
    if (status != VP8_STATUS_OK) FailModern(kFormat, StatusText(status));
    CheckPictureSize(kFormat, f.width, f.height);
    return f;
}

void ReadChunks(const WebPDemuxer* demux, PictureMetadata& m) {
    const auto chunk = [&](const char* id) {
        std::vector<uint8_t> out;
        WebPChunkIterator it;
        if (WebPDemuxGetChunk(demux, id, 1, &it))
            out.assign(it.chunk.bytes, it.chunk.bytes + it.chunk.size);
        WebPDemuxReleaseChunkIterator(&it);
        return out;
    };
    m.exif = TiffExif(chunk("EXIF"));
    m.xmp = chunk("XMP ");
    m.icc = chunk("ICCP");
    m.orientation = 1;
}

Bitmap DecodeStill(ByteSpan data, const WebPBitstreamFeatures& f, PaletteEntry back) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) FailModern(kFormat, "libwebp version mismatch.");
    config.options.use_threads = 1;
    Bitmap out(f.width, f.height, 24);
    std::vector<uint8_t> rgba;
    config.output.is_external_memory = 1;
    if (f.has_alpha) {
        rgba.resize(size_t(f.width) * size_t(f.height) * 4);
        config.output.colorspace = MODE_RGBA;
        config.output.u.RGBA = {rgba.data(), f.width * 4, rgba.size()};
    } else {
        // Straight into the picture's rows.
        config.output.colorspace = MODE_BGR;
        config.output.u.RGBA = {out.scanLine(0), int(out.stride()), out.byteSize()};
    }
    const VP8StatusCode status = WebPDecode(data.data(), data.size(), &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK) FailModern(kFormat, StatusText(status));
    if (f.has_alpha)
        for (int y = 0; y < f.height; ++y)
            RgbaRowToBgr(rgba.data() + size_t(y) * size_t(f.width) * 4, true, out.scanLine(y),
                         f.width, back);
    return out;
}

Bitmap DecodeFirstFrame(const WebPData& webp, PaletteEntry back) {
    WebPAnimDecoderOptions o;
    if (!WebPAnimDecoderOptionsInit(&o)) FailModern(kFormat, "libwebp version mismatch.");
    o.color_mode = MODE_RGBA;
    o.use_threads = 1;
    std::unique_ptr<WebPAnimDecoder, AnimDeleter> dec(WebPAnimDecoderNew(&webp, &o));
    if (!dec) FailModern(kFormat, "the animation is corrupt.");
    WebPAnimInfo info;
    if (!WebPAnimDecoderGetInfo(dec.get(), &info)) FailModern(kFormat, "the animation is corrupt.");
    uint8_t* frame = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(dec.get(), &frame, &timestamp) || !frame)
        FailModern(kFormat, "the first frame is corrupt.");
    return BitmapFromRgba(frame, size_t(info.canvas_width) * 4, int(info.canvas_width),
                          int(info.canvas_height), true, back);
}

}  // namespace

ImageInfo ReadWebpInfo(ByteSpan data, PictureMetadata* metadata) {
    const WebPBitstreamFeatures f = Features(data);
    if (metadata) {
        const WebPData webp{data.data(), data.size()};
        const Demux demux(WebPDemux(&webp));
        if (!demux) FailModern(kFormat, "the file's chunks are corrupt.");
        ReadChunks(demux.get(), *metadata);
    }
    return {f.width, f.height, 24, 1, 24};
}

Bitmap DecodeWebp(ByteSpan data, const ModernReadOptions& options, PictureMetadata* metadata) {
    const WebPBitstreamFeatures f = Features(data);
    const WebPData webp{data.data(), data.size()};
    Demux demux;
    if (metadata || f.has_animation) {
        demux.reset(WebPDemux(&webp));
        if (!demux) FailModern(kFormat, "the file's chunks are corrupt.");
        if (metadata) ReadChunks(demux.get(), *metadata);
    }
    if (f.has_animation) {
        CheckPictureSize(kFormat, WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH),
                         WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT));
        return DecodeFirstFrame(webp, options.backgroundColor);
    }
    return DecodeStill(data, f, options.backgroundColor);
}

std::vector<uint8_t> EncodeWebp(const Bitmap& bitmap, const ModernWriteOptions& options) {
    if (bitmap.isEmpty()) throw ImageFileError("WebP: cannot write an empty picture.");
    if (bitmap.width() > kWebpMaxSide || bitmap.height() > kWebpMaxSide)
        throw ImageFileError("WebP: a picture of " + std::to_string(bitmap.width()) + " x " +
                             std::to_string(bitmap.height()) + " is larger than WebP allows (" +
                             std::to_string(kWebpMaxSide) + " x " + std::to_string(kWebpMaxSide) + ").");
    Bitmap converted;
    const Bitmap* b = &bitmap;
    if (bitmap.depth() != 24) {
        converted = bitmap;
        converted.convertTo24();
        b = &converted;
    }
    uint8_t* out = nullptr;
    const size_t size =
        options.lossless
            ? WebPEncodeLosslessBGR(b->scanLine(0), b->width(), b->height(), int(b->stride()), &out)
            : WebPEncodeBGR(b->scanLine(0), b->width(), b->height(), int(b->stride()),
                            float(ClampQuality(options.quality)), &out);
    if (size == 0 || !out) {
        WebPFree(out);
        throw ImageFileError("WebP: the encoder failed.");
    }
    std::vector<uint8_t> bytes(out, out + size);
    WebPFree(out);
    return bytes;
}

}  // namespace vimbra
