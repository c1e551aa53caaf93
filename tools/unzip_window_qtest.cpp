// The zip tool's runs: the log and its question, the progress window and its
// Cancel, quick mode, the window closing and emptying, keys and help.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMenuBar>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "shell/progress_window.h"
#include "tools/unzip_window.h"

using namespace vimbra;

class UnzipWindowTest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    QString path(const QString& name) const { return tmp_.filePath(name); }

    // name.zip in `folder` holding the given files (each with its name as text).
    QString makeZip(const QString& folder, const QString& name, const QStringList& files) {
        const QString src = path("src-" + name);
        QDir().mkpath(src);
        QDir().mkpath(folder);
        for (const QString& f : files) {
            QFile out(src + '/' + f);
            if (!out.open(QIODevice::WriteOnly)) return {};
            out.write(f.toUtf8());
        }
        QProcess p;
        p.setWorkingDirectory(src);
        p.start("zip", QStringList{"-q", QDir(folder).filePath(name)} + files);
        p.waitForFinished();
        return QDir(folder).filePath(name);
    }

    struct Seen {
        QStringList questions, messages, opened;
    };
    void record(UnzipWindow& w, Seen& seen, bool answer, bool opens = true) {
        w.askHook = [&seen, answer](const QString& q) {
            seen.questions << q;
            return answer;
        };
        w.tellHook = [&seen](MessageKind kind, const QString& text) {
            seen.messages << QString::number(int(kind)) + ":" + text;
        };
        w.openHook = [&seen, opens](const QUrl& url) {
            seen.opened << url.toLocalFile();
            return opens;
        };
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        qputenv("XDG_DATA_HOME", path("data").toLocal8Bit());
        if (QStandardPaths::findExecutable("zip").isEmpty()) QSKIP("zip not installed");
    }

    void exceptionsAreLoggedAndTheLogOffered() {
        const QString zip = makeZip(path("log"), "Log.zip", {"a.txt", "b.txt"});
        QDir().mkpath(path("log/dest"));
        QFile old(path("log/dest/a.txt"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.close();
        UnzipWindow w;
        Seen seen;
        record(w, seen, true, false);
        QString caption;
        w.folderHook = [&](const QString& c, const QString&) {
            caption = c;
            return path("log/dest");
        };
        w.Populate(zip);
        w.show();
        QCOMPARE(w.extractSelected(true), 1);
        QCOMPARE(caption, QString("Batch ZIP extraction"));
        QCOMPARE(seen.questions,
                 QStringList{"1 file(s) unzipped.\nThere were exceptions.  View log?"});
        // Explore shows the destination, then the log is opened and found unopenable.
        QCOMPARE(seen.opened, (QStringList{path("log/dest"), UnzipWindow::LogPath()}));
        QCOMPARE(seen.messages, QStringList{"2:Text viewer not found."});
        QFile log(UnzipWindow::LogPath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll(), ("a.txt in " + zip + " exists; skipped.\n").toUtf8());
        // The run closes the window, and a closed window forgets its list.
        QVERIFY(!w.isVisible());
        QCOMPARE(w.archiveList()->count(), 0);
    }

    void cancelStopsTheRunAndNothingIsRecycled() {
        const QString zip = makeZip(path("cancel"), "C.zip", {"1.txt", "2.txt", "3.txt"});
        UnzipWindow w;
        Seen seen;
        record(w, seen, true);
        w.Populate(zip);
        QString title;
        // Runs inside the first progress report's event processing.
        QTimer::singleShot(0, &w, [&] {
            QVERIFY(w.progressWindow());
            title = w.progressWindow()->windowTitle();
            QCOMPARE(w.progressWindow()->firstBar()->value(), 100);
            w.progressWindow()->cancelButton()->click();
        });
        QCOMPARE(w.extractSelected(true, path("cancel/dest")), 1);
        QCOMPARE(title, QString("Unzipping ..."));
        QVERIFY(!w.progressWindow());
        QCOMPARE(seen.questions, QStringList());
        QCOMPARE(seen.messages,
                 QStringList{"0:There were extraction errors.\nSome files were recovered."});
        QVERIFY(QFileInfo::exists(zip));
    }

    void quickModeExtractsBesideTheArchivesAndRecyclesWithoutAsking() {
        const QString one = makeZip(path("quick"), "One.zip", {"x.txt"});
        const QString two = makeZip(path("quick"), "Two.zip", {"y.txt"});
        UnzipWindow w;
        Seen seen;
        record(w, seen, false);
        w.folderHook = [](const QString&, const QString&) { return QString("/nowhere"); };
        w.Populate(two);
        w.Populate(one);
        QCOMPARE(w.extractSelected(true, {}, true), 2);
        QVERIFY(QFileInfo::exists(path("quick/x.txt")));
        QVERIFY(QFileInfo::exists(path("quick/y.txt")));
        QCOMPARE(seen.questions, QStringList());
        QVERIFY(!QFileInfo::exists(one));
        QVERIFY(!QFileInfo::exists(two));
        QCOMPARE(w.archiveList()->count(), 0);
    }

    void messagesHaveTheirKinds() {
        UnzipWindow w;
        Seen seen;
        record(w, seen, false);
        const QString gone = makeZip(path("kinds"), "Gone.zip", {"g.txt"});
        w.Populate(gone);
        QFile::remove(gone);
        QCOMPARE(w.extractSelected(true, path("kinds/dest")), 0);
        QCOMPARE(seen.messages, (QStringList{"1:Missing file!\n" + gone + "\nItem removed from list.",
                                             "1:No ZIPs selected."}));
        QFile bad(path("kinds/Bad.zip"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("PK\x03\x04 broken");
        bad.close();
        seen.messages.clear();
        w.Populate(path("kinds/Bad.zip"));
        w.archiveList()->item(0)->setSelected(true);
        QCOMPARE(seen.messages.size(), 1);
        QVERIFY(seen.messages[0].startsWith("2:" + path("kinds/Bad.zip") +
                                            "\nis incomplete or corrupted."));
    }

    void keysChooseTheEntryAndHelpHasItsTopic() {
        const QString zip = makeZip(path("keys"), "K.zip", {"first.txt", "second.txt"});
        UnzipWindow w;
        w.Populate(zip);
        w.archiveList()->item(0)->setSelected(true);
        QCOMPARE(w.selectedEntry(), QString("first.txt"));
        w.grid()->setFocus();
        w.grid()->setCurrentCell(0, 0);
        QTest::keyClick(w.grid(), Qt::Key_Down);
        QCOMPARE(w.selectedEntry(), QString("second.txt"));
        QCOMPARE(w.statusText(), QString("[ Archive: K.zip ]   File selected: second.txt"));

        QList<int> contexts;
        w.onHelp = [&](int c) { contexts << c; };
        for (QAction* a : w.menuBar()->actions())
            if (a->text() == "&Help") a->trigger();
        QCOMPARE(contexts, QList<int>{150});
    }
};

QTEST_MAIN(UnzipWindowTest)
#include "unzip_window_qtest.moc"
