#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QtTest>

#include "shell/options_dialog.h"

using namespace vimbra;

class OptionsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void backColorIsStoredBlueGreenRed() {
        // Red 0x11, green 0x22, blue 0x33 is 0x00332211 in the settings file.
        QCOMPARE(QColorToBackColor(QColor(0x11, 0x22, 0x33)), 0x00332211u);
        QCOMPARE(BackColorToQColor(0x00332211u, QPalette()), QColor(0x11, 0x22, 0x33));
        QCOMPARE(BackColorToQColor(kSystemWindowColor, QPalette()), QPalette().color(QPalette::Base));
    }

    void mergingHidesToolBarAndRenamesPathBox() {
        OptionsDialog form(SettingsRecord::Defaults(), OptionsPage::Viewer, false, 24);
        QCheckBox* merge = form.checkBox("chkMerge");
        QVERIFY(!form.applyButton()->isEnabled());
        QCOMPARE(form.checkBox("chkPathbox")->text(), QString("&Path box"));
        merge->click();
        QVERIFY(form.checkBox("chkToolbar")->isHidden());
        QVERIFY(form.checkBox("chkButtonText")->isHidden());
        QCOMPARE(form.checkBox("chkPathbox")->text(), QString("&Tool bar"));
        QVERIFY(form.applyButton()->isEnabled());
        merge->click();
        QVERIFY(!form.checkBox("chkToolbar")->isHidden());
        QCOMPARE(form.checkBox("chkPathbox")->text(), QString("&Path box"));
    }

    void mergedRecordOpensWithoutToolBarBox() {
        SettingsRecord s = SettingsRecord::Defaults();
        s.mergeToolBar = true;
        OptionsDialog form(s, OptionsPage::Viewer, false, 24);
        QVERIFY(form.checkBox("chkToolbar")->isHidden());
        QCOMPARE(form.checkBox("chkPathbox")->text(), QString("&Tool bar"));
        QVERIFY(!form.applyButton()->isEnabled());
    }

    void dependentControls() {
        OptionsDialog form(SettingsRecord::Defaults(), OptionsPage::Viewer, false, 24);
        QCheckBox* center = form.checkBox("chkAutoCenter");
        QVERIFY(center->isEnabled());
        form.checkBox("chkAutoSize")->click();
        QVERIFY(!center->isEnabled());
        form.checkBox("chkMenubar")->click();
        QVERIFY(!form.checkBox("chkWithMenus")->isEnabled());
        form.checkBox("chkToolbar")->click();
        QVERIFY(!form.checkBox("chkButtonText")->isEnabled());
        form.checkBox("chkMediaControls")->click();
        QVERIFY(!form.checkBox("chkMediaTrack")->isEnabled());
        // Use Screen follows Auto Reduce and is cleared with it.
        QCheckBox* use = form.checkBox("chkUseScreen");
        QVERIFY(!use->isEnabled());
        form.checkBox("chkAutoReduce")->click();
        QVERIFY(use->isEnabled());
        use->click();
        form.checkBox("chkAutoReduce")->click();
        QVERIFY(!use->isChecked());
        QVERIFY(!use->isEnabled());
    }

    void screenDepthAndFullScreen() {
        OptionsDialog svga(SettingsRecord::Defaults(), OptionsPage::Graphics, true, 8);
        QCOMPARE(svga.currentPage(), OptionsPage::Graphics);
        svga.checkBox("chkAutoReduce")->click();
        QVERIFY(!svga.checkBox("chkUseScreen")->isEnabled());  // not on 8-bit screens
        QVERIFY(!svga.checkBox("chkMenubar")->isEnabled());     // full screen
        QVERIFY(!svga.checkBox("chkMaxFullScreen")->isEnabled());
        OptionsDialog deep(SettingsRecord::Defaults(), OptionsPage::Viewer, false, 24);
        QVERIFY(deep.findChild<QComboBox*>("boxJpegPalette")->parentWidget()->isEnabled() == false);
        QVERIFY(svga.findChild<QComboBox*>("boxJpegPalette")->parentWidget()->isEnabled());
    }

    void delayLabel() {
        QCOMPARE(OptionsDialog::DelayLabelText(1500), QString("&Delay = 1.5s"));
        QCOMPARE(OptionsDialog::DelayLabelText(500), QString("&Delay = 0.5s"));
        QCOMPARE(OptionsDialog::DelayLabelText(1999), QString("&Delay = 1.9s"));
        QCOMPARE(OptionsDialog::DelayLabelText(0), QString("&Delay = 0.0s"));
        QCOMPARE(OptionsDialog::DelayLabelText(3600000), QString("&Delay = 3600.0s"));
        OptionsDialog form(SettingsRecord::Defaults(), OptionsPage::Slideshow, false, 24);
        QCOMPARE(form.delayLabel()->text(), QString("&Delay = 0.5s"));
        QCOMPARE(form.delayScrollBar()->maximum(), 3600000);
        QCOMPARE(form.delayScrollBar()->singleStep(), 100);
        QCOMPARE(form.delayScrollBar()->pageStep(), 1000);
        form.delayScrollBar()->setValue(2300);
        QCOMPARE(form.delayLabel()->text(), QString("&Delay = 2.3s"));
        QVERIFY(form.applyButton()->isEnabled());
    }

    void applyHandsBackBeforeAndAfter() {
        SettingsRecord seen_before, seen_after;
        int calls = 0;
        OptionsCallbacks cb;
        cb.apply = [&](const SettingsRecord& b, const SettingsRecord& a) {
            seen_before = b;
            seen_after = a;
            ++calls;
        };
        int helpContext = -1;
        cb.help = [&](int c) { helpContext = c; };
        OptionsDialog form(SettingsRecord::Defaults(), OptionsPage::Multimedia, false, 24, cb);
        form.delayScrollBar()->setValue(2300);
        form.checkBox("chkStatusbar")->click();
        form.applyButton()->click();
        QCOMPARE(calls, 1);
        QCOMPARE(seen_before.SlideDelay, 500);
        QCOMPARE(seen_after.SlideDelay, 2300);
        QVERIFY(!seen_after.statusBar);
        QVERIFY(!form.applyButton()->isEnabled());
        QCOMPARE(form.helpContext(), 500);
        form.findChild<QPushButton*>("btnHelp")->click();
        QCOMPARE(helpContext, 500);
    }

    void executeReturnsOkOrCancelled() {
        SettingsRecord s = SettingsRecord::Defaults();
        QTimer::singleShot(0, [] {
            auto* form = qobject_cast<OptionsDialog*>(QApplication::activeModalWidget());
            QVERIFY(form);
            form->checkBox("chkStatusbar")->click();
            form->reject();
        });
        QCOMPARE(ExecuteOptionsDialog(nullptr, s, OptionsPage::Viewer, false, 24), -999);
        QVERIFY(s.statusBar);
        QTimer::singleShot(0, [] {
            auto* form = qobject_cast<OptionsDialog*>(QApplication::activeModalWidget());
            QVERIFY(form);
            form->checkBox("chkStatusbar")->click();
            form->findChild<QPushButton*>("btnOk")->click();
        });
        QCOMPARE(ExecuteOptionsDialog(nullptr, s, OptionsPage::Viewer, false, 24), 0);
        QVERIFY(!s.statusBar);
    }
};

QTEST_MAIN(OptionsDialogTest)
#include "options_dialog_qtest.moc"
