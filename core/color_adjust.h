#pragma once
// Pixel passes of the Colors menu that take their values from the user:
// hue/lightness/saturation tuning, posterize, RGB maximum, negative and the
// manual white balance. All work on 24-bit bitmaps and leave others alone.
#include <cstdint>

#include "core/frame.h"
#include "core/hls.h"

namespace vimbra {

// Shifts hue (wrapping round the circle), lightness and saturation (limited to
// 0..3600) of every pixel. On the working picture it first runs WarnSVGA,
// AutoBackUp and ForceTrueColor and does nothing when one of them refuses
// (returns false then); a preview target leaves the working picture alone.
bool ColorTuneHLS(Workspace& ws, PassTarget target, int hueShift, int lightShift, int satShift);
// The same shift on a bare bitmap: no checks, no status, no refresh.
void TuneHLSBitmap(Bitmap& bitmap, int hueShift, int lightShift, int satShift);

// The byte mask that keeps the top `bits` bits (2..6); any other count keeps 7.
uint8_t LowResMask(int bits);
// Posterize: every channel ANDed with LowResMask(bits).
void LowRes(Workspace& ws, PassTarget target, int bits);

// Every channel becomes the largest of the pixel's three.
void RGBMax(Workspace& ws, PassTarget target);
void RGBMaxBitmap(Bitmap& bitmap);

// Every channel c becomes 255 - c.
void Negative(Workspace& ws, PassTarget target);
void NegativeBitmap(Bitmap& bitmap);

// Brightness offset that the manual white balance gives a channel whose base
// component is k, for the match value m (-127..127): 0..254.
inline int WhiteBalanceOffset(int match, int k) { return (match + 127) * (255 - k) / 255; }
// The Balance preview: EffectValue1..3 take the offsets for the colour base,
// the curves are built from them and applied to the target.
void WhiteBalancePreview(Workspace& ws, PassTarget target, int match, RGB base);
// Splits the packed colour r + 256 g + 65536 b that WhiteMax leaves in EffectValue3.
inline RGB UnpackColor(int32_t packed) {
    const uint32_t c = uint32_t(packed);
    return {int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)};
}

}  // namespace vimbra
