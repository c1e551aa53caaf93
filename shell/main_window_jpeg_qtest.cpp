// The JPEG Compression Wizard from the main window (menu, Save As's wizard
// button, its own Save As, the "JPGwiz1" record, batches), Image > Histogram,
// Map > RGB info and the batch editor's stored bounds, offscreen.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTimer>

#include "shell/main_window_test_util.h"
#include "shell/script_window.h"
#include "tools/effects_dialog.h"
#include "tools/jpeg_compressor_group.h"

using namespace vimbra;
using namespace vimbra::testing;

namespace {

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) b.append(char(v));
    return b;
}

}  // namespace

class MainWindowJpegTest : public QObject {
    Q_OBJECT

private:
    WindowFixture fx_;

    // Settings written before the form starts.
    void presetSettings(const std::function<void(QSettings&)>& write) {
        QSettings s(fx_.path("settings.ini"), QSettings::IniFormat);
        write(s);
        s.sync();
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QFile::remove(fx_.path("settings.ini")); }

    void saveDialogsWizardButtonOpensTheWizard() {
        // The real dialog: the button leaves it with the wizard asked for.
        SaveDialogSetup setup;
        setup.filters = SaveNameFilters(24);
        setup.folder = fx_.dir.path();
        QTimer::singleShot(0, [] {
            auto* dlg = qobject_cast<SaveAsDialog*>(QApplication::activeModalWidget());
            if (dlg) QTest::mouseClick(dlg->Wizard, Qt::LeftButton);
        });
        const std::optional<SaveChoice> choice = ExecuteSaveDialog(nullptr, setup, {});
        QVERIFY(choice);
        QVERIFY(choice->wizard);

        // File > Save as answered so: the wizard instead of a save.
        auto form = fx_.formWith("pic.bmp");
        QVERIFY(form);
        SaveChoice wizard;
        wizard.wizard = true;
        fx_.answerSaveDialogs(*form, {wizard});
        QString title;
        int code = 0, amount = -1;
        form->host().effectsDriver = [&](EffectsDialog& dlg) {
            title = dlg.windowTitle();
            code = dlg.session().code();
            amount = dlg.slider(0)->value();
            dlg.reject();
        };
        form->onSave();
        QCOMPARE(title, QStringLiteral("JPEG Compression Wizard"));
        QCOMPARE(code, 999);
        QCOMPARE(amount, 0);
        QCOMPARE(fx_.setups.size(), size_t(1));
        QVERIFY(QDir(fx_.dir.path()).entryList({QStringLiteral("*.jpg")}).isEmpty());
    }

