#include "filters/defog.h"

#include <algorithm>

#include "core/hls.h"
#include "core/parallel_rows.h"

namespace vimbra {

namespace {
// Squared distance of black from white: 3 x 255^2.
constexpr int kFar = 195075;
}  // namespace

void DoDefogBitmap(Bitmap& bitmap, int strength, int amount) {
    if (bitmap.depth() != 24) return;
    const int w = bitmap.width();
    // Each pixel depends on itself only, so the rows may go in any order.
    ParallelRows(w, bitmap.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint8_t* p = bitmap.scanLine(y);
            for (int x = 0; x < w; ++x, p += 3) {
                const int B = p[0], G = p[1], R = p[2];
                const int q = (255 - R) * (255 - R) + (255 - G) * (255 - G) + (255 - B) * (255 - B);
                const HLS hls = RGBtoHLS(R, G, B);
                const int64_t boost = int64_t(hls.S * q / kFar) * amount / 128;
                const int S = int(std::min<int64_t>(hls.S + boost, 3599));
                const RGB c = HLStoRGB(hls.H, hls.L, std::max(S, 0));
                const int r = std::clamp(c.r, 0, 255), g = std::clamp(c.g, 0, 255),
                          b = std::clamp(c.b, 0, 255);
                const int k = int(int64_t(std::min({r, g, b}) * q / kFar) * strength / 255);
                p[0] = uint8_t(std::clamp(b - k, 0, 255));
                p[1] = uint8_t(std::clamp(g - k, 0, 255));
                p[2] = uint8_t(std::clamp(r - k, 0, 255));
            }
        }
    });
}

void DoDefog(Workspace& ws, PassTarget target, int strength, int amount) {
    DoDefogBitmap(target.bitmap, strength, amount);
    EndPass(ws, target);
}

}  // namespace vimbra
