// Building the menu bar, tool bars and status bar from the layout table, and
// the layout toggles.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "shell/menu_layout.h"
#include "shell/web_form.h"

namespace vimbra {

void TWebForm::registerHandlers() {
    auto on = [this](const char* name, std::function<void()> f) {
        handlers_[name] = [f = std::move(f)](int) { f(); };
    };
    on("mnuNew1Click", [this] { mnuNew1Click(); });
    on("BtnOpenClick", [this] { BtnOpenClick(); });
    on("mnuReloadClick", [this] { mnuReloadClick(); });
    on("mnuSaveClick", [this] { mnuSaveClick(); });
    on("mnuBookmarksViewClick", [this] { mnuBookmarksViewClick(); });
    on("mnuHistoryClearClick", [this] { mnuHistoryClearClick(); });
    on("mnuHistorySortClick", [this] { mnuHistorySortClick(); });
    on("mnuHistoryLoadClick", [this] { mnuHistoryLoadClick(); });
    on("mnuHistorySaveClick", [this] { mnuHistorySaveClick(); });
    on("mnuBookmarkUnmarkClick", [this] { mnuBookmarkUnmarkClick(); });
    on("mnuExitClick", [this] { mnuExitClick(); });
    on("mnuUndoClick", [this] { mnuUndoClick(); });
    on("mnuSelectClick", [this] { mnuSelectClick(); });
    on("mnuHandClick", [this] { mnuHandClick(); });
    on("btnNextImageClick", [this] { btnNextImageClick(); });
    on("btnPrevImageClick", [this] { btnPrevImageClick(); });
    handlers_["mnuFirstImageClick"] = [this](int tag) { mnuFirstImageClick(tag); };
    handlers_["mnuPageChange"] = [this](int tag) { mnuPageChange(tag); };
    handlers_["mnuFitWinToClick"] = [this](int tag) { mnuFitWinToClick(tag); };
    on("mnuOptimizeWindowClick", [this] { mnuOptimizeWindowClick(); });
    on("mnuImageInfoClick", [this] { mnuImageInfoClick(); });
    on("mnuFullScrnClick", [this] { mnuFullScrnClick(); });
    on("mnuZoomRegionClick", [this] { mnuZoomRegionClick(); });
    on("mnuZoomClick", [this] { mnuZoomClick(); });
    on("mnuFitWindowClick", [this] { mnuFitWindowClick(); });
    on("chkUpsamplingClick", [this] {
        Upsampled = !Upsampled;
        ChangeView();
    });
    on("mnuScaleJPGClick", [this] {
        if (!HalfJpeg) {
            const Answer a = host_.AskSilenceable(
                "mnuScaleJPGClick", MessageKind::Confirmation,
                "All JPEG images will be loaded with half resolution (50%).\n\n[Ignore] avoids "
                "this dialog (for experts).");
            if (a == Answer::No) {
                action("mnuScaleJPGClick")->setChecked(false);
                return;
            }
            settings_.AutoReduce = false;
        }
        HalfJpeg = !HalfJpeg;
        action("mnuScaleJPGClick")->setChecked(HalfJpeg);
    });
    on("mnuMenubarClick", [this] { setMenuBarShown(!settings_.menuBar); });
    on("mnuToolbarVClick", [this] { setToolBarShown(!settings_.toolBar); });
    on("mnuPathboxClick", [this] { setPathBoxShown(!settings_.pathBox); });
    on("mnuStatusbarVClick", [this] { setStatusBarShown(!settings_.statusBar); });
    on("mnuWin98styleClick", [this] { setButtonText(!settings_.buttonText); });
    on("mnuStandard1Click", [this] { mnuStandard1Click(); });
    on("mnuCompact1Click", [this] { mnuCompact1Click(); });
    on("mnuMinimal1Click", [this] { mnuMinimal1Click(); });
    on("mnuViewGammaClick", [this] { mnuViewGammaClick(); });
    on("mnuAdjustViewportClick", [this] { mnuAdjustViewportClick(); });
    handlers_["mnuAspectClick"] = [this](int tag) { mnuAspectClick(tag); };
    handlers_["mnuHelpContextClick"] = [this](int tag) { mnuHelpContextClick(tag); };
    on("mnuOptionsClick", [this] { mnuOptionsClick(); });
    on("mnuBatchEditorClick", [this] { mnuBatchEditorClick(); });
    on("mnuPerformBatch1Click", [this] { mnuPerformBatch1Click(); });
    on("btnExploreClick", [this] { btnExploreClick(); });
    on("mnuMemoryClick", [this] { mnuMemoryClick(); });
}

QAction* TWebForm::action(const std::string& handler, int tag) const {
    const auto it = actions_.find({handler, tag});
    return it == actions_.end() ? nullptr : it->second;
}

QMenu* TWebForm::topMenu(const QString& caption) const {
    const auto it = menus_.find(caption);
    return it == menus_.end() ? nullptr : it->second;
}

void TWebForm::buildMenus() {
    const auto known = [this](std::string_view h) {
        return handlers_.count(std::string(h)) != 0 || bool(FindMenuCommand(h));
    };
    for (const MenuRow* row : ResolveMenuRows(MainMenuLayout(), known)) {
        // Menus and submenus come into being where they are first named.
        const QString path = QString::fromUtf8(row->path);
        QMenu* menu = nullptr;
        QString sofar;
        for (const QString& part : path.split(QLatin1Char('/'))) {
            const QString key = sofar.isEmpty() ? part : sofar + QLatin1Char('/') + part;
            auto it = menus_.find(key);
            if (it == menus_.end()) {
                QMenu* created = menu ? menu->addMenu(part) : menuBar()->addMenu(part);
                it = menus_.emplace(key, created).first;
            }
            menu = it->second;
            sofar = key;
        }
        if (std::string_view(row->caption) == "-") {
            menu->addSeparator();
            continue;
        }
        QAction* a = menu->addAction(QString::fromUtf8(row->caption));
        if (*row->shortcut) a->setShortcut(QKeySequence(QString::fromUtf8(row->shortcut)));
        a->setCheckable(row->checkable);
        actions_[{row->handler, row->tag}] = a;
        connectHandler(a, row->handler, row->tag);
    }
    // Menu state is settled as a menu opens.
    for (QAction* top : menuBar()->actions())
        if (QMenu* m = top->menu()) connect(m, &QMenu::aboutToShow, this, &TWebForm::updateMenuState);
    fileNameItem_ = menuBar()->addAction(QStringLiteral("."));
    fileNameItem_->setObjectName(QStringLiteral("FileNameItem"));
    connect(fileNameItem_, &QAction::triggered, this, &TWebForm::mnuImageInfoClick);
    if (QAction* a = action("mnuAspectClick", kAspectMonitor)) a->setChecked(true);
    // Editing menus wait for the first picture.
    for (const char* name : {"&Image", "&Colors"})
        if (QMenu* m = topMenu(QString::fromLatin1(name))) m->setEnabled(false);
    if (QAction* a = action("mnuFitWindowClick")) a->setChecked(FitToWindow);
    if (QAction* a = action("mnuHandClick")) a->setChecked(true);
    if (QAction* a = action("mnuUndoClick")) a->setEnabled(false);
    host_.undo().hooks.setUndoEnabled = [this](bool on) {
        if (QAction* a = action("mnuUndoClick")) a->setEnabled(on);
    };
}

void TWebForm::buildToolBars() {
    toolBar1_ = addToolBar(QStringLiteral("Toolbar1"));
    toolBar1_->setObjectName(QStringLiteral("Toolbar1"));
    toolBar1_->setMovable(false);
    struct Button {
        const char* caption;
        std::function<void()> run;
    };
    const Button buttons[] = {
        {"Back", [this] { btnPrevImageClick(); }},
        {"Next", [this] { btnNextImageClick(); }},
        {"Explore", [this] { btnExploreClick(); }},
        {"Screen", [this] { mnuFullScrnClick(); }},
        {"Adjust", [this] { mnuOptimizeWindowClick(); }},
        {"Fit", [this] { mnuFitWindowClick(); }},
        {"Zoom -", [this] { btnZoomDnClick(); }},
        {"Zoom +", [this] { btnZoomUpClick(); }},
        {"Scroll", [this] { mnuHandClick(); }},
        {"Select", [this] { mnuSelectClick(); }},
        {"Page", [this] { mnuPageChange(1); }},
    };
    for (const Button& b : buttons) {
        QAction* a = toolBar1_->addAction(QString::fromLatin1(b.caption));
        connect(a, &QAction::triggered, this, b.run);
        buttons_[QString::fromLatin1(b.caption)] =
            qobject_cast<QToolButton*>(toolBar1_->widgetForAction(a));
    }
    // The page button also offers the page menu.
    if (QToolButton* page = buttons_[QStringLiteral("Page")]) {
        if (QMenu* m = topMenu(QStringLiteral("&View/&Page"))) {
            page->setMenu(m);
            page->setPopupMode(QToolButton::MenuButtonPopup);
        }
        page->setEnabled(false);
    }
    addToolBarBreak();
    pathBar_ = addToolBar(QStringLiteral("Path box"));
    pathBar_->setObjectName(QStringLiteral("PathBox"));
    pathBar_->setMovable(false);
    const Button buttons2[] = {
        {"Open", [this] { BtnOpenClick(); }},
        {"Save", [this] { mnuSaveClick(); }},
        {"Cut/Unmark", [this] { mnuBookmarkUnmarkClick(); }},
        {"Info", [this] { mnuImageInfoClick(); }},
        {"Bookmarks", [this] { mnuBookmarksViewClick(); }},
    };
    for (const Button& b : buttons2) {
        QAction* a = pathBar_->addAction(QString::fromLatin1(b.caption));
        connect(a, &QAction::triggered, this, b.run);
        buttons_[QString::fromLatin1(b.caption)] =
            qobject_cast<QToolButton*>(pathBar_->widgetForAction(a));
    }
    history_ = new QLineEdit(pathBar_);
    history_->setObjectName(QStringLiteral("History"));
    history_->setMinimumWidth(64);
    pathBar_->addWidget(history_);
    connect(history_, &QLineEdit::returnPressed, this, &TWebForm::HistoryKeyPress);
    history_->installEventFilter(this);
    HistoryControls();
}

void TWebForm::buildStatusBar() {
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(this);
        panels_[i]->setObjectName(QStringLiteral("Panel%1").arg(i));
    }
    panels_[0]->setMinimumWidth(160);
    panels_[1]->setMinimumWidth(48);
    statusBar()->addWidget(panels_[0], 1);
    statusBar()->addWidget(panels_[1]);
    statusBar()->addWidget(panels_[2]);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    progress_->setMaximumWidth(160);
    progress_->setVisible(false);
    statusBar()->addPermanentWidget(progress_);
}

