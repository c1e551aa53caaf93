#pragma once
// Batch file operations on lists of paths: sequence and numeric-prefix
// renaming, copy and move into a folder, recycle and permanent delete. No
// operation ever replaces an existing file: collisions are found before
// anything is done and every rename refuses a taken name. Progress and
// cancellation go through BatchProgress; the dialogs are the caller's.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vimbra {

// What a long file operation reports; the progress window implements it.
class BatchProgress {
public:
    virtual ~BatchProgress() = default;
    // Called once before the first file.
    virtual void begin(std::string_view /*caption*/, size_t /*total*/) {}
    // After file `done` (1-based) of `total`; `percent` is (done × 100) div total.
    virtual void step(size_t /*done*/, size_t /*total*/, int /*percent*/) {}
    // Polled before each file; true ends the operation there.
    virtual bool cancelRequested() { return false; }
};

inline constexpr size_t kMaxRenameCount = 99999;
inline constexpr const char* kTooManyToRename = "Only 99999 items can be renamed.";

enum class RenameMode { Sequence, NumericPrefix };

// Digits of the number: 1 for n <= 9, 2 for n <= 99, ... 5 above 9999.
int RenameDigits(size_t n);
// The new file name of entry k (1-based) of n: prefix + digits + the old
// extension, or digits + "~" + the old file name.
std::string RenamedFileName(RenameMode mode, const std::string& prefix, size_t k, size_t n,
                            const std::string& oldPath);

// One file of an operation: where it went, or why not.
struct FileOutcome {
    std::string from, to;
    bool ok = false;
    std::string message;  // failure text to show
};

struct BatchOutcome {
    std::vector<FileOutcome> files;  // in list order, only those attempted
    bool cancelled = false;
    // Every file was attempted and none failed: only then may the caller
    // clear the bookmark list.
    bool completed() const;
    size_t failures() const;
};

// Renames every file in its own folder. A name taken by a file outside the
// list is a failure of that entry ("Could not rename NAME"); names taken by
// other entries of the list are freed first by moving through temporary names.
// More than 99999 entries: nothing is done (one failure with kTooManyToRename).
BatchOutcome BatchRename(const std::vector<std::string>& files, RenameMode mode,
                         const std::string& prefix, BatchProgress* progress = nullptr);

enum class TransferMode { Copy, Move };
// Names that would collide in the folder: existing files and entries with the
// same file name as an earlier entry. The caller asks before transferring.
std::vector<std::string> TransferCollisions(const std::vector<std::string>& files,
                                            const std::string& folder);
// Copies or moves each file into the folder under its own name. A collision is
// a failure of that entry; nothing is ever replaced.
BatchOutcome TransferFiles(const std::vector<std::string>& files, const std::string& folder,
                           TransferMode mode, BatchProgress* progress = nullptr);

enum class DeleteMode { Recycle, Permanent };
// Recycle moves to the desktop's trash (freedesktop trash under
// XDG_DATA_HOME); Permanent removes the file.
FileOutcome DeleteFile(const std::string& path, DeleteMode mode);
BatchOutcome DeleteFiles(const std::vector<std::string>& files, DeleteMode mode,
                         BatchProgress* progress = nullptr);

// "Recycle NAME\n\n[Ignore] avoids this dialog (for experts)."
std::string RecycleQuestion(const std::string& path);

}  // namespace vimbra
