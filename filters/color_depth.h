#pragma once
// Colour depth of the working picture: grey shades in place, reductions to a
// palette through the imaging library, and promotion back to more bits.
#include <cstdint>

#include "core/frame.h"

namespace vimbra {

// Grey in place on a 24-bit bitmap: y = 3R div 10 + 6G div 10 + B div 10 in
// all three channels, each term truncated on its own (white gives 254).
void DoGrayBitmap(Bitmap& bitmap);
// The same on a display control: the picture is made 24-bit first; then
// "Ready.", refresh and Modified (or a preview repaint).
void DoGray(Workspace& ws, PassTarget target);

// What the imaging library is asked for.
struct ReductionRequest {
    int colours = 0;
    int flags = 0;
};

// Hands the working picture to the library, reduces it to `colours` with
// `flags` and takes the palette picture back (depth 1, 4 or 8). The picture is
// replaced only by a finished result: a failure shows the library's reason,
// keeps the picture and sets CancelRequested. Returns true when replaced; the
// picture is then marked Modified and the view refreshed.
bool ReduceWorkingImage(Workspace& ws, const ReductionRequest& request, const char* busy = "Converting...");

// Poster reduction (QUANTIZE16, QUANTIZE256): the picture's own palette of 16
// (bits 4) or 256 colours (bits 8; 236 on an 8-bit display), nearest colour,
// no dithering. The picture is made 24-bit first. False when the library failed.
bool DoPosterize(Workspace& ws, int bits);

// 256 colours leave room for the system colours on an 8-bit display.
int PaletteColours(int colours, int displayBitDepth);

// Raises the picture to 4, 8 or 24 bits keeping every colour; a picture that
// already has that depth or more is left as it is. True when the depth is now
// at least `bits`.
bool PromoteBitmap(Bitmap& bitmap, int bits);

}  // namespace vimbra
