#include "thumbnails/thumbnail_cache.h"

#include <gtest/gtest.h>

#include <QImageReader>
#include <filesystem>
#include <thread>
#include <vector>

#include "batch/temp_folder_test_util.h"
#include "thumbnails/thumbnail_png.h"
#include "thumbnails/thumbnail_test_util.h"

namespace vimbra::thumbs {
namespace {

namespace fs = std::filesystem;
using namespace testutil;

// Keys as a program reading the cache finds them (Qt's reader, not ours).
std::map<std::string, std::string> KeysOf(const std::string& png) {
    QImageReader reader(QString::fromStdString(png), "png");
    const QImage image = reader.read();
    std::map<std::string, std::string> keys;
    for (const QString& k : image.textKeys()) keys[k.toStdString()] = image.text(k).toStdString();
    return keys;
}

class ThumbnailCacheTest : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        root_ = (dir_ / "cache" / "thumbnails").string();
        photo_ = (dir_ / "photo one.jpg").string();
        WriteJpeg(photo_, Solid(600, 400, 200, 40, 20));
    }
    // The cache file of a file in the test folder, its name given percent-encoded.
    std::string expectedPath(const std::string& encodedName, const char* folder = "normal") const {
        return root_ + "/" + folder + "/" + Md5sum("file://" + (dir_ / encodedName).string()) + ".png";
    }
    std::string root_, photo_;
};

TEST(FitInside, KeepsAspectNeverUpscales) {
    EXPECT_EQ(FitInside(6000, 4000, 128), QSize(128, 85));   // 85.33
    EXPECT_EQ(FitInside(4000, 6000, 256), QSize(171, 256));  // 170.67
    EXPECT_EQ(FitInside(600, 400, 256), QSize(256, 171));
    EXPECT_EQ(FitInside(5000, 1, 128), QSize(128, 1));
    EXPECT_EQ(FitInside(128, 128, 128), QSize(128, 128));
    EXPECT_EQ(FitInside(129, 128, 128), QSize(128, 127));
    EXPECT_EQ(FitInside(40, 30, 128), QSize(40, 30));
    EXPECT_EQ(FitInside(0, 30, 128), QSize());
}

TEST_F(ThumbnailCacheTest, MadeWithTheStandardsNameKeysAndSize) {
    const ThumbnailCache cache(root_);
    const ThumbnailResult r = cache.get(photo_, ThumbSize::Normal);
    ASSERT_EQ(r.status, ThumbStatus::Made) << r.message << r.storeError;
    EXPECT_EQ(r.cachePath, expectedPath("photo%20one.jpg"));
    EXPECT_EQ(r.storeError, "");
    EXPECT_EQ(r.image.size(), QSize(128, 85));
    const QColor centre = r.image.pixelColor(64, 42);
    EXPECT_NEAR(centre.red(), 200, 4);
    EXPECT_NEAR(centre.green(), 40, 4);
    EXPECT_NEAR(centre.blue(), 20, 4);

    const auto keys = KeysOf(r.cachePath);
    EXPECT_EQ(keys.at("Thumb::URI"), "file://" + (dir_ / "photo%20one.jpg").string());
    EXPECT_EQ(keys.at("Thumb::MTime"), std::to_string(Stat(photo_).st_mtime));
    EXPECT_EQ(keys.at("Thumb::Size"), std::to_string(fs::file_size(photo_)));
    EXPECT_EQ(keys.at("Thumb::Image::Width"), "600");
    EXPECT_EQ(keys.at("Thumb::Image::Height"), "400");
    EXPECT_EQ(QImage(QString::fromStdString(r.cachePath)).size(), QSize(128, 85));

    const ThumbnailResult large = cache.get(photo_, ThumbSize::Large);
    ASSERT_EQ(large.status, ThumbStatus::Made);
    EXPECT_EQ(large.cachePath, expectedPath("photo%20one.jpg", "large"));
    EXPECT_EQ(large.image.size(), QSize(256, 171));
}

TEST_F(ThumbnailCacheTest, SmallPicturesKeepTheirSize) {
    const std::string small = (dir_ / "small.png").string();
    WriteBytes(small, EncodePng(Solid(50, 30, 1, 2, 3)));
    const ThumbnailResult r = ThumbnailCache(root_).get(small, ThumbSize::Large);
    ASSERT_EQ(r.status, ThumbStatus::Made) << r.message;
    EXPECT_EQ(r.image.size(), QSize(50, 30));
    EXPECT_EQ(r.image.pixelColor(10, 10), QColor(1, 2, 3));
}

TEST_F(ThumbnailCacheTest, ModesOfFilesAndFolders) {
    const ThumbnailResult r = ThumbnailCache(root_).get(photo_, ThumbSize::Normal);
    ASSERT_FALSE(r.cachePath.empty()) << r.storeError;
    EXPECT_EQ(Stat(r.cachePath).st_mode & 0777, 0600u);
    EXPECT_EQ(Stat(root_).st_mode & 0777, 0700u);
    EXPECT_EQ(Stat(root_ + "/normal").st_mode & 0777, 0700u);
    // Nothing but the thumbnail: the temporary file was renamed into place.
    EXPECT_EQ(std::distance(fs::directory_iterator(root_ + "/normal"), fs::directory_iterator()), 1);
}

