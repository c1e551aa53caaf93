#include "shell/show_states.h"

#include "imagefiles/load_dispatch.h"

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

}  // namespace vimbra
