#pragma once
// Size arithmetic and the geometry done on the bitmap itself: fitting into a
// box, crop, trim and the selection a numeric choice makes.
#include <cstdint>
#include <optional>

#include "core/bitmap.h"
#include "core/workspace.h"

namespace vimbra {

struct PictureSize {
    int32_t width = 0, height = 0;
    bool operator==(const PictureSize&) const = default;
};

// W × H fitted into Bw × Bh keeping the aspect ratio: doubled together while
// narrower or lower than the box, then scaled to touch it (a × b ÷ c taken to
// the nearest, halves away from zero). A zero or negative size or box gives
// the picture's size unchanged.
PictureSize FitIntoBox(PictureSize picture, PictureSize box);

// The size "DOWNSAMPLE=w,h" asks for: the picture fitted into
// min(w, width) × min(h, height), so it only ever shrinks.
PictureSize DownsampleSize(PictureSize picture, int32_t maxWidth, int32_t maxHeight);

// The crop a script asks for is valid only when 0 <= left < right <= width and
// 0 <= top < bottom <= height.
bool ValidCropRect(const SelRect& rect, int width, int height);
// A selection brought inside the picture (left/right and top/bottom swapped
// when reversed); empty when nothing of it lies inside.
SelRect ClampToPicture(const SelRect& rect, int width, int height);

// The pixels of rect (which must be valid) as a new bitmap of the same depth
// and palette.
Bitmap CropBitmap(const Bitmap& picture, const SelRect& rect);

// The smallest rectangle inside region holding every pixel whose value differs
// from the region's top-left pixel; none when the region holds that value only
// (or is empty).
std::optional<SelRect> TrimRect(const Bitmap& picture, const SelRect& region);

// The selection Mask sets from the size dialog's x, y, width and height.
SelRect MaskSelection(int32_t x, int32_t y, int32_t width, int32_t height);

// Grid needs a picture of at least 64 × 64 pixels.
bool GridAllowed(int width, int height);
inline constexpr const char* kGridTooSmall = "64x64 image (minimum) required to use this feature.";

}  // namespace vimbra
