#include "shell/picture_animation.h"

#include <QFile>

#include <cstring>

#include "imagefiles/codecs/codec_common.h"
#include "shell/display_colours.h"

namespace vimbra {
namespace {

// What a kept frame costs besides its rows (a million 1 × 1 frames is no small loop).
constexpr size_t kFrameOverhead = 256;
constexpr size_t kMaxFileBytes = size_t(512) << 20;

bool MayBeAnimation(const std::string& path) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = f.read(12);
    return (head.startsWith("RIFF") && head.size() == 12 && head.mid(8, 4) == "WEBP") ||
           head.startsWith("GIF87a") || head.startsWith("GIF89a");
}

bool SameLook(Bitmap a, const Bitmap& b) {
    if (a.width() != b.width() || a.height() != b.height() || b.depth() != 24) return false;
    if (a.depth() != 24) a.convertTo24();
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.scanLine(y), b.scanLine(y), size_t(a.width()) * 3) != 0) return false;
    return true;
}

}  // namespace

std::unique_ptr<PictureAnimation> PictureAnimation::Start(const std::string& path, const Bitmap& shown,
                                                          PaletteEntry back,
                                                          const std::vector<uint8_t>* icc,
                                                          size_t maxKeptBytes) {
    if (shown.isEmpty() || !MayBeAnimation(path)) return nullptr;
    std::unique_ptr<AnimationDecoder> decoder;
    AnimationFrame first;
    try {
        decoder = OpenAnimation(ReadWholeFile(path, kMaxFileBytes), back);
        if (!decoder || !decoder->next(first)) return nullptr;
    } catch (const std::exception&) {
        return nullptr;  // the still reader said what there is to say
    }
    if (!SameLook(shown, first.bitmap)) return nullptr;
    std::unique_ptr<PictureAnimation> a(new PictureAnimation(std::move(decoder), icc, maxKeptBytes));
    a->show(std::move(first));
    a->schedule();
    return a;
}

PictureAnimation::PictureAnimation(std::unique_ptr<AnimationDecoder> decoder,
                                   const std::vector<uint8_t>* icc, size_t maxKeptBytes)
    : decoder_(std::move(decoder)), profile_(icc), maxKeptBytes_(maxKeptBytes) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &PictureAnimation::advance);
}

const Bitmap& PictureAnimation::frame() const {
    return complete_ || keeping_ ? kept_[size_t(index_)].bitmap : current_.bitmap;
}

int PictureAnimation::frameDelayMs() const {
    return ShownDelayMs(complete_ || keeping_ ? kept_[size_t(index_)].delayMs : current_.delayMs);
}

void PictureAnimation::show(AnimationFrame&& frame) {
    if (profile_) ToDisplayColours(frame.bitmap, *profile_);
    if (keeping_) {
        const size_t cost = frame.bitmap.byteSize() + kFrameOverhead;
        if (keptBytes_ + cost <= maxKeptBytes_) {
            keptBytes_ += cost;
            kept_.push_back(std::move(frame));
            return;
        }
        // Too long a loop to keep: from now on each frame is decoded when due.
        keeping_ = false;
        kept_.clear();
        kept_.shrink_to_fit();
        keptBytes_ = 0;
    }
    current_ = std::move(frame);
}

void PictureAnimation::schedule() { timer_.start(frameDelayMs()); }

void PictureAnimation::advance() {
    if (complete_) {
        index_ = int((size_t(index_) + 1) % kept_.size());
    } else {
        AnimationFrame next;
        if (decoder_->next(next)) {
            ++index_;
            show(std::move(next));
        } else if (keeping_) {
            // The loop is over (or a frame is corrupt): play what was kept.
            complete_ = true;
            decoder_.reset();
            index_ = 0;
            if (kept_.size() < 2) {
                timer_.stop();
                return;
            }
        } else {
            decoder_->rewind();
            if (!decoder_->next(next)) {
                timer_.stop();
                return;
            }
            index_ = 0;
            show(std::move(next));
        }
    }
    emit frameChanged();
    schedule();
}

}  // namespace vimbra
