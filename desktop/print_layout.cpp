#include "desktop/print_layout.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace vimbra {
namespace {

int Truncated(int64_t numerator, int64_t denominator) {
    return static_cast<int>(numerator / denominator);
}

// A length in printer pixels in the chosen measure; "%3.1f" for inches and cm.
std::string Measured(int pixels, int dpi, PrintMeasure measure) {
    if (measure == PrintMeasure::Pixels || dpi <= 0) return std::to_string(pixels);
    const double factor = measure == PrintMeasure::Cm ? 2.54 : 1.0;
    char text[32];
    std::snprintf(text, sizeof text, "%3.1f", double(pixels) / dpi * factor);
    return text;
}

}  // namespace

PrintSize FitToPage(int boxWidth, int boxHeight, int width, int height, int percent) {
    if (boxWidth <= 0 || boxHeight <= 0 || width <= 0 || height <= 0 || percent <= 0) return {};
    const int64_t bw = boxWidth, bh = boxHeight, w = width, h = height, p = percent;
    // Width limits when bw / w <= bh / h.
    if (bw * h <= bh * w)
        return {Truncated(bw * p, 100), Truncated(h * bw * p, w * 100)};
    return {Truncated(w * bh * p, h * 100), Truncated(bh * p, 100)};
}

PrintPlacement CentredPlacement(const PrintPage& page, int pictureWidth, int pictureHeight,
                                int percent) {
    PrintPlacement out;
    const PrintSize size =
        FitToPage(page.width, page.height, pictureWidth, pictureHeight, std::clamp(percent, 1, 100));
    out.width = size.width;
    out.height = size.height;
    out.xMax = std::max(0, page.width - size.width);
    out.yMax = std::max(0, page.height - size.height);
    out.xStep = std::max(1, out.xMax / 8);
    out.yStep = std::max(1, out.yMax / 8);
    out.x = out.xMax / 2;
    out.y = out.yMax / 2;
    return out;
}

PrintPlacement MovedPlacement(PrintPlacement placement, int x, int y) {
    placement.x = std::clamp(x, 0, placement.xMax);
    placement.y = std::clamp(y, 0, placement.yMax);
    return placement;
}

PrintLabels LabelsFor(const PrintPage& page, const PrintPlacement& placement,
                      PrintMeasure measure) {
    PrintLabels out;
    out.width = "Width : " + Measured(placement.width, page.dpiX, measure);
    out.height = "Height: " + Measured(placement.height, page.dpiY, measure);
    out.x = "&X pos : " + Measured(placement.x, page.dpiX, measure);
    out.y = "&Y pos : " + Measured(placement.y, page.dpiY, measure);
    out.settings = std::string(page.landscape ? "Landscape" : "Portrait ") + ": " +
                   Measured(page.width, page.dpiX, measure) + " x " +
                   Measured(page.height, page.dpiY, measure) + "  (" +
                   std::to_string(page.dpiX) + " x " + std::to_string(page.dpiY) + " dpi)";
    return out;
}

std::string SizeLabel(int percent) { return "  Si&ze : " + std::to_string(percent) + "%"; }

}  // namespace vimbra
