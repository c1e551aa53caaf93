#pragma once
// The decisions around a show in the main window: whether it takes the
// window full screen and whether the program ends with it.
#include <string>

namespace vimbra {

// A show goes full screen when "Always Full screen" is on or the program was
// started to play it, and the window is not full screen already.
bool ShowGoesFullScreen(bool alwaysFullScreen, bool startedForShow, bool fullScreenNow);

// A program started with a script on its command line is there only to play
// it: it closes when the show of that script (`showFile`; "" for a bookmark
// show) ends or cannot start.
bool StartedForShow(const std::string& startFile);
bool ClosesAfterShow(const std::string& startFile, const std::string& showFile);

}  // namespace vimbra
