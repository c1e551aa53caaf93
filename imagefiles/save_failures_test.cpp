// Saves that must not happen, or must not harm anything when they fail.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "imagefiles/codecs/codec_test_util.h"
#include "imagefiles/load_dispatch.h"
#include "imagefiles/save_dispatch.h"

namespace vimbra {
namespace {

using testutil::MakePicture;
using testutil::ReadBytes;
using testutil::TempDir;
using testutil::WriteBytes;

const std::vector<uint8_t> kOldBytes = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};

Workspace Holding(const Bitmap& b) {
    Workspace ws;
    ws.setImage(b);
    ws.CurrentFileName = "/pictures/source.png";
    ws.Modified = true;
    return ws;
}

SaveOptions FreeBytes(std::optional<uint64_t> free, std::string* askedFor = nullptr) {
    SaveOptions o;
    o.freeSpace = [free, askedFor](const std::string& path) {
        if (askedFor) *askedFor = path;
        return free;
    };
    return o;
}

void ExpectNothingChanged(const Workspace& ws, const Bitmap& picture) {
    EXPECT_TRUE(ws.Modified);
    EXPECT_EQ(ws.CurrentFileName, "/pictures/source.png");
    EXPECT_EQ(ws.Image, picture);
}

TEST(SaveFailures, TooLittleDiskSpaceWritesNothing) {
    TempDir dir;
    const Bitmap pic = MakePicture(100, 100, 24);  // 30,000 bytes → 28,672 counted
    Workspace ws = Holding(pic);
    std::string asked;
    SaveResult r =
        SaveImageFile(ws, dir.file("new.bmp"), SaveFormat::Bmp, FreeBytes(20000, &asked));
    EXPECT_EQ(r.status, SaveStatus::DiskFull);
    EXPECT_EQ(asked, dir.file("new.bmp"));
    EXPECT_EQ(r.requiredBytes, 28672u);
    EXPECT_EQ(r.freeBytes, 20000u);
    EXPECT_EQ(r.message,
              "Insufficient disk space.\nReq.: 28 Kb\nFree: 19 Kb\n\nSave operation failed.");
    EXPECT_FALSE(std::filesystem::exists(dir.file("new.bmp")));
    ExpectNothingChanged(ws, pic);

    WriteBytes(dir.file("old.bmp"), kOldBytes);
    r = SaveImageFile(ws, dir.file("old.bmp"), SaveFormat::Bmp, FreeBytes(28671));
    EXPECT_EQ(r.status, SaveStatus::DiskFull);
    EXPECT_EQ(ReadBytes(dir.file("old.bmp")), kOldBytes);

    // Grey JPEG counts its 8-bit copy: 10,000 bytes → 8,192.
    r = SaveImageFile(ws, dir.file("g.jpg"), SaveFormat::JpegGrey, FreeBytes(8191));
    EXPECT_EQ(r.requiredBytes, 8192u);
    EXPECT_TRUE(SaveImageFile(ws, dir.file("g.jpg"), SaveFormat::JpegGrey, FreeBytes(8192)).ok());

    // Exactly enough, nothing known, or a reported 0 do not stop the save.
    for (std::optional<uint64_t> free :
         {std::optional<uint64_t>(28672), std::optional<uint64_t>(), std::optional<uint64_t>(0)}) {
        Workspace fresh = Holding(pic);
        EXPECT_TRUE(
            SaveImageFile(fresh, dir.file("ok.bmp"), SaveFormat::Bmp, FreeBytes(free)).ok());
        EXPECT_FALSE(fresh.Modified);
    }
    EXPECT_EQ(DiskSpaceMessage(1048576, 2047, "Batch cancelled."),
              "Insufficient disk space.\nReq.: 1024 Kb\nFree: 1 Kb\n\nBatch cancelled.");
}

TEST(SaveFailures, AFailedWriteLeavesTheOldFileAndModified) {
    TempDir dir;
    const Bitmap colour = MakePicture(20, 10, 24);
    Workspace ws = Holding(colour);
    WriteBytes(dir.file("keep.tif"), kOldBytes);
    // Fax compression refuses a colour picture.
    SaveResult r = SaveImageFile(ws, dir.file("keep.tif"), SaveFormat::TiffFaxG4, FreeBytes({}));
    EXPECT_EQ(r.status, SaveStatus::Failed);
    EXPECT_EQ(r.message, "Vimbra 6.71 Write failure.\nSave Format=11\n" + dir.file("keep.tif"));
    EXPECT_EQ(r.detail, "Fax Group 4 compression not supported with 24bpp color images");
    EXPECT_EQ(ReadBytes(dir.file("keep.tif")), kOldBytes);
    ExpectNothingChanged(ws, colour);

    r = SaveImageFile(ws, dir.file("no/such/folder/x.png"), SaveFormat::Png, FreeBytes({}));
    EXPECT_EQ(r.status, SaveStatus::Failed);
    EXPECT_EQ(r.message,
              "Vimbra 6.71 Write failure.\nSave Format=3\n" + dir.file("no/such/folder/x.png"));
    ExpectNothingChanged(ws, colour);

    std::filesystem::create_directory(dir.file("taken.png"));
    r = SaveImageFile(ws, dir.file("taken.png"), SaveFormat::Png, FreeBytes({}));
    EXPECT_EQ(r.status, SaveStatus::Failed);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken.png")));
    ExpectNothingChanged(ws, colour);

    r = SaveImageFile(ws, dir.file("x.bmp"), SaveFormat(19), FreeBytes({}));
    EXPECT_EQ(r.status, SaveStatus::Failed);
    EXPECT_EQ(r.message, "Vimbra 6.71 Write failure.\nSave Format=19\n" + dir.file("x.bmp"));
    ExpectNothingChanged(ws, colour);

    Workspace empty;
    empty.Modified = true;
    EXPECT_FALSE(SaveImageFile(empty, dir.file("e.bmp"), SaveFormat::Bmp).ok());
    EXPECT_TRUE(empty.Modified);
}

TEST(SaveFailures, ReadOnlyFolderKeepsTheOldFile) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    TempDir dir;
    const std::string folder = dir.file("locked");
    std::filesystem::create_directory(folder);
    WriteBytes(folder + "/pic.png", kOldBytes);
    chmod(folder.c_str(), 0555);
    Workspace ws = Holding(MakePicture(8, 8, 24));
    const SaveResult r = SaveImageFile(ws, folder + "/pic.png", SaveFormat::Png, FreeBytes({}));
    chmod(folder.c_str(), 0755);
    EXPECT_EQ(r.status, SaveStatus::Failed);
    EXPECT_EQ(ReadBytes(folder + "/pic.png"), kOldBytes);
    EXPECT_TRUE(ws.Modified);
}

