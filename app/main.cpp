// The desktop program: one main window; the command line names a file.
#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "shell/web_form.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vimbra"));
    QApplication::setOrganizationName(QStringLiteral("Vimbra"));
    QStringList args = QApplication::arguments().mid(1);
    // --benchmark-open FILE: time from start to the first painted picture.
    const bool bench = !args.isEmpty() && args.front() == QLatin1String("--benchmark-open");
    if (bench) args.removeFirst();
    vimbra::TWebForm form(args);
    form.show();
    if (bench) {
        auto* timer = new QTimer(&form);
        QObject::connect(timer, &QTimer::timeout, &form, [&form] {
            if (form.firstPaintMs() >= 0) {
                std::printf("first frame: %lld ms\n", static_cast<long long>(form.firstPaintMs()));
                QApplication::exit(0);
            }
        });
        timer->start(1);
        QTimer::singleShot(30000, &app, [] { QApplication::exit(1); });
    }
    return QApplication::exec();
}
