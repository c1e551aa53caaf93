#pragma once
// Walking the bookmark list: next, previous, first and last with wrap-around,
// dropping entries whose file has vanished. Loading is left to a Loader.
#include <cstddef>
#include <string>

#include "batch/bookmarks.h"

namespace vimbra {

// What a step did.
struct NavResult {
    bool moved = false;    // a step was taken (Next/Previous need two entries)
    bool wrapped = false;  // passed an end: last to first (Next), first to last (Previous)
    bool loaded = false;   // the loader accepted the entry now current
    bool emptied = false;  // every entry met was missing and the list is now empty
    size_t removed = 0;    // vanished entries dropped on the way
};

// At the end of the list Next either wraps to the first entry (the viewer, BIP
// NEXT) or stops there without loading (a CLI run ends when the list is done).
enum class AtEnd { Wrap, Stop };

// Next entry. A vanished entry is dropped and the one that takes its place is
// tried, so Next keeps going forward. With AtEnd::Stop, reaching the end leaves
// the last existing entry current, reports `wrapped` and loads nothing.
NavResult NavigateNext(Bookmarks& bookmarks, const Loader& load, AtEnd atEnd = AtEnd::Wrap);
// Previous entry, from the first wrapping to the last; vanished entries are
// dropped and the one before is tried.
NavResult NavigatePrevious(Bookmarks& bookmarks, const Loader& load);
// First or last entry (also with a single entry); vanished entries dropped.
NavResult NavigateFirst(Bookmarks& bookmarks, const Loader& load);
NavResult NavigateLast(Bookmarks& bookmarks, const Loader& load);

// Opens the current entry when it is not the current file (after View, Sort and
// Load, or a click on the path box); a vanished entry is removed as by
// HistoryChangeUpdate.
NavResult HistoryClick(Bookmarks& bookmarks, const std::string& currentFileName, const Loader& load);

inline constexpr const char* kFileNotFound = "File not found.";

// What Enter in the path box asks for.
struct TypedPath {
    enum Action {
        Nothing,   // the text is the current file already
        Open,      // `path` is an existing file to open
        Explore,   // `path` is an existing folder, with a trailing '/', to show in the file manager
        NotFound,  // warn kFileNotFound and show the current file again
    } action = Nothing;
    std::string path;
};
TypedPath HistoryKeyPress(const std::string& text, const std::string& currentFileName);

// The folder Explore opens: the folder of the path box's file, or `fallback`
// (the program's folder) when that does not exist.
std::string ExploreFolder(const std::string& pathBoxText, const std::string& fallback);

}  // namespace vimbra
