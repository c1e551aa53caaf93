#pragma once
// For tests: a workspace in a batch run that takes script lines one at a time
// through the parser and the command table.
#include <string_view>

#include "batch/bip_line.h"
#include "commands/registry.h"
#include "core/frame_host.h"

namespace vimbra {

struct Script {
    FrameHost host;
    Workspace ws{host};
    explicit Script(Bitmap picture) {
        ws.setImage(std::move(picture));
        ws.BatchRunning = true;
    }
    BipOutcome line(std::string_view text) {
        const ParsedBipLine parsed = ParseBipLine(text, ws);
        return DispatchBipKeyword(parsed.keyword, ws).outcome;
    }
    // Blue byte of pixel (x, y).
    uint8_t at(int y, int x = 0) const { return ws.Image.scanLine(y)[3 * x]; }
    const uint8_t* pixel(int x, int y) const { return ws.Image.scanLine(y) + 3 * x; }
};

}  // namespace vimbra
