#include "shell/undo_guard.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include "core/frame_host.h"
#include "core/workspace.h"
#include "filters/memory_guard.h"

namespace vimbra {
namespace {

// A picture of the given depth whose pixels, row padding and palette (with
// flags) all differ, so that any lost byte shows.
Bitmap Pattern(int width, int height, int depth) {
    Bitmap b(width, height, depth);
    for (size_t i = 0; i < b.byteSize(); ++i) b.bits()[i] = uint8_t(i * 37 + 11);
    for (size_t i = 0; i < b.palette().size(); ++i)
        b.palette()[i] = PaletteEntry{uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), uint8_t(i & 1)};
    b.xDotsPerInch = 300;
    b.yDotsPerInch = 150;
    return b;
}

struct Fixture {
    FrameHost host;
    Workspace ws{host};
    UndoState undo;
    std::vector<bool> enabled;  // every change of the Undo items
    Fixture() {
        undo.hooks.setUndoEnabled = [this](bool on) { enabled.push_back(on); };
    }
};

TEST(Undo, RestoresEveryDepthBitForBit) {
    for (int depth : {1, 4, 8, 24}) {
        for (auto [w, h] : {std::pair{1, 1}, {13, 1}, {1, 9}, {37, 5}}) {
            SCOPED_TRACE(testing::Message() << depth << " bits " << w << "x" << h);
            Fixture f;
            const Bitmap original = Pattern(w, h, depth);
            f.ws.setImage(original);
            ASSERT_TRUE(TakeSnapshot(f.ws, f.undo));
            EXPECT_TRUE(f.undo.undoAvailable());
            EXPECT_EQ(f.undo.UndoStreamIsBmp, depth >= 8);
            EXPECT_EQ(f.host.busyMessage, "Creating backup...");
            // The edit: to 24 bits, then every byte changed.
            f.ws.ForceTrueColor();
            for (size_t i = 0; i < f.ws.Image.byteSize(); ++i) f.ws.Image.bits()[i] ^= 0x5A;
            f.ws.Modified = true;

            RestoreSnapshot(f.ws, f.undo);
            EXPECT_EQ(f.ws.Image, original);
            EXPECT_EQ(f.ws.Image.xDotsPerInch, 300);
            EXPECT_EQ(f.ws.ImageBitDepth, depth);
            EXPECT_EQ(f.ws.ImageWidth, w);
            EXPECT_EQ(f.ws.ImageHeight, h);
            EXPECT_TRUE(f.ws.Modified);
            EXPECT_FALSE(f.undo.undoAvailable());
            EXPECT_TRUE(f.undo.stream.empty());
            EXPECT_EQ(f.enabled, (std::vector<bool>{false, true, false}));
            EXPECT_TRUE(f.host.messages.empty());
        }
    }
}

TEST(Undo, SecondUndoAndUndoWithoutSnapshotKeepThePicture) {
    Fixture f;
    const Bitmap original = Pattern(4, 3, 24);
    f.ws.setImage(original);
    RestoreSnapshot(f.ws, f.undo);  // nothing taken yet
    EXPECT_EQ(f.ws.Image, original);
    ASSERT_TRUE(TakeSnapshot(f.ws, f.undo));
    f.ws.Image.bits()[0] = 0;
    RestoreSnapshot(f.ws, f.undo);
    const Bitmap restored = f.ws.Image;
    f.ws.Image.bits()[1] = 0;
    RestoreSnapshot(f.ws, f.undo);  // consumed: stays as edited
    EXPECT_NE(f.ws.Image, restored);
    EXPECT_TRUE(f.host.messages.empty());
}

TEST(Undo, SnapshotDepthComesBackEvenWhenHeldAs24Bits) {
    Fixture f;
    f.ws.setImage(Pattern(5, 5, 24));
    f.ws.ImageBitDepth = 16;  // read from a 16-bit file, held as 24 bits
    ASSERT_TRUE(TakeSnapshot(f.ws, f.undo));
    EXPECT_EQ(f.undo.SnapshotDepth, 16);
    f.ws.ImageBitDepth = 24;
    RestoreSnapshot(f.ws, f.undo);
    EXPECT_EQ(f.ws.ImageBitDepth, 16);
}

TEST(Undo, NoSnapshotWhileABatchRuns) {
    Fixture f;
    f.ws.setImage(Pattern(3, 3, 8));
    f.ws.BatchRunning = true;
    EXPECT_TRUE(TakeSnapshot(f.ws, f.undo));
    EXPECT_FALSE(f.undo.undoAvailable());
    EXPECT_TRUE(f.undo.stream.empty());
    EXPECT_EQ(f.ws.StatusText, "Ready.");
}

uint64_t FourKiB() { return 4096; }
uint64_t Plenty() { return uint64_t(1) << 40; }

struct ProbeGuard {
    explicit ProbeGuard(AvailableMemoryProbe p) : old(SetAvailableMemoryProbe(p)) {}
    ~ProbeGuard() { SetAvailableMemoryProbe(old); }
    AvailableMemoryProbe old;
};

TEST(Undo, ShortMemoryStopsTheCommandAndMarksThePicture) {
    ProbeGuard probe(&FourKiB);
    Fixture f;
    const Bitmap original = Pattern(100, 100, 24);
    f.ws.setImage(original);
    f.ws.DuplicateBitmap = f.ws.BackupBitmap = f.ws.ScratchBitmap = Bitmap(2, 2);
    bool clipboardCleared = false;
    f.undo.hooks.clearClipboard = [&] { clipboardCleared = true; };
    EXPECT_FALSE(TakeSnapshot(f.ws, f.undo));
    // 100 × 100 × 3 = 30000 bytes, rounded down to 7 × 4096.
    const std::string low =
        "Free memory is fragmented or running low.\nSelect Tools | Memory to clear and check "
        "buffers.\n";
    ASSERT_EQ(f.host.messages.size(), 3u);  // warning, failure, warning again (no recovery)
    EXPECT_EQ(f.host.messages[0], low + "\nRequired=28672 Actual=4096");
    EXPECT_EQ(f.host.messages[1],
              "\nBackup failed. " + low +
                  "\nIt is recommended that you save modifications\nto a file now; then close and "
                  "restart application.");
    EXPECT_TRUE(f.ws.Modified);
    EXPECT_TRUE(f.ws.CancelRequested);
    EXPECT_EQ(f.ws.StatusText, "Error.");
    EXPECT_TRUE(clipboardCleared);
    EXPECT_TRUE(f.ws.DuplicateBitmap.isEmpty() && f.ws.BackupBitmap.isEmpty() &&
                f.ws.ScratchBitmap.isEmpty());
    EXPECT_EQ(f.ws.Image, original);
    EXPECT_FALSE(f.undo.undoAvailable());
}

TEST(Undo, DamagedSnapshotGivesTheBlankPicture) {
    ProbeGuard probe(&Plenty);
    Fixture f;
    f.ws.setImage(Pattern(6, 6, 24));
    ASSERT_TRUE(TakeSnapshot(f.ws, f.undo));
    f.undo.stream.resize(f.undo.stream.size() - 1);
    RestoreSnapshot(f.ws, f.undo);
    ASSERT_EQ(f.host.messages.size(), 1u);
    EXPECT_EQ(f.host.messages[0], "Undo failed.");
    EXPECT_EQ(f.ws.Image.width(), 16);
    EXPECT_EQ(f.ws.Image.height(), 16);
    EXPECT_EQ(f.ws.Image.scanLine(15)[47], 255);
    EXPECT_EQ(f.ws.CurrentFileName, "Untitled");
    EXPECT_FALSE(f.ws.Modified);
    EXPECT_FALSE(f.undo.undoAvailable());
}

TEST(SnapshotCodec, RefusesDamagedData) {
    const std::vector<uint8_t> good = EncodeSnapshot(Pattern(3, 2, 8));
    EXPECT_EQ(good.size(), 32u + 256 * 4 + 2 * 4);
    EXPECT_EQ(DecodeSnapshot(good), Pattern(3, 2, 8));
    auto damaged = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> d = good;
        d[at] = value;
        return d;
    };
    EXPECT_THROW(DecodeSnapshot({}), std::runtime_error);
    EXPECT_THROW(DecodeSnapshot(std::vector<uint8_t>(good.begin(), good.end() - 1)),
                 std::runtime_error);
    EXPECT_THROW(DecodeSnapshot(damaged(0, 'Z')), std::runtime_error);    // magic
    EXPECT_THROW(DecodeSnapshot(damaged(7, 0x7F)), std::runtime_error);   // width
    EXPECT_THROW(DecodeSnapshot(damaged(12, 16)), std::runtime_error);    // depth
    EXPECT_THROW(DecodeSnapshot(damaged(17, 2)), std::runtime_error);     // 512 colours
    EXPECT_THROW(DecodeSnapshot(damaged(28, 8)), std::runtime_error);     // stride
    // The empty picture round-trips as such.
    EXPECT_TRUE(DecodeSnapshot(EncodeSnapshot(Bitmap())).isEmpty());
}

