#include "thumbnails/folder_pictures.h"

#include <algorithm>
#include <filesystem>

#include "batch/bookmarks.h"
#include "imagefiles/load_dispatch.h"

namespace vimbra::thumbs {

bool IsThumbnailable(std::string_view path) {
    const FileKind kind = ClassifyFile(path);
    return kind == FileKind::Picture || kind == FileKind::Metafile;
}

std::vector<std::string> FolderPictures(const std::string& folder, std::string* error,
                                        size_t maxFiles) {
    namespace fs = std::filesystem;
    std::vector<std::string> out;
    std::error_code ec;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    if (ec) {
        if (error) *error = "Cannot list " + folder + ": " + ec.message();
        return out;
    }
    for (const fs::directory_iterator end; it != end && out.size() < maxFiles; it.increment(ec)) {
        if (ec) break;
        const std::string& path = it->path().native();
        const size_t slash = path.rfind('/');
        const std::string_view name = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
        if (name.empty() || name[0] == '.' || !IsThumbnailable(name)) continue;
        std::error_code kindError;
        if (!it->is_regular_file(kindError)) continue;
        out.push_back(path);
    }
    if (ec) {
        if (error) *error = "Cannot list " + folder + ": " + ec.message();
        out.clear();
        return out;
    }
    // Every path starts with the same folder: the names alone decide, and
    // comparing only them halves the sort of a large folder.
    const size_t skip = out.empty() ? 0 : out.front().rfind('/') + 1;
    std::sort(out.begin(), out.end(), [skip](const std::string& a, const std::string& b) {
        return PathLessIgnoringCase(std::string_view(a).substr(skip), std::string_view(b).substr(skip));
    });
    return out;
}

}  // namespace vimbra::thumbs
