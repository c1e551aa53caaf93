#pragma once
// Loading and saving for the vimbra-cli commands: the dispatches do the work,
// their messages go to stderr as the program's own text.
#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <string>

#include "cli/cli_args.h"
#include "cli/run_command.h"
#include "core/workspace.h"
#include "imagefiles/jpeg_settings.h"
#include "imagefiles/load_dispatch.h"
#include "imagefiles/save_dispatch.h"

namespace vimbra::cli {

inline void PrintError(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
}

// No exception may end the process: it becomes a message and status 1.
template <typename Body>
int Guarded(Body body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        PrintError("Not enough memory.");
    } catch (const std::exception& e) {
        PrintError(e.what());
    }
    return 1;
}

// Loads the first page at full size and depth; false (message printed) on failure.
inline bool LoadForCli(Workspace& ws, const std::string& path, LoadedFile* facts = nullptr) {
    const LoadResult loaded = LoadImageFile(ws, path);
    if (!loaded) {
        PrintError(loaded.message);
        return false;
    }
    if (facts) *facts = loaded.file;
    return true;
}

inline SaveOptions CliSaveOptions(const CliArgs& args) {
    SaveOptions options;
    const bool modern = args.format >= kFormatWebp && args.format <= kFormatCount;
    options.quality = args.quality.value_or(modern ? kModernDefaultQuality : kDefaultDialogQuality);
    return options;
}

// Saves in save-format `format` (1..kFormatCount); prints the failure and returns it.
inline SaveResult SaveForCli(Workspace& ws, const std::string& path, int format,
                             const SaveOptions& options) {
    SaveResult result;
    const auto saveFormat = SaveFormatFromNumber(format);
    if (!saveFormat) {
        result.message = "Unknown save format " + std::to_string(format) + ".";
        PrintError(result.message);
        return result;
    }
    result = SaveImageFile(ws, path, *saveFormat, options);
    if (!result.ok())
        PrintError(result.detail.empty() ? result.message : result.message + "\n" + result.detail);
    return result;
}

// The run's save: encoded wherever it is called, written only when its turn
// comes. A full disk is worded by the interpreter.
inline RunSave SaveForRun(const Bitmap& picture, const std::string& path, SaveFormat format,
                   const SaveOptions& options, const WriteTurn& turn) {
    EncodedSave encoded = EncodeSave(picture, path, format, options);
    RunSave out;
    if (turn && !turn()) {
        out.status = RunSave::Status::Skipped;
        return out;
    }
    const SaveResult saved = CommitSave(std::move(encoded), format, options);
    out.path = saved.path;
    switch (saved.status) {
        case SaveStatus::Saved: out.status = RunSave::Status::Saved; break;
        case SaveStatus::DiskFull:
            out.status = RunSave::Status::DiskFull;
            out.requiredBytes = saved.requiredBytes;
            out.freeBytes = saved.freeBytes;
            break;
        case SaveStatus::Failed:
            out.message = saved.detail.empty() ? saved.message : saved.message + "\n" + saved.detail;
            break;
    }
    return out;
}

inline RunLoad ReadForRun(const std::string& path) {
    auto read = std::make_shared<PictureRead>(ReadForLoad(path));
    RunLoad out;
    out.ok = read->result.ok;
    out.message = read->result.message;
    if (out.ok) {
        out.apply = [read, path](Workspace& ws) {
            ApplyRead(ws, path, std::move(*read));
            // A metafile loads as "Untitled"; its outputs still take its name.
            ws.CurrentFileName = path;
        };
    }
    return out;
}

}  // namespace vimbra::cli
