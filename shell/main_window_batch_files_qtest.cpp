// Tools > Batch and the single-file commands on real temporary folders:
// conversion output that decodes, rename results, copy, move, recycle into a
// temporary trash, and never a replaced file.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QScrollArea>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include "batch/batch_convert.h"
#include "batch/gui/list_dialog.h"
#include "imagefiles/jpeg_metadata.h"
#include "imagefiles/load_dispatch.h"
#include "shell/main_window_test_util.h"
#include "shell/progress_window.h"

using namespace vimbra;
using namespace vimbra::testing;

namespace {

QStringList Names(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

}  // namespace

class BatchFilesTest : public QObject {
    Q_OBJECT

private:
    WindowFixture fx_;
    QTemporaryDir dataHome_;
    // What the stand-ins were shown.
    std::vector<std::pair<int, QString>> lists_;
    QStringList folderTexts_;

    // The list dialog's own rules decide what is kept; the folder browser
    // answers `folder`.
    void script(MainWindow& form, const QString& folder) {
        lists_.clear();
        folderTexts_.clear();
        form.listDialogHook = [this](int mode, const QString& caption, QStringList& list) {
            lists_.emplace_back(mode, caption);
            ListModel m(mode, list);
            list = m.selectedEntries();
            return int(list.size());
        };
        form.folderHook = [this, folder](const QString& caption, const QString& text, const QString&) {
            folderTexts_ << caption << text;
            return folder;
        };
    }

    QString makeDir(const char* name) {
        const QString p = fx_.path(name);
        QDir().mkpath(p);
        return p;
    }

private slots:
    void initTestCase() {
        // Recycling goes into this folder's Trash, reports into its app folder.
        qputenv("XDG_DATA_HOME", dataHome_.path().toUtf8());
    }

    void toolBarButtonsInIndexOrder() {
        auto form = fx_.makeWindow();
        QVERIFY(form);
        auto* bar = form->findChild<QToolBar*>(QStringLiteral("PathBox"));
        QVERIFY(bar);
        QStringList captions;
        for (QAction* a : bar->actions())
            if (!a->text().isEmpty()) captions << a->text();
        QCOMPARE(captions, (QStringList{"Open", "Save", "Instant slideshow", "Copy/move", "Delete/recycle",
                                        "Cut/Unmark", "Info", "Bookmarks"}));
        // Nothing bookmarked: nothing to copy or delete.
        QVERIFY(!form->toolButton(QStringLiteral("Copy/move"))->isEnabled());
        QVERIFY(!form->action("onDelete")->isEnabled());
    }

    void batchMenuNeedsTwoBookmarks() {
        const QString a = fx_.path("m1.bmp"), b = fx_.path("m2.bmp");
        WriteFlatPicture(a, 8, 8, 1, 1, 1);
        WriteFlatPicture(b, 8, 8, 2, 2, 2);
        auto form = fx_.makeWindow({a});
        QVERIFY(form);
        QMenu* tools = form->topMenu(QStringLiteral("&Tools"));
        QVERIFY(tools);
        emit tools->aboutToShow();
        for (int tag = 0; tag <= int(ConvertFormat::Jxl); ++tag) QVERIFY(!form->action("onBatchConvert", tag)->isEnabled());
        QVERIFY(!form->action("onBatchRename")->isEnabled());
        QVERIFY(form->action("onDelete")->isEnabled());
        form->openFiles({b.toStdString()});
        emit tools->aboutToShow();
        for (int tag = 0; tag <= int(ConvertFormat::Jxl); ++tag) QVERIFY(form->action("onBatchConvert", tag)->isEnabled());
        for (const char* h : {"onBatchRename", "onBatchMove", "onBatchDelete"}) QVERIFY(form->action(h)->isEnabled());
    }

