#pragma once
// The passes Mosaic and the borders paint on the working picture's own pixels.
#include <cstdint>

#include "core/bitmap.h"
#include "core/frame_host.h"

namespace vimbra {

// The colour value a border line carries (0x00BBGGRR, or the system code of
// the desktop's window colour) as 0x00BBGGRR.
inline constexpr int32_t kWindowColourCode = int32_t(0x80000005u);
uint32_t BorderColourRgb(int32_t colourValue, uint32_t windowRgb = 0x00FFFFFF);

// n × n blocks from the top-left corner, each painted with its per-channel
// mean over n × n samples (at most 255). Samples below the last row take the
// last row; a sample k columns right of a block's first column that lies past
// the last column takes the pixel k columns left of it (column 0 at least).
// 24-bit pictures; n below 2 changes nothing.
void TileBitmap(Bitmap& picture, int n, Progress* progress = nullptr);

// Solid bands of rgb (0x00BBGGRR): x columns at the left and right, y rows at
// the top and bottom; each band is cut to the picture. 24-bit pictures.
void MergeBorderBitmap(Bitmap& picture, uint32_t rgb, int x, int y);
// Only the top band (t rows) and the bottom band (b rows).
void MergeBorderTopBotBitmap(Bitmap& picture, uint32_t rgb, int t, int b);

}  // namespace vimbra
