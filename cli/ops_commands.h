#pragma once
// vimbra-cli's file commands: analyze, jpeg (read, strip-comments, strip-all,
// add-comment), batch-convert and rename. Each returns the exit status.
#include <string>
#include <string_view>
#include <vector>

namespace vimbra::cli {

// One file: the single-form report; two: both pictures and the verdict.
int AnalyzeFiles(const std::vector<std::string>& files, bool complexity);

// True for "jpeg", "batch-convert" and "rename".
bool IsFileOpsCommand(std::string_view command);
// argv without the program name, starting with the command.
int RunFileOpsCommand(const std::vector<std::string>& argv);

}  // namespace vimbra::cli