    void conversionToJpegNeverReplaces() {
        const QString src = makeDir("conv"), out = makeDir("conv-out");
        WriteFlatPicture(src + "/a.bmp", 24, 16, 40, 80, 120);
        WriteFlatPicture(src + "/b.bmp", 10, 10, 0, 0, 255);
        QVERIFY(WriteAll(src + "/notes.txt", "not a picture"));
        QVERIFY(WriteAll(out + "/a.jpg", "first"));
        QVERIFY(WriteAll(out + "/a-1.jpg", "second"));
        auto form = fx_.makeWindow();
        QVERIFY(form);
        form->openFiles({(src + "/a.bmp").toStdString(), (src + "/b.bmp").toStdString(),
                         (src + "/notes.txt").toStdString()});
        script(*form, out);
        form->action("onBatchConvert", 0)->trigger();
        QCOMPARE(lists_.size(), size_t(1));
        QCOMPARE(lists_[0].first, 2);
        QCOMPARE(lists_[0].second, QStringLiteral("Batch Source Files to be Converted"));
        QCOMPARE(folderTexts_, (QStringList{"Select Target Folder for .jpg files",
                                            "Select an empty folder (recommended)."}));
        QCOMPARE(Names(out), (QStringList{"a-1.jpg", "a-2.jpg", "a.jpg", "b.jpg"}));
        QCOMPARE(ReadAll(out + "/a.jpg"), QByteArray("first"));
        QCOMPARE(ReadAll(out + "/a-1.jpg"), QByteArray("second"));
        Workspace ws;
        QVERIFY(LoadImageFile(ws, (out + "/a-2.jpg").toStdString()).ok);
        QCOMPARE(ws.Image.width(), 24);
        QCOMPARE(ws.Image.height(), 16);
        const uint8_t* p = ws.Image.scanLine(8) + 3 * 12;
        QVERIFY(std::abs(p[0] - 40) <= 3 && std::abs(p[1] - 80) <= 3 && std::abs(p[2] - 120) <= 3);
        // The comment segment reads back.
        const QByteArray jpg = ReadAll(out + "/b.jpg");
        const JpegListing listing =
            ReadJpegListing(ByteSpan(reinterpret_cast<const uint8_t*>(jpg.data()), size_t(jpg.size())));
        QCOMPARE(listing.commentCount, 1);
        QVERIFY(listing.lines.front().starts_with("Encoded with Vimbra 6.71 - "));
        // The sources stay where they are and so does the list.
        QCOMPARE(form->bookmarks().size(), size_t(3));
        QCOMPARE(form->LastTargetFolder, out.toStdString());
        QVERIFY(!form->workspace().CriticalProcess && !form->workspace().BatchRunning);
    }

    void skippedFilesAreLoggedAndOffered() {
        const QString src = makeDir("skip"), out = makeDir("skip-out");
        WriteFlatPicture(src + "/good.bmp", 6, 6, 9, 9, 9);
        QVERIFY(WriteAll(src + "/broken.png", "\x89PNG but nothing else"));
        auto form = fx_.makeWindow();
        QVERIFY(form);
        form->openFiles({(src + "/good.bmp").toStdString(), (src + "/broken.png").toStdString()});
        script(*form, out);
        QStringList opened;
        form->urlOpener = [&](const QUrl& u) {
            opened << u.toLocalFile();
            return true;
        };
        fx_.asked.clear();
        form->action("onBatchConvert", 2)->trigger();
        QCOMPARE(Names(out), (QStringList{"good.png"}));
        Workspace ws;
        QVERIFY(LoadImageFile(ws, (out + "/good.png").toStdString()).ok);
        QCOMPARE(ws.Image.scanLine(5)[15], uint8_t(9));
        QVERIFY(!fx_.asked.empty());
        QCOMPARE(QString::fromStdString(fx_.asked.back()),
                 QStringLiteral("1 file(s) skipped.  Some files may be opened and processed manually.\nView log?"));
        QCOMPARE(opened.size(), 1);
        QVERIFY(opened[0].endsWith(QStringLiteral("/BatchExceptions.txt")));
        QVERIFY(opened[0].startsWith(dataHome_.path()));
        QCOMPARE(ReadAll(opened[0]), ("Skipped: " + src + "/broken.png\r\n").toUtf8());
    }

