// The main window under the offscreen platform: start-up, the command line,
// the close question, navigation over vanished files, undo and the view.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

#include "imagefiles/save_dispatch.h"
#include "shell/script_window.h"
#include "shell/picture_view.h"
#include "shell/view_box.h"
#include "shell/main_window_test_util.h"
#include "shell/test_pictures.h"
#include "shell/main_window.h"
#include "shell/main_window_test_util.h"

using namespace vimbra;

namespace {

std::string WritePicture(const QString& path, int w, int h, int seed) {
    return vimbra::testing::WriteTexturedPicture(path.toStdString(), w, h, seed);
}


}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    std::unique_ptr<QSettings> settings_;
    std::vector<std::string> asked_;

    std::unique_ptr<MainWindow> makeWindow(const QStringList& args, Answer answer = Answer::Yes) {
        settings_ = std::make_unique<QSettings>(dir_.filePath(QStringLiteral("settings.ini")),
                                                QSettings::IniFormat);
        auto form = std::make_unique<MainWindow>(args, settings_.get());
        form->host().askHook = [this, answer](MessageKind, std::string_view text, Buttons) {
            asked_.emplace_back(text);
            return answer;
        };
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get())) return nullptr;
        // The command line's file opens once the window is up.
        QTest::qWait(20);
        return form;
    }

