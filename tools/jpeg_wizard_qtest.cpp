// The effects dialog as the JPEG Compression Wizard: the stored settings
// shown, the trial's file against a direct encode of the same settings, the
// figures, typed quality, Save As with what the controls show, the settings
// taken back at the close, and a working picture that never changes.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

#include "core/workspace.h"
#include "filters/jpeg_wizard.h"
#include "imagefiles/codecs/jpeg_codec.h"
#include "tools/effects_dialog.h"
#include "tools/jpeg_compressor_group.h"

using namespace vimbra;

namespace {

Bitmap Pattern(int w, int h) {
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = b.scanLine(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = uint8_t(x * 9 + (x * y) % 17);
            row[3 * x + 1] = uint8_t(y * 6);
            row[3 * x + 2] = uint8_t(((x / 3 + y / 5) % 2) * 180 + 30);
        }
    }
    return b;
}

FilterDlgParam WizardParam(int code, int amount) {
    FilterDlgParam p;
    p.title = "JPEG Compression Wizard";
    p.sliders[0] = SliderParam{0, 255, amount, 16, 1, "0 (none)", "255 (fuzzy)"};
    p.EffectCode = code;
    return p;
}

std::vector<uint8_t> Encode(const Bitmap& b, const JpegWizardSettings& s) {
    return EncodeJpeg(b, WizardJpegOptions(s));
}

}  // namespace

class JpegWizardTest : public QObject {
    Q_OBJECT
private slots:
    void showsTheStoredSettingsAndFiguresOfTheSameEncode() {
        Workspace ws;
        ws.setImage(Pattern(64, 48));
        JpegWizardSettings stored;
        stored.quality = 30;
        stored.progressive = true;
        stored.chromaSubsampling = true;
        stored.smoothingMode = 0;
        stored.smoothingAmount = 20;
        JpegWizardSettings settings = stored;
        EffectsDialog dlg(ws, WizardParam(999, 20), nullptr, &settings);
        JpegCompressorGroup* g = dlg.jpegGroup();
        QVERIFY(g);
        QCOMPARE(g->quality()->value(), 30);
        QCOMPARE(g->qualityEdit()->text(), QStringLiteral("30"));
        QVERIFY(g->progressive()->isChecked());
        QVERIFY(g->subsample()->isChecked());
        QVERIFY(g->smoothing(0)->isChecked());
        QCOMPARE(dlg.slider(0)->value(), 20);
        QCOMPARE(dlg.applyButton()->text(), QStringLiteral("Save &As"));
        QVERIFY(!dlg.applyButton()->isEnabled());
        QCOMPARE(dlg.afterView()->accessibleName(), QStringLiteral("Compressed image"));

        dlg.test();
        const std::vector<uint8_t> expected = Encode(ws.Image, stored);
        QCOMPARE(dlg.compressed(), expected);
        const uint64_t n = expected.size();
        QCOMPARE(g->sizePanel()->text(), QStringLiteral("File size: %1 bytes").arg(n));
        // 64 × 48 × 3 = 9216 bytes uncompressed.
        QCOMPARE(g->ratioPanel()->text(),
                 QStringLiteral("Compression ratio: %1.%2 to 1").arg(9216 / n).arg(92160 / n % 10));
        QVERIFY(dlg.applyButton()->isEnabled());
        // The view shows the file decoded again.
        const Bitmap decoded = DecodeJpeg(ByteSpan(expected.data(), expected.size()));
        const QImage shown = dlg.previewImage().convertToFormat(QImage::Format_RGB888);
        QCOMPARE(shown.size(), QSize(64, 48));
        const uint8_t* px = decoded.scanLine(7) + 3 * 11;
        QCOMPARE(QColor(shown.pixel(11, 7)), QColor(px[2], px[1], px[0]));

        // A larger factor: a smaller file after the next trial, which a
        // change of the controls schedules.
        g->quality()->setValue(200);
        QVERIFY(dlg.retestPending());
        dlg.test();
        QVERIFY(!dlg.retestPending());
        QVERIFY(dlg.compressed().size() < n);
    }

    void typedQualityIsKeptInRange() {
        Workspace ws;
        ws.setImage(Pattern(16, 16));
        JpegWizardSettings settings;
        EffectsDialog dlg(ws, WizardParam(999, 0), nullptr, &settings);
        JpegCompressorGroup* g = dlg.jpegGroup();
        g->typeQuality(QStringLiteral("0"));
        QCOMPARE(g->qualityEdit()->text(), QStringLiteral("1"));
        QCOMPARE(g->quality()->value(), 1);
        g->typeQuality(QStringLiteral("300"));
        QCOMPARE(g->qualityEdit()->text(), QStringLiteral("255"));
        g->typeQuality(QStringLiteral("x"));
        QCOMPARE(g->qualityEdit()->text(), QStringLiteral("255"));
        g->typeQuality(QStringLiteral("77"));
        QCOMPARE(g->quality()->value(), 77);
    }

