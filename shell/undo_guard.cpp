#include "shell/undo_guard.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <new>
#include <sstream>
#include <stdexcept>

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include "core/frame_host.h"
#include "core/workspace.h"
#include "filters/memory_guard.h"
#include "imagefiles/codecs/pcx_codec.h"

namespace vimbra {
namespace {

constexpr char kMagic[4] = {'V', 'X', 'U', '1'};
constexpr size_t kHeaderSize = 32;

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
}

uint32_t Get32(const std::vector<uint8_t>& in, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(in[at + i]) << (8 * i);
    return v;
}

[[noreturn]] void Damaged() { throw std::runtime_error("The undo snapshot is damaged."); }

const std::string kLowMemoryText =
    "Free memory is fragmented or running low.\nSelect Tools | Memory to clear and check "
    "buffers.\n";

void DefaultBlankImage(Workspace& ws) {
    Bitmap blank(16, 16, 24);
    std::memset(blank.bits(), 0xFF, blank.byteSize());
    ws.setImage(std::move(blank));
    ws.CurrentFileName = "Untitled";
}

void ShowBlank(Workspace& ws, UndoState& undo) {
    if (undo.hooks.showBlankImage)
        undo.hooks.showBlankImage();
    else
        DefaultBlankImage(ws);
}

void ProcessEvents(UndoState& undo) {
    if (undo.hooks.processEvents) undo.hooks.processEvents();
}

// The picture changed as a whole: marked modified and redrawn.
void ImageChanged(Workspace& ws) {
    ws.Modified = true;
    ws.host().RefreshView(ws);
}

int Luminance(const PaletteEntry& e) { return 30 * e.red + 60 * e.green + 10 * e.blue; }

// The PCX writer stores a 1-bit picture whose entry 1 is the darker with its bits
// inverted and reads every 1-bit file back as black and white; this undoes both.
void RestorePalette(Bitmap& decoded, const std::vector<PaletteEntry>& palette) {
    if (decoded.depth() > 8) return;
    if (decoded.depth() == 1 && palette.size() >= 2 && Luminance(palette[1]) < Luminance(palette[0])) {
        const size_t rowBytes = (size_t(decoded.width()) + 7) / 8;
        for (int y = 0; y < decoded.height(); ++y) {
            uint8_t* row = decoded.scanLine(y);
            for (size_t i = 0; i < rowBytes; ++i) row[i] = uint8_t(~row[i]);
        }
    }
    decoded.palette() = palette;
}

}  // namespace

UndoState::UndoState() = default;
UndoState::~UndoState() = default;

void UndoState::setAvailable(bool on) {
    available_ = on;
    if (hooks.setUndoEnabled) hooks.setUndoEnabled(on);
}

void UndoState::forget() {
    std::vector<uint8_t>().swap(stream);
    UndoStreamIsBmp = false;
    UndoOnDisk = false;
    undoFile_.reset();
    setAvailable(false);
}

std::string UndoState::UndoFileName() const {
    return undoFile_ ? undoFile_->fileName().toStdString() : std::string();
}

std::vector<uint8_t> EncodeSnapshot(const Bitmap& bitmap) {
    const auto& pal = bitmap.palette();
    std::vector<uint8_t> out(kHeaderSize + 4 * pal.size() + bitmap.byteSize());
    std::memcpy(out.data(), kMagic, 4);
    Put32(out, 4, uint32_t(bitmap.width()));
    Put32(out, 8, uint32_t(bitmap.height()));
    Put32(out, 12, uint32_t(bitmap.depth()));
    Put32(out, 16, uint32_t(pal.size()));
    Put32(out, 20, uint32_t(bitmap.xDotsPerInch));
    Put32(out, 24, uint32_t(bitmap.yDotsPerInch));
    Put32(out, 28, uint32_t(bitmap.stride()));
    uint8_t* p = out.data() + kHeaderSize;
    for (const PaletteEntry& e : pal) {
        *p++ = e.red;
        *p++ = e.green;
        *p++ = e.blue;
        *p++ = e.flags;
    }
    if (bitmap.byteSize()) std::memcpy(p, bitmap.bits(), bitmap.byteSize());
    return out;
}

