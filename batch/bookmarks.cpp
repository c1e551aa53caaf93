#include "batch/bookmarks.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <unordered_set>

#include "core/workspace.h"

namespace vimbra {

namespace fs = std::filesystem;

bool SamePath(std::string_view a, std::string_view b) {
    if (a == b) return true;
    return fs::path(a).lexically_normal() == fs::path(b).lexically_normal();
}

bool BookmarkFileExists(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos) return false;
    std::error_code ec;
    return fs::is_regular_file(fs::path(path), ec);
}

bool PathLessIgnoringCase(std::string_view a, std::string_view b) {
    auto fold = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; };
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const int ca = fold(static_cast<unsigned char>(a[i]));
        const int cb = fold(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

bool Bookmarks::setBookmarkIndex(int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= list_.size()) return list_.empty() && index == 0;
    index_ = index;
    return true;
}

const std::string* Bookmarks::current() const {
    return list_.empty() ? nullptr : &list_[static_cast<size_t>(index_)];
}

void Bookmarks::UpdateHistory(const std::string& currentFileName) {
    if (currentFileName.empty()) return;
    if (list_.empty()) {
        list_.push_back(currentFileName);
        index_ = 0;
        return;
    }
    if (SamePath(list_[static_cast<size_t>(index_)], currentFileName)) return;
    if (index_ > 0) ++index_;
    list_.insert(list_.begin() + index_, currentFileName);
}

void Bookmarks::appendOpenedFiles(std::span<const std::string> files) {
    for (size_t i = files.size(); i > 1; --i) list_.push_back(files[i - 1]);
}

RemovalResult Bookmarks::HistoryChangeUpdate(const Loader& open) {
    RemovalResult r;
    const size_t n = list_.size();
    if (n > 0) {
        // Removing the current entry moves back by one (stays at the front at 0);
        // a vanished entry met there is removed the same way. So the dropped
        // entries form one run [lo, hi] of the original list: walk it, then erase
        // once, rather than a removal (and a nested open) per vanished file.
        size_t lo = static_cast<size_t>(index_), hi = lo;
        for (;;) {
            if (lo == 0 && hi + 1 == n) break;
            const size_t next = lo > 0 ? lo - 1 : hi + 1;
            if (BookmarkFileExists(list_[next])) break;
            if (lo > 0) lo = next;
            else hi = next;
        }
        r.removed = hi - lo + 1;
        list_.erase(list_.begin() + static_cast<std::ptrdiff_t>(lo),
                    list_.begin() + static_cast<std::ptrdiff_t>(hi) + 1);
        index_ = list_.empty() || lo == 0 ? 0 : static_cast<int32_t>(lo) - 1;
    }
    if (list_.empty()) {
        index_ = 0;
        r.emptied = true;
        return r;
    }
    // A copy: the loader may enter the file into this very list.
    const std::string path = list_[static_cast<size_t>(index_)];
    r.opened = open && open(path);
    return r;
}

size_t Bookmarks::sort() {
    std::stable_sort(list_.begin(), list_.end(),
                     [](const std::string& a, const std::string& b) { return PathLessIgnoringCase(a, b); });
    // Entries equal as paths need not be neighbours after sorting ("a/./b" and "a/b").
    std::unordered_set<std::string> seen;
    std::vector<std::string> kept;
    kept.reserve(list_.size());
    for (auto& e : list_) {
        if (seen.insert(fs::path(e).lexically_normal().string()).second) kept.push_back(std::move(e));
    }
    size_t dropped = list_.size() - kept.size();
    list_ = std::move(kept);
    index_ = 0;
    if (list_.size() > 1) dropped += removeMissing();
    index_ = 0;
    return dropped;
}

size_t Bookmarks::removeMissing() {
    std::vector<std::string> kept;
    kept.reserve(list_.size());
    int32_t newIndex = -1;
    for (size_t i = 0; i < list_.size(); ++i) {
        if (!BookmarkFileExists(list_[i])) continue;
        if (static_cast<int32_t>(i) <= index_) newIndex = static_cast<int32_t>(kept.size());
        kept.push_back(std::move(list_[i]));
    }
    const size_t dropped = list_.size() - kept.size();
    list_ = std::move(kept);
    // A vanished current entry gives way to the last survivor before it.
    index_ = list_.empty() ? 0 : std::max(newIndex, 0);
    return dropped;
}

void Bookmarks::removeAt(size_t i) {
    if (i >= list_.size()) return;
    list_.erase(list_.begin() + static_cast<std::ptrdiff_t>(i));
    if (static_cast<int32_t>(i) < index_) --index_;
    if (list_.empty()) index_ = 0;
    else if (static_cast<size_t>(index_) >= list_.size()) index_ = static_cast<int32_t>(list_.size()) - 1;
}

void Bookmarks::removeMarked(const std::vector<bool>& marked, size_t current) {
    size_t out = 0, newIndex = 0;
    for (size_t i = 0; i < list_.size(); ++i) {
        if (i < marked.size() && marked[i]) continue;
        if (i == current) newIndex = out;
        if (out != i) list_[out] = std::move(list_[i]);
        ++out;
    }
    list_.resize(out);
    index_ = list_.empty() ? 0 : static_cast<int32_t>(std::min(newIndex, out - 1));
}

void Bookmarks::replace(std::vector<std::string> entries, int32_t index) {
    list_ = std::move(entries);
    index_ = list_.empty() ? 0 : std::clamp(index, 0, static_cast<int32_t>(list_.size()) - 1);
}

void Bookmarks::clear() {
    list_.clear();
    index_ = 0;
}

void UpdateHistory(Bookmarks& bookmarks, const Workspace& ws) {
    if (ws.BatchRunning) return;
    bookmarks.UpdateHistory(ws.CurrentFileName);
}

}  // namespace vimbra
