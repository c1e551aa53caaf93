#include "imagefiles/codecs/avif_codec.h"

#include <avif/avif.h>

#include <algorithm>
#include <memory>
#include <thread>

namespace vimbra {
namespace {

constexpr const char* kFormat = "AVIF";

struct DecoderDeleter {
    void operator()(avifDecoder* d) const { avifDecoderDestroy(d); }
};
struct EncoderDeleter {
    void operator()(avifEncoder* e) const { avifEncoderDestroy(e); }
};
struct ImageDeleter {
    void operator()(avifImage* i) const { avifImageDestroy(i); }
};
using Decoder = std::unique_ptr<avifDecoder, DecoderDeleter>;

int Threads() { return int(std::clamp(std::thread::hardware_concurrency(), 1u, 16u)); }

[[noreturn]] void Fail(avifResult r, const avifDiagnostics* diag) {
    std::string what = avifResultToString(r);
    if (diag && diag->error[0]) what += std::string(" (") + diag->error + ")";
    if (r == AVIF_RESULT_TRUNCATED_DATA) what = "the file is truncated.";
    FailModern(kFormat, what);
}

Decoder Parse(ByteSpan data) {
    Decoder d(avifDecoderCreate());
    if (!d) throw std::bad_alloc();
    d->maxThreads = Threads();
    d->imageSizeLimit = uint32_t(std::min<int64_t>(AVIF_DEFAULT_IMAGE_SIZE_LIMIT, Bitmap::kMaxPixels));
    d->imageDimensionLimit = uint32_t(Bitmap::kMaxSide);
    d->imageCountLimit = 1u << 16;
    d->strictFlags = AVIF_STRICT_DISABLED;
    avifResult r = avifDecoderSetIOMemory(d.get(), data.data(), data.size());
    if (r == AVIF_RESULT_OK) r = avifDecoderParse(d.get());
    if (r != AVIF_RESULT_OK) Fail(r, &d->diag);
    CheckPictureSize(kFormat, d->image->width, d->image->height);
    return d;
}

struct Transform {
    int quarters = 0;
    int mirror = -1;
};

Transform TransformOf(const avifImage* image) {
    Transform t;
    if (image->transformFlags & AVIF_TRANSFORM_IROT) t.quarters = image->irot.angle & 3;
    if (image->transformFlags & AVIF_TRANSFORM_IMIR) t.mirror = image->imir.mode & 1;
    return t;
}

int BitsOf(const avifImage* image) {
    const int channels = image->yuvFormat == AVIF_PIXEL_FORMAT_YUV400 ? 1 : 3;
    return int(image->depth) * channels;
}

void CopyMetadata(const avifImage* image, PictureMetadata& m) {
    // libavif 0.11 hands the Exif item on past its 4-byte offset field.
    m.exif = TiffExif(ByteSpan(image->exif.data, image->exif.size));
    m.xmp.assign(image->xmp.data, image->xmp.data + image->xmp.size);
    m.icc.assign(image->icc.data, image->icc.data + image->icc.size);
    m.orientation = 1;
}

}  // namespace

ImageInfo ReadAvifInfo(ByteSpan data, bool applyTransforms, PictureMetadata* metadata) {
    const Decoder d = Parse(data);
    ImageInfo info{int(d->image->width), int(d->image->height), BitsOf(d->image), 1, 24};
    if (metadata) CopyMetadata(d->image, *metadata);
    if (applyTransforms && TransformOf(d->image).quarters % 2) std::swap(info.width, info.height);
    return info;
}

Bitmap DecodeAvif(ByteSpan data, const ModernReadOptions& options, PictureMetadata* metadata) {
    const Decoder d = Parse(data);
    const bool alpha = d->alphaPresent;
    const avifResult r = avifDecoderNextImage(d.get());
    if (r != AVIF_RESULT_OK) Fail(r, &d->diag);
    const avifImage* image = d->image;
    CheckPictureSize(kFormat, image->width, image->height);

    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image);
    rgb.depth = 8;
    Bitmap out(int(image->width), int(image->height), 24);
    std::vector<uint8_t> rgba;
    if (alpha) {
        rgb.format = AVIF_RGB_FORMAT_RGBA;
        rgb.rowBytes = image->width * 4;
        rgba.resize(size_t(rgb.rowBytes) * image->height);
        rgb.pixels = rgba.data();
    } else {
        rgb.format = AVIF_RGB_FORMAT_BGR;
        rgb.rowBytes = uint32_t(out.stride());
        rgb.pixels = out.scanLine(0);
    }
    const avifResult converted = avifImageYUVToRGB(image, &rgb);
    if (converted != AVIF_RESULT_OK) Fail(converted, nullptr);
    if (alpha)
        for (int y = 0; y < out.height(); ++y)
            RgbaRowToBgr(rgba.data() + size_t(y) * rgb.rowBytes, true, out.scanLine(y), out.width(),
                         options.backgroundColor);
    if (metadata) CopyMetadata(image, *metadata);
    if (!options.applyTransforms) return out;
    const Transform t = TransformOf(image);
    return TransformPicture(std::move(out), t.quarters, t.mirror);
}