void TWebForm::EnableControls() {
    for (const char* name : {"&Image", "&Colors"})
        if (QMenu* m = topMenu(QString::fromLatin1(name))) m->setEnabled(true);
    updateZoomControls();
    updatePageControls();
}

void TWebForm::updateZoomControls() {
    const bool zoom = !FitToWindow;
    for (const char* b : {"Zoom -", "Zoom +"})
        if (QToolButton* t = buttons_[QString::fromLatin1(b)]) t->setEnabled(zoom);
    if (QAction* a = action("mnuZoomClick")) a->setEnabled(zoom);
    if (QAction* a = action("mnuFitWindowClick")) a->setChecked(FitToWindow);
}

void TWebForm::setMenuBarShown(bool on) {
    settings_.menuBar = on;
    menuBar()->setVisible(on);
    if (QAction* a = action("mnuMenubarClick")) a->setChecked(on);
}

void TWebForm::setToolBarShown(bool on) {
    settings_.toolBar = on;
    // Merged, the tool bar comes and goes with the path box.
    if (toolBar1_) toolBar1_->setVisible(settings_.mergeToolBar ? settings_.pathBox : on);
    if (QAction* a = action("mnuToolbarVClick")) a->setChecked(on);
    setButtonText(on);
}

void TWebForm::setPathBoxShown(bool on) {
    settings_.pathBox = on;
    if (pathBar_) pathBar_->setVisible(on);
    if (toolBar1_ && settings_.mergeToolBar) toolBar1_->setVisible(on);
    if (QAction* a = action("mnuPathboxClick")) a->setChecked(on);
}

