// Clipboard, drops, the print setup dialog and the zip tool, offscreen.
#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QUrl>

#include "shell/main_window_test_util.h"
#include "shell/print_dialog.h"
#include "tools/unzip_window.h"

using namespace vimbra;
using namespace vimbra::testing;

class MainWindowDesktopTest : public QObject {
    Q_OBJECT

private:
    WindowFixture fx_;

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void copyThenPasteGivesTheSamePicture() {
        auto form = fx_.makeWindow();
        QVERIFY(form);
        const std::string pic = WriteFlatPicture(fx_.path("red.bmp"), 30, 20, 0, 0, 255);
        QVERIFY(form->openPicture(pic));
        form->onCopy();
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(copied.size(), QSize(30, 20));
        QCOMPARE(copied.pixel(5, 5), qRgb(255, 0, 0));
        QVERIFY(form->openPicture(WriteFlatPicture(fx_.path("blue.bmp"), 8, 8, 255, 0, 0)));
        form->onPaste();
        QCOMPARE(form->workspace().Image.width(), 30);
        QCOMPARE(form->workspace().Image.scanLine(0)[2], uint8_t(255));
        QCOMPARE(form->workspace().CurrentFileName, std::string("Untitled"));
    }

    void emptyClipboardKeepsThePicture() {
        auto form = fx_.makeWindow();
        QVERIFY(form);
        const std::string pic = WriteFlatPicture(fx_.path("green.bmp"), 12, 9, 0, 255, 0);
        QVERIFY(form->openPicture(pic));
        QGuiApplication::clipboard()->clear();
        form->onPaste();
        QCOMPARE(form->workspace().CurrentFileName, pic);
        QCOMPARE(form->workspace().Image.width(), 12);
        QVERIFY(fx_.asked.empty());  // nothing to paste: no question either
    }

    void pasteIntoSelectionTouchesOnlyTheSelection() {
        auto form = fx_.makeWindow();
        QVERIFY(form);
        QVERIFY(form->openPicture(WriteFlatPicture(fx_.path("black.bmp"), 10, 10, 0, 0, 0)));
        QImage white(40, 40, QImage::Format_RGB32);
        white.fill(Qt::white);
        QGuiApplication::clipboard()->setImage(white);
        form->workspace().SelectionRect = SelRect{2, 3, 5, 6};
        form->onPasteSelection();
        const Bitmap& img = form->workspace().Image;
        QCOMPARE(img.scanLine(3)[3 * 2], uint8_t(255));
        QCOMPARE(img.scanLine(5)[3 * 4], uint8_t(255));
        QCOMPARE(img.scanLine(6)[3 * 4], uint8_t(0));  // bottom edge exclusive
        QCOMPARE(img.scanLine(5)[3 * 5], uint8_t(0));  // right edge exclusive
        QVERIFY(form->workspace().Modified);
    }

