#pragma once
// The Smooth, Sharpen and Descreen commands of the Image menu, Auto > Clean and
// Auto > Sharpen, DeFog: their menu commands and BIP handlers.
#include <span>
#include <string_view>

#include "core/frame.h"

namespace vimbra {

// BIP handlers; the arguments are in EffectValue1..2, already range-checked.
// Each makes the working picture 24-bit first.
void BipGaussian(Workspace& ws);
void BipOutlier(Workspace& ws);
void BipDefocus(Workspace& ws);
void BipSoften(Workspace& ws);
void BipDespeckle(Workspace& ws);
void BipUnSpot(Workspace& ws);
void BipMeanRemoval(Workspace& ws);
void BipHighPassMedium(Workspace& ws);
void BipHighPassLight(Workspace& ws);
void BipUnsharpMask(Workspace& ws);
void BipClean(Workspace& ws);
void BipDefog(Workspace& ws);
void BipDescreenLight(Workspace& ws);
void BipDescreenMedium(Workspace& ws);
void BipDescreenStrong(Workspace& ws);
void BipDescreenHigh(Workspace& ws);
void BipDelace(Workspace& ws);
void BipEnrich(Workspace& ws);

// The commands with the effects dialog (onGaussian ... onDefog).
std::span<const EditCommand> FilterMenuCommands();
const EditCommand* FindFilterMenuCommand(std::string_view name);

// Descreen (four items), DeLace, Enrich, Auto Clean and Auto Sharpen.
std::span<const CustomMenuCommand> FilterCustomCommands();
const CustomMenuCommand* FindFilterCustomCommand(std::string_view name);

// Enlarges the working picture (x1.5 for DeLace, x2.5 for Enrich) through the
// imaging library, filters it and shrinks it back. The working picture is only
// replaced by a finished result: any failure reports the library's reason,
// keeps the picture and sets CancelRequested. Returns true when it was replaced.
bool DelaceOrEnrich(Workspace& ws, bool enrich);

}  // namespace vimbra
