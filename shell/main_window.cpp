#include "shell/main_window.h"
#include "shell/options_dialog.h"
#include "slideshow/avl_running.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "imagefiles/file_info.h"
#include "desktop/drop_paths.h"
#include "shell/gui_batch_host.h"
#include "shell/menu_layout.h"
#include "shell/script_window.h"
#include "tools/histogram_window.h"
#include "shell/picture_view.h"
#include "shell/view_box.h"
#include "shell/view_math.h"
#include "tools/unzip_window.h"

namespace vimbra {

namespace {
constexpr const char* kAppCaption = "Vimbra 6.71";
}

MainWindow::MainWindow(const QStringList& args, QSettings* settings, QWidget* parent)
    : QMainWindow(parent), host_(this) {
    startTimer_.start();
    ws_.setHost(host_);
    settingsFile_ = settings;
    if (!settingsFile_) {
        ownSettings_ = SettingsStore::OpenUserSettings();
        settingsFile_ = ownSettings_.get();
    }
    SettingsStore store(*settingsFile_);
    settings_ = store.readRecord(ws_.DisplayBitDepth);
    openDir_ = store.readOpenDir();
    saveDir_ = store.readSaveDir();
    FitToWindow = settings_.FitToWindow;

    // All arguments form one name, so names with blanks need no quotes.
    const QString joined = args.join(QLatin1Char(' '));
    if (!joined.isEmpty() && QFileInfo(joined).isFile()) {
        startFile_ = QFileInfo(joined).absoluteFilePath().toStdString();
        previousFileName_ = startFile_;
    }
    batchHost_ = std::make_unique<GuiBatchHost>(*this);
    interpreter_ = std::make_unique<BatchInterpreter>(ws_, bookmarks_, *batchHost_);
    onCreate();
}

MainWindow::~MainWindow() = default;

void MainWindow::onCreate() {
    setWindowTitle(QString::fromLatin1(kAppCaption));
    view_ = new PictureView;
    view_->setBitmap(&ws_.Image);
    scrollBox_ = new ViewBox(this);
    scrollBox_->setFrameShape(QFrame::NoFrame);
    scrollBox_->setWidgetResizable(false);
    scrollBox_->setWidget(view_);
    scrollBox_->setBackgroundRole(QPalette::Base);
    setCentralWidget(scrollBox_);
    scrollBox_->installEventFilter(this);
    scrollBox_->viewport()->installEventFilter(this);
    view_->installEventFilter(this);
    connect(view_, &PictureView::mousePressed, this, &MainWindow::onPictureMouseDown);
    connect(view_, &PictureView::mouseMoved, this, &MainWindow::onPictureMouseMove);
    connect(view_, &PictureView::mouseReleased, this, &MainWindow::onPictureMouseUp);
    connect(view_, &PictureView::painted, this, [this] {
        if (firstPaintMs_ < 0 && (startFile_.empty() || ws_.CurrentFileName == startFile_))
            firstPaintMs_ = startTimer_.elapsed();
    });
    // At k >= 2 every picture pixel stays a whole block: scroll in steps of k.
    for (QScrollBar* bar : {scrollBox_->horizontalScrollBar(), scrollBox_->verticalScrollBar()}) {
        connect(bar, &QScrollBar::valueChanged, this, [this, bar](int v) {
            const int k = FitToWindow ? 1 : ZoomFactor(ZoomPercent);
            if (k >= 2 && v % k != 0) bar->setValue(v - v % k);
        });
    }

    host_.onRefresh = [this] {
        view_->refresh();
        ChangeView();
        refreshStatusBar();
    };
    host_.onStatus = [this](const std::string&) { refreshStatusBar(); };
    host_.onProgress = [this](int percent) {
        if (!progress_) return;
        progress_->setVisible(percent >= 0);
        if (percent >= 0) {
            progress_->setValue(percent);
            progress_->repaint();
        }
    };
    host_.onHistogram = [this](const QString& title) {
        ExecuteHistogramDlg(this, ws_.hist, title, [this](int context) { onHelpContext(context); });
    };
    host_.onRecord = [this](std::string_view line) {
        if (!script_) return false;
        script_->appendLine(QString::fromUtf8(line.data(), qsizetype(line.size())));
        return true;
    };

    registerHandlers();
    buildMenus();
    buildToolBars();
    buildStatusBar();
    buildContextMenu();
    setSelectionItemsEnabled(false);
    setPictureControlsEnabled(false);
    updatePageControls();
    // Fit mode at start: the zoom steps have no scale to step from.
    updateZoomControls();
    host_.onHelp = [this](int context) { onHelpContext(context); };
    applySettingsLayout();

    const QSize screenSize = screen() ? screen()->availableSize() : QSize(1280, 1024);
    const QSize defaultSize(std::min(800, screenSize.width()), std::min(600, screenSize.height()));
    if (settings_.existed && startFile_.empty())
        setGeometry(RestoreWindowBounds(settings_.mainWindowBounds, screenSize, defaultSize));
    else
        resize(defaultSize);
    ShowBlankImage(false);
    UpdateCaption();
    watchDisplay();
}

void MainWindow::applySettingsLayout() {
    // Showing the tool bar switches its captions on: keep the recorded choice.
    const bool buttonText = settings_.buttonText;
    view_->setColourProfile(settings_.colourManage ? &ws_.Metadata.icc : nullptr);
    host_.colourManage = settings_.colourManage;
    setMergedToolBar(settings_.mergeToolBar);
    setMenuBarShown(settings_.menuBar);
    setToolBarShown(settings_.toolBar);
    setPathBoxShown(settings_.pathBox);
    setStatusBarShown(settings_.statusBar);
    setButtonText(settings_.toolBar && buttonText);
    if (settings_.BackColor != kSystemWindowColor) {
        QPalette pal = scrollBox_->palette();
        pal.setColor(QPalette::Base, BackColorToQColor(settings_.BackColor, pal));
        scrollBox_->setPalette(pal);
    }
    if (QAction* a = action("onFitWindow")) a->setChecked(FitToWindow);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!activated_) {
        activated_ = true;
        // The command line's file opens once the window is up.
        QTimer::singleShot(0, this, &MainWindow::openStartPicture);
    }
}

