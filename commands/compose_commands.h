#pragma once
// The Compute submenu (Duplicate, Swap, blends, masked composites, per-channel
// arithmetic) and the BIP handlers of its keywords.
#include <span>
#include <string_view>

#include "core/frame.h"

namespace vimbra {

// The warning of the commands that need a compatible duplicate.
inline constexpr std::string_view kDuplicateMismatch =
    "Source and duplicate bitmaps must have\nsame dimensions and 24-bit color depth.";

// BIP handlers; the values are in EffectValue1..3, range-checked by the dispatcher.
void BipDuplicate(Workspace& ws);
void BipSwap(Workspace& ws);
void BipCopyToBackup(Workspace& ws);
void BipCopyFromBackup(Workspace& ws);
void BipAverage(Workspace& ws);    // c
void BipInterlace(Workspace& ws);  // c, field
void BipMultiply(Workspace& ws);
void BipMinimum(Workspace& ws);
void BipMaximum(Workspace& ws);
void BipDifference(Workspace& ws);
void BipSubtract(Workspace& ws);
void BipMaskGrayscale(Workspace& ws);
void BipMaskContrast(Workspace& ws);  // a, k for the four masks
void BipMaskMidtones(Workspace& ws);
void BipMaskShadows(Workspace& ws);
void BipMaskHighlights(Workspace& ws);
void BipMaskEdges(Workspace& ws);  // threshold, amount

// Mask Edges runs in the standard frame; the rest run their own steps.
std::span<const EditCommand> ComposeMenuCommands();
const EditCommand* FindComposeMenuCommand(std::string_view name);
std::span<const CustomMenuCommand> ComposeCustomCommands();
const CustomMenuCommand* FindComposeCustomCommand(std::string_view name);

}  // namespace vimbra
