// Speed of the colour adjustments on a 24-megapixel photograph-like scene.
#include "bench/bench_util.h"
#include "core/color_adjust.h"

using namespace vimbra;

int main() {
    constexpr int kWidth = 6000, kHeight = 4000;
    constexpr double kMpx = kWidth * kHeight / 1e6;
    Workspace ws;
    ws.setImage(bench::MakeScene(kWidth, kHeight));
    const PassTarget main = PassTarget::mainPicture(ws);

    // As a script runs it: no undo snapshot.
    ws.BatchRunning = true;
    bench::ReportMpxPerSecond("ColorTuneHLS (batch)", kMpx, 5,
                              [&] { ColorTuneHLS(ws, main, -200, 150, 400); });
    // As the menu runs it: the undo snapshot is part of the cost.
    ws.BatchRunning = false;
    bench::ReportMpxPerSecond("ColorTuneHLS (with undo snapshot)", kMpx, 5,
                              [&] { ColorTuneHLS(ws, main, 200, -150, -400); });
    bench::ReportMpxPerSecond("LowRes 3 bits", kMpx, 5, [&] { LowRes(ws, main, 3); });
    bench::ReportMpxPerSecond("RGBMax", kMpx, 5, [&] { RGBMax(ws, main); });
    bench::ReportMpxPerSecond("Negative", kMpx, 5, [&] { Negative(ws, main); });
    return 0;
}