    void cancelledConversionWritesNothing() {
        const QString src = makeDir("cancel"), out = makeDir("cancel-out");
        WriteFlatPicture(src + "/x.bmp", 6, 6, 1, 2, 3);
        WriteFlatPicture(src + "/y.bmp", 6, 6, 1, 2, 3);
        auto form = fx_.makeWindow();
        QVERIFY(form);
        form->openFiles({(src + "/x.bmp").toStdString(), (src + "/y.bmp").toStdString()});
        script(*form, out);
        // The progress window's Cancel button, pressed as soon as it shows.
        int clicks = 0;
        QTimer presser;
        connect(&presser, &QTimer::timeout, this, [&] {
            if (auto* w = form->findChild<ProgressWindow*>()) {
                QTest::mouseClick(w->cancelButton(), Qt::LeftButton);
                ++clicks;
            }
        });
        presser.start(0);
        form->action("onBatchConvert", 1)->trigger();
        presser.stop();
        QVERIFY(clicks > 0);
        QVERIFY(Names(out).isEmpty());
        QCOMPARE(form->bookmarks().size(), size_t(2));
    }

    void renameSequenceAndNumeric() {
        const QString dir = makeDir("seq");
        std::vector<std::string> files;
        for (int i = 0; i < 12; ++i) {
            const QString p = dir + QStringLiteral("/img%1.bmp").arg(char('a' + i));
            WriteFlatPicture(p, 4 + i, 4, 1, 1, 1);
            files.push_back(p.toStdString());
        }
        auto form = fx_.makeWindow();
        QVERIFY(form);
        form->openFiles(files);
        // Numbered in bookmark order.
        std::vector<QByteArray> contents;
        for (const std::string& f : form->bookmarks().entries()) contents.push_back(ReadAll(QString::fromStdString(f)));
        script(*form, dir);
        QStringList prompts;
        form->inputHook = [&](const QString& prompt, const QString& hint) -> std::optional<QString> {
            prompts << prompt << hint;
            return QStringLiteral("pic");
        };
        form->onBatchRename({});
        QCOMPARE(lists_[0].first, 200);
        QCOMPARE(lists_[0].second, QStringLiteral("Batch Source Files to be Renamed"));
        QCOMPARE(prompts, (QStringList{"Enter filename prefix for image sequence.",
                                       "e.g., \"pic\" for pic00001 to pic99999"}));
        QStringList want;
        for (int k = 1; k <= 12; ++k) want << QStringLiteral("pic%1.bmp").arg(k, 2, 10, QLatin1Char('0'));
        QCOMPARE(Names(dir), want);
        // Each file kept its content, in list order.
        QCOMPARE(ReadAll(dir + "/pic05.bmp"), contents[4]);
        QCOMPARE(ReadAll(dir + "/pic12.bmp"), contents[11]);
        QVERIFY(form->bookmarks().empty());
        QCOMPARE(form->workspace().CurrentFileName, std::string("Untitled"));

        // Numeric prefix, three files: one digit, the old name kept.
        const QString num = makeDir("num");
        for (const char* n : {"a.bmp", "b.bmp", "c.bmp"}) WriteFlatPicture(num + "/" + n, 4, 4, 1, 1, 1);
        form->openFiles({(num + "/a.bmp").toStdString(), (num + "/b.bmp").toStdString(),
                         (num + "/c.bmp").toStdString()});
        form->listDialogHook = [&](int, const QString&, QStringList& list) {
            list = QStringList{num + "/a.bmp", num + "/b.bmp", num + "/c.bmp"};
            return 3;
        };
        fx_.asked.clear();
        form->onBatchRename(Qt::ShiftModifier);
        QCOMPARE(fx_.asked, (std::vector<std::string>{"Rename filenames with numeric prefix? (e.g., 01~pic to 99~pic)"}));
        QCOMPARE(Names(num), (QStringList{"1~a.bmp", "2~b.bmp", "3~c.bmp"}));
    }

