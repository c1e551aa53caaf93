// Editing commands from the menus, Undo, the script window and batch runs,
// Tools > Memory and the options dialog.
#include <new>

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QMenu>
#include <QGuiApplication>
#include <QScreen>
#include <QSysInfo>

#include "core/histogram.h"
#include "commands/map_commands.h"
#include "shell/menu_layout.h"
#include "shell/options_dialog.h"
#include "shell/script_window.h"
#include "shell/picture_view.h"
#include "shell/main_window.h"

namespace vimbra {

void MainWindow::runMenuCommand(const std::string& handler) {
    const MenuCommandRef ref = FindMenuCommand(handler);
    if (!ref) return;
    // The automatic filters work on 24-bit pictures: they switch the
    // automatic colour reduction off.
    if (handler == "onAutoClean" || handler == "onAutoSharpen") settings_.AutoReduce = false;
    runGuarded([&] {
        if (ref.edit) RunEditCommand(ws_, *ref.edit);
        else ref.custom->run(ws_);
    });
}

void MainWindow::runGuarded(const std::function<void()>& command) {
    if (ws_.Image.isEmpty() || ws_.CriticalProcess) return;
    try {
        command();
    } catch (const std::bad_alloc&) {
        ws_.CancelRequested = true;
        showError("Not enough memory for this command.");
    } catch (const std::exception& e) {
        showError(e.what());
    }
    // The command may have changed the picture's size or depth.
    view_->refresh();
    ChangeView();
    StatusReady();
}

void MainWindow::onUndo() {
    if (!host_.undo().undoAvailable()) return;
    onHand();
    host_.Undo(ws_);
    // The picture back is no page of the file any more.
    setPageControlsEnabled(false);
    view_->refresh();
    ChangeView();
    StatusReady();
}

ScriptWindow* MainWindow::scriptWindow(bool create) {
    if (!script_ && create) {
        script_ = new ScriptWindow(ws_, this);
        if (const QScreen* s = screen())
            script_->setGeometry(EditorWindowBounds(settings_.batchEditorBounds, s->size()));
        connect(script_, &ScriptWindow::performRequested, this, [this] {
            interpreter_->onPerformBatchStep();
            view_->refresh();
            ChangeView();
            UpdateCaption();
            refreshStatusBar();
        });
    }
    return script_;
}

void MainWindow::onBatchEditor() {
    ScriptWindow* w = scriptWindow(true);
    w->show();
    w->raise();
}

void MainWindow::onPerformBatch() {
    // The editor, shown or hidden after Close, holds the script until the
    // program ends; before its first opening there is nothing to run.
    if (!scriptWindow(false) || !ws_.RecordingActive) return;
    ws_.StopRequested = false;
    ws_.CancelRequested = false;
    interpreter_->onPerformBatch();
    view_->refresh();
    ChangeView();
    UpdateCaption();
    HistoryControls();
    refreshStatusBar();
}

void MainWindow::onHistogram() {
    const QMenu* image = topMenu(QStringLiteral("&Image"));
    if (ws_.Image.isEmpty() || (image && !image->isEnabled())) return;
    if (ws_.ImageBitDepth != 24) {
        // As the histogram of the picture shown: made 24-bit, no undo copy.
        ws_.ForceTrueColor();
        view_->refresh();
    }
    DoCalcHistogram(ws_, PassTarget::preview(ws_.Image), true, false, false);
    const QString name = QFileInfo(QString::fromStdString(ws_.CurrentFileName)).fileName();
    if (host_.onHistogram) host_.onHistogram(QStringLiteral("Histogram [") + name + QLatin1Char(']'));
}

void MainWindow::onRgbInfo() {
    if (ws_.Image.isEmpty() || ws_.CriticalProcess) return;
    if (ws_.ImageBitDepth != 24) {
        if (!host_.AutoBackUp(ws_)) return;
        ws_.ForceTrueColor();
        view_->refresh();
    }
    onBatchEditor();
    for (const std::string& line : RgbInfoLines(ws_)) host_.RecordBatchLine(ws_, line);
    StatusReady();
}

void MainWindow::onMemory() {
    MemoryReport report;
    if (const auto figures = ReadMemoryFigures()) report.memory = *figures;
    report.largestBlock = TrialBlock();
    report.versionNumber = VersionNumber(QSysInfo::kernelVersion().toStdString());
    if (const QScreen* s = screen()) {
        report.screenWidth = s->size().width();
        report.screenHeight = s->size().height();
    }
    report.displayBitDepth = ws_.DisplayBitDepth;
    report.bookmarkCount = bookmarks_.size();
    ShowMemoryReport(ws_, host_.undo(), report);
}

void MainWindow::onOptions() {
    const OptionsPage page = FullScreen ? OptionsPage::Graphics : OptionsPage::Viewer;
    OptionsCallbacks callbacks;
    callbacks.help = [this](int context) { onHelpContext(context); };
    callbacks.effects = [this] { onSlideEffects(); };
    callbacks.apply = [this](const SettingsRecord&, const SettingsRecord& after) {
        settings_ = after;
        FitToWindow = settings_.FitToWindow ? FitToWindow : FitToWindow;
        applySettingsLayout();
        ChangeView();
    };
    ExecuteOptionsDialog(this, settings_, page, FullScreen, ws_.DisplayBitDepth, callbacks);
    applySettingsLayout();
    ChangeView();
}

}  // namespace vimbra