std::vector<uint8_t> EncodeAvif(const Bitmap& bitmap, const ModernWriteOptions& options) {
    if (bitmap.isEmpty()) throw ImageFileError("AVIF: cannot write an empty picture.");
    Bitmap converted;
    const Bitmap* b = &bitmap;
    if (bitmap.depth() != 24) {
        converted = bitmap;
        converted.convertTo24();
        b = &converted;
    }
    std::unique_ptr<avifImage, ImageDeleter> image(
        avifImageCreate(uint32_t(b->width()), uint32_t(b->height()), 8, AVIF_PIXEL_FORMAT_YUV444));
    if (!image) throw std::bad_alloc();
    image->yuvRange = AVIF_RANGE_FULL;
    if (options.lossless) image->matrixCoefficients = AVIF_MATRIX_COEFFICIENTS_IDENTITY;
    if (const PictureMetadata* m = options.metadata) {
        if (!m->icc.empty()) avifImageSetProfileICC(image.get(), m->icc.data(), m->icc.size());
        if (!m->exif.empty()) avifImageSetMetadataExif(image.get(), m->exif.data(), m->exif.size());
        if (!m->xmp.empty()) avifImageSetMetadataXMP(image.get(), m->xmp.data(), m->xmp.size());
        // The pixels are stored upright whatever the EXIF says.
        image->transformFlags &= ~avifTransformFlags(AVIF_TRANSFORM_IROT | AVIF_TRANSFORM_IMIR);
    }
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image.get());
    rgb.format = AVIF_RGB_FORMAT_BGR;
    rgb.depth = 8;
    rgb.pixels = const_cast<uint8_t*>(b->scanLine(0));
    rgb.rowBytes = uint32_t(b->stride());
    avifResult r = avifImageRGBToYUV(image.get(), &rgb);
    if (r != AVIF_RESULT_OK) Fail(r, nullptr);

    std::unique_ptr<avifEncoder, EncoderDeleter> encoder(avifEncoderCreate());
    if (!encoder) throw std::bad_alloc();
    encoder->maxThreads = Threads();
    encoder->speed = 8;
    // avifenc's own mapping of a 0..100 quality onto the quantizer 63..0.
    const int q = options.lossless ? AVIF_QUANTIZER_LOSSLESS
                                   : ((100 - ClampQuality(options.quality)) * 63 + 50) / 100;
    encoder->minQuantizer = encoder->maxQuantizer = q;
    encoder->minQuantizerAlpha = encoder->maxQuantizerAlpha = AVIF_QUANTIZER_LOSSLESS;
    avifRWData output = AVIF_DATA_EMPTY;
    r = avifEncoderWrite(encoder.get(), image.get(), &output);
    if (r != AVIF_RESULT_OK) {
        avifRWDataFree(&output);
        throw ImageFileError(std::string("AVIF: the encoder failed: ") + avifResultToString(r) +
                             (encoder->diag.error[0] ? std::string(" (") + encoder->diag.error + ")" : ""));
    }
    std::vector<uint8_t> bytes(output.data, output.data + output.size);
    avifRWDataFree(&output);
    return bytes;
}

}  // namespace vimbra
