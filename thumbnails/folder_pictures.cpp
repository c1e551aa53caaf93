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
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.' || !IsThumbnailable(name)) continue;
        std::error_code kindError;
        if (!it->is_regular_file(kindError)) continue;
        out.push_back(it->path().string());
    }
    if (ec) {
        if (error) *error = "Cannot list " + folder + ": " + ec.message();
        out.clear();
        return out;
    }
    std::sort(out.begin(), out.end(),
              [](const std::string& a, const std::string& b) { return PathLessIgnoringCase(a, b); });
    return out;
}

}  // namespace vimbra::thumbs
