#include "cli/cli_batch_host.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "batch/bip_line.h"
#include "batch/interpreter.h"

namespace vimbra::cli {
namespace {

namespace fs = std::filesystem;

// Questions start or end with blank lines meant for a dialog box.
std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && text.front() == '\n') text.remove_prefix(1);
    while (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    return text;
}

// Lines that leave the picture alone, between a SAVE and its NEXT.
bool LeavesPicture(const std::string& keyword) {
    return keyword.empty() || keyword == "NOMODIFYFLAG";
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
    : ws_(ws), bookmarks_(bookmarks), lines_(std::move(lines)), io_(io),
      settings_(std::move(settings)), pipeline_(std::move(io), settings_.overlap),
      list_(bookmarks.entries()) {
    // By identity, so another spelling or a link to an input is caught too.
    for (const std::string& path : bookmarks_.entries()) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) inputs_.emplace(FileId(st.st_dev, st.st_ino), path);
    }
    Workspace scratch;
    std::vector<std::string> keywords;
    for (const std::string& line : lines_) keywords.push_back(ParseBipLine(line, scratch).keyword);
    lendOnSave_ = true;
    for (size_t i = 0; i < keywords.size(); ++i) {
        if (keywords[i] == "NEXT") readsAhead_ = true;
        if (keywords[i] != "SAVE") continue;
        size_t j = i + 1;
        while (j < keywords.size() && LeavesPicture(keywords[j])) ++j;
        if (j == keywords.size() || keywords[j] != "NEXT") lendOnSave_ = false;
    }
    if (settings_.entryEnd) {
        records_.resize(list_.size());
        for (size_t i = 0; i < list_.size(); ++i) records_[i].input = list_[i];
        starts_.resize(list_.size());
    }
}

size_t CliBatchHost::entryOf(const std::string& path) const {
    if (!reachedAny_) return 0;
    for (size_t i = reached_ + 1; i < list_.size(); ++i)
        if (list_[i] == path) return i;
    // Back to an entry already reached (PREVIOUS): it stays with the furthest.
    return reached_;
}

void CliBatchHost::reach(size_t entry) {
    if (records_.empty() || entry >= records_.size()) return;
    if (!reachedAny_ || entry > reached_) {
        for (size_t e = reachedAny_ ? reached_ + 1 : 0; e < entry; ++e) {
            records_[e].status = EntryRecord::Status::Skipped;
            records_[e].message = "Not visited by the script.";
        }
        reached_ = entry;
        reachedAny_ = true;
        starts_[entry] = std::chrono::steady_clock::now();
    }
}

void CliBatchHost::endEntries(size_t upTo, bool all) {
    if (records_.empty()) return;
    upTo = std::min(upTo, records_.size());
    for (; ended_ < upTo; ++ended_) {
        // A save still being written belongs to its entry.
        if (!all && pipeline_.writing() && savingEntry_ == ended_) break;
        EntryRecord& record = records_[ended_];
        if (record.status != EntryRecord::Status::Skipped)
            record.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::chrono::steady_clock::now() - starts_[ended_])
                                      .count();
        settings_.entryEnd(ended_, std::move(record));
    }
}

void CliBatchHost::noteFailure(size_t entry, const std::string& message) {
    if (records_.empty() || !reachedAny_) return;
    EntryRecord& record = records_[std::min(entry, records_.size() - 1)];
    record.status = EntryRecord::Status::Failed;
    if (record.message.empty()) record.message = message;
}

void CliBatchHost::fail(const std::string& message, std::optional<size_t> entry) {
    noteFailure(entry.value_or(reached_), message);
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
    if (interrupted_ || failed_ || stopped_) return {};
    // LOOP without NEXT would redo one file for ever, and PREVIOUS never
    // wraps into an end: no pass starts twice on the same entry.
    if (!passStarts_.emplace(bookmarks_.BookmarkIndex(), ws_.CurrentFileName).second) return {};
    if (settings_.startValues && !started_) {
        // A later part of a list goes on with the values the passes before
        // it would have left.
        ws_.EffectValue1 = (*settings_.startValues)[0];
        ws_.EffectValue2 = (*settings_.startValues)[1];
        ws_.EffectValue3 = (*settings_.startValues)[2];
    }
    started_ = true;
    return lines_;
}

