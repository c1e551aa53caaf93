#include "imagefiles/codecs/jxl_codec.h"

#include <jxl/decode.h>
#include <jxl/encode.h>
#include <jxl/thread_parallel_runner.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace vimbra {
namespace {

constexpr const char* kFormat = "JPEG XL";
constexpr size_t kMaxBoxBytes = size_t(64) << 20;

struct DecoderDeleter {
    void operator()(JxlDecoder* d) const { JxlDecoderDestroy(d); }
};
struct EncoderDeleter {
    void operator()(JxlEncoder* e) const { JxlEncoderDestroy(e); }
};
struct RunnerDeleter {
    void operator()(void* r) const { JxlThreadParallelRunnerDestroy(r); }
};
using Runner = std::unique_ptr<void, RunnerDeleter>;

Runner MakeRunner() {
    Runner r(JxlThreadParallelRunnerCreate(
        nullptr, std::min<size_t>(JxlThreadParallelRunnerDefaultNumWorkerThreads(), 16)));
    if (!r) throw std::bad_alloc();
    return r;
}

bool IsPlainSrgb(const JxlDecoder* dec) {
    JxlColorEncoding c;
    if (JxlDecoderGetColorAsEncodedProfile(dec, nullptr, JXL_COLOR_PROFILE_TARGET_ORIGINAL, &c) !=
        JXL_DEC_SUCCESS)
        return false;
    return (c.color_space == JXL_COLOR_SPACE_RGB || c.color_space == JXL_COLOR_SPACE_GRAY) &&
           c.white_point == JXL_WHITE_POINT_D65 &&
           (c.color_space == JXL_COLOR_SPACE_GRAY || c.primaries == JXL_PRIMARIES_SRGB) &&
           c.transfer_function == JXL_TRANSFER_FUNCTION_SRGB;
}

std::vector<uint8_t> IccOf(const JxlDecoder* dec) {
    if (IsPlainSrgb(dec)) return {};
    size_t size = 0;
    if (JxlDecoderGetICCProfileSize(dec, nullptr, JXL_COLOR_PROFILE_TARGET_ORIGINAL, &size) !=
            JXL_DEC_SUCCESS ||
        size == 0 || size > kMaxBoxBytes)
        return {};
    std::vector<uint8_t> icc(size);
    if (JxlDecoderGetColorAsICCProfile(dec, nullptr, JXL_COLOR_PROFILE_TARGET_ORIGINAL, icc.data(),
                                       size) != JXL_DEC_SUCCESS)
        return {};
    return icc;
}

// Collects the "Exif" and "xml " boxes as the decoder hands them out.
class BoxReader {
public:
    explicit BoxReader(JxlDecoder* dec) : dec_(dec) {}
    void start() {
        finish();
        JxlBoxType type;
        if (JxlDecoderGetBoxType(dec_, type, JXL_TRUE) != JXL_DEC_SUCCESS) return;
        if (std::memcmp(type, "Exif", 4) == 0) target_ = &exif_;
        else if (std::memcmp(type, "xml ", 4) == 0) target_ = &xml_;
        else return;
        target_->resize(4096);
        used_ = 0;
        JxlDecoderSetBoxBuffer(dec_, target_->data(), target_->size());
    }
    void grow() {
        if (!target_) return;
        used_ = target_->size() - JxlDecoderReleaseBoxBuffer(dec_);
        if (target_->size() >= kMaxBoxBytes) {  // a box that large is no metadata we keep
            target_->clear();
            target_ = nullptr;
            return;
        }
        target_->resize(target_->size() * 2);
        JxlDecoderSetBoxBuffer(dec_, target_->data() + used_, target_->size() - used_);
    }
    void finish() {
        if (!target_) return;
        target_->resize(target_->size() - JxlDecoderReleaseBoxBuffer(dec_));
        target_ = nullptr;
    }
    std::vector<uint8_t> exif_, xml_;

private:
    JxlDecoder* dec_;
    std::vector<uint8_t>* target_ = nullptr;
    size_t used_ = 0;
};

struct Decoded {
    JxlBasicInfo info{};
    Bitmap bitmap;
};

// Runs the decoder up to the basic info (probe), through the boxes (probe with
// metadata) or through the first frame.
Decoded Run(ByteSpan data, const ModernReadOptions& options, bool pixels, PictureMetadata* metadata) {
    const JxlSignature sig = JxlSignatureCheck(data.data(), data.size());
    if (sig != JXL_SIG_CODESTREAM && sig != JXL_SIG_CONTAINER) FailModern(kFormat, "no JPEG XL signature.");
    std::unique_ptr<JxlDecoder, DecoderDeleter> dec(JxlDecoderCreate(nullptr));
    if (!dec) throw std::bad_alloc();
    Runner runner;
    int events = JXL_DEC_BASIC_INFO | (metadata ? JXL_DEC_COLOR_ENCODING | JXL_DEC_BOX : 0);
    if (pixels) {
        runner = MakeRunner();
        if (JxlDecoderSetParallelRunner(dec.get(), JxlThreadParallelRunner, runner.get()) != JXL_DEC_SUCCESS)
            FailModern(kFormat, "the decoder cannot start.");
        events |= JXL_DEC_FULL_IMAGE;
    }
    if (JxlDecoderSubscribeEvents(dec.get(), events) != JXL_DEC_SUCCESS ||
        JxlDecoderSetKeepOrientation(dec.get(), options.applyTransforms ? JXL_FALSE : JXL_TRUE) !=
            JXL_DEC_SUCCESS ||
        (metadata && JxlDecoderSetDecompressBoxes(dec.get(), JXL_TRUE) != JXL_DEC_SUCCESS) ||
        JxlDecoderSetInput(dec.get(), data.data(), data.size()) != JXL_DEC_SUCCESS)
        FailModern(kFormat, "the decoder cannot start.");
    JxlDecoderCloseInput(dec.get());

    Decoded out;
    BoxReader boxes(dec.get());
    std::vector<uint8_t> samples;
    JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    bool haveFrame = false;
    for (;;) {
        const JxlDecoderStatus s = JxlDecoderProcessInput(dec.get());
        if (s == JXL_DEC_ERROR) FailModern(kFormat, "the picture data is corrupt.");
        if (s == JXL_DEC_NEED_MORE_INPUT) {
            // Trailing boxes cut off: the picture (or for a probe, the header) is whole.
            if (haveFrame || (!pixels && out.info.xsize > 0)) break;
            FailModern(kFormat, "the file is truncated.");
        }
        if (s == JXL_DEC_SUCCESS) break;
        if (s == JXL_DEC_BASIC_INFO) {
            if (JxlDecoderGetBasicInfo(dec.get(), &out.info) != JXL_DEC_SUCCESS)
                FailModern(kFormat, "the header is corrupt.");
            CheckPictureSize(kFormat, out.info.xsize, out.info.ysize);
            if (!pixels && !metadata) return out;
            format.num_channels = out.info.alpha_bits > 0 ? 4 : 3;
        } else if (s == JXL_DEC_COLOR_ENCODING) {
            metadata->icc = IccOf(dec.get());
        } else if (s == JXL_DEC_BOX) {
            boxes.start();
        } else if (s == JXL_DEC_BOX_NEED_MORE_OUTPUT) {
            boxes.grow();
        } else if (s == JXL_DEC_NEED_IMAGE_OUT_BUFFER) {
            if (haveFrame) break;  // a second frame: only the first is shown
            size_t size = 0;
            if (JxlDecoderImageOutBufferSize(dec.get(), &format, &size) != JXL_DEC_SUCCESS)
                FailModern(kFormat, "the picture data is corrupt.");
            const bool swap = options.applyTransforms && out.info.orientation > 4;
            const size_t w = swap ? out.info.ysize : out.info.xsize;
            const size_t h = swap ? out.info.xsize : out.info.ysize;
            if (size != w * h * format.num_channels) FailModern(kFormat, "unexpected frame size.");
            samples.resize(size);
            if (JxlDecoderSetImageOutBuffer(dec.get(), &format, samples.data(), size) != JXL_DEC_SUCCESS)
                FailModern(kFormat, "the picture data is corrupt.");
            out.bitmap = Bitmap(int(w), int(h), 24);
        } else if (s == JXL_DEC_FULL_IMAGE) {
            haveFrame = true;
            if (!metadata) break;
        }
    }
    boxes.finish();
    if (metadata) {
        metadata->exif = TiffExif(boxes.exif_, true);
        metadata->xmp = std::move(boxes.xml_);
        metadata->orientation = 1;
    }
    if (!pixels) return out;
    if (!haveFrame) FailModern(kFormat, "the file holds no frame.");
    const size_t rowBytes = size_t(out.bitmap.width()) * format.num_channels;
    for (int y = 0; y < out.bitmap.height(); ++y)
        RgbaRowToBgr(samples.data() + size_t(y) * rowBytes, format.num_channels == 4,
                     out.bitmap.scanLine(y), out.bitmap.width(), options.backgroundColor);
    return out;
}

// cjxl's mapping of a 0..100 quality onto the Butteraugli distance.
float DistanceOf(int quality) {
    const int q = ClampQuality(quality);
    return q >= 30 ? 0.1f + float(100 - q) * 0.09f : 6.4f + float(std::pow(2.5, (30 - q) / 5.0)) / 6.25f;
}

[[noreturn]] void EncodeFailed() { throw ImageFileError("JPEG XL: the encoder failed."); }

}  // namespace