TEST(SaveFailures, SuccessClearsModifiedAndBatchKeepsTheName) {
    TempDir dir;
    const Bitmap pic = MakePicture(12, 12, 8);
    Workspace ws = Holding(pic);
    WriteBytes(dir.file("over.pcx"), kOldBytes);
    SaveOptions batch = FreeBytes({});
    batch.batch = true;
    const SaveResult r = SaveImageFile(ws, dir.file("over.pcx"), SaveFormat::Pcx, batch);
    ASSERT_TRUE(r.ok());
    EXPECT_NE(ReadBytes(dir.file("over.pcx")), kOldBytes);
    EXPECT_FALSE(ws.Modified);
    EXPECT_EQ(ws.CurrentFileName, "/pictures/source.png");
    Workspace back;
    ASSERT_TRUE(LoadImageFile(back, r.path).ok);
    EXPECT_EQ(back.Image, pic);
}

}  // namespace
}  // namespace vimbra

namespace vimbra {
namespace {

// The save split in two halves (encode anywhere, write later) gives what the
// one-step save gives: the same bytes, and a full disk winning over a writer
// that refuses the picture, as the size is checked before the writer runs.
TEST(SaveFailures, EncodeThenCommitIsTheOneStepSave) {
    testutil::TempDir dir;
    Bitmap picture(40, 30, 24);
    for (int y = 0; y < 30; ++y) picture.scanLine(y)[y] = uint8_t(7 * y);
    Workspace ws;
    ws.setImage(picture);
    SaveOptions options;
    options.quality = 90;
    options.freeSpace = [](const std::string&) { return std::optional<uint64_t>(1u << 30); };
    ASSERT_TRUE(SaveImageFile(ws, dir.file("one.jpg"), SaveFormat::Jpeg, options).ok());
    EncodedSave encoded = EncodeSave(picture, dir.file("two"), SaveFormat::Jpeg, options);
    EXPECT_TRUE(encoded.encoded);
    EXPECT_FALSE(std::filesystem::exists(dir.file("two.jpg")));  // nothing written yet
    const SaveResult two = CommitSave(std::move(encoded), SaveFormat::Jpeg, options);
    ASSERT_TRUE(two.ok());
    EXPECT_EQ(two.path, dir.file("two.jpg"));
    EXPECT_EQ(testutil::ReadBytes(dir.file("one.jpg")), testutil::ReadBytes(two.path));

    // The G4 writer refuses a colour picture.
    SaveOptions full = options;
    full.freeSpace = [](const std::string&) { return std::optional<uint64_t>(1); };
    Bitmap big(200, 100, 24);  // 60000 bytes -> 57344 counted, 56 Kb
    EncodedSave refused = EncodeSave(big, dir.file("g4"), SaveFormat::TiffFaxG4, full);
    const SaveResult r = CommitSave(std::move(refused), SaveFormat::TiffFaxG4, full);
    EXPECT_EQ(r.status, SaveStatus::DiskFull);
    EXPECT_EQ(r.requiredBytes, 57344u);
    EXPECT_EQ(r.message, "Insufficient disk space.\nReq.: 56 Kb\nFree: 0 Kb\n\nSave operation failed.");
    // With room, the writer's own refusal is the failure.
    const SaveResult r2 = CommitSave(EncodeSave(big, dir.file("g4"), SaveFormat::TiffFaxG4, options),
                                     SaveFormat::TiffFaxG4, options);
    EXPECT_EQ(r2.status, SaveStatus::Failed);
    EXPECT_EQ(r2.message.rfind("Vimbra 6.71 Write failure.\nSave Format=11\n", 0), 0u);
    // An empty picture fails before any size is known, whatever the disk.
    const SaveResult r3 = CommitSave(EncodeSave(Bitmap(), dir.file("e"), SaveFormat::Bmp, full),
                                     SaveFormat::Bmp, full);
    EXPECT_EQ(r3.status, SaveStatus::Failed);
    EXPECT_EQ(r3.detail, "There is no picture to save.");
}

}  // namespace
}  // namespace vimbra
