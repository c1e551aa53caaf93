// Script files reach the batch editor from every way of opening a file.
#include <QFileInfo>

#include "shell/main_window.h"
#include "shell/script_window.h"

namespace vimbra {

bool MainWindow::IsScriptFile(const std::string& path) {
    return QFileInfo(QString::fromStdString(path))
               .suffix()
               .compare(QStringLiteral("bip"), Qt::CaseInsensitive) == 0;
}

void MainWindow::OpenBIPfile(const std::string& path) {
    const QString name = QString::fromStdString(path);
    if (!QFileInfo(name).isFile()) return;
    onBatchEditor();
    script_->openNamed(QFileInfo(name).absoluteFilePath());
}

}  // namespace vimbra
