#include "shell/progress_window.h"

#include <gtest/gtest.h>

#include "ui/test_app.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "core/workspace.h"

namespace vimbra {
namespace {

TEST(ProgressWindow, CancelEscAndClose) {
    EnsureApp();
    Workspace ws;
    ProgressWindow form(ws);
    form.ShowStatusWindow("Batch conversion");
    EXPECT_EQ(form.windowTitle(), "Batch conversion");
    EXPECT_EQ(form.statusText(), "One moment ...");
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(form.isModal());
    form.cancelButton()->click();
    EXPECT_TRUE(ws.CancelRequested);
    EXPECT_TRUE(form.isVisible());  // the run closes it when it has stopped

    ws.CancelRequested = false;
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&form, &esc);
    EXPECT_TRUE(ws.CancelRequested);
    EXPECT_TRUE(form.isVisible());

    ws.CriticalProcess = true;
    form.close();
    EXPECT_FALSE(ws.CriticalProcess);
    EXPECT_FALSE(form.isVisible());
}

TEST(ProgressWindow, LabelsBarsAndElidedPath) {
    EnsureApp();
    Workspace ws;
    ProgressWindow form(ws);
    const QString path = "/home/user/" + QString(300, 'x') + "/picture.jpg";
    form.LabelText(path, "Files:", "");
    EXPECT_EQ(form.statusText(), path);
    const QString shown = form.statusLabel()->text();
    EXPECT_LT(shown.size(), path.size());
    EXPECT_TRUE(shown.startsWith("/home/"));
    EXPECT_TRUE(shown.endsWith("picture.jpg"));
    EXPECT_EQ(form.findChildren<QLabel*>().at(1)->text(), "Files:");
    EXPECT_EQ(form.findChildren<QLabel*>().at(2)->text(), "Folders:");  // empty keeps it
    form.setProgress(40, 150);
    EXPECT_EQ(form.firstBar()->value(), 40);
    EXPECT_EQ(form.secondBar()->value(), 100);
}

}  // namespace
}  // namespace vimbra
