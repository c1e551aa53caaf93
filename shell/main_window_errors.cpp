// The application's error handler: decoder failures of the current file and
// unplayable media become warnings; anything else writes recovery copies of
// unsaved work, reports and ends the program.
#include <QApplication>
#include <QDir>
#include <QSaveFile>

#include "imagefiles/save_dispatch.h"
#include "shell/error_report.h"
#include "shell/main_window.h"
#include "shell/script_window.h"
#include "slideshow/avl_running.h"

namespace vimbra {

MainWindow::RecoveryFiles MainWindow::WriteRecoveryCopies() {
    RecoveryFiles out;
    // Beside the undo file, named after this process so instances never collide.
    const QString base = QDir::tempPath() + QStringLiteral("/vimbra-recovery-%1").arg(QCoreApplication::applicationPid());
    auto write = [](const QString& path, const char* data, qint64 size) {
        QSaveFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(data, size) == size && file.commit();
    };
    if (ws_.Modified && !ws_.Image.isEmpty()) {
        try {
            const std::vector<uint8_t> bytes = EncodeForSave(ws_.Image, SaveFormat::Bmp);
            const QString path = base + QStringLiteral(".bmp");
            if (write(path, reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())))
                out.picture = path.toStdString();
        } catch (...) {
            // Nothing more can be done for the picture; the script may still be saved.
        }
    }
    if (script_ && script_->isModifiedScript()) {
        const QByteArray text = script_->script().toUtf8();
        const QString path = base + QStringLiteral(".bip");
        if (write(path, text.constData(), text.size())) out.script = path.toStdString();
    }
    return out;
}

void MainWindow::ApplicationErrorHandler(const std::string& message) {
    if (!errorHandlerInstalled_) {
        host_.Ask(MessageKind::Error, message, Buttons::Ok);
        return;
    }
    if (media_.MediaMode) setMediaMode(false);
    const bool saving = saveFailed_;
    saveFailed_ = false;
    const UncaughtDecision d = ClassifyUncaughtError(message, ws_.CurrentFileName, ws_.Modified, saving);
    while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
    auto dropCurrentBookmark = [this] {
        const std::string* current = bookmarks_.current();
        if (current && *current == ws_.CurrentFileName) bookmarks_.removeAt(size_t(bookmarks_.BookmarkIndex()));
        HistoryControls();
        UpdateHistoryEdit();
    };
    switch (d.kind) {
        case UncaughtKind::Decoder:
            host_.Ask(MessageKind::Warning, d.text, Buttons::Ok);
            dropCurrentBookmark();
            ShowBlankImage(true);
            return;
        case UncaughtKind::KeepPicture:
            host_.Ask(MessageKind::Warning, d.text, Buttons::Ok);
            return;
        case UncaughtKind::Unplayable:
            if (d.warn) host_.Ask(MessageKind::Warning, d.text, Buttons::Ok);
            dropCurrentBookmark();
            return;
        case UncaughtKind::Fatal:
            break;
    }
    errorHandlerInstalled_ = false;
    // Gone before the report waits for the user, so another instance can start a show.
    AvlRunningLock::ReleaseAllHeld();
    const RecoveryFiles saved = WriteRecoveryCopies();
    std::string where;
    if (!saved.picture.empty()) where += "The modified picture was saved as " + saved.picture + ".";
    if (!saved.script.empty())
        where += (where.empty() ? "" : "\n") + std::string("The batch script was saved as ") + saved.script + ".";
    const bool editor = script_ != nullptr;
    const std::string text = FatalErrorText(message, LastOperationNote, editor, where);
    if (editor &&
        host_.AskReply(MessageKind::Error, text, {Reply::Ok, Reply::Ignore}) == Reply::Ignore)
        return;
    if (!editor) host_.Ask(MessageKind::Error, text, Buttons::Ok);
    // No questions about unsaved work: the copies above hold it.
    closing_ = true;
    if (quitHook) quitHook(1);
    else QApplication::exit(1);
}

}  // namespace vimbra
