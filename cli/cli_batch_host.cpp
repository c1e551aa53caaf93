#include "cli/cli_batch_host.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "batch/bip_line.h"

namespace vimbra::cli {
namespace {

namespace fs = std::filesystem;

// Questions start or end with blank lines meant for a dialog box.
std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && text.front() == '\n') text.remove_prefix(1);
    while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    return text;
}

void PrintQuestion(std::FILE* err, std::string_view text, const char* answer) {
    const std::string_view shown = Trimmed(text);
    std::fprintf(err, "%.*s%s\n", int(shown.size()), shown.data(), answer);
    std::fflush(err);
}

}  // namespace

std::string OutputPath(const std::string& sourceFile, const std::string& suggestedName,
                       const std::string& outDir, const std::string& extension) {
    const fs::path folder = outDir.empty() ? fs::path(sourceFile).parent_path() : fs::path(outDir);
    std::string name = suggestedName;
    if (!BipUpper(name).ends_with("." + BipUpper(extension))) name += "." + extension;
    return (folder / name).string();
}

CliBatchHost::CliBatchHost(Workspace& ws, const Bookmarks& bookmarks,
                           std::vector<std::string> lines, RunFileIo io,
                           CliHostSettings settings)
    : ws_(ws), bookmarks_(bookmarks), lines_(std::move(lines)), io_(std::move(io)),
      settings_(settings) {
    // By identity, so another spelling or a link to an input is caught too.
    for (const std::string& path : bookmarks_.entries()) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) inputs_.emplace(FileId(st.st_dev, st.st_ino), path);
    }
}

void CliBatchHost::fail(const std::string& message) {
    if (!message.empty()) {
        std::fprintf(settings_.err, "%s\n", message.c_str());
        std::fflush(settings_.err);
    }
    failed_ = true;
    ws_.CancelRequested = true;
}

const std::string* CliBatchHost::inputAt(const std::string& path) const {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return nullptr;
    const auto it = inputs_.find(FileId(st.st_dev, st.st_ino));
    return it == inputs_.end() ? nullptr : &it->second;
}

std::vector<std::string> CliBatchHost::scriptLines() {
    if (interrupted_ || failed_) return {};
    // LOOP without NEXT would redo one file for ever, and PREVIOUS never
    // wraps into an end: no pass starts twice on the same entry.
    if (!passStarts_.emplace(bookmarks_.BookmarkIndex(), ws_.CurrentFileName).second) return {};
    return lines_;
}

Choice CliBatchHost::ask(MessageKind kind, std::string_view text, ChoiceSet choices) {
    const char* shown = settings_.answerYes ? " [yes]" : " [no]";
    Choice choice = settings_.answerYes ? Choice::Yes : Choice::No;
    if (choices == ChoiceSet::Ok) {
        shown = "";
        choice = Choice::Ok;
        // The interpreter's own messages all tell of a failure (disk full,
        // a DELETE refused).
        if (kind == MessageKind::Warning || kind == MessageKind::Error) failed_ = true;
    } else if (choices == ChoiceSet::OkCancelIgnore) {
        // These ask "Continue?": the answer to "abort?" is the opposite.
        choice = settings_.answerYes ? Choice::Cancel : Choice::Ok;
    }
    PrintQuestion(settings_.err, text, shown);
    return choice;
}

bool CliBatchHost::loadFile(Workspace& ws, const std::string& path, LoadReason) {
    if (io_.load(ws, path)) return true;
    // The load's message may not name the file; with many files it must.
    fail("Batch processing stopped at " + path + ".");
    return false;
}

BatchSaveResult CliBatchHost::save(Workspace& ws, const SaveRequest& request) {
    const BatchSaveResult failedSave{SaveOutcome::Failed};
    if (request.suffix.find_first_of(std::string("/\0", 2)) != std::string::npos) {
        fail("Not saved: the suffix \"" + request.suffix + "\" names a folder.");
        return failedSave;
    }
    const std::string target =
        OutputPath(request.sourceFile, request.suggestedName, settings_.outDir, io_.extension);
    if (const std::string* input = inputAt(target)) {
        fail("Not saved: " + target + " would replace the input file " + *input + ".");
        return failedSave;
    }
    const RunSave written = io_.save(ws, target);
    switch (written.status) {
        case RunSave::Status::Saved: break;
        case RunSave::Status::DiskFull:
            failed_ = true;
            return BatchSaveResult{SaveOutcome::DiskFull, written.requiredBytes, written.freeBytes};
        case RunSave::Status::Failed:
            fail({});  // the save has printed why
            return failedSave;
    }
    const auto [it, first] = writtenFrom_.emplace(written.path, request.sourceFile);
    if (!first && it->second != request.sourceFile) {
        std::fprintf(settings_.err, "Warning: %s replaces the picture saved from %s.\n",
                     written.path.c_str(), it->second.c_str());
        it->second = request.sourceFile;
    }
    std::fprintf(settings_.out, "%s\n", written.path.c_str());
    std::fflush(settings_.out);
    ++saved_;
    return BatchSaveResult{SaveOutcome::Completed};
}

bool CliBatchHost::deleteFile(const std::string& path) {
    struct stat entry {}, st {};
    const bool plainFile = ::lstat(path.c_str(), &entry) == 0 && S_ISREG(entry.st_mode) &&
                           entry.st_nlink == 1 && ::stat(path.c_str(), &st) == 0;
    std::error_code ec;
    if (!fs::remove(path, ec)) {
        fail("Cannot delete " + path + ": " + (ec ? ec.message() : "it is gone") + ".");
        return false;
    }
    // Its inode may now be reused by an output, which is no input then.
    if (plainFile) inputs_.erase(FileId(st.st_dev, st.st_ino));
    return true;
}

void CliBatchHost::processEvents(Workspace& ws) {
    if (settings_.interrupt != nullptr && *settings_.interrupt != 0) {
        interrupted_ = true;
        ws.CancelRequested = true;
    }
}

Answer CliFrameHost::Ask(MessageKind, std::string_view text, Buttons buttons) {
    if (buttons == Buttons::Ok) {
        PrintQuestion(err_, text, "");
        return Answer::Yes;
    }
    PrintQuestion(err_, text, defaultAnswer == Answer::No ? " [no]" : " [yes]");
    return defaultAnswer;
}

}  // namespace vimbra::cli
