#include "filters/memory_guard.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/frame_host.h"
#include "imagefiles/load_dispatch.h"

namespace vimbra {
namespace {

uint64_t ReadMemAvailable() {
    std::FILE* f = std::fopen("/proc/meminfo", "r");
    if (!f) return UINT64_MAX;
    char line[256];
    uint64_t result = UINT64_MAX;
    while (std::fgets(line, sizeof line, f)) {
        unsigned long long kib = 0;
        if (std::sscanf(line, "MemAvailable: %llu kB", &kib) == 1) {
            result = uint64_t(kib) * 1024;
            break;
        }
    }
    std::fclose(f);
    return result;
}

std::atomic<AvailableMemoryProbe> g_probe{nullptr};

}  // namespace

uint64_t AvailableMemory() {
    const AvailableMemoryProbe probe = g_probe.load();
    return probe ? probe() : ReadMemAvailable();
}

AvailableMemoryProbe SetAvailableMemoryProbe(AvailableMemoryProbe probe) {
    return g_probe.exchange(probe);
}

bool MemoryRunningLow(Workspace& ws) {
    const uint64_t required =
        ImageByteSize(ws.Image.width(), ws.Image.height(), ws.Image.depth(), ws.DisplayBitDepth);
    const uint64_t actual = AvailableMemory();
    if (actual == UINT64_MAX || actual >= required) return false;
    ws.host().Ask(MessageKind::Warning,
                  "Free memory is fragmented or running low.\nSelect Tools | Memory to clear and "
                  "check buffers.\n\nRequired=" +
                      std::to_string(required) + " Actual=" + std::to_string(actual),
                  Buttons::Ok);
    return true;
}

}  // namespace vimbra
