#pragma once
// Where the picture goes on the printed page: its size at a Size percentage,
// the scroll ranges of its position, and the texts of the setup dialog's
// position, size and page labels. All sizes are printer pixels.
#include <string>

namespace vimbra {

// The printable area of the page in printer pixels and the printer's dots per inch.
struct PrintPage {
    int width = 0, height = 0;
    int dpiX = 0, dpiY = 0;
    bool landscape = false;
};

enum class PrintMeasure { Pixels = 0, Inches = 1, Cm = 2 };

struct PrintSize {
    int width = 0, height = 0;
    bool operator==(const PrintSize&) const = default;
};

// The largest size with the picture's aspect ratio inside the box, scaled by
// `percent` and truncated to whole pixels. Exact rational arithmetic, so a
// picture with the box's aspect ratio fills it to the last pixel. Empty for
// an empty box or picture.
PrintSize FitToPage(int boxWidth, int boxHeight, int width, int height, int percent = 100);

// The printed rectangle and the ranges of the two position scroll bars.
struct PrintPlacement {
    int x = 0, y = 0, width = 0, height = 0;
    int xMax = 0, yMax = 0;    // page size - printed size, never below 0
    int xStep = 1, yStep = 1;  // large scroll steps: max div 8, at least 1
    bool operator==(const PrintPlacement&) const = default;
};

// The picture fitted to the page at `percent` (1..100) and centred.
PrintPlacement CentredPlacement(const PrintPage& page, int pictureWidth, int pictureHeight,
                                int percent);
// The same size placed at scroll positions (x, y), clamped to the ranges.
PrintPlacement MovedPlacement(PrintPlacement placement, int x, int y);

struct PrintLabels {
    std::string width, height, x, y;  // "Width : 5.1", "&X pos : 0"
    std::string settings;             // "Portrait : 8.3 x 11.7  (300 x 300 dpi)"
};
PrintLabels LabelsFor(const PrintPage& page, const PrintPlacement& placement,
                      PrintMeasure measure);

// The Size label: "  Si&ze : 50%".
std::string SizeLabel(int percent);

}  // namespace vimbra
