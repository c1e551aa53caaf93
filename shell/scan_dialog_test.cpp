#include "shell/scan_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QInputDialog>
#include <QTimer>

#include <gtest/gtest.h>

#include "ui/test_app.h"

namespace vimbra {
namespace {

TEST(StartResolution, DeviceValueOrClosestTo150) {
    ScannerCapabilities caps;
    caps.resolutions = {75, 100, 150, 200, 300, 600, 1200};
    caps.resolution = 300;
    EXPECT_EQ(StartResolution(caps), 300);
    // A value the list lacks (a backend reading 0) gives 150.
    caps.resolution = 0;
    EXPECT_EQ(StartResolution(caps), 150);
    // |200 - 150| = 50 beats |75 - 150| = 75.
    caps.resolutions = {75, 200};
    EXPECT_EQ(StartResolution(caps), 200);
    // Nothing offered: the device's own value.
    caps.resolutions.clear();
    caps.resolution = 96;
    EXPECT_EQ(StartResolution(caps), 96);
}

// Closes the choice the way `close` does once it is up, after picking `pick`.
int Choose(const QStringList& labels, int current, int pick, bool accept) {
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        timer.stop();
        if (pick >= 0) dialog->findChild<QComboBox*>()->setCurrentIndex(pick);
        accept ? dialog->accept() : dialog->reject();
    });
    timer.start();
    return ChooseScanner(nullptr, labels, current);
}

TEST(ChooseScanner, CancelChoosesNothing) {
    EnsureApp();
    const QStringList labels{"test:0 - Noname frontend-tester", "test:1 - Noname frontend-tester"};
    EXPECT_EQ(Choose(labels, 1, -1, false), -1);
    EXPECT_EQ(Choose(labels, 1, 0, false), -1);
    EXPECT_EQ(Choose(labels, 1, -1, true), 1);  // starts at the current one
    EXPECT_EQ(Choose(labels, 1, 0, true), 0);
}

}  // namespace
}  // namespace vimbra
