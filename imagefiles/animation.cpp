#include "imagefiles/animation.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <webp/demux.h>

#include <cstring>

#include "imagefiles/codecs/modern_codec.h"
#include "imagefiles/qimage_bitmap.h"

namespace vimbra {
namespace {

bool IsWebp(ByteSpan d) {
    return d.size() >= 12 && std::memcmp(d.data(), "RIFF", 4) == 0 &&
           std::memcmp(d.data() + 8, "WEBP", 4) == 0;
}

bool IsGif(ByteSpan d) {
    return d.size() >= 6 &&
           (std::memcmp(d.data(), "GIF87a", 6) == 0 || std::memcmp(d.data(), "GIF89a", 6) == 0);
}

class WebpAnimation final : public AnimationDecoder {
public:
    WebpAnimation(std::vector<uint8_t> bytes, PaletteEntry back) : bytes_(std::move(bytes)), back_(back) {}

    // False when the file is no animation of two frames or more.
    bool open() {
        const WebPData data{bytes_.data(), bytes_.size()};
        WebPAnimDecoderOptions o;
        if (!WebPAnimDecoderOptionsInit(&o)) FailModern("WebP", "libwebp version mismatch.");
        o.color_mode = MODE_RGBA;
        o.use_threads = 0;
        // The demuxer checks the canvas against the chunk sizes; the caps come first.
        WebPBitstreamFeatures f;
        if (WebPGetFeatures(data.bytes, data.size, &f) != VP8_STATUS_OK || !f.has_animation) return false;
        decoder_.reset(WebPAnimDecoderNew(&data, &o));
        if (!decoder_) FailModern("WebP", "the animation is corrupt.");
        WebPAnimInfo info;
        if (!WebPAnimDecoderGetInfo(decoder_.get(), &info)) FailModern("WebP", "the animation is corrupt.");
        CheckPictureSize("WebP", info.canvas_width, info.canvas_height);
        width_ = int(info.canvas_width), height_ = int(info.canvas_height);
        frameCount_ = int(std::min<uint32_t>(info.frame_count, INT32_MAX));
        return frameCount_ >= 2;
    }

    bool next(AnimationFrame& frame) override {
        if (!WebPAnimDecoderHasMoreFrames(decoder_.get())) return false;
        uint8_t* rgba = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetNext(decoder_.get(), &rgba, &timestamp) || !rgba) return false;
        // As the still reader lays the first frame over the back colour.
        frame.bitmap = BitmapFromRgba(rgba, size_t(width_) * 4, width_, height_, true, back_);
        frame.delayMs = std::max(0, timestamp - lastTimestamp_);
        lastTimestamp_ = timestamp;
        return true;
    }

    void rewind() override {
        WebPAnimDecoderReset(decoder_.get());
        lastTimestamp_ = 0;
    }

private:
    struct Deleter {
        void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
    };
    std::vector<uint8_t> bytes_;  // the decoder reads from them
    PaletteEntry back_;
    std::unique_ptr<WebPAnimDecoder, Deleter> decoder_;
    int lastTimestamp_ = 0;
};

// GIF goes through Qt's reader, as the still path reads it, so the first
// frame is the working picture exactly; Qt does the disposal.
class GifAnimation final : public AnimationDecoder {
public:
    explicit GifAnimation(std::vector<uint8_t> bytes)
        : data_(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())) {}

    bool open() {
        rewind();
        if (!reader_->canRead() || !reader_->supportsAnimation()) return false;
        const QSize size = reader_->size();
        if (!size.isValid()) throw ImageFileError("Bad GIF file: the screen size cannot be read.");
        CheckPictureSize("GIF", size.width(), size.height());
        width_ = size.width(), height_ = size.height();
        frameCount_ = reader_->imageCount();
        rewind();  // counting read through the file
        return frameCount_ >= 2;
    }

    bool next(AnimationFrame& frame) override {
        QImage image;
        if (!reader_->read(&image) || image.isNull()) return false;
        // Frames are canvas-sized; anything else is a reader we do not know.
        if (image.width() != width_ || image.height() != height_) return false;
        try {
            frame.bitmap = BitmapFromQImage(std::move(image));
        } catch (const ImageFileError&) {
            return false;
        }
        frame.bitmap.convertTo24();
        frame.delayMs = std::max(0, reader_->nextImageDelay());
        return true;
    }

    void rewind() override {
        reader_.reset();
        buffer_ = std::make_unique<QBuffer>(&data_);
        buffer_->open(QIODevice::ReadOnly);
        reader_ = std::make_unique<QImageReader>(buffer_.get(), QByteArray("gif"));
    }

private:
    QByteArray data_;
    std::unique_ptr<QBuffer> buffer_;
    std::unique_ptr<QImageReader> reader_;
};

}  // namespace

std::unique_ptr<AnimationDecoder> OpenAnimation(std::vector<uint8_t> bytes, PaletteEntry back) {
    if (IsWebp(bytes)) {
        auto webp = std::make_unique<WebpAnimation>(std::move(bytes), back);
        if (webp->open()) return webp;
    } else if (IsGif(bytes)) {
        auto gif = std::make_unique<GifAnimation>(std::move(bytes));
        if (gif->open()) return gif;
    }
    return nullptr;
}

int ShownDelayMs(int fileDelayMs) { return fileDelayMs <= 10 ? 100 : fileDelayMs; }

}  // namespace vimbra
