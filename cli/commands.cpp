#include "cli/commands.h"

#include <cstdio>
#include <exception>
#include <new>

#include "cli/image_io.h"
#include "cli/run_command.h"
#include "imagefiles/file_info.h"

namespace vimbra::cli {
namespace {

int NotAvailable(Command command) {
    std::fprintf(stderr, "vimbra-cli: %s is not available yet\n",
                 std::string(CommandName(command)).c_str());
    return kExitFailure;
}

// A batch save keeps CurrentFileName; a full disk is worded by the interpreter.
RunSave SaveForRun(Workspace& ws, const std::string& path, SaveFormat format,
                   const CliArgs& args) {
    SaveOptions options = CliSaveOptions(args);
    options.batch = true;
    const SaveResult saved = SaveImageFile(ws, path, format, options);
    RunSave out;
    out.path = saved.path;
    switch (saved.status) {
        case SaveStatus::Saved: out.status = RunSave::Status::Saved; break;
        case SaveStatus::DiskFull:
            out.status = RunSave::Status::DiskFull;
            out.requiredBytes = saved.requiredBytes;
            out.freeBytes = saved.freeBytes;
            break;
        case SaveStatus::Failed:
            PrintError(saved.detail.empty() ? saved.message : saved.message + "\n" + saved.detail);
            break;
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
        io.load = [](Workspace& ws, const std::string& path) {
            if (!LoadForCli(ws, path)) return false;
            // A metafile loads as "Untitled"; its outputs still take its name.
            ws.CurrentFileName = path;
            return true;
        };
        io.save = [&](Workspace& ws, const std::string& path) {
            return SaveForRun(ws, path, *format, args);
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

int Analyze(const CliArgs& args) { return NotAvailable(args.command); }

}  // namespace vimbra::cli
