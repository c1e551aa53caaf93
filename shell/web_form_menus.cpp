// Building the menu bar, tool bars and status bar from the layout table, and
// the layout toggles.
#include <QAction>
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
    on("mnuStandard1Click", [this] {
        setStatusBarShown(true), setMenuBarShown(true), setPathBoxShown(true);
        setToolBarShown(true), setButtonText(true);
    });
    on("mnuCompact1Click", [this] {
        setStatusBarShown(false), setMenuBarShown(true), setToolBarShown(true);
        setPathBoxShown(true), setButtonText(false);
    });
    on("mnuMinimal1Click", [this] {
        setStatusBarShown(false), setMenuBarShown(true), setPathBoxShown(false);
        setToolBarShown(false);
    });
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
        const std::string handler = row->handler;
        const int tag = row->tag;
        actions_[{handler, tag}] = a;
        connect(a, &QAction::triggered, this, [this, handler, tag] {
            const auto it = handlers_.find(handler);
            if (it != handlers_.end()) it->second(tag);
            else runMenuCommand(handler);
        });
    }
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
    };
    for (const Button& b : buttons) {
        QAction* a = toolBar1_->addAction(QString::fromLatin1(b.caption));
        connect(a, &QAction::triggered, this, b.run);
        buttons_[QString::fromLatin1(b.caption)] =
            qobject_cast<QToolButton*>(toolBar1_->widgetForAction(a));
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
    if (toolBar1_) toolBar1_->setVisible(on);
    if (QAction* a = action("mnuToolbarVClick")) a->setChecked(on);
    setButtonText(on);
}

void TWebForm::setPathBoxShown(bool on) {
    settings_.pathBox = on;
    if (pathBar_) pathBar_->setVisible(on);
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
        toolBar1_->setToolButtonStyle(on ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
    if (QAction* a = action("mnuWin98styleClick")) a->setChecked(on);
}

}  // namespace vimbra
