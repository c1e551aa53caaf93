// The histogram window: bin selection by click and track bar, zoom captions.
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QApplication>
#include <QCursor>
#include <QTest>
#include <QTimer>

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

    void opensCentredOnThePointerKeptOnTheScreen() {
        const QRect screen(0, 0, 1024, 768);
        QCOMPARE(PlaceAtPointer({500, 400}, {353, 343}, screen), QPoint(324, 229));
        QCOMPARE(PlaceAtPointer({10, 10}, {353, 343}, screen), QPoint(0, 0));
        QCOMPARE(PlaceAtPointer({1020, 760}, {353, 343}, screen), QPoint(671, 425));
        // A second screen to the right.
        QCOMPARE(PlaceAtPointer({1030, 5}, {353, 343}, QRect(1024, 0, 800, 600)),
                 QPoint(1024, 0));
    }

    void helpOpensItsTopicAndTheSizeIsFixed() {
        Histograms h;
        QList<int> contexts;
        QSize minimum, maximum;
        QPoint where;
        QTimer::singleShot(50, [&] {
            auto* w = qobject_cast<HistogramWindow*>(QApplication::activeModalWidget());
            QVERIFY(w);
            minimum = w->minimumSize();
            maximum = w->maximumSize();
            where = w->frameGeometry().center();
            for (QPushButton* b : w->findChildren<QPushButton*>())
                if (b->text() == QStringLiteral("&Help")) b->click();
            w->reject();
        });
        QCursor::setPos(400, 300);
        ExecuteHistogramDlg(nullptr, h, QStringLiteral("Histogram [a.bmp]"),
                            [&](int c) { contexts << c; });
        QCOMPARE(contexts, QList<int>{450});
        QVERIFY(!minimum.isEmpty());
        QCOMPARE(minimum, maximum);
        // Centred up to the rounding of odd sizes.
        QVERIFY((where - QCursor::pos()).manhattanLength() <= 4);
    }
};

QTEST_MAIN(HistogramWindowTest)
#include "histogram_window_qtest.moc"
