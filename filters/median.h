#pragma once
// The shaped median (Despeckle, UnSpot, DeLace). Every pixel is computed; the
// window reaches past the picture's edges by repeating the edge pixels.
#include <utility>
#include <vector>

#include "core/frame.h"

namespace vimbra {

// Window cells (dy, dx) of a median level: 0, 1 and levels outside 2..9 give
// the five-cell plus.
std::vector<std::pair<int, int>> MedianShape(int level);

// spot 0: every byte becomes the median. Otherwise a byte above |4 * spot|
// takes the median when it is below it (spot < 0, pepper) or above it
// (spot > 0, salt). Bitmaps other than 24-bit are left alone.
void MedianBitmap(Bitmap& bitmap, int level, int spot, Progress* progress = nullptr);

void Median(Workspace& ws, PassTarget target, int level, int spot);

}  // namespace vimbra