private slots:
    void init() {
        asked_.clear();
        QFile::remove(dir_.filePath(QStringLiteral("settings.ini")));
    }

    void startsWithDefaultLayoutWithoutSettings() {
        auto form = makeWindow({});
        QVERIFY(form);
        QVERIFY(form->menuBar()->isVisible());
        QVERIFY(form->statusBar()->isVisible());
        QVERIFY(form->pathBox()->isVisible());
        auto* toolBar = form->findChild<QToolBar*>(QStringLiteral("Toolbar1"));
        QVERIFY(toolBar && toolBar->isVisible());
        QCOMPARE(toolBar->toolButtonStyle(), Qt::ToolButtonTextOnly);
        QVERIFY(form->FitToWindow);
        QCOMPARE(form->workspace().CurrentFileName, std::string("Untitled"));
        QCOMPARE(form->windowTitle(), QStringLiteral("Untitled - Vimbra 6.71"));
        QCOMPARE(form->statusPanelText(1), QStringLiteral("Fit"));
        // Editing menus wait for the first picture.
        QVERIFY(!form->topMenu(QStringLiteral("&Colors"))->isEnabled());
        QVERIFY(!form->topMenu(QStringLiteral("&Image"))->isEnabled());
        QCOMPARE(form->action("onPerformBatch")->shortcut(), QKeySequence(Qt::Key_F9));
        QCOMPARE(form->action("onNextImage")->shortcut(), QKeySequence(Qt::Key_PageDown));
    }

    void commandLineNameWithBlanksOpensThatFile() {
        const QString path = dir_.filePath(QStringLiteral("my holiday  picture.bmp"));
        WritePicture(path, 40, 30, 1);
        // The shell split the unquoted name at its blanks.
        const QStringList args = path.split(QLatin1Char(' '));
        QCOMPARE(args.size(), 4);
        auto form = makeWindow(args);
        QVERIFY(form);
        QTRY_COMPARE(form->workspace().CurrentFileName, path.toStdString());
        QCOMPARE(form->workspace().ImageWidth, 40);
        QCOMPARE(form->workspace().ImageHeight, 30);
        QCOMPARE(form->windowTitle(), QStringLiteral("my holiday  picture.bmp - Vimbra 6.71"));
        QCOMPARE(form->statusPanelText(2), QStringLiteral("40x30(24) dib"));
        QCOMPARE(form->pathBox()->text(), path);
        QVERIFY(form->topMenu(QStringLiteral("&Colors"))->isEnabled());
    }

    void closeWithUnsavedChangesAnsweredNoKeepsTheWindow() {
        const QString path = dir_.filePath(QStringLiteral("Edit Me.bmp"));
        WritePicture(path, 20, 20, 2);
        auto form = makeWindow({path}, Answer::No);
        QVERIFY(form);
        QTRY_COMPARE(form->workspace().CurrentFileName, path.toStdString());
        form->runMenuCommand("onNegative");
        QVERIFY(form->workspace().Modified);
        QVERIFY(!form->close());
        QVERIFY(form->isVisible());
        QCOMPARE(asked_.back(), std::string("You have unsaved changes.\nDiscard modified image?"));
        QVERIFY(form->workspace().Modified);
        // A critical process refuses without asking about the picture.
        form->workspace().CriticalProcess = true;
        QVERIFY(!form->close());
        QCOMPARE(asked_.back(),
                 std::string("A critical process is being executed.\nCancel the process to proceed."));
        form->workspace().CriticalProcess = false;
        form->host().askHook = [](MessageKind, std::string_view, Buttons) { return Answer::Yes; };
        QVERIFY(form->close());
        QVERIFY(!form->workspace().Modified);
        // The settings were written at close.
        QSettings written(dir_.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        QCOMPARE(written.value(QStringLiteral("VControls6014")).toByteArray().size(), 148);
    }

    void nextSkipsAFileThatVanished() {
        const QString a = dir_.filePath(QStringLiteral("A.bmp"));
        const QString b = dir_.filePath(QStringLiteral("b.bmp"));
        const QString c = dir_.filePath(QStringLiteral("C.bmp"));
        WritePicture(a, 10, 10, 3);
        WritePicture(b, 12, 10, 4);
        WritePicture(c, 14, 10, 5);
        auto form = makeWindow({});
        QVERIFY(form);
        form->openFiles({a.toStdString(), b.toStdString(), c.toStdString()});
        // The others are appended last first; the first opened goes in front.
        const std::vector<std::string> order{a.toStdString(), c.toStdString(), b.toStdString()};
        QCOMPARE(form->bookmarks().entries(), order);
        QCOMPARE(form->workspace().ImageWidth, 10);
        QVERIFY(QFile::remove(c));
        form->action("onNextImage")->trigger();
        // C is gone: dropped, and b, which took its place, is shown.
        QCOMPARE(form->workspace().CurrentFileName, b.toStdString());
        QCOMPARE(form->workspace().ImageWidth, 12);
        const std::vector<std::string> left{a.toStdString(), b.toStdString()};
        QCOMPARE(form->bookmarks().entries(), left);
        QCOMPARE(form->bookmarks().BookmarkIndex(), 1);
        QCOMPARE(form->pathBox()->text(), b);
        QCOMPARE(form->statusBar()->currentMessage(),
                 QStringLiteral("File not found. 1 bookmark(s) skipped and removed."));
        // Next from the last wraps to the first; paths keep their case.
        form->onNextImage();
        QCOMPARE(form->workspace().CurrentFileName, a.toStdString());
        // The arrow keys on the picture walk the list too.
        form->view()->setFocus();
        QTest::keyClick(form->view(), Qt::Key_Left);
        QCOMPARE(form->workspace().CurrentFileName, b.toStdString());
        // With unsaved changes and No, nothing moves.
        form->runMenuCommand("onNegative");
        form->host().askHook = [](MessageKind, std::string_view, Buttons) { return Answer::No; };
        form->onNextImage();
        QCOMPARE(form->workspace().CurrentFileName, b.toStdString());
        QCOMPARE(form->bookmarks().BookmarkIndex(), 1);
        form->workspace().Modified = false;
    }

    void aBrokenFileIsShownAsBrokenUnderItsOwnName() {
        const QString a = dir_.filePath(QStringLiteral("a.bmp"));
        const QString broken = dir_.filePath(QStringLiteral("broken.jpg"));
        const QString c = dir_.filePath(QStringLiteral("c.bmp"));
        WritePicture(a, 10, 10, 3);
        WritePicture(c, 14, 10, 5);
        QFile f(broken);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArrayLiteral("\xFF\xD8\xFF\xE0 not really a JPEG"));
        f.close();
        auto form = makeWindow({});
        QVERIFY(form);
        form->openFiles({a.toStdString()});
        form->bookmarks().replace({a.toStdString(), broken.toStdString(), c.toStdString()}, 0);
        asked_.clear();
        form->onNextImage();
        QCOMPARE(asked_.size(), size_t(1));
        QVERIFY2(asked_.back().find("broken.jpg") != std::string::npos, asked_.back().c_str());
        // Index, name and picture agree: the broken file, not a's picture.
        QCOMPARE(form->bookmarks().BookmarkIndex(), 1);
        QCOMPARE(form->workspace().CurrentFileName, broken.toStdString());
        QVERIFY(form->windowTitle().startsWith(QStringLiteral("broken.jpg")));
        QCOMPARE(form->pathBox()->text(), broken);
        QCOMPARE(form->workspace().ImageWidth, 16);
        QVERIFY(!form->workspace().Modified);
        form->onNextImage();
        QCOMPARE(form->workspace().CurrentFileName, c.toStdString());
        QCOMPARE(form->workspace().ImageWidth, 14);
    }

    void typedPathOpensAndEscResets() {
        const QString a = dir_.filePath(QStringLiteral("one.bmp"));
        const QString b = dir_.filePath(QStringLiteral("Two.bmp"));
        WritePicture(a, 10, 10, 6);
        WritePicture(b, 16, 10, 7);
        auto form = makeWindow({a});
        QVERIFY(form);
        QTRY_COMPARE(form->workspace().CurrentFileName, a.toStdString());
        form->pathBox()->setText(b);
        QTest::keyClick(form->pathBox(), Qt::Key_Return);
        QCOMPARE(form->workspace().CurrentFileName, b.toStdString());
        QCOMPARE(form->bookmarks().size(), size_t(2));
        form->pathBox()->setText(dir_.filePath(QStringLiteral("nothing here.bmp")));
        QTest::keyClick(form->pathBox(), Qt::Key_Return);
        QCOMPARE(asked_.back(), std::string("File not found."));
        QCOMPARE(form->pathBox()->text(), b);
        QVERIFY(testing::ActivateForm(*form));
        form->pathBox()->setFocus();
        form->pathBox()->setText(QStringLiteral("half typed"));
        QTest::keyClick(form->pathBox(), Qt::Key_Escape);
        QCOMPARE(form->pathBox()->text(), b);
        form->workspace().Modified = false;
    }

    void undoRestoresThePictureBitForBit() {
        const QString path = dir_.filePath(QStringLiteral("undo.bmp"));
        WritePicture(path, 33, 17, 8);
        auto form = makeWindow({path});
        QVERIFY(form);
        QTRY_COMPARE(form->workspace().CurrentFileName, path.toStdString());
        const Bitmap before = form->workspace().Image;
        QVERIFY(!form->action("onUndo")->isEnabled());
        form->runMenuCommand("onNegative");
        QVERIFY(!(form->workspace().Image == before));
        // Negative of the top-left pixel: 255 − seed 8 in every channel.
        QCOMPARE(int(form->workspace().Image.scanLine(0)[0]), 247);
        QVERIFY(form->workspace().Modified);
        QVERIFY(form->action("onUndo")->isEnabled());
        form->action("onUndo")->trigger();
        QVERIFY(form->workspace().Image == before);
        // A dialog command cancelled leaves the picture as it was.
        form->host().effectsHook = [](Workspace&, const FilterDlgParam&) {
            return kDialogCancelled;
        };
        form->runMenuCommand("onGammaGlobal");
        QVERIFY(form->workspace().Image == before);
        // Auto Clean leaves the automatic colour reduction off.
        form->action("onAutoClean")->trigger();
        QVERIFY(!form->settings().AutoReduce);
        form->workspace().Modified = false;
    }

    void fitAndZoomMapping() {
        const QString path = dir_.filePath(QStringLiteral("big.bmp"));
        WritePicture(path, 2000, 1500, 9);
        auto form = makeWindow({path});
        QVERIFY(form);
        QTRY_COMPARE(form->workspace().ImageWidth, 2000);
        QTest::qWait(20);
        PictureView* sky = form->view();
        const int vw = form->ViewAreaWidth(), vh = form->ViewAreaHeight();
        // Fit: the longer relative side fills the area, the control is centred.
        QVERIFY(sky->width() == vw || sky->height() == vh);
        QVERIFY(std::abs(sky->width() * 1500 - sky->height() * 2000) <= 2000);
        QCOMPARE(sky->x(), (vw - sky->width()) / 2);
        QCOMPARE(sky->y(), (vh - sky->height()) / 2);
        form->onFitWindow();
        QVERIFY(!form->FitToWindow);
        QCOMPARE(form->statusPanelText(1), QStringLiteral("100%"));
        QCOMPARE(sky->size(), QSize(2000, 1500));
        form->onZoomOut();
        QCOMPARE(sky->size(), QSize(1500, 1125));
        QCOMPARE(form->statusPanelText(1), QStringLiteral("75%"));
        form->setZoom(800);
        form->onZoomIn();
        QCOMPARE(form->ZoomPercent, 800);
        QCOMPARE(sky->size(), QSize(16000, 12000));
        form->setZoom(300);
        QCOMPARE(sky->size(), QSize(6000, 4500));
        QScrollBar* h = form->scrollBox()->horizontalScrollBar();
        h->setValue(100);
        QCOMPARE(h->value(), 99);
        // At 3x the box gives up its remainders modulo 3 on the left and top.
        const QMargins m = static_cast<ViewBox*>(form->scrollBox())->remainder();
        QCOMPARE(m, QMargins(form->ViewAreaWidth() % 3, form->ViewAreaHeight() % 3, 0, 0));
        QCOMPARE(form->scrollBox()->viewport()->x() - m.left(), form->scrollBox()->frameWidth());
        // Key 2: 25%.
        sky->setFocus();
        QTest::keyClick(sky, Qt::Key_2);
        QCOMPARE(form->ZoomPercent, 25);
        QCOMPARE(sky->size(), QSize(500, 375));
        QCOMPARE(static_cast<ViewBox*>(form->scrollBox())->remainder(), QMargins());
        QTest::keyClick(sky, Qt::Key_F);
        QVERIFY(form->FitToWindow);
        QCOMPARE(form->statusPanelText(1), QStringLiteral("Fit"));
    }

    void rubberBandMapsToPicturePixels() {
        const QString path = dir_.filePath(QStringLiteral("sel.bmp"));
        WritePicture(path, 100, 80, 10);
        auto form = makeWindow({path});
        QVERIFY(form);
        QTRY_COMPARE(form->workspace().ImageWidth, 100);
        form->setZoom(200);
        form->onSelect();
        // Red Eye works inside a selection only: none yet.
        QAction* redEye = form->action("onRedEye");
        QVERIFY(redEye && !redEye->isEnabled());
        PictureView* sky = form->view();
        // At 200% the mouse snaps to even pixels: (11, 10) → (10, 10).
        testing::DragSelection(sky, QPoint{11, 10}, QPoint{51, 31});
        // Display (10, 10)-(50, 30): left 10 ÷ 2, right 50 ÷ 2 + 1.
        QCOMPARE(form->workspace().SelectionRect, (SelRect{5, 5, 26, 16}));
        QCOMPARE(sky->rubberBand(), QRect(QPoint(10, 10), QPoint(49, 29)));
        QVERIFY(redEye->isEnabled());
        // A band 3 pixels wide selects nothing.
        testing::DragSelection(sky, QPoint{20, 20}, QPoint{22, 60});
        QCOMPARE(form->workspace().SelectionRect, (SelRect{0, 0, 100, 80}));
        QVERIFY(sky->rubberBand().isEmpty());
        QVERIFY(!redEye->isEnabled());
    }

    void batchPerformRunsTheScriptWindow() {
        const QString path = dir_.filePath(QStringLiteral("batch.bmp"));
        WritePicture(path, 8, 8, 11);
        auto form = makeWindow({path});
        QVERIFY(form);
        QTRY_COMPARE(form->workspace().CurrentFileName, path.toStdString());
        const Bitmap before = form->workspace().Image;
        form->onBatchEditor();
        QVERIFY(form->workspace().RecordingActive);
        // Recording: the command's line lands in the open script window.
        form->runMenuCommand("onNegative");
        auto* script = form->scriptWindow(false);
        QCOMPARE(script->lines(), std::vector<std::string>{"NEGATIVE"});
        form->onUndo();
        QVERIFY(form->workspace().Image == before);
        form->onPerformBatch();
        // The script ran once on the picture: every channel inverted.
        QCOMPARE(int(form->workspace().Image.scanLine(0)[0]), 255 - 11);
        QVERIFY(!form->workspace().BatchRunning);
        form->workspace().Modified = false;
        // Close hides the editor; recording goes on until the program ends.
        script->close();
        QVERIFY(form->workspace().RecordingActive);
        form->runMenuCommand("onNegative");
        QCOMPARE(script->lines(), (std::vector<std::string>{"NEGATIVE", "NEGATIVE"}));
        form->workspace().Modified = false;
        script->closeForGood();
        QVERIFY(!form->workspace().RecordingActive);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_qtest.moc"
