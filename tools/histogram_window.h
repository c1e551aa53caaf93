#pragma once
// The histogram window: the five histograms on top of each other in a
// 255 × 255 box, one channel in front, a zoom of the vertical scale and the
// counts of a chosen bin. It only reads the histograms.
#include <functional>

#include <QDialog>

#include "core/tone_tables.h"

class QButtonGroup;
class QLabel;
class QPushButton;
class QSlider;

namespace vimbra {

class HistogramBox : public QWidget {
    Q_OBJECT
public:
    HistogramBox(const Histograms& h, QWidget* parent = nullptr);
    int zoom = 1;
    int front = 3;  // 0 red, 1 green, 2 blue, 3 grey, 4 saturation
    int selected = -1;

signals:
    void clickedAt(int x);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const Histograms& h_;
};

class HistogramWindow : public QDialog {
    Q_OBJECT
public:
    HistogramWindow(const Histograms& h, const QString& title, QWidget* parent = nullptr);

    void selectBin(int bin);
    void zoomClicked();

    HistogramBox* box() const { return box_; }
    QSlider* track() const { return track_; }
    QLabel* readout() const { return bin_; }
    QPushButton* zoomButton() const { return zoom_; }

    std::function<void(int context)> onHelp;

private:
    const Histograms& h_;
    HistogramBox* box_;
    QSlider* track_;
    QLabel* bin_;
    QPushButton* zoom_;
    QButtonGroup* channels_;
};

// Where a window of `size` opens centred on the pointer, kept on `screen`.
QPoint PlaceAtPointer(QPoint pointer, QSize size, QRect screen);

// Modal, centred on the mouse pointer; `help` shows a help context.
void ExecuteHistogramDlg(QWidget* parent, const Histograms& h, const QString& title,
                         std::function<void(int context)> help = {});

}  // namespace vimbra
