#include "batch/batch_convert.h"

#include <gtest/gtest.h>

#include <fstream>

#include "batch/temp_folder_test_util.h"
#include "imagefiles/codecs/codec_common.h"
#include "imagefiles/jpeg_metadata.h"

namespace vimbra {
namespace {

namespace fs = std::filesystem;

class BatchConvertTest : public TempFolderTest {
protected:
    // A small real picture written as PNG.
    std::string picture(const std::string& name) {
        Workspace ws;
        ws.setImage(Bitmap(8, 4, 24));
        const std::string path = (dir_ / name).string();
        EXPECT_TRUE(SaveImageFile(ws, path, SaveFormat::Png).ok());
        return path;
    }
};

TEST_F(BatchConvertTest, TakenNamesGetTheFirstFreeSuffix) {
    file("a.jpg");
    file("a-1.jpg");
    const std::string folder = dir_.string();
    EXPECT_EQ(ConversionTargetPath("/src/a.png", folder, ConvertFormat::Jpg), (dir_ / "a-2.jpg").string());
    EXPECT_EQ(ConversionTargetPath("/src/photo.jpeg", folder, ConvertFormat::Jpg),
              (dir_ / "photo.jpg").string());
    EXPECT_EQ(ConversionTargetPath("/src/a.png", folder, ConvertFormat::Tga), (dir_ / "a.tga").string());
    EXPECT_EQ(ConvertFormatFromName("PCX"), ConvertFormat::Pcx);
    EXPECT_EQ(ConvertFormatFromName("gif"), std::nullopt);
    EXPECT_EQ(ConversionProgressLabel(12, 40), "12 file(s) processed.  40% done.");
}

TEST(BatchConvertScript, LinesThatLeaveThePictureAreDropped) {
    EXPECT_EQ(ConversionScript({"GAMMA=130,130,130", "NEXT", "previous", "LOOP", "DELETE", "SAVE=_x"}),
              (std::vector<std::string>{"GAMMA=130,130,130", "SAVE=_x"}));
}

TEST_F(BatchConvertTest, WritesEachPictureWithTheCommentAfterJfifAndSkipsTheRest) {
    const std::string a = picture("a.png");
    const std::string notPicture = file("notes.txt");
    const std::string broken = file("broken.png");
    fs::create_directory(dir_ / "out");
    std::ofstream(dir_ / "out" / "a.jpg") << "taken";
    Workspace ws;
    BatchConvertJob job;
    job.files = {a, notPicture, broken};
    job.folder = (dir_ / "out").string();
    const BatchConvertResult r = BatchConvert(ws, job);
    EXPECT_TRUE(r.completed());
    EXPECT_EQ(r.written, std::vector<std::string>{(dir_ / "out" / "a-1.jpg").string()});
    EXPECT_EQ(r.skipped, (std::vector<std::string>{notPicture, broken}));
    EXPECT_FALSE(ws.BatchRunning);

    const std::vector<uint8_t> jpeg = ReadWholeFile(r.written[0]);
    const std::vector<JpegChunk> chunks = WalkJpeg(jpeg);
    ASSERT_GE(chunks.size(), 3u);
    EXPECT_EQ(chunks[1].marker, 0xE0);
    EXPECT_EQ(chunks[2].marker, 0xFE);
    EXPECT_EQ(ReadJpegListing(jpeg).lines, std::vector<std::string>{BatchCommentText()});
    EXPECT_EQ(SkippedLines({broken}), std::vector<std::string>{"Skipped: " + broken});
    EXPECT_EQ(SkippedQuestion(2),
              "2 file(s) skipped.  Some files may be opened and processed manually.\nView log?");
}

TEST_F(BatchConvertTest, FullDiskStopsBeforeWriting) {
    Workspace ws;
    BatchConvertJob job;
    job.files = {picture("a.png"), picture("b.png")};
    job.folder = dir_.string();
    job.format = ConvertFormat::Bmp;
    job.freeSpace = [](const std::string&) { return std::optional<uint64_t>(1000); };
    const BatchConvertResult r = BatchConvert(ws, job);
    EXPECT_EQ(r.end, BatchConvertResult::End::DiskFull);
    EXPECT_FALSE(r.completed());
    // 8 × 4 × 3 + 32768 bytes needed.
    EXPECT_EQ(r.message, "Insufficient disk space.\nReq.: 32 Kb\nFree: 0 Kb\n\nBatch cancelled.");
    EXPECT_TRUE(r.written.empty());
    EXPECT_FALSE(fs::exists(dir_ / "a.bmp"));
}

}  // namespace
}  // namespace vimbra
