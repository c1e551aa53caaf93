#include "shell/menu_layout.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "commands/color_commands.h"
#include "commands/correction_commands.h"
#include "commands/tone_commands.h"
#include "commands/color_mask_commands.h"
#include "commands/compose_commands.h"
#include "commands/filter_commands.h"

namespace vimbra {
namespace {

std::vector<std::string> Captions(const std::vector<const MenuRow*>& rows) {
    std::vector<std::string> out;
    for (const MenuRow* r : rows) out.emplace_back(r->caption);
    return out;
}

TEST(ResolveMenuRowsTest, UnknownHandlersAndStraySeparatorsGo) {
    using V = ViewerAction;
    const MenuRow rows[] = {
        MenuRow::separator("&File"),                 // leading: dropped
        {"&File", "&Open", "", V::Open},
        MenuRow::separator("&File"),
        {"&File", "&Print", "", V::Print},           // not built
        MenuRow::separator("&File"),                 // doubled: one kept
        {"&File/&Bookmarks", "&View", "", V::BookmarksView},
        MenuRow::separator("&File"),                 // trailing: dropped
        {"&Edit", "&Undo", "", V::Print},
        MenuRow::separator("&Edit"),
        {"&Help", "&Index", "", V::HelpContext},     // other menu: no separator
    };
    const std::set<std::string> built{"onOpen", "onBookmarksView", "onHelpContext"};
    const auto kept = ResolveMenuRows(rows, [&](std::string_view h) {
        return built.count(std::string(h)) != 0;
    });
    EXPECT_EQ(Captions(kept), (std::vector<std::string>{"&Open", "-", "&View", "&Index"}));
    // The separator kept is the one before the submenu, in the File menu.
    EXPECT_STREQ(kept[1]->path, "&File");
}

TEST(ResolveMenuRowsTest, EmptyWhenNothingIsBuilt) {
    EXPECT_TRUE(ResolveMenuRows(MainMenuLayout(), [](std::string_view) { return false; }).empty());
}

TEST(MenuLayoutTest, EveryEditingCommandHasItsMenuItemOnce) {
    std::multiset<std::string> handlers;
    for (const MenuRow& r : MainMenuLayout()) handlers.insert(r.handler);
    auto check = [&](const auto& span) {
        for (const auto& c : span) EXPECT_EQ(handlers.count(c.name), 1u) << c.name;
    };
    check(ToneMenuCommands());
    check(CorrectionMenuCommands());
    check(ColorMenuCommands());
    check(ComposeMenuCommands());
    check(ComposeCustomCommands());
    check(ColorMaskMenuCommands());
    check(ColorMaskCustomCommands());
    check(FilterMenuCommands());
    check(FilterCustomCommands());
}

TEST(MenuLayoutTest, SharedHandlersAreToldApartByTag) {
    std::set<std::pair<std::string, int>> seen;
    for (const MenuRow& r : MainMenuLayout()) {
        if (std::string_view(r.caption) == "-") continue;
        EXPECT_TRUE(seen.emplace(r.handler, r.tag).second) << r.handler << " " << r.tag;
    }
    // First and Last share one handler.
    EXPECT_TRUE(seen.count({"onFirstImage", 0}) && seen.count({"onFirstImage", 1}));
}

}  // namespace
}  // namespace vimbra

namespace vimbra {
namespace {

TEST(ColorItemsTest, ByDepth) {
    const ColorItemStates one = ColorItemsFor(1);
    EXPECT_TRUE(one.negative);
    EXPECT_FALSE(one.grayShades);
    EXPECT_TRUE(one.promote16M && one.promote256 && one.promote16 && one.promoteMenu);
    EXPECT_FALSE(one.reduceMenu);
    const ColorItemStates four = ColorItemsFor(4);
    EXPECT_FALSE(four.negative);
    EXPECT_FALSE(four.promote16);
    EXPECT_TRUE(four.promote256 && four.reduceMenu);
    EXPECT_FALSE(four.reduce16 || four.reduce256);
    const ColorItemStates eight = ColorItemsFor(8);
    EXPECT_TRUE(eight.negative && eight.grayShades && eight.promote16M && eight.reduce16);
    EXPECT_FALSE(eight.promote256 || eight.reduce256);
    const ColorItemStates full = ColorItemsFor(24);
    EXPECT_FALSE(full.promoteMenu || full.promote16M);
    EXPECT_TRUE(full.reduce256 && full.reduce16 && full.negative);
}

TEST(ColorItemsTest, FiltersNeedSixteenSquarePixelsAndEightBits) {
    EXPECT_TRUE(SmoothAndSharpenShown(8, 16, 16));
    EXPECT_FALSE(SmoothAndSharpenShown(8, 15, 16));
    EXPECT_FALSE(SmoothAndSharpenShown(24, 16, 15));
    EXPECT_FALSE(SmoothAndSharpenShown(4, 640, 480));
    EXPECT_TRUE(SmoothAndSharpenShown(24, 16, 4000));
}

TEST(ContextMenuLayoutTest, SharesHandlersWithTheMenuBar) {
    std::set<std::string> bar;
    for (const MenuRow& r : MainMenuLayout()) bar.insert(r.handler);
    std::set<std::pair<std::string, int>> seen;
    for (const MenuRow& r : ContextMenuLayout()) {
        if (std::string_view(r.caption) == "-") continue;
        EXPECT_TRUE(seen.emplace(r.handler, r.tag).second) << r.handler;
        // Context rows carry no shortcut of their own (the menu bar's run),
        // except the hidden item that exists only for Shift+Del.
        if (std::string_view(r.caption) == "[Recyle]") {
            EXPECT_STREQ(r.shortcut, "Shift+Del");
            EXPECT_STREQ(r.handler, "onDelete");
            EXPECT_EQ(r.tag, kRecycleKey);
            continue;
        }
        EXPECT_STREQ(r.shortcut, "") << r.handler;
    }
    // The bookmark and view items are the menu bar's handlers too.
    for (const char* h : {"onHistorySort", "onFitWindow", "onPageChange"})
        EXPECT_TRUE(bar.count(h)) << h;
    EXPECT_TRUE(seen.count({"onBookmarkUnmark", kPictureUnmark}));
    EXPECT_TRUE(seen.count({"onBookmarkUnmark", kPathBoxUnmark}));
}

}  // namespace
}  // namespace vimbra
