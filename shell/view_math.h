#pragma once
// The arithmetic of the display: fitting a picture into the view area, zoom
// steps, scroll snapping at integer enlargements, panning, and mapping the
// selection between picture pixels and the display. No widgets here, so every
// rule can be checked without a screen.
#include <cstdint>

#include "core/workspace.h"

namespace vimbra {

struct ViewSize {
    int width = 0, height = 0;
    bool operator==(const ViewSize&) const = default;
};

struct ViewRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const ViewRect&) const = default;
};

inline constexpr int kZoomMin = 25;
inline constexpr int kZoomMax = 800;
inline constexpr int kZoomStep = 25;

// a × b ÷ c rounded to the nearest integer, halves away from zero; 0 when c is 0
// (the classic MulDiv reports failure as -1, which no caller here could use).
int32_t MulDiv(int32_t a, int32_t b, int32_t c);

// Scales (width, height) so the relatively longer side fills the box, then
// shrinks both until they fit.
ViewSize FitInBox(int width, int height, int boxWidth, int boxHeight);

// The display control's place in fit-to-window mode: the fitted size (the
// picture's own size when it is smaller than the area in both directions and
// upsampling is off), clamped to the area and centred in it.
ViewRect FitLayout(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight,
                   bool upsampled);

// Size of the display control in zoom mode: trunc(size × zoom ÷ 100).
ViewSize AutoZoomSize(int pictureWidth, int pictureHeight, int zoomPercent);

// Integer enlargement factor k = zoom div 100 (0 below 100%).
inline int ZoomFactor(int zoomPercent) { return zoomPercent / 100; }

// Zoom + and Zoom -: one step of 25 within 25..800; the same value at the ends.
int ZoomIn(int zoomPercent);
int ZoomOut(int zoomPercent);
// A typed magnification: rounded down to a multiple of 25 and kept in 25..800.
int ZoomToValue(int requested);

// A scroll position kept as the same fraction of a new range: `position` of
// `oldRange` becomes that percentage of `newRange`. At k >= 2 the result is
// limited to newRange − page and rounded down to a multiple of k so that
// every picture pixel stays a whole k × k block on screen. Never below 0.
int RescaledScrollPosition(int position, int oldRange, int newRange, int page, int zoomPercent);

// Snap step of the mouse tools: k from 200% on, 8 for pictures of fewer than
// 8 bits, else 1.
int SnapStep(int zoomPercent, int bitDepth);
// Rounds a coordinate down to the step; negative values stay as they are.
int SnapDown(int value, int step);

// One move of the hand tool. The control's new left edge is its left edge plus
// the mouse's travel from the anchor; a left edge right of 0 is cut to 0 and
// the anchor follows the mouse so the drag resumes from there.
struct PanStep {
    int controlLeft = 0;  // new left (and the scroll position is −left)
    int anchor = 0;       // new anchor
};
PanStep PanAxis(int controlLeft, int anchor, int mouse);

// Where the selection (picture pixels) is drawn on the display control: in fit
// mode each edge is round(control × edge ÷ bitmap), in zoom mode round(edge ×
// zoom ÷ 100); round means halves to even.
SelRect DisplaySelection(const SelRect& selection, const ViewGeometry& view, int bitmapWidth,
                         int bitmapHeight);

// The zoom that shows the region largest: from 100% up in steps of 25 while
// the region still fits the view area, at most 800%.
int ZoomForRegion(int regionWidth, int regionHeight, int areaWidth, int areaHeight);

// Window size for "Fit to 1:k": picture ÷ k plus the frame and panels, limited
// to the screen. Width or height below 64 means: leave the window alone
// (returned as an empty size).
ViewSize FitToWindowSize(int pictureWidth, int pictureHeight, int k, int frameWidth,
                         int frameHeight, int panelsHeight, int screenWidth, int screenHeight);

}  // namespace vimbra
