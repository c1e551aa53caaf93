#include "filters/gui/grid_dialog.h"

#include <algorithm>
#include <cstdlib>

#include <QComboBox>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include "filters/gui/scroll_dialog.h"

namespace vimbra {
namespace {

constexpr int kClientWidth = 368, kClientHeight = 318;
constexpr int kButtonHeight = 25, kButtonTop = kClientHeight - kButtonHeight - 8;
constexpr int kHelpContext = 700;

// a × b ÷ c to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const int64_t p = int64_t(a) * b;
    const int64_t q = c;
    const int64_t r = (std::llabs(p) * 2 + std::llabs(q)) / (2 * std::llabs(q));
    return int((p < 0) != (q < 0) ? -r : r);
}

}  // namespace

QSize FitIntoBox(int w, int h, int bw, int bh) {
    if (w <= 0 || h <= 0) return {bw, bh};
    while (w < bw && h < bh) {
        w *= 2;
        h *= 2;
    }
    QSize r = h < w ? QSize(bw, MulDiv(h, bw, w)) : QSize(MulDiv(w, bh, h), bh);
    if (r.width() > bw) r = QSize(bw, MulDiv(r.height(), bw, r.width()));
    if (r.height() > bh) r = QSize(MulDiv(r.width(), bh, r.height()), bh);
    return r;
}

QSize GridPreviewBox(int imageWidth, int imageHeight) {
    if (imageWidth < 64 || imageHeight < 64) return {320, 240};
    return FitIntoBox(imageWidth, imageHeight, 320, 240);
}

QuadResult GridCell(int imageWidth, int imageHeight, int columns, int rows, int column, int row) {
    QuadResult r;
    r.columns = columns;
    r.rows = rows;
    const int cw = imageWidth / std::max(columns, 1), ch = imageHeight / std::max(rows, 1);
    r.left = column * cw;
    r.top = row * ch;
    r.right = r.left + cw - 1;
    r.bottom = r.top + ch - 1;
    return r;
}

QString GridCaption(int cellWidth, int cellHeight, int left, int top) {
    return QStringLiteral("Grid Select %1x%2  Left=%3  Top=%4")
        .arg(cellWidth)
        .arg(cellHeight)
        .arg(left)
        .arg(top);
}

GridSelectView::GridSelectView(QWidget* parent) : QWidget(parent) {}

void GridSelectView::setGrid(int columns, int rows, int cellWidth, int cellHeight) {
    columns_ = columns;
    rows_ = rows;
    cellWidth_ = std::max(cellWidth, 1);
    cellHeight_ = std::max(cellHeight, 1);
    column_ = row_ = 0;  // a new grid starts at the top left cell
    resize((cellWidth_ + kLine) * columns_, (cellHeight_ + kLine) * rows_);
    update();
}

bool GridSelectView::cellAt(QPoint p, int& column, int& row) const {
    if (p.x() < 0 || p.y() < 0) return false;
    column = p.x() / (cellWidth_ + kLine);
    row = p.y() / (cellHeight_ + kLine);
    return column < columns_ && row < rows_;
}

void GridSelectView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Mid));
    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < columns_; ++c) {
            const QRect cell(c * (cellWidth_ + kLine), r * (cellHeight_ + kLine), cellWidth_,
                             cellHeight_);
            const bool chosen = c == column_ && r == row_;
            painter.fillRect(cell, palette().color(chosen ? QPalette::Highlight : QPalette::Base));
        }
}

void GridSelectView::mouseReleaseEvent(QMouseEvent* event) {
    int c = 0, r = 0;
    if (cellAt(event->position().toPoint(), c, r)) {
        column_ = c;
        row_ = r;
        update();
        emit cellReleased(c, r);
    }
    QWidget::mouseReleaseEvent(event);
}

