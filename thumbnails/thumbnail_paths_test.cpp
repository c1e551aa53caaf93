#include "thumbnails/thumbnail_paths.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "batch/bookmarks.h"
#include "thumbnails/folder_pictures.h"
#include "batch/temp_folder_test_util.h"
#include "thumbnails/thumbnail_test_util.h"

namespace vimbra::thumbs {
namespace {

TEST(ThumbnailPaths, StandardExampleName) {
    // The worked example of the thumbnail standard.
    EXPECT_EQ(CacheFileName("file:///home/jens/photos/me.png"), "c6ee772d9e49320e97ec29a7eb5b1697.png");
    EXPECT_EQ(ThumbnailPath("/home/jens/.cache/thumbnails", ThumbSize::Normal,
                            "file:///home/jens/photos/me.png"),
              "/home/jens/.cache/thumbnails/normal/c6ee772d9e49320e97ec29a7eb5b1697.png");
    EXPECT_EQ(ThumbnailPath("/c/thumbnails", ThumbSize::Large, "file:///home/jens/photos/me.png"),
              "/c/thumbnails/large/c6ee772d9e49320e97ec29a7eb5b1697.png");
    EXPECT_EQ(FailurePath("/c/thumbnails", "file:///home/jens/photos/me.png"),
              "/c/thumbnails/fail/vimbra-6.71/c6ee772d9e49320e97ec29a7eb5b1697.png");
}

TEST(ThumbnailPaths, UriPercentEncoding) {
    EXPECT_EQ(FileUri("/home/jens/photos/me.png"), "file:///home/jens/photos/me.png");
    EXPECT_EQ(FileUri("/tmp/a b/c%d#e?f;g.jpg"), "file:///tmp/a%20b/c%25d%23e%3Ff%3Bg.jpg");
    // Kept as they are: the marks and sub-delimiters a path may hold.
    EXPECT_EQ(FileUri("/x/!$&'()*+,-.:=@_~"), "file:///x/!$&'()*+,-.:=@_~");
    EXPECT_EQ(FileUri("/x/[a]{b}|^`\"<>\\"), "file:///x/%5Ba%5D%7Bb%7D%7C%5E%60%22%3C%3E%5C");
    // UTF-8 bytes one by one, upper-case hex.
    EXPECT_EQ(FileUri("/photos/\xC3\xBC\xE2\x82\xAC.jpg"), "file:///photos/%C3%BC%E2%82%AC.jpg");
}

TEST(ThumbnailPaths, NameAgreesWithMd5sum) {
    for (const std::string path : {"/tmp/plain.jpg", "/tmp/with space/und \xC3\xBC.png", "/r/a;b#c.tif"}) {
        const std::string uri = FileUri(path);
        EXPECT_EQ(CacheFileName(uri), testutil::Md5sum(uri) + ".png") << uri;
    }
}

TEST(ThumbnailPaths, AbsoluteAndInsideCache) {
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(AbsolutePath("a/./b/../c.jpg"), cwd + "/a/c.jpg");
    EXPECT_EQ(AbsolutePath("/x//y/"), "/x/y");
    EXPECT_TRUE(InsideCache("/h/.cache/thumbnails", "/h/.cache/thumbnails/normal/x.png"));
    EXPECT_FALSE(InsideCache("/h/.cache/thumbnails", "/h/.cache/thumbnails2/x.png"));
    EXPECT_FALSE(InsideCache("/h/.cache/thumbnails", "/h/.cache/thumbnails"));
    EXPECT_FALSE(InsideCache("", "/x.png"));
}

// Puts an environment variable back as it was.
class EnvGuard {
public:
    explicit EnvGuard(const char* name) : name_(name) {
        if (const char* v = ::getenv(name)) old_ = v, had_ = true;
    }
    ~EnvGuard() { had_ ? ::setenv(name_, old_.c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

TEST(ThumbnailPaths, CacheRootFromEnvironment) {
    EnvGuard cache("XDG_CACHE_HOME"), home("HOME");
    ::setenv("XDG_CACHE_HOME", "/tmp/xc/", 1);
    ::setenv("HOME", "/home/u", 1);
    EXPECT_EQ(CacheRootFromEnvironment(), "/tmp/xc/thumbnails");
    ::setenv("XDG_CACHE_HOME", "  ", 1);  // blank counts as unset
    EXPECT_EQ(CacheRootFromEnvironment(), "/home/u/.cache/thumbnails");
    ::unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(CacheRootFromEnvironment(), "/home/u/.cache/thumbnails");
    ::unsetenv("HOME");
    EXPECT_EQ(CacheRootFromEnvironment(), "");
}

class FolderPicturesTest : public TempFolderTest {};

TEST_F(FolderPicturesTest, PicturesByNameIgnoringCase) {
    for (const char* name : {"b.JPG", "A.png", "c.tif", "a.PCX", "notes.txt", "song.mp3", ".hidden.jpg",
                             "drawing.wmf", "archive.zip", "noext"})
        file(name);
    std::filesystem::create_directory(dir_ / "d.jpg");
    std::filesystem::create_symlink(dir_ / "A.png", dir_ / "link.bmp");
    std::string error;
    const auto list = FolderPictures(dir_.string(), &error);
    std::vector<std::string> names;
    for (const auto& p : list) names.push_back(std::filesystem::path(p).filename().string());
    EXPECT_EQ(names, (std::vector<std::string>{"a.PCX", "A.png", "b.JPG", "c.tif", "drawing.wmf", "link.bmp"}));
    EXPECT_EQ(error, "");
    // The bookmark sort's order of the whole paths, however the folder is spelt.
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end(), [](const std::string& a, const std::string& b) {
        return PathLessIgnoringCase(a, b);
    }));
    for (const std::string& spelt : {dir_.string() + "/", dir_.string() + "/./"}) {
        std::vector<std::string> again;
        for (const auto& p : FolderPictures(spelt)) again.push_back(std::filesystem::path(p).filename().string());
        EXPECT_EQ(again, names) << spelt;
    }
    EXPECT_EQ(FolderPictures(dir_.string(), nullptr, 2).size(), 2u);
    EXPECT_TRUE(FolderPictures(missing("gone"), &error).empty());
    EXPECT_NE(error.find("gone"), std::string::npos);
}

}  // namespace
}  // namespace vimbra::thumbs
