// ImgReduceColors: mapping pixels onto a palette, plain, ordered or diffused.
#include "imagefiles/imglib/imglib_reduce.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "imagefiles/pixel_convert.h"

namespace vimbra::imglib {
namespace {

// Exact nearest palette entry (squared distance, lowest index on ties). Each
// 8 × 8 × 8 cell of colour space keeps the entries that can be nearest to
// some colour in it, built on first use.
class NearestColour {
public:
    explicit NearestColour(const std::vector<PaletteEntry>& pal) : pal_(pal), start_(32768, -1), size_(32768, 0) {}

    int find(int r, int g, int b) {
        const size_t cell = size_t((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
        if (start_[cell] < 0) build(cell);
        int best = 0;
        int bestD = 1 << 30;
        const uint8_t* c = candidates_.data() + start_[cell];
        for (int i = 0; i < size_[cell]; ++i) {
            const PaletteEntry& e = pal_[c[i]];
            const int dr = e.red - r, dg = e.green - g, db = e.blue - b;
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestD) bestD = d, best = c[i];
        }
        return best;
    }

private:
    void build(size_t cell) {
        const int lo[3] = {int(cell >> 10) << 3, int((cell >> 5) & 31) << 3, int(cell & 31) << 3};
        auto spans = [&](const PaletteEntry& e, int& minD, int& maxD) {
            const int v[3] = {e.red, e.green, e.blue};
            minD = maxD = 0;
            for (int k = 0; k < 3; ++k) {
                const int a = lo[k], b = lo[k] + 7;
                const int in = v[k] < a ? a - v[k] : v[k] > b ? v[k] - b : 0;
                const int out = std::max(std::abs(v[k] - a), std::abs(v[k] - b));
                minD += in * in;
                maxD += out * out;
            }
        };
        int threshold = 1 << 30;
        for (const PaletteEntry& e : pal_) {
            int mn, mx;
            spans(e, mn, mx);
            threshold = std::min(threshold, mx);
        }
        start_[cell] = int(candidates_.size());
        for (size_t i = 0; i < pal_.size(); ++i) {
            int mn, mx;
            spans(pal_[i], mn, mx);
            if (mn <= threshold) candidates_.push_back(uint8_t(i));
        }
        size_[cell] = int(candidates_.size()) - start_[cell];
    }

    const std::vector<PaletteEntry>& pal_;
    std::vector<int> start_, size_;
    std::vector<uint8_t> candidates_;
};

constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

int DepthFor(int colours) { return colours <= 2 ? 1 : colours <= 16 ? 4 : 8; }

Bitmap MapOntoPalette(const PixelSource& src, const std::vector<PaletteEntry>& pal, int flags, int depth) {
    const Bitmap& picture = src.picture();
    const int w = picture.width();
    Bitmap out(w, picture.height(), depth);
    out.palette() = pal;
    out.xDotsPerInch = picture.xDotsPerInch;
    out.yDotsPerInch = picture.yDotsPerInch;
    NearestColour nearest(pal);
    std::vector<uint8_t> idx(static_cast<size_t>(w));
    const int mode = (flags & kImgReduceDiffuse) ? 4 : (flags & kImgReduceOrdered) ? 2 : 0;
    const bool grey = flags & kImgReduceGrey;
    const int levels = grey ? int(pal.size()) : std::max(2, CubeLevels(int(pal.size())));
    const int step = 255 / (levels - 1);
    // Diffusion errors in sixteenths, one pixel of margin on both sides.
    std::vector<int> here(mode == 4 ? size_t(w + 2) * 3 : 0), below(here.size());
    src.forEachRow([&](const uint8_t* p, int width, int y) {
        for (int x = 0; x < width; ++x, p += 3) {
            int v[3] = {p[2], p[1], p[0]};
            if (mode == 2) {
                const int offset = (2 * kBayer[y & 3][x & 3] - 15) * step / 32;
                for (int& c : v) c = std::clamp(c + offset, 0, 255);
            } else if (mode == 4) {
                for (int k = 0; k < 3; ++k) v[k] = std::clamp(v[k] + ((here[size_t(x + 1) * 3 + size_t(k)] + 8) >> 4), 0, 255);
            }
            const int i = nearest.find(v[0], v[1], v[2]);
            idx[size_t(x)] = uint8_t(i);
            if (mode == 4) {
                const int chosen[3] = {pal[size_t(i)].red, pal[size_t(i)].green, pal[size_t(i)].blue};
                for (size_t k = 0; k < 3; ++k) {
                    const int e = v[k] - chosen[k];
                    here[size_t(x + 2) * 3 + k] += 7 * e;
                    below[size_t(x) * 3 + k] += 3 * e;
                    below[size_t(x + 1) * 3 + k] += 5 * e;
                    below[size_t(x + 2) * 3 + k] += e;
                }
            }
        }
        if (mode == 4) {
            here.swap(below);
            std::fill(below.begin(), below.end(), 0);
        }
        PackIndices(idx.data(), out.depth(), out.scanLine(y), idx.size());
        return true;
    });
    return out;
}

}  // namespace

void CheckColours(int colours) {
    if (colours < 2 || colours > 256)
        throw ImgLibError("Cannot reduce to " + std::to_string(colours) + " colours; 2 to 256 are possible.");
}

Bitmap ReducePicture(const Bitmap& source, int colours, int flags) {
    if (source.isEmpty()) throw ImgLibError("The picture is empty.");
    CheckColours(colours);
    const PixelSource src(source, flags & kImgReduceGrey);
    return MapOntoPalette(src, ChoosePalette(src, colours, flags), flags, DepthFor(colours));
}

Bitmap ReducePictureTo(const Bitmap& source, const std::vector<PaletteEntry>& palette, int flags) {
    if (source.isEmpty()) throw ImgLibError("The picture is empty.");
    CheckColours(int(palette.size()));
    return MapOntoPalette(PixelSource(source, flags & kImgReduceGrey), palette, flags, DepthFor(int(palette.size())));
}

}  // namespace vimbra::imglib
