// The window's shortcut set and the items that follow the selection.
#include <QAction>
#include <QGuiApplication>
#include <QWindow>

#include "shell/main_window.h"

namespace vimbra {

void MainWindow::ShortCuts_Enable() {
    // A show keeps the keys to itself until it ends.
    if (shortcutsOn_ || show_) return;
    shortcutsOn_ = true;
    for (auto& [a, keys] : shortcuts_) a->setShortcut(keys);
}

void MainWindow::ShortCuts_Disable() {
    if (!shortcutsOn_) return;
    shortcutsOn_ = false;
    for (auto& [a, keys] : shortcuts_) a->setShortcut(QKeySequence());
}

void MainWindow::followFocusWindow(QWindow* focus) {
    if (focus != nullptr && focus == windowHandle()) {
        ShortCuts_Enable();
        return;
    }
    // A menu or tool tip popping up keeps the set: the menu shows its keys.
    if (focus == nullptr || focus->type() == Qt::Popup || focus->type() == Qt::ToolTip) return;
    ShortCuts_Disable();
}

void MainWindow::setSelectionItemsEnabled(bool on) {
    for (const char* h : {"onRedEye", "onCrop", "onTrim", "onCopySelection", "onPasteSelection"}) {
        if (QAction* a = action(h)) a->setEnabled(on);
        if (QAction* a = contextAction(h)) a->setEnabled(on);
    }
}

}  // namespace vimbra
