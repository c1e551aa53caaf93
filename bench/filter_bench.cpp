// Speed of the neighbourhood filters on a 24-megapixel scene, beside the
// nearest ImageMagick operations run on the same scene in the same run.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_util.h"
#include "filters/convolution.h"
#include "filters/defog.h"
#include "filters/lightness_filters.h"
#include "filters/median.h"

using namespace vimbra;

namespace {

constexpr const char* kMagick = "/usr/bin/convert-im6.q16";

// Best of `repeats` wall times of one ImageMagick command, in seconds.
double TimeMagick(const std::string& args, int repeats) {
    const std::string cmd = std::string(kMagick) + " /tmp/vimbra_filter_bench.mpc " + args +
                            " /tmp/vimbra_filter_bench_out.mpc 2>/dev/null";
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        if (std::system(cmd.c_str()) != 0) return -1;
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    constexpr int kWidth = 6000, kHeight = 4000;
    constexpr double kMpx = kWidth * kHeight / 1e6;
    // --no-magick skips the comparison; --only=TEXT runs the passes whose name holds TEXT.
    bool magick = true;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--no-magick") magick = false;
        else if (arg.rfind("--only=", 0) == 0) only = arg.substr(7);
    }
    const Bitmap scene = bench::MakeScene(kWidth, kHeight);
    Bitmap b = scene;
    const auto run = [&](const char* name, auto&& pass) {
        if (!only.empty() && std::string(name).find(only) == std::string::npos) return;
        b = scene;  // each pass then runs on its own previous result
        bench::ReportMpxPerSecond(name, kMpx, 3, pass);
    };
    run("Spatial3x3 MeanRemoval(4)", [&] {
        const Kernel3x3 k = MeanRemovalKernel(4);
        Spatial3x3Bitmap(b, k.weights, k.divisor);
    });
    run("Spatial3x3 HighPassLight(3)", [&] {
        const Kernel3x3 k = HighPassLightKernel(3);
        Spatial3x3Bitmap(b, k.weights, k.divisor);
    });
    run("Spatial3x3 Soften(7)", [&] {
        const Kernel3x3 k = SoftenKernel(7);
        Spatial3x3Bitmap(b, k.weights, k.divisor);
    });
    run("Spatial3x3 DeFocus(143)", [&] {
        const Kernel3x3 k = DeFocusKernel(143);
        Spatial3x3Bitmap(b, k.weights, k.divisor);
    });
    run("GaussianBlur3x3 (threshold 63)", [&] { GaussianBlur3x3Bitmap(b, 63, false, 9); });
    run("GaussianBlur3x3 Outlier", [&] { GaussianBlur3x3Bitmap(b, 0, true, 8); });
    run("DeScreen5x5 strong", [&] { DeScreen5x5Bitmap(b, 1); });
    run("SharpGaussianBlur5x5 (Clean 240, 64)", [&] { SharpGaussianBlur5x5Bitmap(b, 240, 64); });
    run("UnSharpGaussianBlur5x5 (95, 48)", [&] { UnSharpGaussianBlur5x5Bitmap(b, 95, 48); });
    for (int level = 1; level <= 9; ++level) {
        const std::string name = "Median level " + std::to_string(level);
        run(name.c_str(), [&] { MedianBitmap(b, level, 0); });
    }
    run("DoDefog (255, 64)", [&] { DoDefogBitmap(b, 255, 64); });
    if (only.empty() || std::string("DoDefog on noise").find(only) != std::string::npos) {
        // Hardly a colour twice: the worst case for defogging.
        Bitmap noise = scene;
        uint32_t state = 99;
        for (int y = 0; y < kHeight; ++y)
            for (int i = 0; i < 3 * kWidth; ++i) noise.scanLine(y)[i] = uint8_t((state = state * 1664525u + 1013904223u) >> 24);
        b = noise;
        bench::ReportMpxPerSecond("DoDefog (255, 64) on noise", kMpx, 3, [&] {
            b = noise;
            DoDefogBitmap(b, 255, 64);
        });
    }

    if (!magick) return 0;
    if (!bench::WritePpm(scene, "/tmp/vimbra_filter_bench.ppm") ||
        std::system((std::string(kMagick) + " /tmp/vimbra_filter_bench.ppm /tmp/vimbra_filter_bench.mpc")
                        .c_str()) != 0) {
        std::printf("ImageMagick not available\n");
        return 0;
    }
    std::printf("\nImageMagick on the same scene (.mpc in /tmp), I/O time subtracted:\n");
    const double io = TimeMagick("", 3);
    std::printf("%-40s %10.1f ms\n", "(read + write only)", io * 1000);
    const std::pair<const char*, const char*> ops[] = {
        {"-convolve 3x3", "-define convolve:scale=! -morphology Convolve 3x3:-1,-1,-1,-1,13,-1,-1,-1,-1"},
        {"-blur 0x1", "-blur 0x1"},
        {"-median 3", "-median 3"},
        {"-median 5", "-median 5"},
        {"-unsharp 2x1", "-unsharp 2x1"},
    };
    for (auto [name, args] : ops) {
        const double t = TimeMagick(args, 2);
        if (t < 0) {
            std::printf("%-40s failed\n", name);
            continue;
        }
        const double net = std::max(t - io, 1e-6);
        std::printf("%-40s %10.1f Mpx/s  (%.1f ms total)\n", name, kMpx / net, t * 1000);
    }
    std::remove("/tmp/vimbra_filter_bench.ppm");
    std::remove("/tmp/vimbra_filter_bench.mpc");
    std::remove("/tmp/vimbra_filter_bench.cache");
    std::remove("/tmp/vimbra_filter_bench_out.mpc");
    std::remove("/tmp/vimbra_filter_bench_out.cache");
    return 0;
}
