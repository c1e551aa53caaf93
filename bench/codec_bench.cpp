// JPEG, PNG and TIFF decode and encode speed through our codecs, beside
// libjpeg-turbo's djpeg/cjpeg and ImageMagick run on the same files.
// VIMBRA_BENCH_WIDTH, VIMBRA_BENCH_HEIGHT and VIMBRA_BENCH_REPEATS shrink a run;
// VIMBRA_BENCH_FORMATS (e.g. "JPEG,TIFF deflate") keeps the formats whose names
// start with one of its entries.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "imagefiles/codecs/jpeg_codec.h"
#include "imagefiles/codecs/png_codec.h"
#include "imagefiles/codecs/tiff_codec.h"

using namespace vimbra;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

int EnvInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    if (!v || !*v) return fallback;
    const int n = std::atoi(v);
    return n > 0 ? n : fallback;
}

std::string Quoted(const fs::path& p) {
    std::string out = "'";
    for (char c : p.string()) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

bool Selected(const std::string& name) {
    const char* v = std::getenv("VIMBRA_BENCH_FORMATS");
    if (!v || !*v) return true;
    const std::string list = v;
    for (size_t at = 0; at <= list.size();) {
        const size_t comma = std::min(list.find(',', at), list.size());
        const std::string entry = list.substr(at, comma - at);
        if (!entry.empty() && name.compare(0, entry.size(), entry) == 0) return true;
        at = comma + 1;
    }
    return false;
}

bool HaveTool(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}


double MsSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

struct Goals {
    int met = 0, missed = 0;
};

struct Tool {
    std::string label, command;
    Goals* goals = nullptr;  // the tally this comparison counts in, if any
    double goal = 0;         // highest acceptable ours/tool time ratio
    bool strict = false;     // met only below the goal, not at it
    double bestMs = 1e30;
    bool failed = false;
};

// Our codec and the tools take turns each round, so load from elsewhere on
// the machine falls on all of them alike; the best round of each counts.
void Compare(const std::string& name, double mpx, int repeats, const std::function<void()>& ours,
             std::vector<Tool> tools) {
    ours();  // warm-up
    double oursMs = 1e30;
    for (int round = 0; round < repeats; ++round) {
        auto t0 = Clock::now();
        ours();
        oursMs = std::min(oursMs, MsSince(t0));
        for (Tool& t : tools) {
            if (t.failed) continue;
            t0 = Clock::now();
            if (std::system(t.command.c_str()) != 0) t.failed = true;
            t.bestMs = std::min(t.bestMs, MsSince(t0));
        }
    }
    std::printf("%-28s %-18s %8.1f Mpx/s %9.1f ms\n", name.c_str(), "ours", mpx / oursMs * 1000,
                oursMs);
    for (const Tool& t : tools) {
        if (t.failed) {
            std::printf("%-28s %-18s failed: %s\n", "", t.label.c_str(), t.command.c_str());
            if (t.goals) ++t.goals->missed;
            continue;
        }
        const double ratio = oursMs / t.bestMs;
        std::printf("%-28s %-18s %8.1f Mpx/s %9.1f ms   ours/tool time %.2f", "", t.label.c_str(),
                    mpx / t.bestMs * 1000, t.bestMs, ratio);
        if (t.goals) {
            const bool met = t.strict ? ratio < t.goal : ratio <= t.goal;
            std::printf("  (goal %s %.2f: %s)", t.strict ? "<" : "<=", t.goal, met ? "met" : "MISSED");
            ++(met ? t.goals->met : t.goals->missed);
        }
        std::printf("\n");
    }
}

}  // namespace

