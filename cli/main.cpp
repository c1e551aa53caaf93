// vimbra-cli: parses the command line and hands over to one function per command.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/show_command.h"
#include "cli/ops_commands.h"

using namespace vimbra::cli;

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // The slideshow commands read their own options.
    if (!arguments.empty() && (arguments[0] == "show" || arguments[0] == "transition")) {
        const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
        return arguments[0] == "show" ? ShowCommand(rest) : TransitionCommand(rest);
    }
    if (!arguments.empty() && IsFileOpsCommand(arguments[0])) return RunFileOpsCommand(arguments);
    const ParseResult parsed = ParseArgs(arguments);
    if (!parsed.ok()) {
        std::fprintf(stderr, "vimbra-cli: %s\nTry 'vimbra-cli --help' for more information.\n",
                     parsed.error.c_str());
        return kExitUsage;
    }
    const CliArgs& args = parsed.args;
    switch (args.command) {
        case Command::Help:
            std::fputs(UsageText().c_str(), stdout);
            return kExitOk;
        case Command::Version:
            std::puts("vimbra-cli " VIMBRA_VERSION);
            return kExitOk;
        case Command::Run: return RunScript(args);
        case Command::Convert: return Convert(args);
        case Command::Info: return Info(args);
        case Command::Analyze: return Analyze(args);
        case Command::Print: return Print(args);
        case Command::Unzip: return Unzip(args);
        case Command::Thumbnails: return Thumbnails(args);
    }
    return kExitUsage;
}
