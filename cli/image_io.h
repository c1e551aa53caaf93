#pragma once
// Loading and saving for the vimbra-cli commands: the dispatches do the work,
// their messages go to stderr as the program's own text.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
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

// The load the command's --keep-orientation asks for.
inline LoadOptions CliLoadOptions(const CliArgs& args) {
    LoadOptions options;
    options.applyOrientation = !args.keepOrientation;
    return options;
}

// Loads the first page at full size and depth; false (message printed) on
// failure. Metadata that cannot be read is warned about and dropped.
inline bool LoadForCli(Workspace& ws, const std::string& path, LoadedFile* facts = nullptr,
                       const LoadOptions& options = {}) {
    const LoadResult loaded = LoadImageFile(ws, path, 0, options);
    if (!loaded) {
        PrintError(loaded.message);
        return false;
    }
    if (!loaded.file.metadataWarning.empty()) PrintError(loaded.file.metadataWarning);
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
// The working picture's metadata goes along unless `keepMetadata` is false.
inline SaveResult SaveForCli(Workspace& ws, const std::string& path, int format,
                             const SaveOptions& options, bool keepMetadata = true) {
    SaveResult result;
    const auto saveFormat = SaveFormatFromNumber(format);
    if (!saveFormat) {
        result.message = "Unknown save format " + std::to_string(format) + ".";
        PrintError(result.message);
        return result;
    }
    const auto metadata = MetadataToSave(ws, *saveFormat, keepMetadata);
    SaveOptions withMetadata = options;
    withMetadata.metadata = metadata ? &*metadata : nullptr;
    result = SaveImageFile(ws, path, *saveFormat, withMetadata);
    if (!result.ok())
        PrintError(result.detail.empty() ? result.message : result.message + "\n" + result.detail);
    return result;
}

// Rows 0..rows-1 of a picture no one reads again go back to the system (they
// read as zero after); the picture stays whole to free and destroy.
inline void ReleaseRows(Bitmap& picture, int rows) {
    const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (uintptr_t(picture.bits()) + page - 1) / page * page;
    const uintptr_t end = (uintptr_t(picture.bits()) + size_t(rows) * picture.stride()) / page * page;
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_DONTNEED);
}

// The run's save: encoded wherever it is called, written only when its turn
// comes. The picture is released row by row as the encoder takes it, and the
// rest once encoded. A full disk is worded by the interpreter.
inline RunSave SaveForRun(RunPicture picture, const std::string& path, SaveFormat format,
                          SaveOptions options, const WriteTurn& turn, bool keepMetadata = true) {
    const auto metadata =
        MetadataToSave(picture.metadata, picture.image, format, picture.modified, keepMetadata);
    options.metadata = metadata ? &*metadata : nullptr;
    options.rowsTaken = [&picture](int rows) { ReleaseRows(picture.image, rows); };
    EncodedSave encoded = EncodeSave(picture.image, path, format, options);
    picture.image = Bitmap();
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

// The warning about unreadable metadata is printed when the picture is made
// the working one, in the run's order.
inline RunLoad ReadForRun(const std::string& path, const LoadOptions& options = {}) {
    auto read = std::make_shared<PictureRead>(ReadForLoad(path, 0, options));
    RunLoad out;
    out.ok = read->result.ok;
    out.message = read->result.message;
    if (out.ok) {
        out.apply = [read, path](Workspace& ws) {
            const LoadResult applied = ApplyRead(ws, path, std::move(*read));
            if (!applied.file.metadataWarning.empty()) PrintError(applied.file.metadataWarning);
            // A metafile loads as "Untitled"; its outputs still take its name.
            ws.CurrentFileName = path;
        };
    }
    return out;
}

}  // namespace vimbra::cli
