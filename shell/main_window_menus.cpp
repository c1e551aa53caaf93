// Building the menu bar, tool bars and status bar from the layout table, and
// the layout toggles.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

#include "shell/menu_layout.h"
#include "shell/main_window.h"

namespace vimbra {
namespace {

// Icons for the merged row, where the buttons lose their captions.
QIcon ToolIcon(QStyle* style, std::string_view caption) {
    static const std::map<std::string_view, QStyle::StandardPixmap> icons{
        {"Back", QStyle::SP_ArrowBack},
        {"Next", QStyle::SP_ArrowForward},
        {"Explore", QStyle::SP_DirOpenIcon},
        {"Screen", QStyle::SP_TitleBarMaxButton},
        {"Adjust", QStyle::SP_TitleBarNormalButton},
        {"Fit", QStyle::SP_DesktopIcon},
        {"Zoom -", QStyle::SP_ArrowDown},
        {"Zoom +", QStyle::SP_ArrowUp},
        {"Scroll", QStyle::SP_ArrowRight},
        {"Select", QStyle::SP_DialogApplyButton},
        {"Page", QStyle::SP_FileDialogDetailedView},
        {"Open", QStyle::SP_DialogOpenButton},
        {"Save", QStyle::SP_DialogSaveButton},
        {"Instant slideshow", QStyle::SP_MediaPlay},
        {"Copy/move", QStyle::SP_FileDialogNewFolder},
        {"Delete/recycle", QStyle::SP_TrashIcon},
        {"Cut/Unmark", QStyle::SP_DialogDiscardButton},
        {"Info", QStyle::SP_MessageBoxInformation},
        {"Bookmarks", QStyle::SP_FileDialogListView},
    };
    const auto it = icons.find(caption);
    QIcon icon = it == icons.end() ? QIcon() : style->standardIcon(it->second);
    if (!icon.isNull()) return icon;
    // Styles without those pixmaps: the caption's first letters.
    QPixmap glyph(20, 20);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    QFont f = p.font();
    f.setPixelSize(10);
    p.setFont(f);
    p.drawText(glyph.rect(), Qt::AlignCenter,
               QString::fromUtf8(caption.data(), qsizetype(std::min<size_t>(caption.size(), 2))));
    p.end();
    return QIcon(glyph);
}

}  // namespace

void MainWindow::registerHandlers() {
    auto on = [this](ViewerAction id, std::function<void()> f) {
        handlers_[HandlerName(id)] = [f = std::move(f)](int) { f(); };
    };
    on(ViewerAction::New, [this] { onNew(); });
    on(ViewerAction::Open, [this] { onOpen(); });
    on(ViewerAction::Reload, [this] { onReload(); });
    on(ViewerAction::Thumbnails, [this] { onThumbnails(); });
    on(ViewerAction::Save, [this] { onSave(); });
    on(ViewerAction::BookmarksView, [this] { onBookmarksView(); });
    on(ViewerAction::HistoryClear, [this] { onHistoryClear(); });
    on(ViewerAction::HistorySort, [this] { onHistorySort(); });
    on(ViewerAction::HistorySlideshow, [this] { onHistorySlideshow(); });
    on(ViewerAction::HistoryLoad, [this] { onHistoryLoad(); });
    on(ViewerAction::HistorySave, [this] { onHistorySave(); });
    on(ViewerAction::BookmarkUnmark, [this] { onBookmarkUnmark(); });
    on(ViewerAction::Exit, [this] { onExit(); });
    on(ViewerAction::Undo, [this] { onUndo(); });
    on(ViewerAction::Select, [this] { onSelect(); });
    on(ViewerAction::Hand, [this] { onHand(); });
    on(ViewerAction::NextImage, [this] { onNextImage(); });
    on(ViewerAction::PreviousImage, [this] { onPreviousImage(); });
    handlers_[HandlerName(ViewerAction::FirstImage)] = [this](int tag) { onFirstImage(tag); };
    handlers_[HandlerName(ViewerAction::PageChange)] = [this](int tag) { onPageChange(tag); };
    handlers_[HandlerName(ViewerAction::FitWindowTo)] = [this](int tag) { onFitWindowTo(tag); };
    on(ViewerAction::OptimizeWindow, [this] { onOptimizeWindow(); });
    on(ViewerAction::PlayPause, [this] { onPlayPause(); });
    on(ViewerAction::Stop, [this] { onStop(); });
    on(ViewerAction::CdPlayer, [this] { onCdPlayer(); });
    on(ViewerAction::ImageInfo, [this] { onImageInfo(); });
    on(ViewerAction::FullScreen, [this] { onFullScreen(); });
    on(ViewerAction::ZoomRegion, [this] { onZoomRegion(); });
    on(ViewerAction::Zoom, [this] { onZoom(); });
    on(ViewerAction::FitWindow, [this] { onFitWindow(); });
    on(ViewerAction::UpsamplingToggled, [this] {
        Upsampled = !Upsampled;
        ChangeView();
    });
    on(ViewerAction::ScaleJpeg, [this] {
        if (!HalfJpeg) {
            const Answer a = host_.AskSilenceable(
                "onScaleJpeg", MessageKind::Confirmation,
                "All JPEG images will be loaded with half resolution (50%).\n\n[Ignore] avoids "
                "this dialog (for experts).");
            if (a == Answer::No) {
                action("onScaleJpeg")->setChecked(false);
                return;
            }
            settings_.AutoReduce = false;
        }
        HalfJpeg = !HalfJpeg;
        action("onScaleJpeg")->setChecked(HalfJpeg);
    });
    on(ViewerAction::Menubar, [this] { setMenuBarShown(!settings_.menuBar); });
    on(ViewerAction::ToolbarVisible, [this] { setToolBarShown(!settings_.toolBar); });
    on(ViewerAction::Pathbox, [this] { setPathBoxShown(!settings_.pathBox); });
    on(ViewerAction::StatusbarVisible, [this] { setStatusBarShown(!settings_.statusBar); });
    on(ViewerAction::ClassicStyle, [this] { setButtonText(!settings_.buttonText); });
    on(ViewerAction::Standard, [this] { onStandard(); });
    on(ViewerAction::Compact, [this] { onCompact(); });
    on(ViewerAction::Minimal, [this] { onMinimal(); });
    on(ViewerAction::ViewGamma, [this] { onViewGamma(); });
    on(ViewerAction::AdjustViewport, [this] { onAdjustViewport(); });
    handlers_[HandlerName(ViewerAction::Aspect)] = [this](int tag) { onAspect(tag); };
    handlers_[HandlerName(ViewerAction::HelpContext)] = [this](int tag) { onHelpContext(tag); };
    on(ViewerAction::Options, [this] { onOptions(); });
    on(ViewerAction::BatchEditor, [this] { onBatchEditor(); });
    on(ViewerAction::Compress, [this] { onCompress(); });
    on(ViewerAction::Histogram, [this] { onHistogram(); });
    on(ViewerAction::RgbInfo, [this] { onRgbInfo(); });
    on(ViewerAction::PerformBatch, [this] { onPerformBatch(); });
    on(ViewerAction::Explore, [this] { onExplore(); });
    on(ViewerAction::Memory, [this] { onMemory(); });
    on(ViewerAction::Copy, [this] { onCopy(); });
    on(ViewerAction::CopyViewport, [this] { onCopyViewport(); });
    on(ViewerAction::Paste, [this] { onPaste(); });
    on(ViewerAction::PasteSelection, [this] { onPasteSelection(); });
    on(ViewerAction::EmptyClipboard, [this] { onEmptyClipboard(); });
    on(ViewerAction::Print, [this] { onPrint(); });
    on(ViewerAction::Unzipper, [this] { onUnzipper(); });
    // Shift and Ctrl held as the command comes change what these do.
    const auto held = [] { return QGuiApplication::queryKeyboardModifiers(); };
    handlers_[HandlerName(ViewerAction::BatchConvert)] = [this](int tag) { onBatchConvert(tag); };
    on(ViewerAction::BatchRename, [this, held] { onBatchRename(held()); });
    on(ViewerAction::BatchMove, [this] { onBatchMove(); });
    on(ViewerAction::BatchDelete, [this, held] { onBatchDelete(held()); });
    // Ctrl is the item's own shortcut key: from the menu the copy is single,
    // Ctrl with the tool bar's Copy/move button copies a list.
    on(ViewerAction::CopyTo, [this, held] { onCopyTo(held() & ~Qt::ControlModifier); });
    on(ViewerAction::MoveTo, [this] { onMoveTo(); });
    handlers_[HandlerName(ViewerAction::Delete)] = [this, held](int tag) {
        onDelete(tag == kRecycleKey ? held() | Qt::ShiftModifier : held());
    };
    on(ViewerAction::Analyze, [this, held] { onAnalyze(held()); });
    on(ViewerAction::JpegText, [this] { onJpegText(); });
    registerPictureHandlers();
    handlers_[HandlerName(ViewerAction::Associations)] = [this](int tag) { onAssociations(tag); };
    on(ViewerAction::WallpaperSet, [this] { onWallpaperSet(); });
    on(ViewerAction::WallpaperClear, [this] { onWallpaperClear(); });
    on(ViewerAction::ScanSelect, [this] { onScanSelect(); });
    on(ViewerAction::ScanAcquire, [this] { onScanAcquire(); });
    registerGeometryHandlers();
}

QAction* MainWindow::action(const std::string& handler, int tag) const {
    const auto it = actions_.find({handler, tag});
    return it == actions_.end() ? nullptr : it->second;
}

QMenu* MainWindow::topMenu(const QString& caption) const {
    const auto it = menus_.find(caption);
    return it == menus_.end() ? nullptr : it->second;
}

void MainWindow::buildMenus() {
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
        if (*row->shortcut) {
            const QKeySequence keys(QString::fromUtf8(row->shortcut));
            a->setShortcut(keys);
            shortcuts_.emplace_back(a, keys);
            // Also the window's own action: a hidden menu bar fires no shortcut.
            addAction(a);
        }
        a->setCheckable(row->checkable);
        actions_[{row->handler, row->tag}] = a;
        connectHandler(a, row->handler, row->tag);
    }
    // Menu state is settled as a menu opens.
    for (QAction* top : menuBar()->actions())
        if (QMenu* m = top->menu()) connect(m, &QMenu::aboutToShow, this, &MainWindow::updateMenuState);
    fileNameItem_ = menuBar()->addAction(QStringLiteral("."));
    fileNameItem_->setObjectName(QStringLiteral("FileNameItem"));
    connect(fileNameItem_, &QAction::triggered, this, &MainWindow::onImageInfo);
    if (QAction* a = action("onAspect", kAspectMonitor)) a->setChecked(true);
    // Editing menus wait for the first picture.
    for (const char* name : {"&Image", "&Colors"})
        if (QMenu* m = topMenu(QString::fromLatin1(name))) m->setEnabled(false);
    if (QAction* a = action("onFitWindow")) a->setChecked(FitToWindow);
    if (QAction* a = action("onHand")) a->setChecked(true);
    if (QAction* a = action("onUndo")) a->setEnabled(false);
    setSelectionItemsEnabled(false);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &MainWindow::followFocusWindow);
    host_.undo().hooks.setUndoEnabled = [this](bool on) {
        if (QAction* a = action("onUndo")) a->setEnabled(on);
    };
}