    void droppedZipGoesToTheZipTool() {
        auto form = fx_.makeWindow();
        QVERIFY(form);
        QFile zip(fx_.path("Photos.ZIP"));
        QVERIFY(zip.open(QIODevice::WriteOnly));
        zip.close();
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(fx_.path("Photos.ZIP"))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &drop);
        UnzipWindow* tool = form->unzipWindow(false);
        QVERIFY(tool);
        QVERIFY(tool->isVisible());
        QCOMPARE(tool->archiveList()->count(), 1);
        QCOMPARE(tool->archiveList()->item(0)->text(), fx_.path("Photos.ZIP"));
        QVERIFY(form->bookmarks().empty());
        // Opened as a file, an archive goes the same way; no error, no bookmark.
        tool->close();
        const QString other = fx_.path("more.zip");
        QVERIFY(WriteAll(other, QByteArray()));
        fx_.asked.clear();
        QVERIFY(!form->openPicture(other.toStdString()));
        QVERIFY(tool->isVisible());
        // Closing emptied the list.
        QCOMPARE(tool->archiveList()->count(), 1);
        QCOMPARE(tool->archiveList()->item(0)->text(), other);
        QVERIFY(fx_.asked.empty());
        QVERIFY(form->bookmarks().empty());
    }

    void printDialogOpensFittedAndCentred() {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(fx_.path("p.pdf"));
        printer.setResolution(600);
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
                                          QMarginsF(0, 0, 0, 0)));
        QImage picture(300, 200, QImage::Format_RGB32);
        PrintDialog dialog(printer, "/a/b/shot.png", picture);
        QCOMPARE(dialog.windowTitle(), QString("Print Setup: shot.png"));
        // Letter is 612 x 792 points: 5100 x 6600 pixels at 600 dpi. 300 x 200 fits
        // to 5100 x 3400, centred at y (6600 - 3400) div 2 = 1600.
        QCOMPARE(dialog.page().width, 5100);
        QCOMPARE(dialog.page().height, 6600);
        QCOMPARE(dialog.placement(), (PrintPlacement{0, 1600, 5100, 3400, 0, 3200, 1, 400}));
        QCOMPARE(dialog.labelText("width"), QString("Width : 8.5"));
        QCOMPARE(dialog.labelText("settings"), QString("Portrait : 8.5 x 11.0  (600 x 600 dpi)"));
        dialog.setSizePercent(50);
        QCOMPARE(dialog.labelText("size"), QString("  Si&ze : 50%"));
        QCOMPARE(dialog.placement(), (PrintPlacement{1275, 2450, 2550, 1700, 2550, 4900, 318, 612}));
        dialog.setMeasure(PrintMeasure::Pixels);
        dialog.moveTo(10, 4000);
        QCOMPARE(dialog.labelText("x"), QString("&X pos : 10"));
        QCOMPARE(dialog.labelText("y"), QString("&Y pos : 4000"));
        // Drawn with the ampersand: as wide as the text with it.
        for (const char* which : {"x", "y", "size"}) {
            QLabel* l = dialog.label(which);
            QVERIFY(l->sizeHint().width() >= l->fontMetrics().horizontalAdvance(l->text()));
        }
        QList<int> contexts;
        dialog.onHelp = [&](int c) { contexts << c; };
        for (QPushButton* b : dialog.findChildren<QPushButton*>())
            if (b->text() == "&Help") b->click();
        QCOMPARE(contexts, QList<int>{130});
    }

    void unzipWindowExtractsAndOffersTheTrash() {
        if (QStandardPaths::findExecutable("zip").isEmpty()) QSKIP("zip not installed");
        QDir().mkpath(fx_.path("src"));
        QFile a(fx_.path("src/A.txt"));
        QVERIFY(a.open(QIODevice::WriteOnly));
        a.write("a");
        a.close();
        QProcess p;
        p.setWorkingDirectory(fx_.path("src"));
        p.start("zip", {"-q", "../Two.zip", "A.txt"});
        QVERIFY(p.waitForFinished());
        UnzipWindow w;
        w.Populate(fx_.path("Two.zip"));
        w.Populate(fx_.path("Two.zip"));
        QCOMPARE(w.archiveList()->count(), 1);
        w.archiveList()->item(0)->setSelected(true);
        QCOMPARE(w.grid()->rowCount(), 1);
        QCOMPARE(w.statusText(), QString("[ Archive: Two.zip ]   File selected: A.txt"));
        QStringList questions;
        w.askHook = [&](const QString& q) {
            questions << q;
            return false;
        };
        w.openHook = [](const QUrl&) { return true; };
        QCOMPARE(w.extractSelected(false, fx_.path("dest")), 1);
        QCOMPARE(questions, QStringList{"Recycle TWO.ZIP ?"});
        // Again: the file exists, so a log and no trash offer.
        questions.clear();
        w.Populate(fx_.path("Two.zip"));  // the run emptied the list
        w.archiveList()->item(0)->setSelected(true);
        QCOMPARE(w.extractSelected(false, fx_.path("dest")), 0);
        QCOMPARE(questions, QStringList{"0 file(s) unzipped.\nThere were exceptions.  View log?"});
        QCOMPARE(w.log(), std::vector<std::string>{"A.txt in " + fx_.path("Two.zip").toStdString() +
                                                   " exists; skipped."});
    }
};

QTEST_MAIN(MainWindowDesktopTest)
#include "main_window_desktop_qtest.moc"