int main() {
    const int width = EnvInt("VIMBRA_BENCH_WIDTH", 6000);
    const int height = EnvInt("VIMBRA_BENCH_HEIGHT", 4000);
    const int repeats = EnvInt("VIMBRA_BENCH_REPEATS", 3);
    const double mpx = width * double(height) / 1e6;

    std::string pattern = (fs::temp_directory_path() / "codec_bench.XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path dir = pattern;

    const bool turbo = HaveTool("djpeg") && HaveTool("cjpeg");
    const std::string im = "convert-im6.q16";
    const bool haveIm = HaveTool(im);
    std::printf("%d x %d picture (%.1f Mpx), best of %d rounds%s%s\n\n", width, height, mpx, repeats,
                turbo ? "" : "; djpeg/cjpeg not installed, skipped",
                haveIm ? "" : "; ImageMagick not installed, skipped");

    const Bitmap scene = bench::MakeScene(width, height);
    const fs::path ppm = dir / "scene.ppm";
    bench::WritePpm(scene, ppm.string());
    const std::string scratch = Quoted(dir / "tool.out");

    // The settings our saves use.
    JpegWriteOptions jpegOptions;
    jpegOptions.quality = 90;
    const PngWriteOptions pngOptions{.interlaced = false, .compressionLevel = 1};

    struct Format {
        const char* name;
        const char* ext;
        std::function<std::vector<uint8_t>()> encode;
        std::function<void(ByteSpan)> decode;
        std::string imEncodeArgs;
    };
    const Format formats[] = {
        {"JPEG q90", "jpg", [&] { return EncodeJpeg(scene, jpegOptions); },
         [](ByteSpan d) { (void)DecodeJpeg(d); }, "-quality 90"},
        {"PNG", "png", [&] { return EncodePng(scene, pngOptions); },
         [](ByteSpan d) { (void)DecodePng(d); },
         "-interlace none -define png:compression-level=5 -define png:compression-filter=5"},
        {"TIFF uncompressed", "tif", [&] { return EncodeTiff(scene, TiffCompression::None); },
         [](ByteSpan d) { (void)DecodeTiff(d); }, "-compress none"},
        {"TIFF deflate", "tif", [&] { return EncodeTiff(scene, TiffCompression::ZLib); },
         [](ByteSpan d) { (void)DecodeTiff(d); }, "-compress zip"},
    };

    Goals turboGoals, imGoals;
    for (const Format& f : formats) {
        if (!Selected(f.name)) continue;
        const bool jpeg = f.ext == std::string("jpg");
        const fs::path file = dir / (std::string("ours.") + f.ext);
        const std::string toolOut = Quoted(dir / (std::string("tool.") + f.ext));

        std::vector<uint8_t> bytes;
        std::vector<Tool> tools;
        if (jpeg && turbo)  // our encoder's settings: optimised Huffman tables, accurate DCT, 4:2:0
            tools.push_back({"cjpeg", "cjpeg -quality 90 -optimize -outfile " + toolOut + " " + Quoted(ppm),
                             &turboGoals, 1.1});
        if (haveIm)
            tools.push_back({"ImageMagick", im + " " + Quoted(ppm) + " " + f.imEncodeArgs + " " + toolOut,
                             &imGoals, 1.0, true});
        Compare(std::string(f.name) + " encode", mpx, repeats, [&] { bytes = f.encode(); }, tools);
        WriteBytes(file, bytes);
        std::printf("%-28s %-18s %8.1f MB\n", "", "our file", bytes.size() / 1e6);

        tools.clear();
        if (jpeg && turbo) {
            tools.push_back({"djpeg", "djpeg -outfile /dev/null " + Quoted(file), &turboGoals, 1.1});
            // Informative: the whole picture lands in memory, as ours does.
            tools.push_back({"djpeg into a file", "djpeg -outfile " + scratch + " " + Quoted(file)});
        }
        if (haveIm) tools.push_back({"ImageMagick", im + " " + Quoted(file) + " null:", &imGoals, 1.0, true});
        Compare(std::string(f.name) + " decode", mpx, repeats, [&] { f.decode(bytes); }, tools);
        std::printf("\n");
    }

    auto verdict = [](bool measured, const Goals& g) {
        return !measured || g.met + g.missed == 0 ? "not measured" : g.missed == 0 ? "met" : "MISSED";
    };
    std::printf("Goal: JPEG within 1.1x of djpeg/cjpeg:       %s\n", verdict(turbo, turboGoals));
    std::printf("Goal: every format faster than ImageMagick: %s\n", verdict(haveIm, imGoals));

    std::error_code ec;
    fs::remove_all(dir, ec);
    return 0;
}
