#pragma once
// Reading zip archives (libzip, 64-bit sizes, so Zip64 too) and extracting
// them safely: names that would leave the destination are refused, no links
// are created or followed, no setuid/setgid bits are set, entries that expand
// too far are refused as likely zip bombs, archives that would expand past the
// totals are refused whole, and a damaged entry is never left half written.
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "imagefiles/save_dispatch.h"

namespace vimbra {

// More entries than this and an archive is neither listed nor extracted.
inline constexpr int64_t kMaxZipEntries = 100000;
// What one archive may expand to at most, free space permitting.
inline constexpr int64_t kMaxZipTotalBytes = int64_t(4) << 30;

struct ZipEntryInfo {
    std::string name;  // full name inside the archive, UTF-8
    int64_t packedSize = 0;
    int64_t size = 0;
    std::time_t modified = 0;
    bool folder = false;
    bool encrypted = false;
    bool symlink = false;
};

struct ZipListing {
    std::vector<ZipEntryInfo> entries;
    std::string error;  // empty when the directory was read
    bool ok() const { return error.empty(); }
};

ZipListing ListZip(const std::string& archive);
ZipListing ListZipBytes(std::string_view bytes);

// The grid's " %" column: (size - packed) * 100 / size in 64 bits; 0 for an
// empty entry. Negative when the entry grew.
int64_t ZipRatio(int64_t size, int64_t packedSize);

// The relative path an entry name may be written to, or nullopt when it is
// absolute, has a drive letter, backslashes or ".." parts. "./" and empty
// parts are dropped; a folder keeps no trailing slash.
std::optional<std::string> SafeEntryPath(std::string_view name);

struct ZipExtractOptions {
    bool overwrite = false;
    // Only these full names; empty: every entry.
    std::vector<std::string> only;
    // An entry larger than both limits is refused.
    int64_t bombRatio = 100;
    int64_t bombBytes = int64_t(1) << 30;
    // The archive is refused whole when the entries to extract add up to more
    // than this or than the destination's free space.
    int64_t maxTotalBytes = kMaxZipTotalBytes;
    int64_t maxEntries = kMaxZipEntries;
    FreeSpaceQuery freeSpace;  // empty: FreeDiskSpace
    // Called with 0..100 after each entry; returning false stops the archive.
    std::function<bool(int percent)> progress;
};

struct ZipExtractResult {
    int extracted = 0;  // files written
    int failed = 0;     // entries refused, skipped or damaged
    std::vector<std::string> log;
    std::string error;  // the archive itself could not be read
    bool cancelled = false;
    bool ok() const { return error.empty() && failed == 0 && !cancelled; }
};

// Extracts into `destination` (created when missing). Log lines name the
// entry and `archive` as given.
ZipExtractResult ExtractZip(const std::string& archive, const std::string& destination,
                            const ZipExtractOptions& options = {});

// Runs every check and decompresses every entry of an archive in memory,
// writing nothing (the fuzz target's way in).
ZipExtractResult TestZipBytes(std::string_view bytes, const ZipExtractOptions& options = {});

// The message for an archive that cannot be read at all.
std::string IncompleteZipMessage(const std::string& archive);

}  // namespace vimbra
