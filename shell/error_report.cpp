#include "shell/error_report.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>
#include <string_view>

#include "imagefiles/load_dispatch.h"

namespace vimbra {
namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

}  // namespace

UncaughtDecision ClassifyUncaughtError(const std::string& message, const std::string& currentFile,
                                       bool modified, bool saving) {
    const std::string lower = Lower(message);
    const std::string ext = UpperExtension(currentFile);
    const std::filesystem::path path(currentFile);
    UncaughtDecision d;
    if (lower.find("jpeg") != std::string::npos || ext == ".WMF" || ext == ".EMF") {
        if (modified || saving) {
            d.kind = UncaughtKind::KeepPicture;
            d.text = message;
            return d;
        }
        d.kind = UncaughtKind::Decoder;
        d.text = message + "\nFilename:" + path.filename().string() + "\nLocation:" +
                 path.parent_path().string();
        return d;
    }
    if (lower == "unspecified error") {
        d.kind = UncaughtKind::Unplayable;
        d.warn = ClassifyFile(currentFile) == FileKind::Media;
        if (d.warn)
            d.text = path.filename().string() +
                     " could not be played.\nAn updated CODEC may be required or file is corrupted; see FAQ.";
        return d;
    }
    d.kind = UncaughtKind::Fatal;
    return d;
}

std::string FatalErrorText(const std::string& message, const std::string& lastOperation,
                           bool batchEditorOpened, const std::string& recovery) {
    std::string text = "Unexpected exception.  Please report following error.\n";
    if (batchEditorOpened)
        text +=
            "\nClick [Ignore] button to exit this dialog and save\nchanges to your Slide Album or "
            "(BIP) batch script.\nAfter saving, close then reactivate application.\n\n";
    text += lastOperation + "\n" + message;
    if (!recovery.empty()) text += "\n\n" + recovery;
    return text;
}

std::string CurrentExceptionMessage() {
    const std::exception_ptr current = std::current_exception();
    if (!current) return "Unknown error";
    try {
        std::rethrow_exception(current);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
    }
    return "Unknown error";
}

}  // namespace vimbra