TEST_F(ThumbnailCacheTest, FreshThumbnailIsNotWrittenAgain) {
    const ThumbnailCache cache(root_);
    const std::string path = cache.get(photo_, ThumbSize::Normal).cachePath;
    ASSERT_FALSE(path.empty());
    const struct stat before = Stat(path);
    const ThumbnailResult again = cache.get(photo_, ThumbSize::Normal);
    EXPECT_EQ(again.status, ThumbStatus::Cached);
    EXPECT_EQ(again.image.size(), QSize(128, 85));
    EXPECT_EQ(again.imageWidth, 600);
    const struct stat after = Stat(path);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    ASSERT_TRUE(cache.lookup(photo_, ThumbSize::Normal).has_value());
    EXPECT_FALSE(cache.lookup(photo_, ThumbSize::Large).has_value());
}

TEST_F(ThumbnailCacheTest, ChangedFileMakesItStale) {
    const ThumbnailCache cache(root_);
    const std::string path = cache.get(photo_, ThumbSize::Normal).cachePath;
    ShiftMtime(photo_, 100);
    EXPECT_FALSE(cache.lookup(photo_, ThumbSize::Normal).has_value());
    const ThumbnailResult r = cache.get(photo_, ThumbSize::Normal);
    EXPECT_EQ(r.status, ThumbStatus::Made);
    EXPECT_EQ(KeysOf(path).at("Thumb::MTime"), std::to_string(Stat(photo_).st_mtime));
    EXPECT_EQ(cache.get(photo_, ThumbSize::Normal).status, ThumbStatus::Cached);
}

TEST_F(ThumbnailCacheTest, AnotherProgramsThumbnailIsReused) {
    const std::string path = expectedPath("photo%20one.jpg");
    fs::create_directories(fs::path(path).parent_path());
    QImage green(100, 67, QImage::Format_RGB32);
    green.fill(QColor(0, 255, 0));
    const std::string uri = "file://" + (dir_ / "photo%20one.jpg").string();
    const std::string mtime = std::to_string(Stat(photo_).st_mtime);
    WriteForeignThumbnail(path, green, {{"Thumb::URI", uri}, {"Thumb::MTime", mtime}});
    const struct stat before = Stat(path);

    const ThumbnailResult r = ThumbnailCache(root_).get(photo_, ThumbSize::Normal);
    EXPECT_EQ(r.status, ThumbStatus::Cached);
    EXPECT_EQ(r.image.size(), QSize(100, 67));
    EXPECT_EQ(r.image.pixelColor(5, 5), QColor(0, 255, 0));
    EXPECT_EQ(Stat(path).st_ino, before.st_ino);

    // Another program's thumbnail of an older version, or of another size, is made anew.
    for (const auto& keys : std::vector<std::map<std::string, std::string>>{
             {{"Thumb::URI", uri}, {"Thumb::MTime", "12"}},
             {{"Thumb::URI", uri}, {"Thumb::MTime", mtime}, {"Thumb::Size", "5"}},
             {{"Thumb::URI", uri + "x"}, {"Thumb::MTime", mtime}},
             {{"Thumb::URI", uri}, {"Thumb::MTime", mtime + ".5"}},
             {{"Thumb::URI", uri}}}) {
        WriteForeignThumbnail(path, green, keys);
        const ThumbnailResult remade = ThumbnailCache(root_).get(photo_, ThumbSize::Normal);
        EXPECT_EQ(remade.status, ThumbStatus::Made);
        EXPECT_NE(remade.image.pixelColor(5, 5), QColor(0, 255, 0));
    }
}

TEST_F(ThumbnailCacheTest, HostileCacheFilesAreReplaced) {
    const std::string path = expectedPath("photo%20one.jpg");
    fs::create_directories(fs::path(path).parent_path());
    const std::string uri = "file://" + (dir_ / "photo%20one.jpg").string();
    const std::string mtime = std::to_string(Stat(photo_).st_mtime);
    QImage big(300, 20, QImage::Format_RGB32);
    big.fill(Qt::blue);
    WriteForeignThumbnail(path, big, {{"Thumb::URI", uri}, {"Thumb::MTime", mtime}});
    std::string why;
    EXPECT_FALSE(ReadThumbnailFile(path, 128, &why));
    EXPECT_NE(why.find("at most 128"), std::string::npos) << why;

    std::vector<uint8_t> png = EncodePng(Solid(100, 60, 9, 9, 9));
    const std::vector<std::vector<uint8_t>> bad = {
        {}, {'x', 'y'}, std::vector<uint8_t>(png.begin(), png.begin() + long(png.size() / 2)),
        std::vector<uint8_t>(size_t(kMaxThumbnailFileBytes) + 1, 0)};
    for (const auto& bytes : bad) {
        WriteBytes(path, bytes);
        EXPECT_FALSE(ReadThumbnailFile(path, 128));
        const ThumbnailResult r = ThumbnailCache(root_).get(photo_, ThumbSize::Normal);
        EXPECT_EQ(r.status, ThumbStatus::Made) << bytes.size();
        EXPECT_EQ(r.image.size(), QSize(128, 85));
    }
}