    void saveAsSavesWhatTheControlsShowAndStaysOpen() {
        Workspace ws;
        ws.setImage(Pattern(40, 30));
        JpegWizardSettings settings;
        std::vector<std::vector<uint8_t>> saved;
        const int r = ExecuteJpegWizard(
            nullptr, ws, WizardParam(999, 0), settings,
            [&](const std::vector<uint8_t>& s) { saved.push_back(s); },
            [&](EffectsDialog& dlg) {
                dlg.test();
                // Changed after the trial: Save As runs it again first.
                dlg.jpegGroup()->progressive()->setChecked(true);
                dlg.jpegGroup()->smoothing(1)->setChecked(true);
                dlg.setSliderValue(0, 100);
                QTest::mouseClick(dlg.applyButton(), Qt::LeftButton);
                QCOMPARE(dlg.result(), kDialogCancelled);  // still open
                QTest::mouseClick(dlg.applyButton(), Qt::LeftButton);
            });
        JpegWizardSettings shown;
        shown.progressive = true;
        shown.smoothingMode = 1;
        shown.smoothingAmount = 100;
        QCOMPARE(saved.size(), size_t(2));
        Bitmap filtered = ws.Image;
        JpegPrefilter(filtered, shown);
        QCOMPARE(saved[0], Encode(filtered, shown));
        QCOMPARE(saved[1], saved[0]);
        // Closed by the driver's end as by Close: slider 1 and the settings.
        QCOMPARE(r, 100);
        QCOMPARE(settings, shown);
        QCOMPARE(ws.Image, Pattern(40, 30));
    }

    void closeStoresTheSettingsWithoutAnyTrial() {
        Workspace ws;
        ws.setImage(Pattern(8, 8));
        JpegWizardSettings settings;
        settings.byte2 = settings.byte3 = 0;
        const int r = ExecuteJpegWizard(nullptr, ws, WizardParam(999, 5), settings, {},
                                        [](EffectsDialog& dlg) {
                                            dlg.jpegGroup()->typeQuality(QStringLiteral("0"));
                                            dlg.jpegGroup()->subsample()->setChecked(true);
                                            dlg.jpegGroup()->smoothing(2)->setChecked(true);
                                            dlg.reject();
                                        });
        QCOMPARE(r, 5);
        QCOMPARE(settings.quality, 1);
        QVERIFY(settings.chromaSubsampling);
        QVERIFY(!settings.progressive);
        QCOMPARE(settings.smoothingMode, 2);
        QCOMPARE(settings.smoothingAmount, 5);
        QCOMPARE(int(settings.byte2), 1);
        QCOMPARE(int(settings.byte3), 1);
    }

    void inABatchOnlyTheSettingsAreChosen() {
        // No picture at all: the settings can still be chosen.
        Workspace ws;
        JpegWizardSettings settings;
        const int r = ExecuteJpegWizard(nullptr, ws, WizardParam(998, 0), settings, {},
                                        [](EffectsDialog& dlg) {
                                            QCOMPARE(dlg.applyButton()->text(), QStringLiteral("&Apply"));
                                            QVERIFY(dlg.applyButton()->isEnabled());
                                            dlg.jpegGroup()->quality()->setValue(90);
                                            QVERIFY(!dlg.retestPending());
                                            dlg.setSliderValue(0, 33);
                                            QTest::mouseClick(dlg.applyButton(), Qt::LeftButton);
                                        });
        QCOMPARE(r, 33);
        QCOMPARE(settings.quality, 90);
        QVERIFY(ws.Image.isEmpty());
    }

    void aPalettePictureIsCompressedFromACopy() {
        Workspace ws;
        Bitmap grey(12, 10, 8);
        for (int i = 0; i < 256; ++i)
            grey.palette().push_back(PaletteEntry{uint8_t(i), uint8_t(i), uint8_t(i), 0});
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 12; ++x) grey.scanLine(y)[x] = uint8_t(x * 20);
        ws.setImage(grey);
        JpegWizardSettings settings;
        ExecuteJpegWizard(nullptr, ws, WizardParam(999, 0), settings, {},
                          [](EffectsDialog& dlg) {
                              dlg.test();
                              QVERIFY(!dlg.compressed().empty());
                          });
        QCOMPARE(ws.Image.depth(), 8);
        QCOMPARE(ws.Image, grey);
    }
};

QTEST_MAIN(JpegWizardTest)
#include "jpeg_wizard_qtest.moc"
