// The main window's own keys: which command each one runs, and when the
// letter and arrow keys stay silent; the report of a changed display.
#include <QAction>
#include <QLineEdit>
#include <QScreen>
#include <QStandardPaths>

#include "shell/main_window_test_util.h"
#include "shell/script_window.h"

using namespace vimbra;
using namespace vimbra::testing;

class MainWindowKeysTest : public QObject {
    Q_OBJECT

private:
    WindowFixture fx_;
    QTemporaryDir dataHome_;

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        qputenv("XDG_DATA_HOME", dataHome_.path().toUtf8());
    }

    void spaceAnalyzesAndZResizesToTheView() {
        auto form = fx_.formWith("keys.bmp", 40, 30);
        QVERIFY(form);
        QStringList opened;
        form->urlOpener = [&](const QUrl& u) {
            opened << u.toLocalFile();
            return true;
        };
        fx_.asked.clear();
        QTest::keyClick(form.get(), Qt::Key_Space);
        QCOMPARE(fx_.asked.size(), size_t(1));
        QVERIFY(fx_.asked[0].ends_with("\n\nSave to text file?"));
        QCOMPARE(opened.size(), 1);
        QVERIFY(opened[0].endsWith(QStringLiteral("/ImageReport.txt")));

        // Z: the picture resampled to fill the view area, its shape kept.
        const int areaW = form->ViewAreaWidth(), areaH = form->ViewAreaHeight();
        QTest::keyClick(form.get(), Qt::Key_Z);
        const Bitmap& img = form->workspace().Image;
        QVERIFY(img.width() == areaW || img.height() == areaH);
        QVERIFY(img.width() <= areaW && img.height() <= areaH);
        QVERIFY(std::abs(img.width() * 3 - img.height() * 4) <= 4);

        // Typed into the path box they are text, not commands.
        QLineEdit* box = form->pathBox();
        box->setFocus();
        QTRY_VERIFY(box->hasFocus());
        box->clear();
        fx_.asked.clear();
        const int width = img.width();
        QTest::keyClicks(box, QStringLiteral("z z"));
        QCOMPARE(box->text(), QStringLiteral("z z"));
        QCOMPARE(img.width(), width);
        QVERIFY(fx_.asked.empty());
    }
    void f9RunsTheScriptOnceTheEditorWasOpened() {
        auto form = fx_.formWith("f9.bmp", 8, 8);
        QVERIFY(form);
        QVERIFY(ActivateForm(*form));
        const Bitmap before = form->workspace().Image;
        // Before the editor's first opening there is no script to run.
        QTest::keyClick(form.get(), Qt::Key_F9);
        QVERIFY(!form->scriptWindow(false));
        QVERIFY(form->workspace().Image == before);

        form->action("onBatchEditor")->trigger();
        ScriptWindow* script = form->scriptWindow(false);
        QVERIFY(script && script->isVisible());
        form->runMenuCommand("onNegative");
        QCOMPARE(script->lines(), std::vector<std::string>{"NEGATIVE"});
        form->onUndo();
        QVERIFY(form->workspace().Image == before);
        // Closed, the editor only hides; F9 still runs its script.
        script->close();
        QVERIFY(script->isHidden());
        QVERIFY(ActivateForm(*form));
        QTest::keyClick(form.get(), Qt::Key_F9);
        QCOMPARE(int(form->workspace().Image.scanLine(0)[0]), 255 - 10);
        QVERIFY(script->isHidden());
        QVERIFY(!form->workspace().BatchRunning);
        form->workspace().Modified = false;
        script->closeForGood();
    }
    void displayChangeIsReported() {
        auto form = fx_.makeWindow();
        QVERIFY(form);
        QScreen* screen = form->screen();
        const QRect start = screen->geometry();
        fx_.asked.clear();
        // The same size again is no change.
        emit screen->geometryChanged(start);
        QVERIFY(fx_.asked.empty());
        QVERIFY(!form->workspace().StopRequested);
        emit screen->geometryChanged(QRect(start.topLeft(), start.size() - QSize(1, 0)));
        QCOMPARE(fx_.asked,
                 std::vector<std::string>{"Display has changed.\nVimbra 6.71 should be closed and restarted."});
        QVERIFY(form->workspace().StopRequested);
        // Back to the size at start: nothing to say.
        emit screen->geometryChanged(start);
        QCOMPARE(fx_.asked.size(), size_t(1));
        form->workspace().StopRequested = false;
    }
};

QTEST_MAIN(MainWindowKeysTest)
#include "main_window_keys_qtest.moc"
