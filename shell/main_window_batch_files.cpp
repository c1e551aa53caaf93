// Tools > Batch's list commands (conversion, rename, move, delete) and the
// single-file Copy to, Move to and Delete. No command replaces a file.
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "batch/batch_convert.h"
#include "batch/file_ops.h"
#include "batch/gui/list_dialog.h"
#include "shell/gui_batch_host.h"
#include "shell/main_window.h"
#include "shell/picture_view.h"
#include "shell/progress_window.h"
#include "shell/script_window.h"

namespace vimbra {
namespace {

constexpr size_t kLongListCount = 16000;

// The progress window as a long file operation sees it; pending input is let
// through before each file so that Cancel and Esc are noticed.
class WindowProgress final : public BatchProgress {
public:
    WindowProgress(ProgressWindow& window, Workspace& ws) : w_(window), ws_(ws) {}
    void begin(std::string_view caption, size_t) override {
        w_.ShowStatusWindow(QString::fromUtf8(caption.data(), qsizetype(caption.size())));
        w_.LabelText(w_.statusText(), QStringLiteral("Files:"), QString());
        w_.setProgress(1, 0);
        QApplication::processEvents();
    }
    void step(size_t done, size_t, int percent) override {
        w_.LabelText(QString::fromStdString(ConversionProgressLabel(done, percent)), {}, {});
        w_.setProgress(percent, 0);
    }
    bool cancelRequested() override {
        QApplication::processEvents();
        return ws_.CancelRequested;
    }

private:
    ProgressWindow& w_;
    Workspace& ws_;
};

std::vector<std::string> ToPaths(const QStringList& list) {
    std::vector<std::string> out;
    out.reserve(size_t(list.size()));
    for (const QString& s : list) out.push_back(s.toStdString());
    return out;
}

QString AppDataFolder() {
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dir);
    return dir;
}

QString NameOnly(const std::string& path) { return QFileInfo(QString::fromStdString(path)).fileName(); }

QStringList EntriesOf(const std::vector<std::string>& entries) {
    QStringList list;
    for (const std::string& e : entries) list << QString::fromStdString(e);
    return list;
}

QStringList EntriesOf(const Bookmarks& marks) { return EntriesOf(marks.entries()); }

// The failures of an operation in one warning.
void ReportFailures(GuiFrameHost& host, const BatchOutcome& out) {
    std::string text;
    for (const FileOutcome& f : out.files)
        if (!f.ok) text += (text.empty() ? "" : "\n") + f.message;
    if (!text.empty()) host.Ask(MessageKind::Warning, text, Buttons::Ok);
}

// Lists this long take a while to check: OK goes on.
bool LongListConfirmed(GuiFrameHost& host, size_t n) {
    return n <= kLongListCount ||
           host.AskReply(MessageKind::Confirmation,
                         std::to_string(n) +
                             " items will be verified before processing?\nThis may take some time.",
                         {Reply::Ok, Reply::Cancel}) == Reply::Ok;
}

}  // namespace

int MainWindow::runListDialog(int mode, const QString& caption, QStringList& list) {
    if (listDialogHook) return listDialogHook(mode, caption, list);
    ListDialogOptions o;
    o.help = [this](int context) { onHelpContext(context); };
    return ShowListDialog(this, mode, caption, list, o);
}

QString MainWindow::chooseFolder(const QString& caption, const QString& text, const QString& start) {
    if (folderHook) return folderHook(caption, text, start);
    return QFileDialog::getExistingDirectory(this, caption + QStringLiteral(" - ") + text, start);
}

bool MainWindow::openReport(const std::string& path) {
    const QUrl url = QUrl::fromLocalFile(QString::fromStdString(path));
    return urlOpener ? urlOpener(url) : QDesktopServices::openUrl(url);
}

void MainWindow::clearAfterBatch() {
    ShowBlankImage(true);
    bookmarks_.clear();
    history_->clear();
    HistoryControls();
}

