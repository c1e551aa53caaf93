#pragma once
// The menu bar declared once: where each item goes, its caption, shortcut and
// the handler it runs. Handlers are either the main window's own commands or
// the editing commands of the command spans; rows whose handler is not built
// are left out, so a menu never shows a dead item.
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "commands/registry.h"

namespace vimbra {

struct MenuRow {
    const char* path;      // "&Colors/&Tune": the top menu and submenus
    const char* caption;   // "-" for a separator
    const char* shortcut;  // QKeySequence text, "" for none
    const char* handler;   // "onHls"
    int tag = 0;           // tells items apart that share a handler
    bool checkable = false;
};

// Tags of the aspect-mode items.
inline constexpr int kAspectMonitor = 0, kAspectBestFit = 1, kAspectTv = 2, kAspectCinema = 3,
                     kAspectWide = 4;
// The context menu's two Unmark items: with the picture items, with the path box's.
inline constexpr int kPictureUnmark = 0, kPathBoxUnmark = 1;
// The context menu's hidden item that carries Shift+Del to the delete handler.
inline constexpr int kRecycleKey = 1;
// The association items.
inline constexpr int kAssociationsSet = 0, kAssociationsChange = 1, kAssociationsRemove = 2;

// The menu bar in menu order.
std::span<const MenuRow> MainMenuLayout();
// The context menu; "" is its top level.
std::span<const MenuRow> ContextMenuLayout();
// The menu of the tool bar's Bookmarks button.
std::span<const MenuRow> BookmarkMenuLayout();

// Which colour-depth items a picture of `depth` bits can use.
struct ColorItemStates {
    bool negative, grayShades;
    bool promoteMenu, promote16M, promote256, promote16;
    bool reduceMenu, reduce256, reduce16;  // reduce256/16: the dither and poster items
};
ColorItemStates ColorItemsFor(int depth);
// The neighbourhood filters need 8 bits and 16 x 16 pixels at least.
bool SmoothAndSharpenShown(int depth, int width, int height);

// The rows to build: those whose handler `known` accepts; separators only
// between two kept items of the same menu (none leading, trailing or doubled).
std::vector<const MenuRow*> ResolveMenuRows(std::span<const MenuRow> rows,
                                            const std::function<bool(std::string_view)>& known);

}  // namespace vimbra
