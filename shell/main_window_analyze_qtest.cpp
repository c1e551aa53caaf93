// Image > Analyze and the Info button: the report file's lines for a picture
// whose measures are known by hand, the compare form, and File > Info on a
// JPEG through the JPEG Text window.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QUrl>

#include "imagefiles/jpeg_metadata.h"
#include "shell/main_window_test_util.h"
#include "tools/jpeg_text_window.h"

using namespace vimbra;
using namespace vimbra::testing;

namespace {

QStringList ReportLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QString text = QString::fromUtf8(f.readAll());
    if (!text.endsWith(QStringLiteral("\r\n"))) return {QStringLiteral("no final CR LF")};
    text.chop(2);
    return text.split(QStringLiteral("\r\n"));
}

}  // namespace

class AnalyzeTest : public QObject {
    Q_OBJECT

private:
    WindowFixture fx_;
    QTemporaryDir dataHome_;

private slots:
    void initTestCase() { qputenv("XDG_DATA_HOME", dataHome_.path().toUtf8()); }

    // Grey 106 everywhere: its JPEG at quality 66 decodes to the same grey
    // (DC -176 is 16 steps of 11), and blur and sharpening change nothing.
    void singleFormOfAFlatGreyPicture() {
        const QString a = fx_.path("grey.bmp");
        WriteFlatPicture(a, 64, 64, 106, 106, 106);  // 54 + 64 × 192 = 12342 bytes
        auto form = fx_.makeWindow({a});
        QVERIFY(form);
        QStringList opened;
        form->urlOpener = [&](const QUrl& u) {
            opened << u.toLocalFile();
            return true;
        };
        fx_.asked.clear();
        form->action("onAnalyze")->trigger();
        QCOMPARE(fx_.asked.size(), size_t(1));
        QVERIFY(fx_.asked[0].ends_with("\n\nSave to text file?"));
        QCOMPARE(opened.size(), 1);
        QVERIFY(opened[0].startsWith(dataHome_.path()));
        QVERIFY(opened[0].endsWith(QStringLiteral("/ImageReport.txt")));
        const QStringList lines = ReportLines(opened[0]);
        QCOMPARE(lines.size(), 21);
        // Fit to window is on: the picture does not show as it is.
        QCOMPARE(lines[0], QStringLiteral("Filename: grey.bmp (modified)"));
        QCOMPARE(lines[1], QStringLiteral("Location: ") + fx_.dir.path() + QStringLiteral("/"));
        QCOMPARE(lines[2], QString());
        QCOMPARE(lines[3], QStringLiteral("Red values:  Mean = 106.00  sd. = 0.00  gamut = 0"));
        QCOMPARE(lines[5], QStringLiteral("Blu values:  Mean = 106.00  sd. = 0.00  gamut = 0"));
        QCOMPARE(lines[7], QStringLiteral("Gry values:  Mean = 106.00  sd. = 0.00  gamut = 0"));
        QCOMPARE(lines[8], QStringLiteral("Sat values:  Mean = 0.00  sd. = 0.00  gamut = 0"));
        QCOMPARE(lines[11], QStringLiteral("Estimated Unique Colors: 0"));
        // Equal gamuts: one byte a pixel, 4096 ÷ 12342 = 0.3318...
        QCOMPARE(lines[13], QStringLiteral("Filesize: 12342 bytes (.33 : 1 compression)"));
        QCOMPARE(lines[15], QStringLiteral("Color Diversity Index = 0.00 (higher is better)"));
        QCOMPARE(lines[16], QStringLiteral("JPEG Quality Index = 0.00 (higher is better)"));
        QCOMPARE(lines[17], QStringLiteral("Smoothness Index = 0.00 (lower is softer)"));
        QCOMPARE(lines[18], QStringLiteral("Detail Index = 0.00 (higher is sharper)"));
        // S = D = 0: the rating is the quality index, 0, printed without digits.
        QCOMPARE(lines[20], QStringLiteral("Overall Rating =  (higher is better)"));
        QVERIFY(!form->workspace().Modified);
        QCOMPARE(form->workspace().Image.scanLine(10)[30], uint8_t(106));
    }

