#include "cli/run_command.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include "batch/bip_line.h"
#include "batch/bookmarks.h"
#include "batch/interpreter.h"
#include "batch/script_split.h"
#include "cli/cli_batch_host.h"
#include "cli/commands.h"
#include "cli/run_parts.h"
#include "cli/run_report.h"

namespace vimbra::cli {
namespace {

namespace fs = std::filesystem;

// Far beyond any script, small enough that a wrong file is refused, not read.
constexpr uintmax_t kMaxScriptBytes = 64u << 20;

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) { gInterrupted = 1; }

// Ctrl+C asks the run to stop after the current line; the handler resets
// itself, so a second Ctrl+C ends a line that takes too long.
class InterruptHandler {
public:
    InterruptHandler() {
        gInterrupted = 0;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND | SA_RESTART;
        installed_ = sigaction(SIGINT, nullptr, &old_) == 0 && old_.sa_handler != SIG_IGN &&
                     sigaction(SIGINT, &action, nullptr) == 0;
    }
    ~InterruptHandler() {
        if (installed_) sigaction(SIGINT, &old_, nullptr);
    }
    InterruptHandler(const InterruptHandler&) = delete;
    InterruptHandler& operator=(const InterruptHandler&) = delete;

private:
    struct sigaction old_ {};
    bool installed_ = false;
};

void Print(const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); }

std::string NameOf(const std::string& path) {
    const std::string name = fs::path(path).filename().string();
    return name.empty() ? path : name;
}

// The script file's lines, read as bytes (CR LF, CR or LF end a line).
bool ReadScript(const std::string& path, std::vector<std::string>& lines) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        Print(NameOf(path) + " not found.");
        return false;
    }
    const uintmax_t size = fs::file_size(path, ec);
    if (!ec && size > kMaxScriptBytes) {
        Print(NameOf(path) + " is too large for a script.");
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
        Print("Cannot read " + NameOf(path) + ".");
        return false;
    }
    lines = SplitBipScript(text);
    return true;
}

// Everything that can be checked before the first picture is touched.
bool CheckInputs(const CliArgs& args) {
    std::error_code ec;
    if (!args.outDir.empty() && !fs::is_directory(args.outDir, ec)) {
        Print("Output folder " + args.outDir + " not found.");
        return false;
    }
    bool allThere = true;
    for (const std::string& file : args.files) {
        if (BookmarkFileExists(file)) continue;
        Print(NameOf(file) + " not found.");
        allThere = false;
    }
    return allThere;
}

struct PartEnd {
    bool failed = false;
    bool loadFailed = false;  // the first picture could not be read
    bool stopped = false;     // ended before its list was done
    size_t entry = 0;         // the entry current at the end
};

// One interpreter over `files`: the whole list, or one part of it. `end` is
// filled in also when an exception leaves.
void RunPart(const std::vector<std::string>& files, const std::vector<std::string>& lines,
             const RunFileIo& io, CliHostSettings settings, PartEnd& end) {
    CliFrameHost frame(settings.err);
    Workspace ws(frame);
    Bookmarks bookmarks;
    bookmarks.replace(files, 0);
    settings.interrupt = &gInterrupted;
    CliBatchHost host(ws, bookmarks, lines, io, std::move(settings));
    frame.beforeMessage = [&host] { return host.settle(); };
    try {
        if (host.loadFirst(ws)) {
            BatchInterpreter interpreter(ws, bookmarks, host);
            interpreter.options.stopWhenNextWraps = true;
            if (gInterrupted == 0) interpreter.DoBatchImageProcess();
        } else {
            end.loadFailed = true;
        }
        host.finish();
    } catch (...) {
        // What was saved before is reported before the failure.
        end.entry = host.entry();
        end.failed = end.stopped = true;
        host.finish();
        throw;
    }
    end.entry = host.entry();
    // An operation that failed has said why and cancelled the run.
    end.failed = host.failed() || ws.CancelRequested;
    end.stopped = end.failed || host.interrupted() || gInterrupted != 0;
}

// Hands over what a part left: its current entry, ending the run there when
// the part stopped, else with the entries it never reached (nothing to show).
void FinishPart(OrderedEntries& order, const std::vector<size_t>& entries,
                CapturedOutput& captured, const PartEnd& end, std::vector<char>& failedAt) {
    size_t e = end.entry;
    if (e >= entries.size()) return;
    if (end.stopped) {
        failedAt[entries[e]] = end.failed ? 1 : 0;
        order.complete(entries[e], captured.take(), true);
        return;
    }
    order.complete(entries[e], captured.take(), false);
    for (++e; e < entries.size(); ++e) order.complete(entries[e], {}, false);
}