TEST(UndoFile, DiskRouteRestoresPaletteAndDeletesTheFile) {
    for (int depth : {1, 4, 8, 24}) {
        SCOPED_TRACE(depth);
        Fixture f;
        Bitmap original = Pattern(16, 3, depth);
        if (depth == 1)  // entry 1 darker: written inverted by the PCX writer
            original.palette() = {PaletteEntry{250, 240, 230, 1}, PaletteEntry{10, 20, 30, 0}};
        f.ws.setImage(original);
        ASSERT_FALSE(CopyToUndoBitmap(f.ws, f.undo, true));
        EXPECT_TRUE(f.undo.UndoOnDisk);
        const std::string name = f.undo.UndoFileName();
        EXPECT_TRUE(QFileInfo(QString::fromStdString(name)).fileName().endsWith("vx_undo.pcx"));
        EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(name)));
        f.ws.Image = Bitmap(1, 1);
        EXPECT_FALSE(CopyFromUndoBitmap(f.ws, f.undo));
        EXPECT_EQ(f.ws.Image.palette(), original.palette());
        for (int y = 0; y < 3; ++y)
            EXPECT_EQ(0, std::memcmp(f.ws.Image.scanLine(y), original.scanLine(y), 16 * depth / 8));
        EXPECT_FALSE(f.undo.UndoOnDisk);
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(name)));
        EXPECT_TRUE(f.undo.UndoFileName().empty());
    }
}

