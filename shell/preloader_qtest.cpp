// The main window with pictures decoded ahead: a step onto a preloaded
// bookmark must leave the window exactly as a plain load does, and the
// command line may name several files to walk through.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

#include "imagefiles/save_dispatch.h"
#include "shell/preloader.h"
#include "shell/test_pictures.h"
#include "shell/main_window.h"

using namespace vimbra;

namespace {

std::string WritePicture(const QString& path, int w, int h, int seed,
                         SaveFormat format = SaveFormat::Bmp) {
    return vimbra::testing::WriteTexturedPicture(path.toStdString(), w, h, seed, format);
}


// What a user can see or what later commands depend on.
struct Shown {
    std::string file, status;
    QString caption, pathBox, zoomPanel, description;
    std::vector<std::string> bookmarks;
    int index = 0;
    bool modified = true;
    int width = 0, height = 0, depth = 0;
    Bitmap picture;
};

Shown StateOf(MainWindow& f) {
    Shown s;
    s.file = f.workspace().CurrentFileName;
    s.status = f.workspace().StatusText;
    s.caption = f.windowTitle();
    s.pathBox = f.pathBox()->text();
    s.zoomPanel = f.statusPanelText(1);
    s.description = f.statusPanelText(2);
    s.bookmarks = f.bookmarks().entries();
    s.index = f.bookmarks().BookmarkIndex();
    s.modified = f.workspace().Modified;
    s.width = f.workspace().ImageWidth;
    s.height = f.workspace().ImageHeight;
    s.depth = f.workspace().ImageBitDepth;
    s.picture = f.workspace().Image;
    return s;
}

}  // namespace

class PreloaderFormTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    std::unique_ptr<QSettings> settings_;
    std::vector<std::unique_ptr<QSettings>> more_;

    QString file(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    // A window started as the program starts it with `args`.
    std::unique_ptr<MainWindow> start(const QStringList& args) {
        more_.push_back(std::make_unique<QSettings>(
            dir_.filePath(QStringLiteral("settings%1.ini").arg(more_.size())),
            QSettings::IniFormat));
        const std::vector<std::string> files = MainWindow::CommandLineFiles(args);
        auto form = std::make_unique<MainWindow>(
            files.empty() ? args : QStringList{QString::fromStdString(files.front())},
            more_.back().get());
        form->bookmarkCommandLine(files);
        form->host().askHook = [](MessageKind, std::string_view, Buttons) { return Answer::No; };
        form->resize(400, 300);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get())) return nullptr;
        return form;
    }

    static bool waitPreloaded(MainWindow& f, const QString& path) {
        return QTest::qWaitFor([&] {
            return f.preloader() && f.preloader()->ready(path.toStdString());
        });
    }

