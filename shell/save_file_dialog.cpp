#include "shell/save_file_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace vimbra {

SaveNameRule EnsureExtension(const QString& extension) {
    return [extension](const QString& chosen) {
        return chosen.isEmpty() || chosen.endsWith(extension, Qt::CaseInsensitive)
                   ? chosen
                   : chosen + extension;
    };
}

QString ExecSaveDialog(QFileDialog& dialog, const SaveNameRule& complete) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The dialog's own question would be about the name before completion.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
        const QString chosen = dialog.selectedFiles().front();
        const QString path = complete ? complete(chosen) : chosen;
        if (path.isEmpty()) return {};
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink()) return path;
        QMessageBox ask(QMessageBox::Warning, dialog.windowTitle(),
                        QFileDialog::tr("%1 already exists.\nDo you want to replace it?")
                            .arg(info.fileName()),
                        QMessageBox::Yes | QMessageBox::No, &dialog);
        ask.setDefaultButton(QMessageBox::No);
        if (ask.exec() == QMessageBox::Yes) return path;
        dialog.selectFile(info.fileName());
    }
}

QString AskSaveFileName(QWidget* parent, const QString& title, const QString& start,
                        const QString& filter, const QString& suffix,
                        const SaveNameRule& complete) {
    QFileDialog dialog(parent, title, start, filter);
    dialog.setDefaultSuffix(suffix.startsWith(QLatin1Char('.')) ? suffix.mid(1) : suffix);
    return ExecSaveDialog(dialog, complete);
}

}  // namespace vimbra
