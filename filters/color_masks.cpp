#include "filters/color_masks.h"

#include <algorithm>

#include "core/arithmetic.h"
#include "core/parallel_rows.h"
#include "filters/composition.h"
#include "filters/local_lightness.h"

namespace vimbra {
namespace {

// 3 x 3600², the largest squared distance between two colours in HLS.
constexpr int64_t kMaxSquaredDistance = 38880000;

bool IsTrueColor(const Bitmap& b) { return b.depth() == 24 && !b.isEmpty(); }

// Whole images are often flat: remember the last colour's answer.
class BandTest {
public:
    explicit BandTest(const HlsBand& band) : band_(band) {}
    bool operator()(int r, int g, int b) {
        const int key = (r << 16) | (g << 8) | b;
        if (key != lastKey_) {
            lastKey_ = key;
            lastInside_ = band_.contains(RGBtoHLS(r, g, b));
        }
        return lastInside_;
    }

private:
    const HlsBand& band_;
    int lastKey_ = -1;
    bool lastInside_ = false;
};

// 255 inside the band; outside, the squared distance to the centre scaled so
// that the farthest possible colour gives 255.
int BandWeight(const HlsBand& band, const HLS& c) {
    if (band.contains(c)) return 255;
    const int64_t dh = HlsBand::HueDistance(c.H, band.centre[0]);
    const int64_t dl = HlsBand::Distance(c.L, band.centre[1]);
    const int64_t ds = HlsBand::Distance(c.S, band.centre[2]);
    const int64_t o = (dh * dh + dl * dl + ds * ds) * 255 / kMaxSquaredDistance;
    return int(std::min<int64_t>(o, 255));
}

// After a band pass: the working picture is refreshed (unless a batch runs)
// and marked changed, a preview is repainted.
void FinishQuietPass(Workspace& ws, const PassTarget& target) {
    FrameHost& host = ws.host();
    host.StatusReady(ws);
    if (target.isMainPicture) {
        if (!ws.BatchRunning) host.RefreshView(ws);
        ws.Modified = true;
    } else {
        host.InvalidatePreview(target.bitmap);
    }
}

}  // namespace

int32_t PackBand(int32_t halfWidth, int32_t centre) {
    // Wraps like the 32-bit value it is; script lines may carry anything.
    return int32_t(uint32_t(halfWidth) * 65536u + uint32_t(centre));
}

HlsBand UnpackBand(Workspace& ws) {
    int32_t* values[3] = {&ws.EffectValue1, &ws.EffectValue2, &ws.EffectValue3};
    HlsBand band;
    for (int i = 0; i < 3; ++i) {
        ws.BandCentre[i] = PackedCentre(*values[i]);
        *values[i] = PackedHalfWidth(*values[i]);
        band.centre[i] = ws.BandCentre[i];
        band.halfWidth[i] = *values[i];
    }
    return band;
}

void MaskColorsBitmap(Bitmap& bitmap, const HlsBand& band, MaskColorsFlags flags) {
    if (!IsTrueColor(bitmap)) return;
    const int w = bitmap.width();
    ParallelRows(w, bitmap.height(), [&](int y0, int y1) {
        BandTest inBand(band);
        for (int y = y0; y < y1; ++y) {
            uint8_t* p = bitmap.scanLine(y);
            for (int x = 0; x < w; ++x, p += 3) {
                if (flags.posterize) p[0] &= 240, p[1] &= 240, p[2] &= 240;
                const bool inside = inBand(p[2], p[1], p[0]);
                if (flags.black) p[0] = p[1] = p[2] = 0;
                if (inside != flags.outside) p[0] = p[1] = p[2] = 255;
            }
        }
    });
}

void MaskRgbBitmap(Bitmap& bitmap, int32_t red, int32_t green, int32_t blue, bool foreground) {
    if (!IsTrueColor(bitmap)) return;
    const int w = bitmap.width();
    ParallelRows(w, bitmap.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint8_t* p = bitmap.scanLine(y);
            for (int x = 0; x < w; ++x, p += 3) {
                const bool match = p[2] == red && p[1] == green && p[0] == blue;
                p[0] = p[1] = p[2] = match == foreground ? 255 : 0;
            }
        }
    });
}