void TWebForm::setStatusBarShown(bool on) {
    settings_.statusBar = on;
    statusBar()->setVisible(on);
    if (QAction* a = action("mnuStatusbarVClick")) a->setChecked(on);
}

void TWebForm::setButtonText(bool on) {
    settings_.buttonText = on;
    if (toolBar1_)
        toolBar1_->setToolButtonStyle(on && !settings_.mergeToolBar ? Qt::ToolButtonTextOnly
                                                                    : Qt::ToolButtonIconOnly);
    if (QAction* a = action("mnuWin98styleClick")) a->setChecked(on);
}

}  // namespace vimbra

namespace vimbra {

void TWebForm::setMergedToolBar(bool on) {
    if (!toolBar1_ || !pathBar_) return;
    settings_.mergeToolBar = on;
    const bool apart = toolBarBreak(pathBar_);
    if (on && apart) removeToolBarBreak(pathBar_);
    else if (!on && !apart) insertToolBarBreak(pathBar_);
    toolBar1_->setVisible(on ? settings_.pathBox : settings_.toolBar);
    if (on) toolBar1_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    else setButtonText(settings_.toolBar && settings_.buttonText);
    // One row: the path box's switch now stands for both.
    for (const char* h : {"mnuToolbarVClick", "mnuWin98styleClick"})
        if (QAction* a = action(h)) a->setVisible(!on);
    if (QAction* a = action("mnuPathboxClick"))
        a->setText(on ? QStringLiteral("&Tool bar") : QStringLiteral("&Path box"));
}

void TWebForm::presetDone(const char* handler, bool centre) {
    for (const char* h : {"mnuStandard1Click", "mnuCompact1Click", "mnuMinimal1Click"})
        if (QAction* a = action(h)) a->setChecked(std::string_view(h) == handler);
    QApplication::sendPostedEvents(this, QEvent::LayoutRequest);
    ChangeView();
    if (!FitToWindow) optimizeWindow(centre);
}

void TWebForm::mnuStandard1Click() {
    if (FullScreen) return;
    setStatusBarShown(true);
    setMenuBarShown(true);
    setPathBoxShown(true);
    setToolBarShown(true);
    if (!settings_.mergeToolBar) setButtonText(true);
    presetDone("mnuStandard1Click", true);
}

void TWebForm::mnuCompact1Click() {
    if (FullScreen) return;
    setStatusBarShown(false);
    setMenuBarShown(true);
    setToolBarShown(true);
    setPathBoxShown(true);
    setButtonText(false);
    presetDone("mnuCompact1Click", true);
}

void TWebForm::mnuMinimal1Click() {
    if (FullScreen) return;
    setStatusBarShown(false);
    setMenuBarShown(true);
    setPathBoxShown(false);
    setToolBarShown(false);
    presetDone("mnuMinimal1Click", false);
}

}  // namespace vimbra