    void renameRefusesTakenNamesAndKeepsTheList() {
        const QString dir = makeDir("clash");
        // pic1 is itself a source; pic3 belongs to no entry and must survive.
        WriteFlatPicture(dir + "/x.bmp", 5, 4, 1, 1, 1);
        WriteFlatPicture(dir + "/pic1.bmp", 6, 4, 1, 1, 1);
        WriteFlatPicture(dir + "/y.bmp", 7, 4, 1, 1, 1);
        QVERIFY(WriteAll(dir + "/pic3.bmp", "keep"));
        auto form = fx_.makeWindow();
        QVERIFY(form);
        form->openFiles({(dir + "/x.bmp").toStdString(), (dir + "/pic1.bmp").toStdString(),
                         (dir + "/y.bmp").toStdString()});
        const QByteArray first = ReadAll(dir + "/x.bmp"), second = ReadAll(dir + "/pic1.bmp");
        script(*form, dir);
        // The order the dialog hands back is the numbering's.
        form->listDialogHook = [&](int, const QString&, QStringList& list) {
            list = QStringList{dir + "/x.bmp", dir + "/pic1.bmp", dir + "/y.bmp"};
            return 3;
        };
        form->inputHook = [](const QString&, const QString&) -> std::optional<QString> { return QStringLiteral("pic"); };
        fx_.asked.clear();
        form->onBatchRename({});
        QCOMPARE(ReadAll(dir + "/pic3.bmp"), QByteArray("keep"));
        QCOMPARE(ReadAll(dir + "/pic1.bmp"), first);
        QCOMPARE(ReadAll(dir + "/pic2.bmp"), second);
        QVERIFY(first != second);
        QCOMPARE(fx_.asked, (std::vector<std::string>{"Could not rename y.bmp"}));
        QVERIFY(QFileInfo::exists(dir + "/y.bmp"));
        QCOMPARE(form->bookmarks().size(), size_t(3));
    }