void MainWindow::openStartPicture() {
    setAcceptDrops(true);
    if (!startFile_.empty()) {
        if (!openPicture(startFile_, false)) ShowBlankImage(true);
    } else {
        ws_.StatusText = "Ready.";
        ShowBlankImage(true);
    }
}

void MainWindow::ShowBlankImage(bool rename) {
    Bitmap tile(16, 16, 24);
    const QColor c = scrollBox_->palette().color(QPalette::Base);
    for (int y = 0; y < 16; ++y) {
        uint8_t* row = tile.scanLine(y);
        for (int x = 0; x < 16; ++x) {
            row[3 * x] = uint8_t(c.blue());
            row[3 * x + 1] = uint8_t(c.green());
            row[3 * x + 2] = uint8_t(c.red());
        }
    }
    ws_.setImage(std::move(tile));
    loaded_ = LoadedFile{};
    if (rename) ws_.CurrentFileName = "Untitled";
    if (QAction* a = action("onReload")) a->setEnabled(false);
    view_->refresh();
    ChangeView();
    UpdateCaption();
    refreshStatusBar();
}

int MainWindow::panelsHeight() const {
    int h = 0;
    if (toolBar_ && toolBar_->isVisible()) h += toolBar_->height();
    if (pathBar_ && pathBar_->isVisible()) h += pathBar_->height();
    if (statusBar()->isVisible()) h += statusBar()->height();
    return h;
}

QSize MainWindow::frameSize2() const {
    const QRect f = frameGeometry(), g = geometry();
    return {f.width() - g.width(), f.height() - g.height() + (menuBar()->isVisible() ? menuBar()->height() : 0)};
}

int MainWindow::ViewAreaWidth() const { return scrollBox_->width(); }
int MainWindow::ViewAreaHeight() const { return scrollBox_->height(); }

