#include "batch/file_ops.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>

#include "batch/temp_folder_test_util.h"

namespace vimbra {
namespace {

namespace fs = std::filesystem;

class FileOpsTest : public TempFolderTest {
protected:
    std::string write(const std::string& name, const std::string& content) {
        const fs::path p = dir_ / name;
        fs::create_directories(p.parent_path());
        std::ofstream(p) << content;
        return p.string();
    }
    std::string read(const std::string& name) {
        std::ifstream in(dir_ / name);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool has(const std::string& name) { return fs::exists(dir_ / name); }
};

class CancelAfter : public BatchProgress {
public:
    explicit CancelAfter(size_t n) : n_(n) {}
    void step(size_t done, size_t, int percent) override {
        steps.push_back(percent);
        done_ = done;
    }
    bool cancelRequested() override { return done_ >= n_; }
    std::vector<int> steps;

private:
    size_t n_, done_ = 0;
};

TEST(RenameNames, DigitsFollowTheCount) {
    EXPECT_EQ(RenameDigits(1), 1);
    EXPECT_EQ(RenameDigits(9), 1);
    EXPECT_EQ(RenameDigits(10), 2);
    EXPECT_EQ(RenameDigits(99), 2);
    EXPECT_EQ(RenameDigits(100), 3);
    EXPECT_EQ(RenameDigits(9999), 4);
    EXPECT_EQ(RenameDigits(10000), 5);
    EXPECT_EQ(RenamedFileName(RenameMode::Sequence, "pic", 1, 12, "/d/x.jpg"), "pic01.jpg");
    EXPECT_EQ(RenamedFileName(RenameMode::Sequence, "pic", 9, 9, "/d/Y.PNG"), "pic9.PNG");
    EXPECT_EQ(RenamedFileName(RenameMode::Sequence, "", 7, 99999, "/d/x"), "00007");
    EXPECT_EQ(RenamedFileName(RenameMode::NumericPrefix, "", 1, 120, "/d/name.jpg"), "001~name.jpg");
    EXPECT_EQ(RenamedFileName(RenameMode::NumericPrefix, "", 120, 120, "/d/name.jpg"),
              "120~name.jpg");
}

TEST_F(FileOpsTest, SequenceOfTwelveAndNumericPrefix) {
    std::vector<std::string> files;
    for (int i = 0; i < 12; ++i) files.push_back(write("f" + std::to_string(i) + ".jpg", std::to_string(i)));
    const BatchOutcome out = BatchRename(files, RenameMode::Sequence, "pic");
    EXPECT_TRUE(out.completed());
    EXPECT_EQ(read("pic01.jpg"), "0");
    EXPECT_EQ(read("pic12.jpg"), "11");
    EXPECT_FALSE(has("f0.jpg"));
    EXPECT_EQ(out.files[11].to, (dir_ / "pic12.jpg").string());

    const BatchOutcome numeric =
        BatchRename({(dir_ / "pic01.jpg").string(), (dir_ / "pic02.jpg").string()},
                    RenameMode::NumericPrefix, "");
    EXPECT_TRUE(numeric.completed());
    EXPECT_EQ(read("1~pic01.jpg"), "0");
    EXPECT_EQ(read("2~pic02.jpg"), "1");
}

TEST_F(FileOpsTest, NamesHeldByTheListItselfGoThroughTemporaryNames) {
    // pic2 -> pic1 and pic1 -> pic2: a swap.
    const BatchOutcome swap =
        BatchRename({write("pic2.jpg", "two"), write("pic1.jpg", "one")}, RenameMode::Sequence, "pic");
    EXPECT_TRUE(swap.completed());
    EXPECT_EQ(read("pic1.jpg"), "two");
    EXPECT_EQ(read("pic2.jpg"), "one");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

TEST_F(FileOpsTest, NameOfAFileOutsideTheListIsNeverReplaced) {
    write("pic1.jpg", "keep");
    const std::string a = write("a.jpg", "a"), b = write("b.jpg", "b");
    const BatchOutcome out = BatchRename({a, b, a, (dir_ / "gone.jpg").string()}, RenameMode::Sequence, "pic");
    ASSERT_EQ(out.files.size(), 4u);
    EXPECT_FALSE(out.files[0].ok);
    EXPECT_EQ(out.files[0].message, "Could not rename a.jpg");
    EXPECT_TRUE(out.files[1].ok);
    EXPECT_FALSE(out.files[2].ok);  // listed twice
    EXPECT_FALSE(out.files[3].ok);  // missing
    EXPECT_EQ(out.failures(), 3u);
    EXPECT_EQ(read("pic1.jpg"), "keep");
    EXPECT_EQ(read("a.jpg"), "a");
    EXPECT_EQ(read("pic2.jpg"), "b");

    const BatchOutcome many =
        BatchRename(std::vector<std::string>(kMaxRenameCount + 1, a), RenameMode::Sequence, "p");
    ASSERT_EQ(many.files.size(), 1u);
    EXPECT_EQ(many.files[0].message, kTooManyToRename);
}

TEST_F(FileOpsTest, CopyAndMoveNeverOverwrite) {
    const std::string a = write("src/a.jpg", "new a"), b = write("src/b.jpg", "b");
    write("dst/a.jpg", "old a");
    const std::string dst = (dir_ / "dst").string();
    EXPECT_EQ(TransferCollisions({a, b, write("other/b.jpg", "b2")}, dst),
              (std::vector<std::string>{a, (dir_ / "other/b.jpg").string()}));

    const BatchOutcome copied = TransferFiles({a, b}, dst, TransferMode::Copy);
    EXPECT_FALSE(copied.completed());
    EXPECT_FALSE(copied.files[0].ok);
    EXPECT_TRUE(copied.files[1].ok);
    EXPECT_EQ(read("dst/a.jpg"), "old a");
    EXPECT_EQ(read("dst/b.jpg"), "b");
    EXPECT_TRUE(has("src/b.jpg"));

    const BatchOutcome moved = TransferFiles({a, b}, (dir_ / "moved").string(), TransferMode::Move);
    EXPECT_FALSE(moved.completed());  // the folder does not exist
    fs::create_directory(dir_ / "moved");
    EXPECT_TRUE(TransferFiles({a, b}, (dir_ / "moved").string(), TransferMode::Move).completed());
    EXPECT_EQ(read("moved/a.jpg"), "new a");
    EXPECT_FALSE(has("src/a.jpg"));
}

TEST_F(FileOpsTest, RecycleGoesToTheTrashAndCancelStopsBeforeTheNextFile) {
    const std::string home = (dir_ / "data").string();
    fs::create_directories(home);
    ::setenv("XDG_DATA_HOME", home.c_str(), 1);
    const std::string a = write("a.jpg", "a"), b = write("b.jpg", "b"), c = write("c.jpg", "c");
    CancelAfter cancel(1);
    const BatchOutcome out = DeleteFiles({a, b}, DeleteMode::Recycle, &cancel);
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_TRUE(out.cancelled);
    EXPECT_FALSE(out.completed());
    ASSERT_EQ(out.files.size(), 1u);
    EXPECT_TRUE(out.files[0].ok) << out.files[0].message;
    EXPECT_FALSE(has("a.jpg"));
    EXPECT_TRUE(has("b.jpg"));
    EXPECT_EQ(read("data/Trash/files/a.jpg"), "a");
    EXPECT_EQ(cancel.steps, std::vector<int>{50});

    EXPECT_TRUE(DeleteFile(c, DeleteMode::Permanent).ok);
    EXPECT_FALSE(has("c.jpg"));
    EXPECT_EQ(DeleteFile(c, DeleteMode::Permanent).message, "c.jpg not found.");
    EXPECT_EQ(RecycleQuestion(b), "Recycle b.jpg\n\n[Ignore] avoids this dialog (for experts).");
}

}  // namespace
}  // namespace vimbra
