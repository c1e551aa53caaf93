#include "desktop/clip_regions.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vimbra {
namespace {

// Blue, green, red of pixel x of row y, whatever the depth.
void PixelBgr(const Bitmap& b, int x, int y, uint8_t* out) {
    if (b.depth() == 24) {
        std::memcpy(out, b.scanLine(y) + 3 * x, 3);
        return;
    }
    const int i = b.paletteIndex(x, y);
    const auto& pal = b.palette();
    const PaletteEntry e = size_t(i) < pal.size() ? pal[size_t(i)] : PaletteEntry{};
    out[0] = e.blue;
    out[1] = e.green;
    out[2] = e.red;
}

}  // namespace

SelRect ClipSelection(SelRect r, int width, int height) {
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
    r.left = std::clamp(r.left, 0, std::max(0, width));
    r.right = std::clamp(r.right, 0, std::max(0, width));
    r.top = std::clamp(r.top, 0, std::max(0, height));
    r.bottom = std::clamp(r.bottom, 0, std::max(0, height));
    return r;
}

SelRect ViewportRegion(int scrollX, int scrollY, int clientWidth, int clientHeight,
                       int displayWidth, int displayHeight, int width, int height) {
    if (displayWidth <= 0 || displayHeight <= 0) return {};
    auto mapX = [&](int64_t v) { return int32_t(v * width / displayWidth); };
    auto mapY = [&](int64_t v) { return int32_t(v * height / displayHeight); };
    // Right and bottom round up so a partly visible pixel is included.
    auto mapUpX = [&](int64_t v) { return int32_t((v * width + displayWidth - 1) / displayWidth); };
    auto mapUpY = [&](int64_t v) {
        return int32_t((v * height + displayHeight - 1) / displayHeight);
    };
    const SelRect r{mapX(scrollX), mapY(scrollY), mapUpX(int64_t(scrollX) + clientWidth),
                    mapUpY(int64_t(scrollY) + clientHeight)};
    return ClipSelection(r, width, height);
}

Bitmap CopyRegion(const Bitmap& picture, SelRect region) {
    region = ClipSelection(region, picture.width(), picture.height());
    if (region.isEmpty()) return {};
    Bitmap out(region.right - region.left, region.bottom - region.top, 24);
    for (int y = 0; y < out.height(); ++y) {
        uint8_t* dst = out.scanLine(y);
        if (picture.depth() == 24) {
            std::memcpy(dst, picture.scanLine(region.top + y) + 3 * size_t(region.left),
                        size_t(out.width()) * 3);
            continue;
        }
        for (int x = 0; x < out.width(); ++x) PixelBgr(picture, region.left + x, region.top + y, dst + 3 * x);
    }
    return out;
}

bool PasteIntoSelection(Bitmap& target, SelRect selection, const Bitmap& source) {
    if (target.depth() != 24 || source.isEmpty()) return false;
    const SelRect dst = ClipSelection(selection, target.width(), target.height());
    if (dst.isEmpty()) return false;
    const int dw = dst.right - dst.left, dh = dst.bottom - dst.top;
    const int sw = std::min(dw, source.width()), sh = std::min(dh, source.height());
    // Nearest source pixel of each target pixel; the column map is made once.
    std::vector<int> columns(static_cast<size_t>(dw));
    for (int x = 0; x < dw; ++x) columns[size_t(x)] = int(int64_t(x) * sw / dw);
    std::vector<uint8_t> row(size_t(sw) * 3);
    for (int y = 0; y < dh; ++y) {
        const int sy = int(int64_t(y) * sh / dh);
        for (int x = 0; x < sw; ++x) PixelBgr(source, x, sy, row.data() + 3 * x);
        uint8_t* out = target.scanLine(dst.top + y) + 3 * size_t(dst.left);
        for (int x = 0; x < dw; ++x) std::memcpy(out + 3 * x, row.data() + 3 * columns[size_t(x)], 3);
    }
    return true;
}

}  // namespace vimbra