    void wizardSavesItsFileUnderAJpgNameAskingBeforeOverwriting() {
        auto form = fx_.formWith("pic.bmp", 64, 48);
        QVERIFY(form);
        QDir(fx_.dir.path()).mkdir(QStringLiteral("out"));
        const QString out = fx_.path("out");
        std::vector<uint8_t> shown;
        form->host().effectsDriver = [&](EffectsDialog& dlg) {
            dlg.jpegGroup()->quality()->setValue(60);
            dlg.jpegGroup()->progressive()->setChecked(true);
            dlg.setSliderValue(0, 7);
            dlg.test();
            shown = dlg.compressed();
            // photo.png: the extension gives way to .jpg.
            fx_.answerSaveDialogs(*form, {{out + QStringLiteral("/photo.png"), 1, 75, false}});
            QTest::mouseClick(dlg.applyButton(), Qt::LeftButton);
            // Again: photo.jpg exists now; No asks for another name.
            fx_.replies = {Reply::No};
            fx_.answerSaveDialogs(*form, {{out + QStringLiteral("/photo"), 1, 75, false},
                           {out + QStringLiteral("/other"), 1, 75, false}});
            QTest::mouseClick(dlg.applyButton(), Qt::LeftButton);
            dlg.reject();
        };
        form->onCompress();
        QVERIFY(!shown.empty());
        const QByteArray expected(reinterpret_cast<const char*>(shown.data()), qsizetype(shown.size()));
        QCOMPARE(ReadAll(out + QStringLiteral("/photo.jpg")), expected);
        QCOMPARE(ReadAll(out + QStringLiteral("/other.jpg")), expected);
        QVERIFY(!QFileInfo::exists(out + QStringLiteral("/photo.png")));
        QCOMPARE(fx_.asked.back(), std::string("photo.jpg exists.\nOverwrite?"));
        QCOMPARE(fx_.offered.back(), (std::vector<Reply>{Reply::Yes, Reply::No, Reply::Cancel}));
        QCOMPARE(fx_.setups.size(), size_t(2));
        QCOMPARE(fx_.setups[0].filters, QStringList{QStringLiteral("JPG (JPEG/JFIF)  24-bit color (*.jpg)")});
        // The folder saved to; the name of the first save.
        QCOMPARE(QDir(fx_.setups[0].folder), QDir(out));
        QCOMPARE(fx_.setups[0].name, QStringLiteral("photo"));
        QCOMPARE(fx_.setups[1].name, QStringLiteral("photo.jpg"));
        // The picture itself is untouched and nothing waits to be undone.
        QVERIFY(!form->workspace().Modified);
        QVERIFY(!form->host().undo().undoAvailable());

        // The settings chosen are written at the close, with the folder.
        QVERIFY(form->close());
        QSettings written(fx_.path("settings.ini"), QSettings::IniFormat);
        QCOMPARE(written.value(QStringLiteral("JPGwiz1")).toByteArray(),
                 Bytes({1, 0, 1, 1, 0, 0, 0, 0, 7, 0, 0, 0, 60, 0, 0, 0}));
        QCOMPARE(QDir(written.value(QStringLiteral("SaveDir")).toString()), QDir(out));
    }

    void storedRecordIsShownAndAWrongLengthGivesDefaults() {
        presetSettings([](QSettings& s) {
            s.setValue(QStringLiteral("JPGwiz1"),
                       Bytes({0, 1, 1, 1, 2, 0, 0, 0, 40, 0, 0, 0, 100, 0, 0, 0}));
        });
        auto form = fx_.formWith("pic.bmp");
        QVERIFY(form);
        JpegWizardSettings seen;
        int amount = -1;
        auto look = [&](EffectsDialog& dlg) {
            seen = dlg.jpegGroup()->settings(0);
            amount = dlg.slider(0)->value();
            dlg.reject();
        };
        form->host().effectsDriver = look;
        form->onCompress();
        QCOMPARE(seen.quality, 100);
        QVERIFY(seen.chromaSubsampling);
        QVERIFY(!seen.progressive);
        QCOMPARE(seen.smoothingMode, 2);
        QCOMPARE(amount, 40);
        QVERIFY(form->close());
        form.reset();

        // 15 bytes: the defaults (quality 48, no flags, mode 0, amount 0).
        presetSettings([](QSettings& s) {
            s.setValue(QStringLiteral("JPGwiz1"), Bytes({1, 1, 1, 1, 2, 0, 0, 0, 40, 0, 0, 0, 9, 0, 0}));
        });
        form = fx_.makeWindow();
        QVERIFY(form);
        form->host().effectsDriver = look;
        form->workspace().BatchRunning = true;  // no picture needed for the settings
        form->onCompress();
        form->workspace().BatchRunning = false;
        QCOMPARE(seen, JpegWizardSettings{});
        QCOMPARE(amount, 0);
        QVERIFY(form->close());
        form.reset();

        // Not opened in a run: the stored value stays as it was.
        presetSettings([](QSettings& s) { s.setValue(QStringLiteral("JPGwiz1"), Bytes({5, 5, 5})); });
        form = fx_.makeWindow();
        QVERIFY(form);
        QVERIFY(form->close());
        QSettings written(fx_.path("settings.ini"), QSettings::IniFormat);
        QCOMPARE(written.value(QStringLiteral("JPGwiz1")).toByteArray(), Bytes({5, 5, 5}));
    }

