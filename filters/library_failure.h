#pragma once
// The common ending of a command whose imaging-library call failed.
#include "core/workspace.h"

namespace vimbra {

// Shows the library's reason (or `fallback` when it gave none), stops a running
// batch (CancelRequested) and returns false. The caller has kept the picture.
bool LibraryFailed(Workspace& ws, const char* fallback);

}  // namespace vimbra
