#pragma once
// The window size that shows a medium: the video fitted into the player (fit
// mode) or at its display size, plus the frame, the player's bars and the
// panels, within the screen. No widgets, so the arithmetic is testable.
#include "shell/view_math.h"

namespace vimbra {

struct MediaFitInput {
    int videoWidth = 0, videoHeight = 0;  // 0 x 0: sound only
    bool fitToWindow = true;
    int displaySize = 0;                  // 1 halves, 2 doubles (zoom mode)
    int clientWidth = 0;                  // the view area's width now
    int playerHeight = 0;                 // the player's height now, bars included
    int minWidth = 0;                     // the window's minimum width for a medium
    int bars = 0;                         // heights of the shown bars
    int frameWidth = 0, frameHeight = 0;  // window minus view area (menu bar in the height)
    int panelsHeight = 0;                 // visible tool and path panels
    int screenWidth = 0, screenHeight = 0;
    bool fullScreen = false;              // the "Screen" button is down
};

ViewSize MediaWindowSize(const MediaFitInput& in);

// Where a fitted window goes in fit mode: its top-left corner kept, moved left
// and up by as much as it would pass the screen's right and bottom edges.
ViewRect KeepOnScreen(int left, int top, ViewSize size, int screenLeft, int screenTop,
                      int screenWidth, int screenHeight);

}  // namespace vimbra
