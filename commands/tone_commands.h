#pragma once
// The tone-curve commands: their BIP handlers (arguments already range-checked
// by the dispatcher, read from EffectValue1..3) and their menu commands.
#include <span>

#include "core/frame.h"

namespace vimbra {

void BipGamma(Workspace& ws);
void BipGammaSupress(Workspace& ws);
void BipGammaSaturation(Workspace& ws);
void BipBrightness(Workspace& ws);
void BipShift(Workspace& ws);
// Shifts each channel down by its first well-populated level.
void BipZero(Workspace& ws);
void BipContrast(Workspace& ws);
void BipSupress(Workspace& ws);
void BipEnhance(Workspace& ws);
void BipLighting(Workspace& ws);
void BipSaturation(Workspace& ws);
void BipShadows(Workspace& ws);
void BipHighlights(Workspace& ws);
void BipUnwash(Workspace& ws);
void BipUncook(Workspace& ws);
void BipAttenuate(Workspace& ws);

// Menu commands of Colors > Gamma, Brightness, Contrast and Enhance, and
// UnWash, UnCook and Attenuate, named after their handlers
// ("onGammaGlobal", "onUnwash", ...).
std::span<const EditCommand> ToneMenuCommands();
// Null when no tone command has that name.
const EditCommand* FindToneMenuCommand(std::string_view name);

}  // namespace vimbra
