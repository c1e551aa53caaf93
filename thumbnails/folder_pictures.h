#pragma once
// The pictures of a folder: what a thumbnail grid or the CLI walks through.
#include <string>
#include <string_view>
#include <vector>

namespace vimbra::thumbs {

// A file the program can show as a picture (pictures and metafiles, by extension).
bool IsThumbnailable(std::string_view path);

// Regular files (links followed) of the folder that are thumbnailable, hidden
// names left out, in the bookmark sort's order; at most maxFiles of them.
// On failure an empty list and the reason in *error.
std::vector<std::string> FolderPictures(const std::string& folder, std::string* error = nullptr,
                                        size_t maxFiles = 1'000'000);

}  // namespace vimbra::thumbs
