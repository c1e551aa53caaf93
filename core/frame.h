#pragma once
// The frame every pixel-changing menu command runs in, and the pixel pass on a
// display control (the working picture or a preview).
#include <string>

#include "core/frame_host.h"
#include "core/workspace.h"

namespace vimbra {

// The bitmap a pass rewrites and whether it is the working picture.
struct PassTarget {
    Bitmap& bitmap;
    bool isMainPicture;

    static PassTarget mainPicture(Workspace& ws) { return {ws.Image, true}; }
    static PassTarget preview(Bitmap& bitmap) { return {bitmap, false}; }
};

// After a pass: StatusReady; the working picture is refreshed and marked
// Modified, a preview is repainted.
void EndPass(Workspace& ws, const PassTarget& target);

// A menu command that changes pixels.
struct EditCommand {
    const char* name = "";  // the handler, e.g. "onGamma"
    // Fills the dialog record (title, sliders, EffectCode). Null: no dialog.
    void (*dialog)(Workspace& ws, FilterDlgParam& param) = nullptr;
    const char* busyMessage = nullptr;  // null: no busy message
    // Builds what the pass needs and runs it on the target.
    void (*run)(Workspace& ws, PassTarget target) = nullptr;
    // The BIP line the command records.
    std::string (*bipLine)(const Workspace& ws) = nullptr;
    // Whether a 256-colour display is offered the reduction afterwards.
    bool autoConvert = true;
    // Whether a 256-colour display is warned about first.
    bool warnSVGA = true;
    // Receives the dialog's result (slider 1 on Apply) before the pass.
    void (*dialogResult)(Workspace& ws, int result) = nullptr;
};

// A menu command whose steps do not fit the standard frame (Duplicate, Swap,
// commands that warn before their dialog, ...). It runs its own steps.
struct CustomMenuCommand {
    const char* name = "";  // the handler, e.g. "onDuplicate"
    void (*run)(Workspace& ws) = nullptr;
};

// Runs the command through WarnSVGA, AutoBackUp, ForceTrueColor, the dialog,
// ShowBusy, the pass, AutoConvert and the recording. Returns false when the
// command was abandoned or cancelled.
bool RunEditCommand(Workspace& ws, const EditCommand& command);

// Formats "KEYWORD=a,b,c" from the given values.
std::string BipLine(std::string_view keyword, std::initializer_list<int32_t> values);

}  // namespace vimbra
