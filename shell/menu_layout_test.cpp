#include "shell/menu_layout.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/color_commands.h"
#include "core/correction_commands.h"
#include "core/tone_commands.h"
#include "filters/color_mask_commands.h"
#include "filters/compose_commands.h"
#include "filters/filter_commands.h"

namespace vimbra {
namespace {

std::vector<std::string> Captions(const std::vector<const MenuRow*>& rows) {
    std::vector<std::string> out;
    for (const MenuRow* r : rows) out.emplace_back(r->caption);
    return out;
}

TEST(ResolveMenuRowsTest, UnknownHandlersAndStraySeparatorsGo) {
    const MenuRow rows[] = {
        {"&File", "-", "", ""},                 // leading: dropped
        {"&File", "&Open", "", "open"},
        {"&File", "-", "", ""},
        {"&File", "&Print", "", "print"},       // not built
        {"&File", "-", "", ""},                 // doubled: one kept
        {"&File/&Bookmarks", "&View", "", "view"},
        {"&File", "-", "", ""},                 // trailing: dropped
        {"&Edit", "&Undo", "", "print"},
        {"&Edit", "-", "", ""},
        {"&Help", "&Index", "", "help"},        // other menu: no separator
    };
    const std::set<std::string> built{"open", "view", "help"};
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
    EXPECT_TRUE(seen.count({"mnuFirstImageClick", 0}) && seen.count({"mnuFirstImageClick", 1}));
}

TEST(FindMenuCommandTest, BySpan) {
    EXPECT_NE(FindMenuCommand("mnuNegativeClick").edit, nullptr);
    EXPECT_NE(FindMenuCommand("mnuGammaGlobalClick").edit, nullptr);
    EXPECT_NE(FindMenuCommand("mnuDuplicate1Click").custom, nullptr);
    EXPECT_FALSE(FindMenuCommand("mnuPrintClick"));
    EXPECT_FALSE(FindMenuCommand(""));
}

}  // namespace
}  // namespace vimbra
