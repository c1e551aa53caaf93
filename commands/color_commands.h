#pragma once
// The colour commands of the Colors menu (Tune > HLS, Parametric EQ, Brightness
// > Balance, Posterize, RGB Max, Negative): their BIP handlers and menu commands.
#include <span>
#include <string_view>

#include "core/frame.h"

namespace vimbra {

// BIP handlers; the arguments are in EffectValue1..3. The dispatcher checks the
// ranges of HLS and the PARAMETRIC_EQ lines; WHITEBALANCE takes any values and
// POSTERIZE checks its own (it refreshes the view even when it skips the pass).
void BipWhiteBalance(Workspace& ws);
void BipNegative(Workspace& ws);
void BipHLS(Workspace& ws);
void BipRGBMax(Workspace& ws);
void BipPosterize(Workspace& ws);
void BipParametricEqAll(Workspace& ws);
void BipParametricEqRed(Workspace& ws);
void BipParametricEqGrn(Workspace& ws);
void BipParametricEqBlu(Workspace& ws);

std::span<const EditCommand> ColorMenuCommands();
const EditCommand* FindColorMenuCommand(std::string_view name);

}  // namespace vimbra