Choice CliBatchHost::ask(MessageKind kind, std::string_view text, ChoiceSet choices) {
    // A failed save written behind has ended the run before this question.
    if (!settle()) return choices == ChoiceSet::YesNo ? Choice::Yes : Choice::Cancel;
    const char* shown = settings_.answerYes ? " [yes]" : " [no]";
    Choice choice = settings_.answerYes ? Choice::Yes : Choice::No;
    if (choices == ChoiceSet::Ok) {
        shown = "";
        choice = Choice::Ok;
        // The interpreter's own messages all tell of a failure (disk full,
        // a DELETE refused).
        if (kind == MessageKind::Warning || kind == MessageKind::Error) {
            failed_ = true;
            noteFailure(askingFor_.value_or(reached_), std::string(Trimmed(text)));
        }
    } else if (choices == ChoiceSet::OkCancelIgnore) {
        // These ask "Continue?": the answer to "abort?" is the opposite.
        choice = settings_.answerYes ? Choice::Cancel : Choice::Ok;
    }
    PrintQuestion(settings_.err, text, shown);
    return choice;
}

bool CliBatchHost::loadFirst(Workspace& ws) {
    if (list_.empty()) return false;
    return loadFile(ws, list_.front(), LoadReason::Navigate);
}

// Moves to the entry of `path` (first load or NEXT/PREVIOUS): in a part of a
// longer list every entry left behind is complete, its saves written.
bool CliBatchHost::enter(const std::string& path) {
    const size_t reached = entryOf(path);
    if (!settings_.entryDone) {
        reach(reached);
        endEntries(reached_, false);
        return true;
    }
    const bool first = !started_ && entry_ == 0 && !list_.empty() && list_.front() == path;
    if (first) {
        reach(0);
        return true;
    }
    if (!settle()) return false;
    size_t next = entry_ + 1;
    while (next < list_.size() && list_[next] != path) ++next;
    reach(reached);
    for (; entry_ < next && entry_ < list_.size(); ++entry_) {
        endEntries(entry_ + 1, true);
        if (!settings_.entryDone(entry_)) {
            stopped_ = true;
            ws_.CancelRequested = true;
            return false;
        }
    }
    return true;
}

void CliBatchHost::readNext() {
    if (!readsAhead_) return;
    const size_t next = size_t(bookmarks_.BookmarkIndex()) + 1;
    if (next < bookmarks_.size()) pipeline_.readAhead(bookmarks_[next]);
}

bool CliBatchHost::loadFile(Workspace& ws, const std::string& path, LoadReason reason) {
    if (failed_ || stopped_) return false;
    if (reason == LoadReason::Navigate && !enter(path)) return false;
    RunLoad loaded = pipeline_.read(path, reason == LoadReason::Navigate);
    if (loaded.ok) {
        loaded.apply(ws);
        if (reason == LoadReason::Navigate) readNext();
        return true;
    }
    if (!settle()) return false;
    noteFailure(reached_, loaded.message);
    std::fprintf(settings_.err, "%s\n", loaded.message.c_str());
    // The load's message may not name the file; with many files it must.
    fail("Batch processing stopped at " + path + ".");
    return false;
}

