#include "cli/commands.h"

#include <cstdio>

namespace vimbra::cli {
namespace {

int NotAvailable(Command command) {
    std::fprintf(stderr, "vimbra-cli: %s is not available yet\n",
                 std::string(CommandName(command)).c_str());
    return kExitFailure;
}

}  // namespace

int RunScript(const CliArgs& args) { return NotAvailable(args.command); }
int Convert(const CliArgs& args) { return NotAvailable(args.command); }
int Info(const CliArgs& args) { return NotAvailable(args.command); }
int Analyze(const CliArgs& args) { return NotAvailable(args.command); }

}  // namespace vimbra::cli