void MainWindow::UpdateCaption() {
    const std::string& name = ws_.CurrentFileName;
    const QString shown = name.empty() || name == "Untitled"
                              ? QStringLiteral("Untitled")
                              : QFileInfo(QString::fromStdString(name)).fileName();
    setWindowTitle(shown + QStringLiteral(" - ") + QString::fromLatin1(kAppCaption));
    updateFileNameItem();
    UpdateHistoryEdit();
}

QString MainWindow::statusPanelText(int panel) const {
    if (panel < 0 || panel > 2 || !panels_[panel]) return {};
    return panels_[panel]->text();
}

void MainWindow::refreshStatusBar() {
    if (!panels_[0]) return;
    panels_[0]->setText(QString::fromStdString(ws_.StatusText));
    panels_[1]->setText(FitToWindow ? QStringLiteral("Fit")
                                    : QString::number(ZoomPercent) + QLatin1Char('%'));
    panels_[2]->setText(QString::fromStdString(PictureDescription(ws_, loaded_)));
    statusBar()->repaint();
}

void MainWindow::StatusReady() { host_.StatusReady(ws_); }

void MainWindow::showError(const std::string& text) {
    host_.Ask(MessageKind::Error, text, Buttons::Ok);
}

int MainWindow::CloseNow() {
    if (ws_.CriticalProcess) {
        host_.Ask(MessageKind::Warning,
                  "A critical process is being executed.\nCancel the process to proceed.",
                  Buttons::Ok);
        return 7;
    }
    const Answer a = host_.Ask(MessageKind::Confirmation,
                               "You have unsaved changes.\nDiscard modified image?",
                               Buttons::YesNo);
    if (a != Answer::Yes) return 7;
    ws_.Modified = false;
    return 6;
}

bool MainWindow::mayClose() {
    if (script_ && script_->lineCount() > 4 && script_->isModifiedScript()) {
        if (host_.Ask(MessageKind::Confirmation, "Discard image processing script?",
                      Buttons::YesNo) != Answer::Yes) {
            script_->show();
            return false;
        }
    }
    if ((ws_.CriticalProcess || ws_.Modified) && CloseNow() != 6) return false;
    return true;
}

void MainWindow::onClose() {
    settings_.FitToWindow = FitToWindow;
    settings_.menuBar = menuBar()->isVisible() || settings_.menuBar;
    if (!FullScreen) settings_.mainWindowBounds = StoreWindowBounds(frameGeometry());
    else settings_.mainWindowBounds = StoreWindowBounds(normalBounds_);
    if (script_) {
        // Client bounds: restoring them with setGeometry gives the same window.
        const QRect r = script_->geometry();
        settings_.batchEditorBounds = {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }
    SettingsStore store(*settingsFile_);
    // An unread wizard record is left as it is.
    store.writeAtClose(settings_, openDir_, saveDir_, jpegWizard_);
    settingsFile_->sync();
    if (script_) script_->closeForGood();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    // A close request during a show only ends the show.
    if (show_) {
        stopShow();
        event->ignore();
        return;
    }
    // Decide first; free nothing before the answer is known.
    if (!mayClose()) {
        event->ignore();
        return;
    }
    closing_ = true;
    ReleaseViewerPlayer(true);
    onClose();
    event->accept();
}

void MainWindow::onExit() {
    if (FullScreen) onFullScreen();
    close();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (show_) return;
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    if (show_) return;
    std::vector<std::string> files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) files.push_back(url.toLocalFile().toStdString());
    if (files.empty()) return;
    event->acceptProposedAction();
    activateWindow();
    openFiles(files);
}

