#pragma once
// The Image and Edit menus' geometry commands, the BIP handlers of their
// keywords and the BIP line each command records. Dialogs stay with the
// window: a command receives what its dialog returned.
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/frame.h"
#include "filters/geometry.h"
#include "filters/scale_rotate.h"
#include "filters/tile_border.h"

namespace vimbra {

// --- The BIP line of each command, in the one place it is made.
std::string ResizeLine(int32_t width, int32_t height);    // "RESIZE=w,h"
std::string ResampleLine(int32_t width, int32_t height);  // "RESAMPLE=w,h"
// "ROTATE=d" for a library angle: the clockwise turn in whole degrees, taken
// upwards, modulo 360.
std::string RotateLine(int32_t libraryAngle);
// "CROP=a,b" with a = top × 65536 + left, b = bottom × 65536 + right.
std::string CropLine(const SelRect& rect);
std::string MosaicLine(int32_t tile);                                   // "MOSAIC=n"
std::string BorderLine(int32_t colourValue, int32_t x, int32_t y);     // "BORDER=c,x,y"

// --- Menu commands.

// Resize after the size dialog "Image Resize" (width -1: cancelled). An
// unchanged size does nothing.
void ResizeCommand(Workspace& ws, int32_t width, int32_t height, int copyOpIndex);
// Resample from the menu runs Resize (and its dialog) for pictures below 8 bits.
bool ResampleRunsResize(const Workspace& ws);
// Resample after the size dialog "Image Resample" (width -1: cancelled).
void ResampleCommand(Workspace& ws, int32_t width, int32_t height);
// Auto > Resize: fits the picture into the viewing area (doubling small
// pictures) and resamples; Modified stays as it was.
void AutoResizeCommand(Workspace& ws, int32_t areaWidth, int32_t areaHeight);

// Rotate by a library angle: RotateAngleForDegrees(90) for "&90 deg.",
// RotateAngleForDegrees(270) for "&270 deg.", RotateAngleForDegrees(v) after
// the Normal dialog, RotateAngleForHundredths(v) after the Fine one. The
// corners take ws.BackgroundColor.
void RotateCommand(Workspace& ws, int32_t libraryAngle);
// Mirror Vertical (upside down) or Horizontal (left and right).
void MirrorCommand(Workspace& ws, bool vertical);

// Crop to ws.SelectionRect (picture pixels, brought inside the picture);
// never touches the clipboard. undoCopy is false for the analysis report.
bool CropCommand(Workspace& ws, bool undoCopy = true);
// Copy selection: the pixels of ws.SelectionRect for the clipboard, at the
// picture's depth; none when the selection holds nothing or memory is short.
std::optional<Bitmap> CopySelectionBitmap(Workspace& ws);
// Trim inside ws.SelectionRect (the whole picture when it is empty).
bool TrimCommand(Workspace& ws);
// Border after the size dialog "Set Border" (width -1: cancelled).
void BorderCommand(Workspace& ws, int32_t colourValue, int32_t x, int32_t y);

// The crop a script or the menu makes: rect must satisfy ValidCropRect, else
// the picture stays and the result is false. Modified is set; the caller
// repaints.
bool CropWorkingImage(Workspace& ws, const SelRect& rect);

// Mosaic runs in the standard frame.
std::span<const EditCommand> GeometryMenuCommands();
const EditCommand* FindGeometryMenuCommand(std::string_view name);

// --- BIP handlers; the values are in EffectValue1..3, range-checked.
void BipResample(Workspace& ws);   // RESIZE and RESAMPLE: width, height
void BipDownsample(Workspace& ws);  // maximum width, height
void BipRotate(Workspace& ws);      // clockwise degrees
void BipMosaic(Workspace& ws);      // tile size
void BipBorder(Workspace& ws);      // colour, x, y
void BipBorderTopBot(Workspace& ws);  // colour, top, bottom

}  // namespace vimbra