void MainWindow::buildToolBars() {
    toolBar_ = addToolBar(QStringLiteral("Toolbar1"));
    toolBar_->setObjectName(QStringLiteral("Toolbar1"));
    toolBar_->setMovable(false);
    struct Button {
        const char* caption;
        std::function<void()> run;
    };
    const Button buttons[] = {
        {"Back", [this] { onPreviousImage(); }},
        {"Next", [this] { onNextImage(); }},
        {"Explore", [this] { onExplore(); }},
        {"Screen", [this] { onFullScreen(); }},
        {"Adjust", [this] { onOptimizeWindow(); }},
        {"Fit", [this] { onFitWindow(); }},
        {"Zoom -", [this] { onZoomOut(); }},
        {"Zoom +", [this] { onZoomIn(); }},
        {"Scroll", [this] { onHand(); }},
        {"Select", [this] { onSelect(); }},
        {"Page", [this] { onPageChange(1); }},
    };
    for (const Button& b : buttons) {
        QAction* a = toolBar_->addAction(ToolIcon(style(), b.caption), QString::fromLatin1(b.caption));
        connect(a, &QAction::triggered, this, b.run);
        buttons_[QString::fromLatin1(b.caption)] =
            qobject_cast<QToolButton*>(toolBar_->widgetForAction(a));
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
        {"Open", [this] { onOpen(); }},
        {"Save", [this] { onSave(); }},
        {"Instant slideshow", [this] { onHistorySlideshow(); }},
        {"Copy/move", [this] { onCopyTo(QGuiApplication::queryKeyboardModifiers()); }},
        {"Delete/recycle", [this] { onDelete(QGuiApplication::queryKeyboardModifiers()); }},
        {"Cut/Unmark", [this] { onBookmarkUnmark(); }},
        {"Info", [this] { onAnalyze(QGuiApplication::queryKeyboardModifiers(), true); }},
        {"Bookmarks", [this] { onBookmarksView(); }},
    };
    for (const Button& b : buttons2) {
        QAction* a = pathBar_->addAction(ToolIcon(style(), b.caption), QString::fromLatin1(b.caption));
        connect(a, &QAction::triggered, this, b.run);
        buttons_[QString::fromLatin1(b.caption)] =
            qobject_cast<QToolButton*>(pathBar_->widgetForAction(a));
    }
    // The Bookmarks button opens the bookmark menu.
    if (QToolButton* b = buttons_[QStringLiteral("Bookmarks")]) {
        auto* menu = new QMenu(b);
        menu->setObjectName(QStringLiteral("BookmarkMenu"));
        const auto known = [this](std::string_view h) { return handlers_.count(std::string(h)) != 0; };
        for (const MenuRow* row : ResolveMenuRows(BookmarkMenuLayout(), known)) {
            QAction* a = menu->addAction(QString::fromUtf8(row->caption));
            connectHandler(a, row->handler, row->tag);
        }
        b->setMenu(menu);
        b->setPopupMode(QToolButton::InstantPopup);
    }
    history_ = new QLineEdit(pathBar_);
    history_->setObjectName(QStringLiteral("History"));
    history_->setAccessibleName(QStringLiteral("Path box"));
    history_->setMinimumWidth(64);
    pathBar_->addWidget(history_);
    connect(history_, &QLineEdit::returnPressed, this, &MainWindow::HistoryKeyPress);
    history_->installEventFilter(this);
    HistoryControls();
}

