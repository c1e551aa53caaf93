#pragma once
// What a drop of files and folders on the window opens, in order.
#include <string>
#include <vector>

namespace vimbra {

// Files stay where they are; a folder gives its files (not its subfolders)
// in name order, case kept. Paths that do not exist are left out.
std::vector<std::string> ExpandDroppedPaths(const std::vector<std::string>& paths);

}  // namespace vimbra
