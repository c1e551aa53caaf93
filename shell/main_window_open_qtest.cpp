// Files that do not open in the viewer: scripts go to the batch editor from
// the command line, the open path and a drop; the path box opens its entry.
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QStandardPaths>
#include <QUrl>

#include "shell/main_window_test_util.h"
#include "shell/script_window.h"

using namespace vimbra;
using namespace vimbra::testing;

namespace {

void DropFiles(QWidget* target, const QStringList& paths) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

}  // namespace

class MainWindowOpenTest : public QObject {
    Q_OBJECT

private:
    WindowFixture fx_;
    QStringList dialogs_;  // "folder|name" each time the editor's Open dialog ran

    // The editor's Open dialog confirms the file it was set to.
    void answerOpen(ScriptWindow* script) {
        script->openDialogHook = [this](const QString& folder, const QString& name) {
            dialogs_ << folder + QLatin1Char('|') + name;
            return folder + QLatin1Char('/') + name;
        };
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        WriteAll(fx_.path("neg.bip"), "NEGATIVE\r\n");
        WriteAll(fx_.path("GRAY.BIP"), "GRAYSCALE\r\n");
    }

    void scriptOnTheCommandLineOpensInTheEditor() {
        dialogs_.clear();
        QSettings settings(fx_.path("cl.ini"), QSettings::IniFormat);
        MainWindow form({fx_.path("neg.bip")}, &settings);
        form.host().askHook = [](MessageKind, std::string_view, Buttons) { return Answer::Yes; };
        answerOpen(form.scriptWindow(true));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTRY_COMPARE(dialogs_.size(), 1);
        QCOMPARE(dialogs_[0], fx_.dir.path() + QStringLiteral("|neg.bip"));
        ScriptWindow* script = form.scriptWindow(false);
        QVERIFY(script->isVisible());
        QCOMPARE(script->lines(), std::vector<std::string>{"NEGATIVE"});
        QCOMPARE(script->windowTitle(), QStringLiteral("Batch Editor - neg.bip"));
        QVERIFY(form.workspace().RecordingActive);
        // The viewer keeps its blank picture; the script is no bookmark.
        QCOMPARE(form.workspace().CurrentFileName, std::string("Untitled"));
        QVERIFY(form.bookmarks().empty());
        script->closeForGood();
    }

    void openedOrDroppedScriptsGoToTheEditor() {
        auto form = fx_.formWith("pic.bmp");
        QVERIFY(form);
        const std::string picture = fx_.path("pic.bmp").toStdString();
        answerOpen(form->scriptWindow(true));
        dialogs_.clear();
        // File > Open hands its choice to openFiles; the extension's case does not matter.
        form->openFiles({fx_.path("GRAY.BIP").toStdString()});
        QCOMPARE(dialogs_, QStringList{fx_.dir.path() + QStringLiteral("|GRAY.BIP")});
        ScriptWindow* script = form->scriptWindow(false);
        QVERIFY(script->isVisible());
        QCOMPARE(script->lines(), std::vector<std::string>{"GRAYSCALE"});
        QCOMPARE(form->workspace().CurrentFileName, picture);
        QCOMPARE(form->bookmarks().size(), size_t(1));

        // Dropped beside a picture: the script to the editor, the picture to the viewer.
        script->setScript(QString());
        const QString other = fx_.path("other.bmp");
        WriteFlatPicture(other, 6, 6, 1, 2, 3);
        DropFiles(form.get(), {fx_.path("neg.bip"), other});
        QCOMPARE(dialogs_.size(), 2);
        QCOMPARE(script->lines(), std::vector<std::string>{"NEGATIVE"});
        QCOMPARE(form->workspace().CurrentFileName, other.toStdString());
        QCOMPARE(form->bookmarks().size(), size_t(2));

        // A script that is gone opens nothing, not even the dialog.
        form->openFiles({fx_.path("gone.bip").toStdString()});
        QCOMPARE(dialogs_.size(), 2);
        script->closeForGood();
    }
    void pathBoxClickOpensItsEntry() {
        auto form = fx_.formWith("entry.bmp");
        QVERIFY(form);
        const std::string entry = fx_.path("entry.bmp").toStdString();
        QLineEdit* box = form->pathBox();
        // The entry shown already: nothing reopens.
        form->workspace().Modified = true;
        fx_.asked.clear();
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::qWait(20);
        QVERIFY(fx_.asked.empty());
        form->workspace().Modified = false;
        form->ShowBlankImage(true);
        QCOMPARE(form->workspace().CurrentFileName, std::string("Untitled"));
        QTest::mouseClick(box, Qt::LeftButton);
        QTRY_COMPARE(form->workspace().CurrentFileName, entry);
        QCOMPARE(form->workspace().Image.width(), 20);
    }
};

QTEST_MAIN(MainWindowOpenTest)
#include "main_window_open_qtest.moc"