SaveOutcome CliBatchHost::report(const RunSave& written, const std::string& source) {
    switch (written.status) {
        case RunSave::Status::Saved: break;
        case RunSave::Status::DiskFull:
            failed_ = true;
            noteFailure(savingEntry_, DiskSpaceWarning(written.requiredBytes, written.freeBytes, "Save operation failed."));
            return SaveOutcome::DiskFull;
        case RunSave::Status::Failed:
            fail(written.message, savingEntry_);
            return SaveOutcome::Failed;
        case RunSave::Status::Skipped:
            stopped_ = true;
            ws_.CancelRequested = true;
            return SaveOutcome::Failed;
    }
    const auto [it, first] = writtenFrom_.emplace(written.path, source);
    if (!first && it->second != source) {
        std::fprintf(settings_.err, "Warning: %s replaces the picture saved from %s.\n",
                     written.path.c_str(), it->second.c_str());
        it->second = source;
    }
    std::fprintf(settings_.out, "%s\n", written.path.c_str());
    std::fflush(settings_.out);
    if (!records_.empty()) records_[std::min(savingEntry_, records_.size() - 1)].outputs.push_back(written.path);
    ++saved_;
    return SaveOutcome::Completed;
}

bool CliBatchHost::settle(bool onlyIfDone) {
    if (!pipeline_.writing() || (onlyIfDone && !pipeline_.writeDone())) return true;
    const RunSave written = pipeline_.collect();
    const SaveOutcome outcome = report(written, writingFrom_);
    if (outcome == SaveOutcome::DiskFull) {
        // Worded here as the interpreter words it for a save that returns at once.
        askingFor_ = savingEntry_;
        ask(MessageKind::Warning,
            DiskSpaceWarning(written.requiredBytes, written.freeBytes, "Save operation failed."),
            ChoiceSet::Ok);
        askingFor_.reset();
        ws_.CancelRequested = true;
    }
    if (!settings_.entryDone) endEntries(reached_, false);
    return outcome == SaveOutcome::Completed;
}

void CliBatchHost::finish() {
    settle();
    pipeline_.dropReadAhead();
    if (records_.empty() || !reachedAny_) return;
    EntryRecord& last = records_[reached_];
    if (last.status == EntryRecord::Status::Ok && !stopped_) {
        if (interrupted_ || (settings_.interrupt != nullptr && *settings_.interrupt != 0)) {
            last.status = EntryRecord::Status::Failed;
            last.message = "Interrupted.";
        } else if (ws_.CancelRequested) {
            // An operation failed and said why on stderr.
            last.status = EntryRecord::Status::Failed;
            last.message = "An operation failed; batch processing stopped.";
        }
    }
    // An entry the run ended before reaching it: its output is dropped.
    if (!stopped_) endEntries(reached_ + 1, true);
}

BatchSaveResult CliBatchHost::save(Workspace& ws, const SaveRequest& request) {
    const BatchSaveResult failedSave{SaveOutcome::Failed};
    if (!settle()) return failedSave;
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
    WriteTurn turn;
    if (settings_.writeTurn) turn = [check = settings_.writeTurn, e = entry_] { return check(e); };
    writingFrom_ = request.sourceFile;
    savingEntry_ = reached_;
    // A lent picture leaves the workspace empty (0 x 0) until NEXT loads.
    pipeline_.write(RunPicture{lendOnSave_ ? std::exchange(ws.Image, Bitmap()) : Bitmap(ws.Image),
                               ws.Metadata, ws.Modified},
                    target, std::move(turn));
    if (pipeline_.overlaps()) return BatchSaveResult{SaveOutcome::Completed};
    const RunSave written = pipeline_.collect();
    return BatchSaveResult{report(written, writingFrom_), written.requiredBytes, written.freeBytes};
}

bool CliBatchHost::deleteFile(const std::string& path) {
    if (!settle()) return false;
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
    // A save that has ended is reported now; a failed one ends the run here.
    settle(true);
    if (settings_.interrupt != nullptr && *settings_.interrupt != 0) {
        interrupted_ = true;
        ws.CancelRequested = true;
    }
}

Answer CliFrameHost::Ask(MessageKind, std::string_view text, Buttons buttons) {
    if (beforeMessage && !beforeMessage()) return buttons == Buttons::Ok ? Answer::Yes : defaultAnswer;
    if (buttons == Buttons::Ok) {
        PrintQuestion(err_, text, "");
        return Answer::Yes;
    }
    PrintQuestion(err_, text, defaultAnswer == Answer::No ? " [no]" : " [yes]");
    return defaultAnswer;
}

}  // namespace vimbra::cli
