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

ViewSize AspectSize(int mode, int width, int height, int viewWidth, int viewHeight) {
    ViewSize s{width, height};
    if (mode == kAspectMonitor || width < 1 || height < 1) return s;
    if (mode == kAspectTv) s.width = MulDiv(height, 4, 3);
    else if (mode == kAspectCinema) s.width = MulDiv(height, 7, 3);
    else if (mode == kAspectWide) s.width = MulDiv(height, 16, 9);
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
    const ImgRect all{0, 0, w, h};
    if (picture.depth() < 4) return imglib::ScalePicture(picture, all, s.width, s.height, kImgCopyNormal);
    // Narrowing alone goes through twice the target width, as the slideshow does.
    if (s.height == h && s.width < w) {
        const Bitmap wide = imglib::ScalePicture(picture, all, 2 * s.width, h, kImgCopySmooth);
        return imglib::ScalePicture(wide, ImgRect{0, 0, 2 * s.width, h}, s.width, h, kImgCopySmooth);
    }
    return imglib::ScalePicture(picture, all, s.width, s.height, kImgCopySmooth);
}

}  // namespace vimbra
