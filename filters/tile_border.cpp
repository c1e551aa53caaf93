#include "filters/tile_border.h"

#include <algorithm>
#include <vector>

namespace vimbra {
namespace {

void FillRect(Bitmap& p, uint32_t rgb, int left, int top, int right, int bottom) {
    left = std::clamp(left, 0, p.width()), right = std::clamp(right, 0, p.width());
    top = std::clamp(top, 0, p.height()), bottom = std::clamp(bottom, 0, p.height());
    if (left >= right || top >= bottom) return;
    const uint8_t bgr[3] = {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb)};
    for (int y = top; y < bottom; ++y) {
        uint8_t* q = p.scanLine(y) + size_t(left) * 3;
        for (int x = left; x < right; ++x, q += 3) q[0] = bgr[0], q[1] = bgr[1], q[2] = bgr[2];
    }
}

}  // namespace

uint32_t BorderColourRgb(int32_t colourValue, uint32_t windowRgb) {
    if (colourValue == kWindowColourCode) return windowRgb & 0x00FFFFFFu;
    return uint32_t(colourValue) & 0x00FFFFFFu;
}

void TileBitmap(Bitmap& p, int n, Progress* progress) {
    const int w = p.width(), h = p.height();
    if (n < 2 || w == 0 || h == 0 || p.depth() != 24) return;
    const uint32_t area = uint32_t(n) * uint32_t(n);
    // Per column, the sums over the block row's n sample rows.
    std::vector<uint32_t> columns(size_t(w) * 3);
    std::vector<int> sampleColumns(static_cast<size_t>(n));
    if (progress) progress->ProgressReset();
    for (int by = 0; by < h; by += n) {
        std::fill(columns.begin(), columns.end(), 0);
        for (int k = 0; k < n; ++k) {
            const uint8_t* row = p.scanLine(std::min(by + k, h - 1));
            for (size_t i = 0; i < columns.size(); ++i) columns[i] += row[i];
        }
        const int blockBottom = std::min(by + n, h);
        for (int bx = 0; bx < w; bx += n) {
            for (int k = 0; k < n; ++k)
                sampleColumns[size_t(k)] = bx + k < w ? bx + k : std::max(0, bx - k);
            uint32_t sum[3] = {0, 0, 0};
            for (int x : sampleColumns)
                for (int c = 0; c < 3; ++c) sum[c] += columns[size_t(x) * 3 + size_t(c)];
            uint8_t mean[3];
            for (int c = 0; c < 3; ++c) mean[c] = uint8_t(std::min<uint32_t>(255, sum[c] / area));
            const int blockRight = std::min(bx + n, w);
            for (int y = by; y < blockBottom; ++y) {
                uint8_t* q = p.scanLine(y) + size_t(bx) * 3;
                for (int x = bx; x < blockRight; ++x, q += 3) q[0] = mean[0], q[1] = mean[1], q[2] = mean[2];
            }
        }
        if (progress) progress->ProgressStep(int(int64_t(blockBottom) * 100 / h));
    }
}

void MergeBorderBitmap(Bitmap& p, uint32_t rgb, int x, int y) {
    if (p.depth() != 24) return;
    const int w = p.width(), h = p.height();
    FillRect(p, rgb, 0, 0, w, y);
    FillRect(p, rgb, 0, h - y, w, h);
    FillRect(p, rgb, 0, 0, x, h);
    FillRect(p, rgb, w - x, 0, w, h);
}

void MergeBorderTopBotBitmap(Bitmap& p, uint32_t rgb, int t, int b) {
    if (p.depth() != 24) return;
    const int w = p.width(), h = p.height();
    FillRect(p, rgb, 0, 0, w, t);
    FillRect(p, rgb, 0, h - b, w, h);
}

}  // namespace vimbra
