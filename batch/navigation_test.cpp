#include "batch/navigation.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "batch/temp_folder_test_util.h"

namespace vimbra {
namespace {

namespace fs = std::filesystem;
using List = std::vector<std::string>;

class Navigation : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        load_ = [this](const std::string& p) {
            loads_.push_back(p);
            return !failing_;
        };
    }
    Bookmarks list(List entries, int32_t index) {
        Bookmarks b;
        b.replace(std::move(entries), index);
        return b;
    }

    List loads_;
    bool failing_ = false;
    Loader load_;
};

TEST_F(Navigation, NextAndPreviousWrapAround) {
    const List abc{file("a"), file("b"), file("c")};
    Bookmarks b = list(abc, 1);

    NavResult r = NavigateNext(b, load_);
    EXPECT_TRUE(r.loaded);
    EXPECT_FALSE(r.wrapped);
    EXPECT_EQ(b.BookmarkIndex(), 2);

    r = NavigateNext(b, load_);
    EXPECT_TRUE(r.wrapped);
    EXPECT_EQ(b.BookmarkIndex(), 0);

    r = NavigatePrevious(b, load_);
    EXPECT_TRUE(r.wrapped);
    EXPECT_EQ(b.BookmarkIndex(), 2);
    r = NavigatePrevious(b, load_);
    EXPECT_FALSE(r.wrapped);
    EXPECT_EQ(b.BookmarkIndex(), 1);

    EXPECT_EQ(loads_, (List{abc[2], abc[0], abc[2], abc[1]}));
    EXPECT_EQ(b.entries(), abc);
}

TEST_F(Navigation, NextAndPreviousNeedTwoEntriesFirstAndLastOne) {
    Bookmarks one = list({file("a")}, 0);
    EXPECT_FALSE(NavigateNext(one, load_).moved);
    EXPECT_FALSE(NavigatePrevious(one, load_).moved);
    EXPECT_TRUE(loads_.empty());
    EXPECT_TRUE(NavigateFirst(one, load_).loaded);
    EXPECT_TRUE(NavigateLast(one, load_).loaded);
    EXPECT_EQ(loads_.size(), 2u);

    Bookmarks none;
    EXPECT_FALSE(NavigateNext(none, load_).moved);
    EXPECT_FALSE(NavigateFirst(none, load_).moved);
    EXPECT_FALSE(NavigateLast(none, load_).moved);
    EXPECT_EQ(loads_.size(), 2u);
}

TEST_F(Navigation, VanishedEntriesAreDroppedAndTheWalkGoesOn) {
    const std::string a = file("a"), d = file("d"), e = file("e");
    Bookmarks b = list({a, missing("b"), missing("c"), d, e}, 0);
    NavResult r = NavigateNext(b, load_);
    EXPECT_EQ(r.removed, 2u);
    EXPECT_TRUE(r.loaded);
    EXPECT_EQ(b.entries(), (List{a, d, e}));
    EXPECT_EQ(*b.current(), d);

    b = list({a, missing("b"), missing("c"), d}, 3);
    r = NavigatePrevious(b, load_);
    EXPECT_EQ(r.removed, 2u);
    EXPECT_EQ(*b.current(), a);
    EXPECT_FALSE(r.wrapped);

    // Dropping the tail wraps to the front; the caller learns it.
    b = list({a, d, missing("z")}, 1);
    r = NavigateNext(b, load_);
    EXPECT_TRUE(r.wrapped);
    EXPECT_EQ(b.entries(), (List{a, d}));
    EXPECT_EQ(*b.current(), a);

    // Dropping the head while going back wraps to the end.
    b = list({missing("y"), a, d}, 1);
    r = NavigatePrevious(b, load_);
    EXPECT_TRUE(r.wrapped);
    EXPECT_EQ(b.entries(), (List{a, d}));
    EXPECT_EQ(*b.current(), d);

    EXPECT_EQ(loads_, (List{d, a, a, d}));
}

TEST_F(Navigation, FirstAndLastSkipVanishedEnds) {
    const std::string b1 = file("b"), c = file("c");
    Bookmarks b = list({missing("a"), b1, c, missing("d")}, 1);
    NavResult r = NavigateLast(b, load_);
    EXPECT_EQ(*b.current(), c);
    EXPECT_FALSE(r.wrapped);
    r = NavigateFirst(b, load_);
    EXPECT_EQ(*b.current(), b1);
    EXPECT_EQ(b.entries(), (List{b1, c}));
    EXPECT_EQ(loads_, (List{c, b1}));

    // Last walks back over a vanished run to the first survivor.
    b = list({c, missing("p"), missing("q")}, 0);
    r = NavigateLast(b, load_);
    EXPECT_FALSE(r.wrapped);
    EXPECT_EQ(r.removed, 2u);
    EXPECT_EQ(b.entries(), (List{c}));
}

