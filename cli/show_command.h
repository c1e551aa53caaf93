#pragma once
// vimbra-cli show (list or render a script) and transition (one frame, or the
// effect list). Each takes the arguments after its command name.
#include <string>
#include <vector>

namespace vimbra::cli {

int ShowCommand(const std::vector<std::string>& args);
int TransitionCommand(const std::vector<std::string>& args);

}  // namespace vimbra::cli
