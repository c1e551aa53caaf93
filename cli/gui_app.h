#pragma once
// Fonts need a QGuiApplication; the commands that draw text start one on
// demand, offscreen unless QT_QPA_PLATFORM names another platform. The other
// commands stay free of any window system.
#include <memory>

#include <QGuiApplication>

namespace vimbra::cli {

// The application started for a command (nothing when one runs already). The
// caller keeps it while it draws: it must be gone before static destruction,
// or Qt's per-thread font caches outlive it.
std::unique_ptr<QGuiApplication> StartGuiApplication();

}  // namespace vimbra::cli