private slots:
    void commandLineNamesOneFileOrSeveral() {
        const QString blanks = file("two  blanks.bmp");
        WritePicture(blanks, 4, 4, 1);
        const QString a = file("a.bmp"), b = file("b.bmp");
        WritePicture(a, 4, 4, 1);
        WritePicture(b, 4, 4, 1);
        using Files = std::vector<std::string>;
        // The joined name wins when it exists.
        QCOMPARE(MainWindow::CommandLineFiles(blanks.split(QLatin1Char(' '))),
                 Files{blanks.toStdString()});
        QCOMPARE(MainWindow::CommandLineFiles({b, a}), (Files{b.toStdString(), a.toStdString()}));
        // One missing argument: neither rule applies.
        QCOMPARE(MainWindow::CommandLineFiles({a, file("missing.bmp")}), Files{});
        QCOMPARE(MainWindow::CommandLineFiles({file("missing.bmp")}), Files{});
        QCOMPARE(MainWindow::CommandLineFiles({}), Files{});
        // A folder is no file.
        QCOMPARE(MainWindow::CommandLineFiles({a, dir_.path()}), Files{});
        // Relative names become absolute, as bookmarks are full paths.
        const QString cwd = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        const Files relative = MainWindow::CommandLineFiles({QStringLiteral("a.bmp")});
        QDir::setCurrent(cwd);
        QCOMPARE(relative, Files{a.toStdString()});
    }

    void severalFilesAreWalkedInTheOrderGiven() {
        const QString a = file("w1.bmp"), b = file("w2.bmp"), c = file("w3.bmp");
        WritePicture(a, 10, 8, 1);
        WritePicture(b, 11, 8, 2);
        WritePicture(c, 12, 8, 3);
        auto form = start({a, b, c});
        QVERIFY(form);
        QTRY_COMPARE(form->workspace().CurrentFileName, a.toStdString());
        const std::vector<std::string> order{a.toStdString(), b.toStdString(), c.toStdString()};
        QCOMPARE(form->bookmarks().entries(), order);
        QCOMPARE(form->bookmarks().BookmarkIndex(), 0);
        for (const QString& next : {b, c, a}) {
            form->action("onNextImage")->trigger();
            QCOMPARE(form->workspace().CurrentFileName, next.toStdString());
        }
    }

    void steppingOntoAPreloadedPictureLooksLikeALoad() {
        const QString a = file("p1.bmp"), b = file("p2.jpg"), c = file("p3.png");
        WritePicture(a, 30, 20, 1);
        WritePicture(b, 900, 700, 2, SaveFormat::Jpeg);  // decoded reduced in the view
        WritePicture(c, 25, 40, 3, SaveFormat::Png);
        auto ahead = start({a, b, c});
        auto plain = start({a, b, c});
        QVERIFY(ahead && plain);
        QTRY_COMPARE(ahead->workspace().CurrentFileName, a.toStdString());
        QTRY_COMPARE(plain->workspace().CurrentFileName, a.toStdString());
        // Screen gamma is applied to every picture loaded, preloaded or not.
        ahead->ViewGamma = plain->ViewGamma = 150;
        // Onto the JPEG, the PNG, and back onto the JPEG.
        const std::pair<const char*, QString> steps[] = {
            {"onNextImage", b}, {"onNextImage", c}, {"onPreviousImage", b}};
        for (const auto& [handler, target] : steps) {
            QVERIFY(waitPreloaded(*ahead, target));
            QTRY_VERIFY(plain->preloader());
            plain->preloader()->clear();  // this one decodes as it goes
            ahead->action(handler)->trigger();
            // Handed over rather than decoded again.
            QVERIFY(!ahead->preloader()->ready(target.toStdString()));
            plain->action(handler)->trigger();
            const Shown x = StateOf(*ahead), y = StateOf(*plain);
            QCOMPARE(x.file, target.toStdString());
            QCOMPARE(x.file, y.file);
            QCOMPARE(x.caption, y.caption);
            QCOMPARE(x.pathBox, y.pathBox);
            QCOMPARE(x.zoomPanel, y.zoomPanel);
            QCOMPARE(x.description, y.description);
            QCOMPARE(x.bookmarks, y.bookmarks);
            QCOMPARE(x.index, y.index);
            QCOMPARE(x.modified, false);
            QCOMPARE(x.width, y.width);
            QCOMPARE(x.height, y.height);
            QCOMPARE(x.depth, y.depth);
            QVERIFY(x.picture == y.picture);
            if (target == b) {
                QVERIFY(x.width < 900);  // the reduced decode, as the plain load
                QVERIFY(QString::fromStdString(x.status).startsWith(QStringLiteral("Loaded ")));
            } else {
                QCOMPARE(x.status, y.status);
            }
        }
    }

    void aRewrittenFileIsReadAgain() {
        const QString a = file("r1.bmp"), b = file("r2.bmp");
        WritePicture(a, 10, 10, 1);
        WritePicture(b, 10, 10, 2);
        auto form = start({a, b});
        QVERIFY(form);
        QTRY_COMPARE(form->workspace().CurrentFileName, a.toStdString());
        QVERIFY(waitPreloaded(*form, b));
        const auto when = std::filesystem::last_write_time(b.toStdString());
        WritePicture(b, 10, 10, 9);
        std::filesystem::last_write_time(b.toStdString(), when + std::chrono::seconds(3));
        form->action("onNextImage")->trigger();
        QCOMPARE(form->workspace().CurrentFileName, b.toStdString());
        QCOMPARE(int(form->workspace().Image.scanLine(0)[0]), 9);
    }

    void aVanishedPreloadedFileIsDroppedAsBefore() {
        const QString a = file("v1.bmp"), b = file("v2.bmp"), c = file("v3.bmp");
        WritePicture(a, 10, 10, 1);
        WritePicture(b, 12, 10, 2);
        WritePicture(c, 14, 10, 3);
        auto form = start({a, b, c});
        QVERIFY(form);
        QTRY_COMPARE(form->workspace().CurrentFileName, a.toStdString());
        QVERIFY(waitPreloaded(*form, b));
        QVERIFY(QFile::remove(b));
        form->action("onNextImage")->trigger();
        QCOMPARE(form->workspace().CurrentFileName, c.toStdString());
        const std::vector<std::string> left{a.toStdString(), c.toStdString()};
        QCOMPARE(form->bookmarks().entries(), left);
    }

    void unsavedChangesStillAskFirst() {
        const QString a = file("u1.bmp"), b = file("u2.bmp");
        WritePicture(a, 10, 10, 1);
        WritePicture(b, 10, 10, 2);
        auto form = start({a, b});
        QVERIFY(form);
        QTRY_COMPARE(form->workspace().CurrentFileName, a.toStdString());
        QVERIFY(waitPreloaded(*form, b));
        form->runMenuCommand("onNegative");
        QVERIFY(form->workspace().Modified);
        form->action("onNextImage")->trigger();  // answered No
        QCOMPARE(form->workspace().CurrentFileName, a.toStdString());
        QVERIFY(form->workspace().Modified);
        QVERIFY(form->preloader()->ready(b.toStdString()));
        form->workspace().Modified = false;
    }
};

QTEST_MAIN(PreloaderFormTest)
#include "preloader_qtest.moc"