ImageInfo ReadJxlInfo(ByteSpan data, bool applyTransforms, PictureMetadata* metadata) {
    const Decoded d = Run(data, {}, false, metadata);
    const int channels = d.info.num_color_channels == 1 ? 1 : 3;
    ImageInfo info{int(d.info.xsize), int(d.info.ysize), int(d.info.bits_per_sample) * channels, 1, 24};
    if (applyTransforms && d.info.orientation > 4) std::swap(info.width, info.height);
    return info;
}

Bitmap DecodeJxl(ByteSpan data, const ModernReadOptions& options, PictureMetadata* metadata) {
    return Run(data, options, true, metadata).bitmap;
}

std::vector<uint8_t> EncodeJxl(const Bitmap& bitmap, const ModernWriteOptions& options) {
    if (bitmap.isEmpty()) throw ImageFileError("JPEG XL: cannot write an empty picture.");
    std::unique_ptr<JxlEncoder, EncoderDeleter> enc(JxlEncoderCreate(nullptr));
    if (!enc) throw std::bad_alloc();
    const Runner runner = MakeRunner();
    if (JxlEncoderSetParallelRunner(enc.get(), JxlThreadParallelRunner, runner.get()) != JXL_ENC_SUCCESS)
        EncodeFailed();
    const PictureMetadata* m = options.metadata;
    const bool boxes = m && (!m->exif.empty() || !m->xmp.empty());
    if (boxes && JxlEncoderUseBoxes(enc.get()) != JXL_ENC_SUCCESS) EncodeFailed();

    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = uint32_t(bitmap.width());
    info.ysize = uint32_t(bitmap.height());
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.uses_original_profile = options.lossless ? JXL_TRUE : JXL_FALSE;
    if (JxlEncoderSetBasicInfo(enc.get(), &info) != JXL_ENC_SUCCESS) EncodeFailed();
    const bool icc = m && !m->icc.empty() &&
                     JxlEncoderSetICCProfile(enc.get(), m->icc.data(), m->icc.size()) == JXL_ENC_SUCCESS;
    if (!icc) {
        JxlColorEncoding srgb;
        JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
        if (JxlEncoderSetColorEncoding(enc.get(), &srgb) != JXL_ENC_SUCCESS) EncodeFailed();
    }
    if (boxes) {
        if (!m->exif.empty()) {
            std::vector<uint8_t> exif(4, 0);  // TIFF header offset 0
            exif.insert(exif.end(), m->exif.begin(), m->exif.end());
            if (JxlEncoderAddBox(enc.get(), "Exif", exif.data(), exif.size(), JXL_FALSE) != JXL_ENC_SUCCESS)
                EncodeFailed();
        }
        if (!m->xmp.empty() &&
            JxlEncoderAddBox(enc.get(), "xml ", m->xmp.data(), m->xmp.size(), JXL_FALSE) != JXL_ENC_SUCCESS)
            EncodeFailed();
        JxlEncoderCloseBoxes(enc.get());
    }
    JxlEncoderFrameSettings* frame = JxlEncoderFrameSettingsCreate(enc.get(), nullptr);
    if (!frame) EncodeFailed();
    const JxlEncoderStatus set = options.lossless ? JxlEncoderSetFrameLossless(frame, JXL_TRUE)
                                                  : JxlEncoderSetFrameDistance(frame, DistanceOf(options.quality));
    if (set != JXL_ENC_SUCCESS) EncodeFailed();
    const std::vector<uint8_t> rgb = PackedRgb(bitmap);
    const JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    if (JxlEncoderAddImageFrame(frame, &format, rgb.data(), rgb.size()) != JXL_ENC_SUCCESS) EncodeFailed();
    JxlEncoderCloseInput(enc.get());

    std::vector<uint8_t> out(std::max<size_t>(4096, rgb.size() / 8));
    uint8_t* next = out.data();
    size_t avail = out.size();
    for (;;) {
        const JxlEncoderStatus s = JxlEncoderProcessOutput(enc.get(), &next, &avail);
        if (s == JXL_ENC_SUCCESS) break;
        if (s != JXL_ENC_NEED_MORE_OUTPUT) EncodeFailed();
        const size_t used = size_t(next - out.data());
        out.resize(out.size() * 2);
        next = out.data() + used;
        avail = out.size() - used;
    }
    out.resize(size_t(next - out.data()));
    return out;
}

}  // namespace vimbra
