// Arbitrary bytes as a BIP script: split into lines, parse and dispatch each on
// a tiny picture. Control commands are only looked up, as the interpreter's
// work is not under test here.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "batch/bip_line.h"
#include "batch/command_table.h"

using namespace vimbra;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Workspace ws;
    Bitmap picture(3, 2);
    for (int y = 0; y < picture.height(); ++y)
        for (size_t i = 0; i < size_t(picture.width()) * kBytesPerPixel; ++i)
            picture.scanLine(y)[i] = uint8_t(37 * (i + 1) + 101 * y);
    ws.setImage(std::move(picture));
    ws.BatchRunning = true;

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const std::string& line : SplitBipScript(text)) {
        ws.ForceTrueColor();  // as the interpreter does before every line
        const ParsedBipLine parsed = ParseBipLine(line, ws);
        const BipDispatch d = DispatchBipKeyword(parsed.keyword, ws);
        if (d.outcome == BipOutcome::Control && d.command->keyword == "CROP")
            (void)UnpackCrop(ws.EffectValue1, ws.EffectValue2);
        // The poster reductions leave a palette picture for the next line to widen.
        if (ws.Image.width() != 3 || ws.Image.height() != 2 || ws.Image.depth() != ws.ImageBitDepth)
            __builtin_trap();
    }
    return 0;
}
