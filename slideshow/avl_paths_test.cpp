#include "slideshow/avl_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "batch/temp_folder_test_util.h"

namespace vimbra {
namespace {

namespace fs = std::filesystem;

class AvlPaths : public TempFolderTest {
protected:
    std::string make(const std::string& relative) {
        const fs::path p = dir_ / relative;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << "x";
        return p.lexically_normal().string();
    }
    AvlSlide slide(const std::string& name, int folder) {
        AvlSlide s;
        s.hasFile = true;
        s.fileName = name;
        s.folderIndex = folder;
        return s;
    }
    std::string avl() const { return (dir_ / "show.avl").string(); }
};

TEST_F(AvlPaths, EmptyFolderEntryIsTheScriptsFolder) {
    const std::string beach = make("beach.JPG");
    AvlPathResolver r(avl(), {"c:\\"});
    EXPECT_EQ(r.resolve(slide("beach.JPG", 0)), beach);
}

TEST_F(AvlPaths, DriveLetterFolderMapsUnderTheScriptsFolder) {
    const std::string f = make("pics/sub/f.jpg");
    AvlPathResolver r(avl(), {"c:\\", "D:\\pics\\sub\\"});
    EXPECT_EQ(r.resolve(slide("f.jpg", 1)), f);
    // The entry now names where the file was found, for the slides that follow.
    EXPECT_EQ(r.directory()[1], (dir_ / "pics/sub/").lexically_normal().string());
}

TEST_F(AvlPaths, AbsoluteAndRelativeFoldersAsWritten) {
    const std::string f = make("abs/x.png");
    const std::string g = make("rel/y.png");
    AvlPathResolver r(avl(), {(dir_ / "abs").string(), "rel\\"});
    EXPECT_EQ(r.resolve(slide("x.png", 0)), f);
    EXPECT_EQ(r.resolve(slide("y.png", 1)), g);
    EXPECT_EQ(r.directory()[1], "rel\\");  // found as written: the entry stays
}

TEST_F(AvlPaths, BareFileNameInTheScriptsFolderLast) {
    const std::string f = make("f.jpg");
    AvlPathResolver r(avl(), {"E:\\elsewhere\\"});
    EXPECT_EQ(r.resolve(slide("old\\f.jpg", 0)), f);
    EXPECT_EQ(r.directory()[0], dir_.lexically_normal().string() + "/");
}

TEST_F(AvlPaths, ExactCaseWinsThenAnyCase) {
    const std::string upper = make("Beach.JPG");
    AvlPathResolver r(avl(), {"c:\\"});
    EXPECT_EQ(r.resolve(slide("beach.jpg", 0)), upper);
    const std::string exact = make("beach.jpg");
    EXPECT_EQ(r.resolve(slide("beach.jpg", 0)), exact);
}

TEST_F(AvlPaths, MissingFilesFolderNamesAndCdSlides) {
    AvlPathResolver r(avl(), {"c:\\"});
    EXPECT_EQ(r.resolve(slide("gone.jpg", 0)), std::nullopt);
    fs::create_directories(dir_ / "folder.jpg");
    EXPECT_EQ(r.resolve(slide("folder.jpg", 0)), std::nullopt);  // a folder is not a slide
    AvlSlide cd;
    EXPECT_EQ(r.resolve(cd), std::nullopt);
}

TEST(AvlMissingMessage, Text) {
    EXPECT_EQ(MissingSlideMessage(2, 3, "D:\\pics\\", "beach.JPG"),
              "Missing or unsupported file in slideshow.\nPlease see FAQ to resolve this problem.\n"
              "\nSlide 2 of 3\nFolder: D:\\pics\\\nFilename: beach.JPG");
}

}  // namespace
}  // namespace vimbra
