#pragma once
// The frames of an animated WebP or GIF for the viewer to play, one at a time:
// each composed on the whole canvas (the file's disposal and blending done)
// with the time it stays. The working picture is only ever the first frame,
// read by the still readers; frame 0 here is that same picture.
#include <cstdint>
#include <memory>
#include <vector>

#include "core/bitmap.h"
#include "imagefiles/codecs/codec_common.h"

namespace vimbra {

struct AnimationFrame {
    Bitmap bitmap;    // 24 bits, canvas-sized
    int delayMs = 0;  // as the file says
};

class AnimationDecoder {
public:
    virtual ~AnimationDecoder() = default;
    // The frame after the last one read; false after the last frame or at
    // the first one that cannot be decoded.
    virtual bool next(AnimationFrame& frame) = 0;
    // Back to the first frame.
    virtual void rewind() = 0;
    int width() const { return width_; }
    int height() const { return height_; }
    // As the file declares it (GIF: counted over its blocks).
    int frameCount() const { return frameCount_; }

protected:
    int width_ = 0, height_ = 0, frameCount_ = 0;
};

// A decoder when `bytes` hold an animated WebP or GIF of two frames or more;
// null for stills, single frames and other formats. Transparent parts are
// laid over `back` as the still readers lay them. Throws ImageFileError when
// an animation's header is bad or its canvas passes the picture caps.
std::unique_ptr<AnimationDecoder> OpenAnimation(std::vector<uint8_t> bytes, PaletteEntry back);

// The time a frame is shown for: the file's delay, except that 10 ms and
// less (often 0, meaning "as fast as possible") is 100 ms, as browsers do.
int ShownDelayMs(int fileDelayMs);

}  // namespace vimbra
