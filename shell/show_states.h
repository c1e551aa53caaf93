#pragma once
// The decisions around a show in the main window: whether it takes the
// window full screen, whether the program ends with it, and the slide aspect
// the viewer's aspect mode asks for.
#include <string>
#include <utility>

namespace vimbra {

// A show goes full screen when "Always Full screen" is on or the program was
// started to play it, and the window is not full screen already.
bool ShowGoesFullScreen(bool alwaysFullScreen, bool startedForShow, bool fullScreenNow);

// A program started with a script on its command line is there only to play
// it: it closes when the show of that script (`showFile`; "" for a bookmark
// show) ends or cannot start.
bool StartedForShow(const std::string& startFile);
bool ClosesAfterShow(const std::string& startFile, const std::string& showFile);

// The width:height a slide's width is made from its height in an aspect mode
// (kAspect...); {0, 0} for the modes that keep the picture's proportions.
std::pair<int, int> SlideAspect(int aspectMode);

}  // namespace vimbra