Bitmap DecodeSnapshot(const std::vector<uint8_t>& data) {
    if (data.size() < kHeaderSize || std::memcmp(data.data(), kMagic, 4) != 0) Damaged();
    const uint32_t width = Get32(data, 4), height = Get32(data, 8), depth = Get32(data, 12);
    const uint32_t colours = Get32(data, 16);
    if (colours > 256 || width > uint32_t(Bitmap::kMaxSide) || height > uint32_t(Bitmap::kMaxSide))
        Damaged();
    Bitmap bitmap;
    if (width && height) {
        try {
            bitmap = Bitmap(int(width), int(height), int(depth));
        } catch (const std::invalid_argument&) {
            Damaged();
        }
    }
    if (Get32(data, 28) != bitmap.stride() ||
        data.size() != kHeaderSize + 4 * size_t(colours) + bitmap.byteSize())
        Damaged();
    const uint8_t* p = data.data() + kHeaderSize;
    bitmap.palette().resize(colours);
    for (PaletteEntry& e : bitmap.palette()) {
        e = PaletteEntry{p[0], p[1], p[2], p[3]};
        p += 4;
    }
    if (bitmap.byteSize()) std::memcpy(bitmap.bits(), p, bitmap.byteSize());
    bitmap.xDotsPerInch = int(Get32(data, 20));
    bitmap.yDotsPerInch = int(Get32(data, 24));
    return bitmap;
}

bool TakeSnapshot(Workspace& ws, UndoState& undo) {
    FrameHost& host = ws.host();
    undo.UndoPalette.reset();
    // Release the old snapshot first, so that a large picture never needs two.
    std::vector<uint8_t>().swap(undo.stream);
    undo.UndoStreamIsBmp = false;
    host.ShowBusy(ws, "Creating backup...");
    undo.setAvailable(false);
    ProcessEvents(undo);
    if (ws.BatchRunning) {
        host.StatusReady(ws);
        return true;
    }
    undo.SnapshotDepth = ws.ImageBitDepth;
    bool ok = false;
    if (MemoryRunningLow(ws)) {
        ws.Modified = true;
    } else {
        try {
            undo.stream = EncodeSnapshot(ws.Image);
            undo.UndoStreamIsBmp = ws.Image.depth() >= 8;
            if (ws.Image.depth() <= 8) undo.UndoPalette = ws.Image.palette();
            ok = true;
        } catch (const std::exception&) {
            undo.UndoStreamIsBmp = false;
            std::vector<uint8_t>().swap(undo.stream);
        }
    }
    if (ok) {
        undo.setAvailable(true);
        host.StatusReady(ws);
        return true;
    }

    ws.CancelRequested = true;  // a running script stops before its next line
    undo.UndoOnDisk = false;
    ws.UndoBitmap.clear();
    undo.UndoStreamIsBmp = false;
    std::vector<uint8_t>().swap(undo.stream);
    if (undo.hooks.closeImgHandle) undo.hooks.closeImgHandle();
    undo.setAvailable(false);
    ws.ScratchBitmap.clear();
    ws.BackupBitmap.clear();
    ws.DuplicateBitmap.clear();
    if (undo.hooks.clearClipboard) undo.hooks.clearClipboard();
    ws.StatusText = "Error.";
    // Always say what to do next; the picture itself is kept as it is.
    const std::string advice = ws.Modified ? "It is recommended that you save modifications\n"
                                             "to a file now; then close and restart application."
                                           : "The picture is unchanged. Clear the buffers (Tools | "
                                             "Memory)\nor close other programs, then try again.";
    host.Ask(MessageKind::Error,
             undo.UndoErrorText + "\n" + "Backup failed. " + kLowMemoryText + "\n" + advice,
             Buttons::Ok);
    if (!MemoryRunningLow(ws)) RecoverBitmap(ws, undo);
    return false;
}

