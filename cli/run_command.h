#pragma once
// vimbra-cli run: a BIP script over the files given, without a display.
// While one picture is edited the next is read ahead and the last save is
// written behind, with every result reported in the order a plain run has.
#include <cstdint>
#include <functional>
#include <string>

#include "cli/cli_args.h"
#include "core/workspace.h"

namespace vimbra::cli {

// Ctrl+C ended the run (128 + SIGINT, as shells report it).
inline constexpr int kExitInterrupted = 130;

struct RunSave {
    // Skipped: not written, as a failure before it has ended the run.
    enum class Status { Saved, DiskFull, Failed, Skipped } status = Status::Failed;
    std::string path;                           // the file written
    uint64_t requiredBytes = 0, freeBytes = 0;  // DiskFull
    std::string message;                        // Failed: the text to print
};

// A picture read, to be made the working picture on the run's own thread.
struct RunLoad {
    bool ok = false;
    std::string message;                    // the failure text to print
    std::function<void(Workspace&)> apply;  // set when ok
};

// The working picture as a SAVE found it: its pixels, what its file carried,
// and whether it was edited since it was read.
struct RunPicture {
    Bitmap image;
    PictureMetadata metadata;
    bool modified = false;
};

// Asked by a save just before it writes: false when the run has ended before
// this save's turn came, so nothing may be written.
using WriteTurn = std::function<bool()>;

// The load and save, split from the run so it stays testable without real
// files. Both may run on a worker thread and print nothing themselves; a
// DiskFull save carries no message (the interpreter words that warning). The
// save owns its picture and may let it go as soon as it is encoded.
struct RunFileIo {
    std::function<RunLoad(const std::string& path)> read;
    std::function<RunSave(RunPicture picture, const std::string& path, const WriteTurn& turn)> save;
    std::string extension;  // of the output format, without the dot
};

// Exit status: 0 done, 1 a failure (message on stderr), 130 interrupted.
int RunBipScript(const CliArgs& args, const RunFileIo& io);

// The output folder, made with its parents when missing; false with a
// message in `error` when it cannot be.
bool MakeOutputFolder(const std::string& folder, std::string& error);

// The progress line is wanted: stderr is a terminal and --quiet not given.
bool ShowsProgress(bool quiet);

}  // namespace vimbra::cli
