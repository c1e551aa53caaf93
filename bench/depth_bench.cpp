// Speed of the colour reductions on a 24-megapixel scene, beside ImageMagick's
// -colors 256 on the same scene in the same run.
#include <cstdio>
#include <string>

#include "bench/bench_util.h"
#include "commands/depth_commands.h"
#include "imagefiles/imglib/imglib.h"
#include "imagefiles/imglib/imglib_ops.h"

using namespace vimbra;

int main(int argc, char** argv) {
    constexpr int kWidth = 6000, kHeight = 4000;
    constexpr double kMpx = kWidth * kHeight / 1e6;
    const bool magick = !(argc > 1 && std::string(argv[1]) == "--no-magick");
    const Bitmap scene = bench::MakeScene(kWidth, kHeight);

    // The library reduction alone, then the whole command on the working picture
    // (hand-over copy, reduction, taking the result back).
    const std::pair<const char*, int> flags[] = {
        {"256 colours, octree + diffusion (68)", 68},
        {"256 colours, median cut + diffusion (36)", 36},
        {"256 colours, fixed cube + diffusion (20)", 20},
        {"256 colours, median cut, nearest (32)", 32},
        {"256 greys, octree + diffusion (76)", 76},
    };
    for (const auto& [name, value] : flags) {
        const int f = value;
        bench::ReportMpxPerSecond(name, kMpx, 3, [&] { imglib::ReducePicture(scene, 256, f); });
    }
    Workspace ws;
    ws.BatchRunning = true;
    bench::ReportMpxPerSecond("Reduce to 256 colors (dither), command", kMpx, 3, [&] {
        ws.setImage(scene);
        ImageReduce(ws, ReduceItem::Colors256Dither, 2);
    });
    bench::ReportMpxPerSecond("QUANTIZE256, command", kMpx, 3, [&] {
        ws.setImage(scene);
        BipQuantize256(ws);
    });

    if (!magick) return 0;
    const std::string ppm = "/tmp/vimbra_depth_bench.ppm", mpc = "/tmp/vimbra_depth_bench.mpc";
    const std::string out = "/tmp/vimbra_depth_bench_out.mpc";
    if (!bench::WritePpm(scene, ppm.c_str()) ||
        std::system((std::string(bench::kMagick) + " " + ppm + " " + mpc).c_str()) != 0) {
        std::printf("ImageMagick not available\n");
        return 0;
    }
    std::printf("\nImageMagick on the same scene (.mpc in /tmp), I/O time subtracted:\n");
    const double io = bench::TimeMagick(mpc, "", out, 3);
    std::printf("%-44s %10.1f ms\n", "(read + write only)", io * 1000);
    const std::pair<const char*, const char*> ops[] = {
        {"-colors 256", "-colors 256"},
        {"-dither FloydSteinberg -colors 256", "-dither FloydSteinberg -colors 256"},
        {"+dither -colors 256", "+dither -colors 256"},
    };
    for (auto [name, args] : ops) {
        const double t = bench::TimeMagick(mpc, args, out, 2);
        if (t < 0) {
            std::printf("%-44s failed\n", name);
            continue;
        }
        std::printf("%-44s %10.1f Mpx/s  (%.1f ms total)\n", name, kMpx / std::max(t - io, 1e-6), t * 1000);
    }
    for (const std::string& f : {ppm, mpc, out, std::string("/tmp/vimbra_depth_bench.cache"),
                                 std::string("/tmp/vimbra_depth_bench_out.cache")})
        std::remove(f.c_str());
    return 0;
}
