// Decoding a 24-megapixel WebP, AVIF, HEIC and JPEG XL file against the
// formats' own command-line decoders (dwebp, avifdec, heif-convert, djxl) in
// the same run, and JPEG to WebP against cwebp. Our figures include reading
// the file and making the 24-bit picture; the peers' include writing theirs
// (PPM, or Y4M where the tool writes nothing cheaper, which spares them the
// RGB conversion). Prints seconds and our time over the peer's (goal <= 1.1).
//
// Usage: format_bench [WIDTH HEIGHT [REPEATS]]   (default 6000 4000 3)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "bench/bench_util.h"
#include "imagefiles/codecs/avif_codec.h"
#include "imagefiles/codecs/heif_codec.h"
#include "imagefiles/codecs/jpeg_codec.h"
#include "imagefiles/codecs/jxl_codec.h"
#include "imagefiles/codecs/png_codec.h"
#include "imagefiles/codecs/webp_codec.h"

namespace {

using namespace vimbra;

double BestOf(int repeats, const std::function<bool()>& run) {
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        if (!run()) return -1;
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

bool Shell(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()) == 0; }

void Row(const char* what, double ours, double peer, const char* peerName) {
    if (ours < 0 || peer < 0) {
        std::printf("%-22s %8s  %-14s %8s\n", what, ours < 0 ? "failed" : "", peerName, peer < 0 ? "failed" : "");
        return;
    }
    std::printf("%-22s %7.3fs  %-14s %7.3fs  ratio %.2f\n", what, ours, peerName, peer, ours / peer);
}

}  // namespace

int main(int argc, char** argv) {
    const int width = argc > 2 ? std::atoi(argv[1]) : 6000;
    const int height = argc > 2 ? std::atoi(argv[2]) : 4000;
    const int repeats = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "vimbra-format-bench";
    std::filesystem::create_directories(dir);
    const auto file = [&](const char* name) { return (dir / name).string(); };

    std::printf("Picture %d x %d (%.1f MP), best of %d\n", width, height, width * double(height) / 1e6, repeats);
    const Bitmap scene = bench::MakeScene(width, height);
    bench::WritePpm(scene, file("scene.ppm"));
    WriteFileAtomically(file("scene.webp"), EncodeWebp(scene, {.quality = 90}));
    WriteFileAtomically(file("scene.avif"), EncodeAvif(scene, {.quality = 90}));
    WriteFileAtomically(file("scene.jxl"), EncodeJxl(scene, {.quality = 90}));
    WriteFileAtomically(file("scene.png"), EncodePng(scene));
    if (!Shell("heif-enc -q 90 " + file("scene.png") + " -o " + file("scene.heic")))
        std::printf("heif-enc failed: no HEIC figures\n");
    JpegWriteOptions jpeg;
    jpeg.quality = 90;
    WriteFileAtomically(file("scene.jpg"), EncodeJpeg(scene, jpeg));

    const auto decode = [&](const char* name, Bitmap (*fn)(ByteSpan, const ModernReadOptions&, PictureMetadata*)) {
        return BestOf(repeats, [&] {
            PictureMetadata m;
            return !fn(ReadWholeFile(file(name)), {}, &m).isEmpty();
        });
    };
    std::printf("\nDecode\n");
    Row("WebP", decode("scene.webp", DecodeWebp),
        BestOf(repeats, [&] { return Shell("dwebp " + file("scene.webp") + " -ppm -o " + file("peer.ppm")); }),
        "dwebp");
    Row("AVIF", decode("scene.avif", DecodeAvif),
        BestOf(repeats, [&] { return Shell("avifdec -j all " + file("scene.avif") + " " + file("peer.y4m")); }),
        "avifdec");
    Row("HEIC", decode("scene.heic", DecodeHeif),
        BestOf(repeats, [&] { return Shell("heif-convert " + file("scene.heic") + " " + file("peer.y4m")); }),
        "heif-convert");
    Row("JPEG XL", decode("scene.jxl", DecodeJxl),
        BestOf(repeats, [&] { return Shell("djxl " + file("scene.jxl") + " " + file("peer.ppm")); }), "djxl");

    std::printf("\nEncode\n");
    Row("JPEG to WebP q90",
        BestOf(repeats,
               [&] {
                   const Bitmap b = DecodeJpeg(ReadWholeFile(file("scene.jpg")));
                   WriteFileAtomically(file("ours.webp"), EncodeWebp(b, {.quality = 90}));
                   return true;
               }),
        BestOf(repeats, [&] { return Shell("cwebp -quiet -q 90 " + file("scene.jpg") + " -o " + file("peer.webp")); }),
        "cwebp");
    std::filesystem::remove_all(dir);
    return 0;
}