    void infoButtonAndCompareForm() {
        const QString a = fx_.path("c1.bmp"), b = fx_.path("c2.bmp");
        WriteFlatPicture(a, 32, 32, 106, 106, 106);
        WriteFlatPicture(b, 32, 32, 106, 106, 106);
        auto form = fx_.makeWindow({a});
        QVERIFY(form);
        QStringList opened;
        form->urlOpener = [&](const QUrl& u) {
            opened << u.toLocalFile();
            return true;
        };
        // One bookmark: Ctrl is ignored and the button shows the file information.
        fx_.asked.clear();
        form->onAnalyze(Qt::ControlModifier, true);
        QCOMPARE(fx_.asked.size(), size_t(1));
        QVERIFY(fx_.asked[0].find("Size: 3126 bytes") != std::string::npos);
        QVERIFY(opened.isEmpty());
        form->openFiles({b.toStdString()});
        // Two bookmarks, no key: still the information box.
        fx_.asked.clear();
        form->onAnalyze({}, true);
        QVERIFY(fx_.asked[0].find("Size: 3126 bytes") != std::string::npos);
        // With Ctrl: both pictures, saved without a question, no verdict for twins.
        fx_.asked.clear();
        form->onAnalyze(Qt::ControlModifier, true);
        QVERIFY(fx_.asked.empty());
        QCOMPARE(opened.size(), 1);
        const QStringList lines = ReportLines(opened[0]);
        QCOMPARE(lines.size(), 2 * 9 + 2);
        QVERIFY(lines[0].startsWith(QStringLiteral("Filename: c")));
        QCOMPARE(lines[2], QStringLiteral("Estimated Unique Colors: 0"));
        QCOMPARE(lines[3], QStringLiteral("Filesize: 3126 bytes (.33 : 1 compression)"));
        QCOMPARE(lines[9], QString());
        QCOMPARE(lines[10], QString());
        QVERIFY(lines[11].startsWith(QStringLiteral("Filename: c")));
        QVERIFY(lines[0] != lines[11]);
        QVERIFY(!lines.join(QLatin1Char('\n')).contains(QStringLiteral("values:")));
        QVERIFY(!lines.join(QLatin1Char('\n')).contains(QStringLiteral("is better.")));
        // The menu item compares two bookmarks without any key.
        form->action("onAnalyze")->trigger();
        QCOMPARE(opened.size(), 2);
        QCOMPARE(ReportLines(opened[1]).size(), 20);
    }

    void fileInfoOfAJpegGoesToJpegText() {
        const QString bmp = fx_.path("j.bmp"), jpg = fx_.path("j.jpg");
        WriteFlatPicture(bmp, 16, 16, 50, 60, 70);
        {
            Workspace ws;
            ws.setImage(Bitmap(16, 16, 24));
            QVERIFY(SaveImageFile(ws, jpg.toStdString(), SaveFormat::Jpeg).status == SaveStatus::Saved);
        }
        QVERIFY(AddJpegComment(jpg.toStdString(), "shot on a Tuesday", BakPolicy::Refuse).ok());
        auto form = fx_.makeWindow({jpg});
        QVERIFY(form);
        fx_.asked.clear();
        form->onImageInfo();
        QVERIFY(fx_.asked.empty());
        JpegTextWindow* w = form->jpegTextWindow(false);
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->memo()->toPlainText(), QStringLiteral("shot on a Tuesday"));
        QVERIFY(w->labelData()->text().startsWith(QStringLiteral("View: 16x16(24)")));
        QVERIFY(w->labelData()->text().contains(QStringLiteral("\r\nSize: ")));
        QVERIFY(!w->labelData()->text().contains(QStringLiteral("Name: ")));
    }
};

QTEST_MAIN(AnalyzeTest)
#include "main_window_analyze_qtest.moc"
