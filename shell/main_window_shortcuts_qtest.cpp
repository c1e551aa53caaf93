// Menu shortcuts belong to the window: they work with the menu bar hidden and
// in full screen, the path box keeps only its editing keys, and none fires
// while another window has the focus.
#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QStandardPaths>
#include <QWindow>

#include "shell/main_window_test_util.h"

using namespace vimbra;
using namespace vimbra::testing;

class MainWindowShortcutsTest : public QObject {
    Q_OBJECT

private:
    WindowFixture fx_;
    int dialogs_ = 0;

    std::unique_ptr<MainWindow> makeCountingForm(const QStringList& args = {}) {
        auto form = fx_.makeWindow(args);
        if (!form) return form;
        dialogs_ = 0;
        // Ctrl+G opens the screen gamma dialog: count it, cancel it.
        form->scrollDialogHook = [this](const QString&, const ScrollDialogSettings&) {
            ++dialogs_;
            return kDialogCancelled;
        };
        if (!ActivateForm(*form)) return nullptr;
        return form;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void shortcutsWorkWithoutTheMenuBar() {
        auto form = makeCountingForm();
        QVERIFY(form);
        form->setMenuBarShown(false);
        QTest::keyClick(form.get(), Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(dialogs_, 1);
        form->setMenuBarShown(true);
        form->onFullScreen();
        QVERIFY(form->FullScreen);
        QTest::keyClick(form.get(), Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(dialogs_, 2);
        form->onFullScreen();
    }

    void noShortcutWhileAnotherWindowHasTheFocus() {
        auto form = makeCountingForm();
        QVERIFY(form);
        QVERIFY(form->shortcutsEnabled());
        QDialog dialog(form.get());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.windowHandle()->requestActivate();
        QTRY_COMPARE(QGuiApplication::focusWindow(), dialog.windowHandle());
        QVERIFY(!form->shortcutsEnabled());
        QTest::keyClick(&dialog, Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(dialogs_, 0);
        dialog.close();
        form->windowHandle()->requestActivate();
        QTRY_COMPARE(QGuiApplication::focusWindow(), form->windowHandle());
        QVERIFY(form->shortcutsEnabled());
        QTest::keyClick(form.get(), Qt::Key_G, Qt::ControlModifier);
        QCOMPARE(dialogs_, 1);
    }

    void undoIsThePicturesInThePathBox() {
        const QString path = fx_.path("undo.bmp");
        WriteFlatPicture(path, 20, 10, 1, 2, 3);
        auto form = makeCountingForm({path});
        QVERIFY(form);
        QTRY_COMPARE(form->workspace().CurrentFileName, path.toStdString());
        const Bitmap before = form->workspace().Image;
        form->runMenuCommand("onNegative");
        QVERIFY(!(form->workspace().Image == before));
        QLineEdit* box = form->pathBox();
        box->setFocus();
        QTRY_VERIFY(box->hasFocus());
        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(form->workspace().Image == before);
        // The clipboard keys stay the box's own.
        box->setText(QStringLiteral("abc"));
        box->selectAll();
        QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(box->text(), QString());
        form->workspace().Modified = false;
    }
};

QTEST_MAIN(MainWindowShortcutsTest)
#include "main_window_shortcuts_qtest.moc"
