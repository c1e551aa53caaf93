#pragma once
// The trial before a large buffer copy: is there room for one more picture of
// the working picture's size?
#include <cstdint>

#include "core/workspace.h"

namespace vimbra {

// True when memory is short and the caller must stop. When the room that is
// left can be measured and falls short, the low-memory warning is shown first.
bool MemoryRunningLow(Workspace& ws);

// Bytes the system can still hand out without swapping; UINT64_MAX when that
// cannot be read. Tests put a probe of their own in its place.
using AvailableMemoryProbe = uint64_t (*)();
uint64_t AvailableMemory();
// Returns the probe it replaces; null restores the system reading.
AvailableMemoryProbe SetAvailableMemoryProbe(AvailableMemoryProbe probe);

}  // namespace vimbra
