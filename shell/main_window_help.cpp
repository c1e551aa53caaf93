// The Help menu and F1: the bundled pages opened in the desktop's browser.
#include <QAction>
#include <QDesktopServices>
#include <QMenu>
#include <QStandardPaths>
#include <QUrl>

#include "shell/help_pages.h"
#include "shell/main_window.h"

namespace vimbra {

void MainWindow::onHelpContext(int context) {
    // The hotkeys table lists the shortcuts of the items this build has.
    QString rows;
    for (const MenuRow& row : MainMenuLayout()) {
        QAction* a = action(row.handler, row.tag);
        if (!a || a->shortcut().isEmpty()) continue;
        QString item = QString::fromUtf8(row.path) + QLatin1Char('/') + QString::fromUtf8(row.caption);
        item.remove(QLatin1Char('&'));
        item.replace(QLatin1Char('/'), QStringLiteral(" > "));
        rows += ShortcutRow(item.simplified(), a->shortcut().toString(QKeySequence::NativeText));
    }
    const QString folder =
        QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/help");
    if (!ExtractHelpPages(folder, rows)) {
        host_.Ask(MessageKind::Warning, "The help pages could not be written to " +
                                            folder.toStdString() + ".", Buttons::Ok);
        return;
    }
    const QUrl url = HelpUrl(folder, context);
    const bool opened = urlOpener ? urlOpener(url) : QDesktopServices::openUrl(url);
    if (!opened)
        host_.Ask(MessageKind::Warning, "No program to show " + url.toLocalFile().toStdString() +
                                            " was found.", Buttons::Ok);
}

}  // namespace vimbra
