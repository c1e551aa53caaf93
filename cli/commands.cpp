#include "cli/commands.h"

#include <cstdio>
#include <exception>
#include <new>

#include "cli/image_io.h"
#include "imagefiles/file_info.h"

namespace vimbra::cli {
namespace {

int NotAvailable(Command command) {
    std::fprintf(stderr, "vimbra-cli: %s is not available yet\n",
                 std::string(CommandName(command)).c_str());
    return kExitFailure;
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
    return kExitFailure;
}

}  // namespace

int RunScript(const CliArgs& args) { return NotAvailable(args.command); }

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
