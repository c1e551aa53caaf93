#pragma once
// Scaling, rotation and mirroring of the working picture through the imaging
// library. The picture is lent to the library and replaced only once the
// result exists: a failed call gives it back unchanged, reports the library's
// text and sets CancelRequested (so a batch stops before it saves anything).
#include <cstdint>
#include <string_view>

#include "core/frame.h"
#include "imagefiles/imglib/imglib.h"

namespace vimbra {

// The library copy mode of the size dialog's CopyOp items "Normal" (0),
// "Preserve Black" (1) and "Preserve White" (2).
int CopyModeForIndex(int copyOpIndex);

// Resize: one scaled copy in the given mode, except that keeping the height
// while narrowing goes through a copy of twice the new size.
bool ResizeWorkingImage(Workspace& ws, int32_t width, int32_t height, int copyMode);

// Resample: smooth, through twice the new size when either side shrinks.
// Nothing happens (false) unless the size changes and both sides exceed 15.
bool ResampleWorkingImage(Workspace& ws, int32_t width, int32_t height);
bool ResampleChangesSize(const Workspace& ws, int32_t width, int32_t height);

// The library angle counts hundredths of a degree anticlockwise.
inline constexpr int32_t RotateAngleForDegrees(int32_t clockwiseDegrees) {
    return 36000 - 100 * clockwiseDegrees;
}
inline constexpr int32_t RotateAngleForHundredths(int32_t clockwiseHundredths) {
    return 36000 - clockwiseHundredths;
}
// Turns the picture; any angle but a multiple of 90 degrees enlarges the
// canvas to the bounding box and fills the corners with fillRgb (0x00BBGGRR).
bool RotateWorkingImage(Workspace& ws, int32_t libraryAngle, uint32_t fillRgb);

// Vertical turns the picture upside down; otherwise left and right swap.
bool MirrorWorkingImage(Workspace& ws, bool vertical);


}  // namespace vimbra
