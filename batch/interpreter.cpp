#include "batch/interpreter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "batch/bip_line.h"
#include "batch/navigation.h"
#include "commands/geometry_commands.h"
#include "commands/keywords.h"
#include "commands/registry.h"

namespace vimbra {
namespace {

constexpr std::string_view kAbortBatch = "Abort batch processing?";

std::string_view NamePart(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Also catches the same file reached through another spelling or a link.
bool SameFile(const std::string& a, const std::string& b) {
    if (SamePath(a, b)) return true;
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

// BatchRunning holds for the run however it ends, exceptions included.
class RunningFlag {
public:
    explicit RunningFlag(Workspace& ws) : ws_(ws) { ws_.BatchRunning = true; }
    ~RunningFlag() { ws_.BatchRunning = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;

private:
    Workspace& ws_;
};

}  // namespace

std::string SuggestedSaveName(std::string_view currentFileName, std::string_view suffix) {
    std::string_view name = NamePart(currentFileName);
    const size_t dot = name.rfind('.');
    // A leading dot names a hidden file, not an extension.
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    std::string out(name);
    out += suffix;
    return out;
}

std::string SilentSaveName(std::string_view suggestedName) {
    std::string out(suggestedName);
    if (BipUpper(out).ends_with(".BMP")) return out;
    return out + ".bmp";
}

std::string DiskSpaceWarning(uint64_t requiredBytes, uint64_t freeBytes, std::string_view closing) {
    std::string text = "Insufficient disk space.\n";
    text += "Req.: " + std::to_string(requiredBytes / 1024) + " Kb\n";
    text += "Free: " + std::to_string(freeBytes / 1024) + " Kb\n\n";
    text += closing;
    return text;
}

BatchInterpreter::BatchInterpreter(Workspace& ws, Bookmarks& bookmarks, BatchHost& host)
    : ws_(ws), bookmarks_(bookmarks), host_(host) {}

BatchEnd BatchInterpreter::onPerformBatch() {
    if (!ws_.RecordingActive) return BatchEnd::NotRun;
    if (!warningsSilenced_ && (options.aspectCorrection || options.screenGamma != 100)) {
        std::string text = options.aspectCorrection
                               ? "You have an automatic resizing feature enabled;\n"
                               : "You have screen gamma enabled, which is cumulative;\n";
        text += "it will affect batch image processing results.  Continue?";
        text += "\n\n";
        text += "[Ignore] avoids this dialog (for experts).";
        const Choice c = host_.ask(MessageKind::Confirmation, text, ChoiceSet::OkCancelIgnore);
        if (c == Choice::Ignore) {
            warningsSilenced_ = true;
        } else if (c != Choice::Ok) {
            return BatchEnd::NotRun;
        }
    }
    // The editor's Perform takes the undo copy; a second one here would only
    // write the same picture again.
    return onPerformBatchStep();
}

BatchEnd BatchInterpreter::onPerformBatchStep() {
    if (host_.scriptLines().empty()) return BatchEnd::NotRun;
    host_.showMainWindow();
    host_.processEvents(ws_);
    if (!ws_.host().AutoBackUp(ws_)) return BatchEnd::NotRun;
    return DoBatchImageProcess();
}

BatchEnd BatchInterpreter::DoBatchImageProcess() {
    RunningFlag running(ws_);
    ws_.clearBuffers();
    trace_ = false;
    loop_ = false;
    // A script's first lines must not depend on what the effects dialog left.
    ws_.EffectValue1 = ws_.EffectValue2 = ws_.EffectValue3 = 0;
    BatchEnd end = BatchEnd::Finished;
    do {
        const std::vector<std::string> lines = host_.scriptLines();
        // An emptied script would otherwise spin without ever reaching a line.
        if (lines.empty()) break;
        ws_.StopRequested = false;
        ws_.CancelRequested = false;
        unsaved_.clear();
        Step step = runPass(lines);
        if (step == Step::Continue && loop_) {
            // Esc during the last line ends the run rather than being forgotten
            // when the next pass clears the flags.
            host_.processEvents(ws_);
            if (ws_.StopRequested || ws_.CancelRequested) step = Step::Abort;
        }
        if (step == Step::Abort) {
            saveMarker_ = false;
            loop_ = false;
            end = BatchEnd::Aborted;
        } else if (step == Step::EndRun) {
            loop_ = false;
            end = BatchEnd::ListDone;
        } else {
            end = BatchEnd::Finished;
        }
    } while (loop_);
    ws_.ScratchBitmap.clear();
    ws_.BackupBitmap.clear();
    ws_.UndoBitmap.clear();
    return end;
}

BatchInterpreter::Step BatchInterpreter::runPass(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        host_.processEvents(ws_);
        if (ws_.StopRequested || ws_.CancelRequested) return Step::Abort;
        const Step step = runLine(line);
        if (step != Step::Continue) return step;
    }
    return Step::Continue;
}

BatchInterpreter::Step BatchInterpreter::runLine(const std::string& line) {
    ws_.ForceTrueColor();
    const ParsedBipLine parsed = ParseBipLine(line, ws_);
    if (parsed.keyword.empty()) return Step::Continue;
    const Command* command = FindBipCommand(parsed.keyword);
    const bool beforeTrace = RunsBeforeTracePoint(command);
    if (trace_ && !beforeTrace && traceQuestion(parsed.keyword) == Step::Abort) return Step::Abort;
    if (command != nullptr && RunBipCommand(*command, ws_).outcome == BipOutcome::Control) {
        const Step step = runControl(command->control);
        if (step != Step::Continue) return step;
    }
    if (trace_ && beforeTrace) return traceQuestion(parsed.keyword);
    return Step::Continue;
}

BatchInterpreter::Step BatchInterpreter::traceQuestion(std::string_view keyword) {
    host_.refreshView(ws_);
    std::string text(keyword);
    text += "\n\n";
    text += kAbortBatch;
    return ask(text);
}

BatchInterpreter::Step BatchInterpreter::ask(std::string_view text, MessageKind kind) {
    return host_.ask(kind, text, ChoiceSet::YesNo) == Choice::Yes ? Step::Abort : Step::Continue;
}

BatchInterpreter::Step BatchInterpreter::runControl(ControlStep step) {
    switch (step) {
        case ControlStep::None:
            break;
        case ControlStep::Reload:
            return reload();
        case ControlStep::NoModifyFlag:
            ws_.Modified = false;
            break;
        case ControlStep::Next:
        case ControlStep::Previous:
            return navigate(step == ControlStep::Next);
        case ControlStep::Prompt:
            // Under trace the trace question has been asked for this line already.
            if (!trace_) return ask("\n" + std::string(kAbortBatch));
            break;
        case ControlStep::Trace:
            trace_ = true;
            break;
        case ControlStep::PromptString:
            return ask(ws_.BatchString + "\n" + std::string(kAbortBatch));
        case ControlStep::PromptNotFileString:
            return fileStringPrompt(false);
        case ControlStep::PromptHasFileString:
            return fileStringPrompt(true);
        case ControlStep::Delete:
            return deleteCurrent();
        case ControlStep::Loop:
            loop_ = true;
            break;
        case ControlStep::Crop:
            return crop();
        case ControlStep::Save:
            return save();
        case ControlStep::ClearBuffers:
            ws_.clearBuffers();
            host_.forgetUndo(ws_);
            break;
        case ControlStep::TrueColor:
        case ControlStep::Refresh:
            if (step == ControlStep::TrueColor) ws_.ForceTrueColor();
            host_.refreshView(ws_);
            host_.updateCaption(ws_);
            break;
    }
    return Step::Continue;
}

BatchInterpreter::Step BatchInterpreter::reload() {
    ws_.Modified = false;
    const std::string path = ws_.CurrentFileName;
    if (!host_.loadFile(ws_, path, LoadReason::Reload)) return Step::Continue;
    if (ws_.Image.depth() != 24) {
        host_.setUndoBitDepth(ws_, 24);
        ws_.ForceTrueColor();
        host_.processEvents(ws_);
        host_.sleepMs(133);
    }
    return Step::Continue;
}

BatchInterpreter::Step BatchInterpreter::navigate(bool forward) {
    const Loader load = [this](const std::string& path) {
        return host_.loadFile(ws_, path, LoadReason::Navigate);
    };
    Step step = Step::Continue;
    if (forward && options.stopWhenNextWraps) {
        // One entry or none: there is no next file, so the sweep is over.
        if (bookmarks_.size() <= 1 || NavigateNext(bookmarks_, load, AtEnd::Stop).wrapped) {
            step = Step::EndRun;
        }
    } else if (forward) {
        NavigateNext(bookmarks_, load);
    } else {
        NavigatePrevious(bookmarks_, load);
    }
    if (!bookmarks_.empty()) host_.showPath(bookmarks_[size_t(bookmarks_.BookmarkIndex())]);
    return step;
}

BatchInterpreter::Step BatchInterpreter::fileStringPrompt(bool asksWhenContained) {
    const std::string& s = ws_.BatchString;
    // An empty text is never found, as in the original string search.
    const bool contained = !s.empty() && BipUpper(ws_.CurrentFileName).find(BipUpper(s)) != std::string::npos;
    if (contained != asksWhenContained) return Step::Continue;
    std::string text(NamePart(ws_.CurrentFileName));
    text += contained ? " contains " : " does not contain ";
    text += "\"" + s + "\"\nAbort?";
    return ask(text, MessageKind::Warning);
}

BatchInterpreter::Step BatchInterpreter::deleteCurrent() {
    const std::string path = ws_.CurrentFileName;
    if (!BookmarkFileExists(path)) return Step::Continue;
    const bool unsaved = std::any_of(unsaved_.begin(), unsaved_.end(),
                                     [&](const std::string& u) { return SamePath(u, path); });
    if (unsaved) {
        std::string text(NamePart(path));
        text += " was not saved, so it is not deleted.\n\nBatch processing stopped.";
        host_.ask(MessageKind::Warning, text, ChoiceSet::Ok);
        return Step::Abort;
    }
    host_.deleteFile(path);
    return Step::Continue;
}

BatchInterpreter::Step BatchInterpreter::crop() {
    ws_.ForceTrueColor();
    ws_.SelectionRect = UnpackCrop(ws_.EffectValue1, ws_.EffectValue2);
    if (!CropWorkingImage(ws_, ws_.SelectionRect)) return Step::Continue;
    host_.refreshView(ws_);
    host_.updateCaption(ws_);
    return Step::Continue;
}

BatchInterpreter::Step BatchInterpreter::save() {
    saveSuffix_ = ws_.BatchString;
    if (BipUpper(saveSuffix_) == keyword::SAVE) saveSuffix_.clear();

    SaveRequest request;
    request.sourceFile = ws_.CurrentFileName;
    request.suffix = saveSuffix_;
    request.suggestedName = SuggestedSaveName(request.sourceFile, saveSuffix_);
    if (saveMarker_ && !saveSuffix_.empty() && host_.lastSaveTypeIsBmp()) {
        std::string folder = host_.lastSaveFolder();
        if (!folder.empty() && !folder.ends_with('/')) folder += '/';
        request.silentPath = folder + SilentSaveName(request.suggestedName);
        request.silentWouldReplaceSource = SameFile(request.silentPath, request.sourceFile);
        request.silent = !request.silentWouldReplaceSource;
    }

    const BatchSaveResult result = host_.save(ws_, request);
    switch (result.outcome) {
        case SaveOutcome::Completed:
            ws_.Modified = false;
            saveMarker_ = true;
            break;
        case SaveOutcome::Cancelled:
            // The user turned the dialog down: the next SAVE must show it again
            // rather than write silently.
            saveMarker_ = false;
            unsaved_.push_back(request.sourceFile);
            break;
        case SaveOutcome::Failed:
            saveMarker_ = true;
            unsaved_.push_back(request.sourceFile);
            break;
        case SaveOutcome::DiskFull:
            host_.ask(MessageKind::Warning,
                      DiskSpaceWarning(result.requiredBytes, result.freeBytes, "Save operation failed."),
                      ChoiceSet::Ok);
            ws_.CancelRequested = true;
            saveMarker_ = true;
            unsaved_.push_back(request.sourceFile);
            break;
    }
    return Step::Continue;
}

}  // namespace vimbra
