#pragma once
// The two 5x5 filters that compare each pixel's lightness with the lightness
// of its 5x5 mean: Clean smooths small steps, Unsharp mask steepens large ones.
// The outer two-pixel ring and pictures under 5x5 stay unchanged; bitmaps
// other than 24-bit are left alone.
#include "core/frame.h"

namespace vimbra {

// Where |Lo - Lm| < threshold, each byte moves blend/255 of the way to its mean.
void SharpGaussianBlur5x5Bitmap(Bitmap& bitmap, int threshold, int blend,
                                Progress* progress = nullptr);
// Where |Lo - Lm| > threshold, the lightness moves 2 * amount/255 of the step
// further away from the mean; hue and saturation are kept.
void UnSharpGaussianBlur5x5Bitmap(Bitmap& bitmap, int threshold, int amount,
                                  Progress* progress = nullptr);

void SharpGaussianBlur5x5(Workspace& ws, PassTarget target, int threshold, int blend);
void UnSharpGaussianBlur5x5(Workspace& ws, PassTarget target, int threshold, int amount);

}  // namespace vimbra
