#pragma once
// The interactive steps of an editing command, supplied by whoever drives the
// workspace: the main window with its dialogs, or the non-interactive default
// used by the CLI and the tests.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/bitmap.h"

namespace vimbra {

class Workspace;

enum class MessageKind { Information, Warning, Error, Confirmation };
enum class Answer { Yes, No, Ignore };
enum class Buttons { Ok, YesNo, YesNoIgnore };

// One slider of the effects dialog.
struct SliderParam {
    int32_t Min = 0, Max = 0, Position = 0, LargeStep = 1, SmallStep = 1;
    std::string LabelMin, LabelMax;
};

// What a command hands the effects dialog.
struct FilterDlgParam {
    std::string title;
    int sliderCount = 0;  // 1..3; one slider means the same value for all channels
    SliderParam sliders[3];
    int32_t CallerTag = 0;
    int32_t EffectCode = 0;
    bool CustomLabels = false;
    // Runs the command's operation on a preview bitmap with the values a Test
    // left in EffectValue1..3; `variant` asks for the mask display. Empty: the
    // frame supplies the EditCommand's own pass.
    std::function<void(Workspace& ws, Bitmap& preview, bool variant)> preview;
};

inline constexpr int kDialogCancelled = -999;

class FrameHost {
public:
    virtual ~FrameHost() = default;

    // A modal question or message. The default answers every question with the
    // configured answer and records the text.
    virtual Answer Ask(MessageKind kind, std::string_view text, Buttons buttons);

    // True means: abandon the command (256-colour display warning).
    virtual bool WarnSVGA(Workspace& ws);
    // True means: continue. Takes the undo snapshot unless a batch runs.
    virtual bool AutoBackUp(Workspace& ws);
    // Restores the snapshot taken by AutoBackUp.
    virtual void Undo(Workspace& ws);
    // Shows the effects dialog; returns slider 1's position or kDialogCancelled and
    // leaves the chosen values in EffectValue1..3. The default accepts the
    // initial positions.
    virtual int ExecuteEffectsDlg(Workspace& ws, const FilterDlgParam& param);
    virtual void ShowBusy(Workspace& ws, std::string_view message);
    virtual void StatusReady(Workspace& ws);
    virtual void RefreshView(Workspace& ws);
    // A preview bitmap was rewritten.
    virtual void InvalidatePreview(Bitmap& preview);
    // Offers the reduction to 256 colours on a 256-colour display.
    virtual void AutoConvert(Workspace& ws);
    // What a Yes to that offer runs; set by whoever links the colour-depth
    // commands (core cannot reach them).
    void (*autoConvertReduction)(Workspace& ws) = nullptr;
    virtual void RecordBatchLine(Workspace& ws, std::string_view line);
    // Draws the progress bar up to percent (called only when it must change).
    virtual void DrawProgress(int percent);

    // Non-interactive behaviour and what it observed, for the CLI and tests.
    Answer defaultAnswer = Answer::Yes;
    bool svgaWarningSilenced = false;
    std::vector<std::string> messages;
    std::vector<std::string> recordedLines;
    std::string busyMessage;
    int refreshCount = 0;
};

// Progress of a long pass, drawn in steps of 5 %.
class Progress {
public:
    explicit Progress(FrameHost& host) : host_(host) {}
    void ProgressReset() { last_ = -1; }
    // Draws only when percent is at least 2, a multiple of 5 and new.
    void ProgressStep(int percent);
    // Width of the bar in a panel of the given width.
    static int barWidth(int percent, int panelWidth) { return percent * panelWidth / 100; }

private:
    FrameHost& host_;
    int last_ = -1;
};

}  // namespace vimbra
