#include "shell/media_fit.h"

#include <algorithm>

namespace vimbra {

ViewSize MediaWindowSize(const MediaFitInput& in) {
    ViewSize v;
    if (in.fitToWindow) {
        if (in.videoHeight > 0 && in.videoWidth > 0)
            v = FitInBox(in.videoWidth, in.videoHeight, std::max(in.clientWidth, in.minWidth),
                         std::max(in.playerHeight - in.bars, 1));
        else
            v = {in.clientWidth, 0};
    } else {
        v = {in.videoWidth, in.videoHeight};
        if (in.displaySize == 1) v = {v.width / 2, v.height / 2};
        else if (in.displaySize == 2) v = {v.width * 2, v.height * 2};
    }
    ViewSize w{v.width + in.frameWidth, v.height + in.frameHeight + in.bars};
    if (!in.fullScreen) w.width = std::max(w.width, in.minWidth);
    w.height += in.panelsHeight;
    w.width = std::min(w.width, in.screenWidth);
    w.height = std::min(w.height, in.screenHeight);
    return w;
}

ViewRect KeepOnScreen(int left, int top, ViewSize size, int screenLeft, int screenTop,
                      int screenWidth, int screenHeight) {
    const int right = screenLeft + screenWidth, bottom = screenTop + screenHeight;
    if (left + size.width > right) left = right - size.width;
    if (top + size.height > bottom) top = bottom - size.height;
    return {std::max(left, screenLeft), std::max(top, screenTop), size.width, size.height};
}

}  // namespace vimbra
