#include "cli/run_command.h"

#include <signal.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "batch/bip_line.h"
#include "batch/bookmarks.h"
#include "batch/interpreter.h"
#include "cli/cli_batch_host.h"
#include "cli/commands.h"

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

}  // namespace

int RunBipScript(const CliArgs& args, const RunFileIo& io) {
    std::vector<std::string> lines;
    if (!args.script.empty() && !ReadScript(args.script, lines)) return kExitFailure;
    lines.insert(lines.end(), args.lines.begin(), args.lines.end());
    if (!CheckInputs(args)) return kExitFailure;

    CliFrameHost frame;
    Workspace ws(frame);
    Bookmarks bookmarks;
    bookmarks.replace(args.files, 0);
    const InterruptHandler interrupt;
    if (!io.load(ws, args.files.front())) {
        Print("Batch processing stopped at " + args.files.front() + ".");
        return kExitFailure;
    }

    CliHostSettings settings;
    settings.outDir = args.outDir;
    settings.answerYes = args.answerYes;
    settings.interrupt = &gInterrupted;
    CliBatchHost host(ws, bookmarks, std::move(lines), io, settings);
    BatchInterpreter interpreter(ws, bookmarks, host);
    interpreter.options.stopWhenNextWraps = true;
    if (gInterrupted == 0) interpreter.DoBatchImageProcess();

    if (gInterrupted != 0) {
        Print("Interrupted: batch processing stopped.");
        return kExitInterrupted;
    }
    // An operation that failed has printed why and cancelled the run.
    return host.failed() || ws.CancelRequested ? kExitFailure : kExitOk;
}

}  // namespace vimbra::cli
