#include "core/histogram_view.h"

#include <algorithm>

namespace vimbra {

int HistogramBarHeight(int64_t count, int32_t peak, int zoom) {
    const int64_t d = std::max<int64_t>(1, int64_t(peak) / std::max(1, zoom));
    return int(std::clamp<int64_t>(count * 255 / d, 0, 255));
}

std::string HistogramBinText(const Histograms& h, int bin) {
    const int b = std::clamp(bin, 0, 255);
    const auto n = [](int32_t v) { return std::to_string(v); };
    return "Bin:   " + std::to_string(b) + "\nMax: " + n(h.HistPeak) + "\nRed: " + n(h.HistRed[b]) +
           "\nGrn:  " + n(h.HistGrn[b]) + "\nBlu:   " + n(h.HistBlu[b]) + "\nGry:   " +
           n(h.HistGry[b]) + "\nSat:   " + n(h.HistSat[b]);
}

}  // namespace vimbra
