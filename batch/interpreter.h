#pragma once
// The BIP interpreter: runs the script line by line on the working picture,
// pass after pass while LOOP asks for it, moving through the bookmark list,
// saving, asking and deleting through a BatchHost.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch_host.h"
#include "batch/bookmarks.h"
#include "core/workspace.h"

namespace vimbra {

enum class ControlStep : uint8_t;

struct BatchOptions {
    // A NEXT that would wrap from the last entry to the first (or finds no other
    // entry to go to) ends the run instead: one sweep over the list.
    bool stopWhenNextWraps = false;
    // Settings that change results; the main-menu Perform warns about them.
    bool aspectCorrection = false;
    int screenGamma = 100;
};

// How a run ended.
enum class BatchEnd {
    NotRun,    // a start condition failed; nothing happened
    Finished,  // the last line of a pass without LOOP
    Aborted,   // Esc, a click, Yes to a prompt, a refused DELETE, a failure
    ListDone,  // NEXT reached the end with stopWhenNextWraps
};

// Owned for the whole program run: the save marker and the silenced start
// warning outlive a single run.
class BatchInterpreter {
public:
    BatchInterpreter(Workspace& ws, Bookmarks& bookmarks, BatchHost& host);

    BatchOptions options;

    // Tools > Batch > Perform (F9): needs RecordingActive, warns about settings
    // that change results, then performs as the editor does.
    BatchEnd onPerformBatch();
    // The editor's Perform: nothing for an empty script; otherwise an undo copy,
    // then the run with BatchRunning set.
    BatchEnd onPerformBatchStep();
    // One run; BatchRunning is set while it lasts, whatever way it ends. The
    // operation values start at 0 and keep the last line's values afterwards.
    BatchEnd DoBatchImageProcess();

    bool saveMarker() const { return saveMarker_; }
    void setSaveMarker(bool on) { saveMarker_ = on; }
    bool warningsSilenced() const { return warningsSilenced_; }
    bool BatchTrace() const { return trace_; }
    bool BatchLoop() const { return loop_; }
    const std::string& SaveSuffix() const { return saveSuffix_; }

private:
    enum class Step { Continue, Abort, EndRun };

    Step runPass(const std::vector<std::string>& lines);
    Step runLine(const std::string& line);
    Step runControl(ControlStep step);
    Step traceQuestion(std::string_view keyword);
    Step ask(std::string_view text, MessageKind kind = MessageKind::Confirmation);
    Step reload();
    Step navigate(bool forward);
    Step fileStringPrompt(bool wantContained);
    Step deleteCurrent();
    Step crop();
    Step save();

    Workspace& ws_;
    Bookmarks& bookmarks_;
    BatchHost& host_;
    bool saveMarker_ = false;
    bool warningsSilenced_ = false;
    bool trace_ = false;
    bool loop_ = false;
    std::string saveSuffix_;
    // Files whose edited picture a SAVE of this pass did not write.
    std::vector<std::string> unsaved_;
};

// Name part of the path without its extension, followed by the suffix.
std::string SuggestedSaveName(std::string_view currentFileName, std::string_view suffix);
// The silent save's file name: ".bmp" appended unless it ends so in any case.
std::string SilentSaveName(std::string_view suggestedName);
// "Insufficient disk space." with the sizes in Kb, then the closing line.
std::string DiskSpaceWarning(uint64_t requiredBytes, uint64_t freeBytes, std::string_view closing);

}  // namespace vimbra
