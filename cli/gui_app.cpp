#include "cli/gui_app.h"

#include <QGuiApplication>

namespace vimbra::cli {

void EnsureGuiApplication() {
    if (QCoreApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "vimbra-cli";
    static char* argv[] = {name, nullptr};
    // Its start-up notes (no runtime folder, ...) are no concern of a command line.
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    static QGuiApplication app(argc, argv);
    qInstallMessageHandler(previous);
}

}  // namespace vimbra::cli
