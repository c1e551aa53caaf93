#include "core/frame.h"

#include <new>

namespace vimbra {

Answer FrameHost::Ask(MessageKind, std::string_view text, Buttons buttons) {
    messages.emplace_back(text);
    return buttons == Buttons::Ok ? Answer::Yes : defaultAnswer;
}

bool FrameHost::WarnSVGA(Workspace& ws) {
    if (ws.DisplayBitDepth != 8 || svgaWarningSilenced) return false;
    const Answer a = Ask(MessageKind::Information,
                         "256 color displays cannot show subtle changes.\nTrue color video is "
                         "recommended.  Continue?\n\n[Ignore] avoids this dialog (for experts).",
                         Buttons::YesNoIgnore);
    if (a == Answer::Ignore) svgaWarningSilenced = true;
    return a == Answer::No;
}

bool FrameHost::AutoBackUp(Workspace& ws) {
    if (ws.BatchRunning) return true;
    try {
        ws.UndoBitmap = ws.Image;
        return true;
    } catch (const std::bad_alloc&) {
        ws.clearBuffers();
        ws.StatusText = "Error.";
        ws.CancelRequested = true;
        Ask(MessageKind::Error,
            "Backup failed. Free memory is fragmented or running low.\nSelect Tools | Memory to "
            "clear and check buffers.\n",
            Buttons::Ok);
        return false;
    }
}

void FrameHost::Undo(Workspace& ws) {
    if (ws.UndoBitmap.isEmpty()) return;
    ws.Image = ws.UndoBitmap;
    ws.ImageBitDepth = int16_t(ws.Image.depth());
    ws.syncImageSize();
}

int FrameHost::ExecuteEffectsDlg(Workspace& ws, const FilterDlgParam& p) {
    ws.EffectValue1 = p.sliders[0].Position;
    ws.EffectValue2 = p.sliderCount > 1 ? p.sliders[1].Position : p.sliders[0].Position;
    ws.EffectValue3 = p.sliderCount > 2 ? p.sliders[2].Position : p.sliders[0].Position;
    return p.sliders[0].Position;
}

void FrameHost::ShowBusy(Workspace& ws, std::string_view message) {
    ws.StatusText = "Busy...";
    busyMessage = message;
}

void FrameHost::StatusReady(Workspace& ws) { ws.StatusText = "Ready."; }
void FrameHost::RefreshView(Workspace&) { ++refreshCount; }
void FrameHost::InvalidatePreview(Bitmap&) {}
void FrameHost::DrawProgress(int) {}

void FrameHost::AutoConvert(Workspace& ws) {
    if (ws.DisplayBitDepth != 8 || ws.ImageBitDepth <= 8) return;
    if (Ask(MessageKind::Confirmation, "Convert to 256 colors?", Buttons::YesNo) == Answer::Yes &&
        autoConvertReduction)
        autoConvertReduction(ws);
}

void FrameHost::RecordBatchLine(Workspace& ws, std::string_view line) {
    if (ws.RecordingActive) recordedLines.emplace_back(line);
}

void Progress::ProgressStep(int percent) {
    if (percent < 2 || percent % 5 != 0 || percent == last_) return;
    last_ = percent;
    host_.DrawProgress(percent);
}

void EndPass(Workspace& ws, const PassTarget& target) {
    FrameHost& host = ws.host();
    host.StatusReady(ws);
    if (target.isMainPicture) {
        host.RefreshView(ws);
        ws.Modified = true;
    } else {
        host.InvalidatePreview(target.bitmap);
    }
}

bool RunEditCommand(Workspace& ws, const EditCommand& command) {
    FrameHost& host = ws.host();
    if (command.warnSVGA && host.WarnSVGA(ws)) return false;
    if (!host.AutoBackUp(ws)) return false;
    ws.ForceTrueColor();
    if (command.dialog) {
        FilterDlgParam param;
        command.dialog(ws, param);
        if (!param.preview) {
            param.preview = [run = command.run](Workspace& w, Bitmap& b, bool) {
                run(w, PassTarget::preview(b));
            };
        }
        const int result = host.ExecuteEffectsDlg(ws, param);
        if (result == kDialogCancelled) {
            host.Undo(ws);
            return false;
        }
        if (command.dialogResult) command.dialogResult(ws, result);
        if (!ws.BatchRunning && command.bipLine) host.RecordBatchLine(ws, command.bipLine(ws));
    }
    if (command.busyMessage) host.ShowBusy(ws, command.busyMessage);
    command.run(ws, PassTarget::mainPicture(ws));
    if (command.autoConvert) host.AutoConvert(ws);
    if (!command.dialog && !ws.BatchRunning && command.bipLine)
        host.RecordBatchLine(ws, command.bipLine(ws));
    return true;
}

std::string BipLine(std::string_view keyword, std::initializer_list<int32_t> values) {
    std::string line(keyword);
    char sep = '=';
    for (int32_t v : values) {
        line += sep;
        line += std::to_string(v);
        sep = ',';
    }
    return line;
}

}  // namespace vimbra