void MainWindow::buildStatusBar() {
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

void MainWindow::EnableControls() {
    for (const char* name : {"&Image", "&Colors"})
        if (QMenu* m = topMenu(QString::fromLatin1(name))) m->setEnabled(true);
    setPictureControlsEnabled(true);
    updateZoomControls();
    updatePageControls();
}

void MainWindow::updateZoomControls() {
    const bool zoom = !FitToWindow;
    for (const char* b : {"Zoom -", "Zoom +"})
        if (QToolButton* t = buttons_[QString::fromLatin1(b)]) t->setEnabled(zoom);
    if (QAction* a = action("onZoom")) a->setEnabled(zoom);
    if (QAction* a = action("onFitWindow")) a->setChecked(FitToWindow);
}

namespace {
// The layout switches live in the context menu; a menu-bar twin, where one
// exists, says the same.
void CheckLayoutItem(QAction* bar, QAction* context, bool on) {
    for (QAction* a : {bar, context})
        if (a) a->setChecked(on);
}
}  // namespace

void MainWindow::setMenuBarShown(bool on) {
    settings_.menuBar = on;
    menuBar()->setVisible(on);
    CheckLayoutItem(action("onMenubar"), contextAction("onMenubar"), on);
}

void MainWindow::setToolBarShown(bool on) {
    settings_.toolBar = on;
    // Merged, the tool bar comes and goes with the path box.
    if (toolBar_) toolBar_->setVisible(settings_.mergeToolBar ? settings_.pathBox : on);
    CheckLayoutItem(action("onToolbarVisible"), contextAction("onToolbarVisible"), on);
    setButtonText(on);
}

void MainWindow::setPathBoxShown(bool on) {
    settings_.pathBox = on;
    if (pathBar_) pathBar_->setVisible(on);
    if (toolBar_ && settings_.mergeToolBar) toolBar_->setVisible(on);
    CheckLayoutItem(action("onPathbox"), contextAction("onPathbox"), on);
}

void MainWindow::setStatusBarShown(bool on) {
    settings_.statusBar = on;
    statusBar()->setVisible(on);
    CheckLayoutItem(action("onStatusbarVisible"), contextAction("onStatusbarVisible"), on);
}

void MainWindow::setButtonText(bool on) {
    settings_.buttonText = on;
    // Merged into one row, captions would push the path box into the overflow.
    const Qt::ToolButtonStyle style =
        on && !settings_.mergeToolBar ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly;
    if (toolBar_) toolBar_->setToolButtonStyle(style);
    if (pathBar_) pathBar_->setToolButtonStyle(style);
    CheckLayoutItem(action("onClassicStyle"), contextAction("onClassicStyle"), on);
}

}  // namespace vimbra

