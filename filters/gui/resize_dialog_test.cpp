#include "filters/gui/resize_dialog.h"

#include <gtest/gtest.h>

#include "ui/test_app.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace vimbra {
namespace {

TEST(ResizeMath, AspectSideRoundsHalvesToEven) {
    EXPECT_EQ(AspectSide(50, 100, 75), 38);  // 37.5
    EXPECT_EQ(AspectSide(30, 100, 75), 22);  // 22.5
    EXPECT_EQ(AspectSide(70, 100, 75), 52);  // 52.5
    EXPECT_EQ(AspectSide(38, 75, 100), 51);  // 50.67
}

TEST(ResizeMath, AspectFitKeepsBothWithinTheMaxima) {
    EXPECT_EQ(AspectFit(50, 100, 75, 16384, 16384), QSize(50, 38));
    // 10000 wide needs 20000 high: the height stops at 16384, the width follows.
    EXPECT_EQ(AspectFit(10000, 100, 200, 16384, 16384), QSize(8192, 16384));
    EXPECT_EQ(AspectFitHeight(500, 300, 100, 1000, 1000), QSize(1000, 333));
    // A very flat picture never gets a side of 0.
    EXPECT_EQ(AspectFit(1, 1000, 1, 16384, 16384), QSize(1, 1));
}

TEST(ResizeMath, PercentagesAndTheirSpinButtons) {
    EXPECT_EQ(PercentToSize(50, 100, 16384).value, 50);    // (5000 × 100 + 5000) div 10000
    EXPECT_EQ(PercentToSize(12.5, 75, 16384).value, 9);    // 98750 div 10000
    EXPECT_EQ(PercentToSize(33.5, 100, 1000).value, 34);
    EXPECT_FALSE(PercentToSize(50, 100, 16384).changed);
    const Clamped low = PercentToSize(0, 100, 16384);
    EXPECT_EQ(low.value, 1);
    EXPECT_TRUE(low.changed);
    const Clamped high = PercentToSize(200, 10000, 16384);
    EXPECT_EQ(high.value, 16384);
    EXPECT_TRUE(high.changed);
    EXPECT_EQ(SizeToPercent(38, 75), 51);
    EXPECT_EQ(SizeToPercent(50, 100), 50);
    EXPECT_EQ(PercentStepUp("50"), "51.9");
    EXPECT_EQ(PercentStepUp("50.9"), "51.9");
    EXPECT_EQ(PercentStepUp("junk"), "1.9");
    EXPECT_EQ(PercentStepDown("50"), "49");
    EXPECT_EQ(PercentStepDown("50.9"), "50");
    EXPECT_EQ(PercentStepDown("0"), "0");
    EXPECT_EQ(ClampValue(0, 1, 10).value, 1);
    EXPECT_TRUE(ClampValue(11, 1, 10).changed);
    EXPECT_FALSE(ClampValue(5, 1, 10).changed);
}

TEST(ResizeDialog, ScalingFormFollowsTheAspect) {
    EnsureApp();
    ResizeDialog dlg(0, 0, 100, 75, "Image Resize", 24, 16384, 16384);
    EXPECT_TRUE(dlg.scalingForm());
    EXPECT_TRUE(dlg.Aspect->isChecked());
    EXPECT_EQ(dlg.CopyOp->currentText(), "Normal");
    EXPECT_FALSE(dlg.CopyOp->isEnabled());
    EXPECT_EQ(dlg.EditXScale->text(), "100");
    dlg.EditWidth->setValue(50);
    EXPECT_EQ(dlg.EditHeight->value(), 38);
    EXPECT_EQ(dlg.EditYScale->text(), "51");
    dlg.EditXScale->setText("200");
    emit dlg.EditXScale->textEdited("200");
    EXPECT_EQ(dlg.result().width, 200);
    EXPECT_EQ(dlg.result().height, 150);
    dlg.EditWidth->setValue(20000);  // clamped to the maximum
    EXPECT_EQ(dlg.result().width, 16384);
    EXPECT_EQ(dlg.result().height, 12288);
    dlg.btnReset->click();
    EXPECT_EQ(dlg.result().width, 100);
    EXPECT_EQ(dlg.result().height, 75);
    dlg.Aspect->setChecked(false);
    dlg.EditHeight->setValue(10);
    EXPECT_EQ(dlg.result().width, 100);
}

TEST(ResizeDialog, MonochromeAndViewportModes) {
    EnsureApp();
    ResizeDialog mono(0, 0, 8, 8, "Image Resize", 1, 16384, 16384);
    EXPECT_EQ(mono.CopyOp->currentText(), "Preserve Black");
    EXPECT_TRUE(mono.CopyOp->isEnabled());
    EXPECT_EQ(mono.result().copyOp, 1);
    ResizeDialog viewport(0, 0, 640, 480, "Custom Viewport", 999, 1024, 1280);
    EXPECT_FALSE(viewport.Aspect->isChecked());
}

TEST(ResizeDialog, PositionFormClampsToTheMaxima) {
    EnsureApp();
    ResizeDialog dlg(10, 20, 30, 40, "Adjust Selection", 0, 100, 50);
    EXPECT_FALSE(dlg.scalingForm());
    EXPECT_TRUE(dlg.PanelBorderColor->isHidden());
    dlg.EditWidth->setValue(45);  // x + width within 50
    EXPECT_EQ(dlg.result().width, 40);
    dlg.EditX->setValue(30);
    EXPECT_EQ(dlg.result().x, 10);
    dlg.EditY->setValue(70);  // y + 40 within 100
    EXPECT_EQ(dlg.result().y, 60);
    dlg.EditHeight->setValue(0);
    EXPECT_EQ(dlg.result().height, 1);
}

TEST(ResizeDialog, BorderFormHidesThePositionRows) {
    EnsureApp();
    ResizeDialog border(-1, -1, 10, 10, "Set Border", -2, 127, 127);
    ResizeDialog withRows(0, 0, 10, 10, "Adjust Selection", 0, 127, 127);
    EXPECT_TRUE(border.EditX->isHidden() && border.EditY->isHidden());
    EXPECT_FALSE(border.PanelBorderColor->isHidden());
    EXPECT_LT(border.sizeHint().height(), withRows.sizeHint().height());
    border.EditWidth->setValue(200);
    EXPECT_EQ(border.result().width, 127);
    EXPECT_EQ(border.result().x, -1);
    EXPECT_EQ(border.result().y, -1);
}

}  // namespace
}  // namespace vimbra
