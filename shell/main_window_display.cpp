// A display that changes size or colour depth under the running program.
#include <QScreen>

#include "shell/main_window.h"

namespace vimbra {

void MainWindow::watchDisplay() {
    QScreen* s = screen();
    if (!s) return;
    displaySize_ = s->geometry().size();
    displayDepth_ = s->depth();
    connect(s, &QScreen::geometryChanged, this, &MainWindow::displayChanged);
}

void MainWindow::displayChanged(const QRect& geometry) {
    const QScreen* s = screen();
    const int depth = s ? s->depth() : displayDepth_;
    if (geometry.size() == displaySize_ && depth == displayDepth_) return;
    ws_.StopRequested = true;
    host_.Ask(MessageKind::Warning, "Display has changed.\nVimbra 6.71 should be closed and restarted.",
              Buttons::Ok);
}

}  // namespace vimbra
