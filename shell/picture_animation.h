#pragma once
// An animated WebP or GIF played in the viewer while it is the picture shown.
// Frames are decoded on the timer, one per step, and kept (in display
// colours) until the whole loop is in memory; a loop larger than the cap is
// decoded again each round instead, so a hostile file costs one frame.
#include <QObject>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "imagefiles/animation.h"

namespace vimbra {

class PictureAnimation : public QObject {
    Q_OBJECT
public:
    static constexpr size_t kDefaultKeptBytes = size_t(256) << 20;

    // Null when the file is no animation, cannot be read, or its first frame
    // is not `shown` (the working picture: a turned or reduced load is not
    // played). `icc` (not owned; may be null) is the profile frames are
    // converted from for display. Playing starts at once.
    static std::unique_ptr<PictureAnimation> Start(const std::string& path, const Bitmap& shown,
                                                   PaletteEntry back,
                                                   const std::vector<uint8_t>* icc,
                                                   size_t maxKeptBytes = kDefaultKeptBytes);

    // The frame shown now, in display colours.
    const Bitmap& frame() const;
    int frameIndex() const { return index_; }
    int frameDelayMs() const;  // the current frame's time, as shown
    // Every frame of the loop is in memory (the first round is over).
    bool keepsAllFrames() const { return complete_; }
    bool playing() const { return timer_.isActive(); }
    // Steps to the next frame now, as the timer does.
    void advance();

signals:
    void frameChanged();

private:
    PictureAnimation(std::unique_ptr<AnimationDecoder> decoder, const std::vector<uint8_t>* icc,
                     size_t maxKeptBytes);
    void show(AnimationFrame&& frame);
    void schedule();

    std::unique_ptr<AnimationDecoder> decoder_;
    const std::vector<uint8_t>* profile_;
    size_t maxKeptBytes_, keptBytes_ = 0;
    std::vector<AnimationFrame> kept_;
    AnimationFrame current_;  // while frames are not kept
    bool keeping_ = true, complete_ = false;
    int index_ = 0;
    QTimer timer_;
};

}  // namespace vimbra