void MainWindow::updateBatchMenu() {
    const bool many = bookmarks_.size() > 1;
    // Conversion takes the thumbnail grid's selection while the grid is shown.
    const auto chosen = gridSelection();
    const bool manyToConvert = chosen ? chosen->size() > 1 : many;
    for (int format = 0; format <= int(ConvertFormat::Jxl); ++format)
        if (QAction* a = action("onBatchConvert", format)) a->setEnabled(manyToConvert);
    for (const char* h : {"onBatchRename", "onBatchMove", "onBatchDelete"})
        if (QAction* a = action(h)) a->setEnabled(many);
    if (QAction* a = action(HandlerName(ViewerAction::Compress))) a->setEnabled(!bookmarks_.empty());
}

void MainWindow::onBatchConvert(int format) {
    // While the thumbnail grid is shown the conversion takes its selection.
    const std::optional<std::vector<std::string>> chosen = gridSelection();
    const size_t n = chosen ? chosen->size() : bookmarks_.size();
    if (format < 0 || format > int(ConvertFormat::Jxl) || ws_.CriticalProcess || n < 2) return;
    const auto fmt = ConvertFormat(format);
    if (!LongListConfirmed(host_, n)) return;
    // The conversion loads every picture into the working image.
    if (ws_.Modified && CloseNow() != 6) return;
    bool runScript = false;
    if (script_ && script_->isVisible()) {
        runScript = host_.Ask(MessageKind::Confirmation,
                              "Batch Editor is active.  Process (perform) batch\ncommands on "
                              "bookmarked images before writing to disk?",
                              Buttons::YesNo) == Answer::Yes;
        script_->hide();
    }
    ws_.BatchRunning = true;
    QStringList list = chosen ? EntriesOf(*chosen) : EntriesOf(bookmarks_);
    if (runListDialog(ConvertListMode(fmt), QStringLiteral("Batch Source Files to be Converted"), list) < 2) {
        ws_.BatchRunning = false;
        return;
    }
    const QString ext = QString::fromLatin1(ConvertExtension(fmt));
    QString start = QString::fromStdString(LastTargetFolder);
    if (start.isEmpty() || !QFileInfo(start).isDir()) {
        start = QFileInfo(history_->text()).absolutePath();
        if (history_->text().isEmpty() || !QFileInfo(start).isDir()) start = AppDataFolder();
    }
    const QString folder = chooseFolder(QStringLiteral("Select Target Folder for %1 files").arg(ext),
                                        QStringLiteral("Select an empty folder (recommended)."), start);
    if (folder.isEmpty()) {
        ws_.BatchRunning = false;
        return;
    }
    LastTargetFolder = folder.toStdString();

    BatchConvertJob job;
    job.files = ToPaths(list);
    job.folder = LastTargetFolder;
    job.format = fmt;
    job.wizard = SettingsStore(*settingsFile_).readJpegWizard();
    job.freeSpace = freeSpaceHook;
    job.keepMetadata = settings_.keepMetadata;
    job.load.applyOrientation = settings_.autoOrient;
    if (runScript && script_) {
        job.scriptHost = batchHost_.get();
        job.script = script_->lines();
    }
    const std::string before = ws_.CurrentFileName;
    // The window takes no command meanwhile; the progress window stays alive.
    const auto enableWindow = [this](bool on) {
        for (QWidget* w : {static_cast<QWidget*>(menuBar()), static_cast<QWidget*>(toolBar_),
                           static_cast<QWidget*>(pathBar_), centralWidget()})
            if (w) w->setEnabled(on);
        if (on) ShortCuts_Enable();
        else ShortCuts_Disable();
    };
    enableWindow(false);
    ws_.CriticalProcess = true;
    BatchConvertResult result;
    {
        ProgressWindow window(ws_, this);
        WindowProgress progress(window, ws_);
        result = BatchConvert(ws_, job, &progress);
        window.close();
    }
    ws_.CriticalProcess = false;
    enableWindow(true);
    ws_.Modified = false;
    ws_.BatchRunning = false;
    host_.undo().forget();
    if (result.end == BatchConvertResult::End::DiskFull)
        host_.Ask(MessageKind::Warning, result.message, Buttons::Ok);
    else if (result.end == BatchConvertResult::End::WriteFailed)
        host_.Ask(MessageKind::Error, result.message, Buttons::Ok);
    // The picture shown before the batch comes back.
    if (before == "Untitled" || !QFileInfo(QString::fromStdString(before)).isFile() ||
        !openPicture(before, false))
        ShowBlankImage(true);
    HistoryControls();
    UpdateHistoryEdit();
    if (result.skipped.empty()) return;
    std::string log;
    try {
        log = WriteBatchExceptions(SkippedLines(result.skipped), AppDataFolder().toStdString());
    } catch (const std::exception& e) {
        showError(e.what());
        return;
    }
    if (host_.Ask(MessageKind::Confirmation, SkippedQuestion(result.skipped.size()), Buttons::YesNo) ==
            Answer::Yes &&
        !openReport(log))
        host_.Ask(MessageKind::Error, "Text viewer not found.", Buttons::Ok);
}

