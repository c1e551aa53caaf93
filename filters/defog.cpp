#include "filters/defog.h"

#include <algorithm>
#include <vector>

#include "core/hls.h"
#include "core/parallel_rows.h"

namespace vimbra {

namespace {
// Squared distance of black from white: 3 x 255^2.
constexpr int kFar = 195075;
}  // namespace

namespace {

// The defogged colour of one pixel, B, G, R packed low to high.
uint32_t Defog(int B, int G, int R, int strength, int amount) {
    const int q = (255 - R) * (255 - R) + (255 - G) * (255 - G) + (255 - B) * (255 - B);
    const HLS hls = RGBtoHLS(R, G, B);
    const int64_t boost = int64_t(hls.S * q / kFar) * amount / 128;
    const int S = int(std::min<int64_t>(hls.S + boost, 3599));
    const RGB c = HLStoRGB(hls.H, hls.L, std::max(S, 0));
    const int r = std::clamp(c.r, 0, 255), g = std::clamp(c.g, 0, 255), b = std::clamp(c.b, 0, 255);
    const int k = int(int64_t(std::min({r, g, b}) * q / kFar) * strength / 255);
    return uint32_t(std::clamp(b - k, 0, 255)) | uint32_t(std::clamp(g - k, 0, 255)) << 8 |
           uint32_t(std::clamp(r - k, 0, 255)) << 16;
}

}  // namespace

void DoDefogBitmap(Bitmap& bitmap, int strength, int amount) {
    if (bitmap.depth() != 24) return;
    const int w = bitmap.width();
    // Each pixel depends on its own colour only, so the rows may go in any
    // order, and colours met again nearby (flat areas, gradients) are looked up
    // instead of converted again.
    ParallelRows(w, bitmap.height(), [&](int y0, int y1) {
        constexpr uint32_t kSlots = 4096, kEmpty = ~uint32_t(0);
        std::vector<uint32_t> key(kSlots, kEmpty), value(kSlots);
        for (int y = y0; y < y1; ++y) {
            uint8_t* p = bitmap.scanLine(y);
            for (int x = 0; x < w; ++x, p += 3) {
                const uint32_t colour = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
                const uint32_t slot = (colour * 2654435761u) >> 20;
                if (key[slot] != colour) {
                    key[slot] = colour;
                    value[slot] = Defog(p[0], p[1], p[2], strength, amount);
                }
                const uint32_t v = value[slot];
                p[0] = uint8_t(v), p[1] = uint8_t(v >> 8), p[2] = uint8_t(v >> 16);
            }
        }
    });
}

void DoDefog(Workspace& ws, PassTarget target, int strength, int amount) {
    DoDefogBitmap(target.bitmap, strength, amount);
    EndPass(ws, target);
}

}  // namespace vimbra
