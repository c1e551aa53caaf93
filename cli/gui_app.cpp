#include "cli/gui_app.h"

namespace vimbra::cli {

std::unique_ptr<QGuiApplication> StartGuiApplication() {
    if (QCoreApplication::instance()) return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "vimbra-cli";
    static char* argv[] = {name, nullptr};
    // Its start-up notes (no runtime folder, ...) are no concern of a command line.
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    auto app = std::make_unique<QGuiApplication>(argc, argv);
    qInstallMessageHandler(previous);
    return app;
}

}  // namespace vimbra::cli
