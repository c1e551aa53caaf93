// The photograph options: "Keep metadata when saving" and "Turn pictures
// upright by their orientation tag", in the options dialog, in the settings
// file, and as the window loads and saves with them.
#include <QCheckBox>
#include <QtTest>

#include "imagefiles/codecs/codec_test_util.h"
#include "imagefiles/codecs/jpeg_codec.h"
#include "imagefiles/metadata_io.h"
#include "imagefiles/metadata_test_util.h"
#include "shell/main_window_test_util.h"
#include "imagefiles/colour_profile.h"
#include "shell/options_dialog.h"
#include "shell/picture_view.h"

using namespace vimbra;
using namespace vimbra::testing;

class MetadataOptionsTest : public QObject {
    Q_OBJECT

private:
    WindowFixture fx_;

    // A 40 × 24 JPEG tagged by ExifTool with orientation 6.
    QString cameraJpeg(const char* name = "cam.jpg") {
        const QString p = fx_.path(name);
        testutil::WriteBytes(p.toStdString(), EncodeJpeg(testutil::MakePicture(40, 24, 24, 3)));
        if (!testutil::TagAsCamera(p.toStdString(), 6, false)) return {};
        return p;
    }

    void writeOptions(bool keep, bool orient) {
        QSettings ini(fx_.path("settings.ini"), QSettings::IniFormat);
        ini.setValue(SettingsStore::kKeepMetadataKey, keep);
        ini.setValue(SettingsStore::kAutoOrientKey, orient);
        ini.sync();
    }

private slots:
    void init() { QFile::remove(fx_.path("settings.ini")); }

    void dialogShowsAndHandsBackBoth() {
        SettingsRecord s = SettingsRecord::Defaults();
        QVERIFY(s.keepMetadata);
        QVERIFY(s.autoOrient);
        s.autoOrient = false;
        SettingsRecord after;
        OptionsCallbacks callbacks;
        callbacks.apply = [&](const SettingsRecord&, const SettingsRecord& a) { after = a; };
        OptionsDialog form(s, OptionsPage::Graphics, false, 24, callbacks);
        QCheckBox* keep = form.checkBox("chkKeepMetadata");
        QCheckBox* orient = form.checkBox("chkAutoOrient");
        QVERIFY(keep && orient);
        QCOMPARE(keep->accessibleName(), QStringLiteral("Keep metadata when saving"));
        QCOMPARE(orient->accessibleName(),
                 QStringLiteral("Turn pictures upright by their orientation tag"));
        QCheckBox* colour = form.checkBox("chkColourManage");
        QVERIFY(colour && colour->isChecked());
        QCOMPARE(colour->accessibleName(), QStringLiteral("Colour-manage the display"));
        QVERIFY(keep->isChecked());
        QVERIFY(!orient->isChecked());
        keep->click();
        orient->click();
        form.onApply();
        QVERIFY(!after.keepMetadata);
        QVERIFY(after.autoOrient);
    }

    void settingsFileKeepsThemBesideTheRecord() {
        {
            QSettings ini(fx_.path("settings.ini"), QSettings::IniFormat);
            SettingsStore store(ini);
            SettingsRecord r = store.readRecord();
            QVERIFY(r.keepMetadata && r.autoOrient);  // a first start
            r.keepMetadata = false;
            r.colourManage = false;
            JpegWizardSettings wizard;
            wizard.quality = JpegWizardSettings::kNotLoaded;
            store.writeAtClose(r, {}, {}, wizard);
        }
        QSettings ini(fx_.path("settings.ini"), QSettings::IniFormat);
        QCOMPARE(ini.value("VControls6014").toByteArray().size(), 148);
        const SettingsRecord r = SettingsStore(ini).readRecord();
        QVERIFY(!r.keepMetadata);
        QVERIFY(r.autoOrient);
        QVERIFY(!r.colourManage);
    }

