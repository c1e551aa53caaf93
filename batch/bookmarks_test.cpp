#include "batch/bookmarks.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "core/workspace.h"

#include "batch/temp_folder_test_util.h"

namespace vimbra {
namespace {

namespace fs = std::filesystem;
using List = std::vector<std::string>;

class BookmarkFiles : public TempFolderTest {
protected:

};

Bookmarks Make(List entries, int32_t index) {
    Bookmarks b;
    b.replace(std::move(entries), index);
    return b;
}

TEST(UpdateHistory, NewFileGoesAfterCurrentOrToTheFront) {
    Bookmarks b = Make({"/p/a", "/p/b"}, 1);
    b.UpdateHistory("/p/c");
    EXPECT_EQ(b.entries(), (List{"/p/a", "/p/b", "/p/c"}));
    EXPECT_EQ(b.BookmarkIndex(), 2);

    b = Make({"/p/a", "/p/b"}, 0);
    b.UpdateHistory("/p/c");
    EXPECT_EQ(b.entries(), (List{"/p/c", "/p/a", "/p/b"}));
    EXPECT_EQ(b.BookmarkIndex(), 0);

    b = Make({"/p/a", "/p/b", "/p/c"}, 1);
    b.UpdateHistory("/p/d");
    EXPECT_EQ(b.entries(), (List{"/p/a", "/p/b", "/p/d", "/p/c"}));
    EXPECT_EQ(b.BookmarkIndex(), 2);

    Bookmarks empty;
    empty.UpdateHistory("/p/a");
    EXPECT_EQ(empty.entries(), (List{"/p/a"}));
    EXPECT_EQ(empty.BookmarkIndex(), 0);
}

TEST(UpdateHistory, CurrentEntryIsNotAddedAgainButOtherCaseIsAnotherFile) {
    Bookmarks b = Make({"/p/a.jpg", "/p/b.jpg"}, 1);
    b.UpdateHistory("/p/b.jpg");
    b.UpdateHistory("/p/./b.jpg");
    b.UpdateHistory("/p//b.jpg");
    EXPECT_EQ(b.size(), 2u);

    b.UpdateHistory("/p/B.JPG");
    EXPECT_EQ(b.entries(), (List{"/p/a.jpg", "/p/b.jpg", "/p/B.JPG"}));
    EXPECT_EQ(b.BookmarkIndex(), 2);
    EXPECT_EQ(*b.current(), "/p/B.JPG");
}

TEST(UpdateHistory, SkippedWhileABatchRuns) {
    Workspace ws;
    Bookmarks b = Make({"/p/a"}, 0);
    ws.CurrentFileName = "/p/b";
    ws.BatchRunning = true;
    UpdateHistory(b, ws);
    EXPECT_EQ(b.size(), 1u);
    ws.BatchRunning = false;
    UpdateHistory(b, ws);
    EXPECT_EQ(b.entries(), (List{"/p/b", "/p/a"}));
}

TEST(Bookmarks, MultiOpenAppendsAllButTheFirstFromTheLastBack) {
    Bookmarks b = Make({"/p/x"}, 0);
    const List chosen{"/p/1", "/p/2", "/p/3", "/p/4"};
    b.appendOpenedFiles(chosen);
    b.UpdateHistory(chosen[0]);
    EXPECT_EQ(b.entries(), (List{"/p/1", "/p/x", "/p/4", "/p/3", "/p/2"}));
    EXPECT_EQ(b.BookmarkIndex(), 0);
}

TEST(Bookmarks, IndexStaysInsideTheList) {
    Bookmarks b = Make({"/a", "/b"}, 7);
    EXPECT_EQ(b.BookmarkIndex(), 1);
    EXPECT_FALSE(b.setBookmarkIndex(2));
    EXPECT_FALSE(b.setBookmarkIndex(-1));
    EXPECT_EQ(b.BookmarkIndex(), 1);

    b.removeAt(0);  // the current entry moves down with its position
    EXPECT_EQ(b.BookmarkIndex(), 0);
    EXPECT_EQ(*b.current(), "/b");
    b.removeAt(0);
    EXPECT_EQ(b.current(), nullptr);
    EXPECT_EQ(b.BookmarkIndex(), 0);
}

TEST_F(BookmarkFiles, RemovingTheCurrentEntryOpensItsNeighbour) {
    const List three{file("a"), file("b"), file("c")};
    List opened;
    const Loader open = [&](const std::string& p) {
        opened.push_back(p);
        return true;
    };

    Bookmarks b = Make(three, 0);  // first of three: the new first
    RemovalResult r = b.HistoryChangeUpdate(open);
    EXPECT_EQ(b.entries(), (List{three[1], three[2]}));
    EXPECT_EQ(b.BookmarkIndex(), 0);
    EXPECT_TRUE(r.opened);
    EXPECT_EQ(opened.back(), three[1]);

    b = Make(three, 2);  // third: the second
    b.HistoryChangeUpdate(open);
    EXPECT_EQ(b.BookmarkIndex(), 1);
    EXPECT_EQ(opened.back(), three[1]);

    b = Make(three, 1);  // middle: the one before
    b.HistoryChangeUpdate(open);
    EXPECT_EQ(b.entries(), (List{three[0], three[2]}));
    EXPECT_EQ(opened.back(), three[0]);

    b = Make({three[0]}, 0);  // the only one: blank picture
    opened.clear();
    r = b.HistoryChangeUpdate(open);
    EXPECT_TRUE(r.emptied);
    EXPECT_FALSE(r.opened);
    EXPECT_TRUE(b.empty());
    EXPECT_TRUE(opened.empty());
}

TEST_F(BookmarkFiles, VanishedNeighboursAreDroppedInOneGo) {
    const std::string a = file("a"), e = file("e");
    Bookmarks b = Make({a, missing("b"), missing("c"), missing("d"), e}, 4);
    List opened;
    RemovalResult r = b.HistoryChangeUpdate([&](const std::string& p) {
        opened.push_back(p);
        return true;
    });
    EXPECT_EQ(r.removed, 4u);
    EXPECT_EQ(b.entries(), (List{a}));
    EXPECT_EQ(opened, (List{a}));

    // Past the front, the entry that slid into place is tried next.
    b = Make({missing("x"), a, e}, 1);
    r = b.HistoryChangeUpdate(nullptr);
    EXPECT_EQ(r.removed, 2u);
    EXPECT_EQ(b.entries(), (List{e}));

    // Many vanished entries must not deepen the stack.
    List many(100000, missing("gone"));
    b = Make(many, 50000);
    r = b.HistoryChangeUpdate(nullptr);
    EXPECT_TRUE(r.emptied);
    EXPECT_EQ(r.removed, 100000u);
}

TEST_F(BookmarkFiles, SortIgnoresCaseKeepsCaseDistinctFilesAndDropsExactDuplicates) {
    const std::string B = file("B.jpg"), a = file("a.jpg"), A = file("A.JPG");
    Bookmarks b = Make({B, a, A, a}, 2);
    EXPECT_EQ(b.sort(), 1u);
    EXPECT_EQ(b.entries(), (List{A, a, B}));
    EXPECT_EQ(b.BookmarkIndex(), 0);

    // Spelled differently, still the same file: one remains.
    b = Make({B, dir_.string() + "//a.jpg", a}, 0);
    EXPECT_EQ(b.sort(), 1u);
    ASSERT_EQ(b.size(), 2u);
    EXPECT_TRUE(SamePath(b[0], a));
    EXPECT_EQ(b[1], B);
}

TEST_F(BookmarkFiles, SortDropsMissingFilesOnlyWhenMoreThanOneEntryIsLeft) {
    const std::string z = file("z"), gone = missing("m");
    Bookmarks b = Make({z, gone, dir_.string()}, 1);
    EXPECT_EQ(b.sort(), 2u);  // a folder is no bookmarkable file either
    EXPECT_EQ(b.entries(), (List{z}));

    b = Make({gone, gone}, 1);
    EXPECT_EQ(b.sort(), 1u);
    EXPECT_EQ(b.entries(), (List{gone}));
}

TEST_F(BookmarkFiles, RemoveMissingKeepsTheCurrentEntryCurrent) {
    const std::string a = file("a"), c = file("c"), e = file("e");
    Bookmarks b = Make({missing("0"), a, missing("b"), c, missing("d"), e}, 3);
    EXPECT_EQ(b.removeMissing(), 3u);
    EXPECT_EQ(b.entries(), (List{a, c, e}));
    EXPECT_EQ(*b.current(), c);

    b = Make({a, missing("b"), c}, 1);  // a vanished current gives way to the one before
    b.removeMissing();
    EXPECT_EQ(*b.current(), a);
    b = Make({missing("x"), c}, 0);
    b.removeMissing();
    EXPECT_EQ(*b.current(), c);
}

}  // namespace
}  // namespace vimbra
