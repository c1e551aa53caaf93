// Speed of resampling and rotating a 24-megapixel scene, through the same
// calls the commands make, beside ImageMagick and vips on the same scene in
// the same run (their file reading and writing timed alone and subtracted).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_util.h"
#include "filters/scale_rotate.h"

using namespace vimbra;

namespace {

constexpr const char* kMagick = "/usr/bin/convert-im6.q16";
constexpr const char* kScene = "/tmp/vimbra_geometry_bench";
constexpr int kWidth = 6000, kHeight = 4000;
constexpr double kMpx = kWidth * kHeight / 1e6;

using Clock = std::chrono::steady_clock;

// Best wall time of `repeats` runs of a shell command, in seconds; -1 on failure.
double TimeCommand(const std::string& cmd, int repeats) {
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) {
        const auto t0 = Clock::now();
        if (std::system((cmd + " >/dev/null 2>&1").c_str()) != 0) return -1;
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return best;
}

// Best time of an operation on the working picture, the picture put back
// outside the timing.
double TimeOnWorkspace(Workspace& ws, const Bitmap& scene, int repeats, bool (*op)(Workspace&)) {
    double best = 1e30;
    for (int i = 0; i <= repeats; ++i) {
        ws.Image = scene;
        ws.syncImageSize();
        const auto t0 = Clock::now();
        if (!op(ws)) return -1;
        const double t = std::chrono::duration<double>(Clock::now() - t0).count();
        if (i > 0) best = std::min(best, t);  // the first run warms up
    }
    return best;
}

void Print(const char* name, double seconds) {
    if (seconds <= 0) {
        std::printf("%-44s failed\n", name);
        return;
    }
    std::printf("%-44s %8.1f Mpx/s  (%.1f ms)\n", name, kMpx / seconds, seconds * 1000);
}

struct Peer {
    const char* name;
    std::string command;
};

// Net time of a peer: the command less its reading and writing alone.
double PeerNet(const std::string& command, double io) {
    const double t = TimeCommand(command, 3);
    return t < 0 ? -1 : std::max(t - io, 1e-6);
}

}  // namespace

int main(int argc, char** argv) {
    bool peers = true;
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--no-peers") peers = false;

    std::printf("Scene %d x %d (%.0f Mpx); rates count source pixels.\n\n", kWidth, kHeight, kMpx);
    const Bitmap scene = bench::MakeScene(kWidth, kHeight);
    FrameHost host;
    Workspace ws(host);
    ws.BatchRunning = true;

    const double resample = TimeOnWorkspace(ws, scene, 3, [](Workspace& w) {
        return ResampleWorkingImage(w, 1500, 1000);
    });
    const double rotate = TimeOnWorkspace(ws, scene, 3, [](Workspace& w) {
        return RotateWorkingImage(w, RotateAngleForDegrees(10), 0x00FFFFFF);
    });
    Print("Vimbra resample -> 1500x1000 (smooth)", resample);
    Print("Vimbra rotate 10 deg", rotate);
    if (!peers) return 0;

    const std::string ppm = std::string(kScene) + ".ppm", mpc = std::string(kScene) + ".mpc";
    const std::string vfile = std::string(kScene) + ".v";
    if (!bench::WritePpm(scene, ppm)) return 1;

    std::printf("\n");
    double magickResample = -1, magickRotate = -1;
    if (TimeCommand(std::string(kMagick) + " " + ppm + " " + mpc, 1) >= 0) {
        const std::string in = std::string(kMagick) + " " + mpc + " ";
        const std::string out = " " + std::string(kScene) + "_out.mpc";
        const double io = TimeCommand(in + out, 3);
        magickResample = PeerNet(in + "-resize 1500x1000!" + out, io);
        magickRotate = PeerNet(in + "-background white -rotate 10" + out, io);
        Print("ImageMagick -resize 1500x1000", magickResample);
        Print("ImageMagick -rotate 10", magickRotate);
    } else {
        std::printf("ImageMagick not available (%s)\n", kMagick);
    }

    if (TimeCommand("command -v vips", 1) < 0)
        std::system("DEBIAN_FRONTEND=noninteractive apt-get install -y libvips-tools >/dev/null 2>&1");
    double vipsResample = -1, vipsRotate = -1;
    if (TimeCommand("vips copy " + ppm + " " + vfile, 1) >= 0) {
        const std::string out = " " + std::string(kScene) + "_out.v";
        const double io = TimeCommand("vips copy " + vfile + out, 3);
        vipsResample = PeerNet("vips resize " + vfile + out + " 0.25", io);
        vipsRotate = PeerNet("vips rotate " + vfile + out + " 10", io);
        Print("vips resize 0.25", vipsResample);
        Print("vips rotate 10", vipsRotate);
    } else {
        std::printf("vips not available\n");
    }

    std::printf("\nRatios (Vimbra speed / peer speed):\n");
    const auto ratio = [](const char* name, double ours, double theirs) {
        if (ours > 0 && theirs > 0) std::printf("%-44s %8.2f\n", name, theirs / ours);
    };
    ratio("resample vs ImageMagick -resize", resample, magickResample);
    ratio("resample vs vips resize", resample, vipsResample);
    ratio("rotate vs ImageMagick -rotate", rotate, magickRotate);
    ratio("rotate vs vips rotate", rotate, vipsRotate);

    for (const std::string& f : {ppm, mpc, std::string(kScene) + ".cache", vfile,
                                 std::string(kScene) + "_out.mpc", std::string(kScene) + "_out.cache",
                                 std::string(kScene) + "_out.v"})
        std::remove(f.c_str());
    return 0;
}
