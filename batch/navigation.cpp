#include "batch/navigation.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace vimbra {

namespace fs = std::filesystem;

namespace {

enum class Dir { Forward, Backward };

// Makes entry `start` current, dropping vanished entries and moving on in `dir`
// (forward: the entry that slides into the gap; backward: the one before). The
// vanished entries are marked and erased together at the end.
NavResult Settle(Bookmarks& b, size_t start, Dir dir, bool wrapped, AtEnd atEnd, const Loader& load) {
    NavResult r;
    r.moved = true;
    r.wrapped = wrapped;
    const size_t n = b.size();
    std::vector<bool> gone;
    size_t idx = start;
    bool found = false, stopped = false;
    // Each turn visits a new position, so n turns reach every entry once.
    for (size_t turn = 0; turn < n; ++turn) {
        if (idx == n) {  // forward past the last entry
            if (atEnd == AtEnd::Stop) {
                stopped = true;
                break;
            }
            idx = 0;
            r.wrapped = true;
        }
        if (BookmarkFileExists(b[idx])) {
            found = true;
            break;
        }
        if (gone.empty()) gone.assign(n, false);
        gone[idx] = true;
        ++r.removed;
        if (dir == Dir::Forward) {
            ++idx;
        } else if (idx == 0) {
            idx = n - 1;
            r.wrapped = true;
        } else {
            --idx;
        }
    }
    if (stopped) {
        // Everything after the old current entry was dropped: it stays current.
        r.wrapped = true;
        b.removeMarked(gone, start > 0 ? start - 1 : 0);
        return r;
    }
    if (!found) {
        b.clear();
        r.emptied = true;
        return r;
    }
    b.removeMarked(gone, idx);
    // A copy: the loader may enter the file into this very list.
    const std::string path = *b.current();
    r.loaded = load && load(path);
    return r;
}

}  // namespace

NavResult NavigateNext(Bookmarks& b, const Loader& load, AtEnd atEnd) {
    if (b.size() <= 1) return {};
    return Settle(b, static_cast<size_t>(b.BookmarkIndex()) + 1, Dir::Forward, false, atEnd, load);
}

NavResult NavigatePrevious(Bookmarks& b, const Loader& load) {
    if (b.size() <= 1) return {};
    const int32_t i = b.BookmarkIndex();
    if (i == 0) return Settle(b, b.size() - 1, Dir::Backward, true, AtEnd::Wrap, load);
    return Settle(b, static_cast<size_t>(i) - 1, Dir::Backward, false, AtEnd::Wrap, load);
}

NavResult NavigateFirst(Bookmarks& b, const Loader& load) {
    if (b.empty()) return {};
    return Settle(b, 0, Dir::Forward, false, AtEnd::Wrap, load);
}

NavResult NavigateLast(Bookmarks& b, const Loader& load) {
    if (b.empty()) return {};
    // Passing the front (every entry before the end vanished) is no wrap for Last.
    NavResult r = Settle(b, b.size() - 1, Dir::Backward, false, AtEnd::Wrap, load);
    r.wrapped = false;
    return r;
}

NavResult HistoryClick(Bookmarks& b, const std::string& currentFileName, const Loader& load) {
    const std::string* entry = b.current();
    if (!entry || SamePath(*entry, currentFileName)) return {};
    NavResult r;
    r.moved = true;
    if (BookmarkFileExists(*entry)) {
        const std::string path = *entry;
        r.loaded = load && load(path);
        return r;
    }
    const RemovalResult removal = b.HistoryChangeUpdate(load);
    r.removed = removal.removed;
    r.emptied = removal.emptied;
    r.loaded = removal.opened;
    return r;
}

TypedPath HistoryKeyPress(const std::string& text, const std::string& currentFileName) {
    if (BookmarkFileExists(text)) {
        if (SamePath(text, currentFileName)) return {TypedPath::Nothing, {}};
        return {TypedPath::Open, text};
    }
    std::error_code ec;
    if (!text.empty() && text.find('\0') == std::string::npos && fs::is_directory(text, ec)) {
        return {TypedPath::Explore, text.ends_with('/') ? text : text + '/'};
    }
    return {TypedPath::NotFound, {}};
}

std::string ExploreFolder(const std::string& pathBoxText, const std::string& fallback) {
    if (pathBoxText.find('\0') != std::string::npos) return fallback;
    const fs::path folder = fs::path(pathBoxText).parent_path();
    std::error_code ec;
    if (!folder.empty() && fs::is_directory(folder, ec)) return folder.string();
    return fallback;
}

}  // namespace vimbra
