#include "batch/list_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "batch/bookmarks.h"

#include "batch/temp_folder_test_util.h"

namespace vimbra {
namespace {

namespace fs = std::filesystem;
using List = std::vector<std::string>;

class ListFile : public TempFolderTest {
protected:
    fs::path write(const std::string& name, const std::string& bytes) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    static std::string bytes(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

};

TEST_F(ListFile, RoundTripWritesCrLfLinesAndReadsThemBack) {
    const List paths{file("a b.jpg"), file("Ünïcode.PNG"), file("c.tif")};
    const fs::path vbl = dir_ / "list.vbl";
    ASSERT_EQ(WriteListFile(vbl, paths), "");
    EXPECT_EQ(bytes(vbl), paths[0] + "\r\n" + paths[1] + "\r\n" + paths[2] + "\r\n");

    const ListReadResult r = ReadListFile(vbl);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.entries, paths);
    EXPECT_EQ(r.skippedEmpty + r.skippedNotFiles, 0u);

    ASSERT_EQ(WriteListFile(vbl, {}), "");  // an empty list is an empty file
    EXPECT_EQ(bytes(vbl), "");
}

TEST_F(ListFile, ReadSkipsEmptyLinesAndWhatIsNotAFile) {
    const std::string a = file("a"), b = file("b");
    fs::create_directory(dir_ / "sub");
    const fs::path vbl = write("l.vbl", "\xEF\xBB\xBF" + a + "\r\n\r\n\n" + (dir_ / "sub").string() + "\r\n" +
                                            (dir_ / "gone").string() + "\n" + b);  // LF only, no final newline
    const ListReadResult r = ReadListFile(vbl);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.entries, (List{a, b}));
    EXPECT_EQ(r.skippedEmpty, 2u);
    EXPECT_EQ(r.skippedNotFiles, 2u);
}

TEST_F(ListFile, RelativeEntriesAreTakenFromTheListsFolder) {
    fs::create_directory(dir_ / "pics");
    const std::string a = file("pics/a.jpg");
    const fs::path vbl = write("pics/l.vbl", "a.jpg\r\n./a.jpg\r\n../pics/a.jpg\r\n");
    const ListReadResult r = ReadListFile(vbl);
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.entries, (List{a, a, a}));
}

TEST_F(ListFile, MalformedFilesFailWholeWithAMessage) {
    const std::string a = file("a");
    ListFileLimits small;
    small.maxLineLength = 64;
    small.maxEntries = 3;
    small.maxFileBytes = 4096;

    struct Case {
        const char* name;
        std::string content;
        const char* why;
    };
    const Case cases[] = {
        {"long.vbl", a + "\r\n/" + std::string(64, 'x') + "\r\n", "line 2 is longer than 64 characters"},
        {"many.vbl", a + "\n" + a + "\n\n\n" + a + "\n" + a + "\n", "more than 3 entries"},
        {"nul.vbl", a + std::string(1, '\0') + "junk\r\n", "line 1 holds a NUL byte"},
        {"big.vbl", std::string(5000, '\n'), "larger than 4096 bytes"},
    };
    for (const Case& c : cases) {
        const ListReadResult r = ReadListFile(write(c.name, c.content), small);
        EXPECT_FALSE(r.ok()) << c.name;
        EXPECT_NE(r.error.find(c.why), std::string::npos) << r.error;
        EXPECT_NE(r.error.find(c.name), std::string::npos) << r.error;
        EXPECT_TRUE(r.entries.empty()) << c.name;
    }
    // Exactly at the limits is fine.
    const ListReadResult r =
        ReadListFile(write("edge.vbl", a + "\n" + a + "\n\n/" + std::string(63, 'y') + "\n"), small);
    EXPECT_TRUE(r.ok()) << r.error;

    EXPECT_NE(ReadListFile(dir_ / "none.vbl").error.find("No such file"), std::string::npos);
    EXPECT_NE(ReadListFile(dir_).error.find("not a regular file"), std::string::npos);
    ASSERT_EQ(::mkfifo((dir_ / "fifo.vbl").c_str(), 0600), 0);
    EXPECT_NE(ReadListFile(dir_ / "fifo.vbl").error.find("not a regular file"), std::string::npos);
}

TEST_F(ListFile, FailedLoadLeavesTheOldListInPlace) {
    const std::string a = file("a"), b = file("b");
    Bookmarks bm;
    bm.replace({a, b}, 1);
    std::string error;

    EXPECT_FALSE(LoadBookmarks(bm, dir_ / "missing.vbl", error));
    EXPECT_NE(error.find("Cannot load the bookmark list"), std::string::npos);
    EXPECT_FALSE(LoadBookmarks(bm, write("dead.vbl", (dir_ / "x").string() + "\r\n\r\n"), error));
    EXPECT_NE(error.find("names no existing file"), std::string::npos);
    EXPECT_EQ(bm.entries(), (List{a, b}));
    EXPECT_EQ(bm.BookmarkIndex(), 1);

    // Every line is an entry: an empty line and a missing file keep their places.
    const std::string gone = (dir_ / "gone").string();
    ASSERT_TRUE(LoadBookmarks(bm, write("ok.vbl", b + "\r\n\r\n" + gone + "\r\n" + a + "\r\n"), error)) << error;
    EXPECT_EQ(bm.entries(), (List{b, "", gone, a}));
    EXPECT_EQ(bm.BookmarkIndex(), 0);
    EXPECT_EQ(error, "");
}

TEST_F(ListFile, SaveReplacesAtomicallyAndRefusesLineBreaks) {
    const std::string a = file("a");
    const fs::path vbl = write("l.vbl", "old\r\n");
    ASSERT_EQ(::chmod(vbl.c_str(), 0640), 0);

    const std::string err = WriteListFile(vbl, {a, "/p/two\nlines"});
    EXPECT_NE(err.find("line break"), std::string::npos) << err;
    EXPECT_EQ(bytes(vbl), "old\r\n");

    Bookmarks bm;
    bm.replace({a}, 0);
    ASSERT_EQ(SaveBookmarks(bm, vbl), "");
    EXPECT_EQ(bytes(vbl), a + "\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(vbl.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // Through a link the linked file is replaced and the link stays.
    fs::create_symlink(vbl, dir_ / "link.vbl");
    ASSERT_EQ(WriteListFile(dir_ / "link.vbl", {a, a}), "");
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.vbl"));
    EXPECT_EQ(bytes(vbl), a + "\r\n" + a + "\r\n");
    fs::remove(dir_ / "link.vbl");

    // No temporary file is left beside it, whether the save worked or not.
    EXPECT_NE(WriteListFile(dir_ / "no" / "such" / "l.vbl", {a}), "");
    EXPECT_NE(WriteListFile(dir_, {a}), "");
    size_t count = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++count;
    EXPECT_EQ(count, 2u);  // "a" and "l.vbl"
}

}  // namespace
}  // namespace vimbra
