#include "bench/bench_util.h"

#include <algorithm>
#include <cstdlib>

namespace vimbra::bench {

Bitmap MakeScene(int width, int height) {
    Bitmap b(width, height, 24);
    uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = b.scanLine(y);
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int n = int(noise >> 28);  // 0..15 of grain
            row[3 * x + 0] = uint8_t(std::min(255, (x * 255 / width + n) & 255));
            row[3 * x + 1] = uint8_t(std::min(255, y * 255 / height + n));
            row[3 * x + 2] = uint8_t(((x + y) * 255 / (width + height) + n) & 255);
        }
    }
    return b;
}

bool WritePpm(const Bitmap& b, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", b.width(), b.height());
    std::string row(size_t(3) * b.width(), '\0');
    for (int y = 0; y < b.height(); ++y) {
        const uint8_t* s = b.scanLine(y);
        for (int x = 0; x < b.width(); ++x) {
            row[3 * x] = char(s[3 * x + 2]), row[3 * x + 1] = char(s[3 * x + 1]);
            row[3 * x + 2] = char(s[3 * x]);
        }
        std::fwrite(row.data(), 1, row.size(), f);
    }
    return std::fclose(f) == 0;
}

double ReportMpxPerSecond(const char* name, double megapixels, int repeats,
                          const std::function<void()>& fn) {
    using clock = std::chrono::steady_clock;
    fn();
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) {
        const auto t0 = clock::now();
        fn();
        best = std::min(best, std::chrono::duration<double>(clock::now() - t0).count());
    }
    const double rate = megapixels / best;
    std::printf("%-40s %10.1f Mpx/s  (%.1f ms)\n", name, rate, best * 1000);
    return rate;
}

double TimeMagick(const std::string& input, const std::string& args, const std::string& output, int repeats) {
    const std::string cmd = std::string(kMagick) + " " + input + " " + args + " " + output + " 2>/dev/null";
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        if (std::system(cmd.c_str()) != 0) return -1;
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

}  // namespace vimbra::bench