    void windowTurnsAndKeepsByDefault() {
        if (!testutil::HaveExiftool()) QSKIP("ExifTool is not installed");
        const QString cam = cameraJpeg();
        QVERIFY(!cam.isEmpty());
        auto form = fx_.makeWindow();
        QVERIFY(form);
        QVERIFY(form->openPicture(cam.toStdString()));
        QCOMPARE(form->workspace().Image.width(), 24);
        fx_.answerSaveDialogs(*form, {{fx_.path("kept.png"), 3, 75, false}});
        form->onSave();
        const std::string out = fx_.path("kept.png").toStdString();
        QCOMPARE(testutil::ExifTag(out, "Make"), std::string("Vimbra"));
        QCOMPARE(testutil::ExifTag(out, "Orientation", true), std::string("1"));
        // File > New: a picture of no file carries nothing.
        form->resizeDialogHook = [](const QString&, int, int, int, int) {
            ResizeResult r;
            r.width = 32;
            r.height = 32;
            return r;
        };
        QVERIFY(!form->workspace().Metadata.empty());
        form->onNew();
        QCOMPARE(form->workspace().Image.width(), 32);
        QVERIFY(form->workspace().Metadata.empty());
    }

    void optionsOffLeaveItAsStoredAndWriteNone() {
        if (!testutil::HaveExiftool()) QSKIP("ExifTool is not installed");
        const QString cam = cameraJpeg();
        writeOptions(false, false);
        auto form = fx_.makeWindow();
        QVERIFY(form);
        QVERIFY(!form->settings().keepMetadata);
        QVERIFY(form->openPicture(cam.toStdString()));
        QCOMPARE(form->workspace().Image.width(), 40);
        fx_.answerSaveDialogs(*form, {{fx_.path("bare.jpg"), 5, 75, false}});
        form->onSave();
        QCOMPARE(testutil::ExifTag(fx_.path("bare.jpg").toStdString(), "Make"), std::string());
    }

    void viewerShowsProfiledPicturesInDisplayColours() {
        if (!QFile::exists(testutil::kAdobeRgbProfile)) QSKIP("no Adobe RGB profile installed");
        Bitmap flat(8, 8, 24);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                uint8_t* p = flat.scanLine(y) + 3 * x;
                p[0] = 40, p[1] = 160, p[2] = 200;  // blue, green, red
            }
        Bitmap expected = flat;
        const std::vector<uint8_t> icc = testutil::ReadBytes(testutil::kAdobeRgbProfile);
        ConvertToSrgb(expected, icc);
        const uint8_t* e = expected.scanLine(0);
        PictureView view;
        view.resize(8, 8);
        view.setBitmap(&flat);
        auto shown = [&] { return view.grab().toImage().pixelColor(3, 3); };
        QCOMPARE(shown(), QColor(200, 160, 40));
        view.setColourProfile(&icc);
        QCOMPARE(shown(), QColor(e[2], e[1], e[0]));
        QVERIFY(shown() != QColor(200, 160, 40));
        const std::vector<uint8_t> junk(200, 7);  // unusable: the values as they are
        view.setColourProfile(&junk);
        QCOMPARE(shown(), QColor(200, 160, 40));
    }

    void brokenMetadataIsSaidInTheStatusBar() {
        std::vector<uint8_t> jpeg = EncodeJpeg(testutil::MakePicture(16, 8, 24, 2));
        std::vector<uint8_t> app1 = {0xFF, 0xE1, 0, 40, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0,
                                     0xF0, 0xFF, 0xFF, 0x7F};
        app1.resize(42, 0xEE);
        jpeg.insert(jpeg.begin() + 2, app1.begin(), app1.end());
        const QString broken = fx_.path("broken.jpg");
        testutil::WriteBytes(broken.toStdString(), jpeg);
        auto form = fx_.makeWindow();
        QVERIFY(form);
        QVERIFY(form->openPicture(broken.toStdString()));
        QCOMPARE(form->workspace().StatusText, MetadataWarning("broken.jpg"));
        QVERIFY(form->workspace().Metadata.empty());
    }
};

QTEST_MAIN(MetadataOptionsTest)
#include "main_window_metadata_qtest.moc"
