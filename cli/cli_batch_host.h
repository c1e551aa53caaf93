#pragma once
// The batch host of vimbra-cli run: questions answered from --answer, SAVE
// written into the output folder in the chosen format, every failure ending
// the run, Ctrl+C honoured between lines, and every run made finite. A save
// written behind is reported before anything that comes after it shows.
#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "batch/batch_host.h"
#include "batch/bookmarks.h"
#include "cli/run_command.h"
#include "cli/run_pipeline.h"
#include "cli/run_report.h"
#include "core/frame_host.h"

namespace vimbra::cli {

// Where SAVE writes: outDir (or the source's folder) / suggestedName, with
// "." + extension appended unless the name already ends so (case ignored).
std::string OutputPath(const std::string& sourceFile, const std::string& suggestedName,
                       const std::string& outDir, const std::string& extension);

struct CliHostSettings {
    std::string outDir;  // empty: each source's folder
    bool answerYes = false;
    const volatile std::sig_atomic_t* interrupt = nullptr;  // set by the SIGINT handler
    std::FILE* out = stdout;  // one line per file saved
    std::FILE* err = stderr;  // messages and questions
    bool overlap = false;     // read ahead and write behind (RunPipeline)

    // A part of a longer list, run beside the others (--jobs). Entries are
    // counted in this run's own list.
    // The operation values its first pass starts with.
    std::optional<std::array<int32_t, 3>> startValues;
    // Before a save of entry i writes; false: an earlier entry ended the run.
    std::function<bool(size_t entry)> writeTurn;
    // Everything of entry i has been reported; false: end the run.
    std::function<bool(size_t entry)> entryDone;

    // Once per entry the run reached, when it is done: what it wrote and how
    // it ended (--report, the progress line); called before entryDone.
    std::function<void(size_t entry, EntryRecord record)> entryEnd;
};

class CliBatchHost final : public BatchHost {
public:
    // The bookmark entries present now are the input files no SAVE may replace.
    CliBatchHost(Workspace& ws, const Bookmarks& bookmarks, std::vector<std::string> lines,
                 RunFileIo io, CliHostSettings settings);

    bool failed() const { return failed_; }
    bool interrupted() const { return interrupted_; }
    int savedCount() const { return saved_; }

    // Opens the first entry; false (reported) when it cannot be read.
    bool loadFirst(Workspace& ws);
    // Reports the save still being written and stops reading ahead.
    void finish();
    // Reports a save written behind; waits for it unless `onlyIfDone`. False
    // when that save failed, which has ended the run.
    bool settle(bool onlyIfDone = false);
    // The entry of the own list that is current.
    size_t entry() const { return entry_; }

    std::vector<std::string> scriptLines() override;
    Choice ask(MessageKind kind, std::string_view text, ChoiceSet choices) override;
    bool loadFile(Workspace& ws, const std::string& path, LoadReason reason) override;
    BatchSaveResult save(Workspace& ws, const SaveRequest& request) override;
    std::string lastSaveFolder() const override { return settings_.outDir; }
    bool lastSaveTypeIsBmp() const override { return io_.extension == "bmp"; }
    bool deleteFile(const std::string& path) override;
    void processEvents(Workspace& ws) override;
    // The pause only lets a display catch up; there is none.
    void sleepMs(int) override {}

private:
    using FileId = std::pair<unsigned long long, unsigned long long>;  // device, inode

    // Reports the failure of `entry` (default: the current one) and ends the run.
    void fail(const std::string& message, std::optional<size_t> entry = std::nullopt);
    const std::string* inputAt(const std::string& path) const;
    SaveOutcome report(const RunSave& written, const std::string& source);
    bool enter(const std::string& path);
    void readNext();
    // The entry tracking of entryEnd: `path` becomes current; entries before
    // it end (`upTo` false: only those without a save still being written).
    size_t entryOf(const std::string& path) const;
    void reach(size_t entry);
    void endEntries(size_t upTo, bool all);
    void noteFailure(size_t entry, const std::string& message);

    Workspace& ws_;
    const Bookmarks& bookmarks_;
    std::vector<std::string> lines_;
    RunFileIo io_;
    CliHostSettings settings_;
    std::map<FileId, std::string> inputs_;
    // Where each pass started; a pass never starts twice at the same entry.
    std::set<std::pair<int32_t, std::string>> passStarts_;
    std::map<std::string, std::string> writtenFrom_;  // output -> source
    bool failed_ = false, interrupted_ = false, stopped_ = false;
    int saved_ = 0;
    RunPipeline pipeline_;
    std::string writingFrom_;  // source of the save being written
    std::vector<std::string> list_;  // the entries as given
    size_t entry_ = 0;
    bool started_ = false;
    // A SAVE hands the picture over instead of copying it: every SAVE of the
    // script is followed by NEXT, which replaces the picture anyway.
    bool lendOnSave_ = false;
    bool readsAhead_ = false;  // the script has a NEXT to use the read ahead

    std::vector<EntryRecord> records_;  // with entryEnd: one per entry
    std::vector<std::chrono::steady_clock::time_point> starts_;
    size_t reached_ = 0, ended_ = 0;  // current entry; entries before ended_ are out
    bool reachedAny_ = false;
    size_t savingEntry_ = 0;  // the entry of the save under way
    std::optional<size_t> askingFor_;  // a warning about an earlier entry's save
};

// The workspace's host: operations' messages go to stderr instead of piling up.
class CliFrameHost final : public FrameHost {
public:
    explicit CliFrameHost(std::FILE* err = stderr) : err_(err) {}
    Answer Ask(MessageKind kind, std::string_view text, Buttons buttons) override;

    // Called before a message is shown; false drops it (the run has ended
    // before the operation that asks, had its saves been written at once).
    std::function<bool()> beforeMessage;

private:
    std::FILE* err_;
};

}  // namespace vimbra::cli
