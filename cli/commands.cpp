#include "cli/commands.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <new>

#include "cli/image_io.h"
#include "cli/ops_commands.h"
#include "cli/run_command.h"
#include "imagefiles/file_info.h"

namespace vimbra::cli {
namespace {

int NotAvailable(Command command) {
    std::fprintf(stderr, "vimbra-cli: %s is not available yet\n",
                 std::string(CommandName(command)).c_str());
    return kExitFailure;
}

// The run's save: encoded wherever it is called, written only when its turn
// comes. A full disk is worded by the interpreter.
RunSave SaveForRun(const Bitmap& picture, const std::string& path, SaveFormat format,
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

RunLoad ReadForRun(const std::string& path) {
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

}  // namespace

int RunScript(const CliArgs& args) {
    return Guarded([&] {
        const auto format = SaveFormatFromNumber(args.format);
        if (!format) {
            PrintError("Unknown save format " + std::to_string(args.format) + ".");
            return kExitUsage;
        }
        RunFileIo io;
        io.extension = DefaultExtension(*format);
        io.read = ReadForRun;
        SaveOptions options = CliSaveOptions(args);
        options.batch = true;
        io.save = [format = *format, options](const Bitmap& picture, const std::string& path,
                                              const WriteTurn& turn) {
            return SaveForRun(picture, path, format, options, turn);
        };
        return RunBipScript(args, io);
    });
}

int Convert(const CliArgs& args) {
    return Guarded([&] {
        Workspace ws;
        if (!LoadForCli(ws, args.input)) return kExitFailure;
        const SaveResult saved = SaveForCli(ws, args.output, args.format, CliSaveOptions(args));
        if (!saved.ok()) return kExitFailure;
        std::printf("%s\n", saved.path.c_str());
        return kExitOk;
    });
}

int Info(const CliArgs& args) {
    return Guarded([&] {
        Workspace ws;
        LoadedFile facts;
        if (!LoadForCli(ws, args.input, &facts)) return kExitFailure;
        std::printf("%s\n", FileInfoText(FileInfoFor(ws, facts)).c_str());
        return kExitOk;
    });
}

int Analyze(const CliArgs& args) {
    std::vector<std::string> files{args.input};
    if (!args.output.empty()) files.push_back(args.output);
    return AnalyzeFiles(files, args.complexity);
}

}  // namespace vimbra::cli
