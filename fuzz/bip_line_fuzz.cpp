// Arbitrary bytes as a BIP script: split into lines, parse and dispatch each on
// a tiny picture. Control commands are only looked up, as the interpreter's
// work is not under test here.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "batch/bip_line.h"
#include "commands/registry.h"

using namespace vimbra;

namespace {

Bitmap SmallPicture() {
    Bitmap picture(3, 2);
    for (int y = 0; y < picture.height(); ++y)
        for (size_t i = 0; i < size_t(picture.width()) * kBytesPerPixel; ++i)
            picture.scanLine(y)[i] = uint8_t(37 * (i + 1) + 101 * y);
    return picture;
}

// Scaling lines may ask for up to 16384 × 16384 pixels; the fuzzer keeps to
// small ones so that a run stays fast.
bool AsksForLargePicture(const Command& c, const Workspace& ws) {
    if (c.group != 'Q' || c.keyword == "ROTATE") return false;
    return int64_t(ws.EffectValue1) * ws.EffectValue2 > 64 * 64;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Workspace ws;
    ws.setImage(SmallPicture());
    ws.BatchRunning = true;

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const std::string& line : SplitBipScript(text)) {
        ws.ForceTrueColor();  // as the interpreter does before every line
        const ParsedBipLine parsed = ParseBipLine(line, ws);
        const Command* command = FindBipCommand(parsed.keyword);
        if (command && AsksForLargePicture(*command, ws)) continue;
        const BipDispatch d = DispatchBipKeyword(parsed.keyword, ws);
        if (d.outcome == BipOutcome::Control && d.command->keyword == "CROP")
            (void)UnpackCrop(ws.EffectValue1, ws.EffectValue2);
        // Geometry lines change the size and the poster reductions leave a
        // palette picture for the next line to widen, but a picture is never lost.
        if (ws.Image.isEmpty() || ws.Image.depth() != ws.ImageBitDepth) __builtin_trap();
        // Repeated turns by odd angles grow the picture; start again small.
        if (ws.Image.width() > 256 || ws.Image.height() > 256) ws.setImage(SmallPicture());
    }
    return 0;
}
