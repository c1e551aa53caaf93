// The batch editor's file commands with unsaved text, and recording.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "core/workspace.h"
#include "shell/script_window.h"

using namespace vimbra;

class ScriptWindowTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString write(const char* name, const QByteArray& bytes) {
        const QString path = dir_.filePath(QString::fromLatin1(name));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }

private slots:
    void openKeepsTextWhenTheFileCannotBeRead() {
        Workspace ws;
        ScriptWindow w(ws);
        QStringList warnings;
        w.warnHook = [&](const QString& m) { warnings << m; };
        w.setScript(QStringLiteral("NEGATIVE"));
        w.openDialogHook = [&](const QString&, const QString&) { return dir_.filePath("none.bip"); };
        w.onOpen();
        QCOMPARE(w.script(), QStringLiteral("NEGATIVE"));
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings[0].startsWith(QStringLiteral("Cannot read ")));
    }

    void openAsksBeforeReplacingUnsavedText() {
        Workspace ws;
        ScriptWindow w(ws);
        const QString path = write("a.bip", "GAMMA=120,120,120\n");
        w.openDialogHook = [&](const QString&, const QString&) { return path; };
        int asked = 0;
        bool answer = false;
        w.confirmHook = [&](const QString&) { ++asked; return answer; };
        w.appendLine(QStringLiteral("SOFTEN=3"));  // typed, unsaved
        w.onOpen();
        QCOMPARE(asked, 1);
        QCOMPARE(w.script(), QStringLiteral("SOFTEN=3"));
        answer = true;
        w.onOpen();
        QCOMPARE(w.lines(), std::vector<std::string>{"GAMMA=120,120,120"});
        QCOMPARE(w.scriptName(), QStringLiteral("a.bip"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Batch Editor - a.bip"));
        QVERIFY(!w.isModifiedScript());
        w.onOpen();  // nothing unsaved: no question
        QCOMPARE(asked, 2);
    }

    void latin1ScriptsAreReadToo() {
        Workspace ws;
        ScriptWindow w(ws);
        QVERIFY(w.openFile(write("l.bip", "TEXTMARK_TOPLEFT=caf\xE9\n")));
        QCOMPARE(w.script(), QStringLiteral("TEXTMARK_TOPLEFT=caf\u00E9\n"));
        QVERIFY(w.openFile(write("u.bip", "TEXTMARK_TOPLEFT=caf\xC3\xA9\n")));
        QCOMPARE(w.script(), QStringLiteral("TEXTMARK_TOPLEFT=caf\u00E9\n"));
    }

    void newClearsTheNameSoSaveAsksForOne() {
        Workspace ws;
        ScriptWindow w(ws);
        bool answer = false;
        w.confirmHook = [&](const QString& q) {
            return q == QStringLiteral("Clear batch processing script?") && answer;
        };
        QString offered = QStringLiteral("unset");
        w.saveDialogHook = [&](const QString&, const QString& name) {
            offered = name;
            return dir_.filePath(QStringLiteral("saved"));
        };
        w.appendLine(QStringLiteral("NEGATIVE"));
        w.onSave();
        QCOMPARE(offered, QString());
        QCOMPARE(w.scriptName(), QStringLiteral("saved.bip"));
        QFile f(dir_.filePath(QStringLiteral("saved.bip")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("NEGATIVE\n"));
        w.onNew();  // Cancel
        QCOMPARE(w.script(), QStringLiteral("NEGATIVE"));
        answer = true;
        w.onNew();
        QCOMPARE(w.script(), QString());
        QCOMPARE(w.scriptName(), QString());
        w.onSave();
        QCOMPARE(offered, QString());
    }

    void saveAsksBeforeReplacingTheFileATypedNameMeans() {
        Workspace ws;
        ScriptWindow w(ws);
        const QString old = write("kept.bip", "GAMMA=120,120,120\n");
        QVERIFY(w.openFile(old));  // the dialogs start in its folder
        w.setScript(QStringLiteral("NEGATIVE"));
        QStringList seen;
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                seen << box->text();
                box->button(QMessageBox::No)->click();
            } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                seen << QStringLiteral("dialog");
                if (seen.size() > 1) {
                    dialog->reject();
                    return;
                }
                dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                    ->setText(QStringLiteral("kept"));
                QMetaObject::invokeMethod(dialog, "accept");
            }
        });
        user.start(20);
        w.onSave();
        QCOMPARE(seen, (QStringList{QStringLiteral("dialog"),
                                    QStringLiteral("kept.bip already exists.\nDo you want to "
                                                   "replace it?"),
                                    QStringLiteral("dialog")}));
        QFile f(old);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("GAMMA=120,120,120\n"));
    }

    void saveFailureWarnsAndKeepsTheName() {
        Workspace ws;
        ScriptWindow w(ws);
        QStringList warnings;
        w.warnHook = [&](const QString& m) { warnings << m; };
        w.appendLine(QStringLiteral("NEGATIVE"));
        QVERIFY(!w.saveFile(dir_.filePath(QStringLiteral("no/such/folder/x.bip"))));
        QCOMPARE(warnings, QStringList{QStringLiteral("Save aborted.")});
        QCOMPARE(w.scriptName(), QString());
        QVERIFY(w.isModifiedScript());
    }

    void recordingGoesOnWhileHidden() {
        Workspace ws;
        ScriptWindow w(ws);
        QVERIFY(!w.saveAction()->isEnabled());
        w.show();
        QVERIFY(ws.RecordingActive);
        w.close();
        QVERIFY(ws.RecordingActive);
        w.appendLine(QStringLiteral("X"));
        QVERIFY(w.performAction()->isEnabled());
        w.closeForGood();
        QVERIFY(!ws.RecordingActive);
    }
};

QTEST_MAIN(ScriptWindowTest)
#include "script_window_qtest.moc"