TEST(UndoFile, MemoryRouteAndNothingToReadBack) {
    Fixture f;
    const Bitmap original = Pattern(2, 2, 24);
    f.ws.setImage(original);
    EXPECT_FALSE(CopyToUndoBitmap(f.ws, f.undo, false));
    EXPECT_FALSE(f.undo.UndoOnDisk);
    EXPECT_EQ(f.ws.UndoBitmap, original);
    f.ws.Image.clear();
    EXPECT_FALSE(CopyFromUndoBitmap(f.ws, f.undo));
    EXPECT_EQ(f.ws.Image, original);
    EXPECT_TRUE(f.ws.UndoBitmap.isEmpty());
    EXPECT_TRUE(CopyFromUndoBitmap(f.ws, f.undo));  // nothing kept: failure, picture kept
    EXPECT_EQ(f.ws.Image, original);
}

TEST(UndoFile, RecoverBitmapBringsThePictureBack) {
    Fixture f;
    const Bitmap original = Pattern(9, 4, 24);
    f.ws.setImage(original);
    f.ws.CurrentFileName = "/pics/a.png";
    RecoverBitmap(f.ws, f.undo);
    // The PCX route keeps the pixels; only the zero padding differs from the pattern.
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(0, std::memcmp(f.ws.Image.scanLine(y), original.scanLine(y), 27));
    EXPECT_EQ(f.ws.CurrentFileName, "/pics/a.png");
    EXPECT_EQ(f.ws.ImageWidth, 9);
    EXPECT_TRUE(f.ws.Modified);
    EXPECT_FALSE(f.undo.UndoOnDisk);
}

