#pragma once
#include <string>
#include <string_view>
// The common ending of a command whose imaging-library call failed.
#include "core/workspace.h"

namespace vimbra {

// Shows the library's reason (or `fallback` when it gave none), stops a running
// batch (CancelRequested) and returns false. The caller has kept the picture.
bool LibraryFailed(Workspace& ws, std::string_view fallback);
// The library's reason for its last failure, or `fallback`; read it before
// any other library call clears it.
std::string LibraryFailureText(std::string_view fallback);
// Shows `text`, ends the busy state and cancels a running script.
bool ShowLibraryFailure(Workspace& ws, const std::string& text);

}  // namespace vimbra
