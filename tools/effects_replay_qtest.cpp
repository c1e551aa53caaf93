// Every recordable menu command driven through the real effects dialog
// (sliders moved, Test, a further move, Apply), its recorded line replayed by
// the script dispatcher on the original picture: the pixels must be the same.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "batch/script_test_util.h"
#include "shell/gui_frame_host.h"
#include "shell/menu_layout.h"
#include "tools/effects_dialog.h"

using namespace vimbra;

namespace {

Bitmap Pattern(int w, int h, int seed) {
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = b.scanLine(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = uint8_t(x * 7 + seed + (x * y) % 13);
            row[3 * x + 1] = uint8_t(y * 5 + seed * 3);
            row[3 * x + 2] = uint8_t((x + y) * 3 + seed + (y % 4) * 40);
        }
    }
    return b;
}

// Moves each visible slider to a value other than its start.
int Target(const QScrollBar* s) {
    const int v = s->value();
    return v < s->maximum() ? v + (s->maximum() - v + 1) / 2 : v - (v - s->minimum() + 1) / 2;
}

void Drive(EffectsDialog& dlg) {
    const EffectLayout& l = dlg.session().layout();
    if (l.panel != ColorPanelPlace::Hidden) dlg.pickAt(5, 4);
    for (int i = 0; i < l.sliders; ++i) dlg.setSliderValue(i, Target(dlg.slider(i)));
    QTest::mouseClick(dlg.testButton(), Qt::LeftButton);
    // Moved after the Test: Apply must preview these values before applying.
    dlg.setSliderValue(0, Target(dlg.slider(0)));
    QTest::mouseClick(dlg.applyButton(), Qt::LeftButton);
}

}  // namespace

class EffectsReplayTest : public QObject {
    Q_OBJECT
private slots:
    void everyRecordedLineReplaysToTheSamePixels() {
        const Bitmap picture = Pattern(48, 40, 3), duplicate = Pattern(48, 40, 91);
        QStringList replayed, unrecorded;
        for (const MenuRow& row : MainMenuLayout()) {
            const MenuCommandRef ref = FindMenuCommand(row.handler);
            if (!ref) continue;
            GuiFrameHost host(nullptr);
            host.askHook = [](MessageKind, std::string_view, Buttons) { return Answer::Yes; };
            host.effectsDriver = Drive;
            Workspace ws(host);
            ws.setImage(Bitmap(picture));
            ws.DuplicateBitmap = duplicate;
            ws.RecordingActive = true;
            if (ref.edit)
                RunEditCommand(ws, *ref.edit);
            else
                ref.custom->run(ws);
            if (host.recordedLines.empty()) {
                unrecorded << QString::fromLatin1(row.handler);
                continue;
            }
            QCOMPARE(host.recordedLines.size(), size_t(1));
            const std::string line = host.recordedLines.front();
            Script replay{Bitmap(picture)};
            replay.ws.DuplicateBitmap = duplicate;
            const BipOutcome outcome = replay.line(line);
            QVERIFY2(outcome == BipOutcome::Ran || outcome == BipOutcome::Control,
                     (std::string(row.handler) + ": " + line).c_str());
            if (outcome == BipOutcome::Control) continue;  // run by the interpreter itself
            QVERIFY2(replay.ws.Image == ws.Image, (std::string(row.handler) + ": " + line).c_str());
            replayed << QString::fromStdString(line);
        }
        qInfo("replayed %lld lines: %s", qlonglong(replayed.size()),
              qPrintable(replayed.join(QLatin1Char(' '))));
        qInfo("not recorded: %s", qPrintable(unrecorded.join(QLatin1Char(' '))));
        QVERIFY(replayed.size() >= 60);
    }

    void maskBandsArePackedWithThePickedCentre() {
        GuiFrameHost host(nullptr);
        Workspace ws(host);
        Bitmap b(8, 8, 24);
        // A pixel of hue 2400, lightness 1800, saturation 3600: pure blue.
        b.scanLine(1)[3 * 2] = 255;
        ws.setImage(std::move(b));
        ws.DuplicateBitmap = Bitmap(8, 8, 24);
        ws.RecordingActive = true;
        host.effectsDriver = [](EffectsDialog& dlg) {
            dlg.setSliderValue(0, 120);
            dlg.setSliderValue(1, 1200);
            dlg.setSliderValue(2, 1500);
            dlg.test();
            dlg.pickAt(2, 1);  // after the Test: Apply tests again, widths kept
            dlg.applyClicked();
        };
        FindMenuCommand("onMaskBackcolors").custom->run(ws);
        QCOMPARE(host.recordedLines.size(), size_t(1));
        QCOMPARE(QString::fromStdString(host.recordedLines[0]),
                 QStringLiteral("MASK_HLS=7866720,78645000,98307600"));
        QCOMPARE(ws.BandCentre[0], 2400);
    }

    void cancelReturnsMinus999AndPreviewCoversTheViewOnly() {
        FrameHost host;
        Workspace ws(host);
        ws.setImage(Pattern(1000, 700, 1));
        FilterDlgParam p;
        p.EffectCode = 150;
        p.sliderCount = 3;
        p.CustomLabels = true;
        for (SliderParam& s : p.sliders) s = {-999, 999, 0, 10, 1, "-999", "+999"};
        p.preview = [](Workspace&, Bitmap& b, bool) { b.scanLine(0)[0] = 1; };
        EffectsDialog dlg(ws, p);
        QVERIFY(!dlg.applyButton()->isEnabled());
        QCOMPARE(dlg.sliderName(0)->text(), QStringLiteral("H&ue"));
        QVERIFY(!dlg.slider(0)->accessibleName().isEmpty());
        QVERIFY(!dlg.edit(2)->accessibleName().isEmpty());
        dlg.typeValue(0, QStringLiteral("5000"));
        QCOMPARE(dlg.slider(0)->value(), 999);
        QCOMPARE(dlg.edit(0)->text(), QStringLiteral("999"));
        dlg.beforeView()->scrollTo(QPoint(900, 650));
        dlg.test();
        QVERIFY(dlg.applyButton()->isEnabled());
        QCOMPARE(dlg.lastRegion(), (Region{640, 340, 360, 360}));
        QCOMPARE(dlg.previewImage().size(), QSize(360, 360));
        dlg.reject();
        QCOMPARE(dlg.result(), kDialogCancelled);
    }
};

QTEST_MAIN(EffectsReplayTest)
#include "effects_replay_qtest.moc"