GridDialog::GridDialog(int columns, int rows, int imageWidth, int imageHeight, QWidget* parent)
    : QDialog(parent), imageWidth_(imageWidth), imageHeight_(imageHeight),
      box_(GridPreviewBox(imageWidth, imageHeight)) {
    setFixedSize(kClientWidth, kClientHeight);
    SelectGrid = new GridSelectView(this);
    auto* labelCols = new QLabel(QStringLiteral("&Columns"), this);
    labelCols->setGeometry(8, kButtonTop + 4, 50, 18);
    BoxCols = new QComboBox(this);
    BoxCols->setGeometry(58, kButtonTop + 1, 42, 23);
    auto* labelRows = new QLabel(QStringLiteral("&Rows"), this);
    labelRows->setGeometry(106, kButtonTop + 4, 34, 18);
    BoxRows = new QComboBox(this);
    BoxRows->setGeometry(140, kButtonTop + 1, 42, 23);
    labelCols->setBuddy(BoxCols);
    labelRows->setBuddy(BoxRows);
    for (int i = 1; i <= 8; ++i) {
        BoxCols->addItem(QString::number(i));
        BoxRows->addItem(QString::number(i));
    }
    BoxCols->setCurrentIndex(std::clamp(columns, 1, 8) - 1);
    BoxRows->setCurrentIndex(std::clamp(rows, 1, 8) - 1);
    auto* btnOK = new QPushButton(QStringLiteral("Ok"), this);
    btnOK->setGeometry(188, kButtonTop, 56, kButtonHeight);
    btnOK->setDefault(true);
    auto* btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setGeometry(248, kButtonTop, 56, kButtonHeight);
    auto* btnHelp = new QPushButton(QStringLiteral("&Help"), this);
    btnHelp->setGeometry(308, kButtonTop, 56, kButtonHeight);
    btnHelp->setProperty("helpContext", kHelpContext);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnHelp, &QPushButton::clicked, this, [this] { emit helpRequested(kHelpContext); });
    connect(BoxCols, &QComboBox::currentIndexChanged, this, &GridDialog::layoutGrid);
    connect(BoxRows, &QComboBox::currentIndexChanged, this, &GridDialog::layoutGrid);
    connect(SelectGrid, &GridSelectView::cellReleased, this, &GridDialog::cellChosen);
    layoutGrid();
}

int GridDialog::columns() const { return BoxCols->currentIndex() + 1; }
int GridDialog::rows() const { return BoxRows->currentIndex() + 1; }

void GridDialog::layoutGrid() {
    SelectGrid->setGrid(columns(), rows(), box_.width() / columns(), box_.height() / rows());
    const int w = SelectGrid->width(), h = SelectGrid->height();
    const int left = w >= kClientWidth - 8 ? 1 : (kClientWidth - w) / 2;
    int top = std::max(0, (kClientHeight - h) / 2 - kButtonHeight - 8);
    if (top + h > kButtonTop - 4) top = 1;
    SelectGrid->move(left, top);
    setWindowTitle(GridCaption(imageWidth_ / columns(), imageHeight_ / rows(), 0, 0));
}

void GridDialog::cellChosen() {
    const QuadResult r = result();
    setWindowTitle(GridCaption(imageWidth_ / columns(), imageHeight_ / rows(), r.left, r.top));
}

QuadResult GridDialog::result() const {
    return GridCell(imageWidth_, imageHeight_, columns(), rows(), SelectGrid->column(),
                    SelectGrid->row());
}

QuadResult ExecuteGridDialog(QWidget* parent, int columns, int rows, int imageWidth,
                          int imageHeight, std::function<void(int)> help) {
    GridDialog dlg(columns, rows, imageWidth, imageHeight, parent);
    if (help) QObject::connect(&dlg, &GridDialog::helpRequested, &dlg, help);
    if (const QScreen* screen = QGuiApplication::screenAt(QCursor::pos()))
        dlg.move(CentreOnPointer(dlg.size(), QCursor::pos(), screen->availableGeometry()));
    const bool accepted = dlg.exec() == QDialog::Accepted;
    QuadResult r = dlg.result();
    r.cancelled = !accepted;
    return r;
}

}  // namespace vimbra
