#pragma once
// Bookmark list files (".vbl"): plain text, one full path a line, lines ended by
// CR LF, no header.
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace vimbra {

class Bookmarks;

inline constexpr const char* kListFileExtension = ".vbl";
inline constexpr const char* kListFileFilter = "Vimbra List (*.vbl)";
inline constexpr const char* kListFileSaveTitle = "Save Bookmarks As";
inline constexpr const char* kListFileLoadTitle = "Select Bookmark file";

// Bounds against hostile or mistaken input (a picture chosen as a list file).
struct ListFileLimits {
    size_t maxLineLength = 4096;     // bytes, the longest Linux path
    size_t maxEntries = 1048576;     // non-empty lines
    size_t maxFileBytes = 128u << 20;
};

// Which lines become entries.
enum class ListLines {
    ExistingFiles,  // empty lines and what is not a regular file are skipped
    Every,          // every line, so that stored lists keep their numbering
};

struct ListReadResult {
    std::vector<std::string> entries;  // in file order
    size_t skippedEmpty = 0;           // empty lines
    size_t skippedNotFiles = 0;        // missing files, folders, devices
    std::string error;                 // empty on success

    bool ok() const { return error.empty(); }
};

// Reads a list file. Empty lines and entries that are not regular files are
// skipped; a relative entry is taken relative to the list file's folder. A line
// too long, too many entries, a NUL byte or an unreadable file fail the whole
// read with a message naming the file.
ListReadResult ReadListFile(const std::filesystem::path& file, const ListFileLimits& limits = {},
                            ListLines lines = ListLines::ExistingFiles);

// Writes the entries one a line, replacing `file` only once the whole list is on
// disk (an existing file keeps its permissions). Returns an error message, or
// an empty string on success. A path holding a line break cannot be written.
std::string WriteListFile(const std::filesystem::path& file, const std::vector<std::string>& entries);

// Loads a list file into `bookmarks`, the first entry current. Every line is an
// entry, missing files and empty lines too: navigation reports and drops them
// when it meets them. On failure (also when the file names no existing file)
// the list stays as it was and `error` tells why.
bool LoadBookmarks(Bookmarks& bookmarks, const std::filesystem::path& file, std::string& error,
                   const ListFileLimits& limits = {});

std::string SaveBookmarks(const Bookmarks& bookmarks, const std::filesystem::path& file);

}  // namespace vimbra
