#include "shell/gui_batch_host.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>

#include "imagefiles/jpeg_settings.h"
#include "imagefiles/save_dispatch.h"
#include "shell/save_options.h"
#include "shell/script_window.h"
#include "shell/picture_view.h"
#include "shell/save_file_dialog.h"
#include "shell/main_window.h"

namespace vimbra {

std::vector<std::string> GuiBatchHost::scriptLines() {
    ScriptWindow* w = form_.scriptWindow(false);
    return w ? w->lines() : std::vector<std::string>{};
}

Choice GuiBatchHost::ask(MessageKind kind, std::string_view text, ChoiceSet choices) {
    GuiFrameHost& host = form_.host();
    if (choices == ChoiceSet::Ok) {
        host.Ask(kind, text, Buttons::Ok);
        return Choice::Ok;
    }
    if (choices == ChoiceSet::YesNo)
        return host.Ask(kind, text, Buttons::YesNo) == Answer::Yes ? Choice::Yes : Choice::No;
    // Ok, Cancel and Ignore: the frame's Yes, No and Ignore stand for them.
    if (host.askHook) {
        switch (host.Ask(kind, text, Buttons::YesNoIgnore)) {
            case Answer::Yes: return Choice::Ok;
            case Answer::Ignore: return Choice::Ignore;
            case Answer::No: return Choice::Cancel;
        }
    }
    host.messages.emplace_back(text);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Vimbra"),
                    QString::fromUtf8(text.data(), qsizetype(text.size())),
                    QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Ignore, &form_);
    const int r = box.exec();
    return r == QMessageBox::Ok ? Choice::Ok : r == QMessageBox::Ignore ? Choice::Ignore
                                                                        : Choice::Cancel;
}

bool GuiBatchHost::loadFile(Workspace& ws, const std::string& path, LoadReason) {
    const bool ok = form_.openPicture(path, false);
    // A file that will not load ends the run rather than editing the wrong picture.
    if (!ok) ws.CancelRequested = true;
    return ok;
}

BatchSaveResult GuiBatchHost::save(Workspace& ws, const SaveRequest& request) {
    SaveOptions options;
    options.batch = true;
    options.quality = kDefaultDialogQuality;
    std::string target;
    SaveFormat format = SaveFormat::Bmp;
    if (request.silent) {
        target = request.silentPath;
    } else {
        const std::string filterText = SaveDialogFilter(ws.ImageBitDepth);
        QStringList filters;
        const QStringList parts = QString::fromStdString(filterText).split(QLatin1Char('|'));
        for (int i = 0; i + 1 < parts.size(); i += 2)
            filters << parts[i] + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')');
        QFileDialog dlg(&form_, QStringLiteral("Save Image As"), form_.saveDir_);
        dlg.setNameFilters(filters);
        for (const QString& filter : filters)
            if (SaveFormatOfFilter(filter) == form_.saveFilter_) dlg.selectNameFilter(filter);
        dlg.selectFile(QString::fromStdString(request.suggestedName));
        const QString chosen = ExecSaveDialog(dlg, [&](const QString& name) {
            form_.saveFilter_ = std::max(1, SaveFormatOfFilter(dlg.selectedNameFilter()));
            format = SaveFormatFromNumber(form_.saveFilter_).value_or(SaveFormat::Bmp);
            return QString::fromStdString(ApplyExtensionRule(name.toStdString(), format));
        });
        if (chosen.isEmpty()) return {SaveOutcome::Cancelled};
        target = chosen.toStdString();
        form_.saveDir_ = QFileInfo(chosen).absolutePath();
    }
    // The source stays untouched: a batch never writes over the file it read.
    if (SamePath(target, request.sourceFile) ||
        (QFileInfo::exists(QString::fromStdString(target)) &&
         QFileInfo(QString::fromStdString(target)).canonicalFilePath() ==
             QFileInfo(QString::fromStdString(request.sourceFile)).canonicalFilePath())) {
        form_.host().Ask(MessageKind::Warning,
                         "Not saved: " + target + " is the picture's own file.", Buttons::Ok);
        ws.CancelRequested = true;
        return {SaveOutcome::Failed};
    }
    const auto metadata = MetadataToSave(ws, format, form_.settings().keepMetadata);
    SaveOptions withMetadata = options;
    withMetadata.metadata = metadata ? &*metadata : nullptr;
    const SaveResult saved = SaveImageFile(ws, target, format, withMetadata);
    switch (saved.status) {
        case SaveStatus::Saved: return {SaveOutcome::Completed};
        case SaveStatus::DiskFull:
            return {SaveOutcome::DiskFull, saved.requiredBytes, saved.freeBytes};
        case SaveStatus::Failed: break;
    }
    form_.host().Ask(MessageKind::Error,
                     saved.detail.empty() ? saved.message : saved.message + "\n" + saved.detail,
                     Buttons::Ok);
    ws.CancelRequested = true;
    return {SaveOutcome::Failed};
}

std::string GuiBatchHost::lastSaveFolder() const { return form_.saveDir_.toStdString(); }
bool GuiBatchHost::lastSaveTypeIsBmp() const { return form_.saveFilter_ == int(SaveFormat::Bmp); }

bool GuiBatchHost::deleteFile(const std::string& path) {
    return QFile::remove(QString::fromStdString(path));
}

void GuiBatchHost::processEvents(Workspace&) {
    // Esc (the form's key handler) and clicks on the picture set the flags.
    QApplication::processEvents();
}

void GuiBatchHost::sleepMs(int milliseconds) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < milliseconds) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

void GuiBatchHost::refreshView(Workspace&) {
    form_.view()->refresh();
    form_.ChangeView();
    form_.view()->repaint();
}

void GuiBatchHost::updateCaption(Workspace&) { form_.UpdateCaption(); }

void GuiBatchHost::showPath(const std::string& path) {
    form_.pathBox()->setText(QString::fromStdString(path));
}

void GuiBatchHost::showMainWindow() {
    form_.raise();
    form_.activateWindow();
}

void GuiBatchHost::forgetUndo(Workspace&) { form_.host().undo().forget(); }

void GuiBatchHost::setUndoBitDepth(Workspace&, int depth) {
    form_.host().undo().SnapshotDepth = depth;
}

}  // namespace vimbra
