#pragma once
// One level of undo for the working picture, the recovery file and the
// Tools > Memory report. Headless: the main window's FrameHost calls
// TakeSnapshot from AutoBackUp and RestoreSnapshot from Undo, and enables its
// two Undo items from UndoState::undoAvailable().
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/bitmap.h"

class QTemporaryFile;

namespace vimbra {

class Workspace;

// What the GUI does around a snapshot; every hook is optional.
struct UndoHooks {
    std::function<void(bool)> setUndoEnabled;  // both Undo menu items
    std::function<void()> clearClipboard;
    std::function<void()> closeImgHandle;      // the open imaging-library picture
    std::function<void()> processEvents;
    std::function<void()> showBlankImage;      // the "Untitled" tile; default: 16 × 16 white
};

class UndoState {
public:
    UndoState();
    ~UndoState();
    UndoState(const UndoState&) = delete;
    UndoState& operator=(const UndoState&) = delete;

    // The encoded snapshot: the exchange memory stream.
    std::vector<uint8_t> stream;
    bool UndoStreamIsBmp = false;  // depths 8 and above; false for 1 and 4 bits
    int32_t SnapshotDepth = 0;     // ImageBitDepth when taken, written back by Undo
    std::optional<std::vector<PaletteEntry>> UndoPalette;
    bool UndoOnDisk = false;
    std::string UndoErrorText;

    UndoHooks hooks;

    bool undoAvailable() const { return available_; }
    // A load replaced the picture: the snapshot and the undo file are dropped.
    void forget();
    // The undo file's path while it exists, else empty.
    std::string UndoFileName() const;

private:
    friend bool TakeSnapshot(Workspace&, UndoState&);
    friend void RestoreSnapshot(Workspace&, UndoState&);
    friend bool CopyToUndoBitmap(Workspace&, UndoState&, bool);
    friend bool CopyFromUndoBitmap(Workspace&, UndoState&);
    void setAvailable(bool on);

    bool available_ = false;
    std::unique_ptr<QTemporaryFile> undoFile_;
};

// AutoBackUp: true when the command may go on. During a batch run no snapshot
// is taken. On failure the user has been told, buffers are emptied and
// CancelRequested is set.
bool TakeSnapshot(Workspace& ws, UndoState& undo);
// Edit > Undo: the picture, ImageBitDepth and sizes as they were at the
// snapshot, bit for bit; the snapshot is consumed. "Undo failed." and the
// blank picture when it cannot be decoded.
void RestoreSnapshot(Workspace& ws, UndoState& undo);

// The recovery pair (true = failed). forceDisk writes the picture as PCX to
// the undo file in the temporary folder; the read deletes the file.
bool CopyToUndoBitmap(Workspace& ws, UndoState& undo, bool forceDisk);
bool CopyFromUndoBitmap(Workspace& ws, UndoState& undo);
// After a failed snapshot: park the picture on disk and read it back.
void RecoverBitmap(Workspace& ws, UndoState& undo);

// The snapshot codec: an exact image of the bitmap (rows with their padding,
// palette with its flags). Decoding refuses damaged data with
// std::runtime_error.
std::vector<uint8_t> EncodeSnapshot(const Bitmap& bitmap);
Bitmap DecodeSnapshot(const std::vector<uint8_t>& data);

// Memory figures of /proc/meminfo, in bytes.
struct MemoryFigures {
    uint64_t totalPhysical = 0, availablePhysical = 0;
    uint64_t totalSwap = 0, freeSwap = 0;
    uint64_t commitLimit = 0, committed = 0;
};
MemoryFigures ParseMemInfo(std::string_view text);
std::optional<MemoryFigures> ReadMemoryFigures();  // nullopt without /proc/meminfo

// Everything the Tools > Memory box shows.
struct MemoryReport {
    MemoryFigures memory;
    uint64_t largestBlock = 0;  // the trial block, 0 when it failed
    int versionNumber = 0;      // major × 10 + first digit of the minor version
    int screenWidth = 0, screenHeight = 0, displayBitDepth = 24;
    size_t bookmarkCount = 0;
};
// Whole megabytes plus one, on 64-bit sizes: 64 MiB gives 65.
uint64_t MemoryMegabytes(uint64_t bytes);
std::string MemoryReportText(const MemoryReport& report);
// Tries to allocate bytes and frees them at once; the size got, or 0.
uint64_t TrialBlock(uint64_t bytes = 267386880);
// Kernel release "6.8.0-…" → 68.
int VersionNumber(std::string_view release);

// Tools > Memory: clears the scratch, backup and duplicate buffers (the undo
// snapshot stays), sets CancelRequested, and shows the report.
void ShowMemoryReport(Workspace& ws, UndoState& undo, const MemoryReport& report);

}  // namespace vimbra
