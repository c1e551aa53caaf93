// Associations, wallpaper and the scanner from the main window, offscreen,
// with the desktop's tools replaced by a recorder.
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>

#include "desktop/scanner.h"
#include "imagefiles/load_dispatch.h"
#include "shell/main_window_test_util.h"
#include "desktop/sane_test_backend.h"

using namespace vimbra;
using namespace vimbra::testing;

using Argv = std::vector<std::string>;

class MainWindowServicesTest : public QObject {
    Q_OBJECT

private:
    WindowFixture fx_;
    QTemporaryDir xdg_;
    QTemporaryDir sane_;
    std::vector<Argv> calls_;

    std::unique_ptr<MainWindow> makeWindow() {
        auto form = fx_.makeWindow();
        calls_.clear();
        if (form) {
            form->desktopRunnerHook = [this](const Argv& argv) {
                calls_.push_back(argv);
                return CommandResult{0, "", ""};
            };
            form->wallpaperEnvironmentHook = [] {
                WallpaperEnvironment env;
                env.vars["XDG_CURRENT_DESKTOP"] = "GNOME";
                return env;
            };
        }
        return form;
    }

    static bool TestScannerPresent() {
        std::string error;
        for (const ScannerDevice& d : ListScanners(error))
            if (d.name.rfind("test", 0) == 0) return true;
        return false;
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        qputenv("XDG_DATA_HOME", (xdg_.path() + "/data").toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", (xdg_.path() + "/config").toLocal8Bit());
        QFile conf(sane_.path() + "/dll.conf");
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("test\n");
        conf.close();
        qputenv("SANE_CONFIG_DIR", sane_.path().toLocal8Bit());
        KeepSaneTestBackendLoaded();
    }

    void associationsSetAndRemove() {
        auto form = makeWindow();
        QVERIFY(form);
        QString caption;
        form->listDialogHook = [&](int, const QString& c, QStringList& list) {
            caption = c;
            list = QStringList{QStringLiteral(".JPG (JPEG images)")};
            return 1;
        };
        form->onAssociations(kAssociationsSet);
        QCOMPARE(caption, QStringLiteral("Set File Associations"));
        QVERIFY(!calls_.empty());
        QCOMPARE(calls_.back(), (Argv{"xdg-mime", "default", "vimbra.desktop", "image/jpeg"}));
        const QString entry = xdg_.path() + "/data/applications/vimbra.desktop";
        QVERIFY(QFile::exists(entry));
        QCOMPARE(fx_.asked.back(), std::string("Vimbra opens 1 file type(s) now."));

        form->onAssociations(kAssociationsRemove);
        QVERIFY(!QFile::exists(entry));
    }

    void associationsChangeWithNothingPickedChangesNothing() {
        auto form = makeWindow();
        QVERIFY(form);
        QString title;
        form->listDialogHook = [](int, const QString&, QStringList& list) {
            list = QStringList{QStringLiteral(".PNG (Portable Network Graphics)")};
            return 1;
        };
        form->applicationPickHook = [&](const QString& t) {
            title = t;
            return QString();
        };
        form->onAssociations(kAssociationsChange);
        QCOMPARE(title, QStringLiteral("Select Associated App for PNG file"));
        QVERIFY(calls_.empty());
        QVERIFY(!QFile::exists(xdg_.path() + "/data/applications/vimbra.desktop"));
        // Cancelling the list does nothing either.
        form->listDialogHook = [](int, const QString&, QStringList&) { return -1; };
        form->onAssociations(kAssociationsSet);
        QVERIFY(calls_.empty());
    }

    void wallpaperFitsTheScreenAndKeepsThePicture() {
        auto form = makeWindow();
        QVERIFY(form);
        // The screen is wider in proportion than the picture below (offscreen: 800 x 800).
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        QVERIFY(screen.width() * 2 <= screen.height() * 3);
        // 128 wide: nothing happens.
        QVERIFY(form->openPicture(WriteFlatPicture(fx_.path("narrow.bmp"), 128, 300, 0, 0, 255)));
        form->onWallpaperSet();
        QVERIFY(calls_.empty());

        QVERIFY(form->openPicture(WriteFlatPicture(fx_.path("wide.bmp"), 300, 200, 0, 0, 255)));
        form->workspace().Modified = true;
        form->onWallpaperSet();
        const QString file =
            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/VX_Wallpaper.Bmp";
        QCOMPARE(calls_.size(), size_t(3));
        QCOMPARE(calls_[0][3], std::string("picture-uri"));
        QCOMPARE(calls_[0][4],
                 "'" + QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded).toStdString() + "'");
        // 300 x 200: the width fills (in 800 x 800, 200 * 800 / 300 = 533.3 high).
        const DecodedPicture written = ReadImageFile(file.toStdString());
        QCOMPARE(written.bitmap.width(), screen.width());
        QCOMPARE(written.bitmap.height(), (200 * screen.width() + 150) / 300);
        QCOMPARE(written.bitmap.scanLine(written.bitmap.height() / 2)[3 * (screen.width() / 2) + 2], uint8_t(255));
        // The working picture and its state are untouched.
        QCOMPARE(form->workspace().Image.width(), 300);
        QVERIFY(form->workspace().Modified);

        form->wallpaperEnvironmentHook = [] { return WallpaperEnvironment{}; };
        form->onWallpaperClear();
        QVERIFY(fx_.asked.back().rfind("No supported desktop was found", 0) == 0);
    }

    void scanBecomesTheWorkingPicture() {
        if (!TestScannerPresent()) QSKIP("SANE test backend not available");
        auto form = makeWindow();
        QVERIFY(form);
        form->deviceChoiceHook = [](const QStringList& labels) { return labels.front(); };
        form->scanDialogHook = [](ScanRequest& r) {
            r.resolution = 50;
            r.mode = "Gray";
            return true;
        };
        form->onScanSelect();
        QVERIFY(form->scannerDevice().rfind("test", 0) == 0);
        // 80 x 100 mm at 50 dpi.
        QCOMPARE(form->workspace().Image.width(), 157);
        QCOMPARE(form->workspace().Image.height(), 196);
        QCOMPARE(form->workspace().CurrentFileName, std::string("Untitled"));
    }

    void cancelledScanKeepsTheEditedPicture() {
        if (!TestScannerPresent()) QSKIP("SANE test backend not available");
        auto form = makeWindow();
        QVERIFY(form);
        const std::string pic = WriteFlatPicture(fx_.path("kept.bmp"), 20, 10, 0, 0, 255);
        QVERIFY(form->openPicture(pic));
        form->workspace().Modified = true;
        form->scanDialogHook = [](ScanRequest& r) {
            r.resolution = 50;
            return true;
        };
        form->scanCancelHook = [](int) { return true; };
        form->onScanAcquire();
        QCOMPARE(fx_.asked.size(), size_t(2));
        QCOMPARE(fx_.asked[0], std::string("You have unsaved changes.\nDiscard modified image?"));
        QCOMPARE(fx_.asked[1], std::string("TWAIN acquisition aborted."));
        QCOMPARE(form->workspace().CurrentFileName, pic);
        QCOMPARE(form->workspace().Image.width(), 20);
        QVERIFY(form->workspace().Modified);
    }
};

QTEST_MAIN(MainWindowServicesTest)
#include "main_window_services_qtest.moc"
