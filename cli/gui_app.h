#pragma once
// Fonts need a QGuiApplication; the commands that draw text start one on
// demand, offscreen unless QT_QPA_PLATFORM names another platform. The other
// commands stay free of any window system.
namespace vimbra::cli {

void EnsureGuiApplication();

}  // namespace vimbra::cli
