#pragma once
// What a BIP run needs from whoever drives it: the main window with its
// dialogs and editor, the command-line runner, or a test. The interpreter
// itself never touches a file, a dialog or the event loop.
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/frame_host.h"

namespace vimbra {

class Workspace;

// The buttons of a batch question and the one pressed.
enum class ChoiceSet { Ok, YesNo, OkCancelIgnore };
enum class Choice { Ok, Yes, No, Cancel, Ignore };

// Why a file is loaded: RELOAD (onReload) or NEXT/PREVIOUS
// (onNextImage, onPreviousImage; the GUI may ask about unsaved changes).
enum class LoadReason { Reload, Navigate };

// One SAVE line, as the save command (onSave) is to carry it out.
struct SaveRequest {
    std::string sourceFile;     // CurrentFileName, the picture's own file
    std::string suffix;         // SaveSuffix, possibly empty
    std::string suggestedName;  // name part of sourceFile without extension + suffix
    // Write BMP to silentPath without a dialog, replacing an existing file.
    bool silent = false;
    std::string silentPath;  // lastSaveFolder() + "/" + SilentSaveName(suggestedName)
    // The silent target would be sourceFile itself, so silent is false: the host
    // must let the user choose (dialog) or refuse, never write over the source.
    bool silentWouldReplaceSource = false;
};

enum class SaveOutcome {
    Completed,  // written
    Cancelled,  // the dialog or its overwrite question was cancelled
    Failed,     // the host has reported the failure itself
    DiskFull,   // nothing written; the interpreter shows the disk-space warning
};

struct BatchSaveResult {
    SaveOutcome outcome = SaveOutcome::Completed;
    uint64_t requiredBytes = 0, freeBytes = 0;  // DiskFull only
};

// A host that wants a failed load or save to end the run sets
// ws.CancelRequested: the run stops before its next line.
class BatchHost {
public:
    virtual ~BatchHost() = default;

    // The script's lines, taken afresh at the start of every pass so that edits
    // made in the editor during a pass count from the next one.
    virtual std::vector<std::string> scriptLines() = 0;

    // A modal question or message; returns the button pressed.
    virtual Choice ask(MessageKind kind, std::string_view text, ChoiceSet choices) = 0;

    // Opens a file as the working picture (load dispatch). On success the
    // picture and CurrentFileName are the file's; on failure both stay.
    virtual bool loadFile(Workspace& ws, const std::string& path, LoadReason reason) = 0;

    // The save command for a SAVE line. A Completed save leaves the file written
    // and the workspace's CurrentFileName unchanged.
    virtual BatchSaveResult save(Workspace& ws, const SaveRequest& request) = 0;
    // Folder chosen in the last Save Image As dialog (the silent save's target).
    virtual std::string lastSaveFolder() const = 0;
    // The type last chosen in that dialog is the first, "BMP (Windows Bitmap)".
    virtual bool lastSaveTypeIsBmp() const = 0;

    // Permanently, without confirmation or progress. False when it failed.
    virtual bool deleteFile(const std::string& path) = 0;

    // Lets pending input through (Esc, clicks); may set StopRequested or
    // CancelRequested. Called between lines.
    virtual void processEvents(Workspace&) {}
    // Pauses the run (after RELOAD of a picture that was not 24-bit).
    virtual void sleepMs(int milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }

    virtual void refreshView(Workspace&) {}
    virtual void updateCaption(Workspace&) {}
    // The path box shows this bookmark entry.
    virtual void showPath(const std::string&) {}
    // The editor's Perform brings the main window to the front first.
    virtual void showMainWindow() {}
    // The undo copy is gone (CLEARBUFFERS).
    virtual void forgetUndo(Workspace&) {}
    // RELOAD turned a picture of another depth into 24 bits: the depth recorded
    // with the undo copy becomes 24 too.
    virtual void setUndoBitDepth(Workspace&, int) {}
};

}  // namespace vimbra