TEST_F(Navigation, AllVanishedEmptiesTheList) {
    Bookmarks b = list({missing("a"), missing("b"), missing("c")}, 0);
    NavResult r = NavigateNext(b, load_);
    EXPECT_TRUE(r.emptied);
    EXPECT_EQ(r.removed, 3u);
    EXPECT_TRUE(b.empty());
    EXPECT_EQ(b.BookmarkIndex(), 0);
    EXPECT_TRUE(loads_.empty());

    b = list({missing("a"), missing("b")}, 1);
    EXPECT_TRUE(NavigatePrevious(b, load_).emptied);
    b = list({missing("a")}, 0);
    EXPECT_TRUE(NavigateLast(b, load_).emptied);
}

TEST_F(Navigation, StopAtEndLeavesTheLastFileCurrentAndLoadsNothing) {
    const std::string a = file("a"), b1 = file("b");
    Bookmarks b = list({a, b1}, 1);
    NavResult r = NavigateNext(b, load_, AtEnd::Stop);
    EXPECT_TRUE(r.wrapped);
    EXPECT_FALSE(r.loaded);
    EXPECT_EQ(b.BookmarkIndex(), 1);

    // A vanished tail is dropped, and the end is still recognised.
    b = list({a, b1, missing("c"), missing("d")}, 1);
    r = NavigateNext(b, load_, AtEnd::Stop);
    EXPECT_TRUE(r.wrapped);
    EXPECT_EQ(r.removed, 2u);
    EXPECT_EQ(b.entries(), (List{a, b1}));
    EXPECT_EQ(*b.current(), b1);

    b = list({a, b1}, 0);
    r = NavigateNext(b, load_, AtEnd::Stop);
    EXPECT_FALSE(r.wrapped);
    EXPECT_TRUE(r.loaded);
    EXPECT_EQ(loads_, (List{b1}));
}

TEST_F(Navigation, AFailedLoadKeepsTheEntryAndMovesOn) {
    const std::string a = file("a"), b1 = file("b");
    Bookmarks b = list({a, b1}, 0);
    failing_ = true;
    NavResult r = NavigateNext(b, load_);
    EXPECT_TRUE(r.moved);
    EXPECT_FALSE(r.loaded);
    EXPECT_EQ(b.entries(), (List{a, b1}));
    EXPECT_EQ(b.BookmarkIndex(), 1);
}

TEST_F(Navigation, LoaderMayEnterTheFileIntoTheSameList) {
    const std::string a = file("a"), b1 = file("b"), c = file("c");
    Bookmarks b = list({a, b1, c}, 2);
    const Loader entering = [&](const std::string& p) {
        b.UpdateHistory(p);  // what the load dispatch does after opening
        return true;
    };
    EXPECT_TRUE(NavigateNext(b, entering).loaded);
    EXPECT_TRUE(NavigatePrevious(b, entering).loaded);
    EXPECT_EQ(b.entries(), (List{a, b1, c}));
    EXPECT_EQ(b.BookmarkIndex(), 2);
}

TEST_F(Navigation, HistoryClickOpensOnlyAnotherFile) {
    const std::string a = file("a"), b1 = file("b");
    Bookmarks b = list({a, b1}, 0);
    EXPECT_FALSE(HistoryClick(b, a, load_).moved);
    EXPECT_TRUE(HistoryClick(b, b1, load_).loaded);
    EXPECT_EQ(loads_, (List{a}));

    b = list({missing("x"), b1}, 0);  // a vanished entry is removed, its neighbour opened
    NavResult r = HistoryClick(b, a, load_);
    EXPECT_EQ(r.removed, 1u);
    EXPECT_EQ(b.entries(), (List{b1}));
    EXPECT_EQ(loads_.back(), b1);
}

TEST_F(Navigation, TypedPathsAndExplore) {
    const std::string a = file("a.jpg");
    const std::string folder = dir_.string();
    EXPECT_EQ(HistoryKeyPress(a, a).action, TypedPath::Nothing);
    TypedPath t = HistoryKeyPress(a, "/else");
    EXPECT_EQ(t.action, TypedPath::Open);
    EXPECT_EQ(t.path, a);
    EXPECT_EQ(HistoryKeyPress(folder + "/A.JPG", a).action, TypedPath::NotFound);  // case matters
    t = HistoryKeyPress(folder, a);
    EXPECT_EQ(t.action, TypedPath::Explore);
    EXPECT_EQ(t.path, folder + "/");
    EXPECT_EQ(HistoryKeyPress(folder + "/", a).path, folder + "/");
    EXPECT_EQ(HistoryKeyPress("", a).action, TypedPath::NotFound);

    EXPECT_EQ(ExploreFolder(a, "/prog"), folder);
    EXPECT_EQ(ExploreFolder(folder + "/gone/x.jpg", "/prog"), "/prog");
    EXPECT_EQ(ExploreFolder("", "/prog"), "/prog");
}

}  // namespace
}  // namespace vimbra