void MainWindow::onBatchRename(Qt::KeyboardModifiers mods) {
    const size_t n = bookmarks_.size();
    if (n < 2 || ws_.CriticalProcess) return;
    if (n > kMaxRenameCount) {
        host_.Ask(MessageKind::Warning, kTooManyToRename, Buttons::Ok);
        return;
    }
    if (!LongListConfirmed(host_, n)) return;
    ws_.BatchRunning = false;
    QStringList list = EntriesOf(bookmarks_);
    if (runListDialog(kListFileOps, QStringLiteral("Batch Source Files to be Renamed"), list) < 2) return;
    const bool numeric = mods & Qt::ShiftModifier;
    std::string prefix;
    if (numeric) {
        if (host_.AskReply(MessageKind::Confirmation,
                           "Rename filenames with numeric prefix? (e.g., 01~pic to 99~pic)",
                           {Reply::Ok, Reply::Cancel}) != Reply::Ok)
            return;
    } else {
        const QString prompt = QStringLiteral("Enter filename prefix for image sequence.");
        const QString hint = QStringLiteral("e.g., \"pic\" for pic00001 to pic99999");
        std::optional<QString> typed;
        if (inputHook) {
            typed = inputHook(prompt, hint);
        } else {
            bool ok = false;
            const QString t = QInputDialog::getText(this, prompt, hint, QLineEdit::Normal, {}, &ok);
            if (ok) typed = t;
        }
        if (!typed) return;
        prefix = typed->toStdString();
    }
    // The list is cleared afterwards, and the picture with it.
    if (ws_.Modified && CloseNow() != 6) return;
    setEnabled(false);
    const BatchOutcome out = BatchRename(ToPaths(list), numeric ? RenameMode::NumericPrefix : RenameMode::Sequence,
                                         prefix);
    setEnabled(true);
    ReportFailures(host_, out);
    ws_.Modified = false;
    ws_.BatchRunning = false;
    // A partial rename keeps the list: it still names the files not renamed.
    if (out.completed()) clearAfterBatch();
}

void MainWindow::onCopyTo(Qt::KeyboardModifiers mods) {
    copyOrMove(mods & Qt::ShiftModifier, mods & Qt::ControlModifier);
}

void MainWindow::onMoveTo() { copyOrMove(true, false); }

void MainWindow::onBatchMove() { copyOrMove(true, true); }

