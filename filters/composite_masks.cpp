#include "filters/composite_masks.h"

#include <cstdlib>
#include <new>

#include "core/arithmetic.h"
#include "core/hls.h"
#include "core/parallel_rows.h"
#include "core/tone_curves.h"
#include "filters/composition.h"
#include "filters/local_lightness.h"

namespace vimbra {
namespace {

enum class Mask { Shadows, Highlights, Midtones, Contrast };

template <Mask K>
int Measure(const uint8_t* px) {
    if constexpr (K == Mask::Contrast)
        return ContrastMeasure(px[2], px[1], px[0]);
    else
        return MaskLuma(px[2], px[1], px[0]);
}

template <Mask K>
int Weight(const Curve& curve, int m) {
    if constexpr (K == Mask::Shadows) return curve[size_t(255 - m)];
    if constexpr (K == Mask::Highlights) return curve[size_t(m)];
    // A measure of 255 (a white pixel's contrast) would reach below entry 0.
    return curve[size_t(Clamp(127 - std::abs(m - 127), 0, 127))];
}

template <Mask K>
void CompositePass(Bitmap& picture, const Bitmap& second, const Curve& curve, int t) {
    constexpr int F = (K == Mask::Shadows || K == Mask::Highlights) ? 255 : 127;
    const int w = picture.width();
    ParallelRows(w, picture.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint8_t* p = picture.scanLine(y);
            const uint8_t* d = second.scanLine(y);
            for (int x = 0; x < w; ++x, p += 3, d += 3) {
                const int m = MixMeasures(Measure<K>(p), Measure<K>(d), t);
                const int f = Weight<K>(curve, m);
                for (int c = 0; c < 3; ++c)
                    p[c] = uint8_t(Min(255, f * p[c] / F + d[c] * (F - f) / F));
            }
        }
    });
}

template <Mask K>
void Composite(Workspace& ws, PassTarget target, int t) {
    const Bitmap* second = SecondPicture(ws, target);
    if (!second) return;
    // Script lines are range-checked; the clamps only keep stray values harmless.
    const int a = Clamp(ws.EffectValue1, 1, 500);
    if constexpr (K == Mask::Shadows || K == Mask::Highlights)
        BuildGammaMask(ws.curves, a);
    else
        BuildMidtoneMask(ws.curves, a);
    CompositePass<K>(target.bitmap, *second, ws.curves.GrnLut, Clamp(t, 0, 99));
    EndPass(ws, target);
}

}  // namespace

int ContrastMeasure(int r, int g, int b) {
    const HLS hls = RGBtoHLS(r, g, b);
    return Min(255, std::abs(hls.L - hls.S) * 255 / 3600);
}

int MixMeasures(int m, int md, int t) {
    if (t >= 99) return m;
    if (t <= 0) return md;
    return Min(255, m * t / 99 + md * (99 - t) / 99);
}

void BuildGammaMask(ToneCurves& curves, int a) { SetGammaLUT(curves, a, 1); }
void BuildMidtoneMask(ToneCurves& curves, int a) { SetMidToneLUT(curves, a); }

void DoCompositeMask(Workspace& ws, PassTarget target, bool shadows) {
    if (shadows)
        Composite<Mask::Shadows>(ws, target, ws.EffectValue2);
    else
        Composite<Mask::Highlights>(ws, target, ws.EffectValue2);
}

void DoCompositeMidTones(Workspace& ws, PassTarget target) {
    Composite<Mask::Midtones>(ws, target, ws.EffectValue2);
}

// The second value is read, never written back: the preview, the applied pass
// and the recorded line all mean the same k.
void DoCompositeContrast(Workspace& ws, PassTarget target) {
    Composite<Mask::Contrast>(ws, target, 99 - Clamp(ws.EffectValue2, 0, 99));
}

void DoCompositeGray(Workspace& ws, PassTarget target) {
    const Bitmap* second = SecondPicture(ws, target);
    if (!second) return;
    Bitmap& picture = target.bitmap;
    const int w = picture.width();
    ParallelRows(w, picture.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint8_t* p = picture.scanLine(y);
            const uint8_t* d = second->scanLine(y);
            for (int x = 0; x < w; ++x, p += 3, d += 3) {
                const HLS own = RGBtoHLS(p[2], p[1], p[0]);
                const HLS dup = RGBtoHLS(d[2], d[1], d[0]);
                const RGB out = HLStoRGB(dup.H, own.L, dup.S);
                p[0] = ClampByte(out.b), p[1] = ClampByte(out.g), p[2] = ClampByte(out.r);
            }
        }
    });
    EndPass(ws, target);
}

void DoMaskEdges(Workspace& ws, PassTarget target, int threshold, int amount) {
    const Bitmap* second = SecondPicture(ws, target);
    if (!second) return;
    const int m = Clamp(amount, 0, 255);
    const Bitmap source = target.bitmap;
    Progress progress(ws.host());
    progress.ProgressReset();
    Bitmap& out = target.bitmap;
    ForEachLocalLightness(source, target.isMainPicture ? &progress : nullptr,
                          [&](int y, int x, const LocalLightness& px) {
                              if (std::abs(px.Lo - px.Lm) >= threshold) return;
                              uint8_t* o = out.scanLine(y) + 3 * x;
                              const uint8_t* d = second->scanLine(y) + 3 * x;
                              for (int c = 0; c < 3; ++c)
                                  o[c] = uint8_t(Min(255, px.pixel[c] * (255 - m) / 255 +
                                                              d[c] * m / 255));
                          });
    EndPass(ws, target);
}

}  // namespace vimbra
