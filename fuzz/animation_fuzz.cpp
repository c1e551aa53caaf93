// Plays arbitrary bytes as an animated WebP or GIF, twice round: every frame
// is canvas-sized and the second round starts with the first one's frame.
#include <cstdint>
#include <cstdlib>

#include "imagefiles/animation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vimbra;
    try {
        auto a = OpenAnimation(std::vector<uint8_t>(data, data + size), {uint8_t(size), 90, 10, 0});
        if (!a || int64_t(a->width()) * a->height() > (int64_t(1) << 20)) return 0;  // fuzzer memory limit
        AnimationFrame first, f;
        for (int round = 0; round < 2; ++round) {
            for (int i = 0; i < 64 && a->next(f); ++i) {
                if (f.bitmap.width() != a->width() || f.bitmap.height() != a->height() ||
                    f.bitmap.depth() != 24 || f.delayMs < 0)
                    std::abort();
                if (i == 0 && round == 0) first = f;
                if (i == 0 && round == 1 && !(f.bitmap == first.bitmap)) std::abort();
            }
            a->rewind();
        }
    } catch (const ImageFileError&) {
    }
    return 0;
}
