// The context menu, reduced to the place it opens at, and the state of the
// menus as they open: colour items by depth, the filters by picture size, the
// page commands and the file-name item.
#include <QAction>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "shell/picture_view.h"
#include "shell/main_window.h"

namespace vimbra {
namespace {

bool IsLayoutItem(const std::string& h) {
    return h == "onMenubar" || h == "onToolbarVisible" || h == "onPathbox" ||
           h == "onStatusbarVisible" || h == "onClassicStyle";
}

}  // namespace

void MainWindow::connectHandler(QAction* a, const std::string& handler, int tag) {
    connect(a, &QAction::triggered, this, [this, handler, tag] {
        LastOperationNote = "Last operation: " + handler;
        const auto it = handlers_.find(handler);
        if (it != handlers_.end()) it->second(tag);
        else runMenuCommand(handler);
    });
}

QAction* MainWindow::contextAction(const std::string& handler, int tag) const {
    const auto it = contextActions_.find({handler, tag});
    return it == contextActions_.end() ? nullptr : it->second;
}

QToolButton* MainWindow::toolButton(const QString& caption) const {
    const auto it = buttons_.find(caption);
    return it == buttons_.end() ? nullptr : it->second;
}

void MainWindow::buildContextMenu() {
    contextMenu_ = new QMenu(this);
    contextMenu_->setObjectName(QStringLiteral("MainMenu"));
    const auto known = [this](std::string_view h) {
        return handlers_.count(std::string(h)) != 0 || bool(FindMenuCommand(h));
    };
    std::map<QString, QMenu*> submenus;
    for (const MenuRow* row : ResolveMenuRows(ContextMenuLayout(), known)) {
        QMenu* menu = contextMenu_;
        if (*row->path) {
            const QString path = QString::fromUtf8(row->path);
            auto it = submenus.find(path);
            if (it == submenus.end()) it = submenus.emplace(path, contextMenu_->addMenu(path)).first;
            menu = it->second;
        }
        if (std::string_view(row->caption) == "-") {
            menu->addSeparator();
            continue;
        }
        // An item in brackets is never shown: it carries its key for the window.
        const bool keyOnly = row->caption[0] == '[';
        QAction* a = keyOnly ? new QAction(QString::fromUtf8(row->caption), this)
                             : menu->addAction(QString::fromUtf8(row->caption));
        a->setCheckable(row->checkable);
        if (*row->shortcut) {
            const QKeySequence keys(QString::fromUtf8(row->shortcut));
            a->setShortcut(keys);
            if (keyOnly) {
                a->setProperty("keyOnly", true);
                addAction(a);
                shortcuts_.emplace_back(a, keys);
            }
        }
        contextActions_[{row->handler, row->tag}] = a;
        connectHandler(a, row->handler, row->tag);
    }
    // The media items stand apart from the rest.
    if (QAction* stop = contextAction("onStop")) {
        const QList<QAction*> all = contextMenu_->actions();
        const qsizetype at = all.indexOf(stop);
        if (at >= 0 && at + 1 < all.size()) avSeparator_ = contextMenu_->insertSeparator(all[at + 1]);
    }
    // Right-clicks anywhere in the window open this menu, reduced by place.
    auto route = [this](QWidget* w, PopupPlace place) {
        if (!w) return;
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w, place](const QPoint& p) { showContextMenu(place, w->mapToGlobal(p)); });
    };
    route(toolBar_, PopupPlace::ToolBars);
    route(pathBar_, PopupPlace::ToolBars);
    route(statusBar(), PopupPlace::ToolBars);
    route(history_, PopupPlace::PathBox);
    route(scrollBox_->viewport(), PopupPlace::Picture);
    route(view_, PopupPlace::Picture);
    menuBar()->setContextMenuPolicy(Qt::PreventContextMenu);
}

void MainWindow::showContextMenu(PopupPlace place, const QPoint& globalPos) {
    MainMenuPopup(place);
    bool any = false;
    for (QAction* a : contextMenu_->actions()) any = any || (a->isVisible() && !a->isSeparator());
    if (any) contextMenu_->popup(globalPos);
}

