#include "shell/view_math.h"

#include <algorithm>
#include <cstdlib>

namespace vimbra {
namespace {

// num ÷ den to the nearest integer, halves to even (den > 0).
int64_t RoundHalfEven(int64_t num, int64_t den) {
    int64_t q = num / den, r = num % den;
    if (r < 0) {
        --q;
        r += den;
    }
    // now num = q × den + r with 0 <= r < den
    if (2 * r > den || (2 * r == den && (q & 1) != 0)) ++q;
    return q;
}

}  // namespace

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return 0;
    int64_t num = int64_t(a) * b;
    int64_t den = c;
    if (den < 0) {
        num = -num;
        den = -den;
    }
    const int64_t mag = (std::llabs(num) * 2 + den) / (2 * den);  // halves up in magnitude
    return int32_t(num < 0 ? -mag : mag);
}

ViewSize FitInBox(int width, int height, int boxWidth, int boxHeight) {
    if (width <= 0 || height <= 0) return {0, 0};
    ViewSize r;
    if (height < width) {
        r.width = boxWidth;
        r.height = MulDiv(height, boxWidth, width);
    } else {
        r.height = boxHeight;
        r.width = MulDiv(width, boxHeight, height);
    }
    if (r.width > boxWidth) {
        r.height = MulDiv(r.height, boxWidth, r.width);
        r.width = boxWidth;
    }
    if (r.height > boxHeight) {
        r.width = MulDiv(r.width, boxHeight, r.height);
        r.height = boxHeight;
    }
    return r;
}

ViewRect FitLayout(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight,
                   bool upsampled) {
    ViewSize s = FitInBox(pictureWidth, pictureHeight, areaWidth, areaHeight);
    if (!upsampled && pictureWidth < areaWidth && pictureHeight < areaHeight)
        s = {pictureWidth, pictureHeight};
    // A picture of 1 × N still gets a visible column.
    s.width = std::clamp(s.width, 1, std::max(1, areaWidth));
    s.height = std::clamp(s.height, 1, std::max(1, areaHeight));
    return {std::max(0, (areaWidth - s.width) / 2), std::max(0, (areaHeight - s.height) / 2),
            s.width, s.height};
}

ViewSize AutoZoomSize(int pictureWidth, int pictureHeight, int zoomPercent) {
    return {int(int64_t(pictureWidth) * zoomPercent / 100),
            int(int64_t(pictureHeight) * zoomPercent / 100)};
}

int ZoomIn(int zoomPercent) {
    return zoomPercent + kZoomStep <= kZoomMax ? zoomPercent + kZoomStep : zoomPercent;
}

int ZoomOut(int zoomPercent) {
    return zoomPercent - kZoomStep >= kZoomMin ? zoomPercent - kZoomStep : zoomPercent;
}

int ZoomToValue(int requested) {
    const int v = std::clamp(requested, kZoomMin, kZoomMax);
    return v - v % kZoomStep;
}

int RescaledScrollPosition(int position, int oldRange, int newRange, int page, int zoomPercent) {
    int p = oldRange > 0 ? int(int64_t(position) * newRange / oldRange) : 0;
    const int k = ZoomFactor(zoomPercent);
    if (k >= 2) {
        p = std::min(p, newRange - page);
        if (p > 0) p -= p % k;
    }
    return std::max(0, p);
}

int SnapStep(int zoomPercent, int bitDepth) {
    if (zoomPercent >= 200) return ZoomFactor(zoomPercent);
    if (bitDepth < 8) return 8;
    return 1;
}

int SnapDown(int value, int step) {
    if (step <= 1 || value < 0) return value;
    return value - value % step;
}

PanStep PanAxis(int controlLeft, int anchor, int mouse) {
    PanStep s{controlLeft + (mouse - anchor), anchor};
    if (s.controlLeft > 0) {
        s.controlLeft = 0;
        s.anchor = mouse;
    }
    return s;
}

SelRect DisplaySelection(const SelRect& sel, const ViewGeometry& view, int bitmapWidth,
                         int bitmapHeight) {
    SelRect r;
    if (view.fitToWindow) {
        const int64_t bw = std::max(1, bitmapWidth), bh = std::max(1, bitmapHeight);
        r.left = int32_t(RoundHalfEven(int64_t(view.controlWidth) * sel.left, bw));
        r.right = int32_t(RoundHalfEven(int64_t(view.controlWidth) * sel.right, bw));
        r.top = int32_t(RoundHalfEven(int64_t(view.controlHeight) * sel.top, bh));
        r.bottom = int32_t(RoundHalfEven(int64_t(view.controlHeight) * sel.bottom, bh));
    } else {
        const int64_t z = view.zoomPercent;
        r.left = int32_t(RoundHalfEven(sel.left * z, 100));
        r.right = int32_t(RoundHalfEven(sel.right * z, 100));
        r.top = int32_t(RoundHalfEven(sel.top * z, 100));
        r.bottom = int32_t(RoundHalfEven(sel.bottom * z, 100));
    }
    return r;
}

int ZoomForRegion(int regionWidth, int regionHeight, int areaWidth, int areaHeight) {
    int zoom = 100;
    while (zoom < kZoomMax) {
        const ViewSize next = AutoZoomSize(regionWidth, regionHeight, zoom + kZoomStep);
        if (next.width > areaWidth || next.height > areaHeight) break;
        zoom += kZoomStep;
    }
    return zoom;
}

ViewSize FitToWindowSize(int pictureWidth, int pictureHeight, int k, int frameWidth,
                         int frameHeight, int panelsHeight, int screenWidth, int screenHeight) {
    if (k < 1) return {};
    const int w = std::min(pictureWidth / k + frameWidth, screenWidth);
    const int h = std::min(frameHeight + pictureHeight / k + panelsHeight, screenHeight);
    if (w < 64 || h < 64) return {};
    return {w, h};
}

}  // namespace vimbra
