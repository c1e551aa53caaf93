#include "filters/lightness_filters.h"

#include <algorithm>
#include <cstdlib>

#include "core/hls.h"
#include "filters/local_lightness.h"

namespace vimbra {

void SharpGaussianBlur5x5Bitmap(Bitmap& bitmap, int threshold, int blend, Progress* progress) {
    if (bitmap.depth() != 24) return;
    const Bitmap source = bitmap;
    ForEachLocalLightness(source, progress, [&](int y, int x, const LocalLightness& p) {
        if (std::abs(p.Lo - p.Lm) >= threshold) return;
        uint8_t* out = bitmap.scanLine(y) + 3 * x;
        for (int c = 0; c < 3; ++c) {
            const int o = p.pixel[c];
            out[c] = uint8_t(std::clamp(o + (p.mean[c] - o) * blend / 255, 0, 255));
        }
    });
}

void UnSharpGaussianBlur5x5Bitmap(Bitmap& bitmap, int threshold, int amount, Progress* progress) {
    if (bitmap.depth() != 24) return;
    const Bitmap source = bitmap;
    ForEachLocalLightness(source, progress, [&](int y, int x, const LocalLightness& p) {
        const int d = p.Lo - p.Lm;
        if (std::abs(d) <= threshold) return;
        // Hue and saturation come from the stored byte order, and go back the same way.
        const HLS hls = RGBtoHLS(p.pixel[0], p.pixel[1], p.pixel[2]);
        const int step = int(2 * int64_t(std::abs(d)) * amount / 255);
        const int L = d > 0 ? std::min(p.Lo + step, kHlsMax) : std::max(p.Lo - step, 0);
        const RGB rgb = HLStoRGB(hls.H, L, hls.S);
        uint8_t* out = bitmap.scanLine(y) + 3 * x;
        out[0] = uint8_t(std::clamp(rgb.r, 0, 255));
        out[1] = uint8_t(std::clamp(rgb.g, 0, 255));
        out[2] = uint8_t(std::clamp(rgb.b, 0, 255));
    });
}

namespace {

template <class Pass>
void RunPass(Workspace& ws, PassTarget target, Pass&& pass) {
    if (target.isMainPicture) {
        Progress progress(ws.host());
        progress.ProgressReset();
        pass(&progress);
    } else {
        pass(nullptr);
    }
    EndPass(ws, target);
}

}  // namespace

void SharpGaussianBlur5x5(Workspace& ws, PassTarget target, int threshold, int blend) {
    RunPass(ws, target, [&](Progress* p) {
        SharpGaussianBlur5x5Bitmap(target.bitmap, threshold, blend, p);
    });
}

void UnSharpGaussianBlur5x5(Workspace& ws, PassTarget target, int threshold, int amount) {
    RunPass(ws, target, [&](Progress* p) {
        UnSharpGaussianBlur5x5Bitmap(target.bitmap, threshold, amount, p);
    });
}

}  // namespace vimbra
