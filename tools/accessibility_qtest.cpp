// Every control of the main window and of the dialogs and tool windows has a
// name a screen reader can say: its caption, or the label beside it.
#include <QAccessible>
#include <QStandardPaths>
#include <QTest>

#include "batch/gui/list_dialog.h"
#include "filters/gui/grid_dialog.h"
#include "filters/gui/mark_properties_dialog.h"
#include "filters/gui/resize_dialog.h"
#include "filters/gui/scroll_dialog.h"
#include "shell/main_window_test_util.h"
#include "shell/options_dialog.h"
#include "shell/script_window.h"
#include "tools/effects_dialog.h"
#include "tools/histogram_window.h"
#include "tools/jpeg_text_window.h"
#include "shell/progress_window.h"
#include "tools/unzip_window.h"
#include "ui/accessible_names.h"

using namespace vimbra;
using namespace vimbra::testing;

namespace {

// The buttons a screen reader reaches without a name, hidden ones included.
void UnnamedButtons(QAccessibleInterface* i, QStringList& out) {
    if (!i) return;
    const QAccessible::Role role = i->role();
    if (i->text(QAccessible::Name).isEmpty() &&
        (role == QAccessible::PushButton || role == QAccessible::CheckBox ||
         role == QAccessible::RadioButton || role == QAccessible::Button))
        out << QString::fromLatin1(i->object() ? i->object()->metaObject()->className() : "?");
    for (int c = 0; c < i->childCount(); ++c) UnnamedButtons(i->child(c), out);
}

void ExpectNamed(QWidget* w) {
    const QStringList unnamed = UnnamedControls(w);
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(QStringLiteral("; "))));
}

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

private:
    WindowFixture fx_;

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void mainWindowAndItsTools() {
        const QString a = fx_.path("a.bmp");
        WriteFlatPicture(a, 40, 30, 1, 2, 3);
        auto form = fx_.makeWindow({a});
        QVERIFY(form);
        ExpectNamed(form.get());
        ExpectNamed(form->scriptWindow(true));
        ExpectNamed(form->jpegTextWindow(true));
    }

    void dialogs() {
        Workspace ws;
        ws.setImage(Bitmap(64, 48, 24));
        FilterDlgParam p;
        p.EffectCode = 150;
        p.sliderCount = 3;
        p.CustomLabels = true;
        for (SliderParam& s : p.sliders) s = {-999, 999, 0, 10, 1, "-999", "+999"};
        EffectsDialog effects(ws, p);
        ExpectNamed(&effects);
        // Every layout: the extra button, the colour panel and the single slider.
        for (int code : {100, 110, 130, 140, 151, 153, 156, 160, 230, 400, 410, 416, 501, 510, 200}) {
            p.EffectCode = code;
            EffectsDialog layout(ws, p);
            layout.show();
            QStringList unnamed = UnnamedControls(&layout);
            UnnamedButtons(QAccessible::queryAccessibleInterface(&layout), unnamed);
            QVERIFY2(unnamed.isEmpty(), qPrintable(QString::number(code) + ": " + unnamed.join("; ")));
        }
        for (int code : {998, 999}) {  // the JPEG wizard
            p.EffectCode = code;
            JpegWizardSettings settings;
            EffectsDialog wizard(ws, p, nullptr, &settings);
            wizard.show();
            QStringList unnamed = UnnamedControls(&wizard);
            UnnamedButtons(QAccessible::queryAccessibleInterface(&wizard), unnamed);
            QVERIFY2(unnamed.isEmpty(), qPrintable(QString::number(code) + ": " + unnamed.join("; ")));
        }
        p.EffectCode = 150;
        OptionsDialog options(SettingsRecord::Defaults(), OptionsPage::Viewer, false, 24);
        ExpectNamed(&options);
        ScrollDialogSettings zoom{25, 800, 100, 100, 25, {50, 75, 100, 200, 400, 800}, true, false};
        ScrollDialog scroll(QStringLiteral("Set Magnification (%)"), {}, {}, zoom);
        ExpectNamed(&scroll);
        ResizeDialog resize(0, 0, 640, 480, QStringLiteral("Image Resize"), 1, 16384, 16384);
        ExpectNamed(&resize);
        GridDialog grid(2, 2, 640, 480);
        ExpectNamed(&grid);
        MarkPropertiesDialog mark(QFont(), QColor(0, 0, 0));
        ExpectNamed(&mark);
        ListDialog list(2, QStringLiteral("Bookmarks"), {QStringLiteral("/a.jpg")}, {});
        ExpectNamed(&list);
        Histograms h;
        HistogramWindow histogram(h, QStringLiteral("Histogram"));
        ExpectNamed(&histogram);
        UnzipWindow unzip;
        ExpectNamed(&unzip);
        GuiFrameHost host(nullptr);
        JpegTextWindow jpegText(host);
        ExpectNamed(&jpegText);
        ProgressWindow progress(ws);
        ExpectNamed(&progress);
    }
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_qtest.moc"
