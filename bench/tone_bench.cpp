// Throughput of the tone-curve appliers on a 24-megapixel picture.
#include "bench/bench_util.h"
#include "core/tone_curves.h"
#include "core/tone_filters.h"

using namespace vimbra;

int main() {
    constexpr int kWidth = 6000, kHeight = 4000;
    constexpr double kMpx = kWidth * double(kHeight) / 1e6;
    FrameHost host;
    Workspace ws(host);
    ws.setImage(bench::MakeScene(kWidth, kHeight));
    const Bitmap scene = ws.Image;
    const PassTarget target = PassTarget::mainPicture(ws);

    SetGammaLUT(ws.curves, 140, 0);
    SetBrightLUT(ws.curves, 20, 1);
    SetContrastLUT(ws.curves, 30, 2);
    bench::ReportMpxPerSecond("ColorFilter", kMpx, 10, [&] { ColorFilter(ws, target); });

    // The HLS passes drift towards a few colours when repeated, so each run
    // starts from the scene (the copy is timed too, and is small beside them).
    SetStretchLUT(ws.curves, 20, 230, 1);
    bench::ReportMpxPerSecond("LuminanceFilter", kMpx, 5, [&] {
        ws.Image = scene;
        LuminanceFilter(ws, target);
    });
    SetGammaLUT(ws.curves, 150, 2);
    bench::ReportMpxPerSecond("SaturationFilter", kMpx, 5, [&] {
        ws.Image = scene;
        SaturationFilter(ws, target);
    });
    bench::ReportMpxPerSecond("MultiplyLuminance", kMpx, 5, [&] {
        ws.Image = scene;
        MultiplyLuminance(ws, target);
    });
    bench::ReportMpxPerSecond("copy of the scene alone", kMpx, 5, [&] { ws.Image = scene; });
    return 0;
}
