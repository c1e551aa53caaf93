#pragma once
// The print setup dialog: a paper preview with the picture, position scroll
// bars, the Size bar, the measure list and the page's specifications.
#include <functional>

#include <QDialog>

#include "desktop/print_layout.h"

class QComboBox;
class QLabel;
class QPrinter;
class QScrollBar;

namespace vimbra {

class PrintDialog : public QDialog {
    Q_OBJECT
public:
    PrintDialog(QPrinter& printer, const QString& fileName, const QImage& picture,
                QWidget* parent = nullptr);

    // Where "Print It" puts the picture, in printer pixels.
    PrintPlacement placement() const { return placement_; }
    PrintPage page() const { return page_; }
    int sizePercent() const;
    void setSizePercent(int percent);
    void setMeasure(PrintMeasure measure);
    void moveTo(int x, int y);
    QString labelText(const char* which) const;  // "width", "height", "x", "y", "settings", "size"
    // The label as drawn: the position labels show their "&" as it is.
    QLabel* label(const char* which) const;

    // Set by the main window: shows a help context.
    std::function<void(int context)> onHelp;

private:
    void AllSpecs();
    void UpdateDocPosition();
    void updatePreview();
    void onSetup();

    QPrinter& printer_;
    QImage picture_;
    PrintPage page_;
    PrintPlacement placement_;
    PrintMeasure measure_ = PrintMeasure::Inches;
    bool updating_ = false;
    QLabel *settings_, *width_, *height_, *x_, *y_, *size_;
    QLabel *paper_, *doc_;
    QScrollBar *xScroll_, *yScroll_, *zoomScroll_;
    QComboBox* measureBox_;
    QWidget* previewArea_;
};

}  // namespace vimbra
