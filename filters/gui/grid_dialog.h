#pragma once
// The grid dialog: divides the picture into up to 8 × 8 cells and returns one
// cell as a rectangle in picture pixels.
#include <functional>

#include <QDialog>
#include <QSize>
#include <QString>

class QComboBox;

namespace vimbra {

struct QuadResult {
    bool cancelled = false;
    int columns = 1, rows = 1;
    // The cell, right and bottom on its last column and row.
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The size the grid is drawn in: 320 × 240 for pictures narrower or lower
// than 64 pixels, otherwise the picture fitted into 320 × 240.
QSize GridPreviewBox(int imageWidth, int imageHeight);
// Fits width × height into the box keeping the aspect ratio (doubling first
// while both are below the box; multiply-divide rounded half away from zero).
QSize FitIntoBox(int width, int height, int boxWidth, int boxHeight);
// The cell at column, row of a columns × rows grid over the picture.
QuadResult GridCell(int imageWidth, int imageHeight, int columns, int rows, int column, int row);
// "Grid Select 213x240  Left=426  Top=240".
QString GridCaption(int cellWidth, int cellHeight, int left, int top);

// The grid of cells drawn with 4-pixel lines; a mouse release picks a cell.
class GridSelectView : public QWidget {
    Q_OBJECT
public:
    explicit GridSelectView(QWidget* parent = nullptr);
    void setGrid(int columns, int rows, int cellWidth, int cellHeight);
    int column() const { return column_; }
    int row() const { return row_; }
    // The cell under a point of the view, or false outside the cells.
    bool cellAt(QPoint point, int& column, int& row) const;
    static constexpr int kLine = 4;

signals:
    void cellReleased(int column, int row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int columns_ = 1, rows_ = 1, cellWidth_ = 1, cellHeight_ = 1;
    int column_ = 0, row_ = 0;
};

class GridDialog : public QDialog {
    Q_OBJECT
public:
    GridDialog(int columns, int rows, int imageWidth, int imageHeight, QWidget* parent = nullptr);

    // The chosen counts and cell (cancelled is left false).
    QuadResult result() const;

signals:
    void helpRequested(int context);

public:
    GridSelectView* SelectGrid = nullptr;
    QComboBox *BoxCols = nullptr, *BoxRows = nullptr;

private:
    void layoutGrid();
    void cellChosen();
    int columns() const;
    int rows() const;

    int imageWidth_, imageHeight_;
    QSize box_;
};

// cancelled is set when the user pressed Cancel; counts and cell come back in
// any case. help opens help at the context given (700).
QuadResult ExecuteGridDialog(QWidget* parent, int columns, int rows, int imageWidth,
                          int imageHeight, std::function<void(int)> help = {});

}  // namespace vimbra
