#pragma once
// Where the files of an AVL show are on a Linux disk. Scripts are written with
// "\" between folders and often with drive letters; a name is tried as written,
// then with the drive letter and leading "\" dropped under the script's own
// folder, then as a bare file name in the script's folder. A name that is not
// on disk with its exact case is matched ignoring case.
#include <optional>
#include <string>
#include <vector>

#include "slideshow/avl_script.h"

namespace vimbra {

class AvlPathResolver {
public:
    // avlFile: the script's path; directory: its "[Directory]" entries.
    AvlPathResolver(const std::string& avlFile, std::vector<std::string> directory);

    // The existing file of a slide as an absolute path, or nothing. When it is
    // found elsewhere than written, the slide's folder entry is replaced by
    // where it was found, for the slides that follow.
    std::optional<std::string> resolve(const AvlSlide& slide);

    const std::string& avlFolder() const { return avlFolder_; }
    const std::vector<std::string>& directory() const { return directory_; }

private:
    std::string avlFolder_;  // absolute, no trailing "/"
    std::vector<std::string> directory_;
};

// "\" to "/".
std::string ToSlashes(std::string path);
// An existing regular file at path, or one in the same folder whose name
// differs only in case (the exact name wins).
std::optional<std::string> FindFileIgnoringCase(const std::string& path);

// The warning shown when a slide's file is missing.
std::string MissingSlideMessage(int slide, int total, const std::string& folder, const std::string& fileName);

}  // namespace vimbra
