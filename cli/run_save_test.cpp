#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "cli/image_io.h"
#include "imagefiles/codecs/jpeg_codec.h"

namespace vimbra::cli {
namespace {

Bitmap Pattern(int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = b.scanLine(y);
        for (int x = 0; x < w * 3; ++x) row[x] = uint8_t((x * 7 + y * 13) ^ (x >> 4));
    }
    return b;
}

// A lent picture let go row by row as the encoder takes it writes the bytes
// a picture kept whole writes.
TEST(RunSave, ReleasingRowsAsTheyAreEncodedChangesNoByte) {
    const Bitmap kept = Pattern(1500, 700);  // 3 MB: mapped apart, many pages
    SaveOptions options;
    options.quality = 90;
    const std::vector<uint8_t> whole = EncodeForSave(kept, SaveFormat::Jpeg, options);

    const auto path = std::filesystem::temp_directory_path() / "vimbra_run_save_test.jpg";
    const RunSave saved = SaveForRun(RunPicture{Bitmap(kept), {}, false}, path.string(), SaveFormat::Jpeg, options, {});
    ASSERT_EQ(saved.status, RunSave::Status::Saved) << saved.message;
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(written, whole);
    std::filesystem::remove(path);
}

TEST(RunSave, TheEncoderTellsEveryRowTakenInOrder) {
    const Bitmap b = Pattern(40, 130);
    std::vector<int> told;
    JpegWriteOptions o;
    o.rowsTaken = [&](int rows) { told.push_back(rows); };
    EncodeJpeg(b, o);
    EXPECT_EQ(told, (std::vector<int>{64, 128, 130}));

    // Released rows read as zero; the rest stay.
    Bitmap lent = Pattern(2000, 600);
    ReleaseRows(lent, 300);
    EXPECT_EQ(lent.scanLine(10)[100], 0);
    EXPECT_EQ(lent.scanLine(599)[100], Pattern(2000, 600).scanLine(599)[100]);
}

}  // namespace
}  // namespace vimbra::cli
