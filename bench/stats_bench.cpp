// Histogram passes and the corrections built on them, on a 24-megapixel picture.
#include "bench/bench_util.h"
#include "core/auto_corrections.h"
#include "core/histogram.h"

using namespace vimbra;

int main() {
    constexpr int kWidth = 6000, kHeight = 4000;
    constexpr double kMpx = kWidth * double(kHeight) / 1e6;
    Workspace ws;
    ws.setImage(bench::MakeScene(kWidth, kHeight));
    const PassTarget main = PassTarget::mainPicture(ws);

    bench::ReportMpxPerSecond("DoCalcHistogram", kMpx, 10,
                              [&] { DoCalcHistogram(ws, main, false, true, false); });
    bench::ReportMpxPerSecond("DoCalcHistogram + saturation + hue", kMpx, 5,
                              [&] { DoCalcHistogram(ws, main, true, true, true); });
    bench::ReportMpxPerSecond("AutoContrast", kMpx, 5, [&] { AutoContrast(ws, main); });
    bench::ReportMpxPerSecond("Normalize", kMpx, 3, [&] { Normalize(ws, main); });
    return 0;
}
