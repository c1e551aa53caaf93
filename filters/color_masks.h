#pragma once
// Operations on the pixels whose colour lies in a chosen range: black-and-white
// masks of an HLS band or an exact RGB colour, blending the duplicate into a
// band, smoothing a band (Airbrush), and the red-eye pass over the selection.
#include <cstdint>

#include "core/frame.h"
#include "core/hls.h"

namespace vimbra {

// A box in HLS space: centre and half-width per component (hue, lightness,
// saturation). Hue is circular, so a band around red reaches across 0/3600.
struct HlsBand {
    int32_t centre[3] = {0, 0, 0};
    int32_t halfWidth[3] = {0, 0, 0};

    // Strict on every side, so a half-width of 0 (or less) selects nothing.
    bool contains(const HLS& c) const {
        return HueDistance(c.H, centre[0]) < halfWidth[0] &&
               Distance(c.L, centre[1]) < halfWidth[1] && Distance(c.S, centre[2]) < halfWidth[2];
    }

    // Shortest way round the hue circle, 0..1800, for any centre.
    static int64_t HueDistance(int hue, int32_t centre) {
        int64_t d = (int64_t(hue) - centre) % kHlsMax;
        if (d < 0) d += kHlsMax;
        return d > kHlsMax / 2 ? kHlsMax - d : d;
    }
    static int64_t Distance(int v, int32_t centre) {
        const int64_t d = int64_t(v) - centre;
        return d < 0 ? -d : d;
    }
};

// A band value packs the half-width in the upper 16 bits and the centre in the
// lower 16: w * 65536 + c. Division truncates, so negative values give a
// negative half-width (an empty band) rather than anything out of range.
inline int32_t PackedHalfWidth(int32_t packed) { return packed / 65536; }
inline int32_t PackedCentre(int32_t packed) { return packed % 65536; }
int32_t PackBand(int32_t halfWidth, int32_t centre);

// Splits EffectValue1..3 in place: the half-widths stay there, the centres go
// to ws.BandCentre. Returns the band they describe.
HlsBand UnpackBand(Workspace& ws);

// Pure pixel passes on a 24-bit bitmap (other depths are left alone).
struct MaskColorsFlags {
    bool outside = false;    // whiten the colours outside the band instead of inside
    bool posterize = false;  // cut every byte to its upper four bits first
    bool black = false;      // start every pixel from black
};
void MaskColorsBitmap(Bitmap& bitmap, const HlsBand& band, MaskColorsFlags flags);
void MaskRgbBitmap(Bitmap& bitmap, int32_t red, int32_t green, int32_t blue, bool foreground);
// Blends `duplicate` (same size, 24-bit) in by band membership and distance.
void ColorMaskBitmap(Bitmap& bitmap, const Bitmap& duplicate, const HlsBand& band,
                     bool background);
// Replaces the band's pixels by their 5x5 mean where the local lightness step
// is small; the two-pixel ring stays.
void AirBrushBitmap(Bitmap& bitmap, const HlsBand& band, Progress* progress);
// Pulls red down to max(green, blue) where red leads both by more than 8, in
// the rectangle (right and bottom exclusive, clipped to the bitmap).
void RedEyeBitmap(Bitmap& bitmap, const SelRect& area);

// Operations on a display control. The HLS ones unpack EffectValue1..3 first.
// DoColorMask blends with SecondPicture (composition.h) and does nothing
// without one.
void DoColorMask(Workspace& ws, PassTarget target, bool background);
void MaskColors(Workspace& ws, PassTarget target, MaskColorsFlags flags);
// EffectValue1..3 are the red, green and blue to match.
void MaskRGB(Workspace& ws, PassTarget target, bool foreground);
void AirBrush(Workspace& ws, PassTarget target);

// The rectangle the red-eye pass covers for a selection: the selection's
// bottom raised by two rows when it spans more than four, clipped to the
// picture. The selection itself is not changed.
SelRect RedEyeArea(const SelRect& selection, int width, int height);

}  // namespace vimbra
