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
