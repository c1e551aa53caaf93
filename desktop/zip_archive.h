#pragma once
// Reading zip archives (libzip, 64-bit sizes, so Zip64 too) and extracting
// them safely: names that would leave the destination are refused, no links
// and no setuid/setgid bits are created, entries that expand too far are
// refused as likely zip bombs, and a damaged entry is never left half written.
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vimbra {

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
