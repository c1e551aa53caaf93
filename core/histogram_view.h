#pragma once
// What the histogram window draws and reads out, without its widgets.
#include <cstdint>
#include <string>

#include "core/tone_tables.h"

namespace vimbra {

// Height (0..255) of a bin's line in the 255-pixel box at zoom 1..8. Counts
// run to a billion pixels, so the product is taken in 64 bits; a peak below
// the zoom factor would make the divisor 0 and is treated as 1.
int HistogramBarHeight(int64_t count, int32_t peak, int zoom);

// The read-out of one bin, lines separated by a single line feed.
std::string HistogramBinText(const Histograms& h, int bin);

// The zoom after a click on the zoom button: 1..8, then 1 again.
inline int NextHistogramZoom(int zoom) { return zoom >= 8 ? 1 : zoom + 1; }

}  // namespace vimbra
