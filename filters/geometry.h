#pragma once
// Size arithmetic and the geometry done on the bitmap itself: fitting into a
// box, the size dialog's aspect and percent rules, crop, trim and the
// selection a numeric or grid choice makes.
#include <cstdint>
#include <optional>

#include "core/bitmap.h"
#include "core/workspace.h"

namespace vimbra {

struct PictureSize {
    int32_t width = 0, height = 0;
    bool operator==(const PictureSize&) const = default;
};

// a × b ÷ c to the nearest integer, halves away from zero; c = 0 gives -1.
int32_t MulDiv(int64_t a, int64_t b, int64_t c);

// W × H fitted into Bw × Bh keeping the aspect ratio: doubled together while
// narrower or lower than the box, then scaled to touch it. A zero or negative
// size or box gives the picture's size unchanged.
PictureSize FitIntoBox(PictureSize picture, PictureSize box);

// The size "DOWNSAMPLE=w,h" asks for: the picture fitted into
// min(w, width) × min(h, height), so it only ever shrinks.
PictureSize DownsampleSize(PictureSize picture, int32_t maxWidth, int32_t maxHeight);

// The size dialog with Keep Aspect Ratio: the dimension not typed follows the
// typed one (nearest, halves to even) from the initial proportions; when it
// exceeds its maximum it becomes the maximum and the other follows it, until
// both fit. widthTyped says which one the user typed. A zero initial side
// leaves the other side as it was.
PictureSize KeepAspect(PictureSize typed, PictureSize initial, PictureSize maximum, bool widthTyped);

// A typed percentage (p, e.g. 50 or 37.5) of an initial side: P = p × 100 to
// the nearest (halves to even), size = (P × initial + 5000) div 10000 in 64
// bits, kept within 1..maximum. clamped tells the dialog to beep.
int32_t PercentToSize(double percent, int32_t initial, int32_t maximum, bool* clamped = nullptr);
// The whole percentage the dialog shows for a side; 0 for a zero initial side.
int32_t SizeToPercent(int32_t size, int32_t initial);

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

// The grid dialog's cell: cw = width div columns, ch = height div rows; the
// cell in column col, row row starts at (col × cw, row × ch).
struct GridCell {
    int32_t cellWidth = 0, cellHeight = 0;
    SelRect selection;  // right and bottom one past the cell
};
GridCell GridCellSelection(int columns, int rows, int width, int height, int col, int row);
// Grid needs a picture of at least 64 × 64 pixels.
bool GridAllowed(int width, int height);
inline constexpr const char* kGridTooSmall = "64x64 image (minimum) required to use this feature.";

}  // namespace vimbra
