#pragma once
// The menu bar declared once: where each item goes, its caption, shortcut and
// the handler it runs. Handlers are either the main window's own commands or
// the editing commands of the command spans; rows whose handler is not built
// are left out, so a menu never shows a dead item.
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "core/frame.h"

namespace vimbra {

struct MenuRow {
    const char* path;      // "&Colors/&Tune": the top menu and submenus
    const char* caption;   // "-" for a separator
    const char* shortcut;  // QKeySequence text, "" for none
    const char* handler;   // "mnuHLS1Click"
    int tag = 0;           // tells items apart that share a handler
    bool checkable = false;
};

// The menu bar in menu order.
std::span<const MenuRow> MainMenuLayout();

// The rows to build: those whose handler `known` accepts; separators only
// between two kept items of the same menu (none leading, trailing or doubled).
std::vector<const MenuRow*> ResolveMenuRows(std::span<const MenuRow> rows,
                                            const std::function<bool(std::string_view)>& known);

// An editing command of the spans, by handler name.
struct MenuCommandRef {
    const EditCommand* edit = nullptr;
    const CustomMenuCommand* custom = nullptr;
    explicit operator bool() const { return edit || custom; }
};
MenuCommandRef FindMenuCommand(std::string_view handler);

}  // namespace vimbra
