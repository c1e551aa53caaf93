#pragma once
// vimbra-cli run: a BIP script over the files given, without a display.
// The load and save come in as callbacks so the run logic stays testable
// without real files.
#include <cstdint>
#include <functional>
#include <string>

#include "cli/cli_args.h"
#include "core/workspace.h"

namespace vimbra::cli {

// Ctrl+C ended the run (128 + SIGINT, as shells report it).
inline constexpr int kExitInterrupted = 130;

struct RunSave {
    enum class Status { Saved, DiskFull, Failed } status = Status::Failed;
    std::string path;                           // the file written
    uint64_t requiredBytes = 0, freeBytes = 0;  // DiskFull
};

// The load and save dispatches. Both print their own failure text; a
// DiskFull save prints nothing (the interpreter words that warning).
struct RunFileIo {
    std::function<bool(Workspace&, const std::string& path)> load;
    std::function<RunSave(Workspace&, const std::string& path)> save;
    std::string extension;  // of the output format, without the dot
};

// Exit status: 0 done, 1 a failure (message on stderr), 130 interrupted.
int RunBipScript(const CliArgs& args, const RunFileIo& io);

}  // namespace vimbra::cli