TEST(UndoFile, RecoverBitmapKeepsThePictureWhenTheDiskFails) {
    Fixture f;
    const Bitmap original = Pattern(9, 4, 24);
    f.ws.setImage(original);
    f.ws.CurrentFileName = "/pics/a.png";
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", "/nonexistent/vimbra-test");
    RecoverBitmap(f.ws, f.undo);
    if (oldTmp.isEmpty()) qunsetenv("TMPDIR");
    else qputenv("TMPDIR", oldTmp);
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(0, std::memcmp(f.ws.Image.scanLine(y), original.scanLine(y), 27));
    EXPECT_EQ(f.ws.CurrentFileName, "/pics/a.png");
    EXPECT_EQ(f.ws.ImageWidth, 9);
}

TEST(MemoryReport, SixtyFourBitSizesAndExactText) {
    EXPECT_EQ(MemoryMegabytes(64ull << 20), 65u);
    EXPECT_EQ(MemoryMegabytes(0), 1u);
    EXPECT_EQ(MemoryMegabytes((8ull << 30) + 5), 8193u);  // past 4 GiB
    const MemoryFigures m = ParseMemInfo(
        "MemTotal:       16384000 kB\n"
        "MemFree:         1000000 kB\n"
        "MemAvailable:    4096000 kB\n"
        "SwapTotal:       2097152 kB\n"
        "SwapFree:        1048576 kB\n"
        "CommitLimit:    10289152 kB\n"
        "Committed_AS:    8192000 kB\n");
    EXPECT_EQ(m.totalPhysical, 16384000ull * 1024);
    EXPECT_EQ(m.availablePhysical, 4096000ull * 1024);
    EXPECT_EQ(m.committed, 8192000ull * 1024);
    MemoryReport r;
    r.memory = m;
    r.largestBlock = 267386880;
    r.versionNumber = VersionNumber("6.8.0-45-generic");
    r.screenWidth = 1920;
    r.screenHeight = 1080;
    r.bookmarkCount = 7;
    // Load (16384000 − 4096000) × 100 ÷ 16384000 = 75. Totals in KiB ÷ 1024 + 1:
    // 16000 + 1, 2048 + 1, 1024 + 1, 10048 + 1, (10289152 − 8192000) ÷ 1024 = 2048 + 1.
    EXPECT_EQ(MemoryReportText(r),
              "Memory Utilization: 75 (100=max)\n\n"
              "Total Physical Memory: 16001 Mb\n"
              "Total Paged Memory: 2049 Mb\n"
              "Free Paged Memory: 1025 Mb\n"
              "Total Virtual Memory: 10049 Mb\n"
              "Free Virtual Memory: 2049 Mb\n"
              "Largest Free Block: 255 Mb\n\n"
              "Kernel version: 6.8\n"
              "Display: 1920 x 1080 (24 bpp)\n\n"
              "Viewer bookmarks: 7 items");
    EXPECT_EQ(VersionNumber("5.15.0"), 51);
    EXPECT_EQ(VersionNumber(""), 0);
    EXPECT_EQ(ParseMemInfo("garbage\n:\nMemTotal: x kB").totalPhysical, 0u);
}

TEST(MemoryReport, ClearsBuffersButKeepsUndo) {
    ProbeGuard probe(&Plenty);
    Fixture f;
    f.ws.setImage(Pattern(4, 4, 24));
    ASSERT_TRUE(TakeSnapshot(f.ws, f.undo));
    f.ws.BackupBitmap = f.ws.DuplicateBitmap = f.ws.ScratchBitmap = Bitmap(1, 1);
    ShowMemoryReport(f.ws, f.undo, MemoryReport{});
    EXPECT_TRUE(f.undo.undoAvailable());
    EXPECT_FALSE(f.undo.stream.empty());
    EXPECT_TRUE(f.ws.BackupBitmap.isEmpty() && f.ws.DuplicateBitmap.isEmpty() &&
                f.ws.ScratchBitmap.isEmpty());
    EXPECT_TRUE(f.ws.CancelRequested);
    ASSERT_EQ(f.host.messages.size(), 1u);
    EXPECT_EQ(f.host.messages[0].rfind("Memory Utilization: 0 (100=max)", 0), 0u);
}

}  // namespace
}  // namespace vimbra