// The list as parts side by side; true when the run failed.
bool RunInParts(size_t parts, const CliArgs& args, const std::vector<std::string>& list,
                const std::vector<std::string>& lines, const RunFileIo& io,
                const ScriptSplit& split, bool continues, RunReporter& reporter,
                const ProgressLine& progress, bool tracked) {
    const size_t count = list.size();
    OrderedEntries order(count, progress.out(), progress.err(),
                         [&](size_t e, const std::string& line) { reporter.done(e, line); });
    std::vector<char> failedAt(count, 0);
    RunParts(parts, [&](size_t part) {
        const std::vector<size_t> entries = OrderedEntries::EntriesOf(part, parts, count);
        std::vector<std::string> files;
        for (size_t i : entries) files.push_back(list[i]);
        CapturedOutput captured;
        CliHostSettings settings;
        settings.outDir = args.outDir;
        settings.answerYes = args.answerYes;
        settings.out = captured.out();
        settings.err = captured.err();
        settings.overlap = !args.sequential;
        if (continues || entries.front() > 0) settings.startValues = split.laterValues;
        settings.writeTurn = [&](size_t e) { return order.waitTurn(entries[e]); };
        settings.entryDone = [&](size_t e) {
            return order.complete(entries[e], captured.take(), false);
        };
        if (tracked)
            settings.entryEnd = [&](size_t, EntryRecord record) {
                captured.add(OrderedEntries::kSideStream, ReportLine(record));
            };
        PartEnd end;
        try {
            RunPart(files, lines, io, settings, end);
        } catch (const std::bad_alloc&) {
            std::fprintf(captured.err(), "Not enough memory.\n");
        } catch (const std::exception& e) {
            std::fprintf(captured.err(), "%s\n", e.what());
        }
        FinishPart(order, entries, captured, end, failedAt);
    });
    const size_t endedAt = order.endedAt();
    return endedAt < count && failedAt[endedAt] != 0;
}

}  // namespace

bool MakeOutputFolder(const std::string& folder, std::string& error) {
    std::error_code ec;
    if (fs::is_directory(folder, ec)) return true;
    // A shard beside may make it meanwhile: only its absence afterwards counts.
    fs::create_directories(folder, ec);
    std::error_code made;
    if (fs::is_directory(folder, made)) return true;
    error = "Cannot make the output folder " + folder + ": " +
            (ec ? ec.message() : std::string("a file has that name")) + ".";
    return false;
}

bool ShowsProgress(bool quiet) { return !quiet && ::isatty(STDERR_FILENO) == 1; }

int RunBipScript(const CliArgs& args, const RunFileIo& io) {
    std::vector<std::string> lines;
    if (!args.script.empty() && !ReadScript(args.script, lines)) return kExitFailure;
    lines.insert(lines.end(), args.lines.begin(), args.lines.end());
    if (!CheckInputs(args)) return kExitFailure;

    std::vector<std::string> files = args.files;
    size_t parts = std::min<size_t>(size_t(std::max(args.jobs, 1)), files.size());
    ScriptSplit split;
    size_t shardStart = 0;
    if (args.shardCount > 0) {
        split = CheckScriptSplit(lines);
        if (args.shardCount > 1 && !split.ok()) {
            Print("Cannot run a shard: " + split.refusal);
            return kExitFailure;
        }
        files = ShardOf(std::move(files), size_t(args.shardIndex), size_t(args.shardCount),
                        &shardStart);
        if (files.empty()) return kExitOk;  // more shards than files
        parts = std::min(parts, files.size());
    }
    if (parts > 1) {
        split = CheckScriptSplit(lines);
        if (!split.ok()) {
            Print("Running with one job: " + split.refusal);
            parts = 1;
        }
    }
    ReturnLargeBlocksAtOnce();
    const PeakMemory peak;
    ProgressLine progress(files.size(), ShowsProgress(args.quiet));
    RunReporter reporter(files.size(), progress);
    if (std::string error; !args.report.empty() && !reporter.open(args.report, error)) {
        Print(error);
        return kExitFailure;
    }
    const bool tracked = !args.report.empty() || progress.enabled();
    // Whatever ends the run, every input has its line and the progress goes.
    struct Close {
        RunReporter& reporter;
        ProgressLine& progress;
        const std::vector<std::string>& files;
        Close(RunReporter& r, ProgressLine& p, const std::vector<std::string>& f)
            : reporter(r), progress(p), files(f) {}
        Close(const Close&) = delete;
        Close& operator=(const Close&) = delete;
        ~Close() {
            reporter.skipRest(files);
            progress.finish();
        }
    };
    std::optional<Close> close;
    close.emplace(reporter, progress, files);
    const InterruptHandler interrupt;
    bool failed = false, loadFailed = false;
    if (parts > 1) {
        failed = RunInParts(parts, args, files, lines, io, split, shardStart > 0, reporter,
                            progress, tracked);
    } else {
        CliHostSettings settings;
        settings.outDir = args.outDir;
        settings.answerYes = args.answerYes;
        settings.overlap = !args.sequential;
        settings.out = progress.out();
        settings.err = progress.err();
        if (shardStart > 0) settings.startValues = split.laterValues;
        if (tracked)
            settings.entryEnd = [&](size_t e, EntryRecord record) {
                reporter.done(e, ReportLine(record));
            };
        PartEnd end;
        RunPart(files, lines, io, settings, end);
        failed = end.failed;
        loadFailed = end.loadFailed;
    }
    close.reset();
    peak.printIfAsked();
    if (loadFailed) return kExitFailure;
    if (gInterrupted != 0) {
        Print("Interrupted: batch processing stopped.");
        return kExitInterrupted;
    }
    return failed ? kExitFailure : kExitOk;
}

}  // namespace vimbra::cli
