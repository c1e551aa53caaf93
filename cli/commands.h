#pragma once
// One entry point per vimbra-cli command; each returns the process exit status
// (0 success, 1 bad file or failed save) and writes its messages itself.
#include "cli/cli_args.h"

namespace vimbra::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

int RunScript(const CliArgs& args);
int Convert(const CliArgs& args);
int Info(const CliArgs& args);
int Analyze(const CliArgs& args);
int Print(const CliArgs& args);
int Unzip(const CliArgs& args);
int Thumbnails(const CliArgs& args);

}  // namespace vimbra::cli