void MainWindow::copyOrMove(bool move, bool batch) {
    if (bookmarks_.empty() || ws_.CriticalProcess) return;
    if (batch && bookmarks_.size() < 2) return;
    QStringList list;
    if (batch) {
        list = EntriesOf(bookmarks_);
        if (runListDialog(kListFileOps, QStringLiteral("Batch Source Files to be Moved"), list) < 2) return;
    } else {
        if (ws_.CurrentFileName == "Untitled") return;
        list << QString::fromStdString(ws_.CurrentFileName);
    }
    const QString caption = batch ? QStringLiteral("Batch Move %1 Files").arg(list.size())
                                  : NameOnly(ws_.CurrentFileName);
    QString start = QString::fromStdString(LastTargetFolder);
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = QFileInfo(QString::fromStdString(ws_.CurrentFileName)).absolutePath();
    const QString folder = chooseFolder(
        caption, move ? QStringLiteral("MOVE file(s) to") : QStringLiteral("COPY file(s) to"), start);
    if (folder.isEmpty()) return;
    LastTargetFolder = folder.toStdString();
    // Moving drops the entry, and the picture shown with it.
    if ((move || batch) && ws_.Modified && CloseNow() != 6) return;
    const TransferMode mode = move ? TransferMode::Move : TransferMode::Copy;
    BatchOutcome out;
    if (batch) {
        ProgressWindow window(ws_, this);
        WindowProgress progress(window, ws_);
        ws_.CancelRequested = false;
        out = TransferFiles(ToPaths(list), LastTargetFolder, mode, &progress);
        window.close();
    } else {
        out = TransferFiles(ToPaths(list), LastTargetFolder, mode);
    }
    ReportFailures(host_, out);
    if (batch) {
        if (out.completed()) clearAfterBatch();
        return;
    }
    if (move && out.completed()) {
        const RemovalResult r = bookmarks_.HistoryChangeUpdate(navigationLoader());
        if (r.emptied) ShowBlankImage(true);
        HistoryControls();
        UpdateHistoryEdit();
    }
}

void MainWindow::onDelete(Qt::KeyboardModifiers mods) {
    if (bookmarks_.empty() || ws_.CriticalProcess) return;
    if (mods & Qt::ControlModifier) {
        onBatchDelete(mods);
        return;
    }
    const std::string path = ws_.CurrentFileName;
    if (path == "Untitled") return;
    const bool permanent = mods & Qt::ShiftModifier;
    if (permanent) {
        if (host_.Ask(MessageKind::Confirmation, "Permanently delete " + path + " ?", Buttons::YesNo) !=
            Answer::Yes)
            return;
    } else if (host_.AskReplySilenceable("onDelete", MessageKind::Confirmation, RecycleQuestion(path),
                                         {Reply::Yes, Reply::No}) == Reply::No) {
        return;
    }
    if (ws_.Modified && CloseNow() != 6) return;
    const FileOutcome out = DeleteFile(path, permanent ? DeleteMode::Permanent : DeleteMode::Recycle);
    if (!out.ok) {
        host_.Ask(MessageKind::Error, out.message, Buttons::Ok);
        return;
    }
    ws_.Modified = false;
    const RemovalResult r = bookmarks_.HistoryChangeUpdate(navigationLoader());
    if (r.emptied) ShowBlankImage(true);
    HistoryControls();
    UpdateHistoryEdit();
}

void MainWindow::onBatchDelete(Qt::KeyboardModifiers mods) {
    if (bookmarks_.size() < 2 || ws_.CriticalProcess) return;
    QStringList list = EntriesOf(bookmarks_);
    if (runListDialog(kListFileOps, QStringLiteral("Batch Source Files to be Recycled"), list) < 2) return;
    const bool permanent = mods & Qt::ShiftModifier;
    const std::string question = (permanent ? "Permanently delete " : "Move to the trash: ") +
                                 std::to_string(list.size()) + " files?";
    if (host_.Ask(MessageKind::Confirmation, question, Buttons::YesNo) != Answer::Yes) return;
    if (ws_.Modified && CloseNow() != 6) return;
    const BatchOutcome out =
        DeleteFiles(ToPaths(list), permanent ? DeleteMode::Permanent : DeleteMode::Recycle);
    ReportFailures(host_, out);
    if (out.completed()) clearAfterBatch();
}

}  // namespace vimbra
