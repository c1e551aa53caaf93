#include "filters/gui/scroll_dialog.h"

#include <gtest/gtest.h>

#include "ui/test_app.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>

namespace vimbra {
namespace {

ScrollDialogSettings Zoom() {
    return {25, 800, 100, 100, 25, {50, 75, 100, 200, 400, 800}, true, false};
}

TEST(ScrollText, ClampsRestoresAndIgnores) {
    const ScrollDialogSettings p = Zoom();
    ScrollTextResult r = ApplyScrollText("1000", p);
    EXPECT_EQ(r.value, 800);
    EXPECT_EQ(r.text, QString("800"));
    r = ApplyScrollText("10", p);
    EXPECT_EQ(r.value, 25);
    EXPECT_EQ(r.text, QString("25"));
    r = ApplyScrollText("abc", p);
    EXPECT_EQ(r.value, 100);
    EXPECT_EQ(r.text, QString("100"));
    r = ApplyScrollText("400", p);
    EXPECT_EQ(r.value, 400);
    EXPECT_FALSE(r.text);
    EXPECT_TRUE(ApplyScrollText("", p).ignored);
    EXPECT_EQ(ApplyScrollText("99999999999", p).value, 800);  // beyond 32 bits, still a number
}

TEST(ScrollText, HexAndPresetTexts) {
    EXPECT_EQ(HexText(1048576), "00100000");
    EXPECT_EQ(HexText(255), "000000FF");
    EXPECT_EQ(HexText(-1), "FFFFFFFF");
    EXPECT_EQ(PresetText(0, 50), "&a = 50");
    EXPECT_EQ(PresetText(2, 60), "&c = 60");
    EXPECT_EQ(PresetText(5, 27000), "&f = 27000");
}

TEST(ScrollText, DialogPlacement) {
    const QRect screen(0, 0, 1920, 1080);
    EXPECT_EQ(CentreOnPointer({295, 174}, {500, 400}, screen), QPoint(353, 313));
    EXPECT_EQ(CentreOnPointer({295, 174}, {100, 50}, screen), QPoint(0, 0));
    EXPECT_EQ(CentreOnPointer({295, 174}, {1900, 1070}, screen), QPoint(1625, 906));
}

TEST(ScrollDialog, TypingClampsWhenAccepted) {
    EnsureApp();
    ScrollDialog dlg("Set Magnification (%)", "", "", Zoom());
    EXPECT_EQ(dlg.windowTitle(), "Set Magnification (%)");
    EXPECT_EQ(dlg.LabelMin->text(), "25");
    EXPECT_EQ(dlg.LabelMax->text(), "800");
    EXPECT_EQ(dlg.CustomSetting->text(), "100");
    EXPECT_TRUE(dlg.HexLabel->isHidden());
    // Typed one key at a time, 130 stays 130: "1" and "13" are below the
    // minimum but are not clamped on the way.
    for (const char* typed : {"1", "13", "130"}) {
        dlg.CustomSetting->setText(typed);
        emit dlg.CustomSetting->textEdited(typed);
    }
    EXPECT_EQ(dlg.CustomSetting->text(), "130");
    EXPECT_EQ(dlg.value(), 130);
    dlg.CustomSetting->setText("1000");
    emit dlg.CustomSetting->textEdited("1000");
    EXPECT_EQ(dlg.value(), 130);
    dlg.accept();
    EXPECT_EQ(dlg.CustomSetting->text(), "800");
    EXPECT_EQ(dlg.value(), 800);
    ScrollDialog again("Set Magnification (%)", "", "", Zoom());
    again.CustomSetting->setText("zoom");
    emit again.CustomSetting->textEdited("zoom");
    again.accept();
    EXPECT_EQ(again.CustomSetting->text(), "100");
    EXPECT_EQ(again.value(), 100);
}

TEST(ScrollDialog, OptionButtonsClearTheFrameCaption) {
    EnsureApp();
    ScrollDialog dlg("Set Screen Gamma (n/100)", "", "", Zoom());
    dlg.show();
    const int captionBottom = dlg.GroupOptions->fontMetrics().height();
    for (QAbstractButton* b : dlg.optionButtons->buttons()) {
        EXPECT_GE(b->y(), captionBottom);
        EXPECT_LE(b->geometry().bottom(), dlg.GroupOptions->height());
    }
}

TEST(ScrollDialog, ScrollBarWritesTheBoxAndHex) {
    EnsureApp();
    ScrollDialogSettings p = Zoom();
    p.Max = 2000000;  // large enough for the hexadecimal label
    ScrollDialog dlg("t", "", "", p);
    EXPECT_FALSE(dlg.HexLabel->isHidden());
    dlg.CustomScrollBar->setValue(1048576);
    EXPECT_EQ(dlg.CustomSetting->text(), "1048576");
    EXPECT_EQ(dlg.HexLabel->text(), "00100000");
    EXPECT_EQ(dlg.CustomScrollBar->pageStep(), 100);
    EXPECT_EQ(dlg.CustomScrollBar->singleStep(), 25);
}

TEST(ScrollDialog, PresetClosesWithItsValue) {
    EnsureApp();
    ScrollDialogSettings rotate{1, 359, 90, 3, 1, {30, 45, 60, 90, 180, 270}, true, false};
    ScrollDialog dlg("Rotate image (deg.)", "", "", rotate);
    EXPECT_EQ(dlg.optionButtons->button(2)->text(), "&c = 60");
    dlg.optionButtons->button(2)->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.value(), 60);
}

TEST(ScrollDialog, NoPresetsMakesItShorter) {
    EnsureApp();
    ScrollDialogSettings artifacts{1, 255, 48, 8, 1, {}, false, false};
    ScrollDialog dlg("Add JPEG artifacts", "1=(low)", "255=(high)", artifacts);
    ScrollDialog full("Set Magnification (%)", "", "", Zoom());
    EXPECT_TRUE(dlg.GroupOptions->isHidden());
    EXPECT_EQ(full.height() - dlg.height(), full.GroupOptions->height() + 12);
    EXPECT_EQ(full.size(), QSize(295, 186));
    EXPECT_EQ(dlg.LabelMin->text(), "1=(low)");
    EXPECT_EQ(dlg.LabelMax->text(), "255=(high)");
}

TEST(ScrollDialog, TrackBarForm) {
    EnsureApp();
    ScrollDialogSettings method{0, 2, 2, 1, 1, {}, false, true};
    ScrollDialog dlg("Color reduction method", "Standard", "Optimal", method);
    EXPECT_TRUE(dlg.CustomScrollBar->isHidden());
    EXPECT_FALSE(dlg.UserTrackBar->isHidden());
    EXPECT_EQ(dlg.LabelMin->text(), "Standard");
    EXPECT_EQ(dlg.LabelMin->x(), dlg.GroupOptions->x() + 4);
    EXPECT_EQ(dlg.value(), 2);
    dlg.UserTrackBar->setValue(0);
    EXPECT_EQ(dlg.value(), 0);
}

}  // namespace
}  // namespace vimbra
