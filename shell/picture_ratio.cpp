#include "shell/picture_ratio.h"

#include <algorithm>

#include "imagefiles/imglib/imglib_ops.h"
#include "shell/menu_layout.h"

namespace vimbra {

std::string AspectQuestion(int mode) {
    const char* what = mode == kAspectTv       ? "resized to 4:3 TV aspect."
                       : mode == kAspectCinema ? "resized to 2.35:1 cinema (anamorphic) aspect."
                       : mode == kAspectWide   ? "resized to 16:9 widescreen aspect."
                                               : nullptr;
    if (!what) return {};
    return std::string("All images will be ") + what +
           "\nThis fixes raw, fullscreen DVD image captures (landscape).\nNormal 1:1 images will "
           "be distorted; video is not modified.";
}

std::pair<int, int> AspectRatioOf(int mode) {
    switch (mode) {
        case kAspectTv: return {4, 3};
        case kAspectCinema: return {7, 3};
        case kAspectWide: return {16, 9};
        default: return {0, 0};
    }
}

ViewSize AspectSize(int mode, int width, int height, int viewWidth, int viewHeight) {
    ViewSize s{width, height};
    if (mode == kAspectMonitor || width < 1 || height < 1) return s;
    if (const auto [w, h] = AspectRatioOf(mode); w > 0) s.width = MulDiv(height, w, h);
    s.width = std::max(1, s.width);
    if (viewWidth > 0 && viewHeight > 0 && (s.width > viewWidth || s.height > viewHeight)) {
        s = FitInBox(s.width, s.height, viewWidth, viewHeight);
        s.width = std::max(1, s.width);
        s.height = std::max(1, s.height);
    }
    return s;
}

Bitmap ApplyAspect(const Bitmap& picture, int mode, int viewWidth, int viewHeight) {
    const int w = picture.width(), h = picture.height();
    const ViewSize s = AspectSize(mode, w, h, viewWidth, viewHeight);
    if (picture.isEmpty() || (s.width == w && s.height == h)) return picture;
    return imglib::ScaleWholePicture(picture, s.width, s.height);
}

}  // namespace vimbra