void ColorMaskBitmap(Bitmap& bitmap, const Bitmap& duplicate, const HlsBand& band,
                     bool background) {
    if (!IsTrueColor(bitmap) || duplicate.depth() != 24 || duplicate.width() != bitmap.width() ||
        duplicate.height() != bitmap.height())
        return;
    const int w = bitmap.width();
    ParallelRows(w, bitmap.height(), [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint8_t* p = bitmap.scanLine(y);
            const uint8_t* d = duplicate.scanLine(y);
            for (int x = 0; x < w; ++x, p += 3, d += 3) {
                int o = BandWeight(band, RGBtoHLS(p[2], p[1], p[0]));
                if (!background) o = 255 - o;
                for (int c = 0; c < 3; ++c)
                    p[c] = ClampByte(p[c] * (255 - o) / 255 + d[c] * o / 255);
            }
        }
    });
}

void AirBrushBitmap(Bitmap& bitmap, const HlsBand& band, Progress* progress) {
    if (!IsTrueColor(bitmap) || bitmap.width() < 5 || bitmap.height() < 5) return;
    // The smoothed value only lands where the pixel is in the band, so the
    // output can be the bitmap itself with one copy as the source.
    const Bitmap source = bitmap;
    ForEachLocalLightness(source, progress, [&](int y, int x, const LocalLightness& px) {
        if (std::abs(px.Lo - px.Lm) >= 255) return;
        const uint8_t* s = px.pixel;
        if (!band.contains(RGBtoHLS(s[2] & 240, s[1] & 240, s[0] & 240))) return;
        uint8_t* out = bitmap.scanLine(y) + 3 * x;
        out[0] = px.mean[0], out[1] = px.mean[1], out[2] = px.mean[2];
    });
}

SelRect RedEyeArea(const SelRect& selection, int width, int height) {
    SelRect r = selection;
    if (int64_t(r.bottom) - r.top > 4) r.bottom -= 2;
    r.left = std::max(r.left, 0);
    r.top = std::max(r.top, 0);
    r.right = std::min(r.right, int32_t(width));
    r.bottom = std::min(r.bottom, int32_t(height));
    return r;
}

void RedEyeBitmap(Bitmap& bitmap, const SelRect& area) {
    if (!IsTrueColor(bitmap)) return;
    const int left = std::max(area.left, 0), top = std::max(area.top, 0);
    const int right = std::min(area.right, int32_t(bitmap.width()));
    const int bottom = std::min(area.bottom, int32_t(bitmap.height()));
    for (int y = top; y < bottom; ++y) {
        uint8_t* p = bitmap.scanLine(y) + 3 * left;
        for (int x = left; x < right; ++x, p += 3) {
            const int b = p[0], g = p[1], r = p[2];
            if (g + 8 < r && b + 8 < r) p[2] = uint8_t(std::max(g, b));
        }
    }
}

void DoColorMask(Workspace& ws, PassTarget target, bool background) {
    const HlsBand band = UnpackBand(ws);
    const Bitmap* duplicate = SecondPicture(ws, target);
    if (!duplicate) return;
    ColorMaskBitmap(target.bitmap, *duplicate, band, background);
    EndPass(ws, target);
}

void MaskColors(Workspace& ws, PassTarget target, MaskColorsFlags flags) {
    const HlsBand band = UnpackBand(ws);
    MaskColorsBitmap(target.bitmap, band, flags);
    EndPass(ws, target);
}

void MaskRGB(Workspace& ws, PassTarget target, bool foreground) {
    MaskRgbBitmap(target.bitmap, ws.EffectValue1, ws.EffectValue2, ws.EffectValue3, foreground);
    EndPass(ws, target);
}

void AirBrush(Workspace& ws, PassTarget target) {
    const HlsBand band = UnpackBand(ws);
    Progress progress(ws.host());
    progress.ProgressReset();
    AirBrushBitmap(target.bitmap, band, target.isMainPicture ? &progress : nullptr);
    FinishQuietPass(ws, target);
}

}  // namespace vimbra
