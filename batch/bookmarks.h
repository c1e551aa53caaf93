#pragma once
// The bookmark list: the ordered list of full paths the user works through, and
// its current entry. Shared by the viewer, the BIP interpreter and the CLI.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vimbra {

class Workspace;

// Opens a file as the working picture (the load dispatch). Returns false when the
// file could not be read. On success it is expected to make the path the
// workspace's CurrentFileName; on failure the current picture stays.
using Loader = std::function<bool(const std::string& path)>;

// Paths are compared as paths: case matters, "a//b" and "a/./b" equal "a/b".
bool SamePath(std::string_view a, std::string_view b);

// True for an existing regular file (symbolic links followed). Directories,
// sockets, devices and the empty path are not bookmarkable files.
bool BookmarkFileExists(const std::string& path);

// What removing the current entry led to.
struct RemovalResult {
    size_t removed = 0;    // entries dropped, the current one and missing ones after it
    bool emptied = false;  // nothing left: the caller shows the blank "Untitled" picture
    bool opened = false;   // the new current entry was loaded
};

class Bookmarks {
public:
    const std::vector<std::string>& entries() const { return list_; }
    size_t size() const { return list_.size(); }
    bool empty() const { return list_.empty(); }
    const std::string& operator[](size_t i) const { return list_[i]; }

    // 0-based index of the current entry; 0 when the list is empty.
    int32_t BookmarkIndex() const { return index_; }
    // False (and nothing changed) when the index names no entry; 0 is accepted
    // for the empty list.
    bool setBookmarkIndex(int32_t index);
    // The current entry, or null when the list is empty.
    const std::string* current() const;

    // Enters a file just opened: appended to an empty list; otherwise, unless it
    // is the current entry already, inserted right after the current entry, or at
    // the front when the current entry is the first, and it becomes current.
    void UpdateHistory(const std::string& currentFileName);

    // Several files opened or dropped at once: all but the first are appended,
    // from the last back to the second. The caller then opens the first, which
    // enters it through UpdateHistory.
    void appendOpenedFiles(std::span<const std::string> files);

    // Removes the current entry (unmarked, vanished, moved or recycled); the
    // neighbour that becomes current is opened through `open`. Entries that become
    // current and whose file is missing are dropped in turn.
    RemovalResult HistoryChangeUpdate(const Loader& open);

    // Case-insensitive order; only one of entries equal as paths remains; when
    // more than one entry is left, entries whose file is missing are dropped.
    // The first entry becomes current. Returns the number of entries dropped.
    size_t sort();

    // Drops entries whose file is missing; the current entry stays current when it
    // remains. Returns the number dropped.
    size_t removeMissing();

    // Drops entry i; the current index keeps naming the same entry where it can,
    // else the one that took its place (clamped to the list).
    void removeAt(size_t i);

    // Drops every entry marked true at once (marked.size() == size()); entry
    // `current`, counted before the removal and not marked, becomes current.
    void removeMarked(const std::vector<bool>& marked, size_t current);

    // The whole list replaced (list dialog, list file); `index` is clamped.
    void replace(std::vector<std::string> entries, int32_t index = 0);
    void clear();

private:
    std::vector<std::string> list_;
    int32_t index_ = 0;
};

// UpdateHistory for the workspace's CurrentFileName; skipped while a BIP run is
// going on, since the run walks the list itself.
void UpdateHistory(Bookmarks& bookmarks, const Workspace& ws);

// Case-insensitive ordering of paths (ASCII letters folded), ties broken by the
// exact bytes so the order is total.
bool PathLessIgnoringCase(std::string_view a, std::string_view b);

}  // namespace vimbra