void RestoreSnapshot(Workspace& ws, UndoState& undo) {
    // Nothing kept (no snapshot, no file, no copy): the picture stays as it is.
    if (undo.stream.empty() && !undo.UndoOnDisk && ws.UndoBitmap.isEmpty()) {
        undo.setAvailable(false);
        return;
    }
    FrameHost& host = ws.host();
    host.ShowBusy(ws, "Loading backup...");
    ws.Image.clear();
    bool failed = false;
    try {
        if (!undo.stream.empty()) {
            ws.Image = DecodeSnapshot(undo.stream);
            ProcessEvents(undo);
            if (ws.Image.depth() <= 8) undo.UndoPalette = ws.Image.palette();
        } else {
            failed = CopyFromUndoBitmap(ws, undo);
        }
    } catch (const std::exception&) {
        failed = true;
    }
    std::vector<uint8_t>().swap(undo.stream);
    undo.UndoStreamIsBmp = false;
    ws.syncImageSize();
    ws.ImageBitDepth = int16_t(undo.SnapshotDepth);
    undo.setAvailable(false);
    ws.Modified = false;
    if (failed || ws.Image.isEmpty()) {
        undo.UndoOnDisk = false;
        ws.UndoBitmap.clear();
        ShowBlank(ws, undo);
        host.Ask(MessageKind::Error, "Undo failed.", Buttons::Ok);
        host.StatusReady(ws);
        return;
    }
    ImageChanged(ws);
    host.StatusReady(ws);
}

bool CopyToUndoBitmap(Workspace& ws, UndoState& undo, bool forceDisk) {
    if (undo.UndoOnDisk) {
        undo.undoFile_.reset();  // deletes the old file
        ProcessEvents(undo);
    }
    undo.UndoOnDisk = false;
    undo.UndoErrorText.clear();
    if (!forceDisk) {
        try {
            ws.UndoBitmap.clear();
            ws.UndoBitmap = ws.Image;
            ProcessEvents(undo);
            return false;
        } catch (const std::bad_alloc&) {
            undo.UndoErrorText = "UndoBitmap error.";
            ws.UndoBitmap.clear();
        }
    }
    ProcessEvents(undo);
    undo.UndoOnDisk = true;
    try {
        auto file = std::make_unique<QTemporaryFile>(QDir::tempPath() + "/XXXXXXXXvx_undo.pcx");
        if (!file->open()) throw std::runtime_error("open");
        const std::vector<uint8_t> pcx = EncodePcx(ws.Image);
        if (file->write(reinterpret_cast<const char*>(pcx.data()), qint64(pcx.size())) !=
                qint64(pcx.size()) ||
            !file->flush())
            throw std::runtime_error("write");
        file->close();
        undo.undoFile_ = std::move(file);
        // The writer keeps only black and white for 1 bit and no flags.
        undo.UndoPalette = ws.Image.palette();
        return false;
    } catch (const std::exception&) {
        undo.UndoErrorText = "PCX backup error.";
        undo.UndoOnDisk = false;
        return true;
    }
}

bool CopyFromUndoBitmap(Workspace& ws, UndoState& undo) {
    bool failed = false;
    if (undo.UndoOnDisk) {
        try {
            QFile file(QString::fromStdString(undo.UndoFileName()));
            if (!undo.undoFile_ || !file.open(QIODevice::ReadOnly)) throw std::runtime_error("open");
            const QByteArray bytes = file.readAll();
            Bitmap picture = DecodePcx(
                ByteSpan(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())));
            if (picture.isEmpty()) throw std::runtime_error("empty");
            if (undo.UndoPalette) RestorePalette(picture, *undo.UndoPalette);
            ws.Image = std::move(picture);
        } catch (const std::exception&) {
            failed = true;
        }
        undo.UndoOnDisk = false;
        undo.undoFile_.reset();
        return failed;
    }
    if (ws.UndoBitmap.isEmpty()) {
        failed = true;
    } else {
        ws.Image = std::move(ws.UndoBitmap);
        ProcessEvents(undo);
    }
    undo.UndoOnDisk = false;
    ws.UndoBitmap.clear();
    return failed;
}

void RecoverBitmap(Workspace& ws, UndoState& undo) {
    const int16_t depth = ws.ImageBitDepth;
    const std::string name = ws.CurrentFileName;
    CopyToUndoBitmap(ws, undo, true);
    // No blank picture in between: if reading the parked copy back fails, the
    // picture in memory is still the user's.
    if (undo.hooks.closeImgHandle) undo.hooks.closeImgHandle();
    ProcessEvents(undo);
    if (!CopyFromUndoBitmap(ws, undo)) {
        ws.syncImageSize();
        ws.ImageBitDepth = depth;
        ws.CurrentFileName = name;
    }
    ImageChanged(ws);
}

