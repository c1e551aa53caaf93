#pragma once
// Helpers for the WebP, AVIF, HEIF and JPEG XL tests: the reference tools,
// pictures with alpha written as PNG for them, and hand-made pixel moves.
#include <QImage>

#include "imagefiles/codecs/codec_test_util.h"
#include "imagefiles/codecs/png_codec.h"

namespace vimbra::testutil {

inline constexpr const char* kSrgbProfile = "/usr/share/color/icc/sRGB.icc";

inline bool HaveTool(const std::string& name) { return std::filesystem::exists("/usr/bin/" + name); }

#define VIMBRA_NEED_TOOL(name) \
    if (!::vimbra::testutil::HaveTool(name)) GTEST_SKIP() << name << " not installed"

// Quotes a path for the shell.
inline std::string Q(const std::string& path) { return "'" + path + "'"; }

// Smooth colours with a few sharp edges: what lossy coders meet in photographs.
inline Bitmap Scene(int width, int height) {
    Bitmap b(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = uint8_t(x * 255 / std::max(1, width - 1));
            p[1] = uint8_t(y * 255 / std::max(1, height - 1));
            p[2] = uint8_t((x < width / 2) == (y < height / 2) ? 220 : 30);
        }
    return b;
}

// Same size and a mean difference per sample of at most `limit`: lossy
// coders may smear a sharp edge, but not the whole picture.
inline ::testing::AssertionResult CloseLook(const Bitmap& a, const Bitmap& b, double limit = 4.0) {
    if (a.width() != b.width() || a.height() != b.height())
        return ::testing::AssertionFailure() << "size " << a.width() << "x" << a.height() << " vs "
                                             << b.width() << "x" << b.height();
    const Bitmap x = As24(a), y = As24(b);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int i = 0; i < 3 * x.width(); ++i) sum += std::abs(x.scanLine(row)[i] - y.scanLine(row)[i]);
    const double mean = sum / (3.0 * x.width() * x.height());
    if (mean > limit) return ::testing::AssertionFailure() << "mean difference " << mean;
    return ::testing::AssertionSuccess();
}

// Four flat quarters (red, green, blue, white from the top left clockwise) with
// a margin, so turned and mirrored copies tell themselves apart even after loss.
inline Bitmap Quarters(int width, int height) {
    Bitmap b(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, bottom = y >= height / 2;
            PaletteEntry c = !bottom ? (right ? PaletteEntry{0, 200, 0, 0} : PaletteEntry{220, 0, 0, 0})
                                     : (right ? PaletteEntry{0, 0, 220, 0} : PaletteEntry{255, 255, 255, 0});
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = c.blue;
            p[1] = c.green;
            p[2] = c.red;
        }
    return b;
}

// The centre colour of each quarter, for comparisons that tolerate loss.
inline ::testing::AssertionResult SameQuarters(const Bitmap& a, const Bitmap& b, int tolerance = 40) {
    if (a.width() != b.width() || a.height() != b.height())
        return ::testing::AssertionFailure() << "size " << a.width() << "x" << a.height() << " vs "
                                             << b.width() << "x" << b.height();
    for (int qy = 0; qy < 2; ++qy)
        for (int qx = 0; qx < 2; ++qx) {
            const int x = a.width() / 4 + qx * a.width() / 2, y = a.height() / 4 + qy * a.height() / 2;
            for (int c = 0; c < 3; ++c) {
                const int u = a.scanLine(y)[3 * x + c], v = b.scanLine(y)[3 * x + c];
                if (std::abs(u - v) > tolerance)
                    return ::testing::AssertionFailure() << "quarter " << qx << "," << qy << ": " << u
                                                         << " vs " << v;
            }
        }
    return ::testing::AssertionSuccess();
}

// Anticlockwise quarter turn and left-right mirror, pixel by pixel.
inline Bitmap TurnLeftByHand(const Bitmap& in) {
    Bitmap out(in.height(), in.width(), 24);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            std::copy_n(in.scanLine(x) + 3 * (in.width() - 1 - y), 3, out.scanLine(y) + 3 * x);
    return out;
}
inline Bitmap MirrorByHand(const Bitmap& in) {
    Bitmap out(in.width(), in.height(), 24);
    for (int y = 0; y < in.height(); ++y)
        for (int x = 0; x < in.width(); ++x)
            std::copy_n(in.scanLine(y) + 3 * (in.width() - 1 - x), 3, out.scanLine(y) + 3 * x);
    return out;
}

// A colour picture with alpha running 0..255 across and some fully
// transparent and fully opaque pixels, as an RGBA PNG.
inline std::vector<uint8_t> AlphaPng(int width, int height) {
    QImage img(width, height, QImage::Format_RGBA8888);
    for (int y = 0; y < height; ++y) {
        uint8_t* p = img.scanLine(y);
        for (int x = 0; x < width; ++x, p += 4) {
            p[0] = uint8_t(x * 7 + y);
            p[1] = uint8_t(255 - y * 5);
            p[2] = uint8_t((x * y) & 0xFF);
            p[3] = x == 0 ? 0 : x == width - 1 ? 255 : uint8_t(x * 255 / (width - 1) ^ (y & 3));
        }
    }
    TempDir dir;
    if (!img.save(QString::fromStdString(dir.file("a.png")), "PNG")) return {};
    return ReadBytes(dir.file("a.png"));
}

// What the PNG reader makes of a file over `back`.
inline Bitmap PngOver(const std::vector<uint8_t>& png, PaletteEntry back) {
    return DecodePng(png, {.backgroundColor = back, .useOwnBackground = true});
}

// A minimal TIFF-structured EXIF block: byte order, magic, one IFD with the
// Orientation tag set to `orientation`.
inline std::vector<uint8_t> TinyExif(uint16_t orientation = 1) {
    return {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3, 0, 1, 0, 0, 0,
            uint8_t(orientation), 0, 0, 0, 0, 0, 0, 0};
}

inline std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

}  // namespace vimbra::testutil