void MainWindow::MainMenuPopup(PopupPlace place) {
    updateMenuState();
    const bool anyMarks = !bookmarks_.empty(), manyMarks = bookmarks_.size() > 1;
    const bool player = place == PopupPlace::Player;
    const bool picture = place == PopupPlace::Picture || player;
    const bool layout = place == PopupPlace::ToolBars ||
                        (picture && FullScreen && !settings_.maxFullScreen);
    const bool merged = settings_.mergeToolBar;
    const auto LayoutItemChecked = [this](const std::string& h) {
        return h == "onMenubar" ? settings_.menuBar
             : h == "onToolbarVisible" ? settings_.toolBar
             : h == "onPathbox" ? settings_.pathBox
             : h == "onStatusbarVisible" ? settings_.statusBar
             : settings_.buttonText;
    };
    for (const auto& [key, a] : contextActions_) {
        const auto& [handler, tag] = key;
        // Hidden, a key carrier would lose its key.
        if (a->property("keyOnly").toBool()) continue;
        // The menu bar's item says what the state is.
        if (QAction* main = action(handler, handler == "onBookmarkUnmark" ? 0 : tag)) {
            a->setEnabled(main->isEnabled());
            if (a->isCheckable()) a->setChecked(main->isChecked());
        }
        bool shown;
        if (IsLayoutItem(handler)) {
            shown = layout;
            a->setChecked(LayoutItemChecked(handler));
            if (merged && (handler == "onToolbarVisible" || handler == "onClassicStyle"))
                shown = false;
        } else if (handler == "onHistoryClear" || handler == "onHistorySort" ||
                   (handler == "onBookmarkUnmark" && tag == kPathBoxUnmark)) {
            shown = place == PopupPlace::PathBox && anyMarks;
        } else if (handler == "onBookmarkUnmark") {
            shown = picture && anyMarks;
        } else if (handler == "onHistorySlideshow") {
            shown = picture && bookmarks_.size() > 1;
        } else if (handler == "onPlayPause" || handler == "onStop") {
            shown = player;
            if (handler == "onStop") a->setEnabled(StopEnabled(media_.PlayState));
        } else if (handler == "onDelete") {
            shown = picture && !player;
        } else {
            shown = picture;
        }
        a->setVisible(shown);
    }
    if (avSeparator_) avSeparator_->setVisible(player);
    if (QAction* a = contextAction("onPathbox"))
        a->setText(merged ? QStringLiteral("&Tool bar") : QStringLiteral("&Path box"));
    if (QAction* a = contextAction("onFullScreen"))
        a->setText(FullScreen ? QStringLiteral("Normal window") : QStringLiteral("Full screen"));
    // The submenus by what they would act on.
    for (QAction* a : contextMenu_->actions()) {
        QMenu* sub = a->menu();
        if (!sub) continue;
        const QString title = sub->title();
        if (title == QStringLiteral("&Edit")) a->setVisible(picture && !player && anyMarks);
        else if (title == QStringLiteral("&View")) a->setVisible(picture && manyMarks);
        else if (title == QStringLiteral("&Page"))
            a->setVisible(picture && anyMarks && loaded_.pageCount > 1);
    }
}

void MainWindow::updateMenuState() {
    const ColorItemStates c = ColorItemsFor(ws_.ImageBitDepth);
    if (QAction* a = action("onNegative")) a->setEnabled(c.negative);
    if (QAction* a = action("onGrayShades")) a->setEnabled(c.grayShades);
    updateBatchMenu();
    updateColorDepthItems();
    onImageVisible();
}

void MainWindow::onImageVisible() {
    const bool shown = SmoothAndSharpenShown(ws_.ImageBitDepth, ws_.ImageWidth, ws_.ImageHeight);
    for (const char* path : {"&Image/S&mooth", "&Image/Sharpe&n"})
        if (QMenu* m = topMenu(QString::fromLatin1(path))) m->menuAction()->setVisible(shown);
}

void MainWindow::updatePageControls() {
    const bool pages = loaded_.pageCount > 1;
    setPageControlsEnabled(pages);
    if (QMenu* m = topMenu(QStringLiteral("&View/&Page"))) m->menuAction()->setVisible(pages);
}

void MainWindow::setPageControlsEnabled(bool on) {
    for (int tag : {1, -1, 0, 999}) {
        if (QAction* a = action("onPageChange", tag)) a->setEnabled(on);
        if (QAction* a = contextAction("onPageChange", tag)) a->setEnabled(on);
    }
    if (QMenu* m = topMenu(QStringLiteral("&View/&Page"))) m->menuAction()->setEnabled(on);
    if (QToolButton* b = toolButton(QStringLiteral("Page"))) b->setEnabled(on);
}

void MainWindow::updateFileNameItem() {
    if (!fileNameItem_) return;
    const std::string& name = ws_.CurrentFileName;
    QString shown = name.empty() || name == "Untitled"
                        ? QStringLiteral(".")
                        : QFileInfo(QString::fromStdString(name)).fileName();
    // A name's "&" is no access key.
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    fileNameItem_->setText(shown);
}

}  // namespace vimbra
