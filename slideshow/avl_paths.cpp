#include "slideshow/avl_paths.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace vimbra {
namespace fs = std::filesystem;
namespace {

bool HasDriveLetter(const std::string& p) {
    return p.size() >= 2 && p[1] == ':' && ((p[0] >= 'a' && p[0] <= 'z') || (p[0] >= 'A' && p[0] <= 'Z'));
}

// "D:/pics/sub/" → "pics/sub/"; "/pics/" → "pics/".
std::string DropDriveAndRoot(std::string p) {
    if (HasDriveLetter(p)) p.erase(0, 2);
    const size_t start = p.find_first_not_of('/');
    return start == std::string::npos ? std::string() : p.substr(start);
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool IsRegularFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool SameNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string Absolute(const fs::path& p) {
    std::error_code ec;
    fs::path abs = fs::absolute(p, ec);
    return (ec ? p : abs).lexically_normal().string();
}

}  // namespace

std::string ToSlashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::optional<std::string> FindFileIgnoringCase(const std::string& path) {
    if (path.empty()) return std::nullopt;
    const fs::path p(path);
    if (IsRegularFile(p)) return Absolute(p);
    const std::string name = p.filename().string();
    if (name.empty()) return std::nullopt;
    const fs::path parent = p.has_parent_path() ? p.parent_path() : fs::path(".");
    std::error_code ec;
    fs::directory_iterator it(parent, ec), end;
    // Bounded: a huge folder is not walked to the end for one name.
    for (int seen = 0; !ec && it != end && seen < 200000; it.increment(ec), ++seen) {
        const fs::path candidate = it->path();
        if (SameNoCase(candidate.filename().string(), name) && IsRegularFile(candidate)) return Absolute(candidate);
    }
    return std::nullopt;
}

AvlPathResolver::AvlPathResolver(const std::string& avlFile, std::vector<std::string> directory)
    : directory_(std::move(directory)) {
    fs::path folder = fs::path(Absolute(fs::path(avlFile))).parent_path();
    avlFolder_ = folder.string();
    if (avlFolder_.size() > 1 && avlFolder_.back() == '/') avlFolder_.pop_back();
}

std::optional<std::string> AvlPathResolver::resolve(const AvlSlide& slide) {
    if (!slide.hasFile) return std::nullopt;
    const bool known = slide.folderIndex >= 0 && size_t(slide.folderIndex) < directory_.size();
    const std::string folder = known ? ToSlashes(directory_[size_t(slide.folderIndex)]) : std::string();
    const std::string name = ToSlashes(slide.fileName);
    const bool nameRooted = HasDriveLetter(name) || (!name.empty() && name.front() == '/');
    const std::string written = nameRooted ? name : Join(folder, name);

    // 1. As written: an absolute Linux path as is, a relative one under the script's folder.
    if (!written.empty() && !HasDriveLetter(written)) {
        const std::string path = written.front() == '/' ? written : Join(avlFolder_, written);
        if (auto found = FindFileIgnoringCase(path)) return found;
    }
    // 2. Drive letter and leading "/" dropped, under the script's folder.
    if (auto found = FindFileIgnoringCase(Join(avlFolder_, DropDriveAndRoot(written)))) {
        if (known && !nameRooted) directory_[size_t(slide.folderIndex)] = Join(avlFolder_, DropDriveAndRoot(folder));
        return found;
    }
    // 3. The file name alone, in the script's folder.
    const std::string bare = fs::path(name).filename().string();
    if (auto found = FindFileIgnoringCase(Join(avlFolder_, bare))) {
        if (known) directory_[size_t(slide.folderIndex)] = avlFolder_ + "/";
        return found;
    }
    return std::nullopt;
}

std::string MissingSlideMessage(int slide, int total, const std::string& folder, const std::string& fileName) {
    return "Missing or unsupported file in slideshow.\nPlease see FAQ to resolve this problem.\n"
           "\nSlide " + std::to_string(slide) + " of " + std::to_string(total) + "\nFolder: " + folder +
           "\nFilename: " + fileName;
}

}  // namespace vimbra