void MainWindow::openFiles(const std::vector<std::string>& dropped) {
    // Folders give their files in name order; archives go to the zip tool.
    std::vector<std::string> files;
    bool archives = false;
    for (const std::string& path : ExpandDroppedPaths(dropped)) {
        if (QFileInfo(QString::fromStdString(path)).suffix().compare(QStringLiteral("zip"), Qt::CaseInsensitive) == 0) {
            unzipWindow(true)->Populate(QString::fromStdString(path));
            archives = true;
        } else if (IsScriptFile(path))
            OpenBIPfile(path);
        else
            files.push_back(path);
    }
    if (archives) onUnzipper();
    if (files.empty()) return;
    if (ws_.Modified && CloseNow() != 6) return;
    bookmarks_.appendOpenedFiles(files);
    HistoryControls();
    openPicture(files.front(), false);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (ws_.BatchRunning) ws_.CancelRequested = true;
    if (view_) QTimer::singleShot(0, this, [this] { ChangeView(); });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The path box keeps the clipboard and editing keys; undo is the picture's.
    if (event->type() == QEvent::ShortcutOverride && watched == history_) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)) {
            event->ignore();
            return true;
        }
    }
    // A click in the path box goes back to its entry (after New, a failed load).
    if (event->type() == QEvent::MouseButtonRelease && watched == history_) {
        const std::string* entry = bookmarks_.current();
        if (entry && *entry != ws_.CurrentFileName && !ws_.CriticalProcess && !show_)
            QTimer::singleShot(0, this, [this, path = *entry] { openPicture(path); });
    }
    if (event->type() == QEvent::KeyPress && watched != history_) {
        auto* key = static_cast<QKeyEvent*>(event);
        keyPressEvent(key);
        if (key->isAccepted()) return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    event->accept();
    if (mods & Qt::AltModifier) {
        event->ignore();
        return;
    }
    const bool keypad = mods & Qt::KeypadModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    const bool pathFocus = history_ && history_->hasFocus();
    switch (event->key()) {
        case Qt::Key_F1: onHelpContext(0); return;
        case Qt::Key_Escape:
            ws_.CancelRequested = true;
            if (pathFocus) {
                UpdateHistoryEdit();
            } else if (FullScreen) {
                onFullScreen();
            }
            return;
        case Qt::Key_W:
            if (!pathFocus || ctrl) onFullScreen();
            return;
        case Qt::Key_Plus:
            if (keypad && (!FitToWindow || media_.MediaMode)) onZoomIn();
            else event->ignore();
            return;
        case Qt::Key_Minus:
            if (keypad && (!FitToWindow || media_.MediaMode)) onZoomOut();
            else event->ignore();
            return;
        default: break;
    }
    // The picture keys: not for a medium, nor while a show has the screen.
    if (pathFocus || ctrl || media_.MediaMode || show_) {
        event->ignore();
        return;
    }
    switch (event->key()) {
        case Qt::Key_Space: onAnalyze(mods); return;
        case Qt::Key_Z: onAutoResize(); return;
        case Qt::Key_Left: onPreviousImage(); return;
        case Qt::Key_Right: onNextImage(); return;
        case Qt::Key_Up:
            if (FullScreen && !menuBar()->isVisible()) onPreviousImage();
            else event->ignore();
            return;
        case Qt::Key_Down:
            if (FullScreen && !menuBar()->isVisible()) onNextImage();
            else event->ignore();
            return;
        case Qt::Key_2: setZoom(25); return;
        case Qt::Key_5: setZoom(50); return;
        case Qt::Key_7: setZoom(75); return;
        case Qt::Key_B: onBookmarksView(); return;
        case Qt::Key_R: onHistorySlideshow(); return;
        case Qt::Key_F: onFitWindow(); return;
        case Qt::Key_G: onViewGamma(); return;
        case Qt::Key_E: onExplore(); return;
        case Qt::Key_U:
            if (!bookmarks_.empty()) onBookmarkUnmark();
            return;
        case Qt::Key_D: onDelete({}); return;
        case Qt::Key_M: copyOrMove(true, false); return;
        case Qt::Key_H: {
            if (QAction* a = action("onScaleJpeg")) a->trigger();
            return;
        }
        // The one-key corrections: the picture stays marked as changed, so
        // closing or moving on still asks before the edit is lost.
        case Qt::Key_C:
            if (FindMenuCommand("onAutoClean")) runMenuCommand("onAutoClean");
            return;
        case Qt::Key_S:
            if (FindMenuCommand("onAutoSharpen")) runMenuCommand("onAutoSharpen");
            return;
        default: event->ignore(); return;
    }
}

}  // namespace vimbra