TEST_F(ThumbnailCacheTest, FailureEntryUntilTheFileChanges) {
    const std::string broken = (dir_ / "broken.jpg").string();
    WriteBytes(broken, {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F'});
    const ThumbnailCache cache(root_);
    const ThumbnailResult r = cache.get(broken, ThumbSize::Normal);
    EXPECT_EQ(r.status, ThumbStatus::Failed);
    EXPECT_FALSE(r.failedBefore);
    EXPECT_FALSE(r.message.empty());
    EXPECT_TRUE(r.image.isNull());
    const std::string entry = expectedPath("broken.jpg", "fail/vimbra-6.71");
    ASSERT_TRUE(fs::exists(entry));
    EXPECT_EQ(Stat(entry).st_mode & 0777, 0600u);
    EXPECT_EQ(Stat(root_ + "/fail/vimbra-6.71").st_mode & 0777, 0700u);
    const auto keys = KeysOf(entry);
    EXPECT_EQ(keys.at("Thumb::URI"), "file://" + broken);
    EXPECT_EQ(keys.at("Thumb::MTime"), std::to_string(Stat(broken).st_mtime));
    EXPECT_FALSE(fs::exists(expectedPath("broken.jpg")));

    // Not tried again: the entry answers, with the reason it keeps.
    const ThumbnailResult again = cache.get(broken, ThumbSize::Large);
    EXPECT_EQ(again.status, ThumbStatus::Failed);
    EXPECT_TRUE(again.failedBefore);
    EXPECT_EQ(again.message, r.message);

    // Mended: read again, and the entry goes.
    WriteJpeg(broken, Solid(64, 64, 0, 0, 255));
    ShiftMtime(broken, 50);
    const ThumbnailResult mended = cache.get(broken, ThumbSize::Normal);
    EXPECT_EQ(mended.status, ThumbStatus::Made) << mended.message;
    EXPECT_EQ(mended.image.size(), QSize(64, 64));
    EXPECT_FALSE(fs::exists(entry));
}

TEST_F(ThumbnailCacheTest, MissingFilesLeaveNoEntry) {
    const ThumbnailResult r = ThumbnailCache(root_).get(missing("gone.jpg"), ThumbSize::Normal);
    EXPECT_EQ(r.status, ThumbStatus::Failed);
    EXPECT_EQ(r.message, "gone.jpg not found.");
    EXPECT_FALSE(fs::exists(root_));
    EXPECT_EQ(ThumbnailCache(root_).get(dir_.string(), ThumbSize::Normal).status, ThumbStatus::Failed);
}

TEST_F(ThumbnailCacheTest, UnwritableCacheKeepsThumbnailsInMemory) {
    const std::string blocker = file("blocker");  // a file where the cache folder should be
    const ThumbnailResult r = ThumbnailCache(blocker + "/thumbnails").get(photo_, ThumbSize::Normal);
    EXPECT_EQ(r.status, ThumbStatus::Made);
    EXPECT_EQ(r.image.size(), QSize(128, 85));
    EXPECT_EQ(r.cachePath, "");
    EXPECT_NE(r.storeError.find("cannot make the folder " + blocker), std::string::npos) << r.storeError;

    const ThumbnailResult memoryOnly = ThumbnailCache("").get(photo_, ThumbSize::Normal);
    EXPECT_EQ(memoryOnly.status, ThumbStatus::Made);
    EXPECT_FALSE(memoryOnly.storeError.empty());
}

TEST_F(ThumbnailCacheTest, CacheFilesAreNotThumbnailed) {
    const std::string path = ThumbnailCache(root_).get(photo_, ThumbSize::Normal).cachePath;
    const ThumbnailResult r = ThumbnailCache(root_).get(path, ThumbSize::Normal);
    EXPECT_EQ(r.status, ThumbStatus::Made);
    EXPECT_EQ(r.cachePath, "");
    EXPECT_EQ(std::distance(fs::directory_iterator(root_ + "/normal"), fs::directory_iterator()), 1);
}

TEST_F(ThumbnailCacheTest, SeveralThreadsAtOnce) {
    const ThumbnailCache cache(root_);
    std::vector<ThumbnailResult> results(6);
    std::vector<std::thread> threads;
    for (auto& r : results) threads.emplace_back([&] { r = cache.get(photo_, ThumbSize::Normal); });
    for (auto& t : threads) t.join();
    for (const auto& r : results) EXPECT_TRUE(r.ok()) << r.message << r.storeError;
    EXPECT_EQ(ThumbnailCache(root_).get(photo_, ThumbSize::Normal).status, ThumbStatus::Cached);
}

}  // namespace
}  // namespace vimbra::thumbs