    void inABatchTheWizardKeepsThePicture() {
        auto form = fx_.formWith("pic.bmp", 24, 16);
        QVERIFY(form);
        const Bitmap before = form->workspace().Image;
        const std::string name = form->workspace().CurrentFileName;
        int code = 0;
        form->host().effectsDriver = [&](EffectsDialog& dlg) {
            code = dlg.session().code();
            dlg.jpegGroup()->quality()->setValue(120);
            QTest::mouseClick(dlg.applyButton(), Qt::LeftButton);
        };
        form->workspace().BatchRunning = true;
        form->onCompress();
        form->workspace().BatchRunning = false;
        QCOMPARE(code, 998);
        QCOMPARE(form->workspace().Image, before);
        QCOMPARE(form->workspace().CurrentFileName, name);
        QCOMPARE(form->jpegWizard().quality, 120);
    }

    void histogramOfThePictureShown() {
        auto form = fx_.formWith("flat.bmp", 20, 10);
        QVERIFY(form);
        QStringList titles;
        form->host().onHistogram = [&](const QString& t) { titles << t; };
        QAction* item = form->action("onHistogram");
        QVERIFY(item);
        item->trigger();
        QCOMPARE(titles, QStringList{QStringLiteral("Histogram [flat.bmp]")});
        // 200 pixels of red 30, green 20, blue 10; grey (900 + 1200 + 100) div 100 = 22.
        const Histograms& h = form->workspace().hist;
        QCOMPARE(h.HistRed[30], 200);
        QCOMPARE(h.HistGrn[20], 200);
        QCOMPARE(h.HistBlu[10], 200);
        QCOMPARE(h.HistGry[22], 200);
        QCOMPARE(h.HistRed[29] + h.HistRed[31] + h.HistGry[21], 0);
        QCOMPARE(h.HistPeak, 200);
        QVERIFY(!form->workspace().Modified);
    }

    void rgbInfoLinesGoToTheEditor() {
        auto form = fx_.formWith("flat.bmp", 20, 10);
        QVERIFY(form);
        QAction* item = form->action("onRgbInfo");
        QVERIFY(item);
        item->trigger();
        ScriptWindow* w = form->scriptWindow(false);
        QVERIFY(w);
        QVERIFY(w->isVisible());
        const QString rule(30, QLatin1Char('-'));
        QCOMPARE(w->script(), QStringList({rule, QStringLiteral(">CONFORM_RED=30,0"),
                                           QStringLiteral(">CONFORM_GRN=20,0"),
                                           QStringLiteral(">CONFORM_BLU=10,0"),
                                           QStringLiteral(">CONFORM_LIT=22,0"),
                                           QStringLiteral(">CONFORM_GAMMA_RGB=30,20,10"),
                                           QStringLiteral(">CONFORM_GAMMA=22"), rule})
                                  .join(QLatin1Char('\n')));
        QVERIFY(!form->workspace().Modified);
    }

    void batchEditorOpensAtItsStoredBoundsAndKeepsThem() {
        SettingsRecord r = SettingsRecord::Defaults();
        r.batchEditorBounds = {30, 40, 330, 440};
        presetSettings([&](QSettings& s) { s.setValue(QStringLiteral("VControls6014"), r.toBytes()); });
        auto form = fx_.makeWindow();
        QVERIFY(form);
        form->onBatchEditor();
        ScriptWindow* w = form->scriptWindow(false);
        QVERIFY(w);
        QCOMPARE(w->geometry(), QRect(30, 40, 300, 400));
        w->setGeometry(QRect(50, 60, 280, 350));
        w->close();
        QVERIFY(form->close());
        QSettings written(fx_.path("settings.ini"), QSettings::IniFormat);
        const SettingsRecord back =
            SettingsRecord::FromBytes(written.value(QStringLiteral("VControls6014")).toByteArray());
        QCOMPARE(back.batchEditorBounds, (WindowBounds{50, 60, 330, 410}));
    }
};

QTEST_MAIN(MainWindowJpegTest)
#include "main_window_jpeg_qtest.moc"