    void copyAndMoveOneFileAndABatch() {
        const QString src = makeDir("cm"), dst = makeDir("cm-out");
        WriteFlatPicture(src + "/one.bmp", 5, 5, 1, 1, 1);
        WriteFlatPicture(src + "/two.bmp", 6, 6, 2, 2, 2);
        auto form = fx_.makeWindow();
        QVERIFY(form);
        form->openFiles({(src + "/one.bmp").toStdString(), (src + "/two.bmp").toStdString()});
        script(*form, dst);
        QVERIFY(ActivateForm(*form));
        // Ctrl+Y: a copy; the entry stays.
        QTest::keyClick(form.get(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(folderTexts_, (QStringList{"one.bmp", "COPY file(s) to"}));
        QCOMPARE(Names(dst), (QStringList{"one.bmp"}));
        QVERIFY(QFileInfo::exists(src + "/one.bmp"));
        QCOMPARE(form->bookmarks().size(), size_t(2));
        // Copying again would replace it: refused, the copy untouched.
        QVERIFY(WriteAll(dst + "/one.bmp", "mine"));
        fx_.asked.clear();
        form->onCopyTo({});
        QCOMPARE(ReadAll(dst + "/one.bmp"), QByteArray("mine"));
        QCOMPARE(fx_.asked.size(), size_t(1));
        QVERIFY(fx_.asked[0].starts_with("Could not copy one.bmp"));
        QFile::remove(dst + "/one.bmp");
        // Move to: the file goes and so does its entry.
        form->onMoveTo();
        QCOMPARE(Names(dst), (QStringList{"one.bmp"}));
        QVERIFY(!QFileInfo::exists(src + "/one.bmp"));
        QCOMPARE(form->bookmarks().size(), size_t(1));
        QCOMPARE(form->workspace().CurrentFileName, (src + "/two.bmp").toStdString());
        // Batch move of a list pruned to one entry does nothing.
        const QString three = src + "/three.bmp";
        WriteFlatPicture(three, 4, 4, 3, 3, 3);
        form->openFiles({three.toStdString()});
        form->listDialogHook = [](int, const QString&, QStringList& list) {
            list = list.mid(0, 1);
            return 1;
        };
        form->onBatchMove();
        QCOMPARE(Names(src), (QStringList{"three.bmp", "two.bmp"}));
        script(*form, dst);
        form->onBatchMove();
        QCOMPARE(lists_[0].second, QStringLiteral("Batch Source Files to be Moved"));
        QCOMPARE(folderTexts_, (QStringList{"Batch Move 2 Files", "MOVE file(s) to"}));
        QCOMPARE(Names(dst), (QStringList{"one.bmp", "three.bmp", "two.bmp"}));
        QVERIFY(Names(src).isEmpty());
        QVERIFY(form->bookmarks().empty());
    }

    void deleteRecyclesOrRemoves() {
        const QString dir = makeDir("del");
        for (const char* n : {"p.bmp", "q.bmp", "r.bmp", "s.bmp", "t.bmp"})
            WriteFlatPicture(dir + "/" + n, 4, 4, 1, 1, 1);
        auto form = fx_.makeWindow();
        QVERIFY(form);
        form->openFiles({(dir + "/p.bmp").toStdString(), (dir + "/q.bmp").toStdString(),
                         (dir + "/r.bmp").toStdString()});
        QVERIFY(ActivateForm(*form));
        // The path box keeps its Delete key.
        form->pathBox()->setFocus();
        QTest::keyClick(form->pathBox(), Qt::Key_Delete);
        QVERIFY(QFileInfo::exists(dir + "/p.bmp"));
        // Del on the picture: the question, Ignore silences it for the run.
        form->scrollBox()->setFocus();
        QVERIFY(!form->pathBox()->hasFocus());
        fx_.asked.clear();
        fx_.replies = {Reply::Ignore};
        QTest::keyClick(form.get(), Qt::Key_Delete);
        QCOMPARE(fx_.asked, (std::vector<std::string>{
                                "Recycle p.bmp\n\n[Ignore] avoids this dialog (for experts)."}));
        QCOMPARE(fx_.offered.back(), (std::vector<Reply>{Reply::Yes, Reply::No, Reply::Ignore}));
        const QString trash = dataHome_.path() + "/Trash/files";
        QVERIFY(!QFileInfo::exists(dir + "/p.bmp"));
        QVERIFY(QFileInfo::exists(trash + "/p.bmp"));
        QCOMPARE(form->bookmarks().size(), size_t(2));
        fx_.asked.clear();
        form->onDelete({});
        QVERIFY(fx_.asked.empty());
        QCOMPARE(Names(trash).size(), 2);
        // Shift+Del: permanently, not into the trash.
        const std::string current = form->workspace().CurrentFileName;
        QTest::keyClick(form.get(), Qt::Key_Delete, Qt::ShiftModifier);
        QVERIFY(!QFileInfo::exists(QString::fromStdString(current)));
        QCOMPARE(Names(trash).size(), 2);
        QVERIFY(form->bookmarks().empty());
        // Batch: the list dialog's choice, then the trash; the list is cleared.
        form->openFiles({(dir + "/s.bmp").toStdString(), (dir + "/t.bmp").toStdString()});
        script(*form, dir);
        form->onBatchDelete({});
        QCOMPARE(lists_[0].second, QStringLiteral("Batch Source Files to be Recycled"));
        QVERIFY(Names(dir).isEmpty());
        QCOMPARE(Names(trash).size(), 4);
        QVERIFY(form->bookmarks().empty());
    }
};

QTEST_MAIN(BatchFilesTest)
#include "main_window_batch_files_qtest.moc"
