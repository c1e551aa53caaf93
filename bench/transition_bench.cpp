// Frames per second of each transition family on a 1920 × 1080 frame: every
// frame of a one-second transition drawn at its own progress, as the show
// draws them. The floor is one plain copy of the frame.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "bench/bench_util.h"
#include "slideshow/effect_table.h"
#include "slideshow/transition.h"

using namespace vimbra;

namespace {

double FramesPerSecond(const Bitmap& a, const Bitmap& b, const EffectRecord& fx) {
    Transition t(a, b, fx);
    Bitmap out(a.width(), a.height(), 24);
    constexpr int kFrames = 60;
    double best = 1e30;
    for (int round = 0; round < 3; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 1; i < kFrames; ++i) t.drawFrame(kProgressOne * i / kFrames, out);
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = std::min(best, s / (kFrames - 1));
    }
    return 1.0 / best;
}

}  // namespace

int main() {
    const int w = 1920, h = 1080;
    const Bitmap a = bench::MakeScene(w, h);
    Bitmap b = bench::MakeScene(w, h);
    for (int y = 0; y < h; ++y) std::reverse(b.scanLine(y), b.scanLine(y) + size_t(w) * 3);

    const auto& table = PopulateEffectsList();
    struct Row {
        const char* family;
        int index;
    };
    const Row rows[] = {
        {"wipe, Reveal Over", 21},       {"wipe, Scroll PUSH", 9},         {"wipe, Scroll Over (wide blind)", 17},
        {"curtains, Reveal PULL", 25},   {"curtains, in Horz, PUSH", 36},  {"tiles, Tiny", 41},
        {"tiles, X-Large", 61},          {"mosaic, Tiny", 64},             {"mosaic, X-Large", 69},
        {"blinds, Tiny, PUSH", 70},      {"blinds, X-Large, Reveal", 162}, {"blinds, Tiny from Top", 73},
        {"explode, rectangle", 166},     {"implode, rounded", 170},        {"explode, ellipse", 168},
        {"random horizontal lines", 172}, {"random vertical lines", 173},  {"blur intro", 7},
    };
    std::printf("transition frames per second at %d x %d (goal >= 60)\n", w, h);
    Bitmap out(w, h, 24);
    {
        constexpr int kCopies = 60;
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kCopies; ++i) std::memcpy(out.bits(), (i & 1 ? a : b).bits(), a.byteSize());
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("  %-34s %8.0f\n", "floor: one frame copy", kCopies / s);
    }
    for (const Row& row : rows) {
        const EffectRecord fx = MapEffectParameters(table.records[size_t(row.index)], kSpeedNormal, w, w, h);
        std::printf("  %-34s %8.0f\n", row.family, FramesPerSecond(a, b, fx));
    }
    return 0;
}
