#pragma once
// The automatic corrections as commands: their BIP handlers (arguments already
// range-checked by the dispatcher, read from EffectValue1..3) and their menu
// commands of Colors > Tune, Colors > Map and Colors > Limit.
#include <span>
#include <string_view>

#include "core/frame.h"

namespace vimbra {

// Whole-picture corrections without arguments.
void BipOptimize(Workspace& ws);
void BipNormalize(Workspace& ws);
void BipZeroMap(Workspace& ws);
void BipCenter(Workspace& ws);
void BipEqualize(Workspace& ws);

// Statistical remaps by offsets from the picture's own statistics (a, b).
void BipMapRgb(Workspace& ws);
void BipMapRed(Workspace& ws);
void BipMapGrn(Workspace& ws);
void BipMapBlu(Workspace& ws);
void BipMapLit(Workspace& ws);
void BipMapSat(Workspace& ws);
// Remap of all three channels to the absolute mean a and deviation b.
void BipMapEq(Workspace& ws);

// Conforming to absolute statistics.
void BipConformRed(Workspace& ws);
void BipConformGrn(Workspace& ws);
void BipConformBlu(Workspace& ws);
void BipConformLit(Workspace& ws);
void BipConformSat(Workspace& ws);
void BipConformGammaRgb(Workspace& ws);
void BipConformGamma(Workspace& ws);

// One-click corrections.
void BipAutoSaturate(Workspace& ws);
void BipAutoLighting(Workspace& ws);
void BipAutoContrast(Workspace& ws);
void BipAutoFlash(Workspace& ws);  // mode from EffectValue1: 1, 2, anything else 0
void BipAutoGamma(Workspace& ws);
void BipAutoBalance(Workspace& ws);
void BipAutoWhite(Workspace& ws);

// Limit intensities with shadows, median, highlights a, b, c.
void BipLimitAll(Workspace& ws);
void BipLimitRed(Workspace& ws);
void BipLimitGrn(Workspace& ws);
void BipLimitBlu(Workspace& ws);

// Menu commands of Colors > Tune, Map and Limit (Map > RGB info changes no pixels:
// see RgbInfoLines in map_commands.h).
std::span<const EditCommand> CorrectionMenuCommands();
const EditCommand* FindCorrectionMenuCommand(std::string_view name);

}  // namespace vimbra
