#include "shell/show_states.h"

#include "imagefiles/load_dispatch.h"
#include "shell/menu_layout.h"

namespace vimbra {

bool ShowGoesFullScreen(bool alwaysFullScreen, bool startedForShow, bool fullScreenNow) {
    return (alwaysFullScreen || startedForShow) && !fullScreenNow;
}

bool StartedForShow(const std::string& startFile) {
    return !startFile.empty() && ClassifyFile(startFile) == FileKind::Slideshow;
}

bool ClosesAfterShow(const std::string& startFile, const std::string& showFile) {
    return StartedForShow(startFile) && showFile == startFile;
}

std::pair<int, int> SlideAspect(int aspectMode) {
    switch (aspectMode) {
        case kAspectTv: return {4, 3};
        case kAspectCinema: return {7, 3};
        case kAspectWide: return {16, 9};
        default: return {0, 0};
    }
}

}  // namespace vimbra
