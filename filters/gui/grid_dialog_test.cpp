#include "filters/gui/grid_dialog.h"

#include <gtest/gtest.h>

#include "ui/test_app.h"

#include <QApplication>
#include <QComboBox>
#include <QMouseEvent>

namespace vimbra {
namespace {

TEST(GridBox, FitsThePictureKeepingItsShape) {
    EXPECT_EQ(GridPreviewBox(640, 480), QSize(320, 240));
    EXPECT_EQ(GridPreviewBox(64, 640), QSize(24, 240));     // 64 × 240 ÷ 640
    EXPECT_EQ(GridPreviewBox(63, 500), QSize(320, 240));    // too narrow to fit
    EXPECT_EQ(GridPreviewBox(500, 63), QSize(320, 240));
    EXPECT_EQ(GridPreviewBox(100, 75), QSize(320, 240));    // doubled twice to 400 × 300
    EXPECT_EQ(GridPreviewBox(150, 100), QSize(320, 213));   // 600 × 400; 400 × 320 ÷ 600 = 213.3
    EXPECT_EQ(GridPreviewBox(640, 321), QSize(320, 161));   // 160.5 goes up
    EXPECT_EQ(GridPreviewBox(1000, 900), QSize(267, 240));  // 320 × 288, then 320 × 240 ÷ 288
    EXPECT_EQ(GridPreviewBox(200, 300), QSize(160, 240));
}

TEST(GridBox, CellRectangleAndCaption) {
    const QuadResult r = GridCell(640, 480, 3, 2, 2, 1);
    EXPECT_EQ(r.left, 426);
    EXPECT_EQ(r.top, 240);
    EXPECT_EQ(r.right, 638);
    EXPECT_EQ(r.bottom, 479);
    const QuadResult one = GridCell(1, 1, 1, 1, 0, 0);
    EXPECT_EQ(one.right, 0);
    EXPECT_EQ(one.bottom, 0);
    EXPECT_EQ(GridCaption(213, 240, 426, 240), "Grid Select 213x240  Left=426  Top=240");
}

TEST(GridDialog, PickingACell) {
    EnsureApp();
    GridDialog dlg(3, 2, 640, 480);
    EXPECT_EQ(dlg.windowTitle(), "Grid Select 213x240  Left=0  Top=0");
    EXPECT_EQ(dlg.size(), QSize(368, 318));
    // Cells of 320 div 3 = 106 by 240 div 2 = 120, each with its 4-pixel line.
    EXPECT_EQ(dlg.SelectGrid->size(), QSize(330, 248));
    EXPECT_EQ(dlg.SelectGrid->x(), (368 - 330) / 2);
    const QPointF at(2 * 110 + 5, 124 + 5);
    QMouseEvent release(QEvent::MouseButtonRelease, at, dlg.SelectGrid->mapToGlobal(at),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(dlg.SelectGrid, &release);
    EXPECT_EQ(dlg.windowTitle(), "Grid Select 213x240  Left=426  Top=240");
    const QuadResult r = dlg.result();
    EXPECT_EQ(r.columns, 3);
    EXPECT_EQ(r.rows, 2);
    EXPECT_EQ(r.left, 426);
    EXPECT_EQ(r.bottom, 479);
    // A new grid starts again at the top left cell.
    dlg.BoxCols->setCurrentIndex(3);
    EXPECT_EQ(dlg.windowTitle(), "Grid Select 160x240  Left=0  Top=0");
    EXPECT_EQ(dlg.result().left, 0);
    EXPECT_EQ(dlg.result().right, 159);
}

TEST(GridDialog, TallPictureAndCountsOutOfRange) {
    EnsureApp();
    GridDialog dlg(0, 12, 64, 640);
    EXPECT_EQ(dlg.BoxCols->currentText(), "1");
    EXPECT_EQ(dlg.BoxRows->currentText(), "8");
    EXPECT_EQ(dlg.SelectGrid->size(), QSize(24 + 4, (240 / 8 + 4) * 8));
    EXPECT_EQ(dlg.windowTitle(), "Grid Select 64x80  Left=0  Top=0");
}

}  // namespace
}  // namespace vimbra
