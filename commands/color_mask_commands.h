#pragma once
// The colour-selection commands: Threshold > HLS and RGB foreground/background,
// Smooth > Airbrush, Compute > Mask Backcolors/Forecolors and Colors > Red Eye,
// with their BIP handlers and the preview the effects dialog runs for them.
#include <span>
#include <string_view>

#include "core/frame.h"

namespace vimbra {

// BIP handlers; the three values go in unchecked. The HLS ones take packed
// band values (half-width * 65536 + centre), the RGB ones plain R, G, B.
void BipMaskHls(Workspace& ws);
void BipMaskHlsInv(Workspace& ws);
void BipReplaceRgb(Workspace& ws);
void BipReplaceRgbInv(Workspace& ws);
void BipReplaceHls(Workspace& ws);
void BipReplaceHlsInv(Workspace& ws);
void BipAirbrush(Workspace& ws);

// Threshold and Airbrush run in the standard frame. For the HLS band commands
// the effects dialog leaves the chosen half-widths in EffectValue1..3 and the
// picked centre in ws.BandCentre; the command packs them for the recorded
// line and the operation unpacks them again.
std::span<const EditCommand> ColorMaskMenuCommands();
const EditCommand* FindColorMaskMenuCommand(std::string_view name);

// Mask Backcolors/Forecolors (which warn before their dialog) and Red Eye.
std::span<const CustomMenuCommand> ColorMaskCustomCommands();
const CustomMenuCommand* FindColorMaskCustomCommand(std::string_view name);

// The effects dialog's Test for the effect codes 151 to 157: packs the slider
// positions with ws.BandCentre (HLS codes) or takes them as R, G, B, and runs
// the command's preview on `preview` ("Show mask" picks the mask variant of
// 151, 152 and 155). Returns false for other codes.
bool ColorMaskPreview(Workspace& ws, int effectCode, const int32_t sliders[3], Bitmap& preview,
                      bool showMask);

}  // namespace vimbra