namespace vimbra {

void MainWindow::setMergedToolBar(bool on) {
    if (!toolBar_ || !pathBar_) return;
    settings_.mergeToolBar = on;
    const bool apart = toolBarBreak(pathBar_);
    if (on && apart) removeToolBarBreak(pathBar_);
    else if (!on && !apart) insertToolBarBreak(pathBar_);
    toolBar_->setVisible(on ? settings_.pathBox : settings_.toolBar);
    if (on) {
        toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
        pathBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    } else {
        setButtonText(settings_.toolBar && settings_.buttonText);
    }
}

void MainWindow::presetDone(const char* handler, bool centre) {
    for (const char* h : {"onStandard", "onCompact", "onMinimal"})
        if (QAction* a = action(h)) a->setChecked(std::string_view(h) == handler);
    // The bars' own layouts first: their heights change with the button style.
    for (QToolBar* bar : {toolBar_, pathBar_})
        if (bar) QApplication::sendPostedEvents(bar, QEvent::LayoutRequest);
    QApplication::sendPostedEvents(this, QEvent::LayoutRequest);
    ChangeView();
    if (!FitToWindow) optimizeWindow(centre);
}

void MainWindow::onStandard() {
    if (FullScreen) return;
    setStatusBarShown(true);
    setMenuBarShown(true);
    setPathBoxShown(true);
    setToolBarShown(true);
    if (!settings_.mergeToolBar) setButtonText(true);
    presetDone("onStandard", true);
}

void MainWindow::onCompact() {
    if (FullScreen) return;
    setStatusBarShown(false);
    setMenuBarShown(true);
    setToolBarShown(true);
    setPathBoxShown(true);
    setButtonText(false);
    presetDone("onCompact", true);
}

void MainWindow::onMinimal() {
    if (FullScreen) return;
    setStatusBarShown(false);
    setMenuBarShown(true);
    setPathBoxShown(false);
    setToolBarShown(false);
    presetDone("onMinimal", false);
}

}  // namespace vimbra
