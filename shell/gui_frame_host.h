#pragma once
// The main window's side of the editing frame: message boxes, the simple
// parameter dialog, the hourglass, repaints, progress in the status bar,
// recording into the open script window, and undo through the undo guard.
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/frame_host.h"
#include "shell/undo_guard.h"

class QString;
class QWidget;

namespace vimbra {

class EffectsDialog;

// The buttons of the viewer's own message boxes.
enum class Reply { Ok, Cancel, Yes, No, Ignore };

class GuiFrameHost : public FrameHost {
public:
    explicit GuiFrameHost(QWidget* parent) : parent_(parent) {}

    Answer Ask(MessageKind kind, std::string_view text, Buttons buttons) override;
    bool AutoBackUp(Workspace& ws) override;
    void Undo(Workspace& ws) override;
    int ExecuteEffectsDlg(Workspace& ws, const FilterDlgParam& param) override;
    void ShowBusy(Workspace& ws, std::string_view message) override;
    void StatusReady(Workspace& ws) override;
    void RefreshView(Workspace& ws) override;
    void DrawProgress(int percent) override;
    void RecordBatchLine(Workspace& ws, std::string_view line) override;

    // A question that offers Ignore and is not asked again once so answered.
    // `key` names the question (the owning command).
    Answer AskSilenceable(const std::string& key, MessageKind kind, std::string_view text);
    bool silenced(const std::string& key) const { return silenced_.count(key) != 0; }

    // A message box with exactly these buttons. With `helpContext` >= 0 it
    // also offers Help, which opens help at that context and keeps the box.
    Reply AskReply(MessageKind kind, std::string_view text, const std::vector<Reply>& buttons,
                   int helpContext = -1);
    // As AskReply with Ignore added; once answered Ignore it is not asked again
    // and answers Ignore.
    Reply AskReplySilenceable(const std::string& key, MessageKind kind, std::string_view text,
                              const std::vector<Reply>& buttons, int helpContext = -1);

    UndoState& undo() { return undo_; }

    // Replace the real dialogs (tests, scripted runs).
    std::function<Answer(MessageKind, std::string_view, Buttons)> askHook;
    std::function<int(Workspace&, const FilterDlgParam&)> effectsHook;
    // Acts on the real effects dialog instead of the user (it is not shown).
    std::function<void(EffectsDialog&)> effectsDriver;
    // AskReply's stand-in; without it an askHook answers (Yes: the first
    // button, No: No or Cancel, Ignore: Ignore when offered).
    std::function<Reply(MessageKind, std::string_view, const std::vector<Reply>&)> replyHook;
    // Help asked for from a message box.
    std::function<void(int context)> onHelp;

    // What the main window does for the frame.
    std::function<void()> onRefresh;                   // picture changed: re-layout, repaint
    std::function<void(const std::string&)> onStatus;  // status text changed: repaint panel 0
    std::function<void(int)> onProgress;               // -1 hides the bar
    std::function<bool(std::string_view)> onRecord;    // false: no script window open
    std::function<void(const QString&)> onHistogram;   // the effects dialog's extra button
    bool colourManage = true;  // the effects dialog's views in display colours

private:
    QWidget* parent_;
    UndoState undo_;
    std::set<std::string> silenced_;
    bool busyCursor_ = false;
};

}  // namespace vimbra
