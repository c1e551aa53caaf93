#pragma once
// The regions the clipboard commands work on: the visible part of the picture
// and selections, clipped to the picture with right and bottom exclusive, and
// the pixel copies in and out of them.
#include "core/bitmap.h"
#include "core/workspace.h"

namespace vimbra {

// The selection limited to a width x height picture (corners put in order).
SelRect ClipSelection(SelRect r, int width, int height);

// The picture pixels visible in a view: the scroll position and client size
// are display pixels of a picture shown at displayWidth x displayHeight.
SelRect ViewportRegion(int scrollX, int scrollY, int clientWidth, int clientHeight,
                       int displayWidth, int displayHeight, int width, int height);

// The region's pixels as a 24-bit picture; empty when the region is.
Bitmap CopyRegion(const Bitmap& picture, SelRect region);

// Draws the top-left part of `source` (at most the selection's size) stretched
// into the selection of the 24-bit `target`; pixels outside stay. False when
// nothing could be drawn.
bool PasteIntoSelection(Bitmap& target, SelRect selection, const Bitmap& source);

}  // namespace vimbra
