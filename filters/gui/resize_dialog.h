#pragma once
// The size dialog: width and height with scale percentages, aspect lock and a
// copy mode (mode > 0), or position and size with an optional colour (mode <= 0).
#include <cstdint>

#include <QColor>
#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace vimbra {

struct ResizeResult {
    int x = 0, y = 0, width = -1, height = -1;  // width and height −1: cancelled
    int copyOp = 0;  // 0 "Normal", 1 "Preserve Black", 2 "Preserve White"
    QColor color;
};

// A value clamped to lo..hi, and whether it had to change (a beep).
struct Clamped {
    int value;
    bool changed;
};
Clamped ClampValue(int value, int lo, int hi);

// The other side under Keep Aspect Ratio: value ÷ initial × initialOther to the
// nearest integer, halves to even.
int AspectSide(int value, int initial, int initialOther);
// Width changed to w with the aspect lock: the pair that fits both maxima
// (height recomputed from width, and width from height, until both fit).
QSize AspectFit(int width, int initialWidth, int initialHeight, int maxWidth, int maxHeight);
QSize AspectFitHeight(int height, int initialWidth, int initialHeight, int maxWidth,
                      int maxHeight);
// A typed percentage p: (P × initial + 5000) div 10000 with P = p × 100 to the
// nearest integer, clamped to 1..max.
Clamped PercentToSize(double percent, int initial, int max);
// Percentage of value over initial as a whole number.
int SizeToPercent(int value, int initial);
// The percentage spin buttons: up → next whole number + ".9"; down → the
// previous whole number, not below 0.
QString PercentStepUp(const QString& text);
QString PercentStepDown(const QString& text);

class ResizeDialog : public QDialog {
    Q_OBJECT
public:
    ResizeDialog(int x, int y, int width, int height, const QString& title, int mode,
                int maxHeight, int maxWidth, QWidget* parent = nullptr);

    ResizeResult result() const;
    bool scalingForm() const { return mode_ > 0; }

    QSpinBox *EditWidth = nullptr, *EditHeight = nullptr;
    QLineEdit *EditXScale = nullptr, *EditYScale = nullptr;  // scaling form
    QSpinBox *EditX = nullptr, *EditY = nullptr;             // position form
    QLabel *LabelX = nullptr, *LabelY = nullptr;
    QCheckBox* Aspect = nullptr;
    QComboBox* CopyOp = nullptr;
    QFrame* PanelBorderColor = nullptr;
    QPushButton* btnReset = nullptr;

    // Ok: width and height clamped to their maxima.
    void accept() override;

private:
    void widthChanged(int value);
    void heightChanged(int value);
    void percentEdited(bool horizontal);
    void positionChanged();
    void reset();
    void setSize(QSize size);
    void showPercentages();
    void pickColor();

    const int mode_, maxWidth_, maxHeight_;
    const int initX_, initY_, initWidth_, initHeight_;
    int x_, y_, width_, height_;
    QColor color_;
    bool updating_ = false;
};

ResizeResult ExecuteResizeDialog(QWidget* parent, int x, int y, int width, int height,
                               const QString& title, int mode, int maxHeight, int maxWidth);

}  // namespace vimbra
