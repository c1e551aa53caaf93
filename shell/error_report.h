#pragma once
// What the application's error handler makes of an error no command caught:
// a decoder failure of the current file, a medium that cannot be played, a
// failed save, or a fatal error. Texts only; the main window acts on them.
#include <string>

namespace vimbra {

enum class UncaughtKind {
    Decoder,     // the current file cannot be decoded: warning, blank picture, bookmark dropped
    Unplayable,  // the player gave up on the medium: warning (known media), bookmark dropped
    KeepPicture, // an error while the picture has unsaved edits: warning only, nothing dropped
    Fatal,       // anything else: recovery copies, report, the program ends
};

struct UncaughtDecision {
    UncaughtKind kind = UncaughtKind::Fatal;
    bool warn = true;  // Unplayable: only for the known media extensions
    std::string text;  // the warning (empty for Fatal: see FatalErrorText)
};

// `modified`: the working picture has unsaved edits; `saving`: a save is
// running. Either way the picture is kept, since a load of the current file
// (the only failure that may blank it) never runs with edits pending.
UncaughtDecision ClassifyUncaughtError(const std::string& message, const std::string& currentFile,
                                       bool modified, bool saving);

// The fatal error's report: the heading, the batch editor's advice when it was
// opened in this run, the last operation, the message and where the
// recovery copies went (`recovery` empty: none written).
std::string FatalErrorText(const std::string& message, const std::string& lastOperation,
                           bool batchEditorOpened, const std::string& recovery);

// The message of the exception being handled ("Unknown error" when it is not
// a std::exception). Call only inside a catch block or a terminate handler.
std::string CurrentExceptionMessage();

}  // namespace vimbra
