#pragma once
// Haze removal: dark pixels gain saturation and lose part of their common
// grey component; white stays as it is.
#include "core/frame.h"

namespace vimbra {

// Every pixel, in place. Bitmaps other than 24-bit are left alone.
void DoDefogBitmap(Bitmap& bitmap, int strength, int amount);
void DoDefog(Workspace& ws, PassTarget target, int strength, int amount);

}  // namespace vimbra