MemoryFigures ParseMemInfo(std::string_view text) {
    MemoryFigures m;
    std::istringstream in{std::string(text)};
    std::string line;
    while (std::getline(in, line)) {
        const size_t colon = line.find(':');
        if (colon == std::string::npos) continue;
        const std::string key = line.substr(0, colon);
        const uint64_t kib = std::strtoull(line.c_str() + colon + 1, nullptr, 10);
        const uint64_t bytes = kib * 1024;
        if (key == "MemTotal") m.totalPhysical = bytes;
        else if (key == "MemAvailable") m.availablePhysical = bytes;
        else if (key == "SwapTotal") m.totalSwap = bytes;
        else if (key == "SwapFree") m.freeSwap = bytes;
        else if (key == "CommitLimit") m.commitLimit = bytes;
        else if (key == "Committed_AS") m.committed = bytes;
    }
    return m;
}

std::optional<MemoryFigures> ReadMemoryFigures() {
    std::ifstream in("/proc/meminfo");
    if (!in) return std::nullopt;
    std::stringstream text;
    text << in.rdbuf();
    return ParseMemInfo(text.str());
}

uint64_t MemoryMegabytes(uint64_t bytes) { return bytes / 1048576 + 1; }

std::string MemoryReportText(const MemoryReport& r) {
    const MemoryFigures& m = r.memory;
    const uint64_t used = m.totalPhysical > m.availablePhysical ? m.totalPhysical - m.availablePhysical : 0;
    const uint64_t load = m.totalPhysical ? used * 100 / m.totalPhysical : 0;
    const uint64_t freeCommit = m.commitLimit > m.committed ? m.commitLimit - m.committed : 0;
    auto mb = [](uint64_t bytes) { return std::to_string(MemoryMegabytes(bytes)) + " Mb\n"; };
    std::string s = "Memory Utilization: " + std::to_string(load) + " (100=max)\n\n";
    s += "Total Physical Memory: " + mb(m.totalPhysical);
    s += "Total Paged Memory: " + mb(m.totalSwap);
    s += "Free Paged Memory: " + mb(m.freeSwap);
    s += "Total Virtual Memory: " + mb(m.commitLimit);
    s += "Free Virtual Memory: " + mb(freeCommit);
    s += "Largest Free Block: " + std::to_string(r.largestBlock / 1048576) + " Mb";
    s += "\n\nKernel version: " + std::to_string(r.versionNumber / 10) + "." +
         std::to_string(r.versionNumber % 10) + "\n";
    s += "Display: " + std::to_string(r.screenWidth) + " x " + std::to_string(r.screenHeight) +
         " (" + std::to_string(r.displayBitDepth) + " bpp)";
    s += "\n\nViewer bookmarks: " + std::to_string(r.bookmarkCount) + " items";
    return s;
}

uint64_t TrialBlock(uint64_t bytes) {
    void* block = std::malloc(size_t(bytes));
    if (!block) return 0;
    std::free(block);
    return bytes;
}

int VersionNumber(std::string_view release) {
    int major = 0;
    size_t i = 0;
    while (i < release.size() && release[i] >= '0' && release[i] <= '9')
        major = major * 10 + (release[i++] - '0');
    int minorDigit = 0;
    if (i + 1 < release.size() && release[i] == '.' && release[i + 1] >= '0' && release[i + 1] <= '9')
        minorDigit = release[i + 1] - '0';
    return major * 10 + minorDigit;
}

void ShowMemoryReport(Workspace& ws, UndoState& undo, const MemoryReport& report) {
    ws.CancelRequested = true;
    ws.ScratchBitmap.clear();
    ws.BackupBitmap.clear();
    ws.DuplicateBitmap.clear();
    if (undo.hooks.clearClipboard) undo.hooks.clearClipboard();
    ws.host().Ask(MessageKind::Information, MemoryReportText(report), Buttons::Ok);
}

}  // namespace vimbra
