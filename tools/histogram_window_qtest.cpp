// The histogram window: bin selection by click and track bar, zoom captions.
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "tools/histogram_window.h"

using namespace vimbra;

class HistogramWindowTest : public QObject {
    Q_OBJECT
private slots:
    void clickSelectsTheBinUnderThePointer() {
        Histograms h;
        h.HistPeak = 40;
        h.HistRed[200] = 7, h.HistGry[200] = 40;
        HistogramWindow w(h, QStringLiteral("Histogram [a.bmp]"));
        QTest::mouseClick(w.box(), Qt::LeftButton, {}, QPoint(200, 100));
        QCOMPARE(w.track()->value(), 200);
        QCOMPARE(w.box()->selected, 200);
        QVERIFY(w.readout()->text().startsWith(QStringLiteral("Bin:   200\nMax: 40\nRed: 7\n")));
        w.track()->setValue(10);
        QCOMPARE(w.box()->selected, 10);
    }

    void eightZoomClicksComeBackToOne() {
        Histograms h;
        HistogramWindow w(h, QStringLiteral("t"));
        QStringList captions;
        for (int i = 0; i < 8; ++i) {
            QTest::mouseClick(w.zoomButton(), Qt::LeftButton);
            captions << w.zoomButton()->text();
        }
        QCOMPARE(captions.first(), QStringLiteral("&Zoom x2"));
        QCOMPARE(captions[6], QStringLiteral("&Zoom x8"));
        QCOMPARE(captions.last(), QStringLiteral("&Zoom x1"));
        w.grab();  // paints with an empty histogram (peak 0) without dividing by 0
    }
};

QTEST_MAIN(HistogramWindowTest)
#include "histogram_window_qtest.moc"
