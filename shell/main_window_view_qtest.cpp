// The view commands under the offscreen platform: screen gamma, the aspect
// modes, the custom viewport, the presets and the merged tool bar, the page
// controls and the file-name item of the menu bar.
#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "imagefiles/codecs/tiff_codec.h"
#include "shell/picture_ratio.h"
#include "shell/picture_view.h"
#include "shell/main_window_test_util.h"

using namespace vimbra;
using namespace vimbra::testing;

namespace {

// Blue, green, red of the top-left pixel.
std::array<int, 3> Pixel(const MainWindow& form) {
    const uint8_t* p = const_cast<MainWindow&>(form).workspace().Image.scanLine(0);
    return {p[0], p[1], p[2]};
}

}  // namespace

class MainWindowViewTest : public QObject {
    Q_OBJECT

private:
    WindowFixture fx_;

    std::unique_ptr<MainWindow> formWith(const QString& p) {
        auto form = fx_.makeWindow({p});
        if (form && !QTest::qWaitFor([&] { return form->workspace().CurrentFileName == p.toStdString(); }))
            return nullptr;
        return form;
    }

    QString twoPageTiff() {
        Bitmap page(40, 30, 24);
        std::vector<uint8_t> file = AppendTiffPage({}, page, TiffCompression::None);
        file = AppendTiffPage(file, page, TiffCompression::None);
        const QString p = fx_.path("pages.tif");
        QFile f(p);
        if (!f.open(QIODevice::WriteOnly)) return {};
        f.write(reinterpret_cast<const char*>(file.data()), qint64(file.size()));
        return p;
    }

private slots:
    void init() { QFile::remove(fx_.path("settings.ini")); }

    void screenGammaAppliesToEveryLoadUntilOff() {
        const QString a = fx_.path("a.bmp"), b = fx_.path("b.bmp");
        WriteFlatPicture(a, 4, 2, 64, 16, 100);
        WriteFlatPicture(b, 4, 2, 0, 255, 1);
        auto form = formWith(a);
        QVERIFY(form);
        QString title;
        ScrollDialogSettings param;
        int answer = 200, calls = 0;
        form->scrollDialogHook = [&](const QString& t, const ScrollDialogSettings& p) {
            title = t, param = p, ++calls;
            return answer;
        };
        form->view()->setFocus();
        QTest::keyClick(form->view(), Qt::Key_G);
        QCOMPARE(fx_.asked.back(),
                 std::string("All viewed images will be modified and gamma adjusted;\nsubsequent "
                             "gamma adjustments will be cumulative.\n\n[Ignore] avoids this "
                             "dialog (for experts)."));
        QCOMPARE(fx_.offered.back(), (std::vector<Reply>{Reply::Ok, Reply::Cancel, Reply::Ignore}));
        QCOMPARE(title, QStringLiteral("Set Screen Gamma (n/100)"));
        QCOMPARE(param.Min, 100);
        QCOMPARE(param.Max, 300);
        QCOMPARE(param.Position, 100);
        QCOMPARE(param.LargeStep, 10);
        QCOMPARE(param.SmallStep, 5);
        QCOMPARE(std::vector<int>(param.Presets, param.Presets + 6),
                 (std::vector<int>{100, 125, 135, 150, 165, 185}));
        // Gamma 2: each channel becomes round(√(255 × c)).
        QCOMPARE(Pixel(*form), (std::array<int, 3>{128, 64, 160}));
        QVERIFY(form->action("onViewGamma")->isChecked());
        QVERIFY(!form->workspace().Modified);
        // The next file is adjusted as it loads: 1 → 16, 0 and 255 stay.
        QVERIFY(form->openPicture(b.toStdString()));
        QCOMPARE(Pixel(*form), (std::array<int, 3>{0, 255, 16}));
        // An edited picture is adjusted in place and stays edited; undo takes it back.
        form->runMenuCommand("onNegative");
        QVERIFY(form->openPicture(a.toStdString(), false));
        form->runMenuCommand("onNegative");
        const std::array<int, 3> edited = Pixel(*form);
        QCOMPARE(edited, (std::array<int, 3>{127, 191, 95}));
        form->action("onViewGamma")->trigger();
        // Screen gamma 2 on top of the first: √(255 × 127) = 179.96, √(255 × 191) = 220.69,
        // √(255 × 95) = 155.64.
        QCOMPARE(Pixel(*form), (std::array<int, 3>{180, 221, 156}));
        QVERIFY(form->workspace().Modified);
        form->onUndo();
        QCOMPARE(Pixel(*form), edited);
        form->workspace().Modified = false;
        // Cancel at the question: no dialog, nothing changes.
        fx_.replies = {Reply::Cancel};
        calls = 0;
        form->onViewGamma();
        QCOMPARE(calls, 0);
        QVERIFY(form->action("onViewGamma")->isChecked());
        // Ignore goes on and silences the question; 100 switches it off and
        // the file is read afresh.
        fx_.replies = {Reply::Ignore};
        answer = 100;
        const size_t asked = fx_.asked.size();
        form->action("onViewGamma")->trigger();
        QCOMPARE(calls, 1);
        QVERIFY(!form->action("onViewGamma")->isChecked());
        QCOMPARE(Pixel(*form), (std::array<int, 3>{64, 16, 100}));
        form->onViewGamma();
        QCOMPARE(fx_.asked.size(), asked + 1);
        QCOMPARE(calls, 2);
    }

    void aspectModesReshapeLoadsButNotPages() {
        const QString a = fx_.path("wide.bmp"), b = fx_.path("small.bmp");
        WriteFlatPicture(a, 300, 200, 1, 2, 3);
        WriteFlatPicture(b, 90, 60, 4, 5, 6);
        auto form = formWith(a);
        QVERIFY(form);
        QVERIFY(form->action("onAspect", kAspectMonitor)->isChecked());
        form->action("onAspect", kAspectTv)->trigger();
        QCOMPARE(fx_.asked.back(),
                 std::string("All images will be resized to 4:3 TV aspect.\nThis fixes raw, "
                             "fullscreen DVD image captures (landscape).\nNormal 1:1 images will "
                             "be distorted; video is not modified."));
        QCOMPARE(fx_.offered.back(), (std::vector<Reply>{Reply::Ok, Reply::Cancel}));
        // 200 × 4 ÷ 3 = 266.7: 267 wide, the height kept.
        QCOMPARE(form->workspace().ImageWidth, 267);
        QCOMPARE(form->workspace().ImageHeight, 200);
        QCOMPARE(Pixel(*form), (std::array<int, 3>{1, 2, 3}));
        QVERIFY(!form->workspace().Modified);
        QVERIFY(form->action("onAspect", kAspectTv)->isChecked());
        QVERIFY(!form->action("onAspect", kAspectMonitor)->isChecked());
        QVERIFY(form->openPicture(b.toStdString()));
        QCOMPARE(form->workspace().ImageWidth, 80);
        // Cancel returns to 1:1 and the file is read as it is.
        fx_.replies = {Reply::Cancel};
        form->action("onAspect", kAspectCinema)->trigger();
        QCOMPARE(form->AspectMode, kAspectMonitor);
        QVERIFY(form->action("onAspect", kAspectMonitor)->isChecked());
        QVERIFY(!form->action("onAspect", kAspectCinema)->isChecked());
        QCOMPARE(form->workspace().ImageWidth, 90);
        // A multipage file refuses, and loading one returns to 1:1.
        const QString pages = twoPageTiff();
        form->action("onAspect", kAspectWide)->trigger();
        QCOMPARE(form->workspace().ImageWidth, 107);  // 60 × 16 ÷ 9 = 106.7
        QVERIFY(form->openPicture(pages.toStdString()));
        QCOMPARE(form->AspectMode, kAspectMonitor);
        QCOMPARE(form->workspace().ImageWidth, 40);
        fx_.replies = {Reply::Ok};
        form->action("onAspect", kAspectWide)->trigger();
        QCOMPARE(fx_.asked.back(), std::string("Multipage documents cannot use this feature."));
        QCOMPARE(fx_.offered.back(), std::vector<Reply>{Reply::Ok});
        QCOMPARE(form->AspectMode, kAspectMonitor);
        QVERIFY(form->action("onAspect", kAspectMonitor)->isChecked());
        // Best fit asks nothing and only reduces what does not fit.
        QVERIFY(form->openPicture(b.toStdString()));
        const size_t asked = fx_.asked.size();
        form->action("onAspect", kAspectBestFit)->trigger();
        QCOMPARE(fx_.asked.size(), asked);
        QCOMPARE(form->workspace().ImageWidth, 90);
        const QString huge = fx_.path("huge.bmp");
        WriteFlatPicture(huge, 4000, 100, 7, 8, 9);
        QVERIFY(form->openPicture(huge.toStdString()));
        QCOMPARE(form->workspace().ImageWidth, form->ViewAreaWidth());
        QCOMPARE(form->workspace().ImageHeight, MulDiv(100, form->ViewAreaWidth(), 4000));
    }

    void customViewportSizesThePictureArea() {
        const QString a = fx_.path("vp.bmp");
        WriteFlatPicture(a, 100, 80, 1, 1, 1);
        auto form = formWith(a);
        QVERIFY(form);
        const int w0 = form->ViewAreaWidth(), h0 = form->ViewAreaHeight();
        QString title;
        int asked[4] = {0, 0, 0, 0};
        form->resizeDialogHook = [&](const QString& t, int w, int h, int mw, int mh) {
            title = t, asked[0] = w, asked[1] = h, asked[2] = mw, asked[3] = mh;
            ResizeResult r;
            r.width = 420;
            r.height = 240;
            return r;
        };
        form->action("onAdjustViewport")->trigger();
        QCOMPARE(title, QStringLiteral("Custom Viewport"));
        // The area as it is, within what the screen leaves.
        QCOMPARE(asked[0], std::min(w0, asked[2]));
        QCOMPARE(asked[1], std::min(h0, asked[3]));
        QTRY_COMPARE(form->ViewAreaWidth(), 420);
        QCOMPARE(form->ViewAreaHeight(), 240);
        QVERIFY(!form->FitToWindow);
        QCOMPARE(form->statusPanelText(1), QStringLiteral("100%"));
        // Cancelled: nothing moves.
        form->resizeDialogHook = [](const QString&, int, int, int, int) { return ResizeResult{}; };
        form->onAdjustViewport();
        QCOMPARE(form->ViewAreaWidth(), 420);
    }

    void presetsSetThePanelsAndSizeTheWindow() {
        const QString a = fx_.path("preset.bmp");
        WriteFlatPicture(a, 300, 200, 1, 1, 1);
        auto form = formWith(a);
        QVERIFY(form);
        auto* toolBar = form->findChild<QToolBar*>(QStringLiteral("Toolbar1"));
        form->onFitWindow();
        QVERIFY(!form->FitToWindow);
        form->action("onMinimal")->trigger();
        QVERIFY(form->menuBar()->isVisible());
        QVERIFY(!toolBar->isVisible());
        QVERIFY(!form->pathBox()->isVisible());
        QVERIFY(!form->statusBar()->isVisible());
        QVERIFY(form->action("onMinimal")->isChecked());
        QVERIFY(!form->action("onStandard")->isChecked());
        // Around the picture, but as wide as the menu bar needs.
        QTRY_COMPARE(form->size(), QSize(360, 200 + form->menuBar()->height()));
        form->action("onCompact")->trigger();
        QVERIFY(toolBar->isVisible() && form->pathBox()->isVisible());
        QVERIFY(!form->statusBar()->isVisible());
        QCOMPARE(toolBar->toolButtonStyle(), Qt::ToolButtonIconOnly);
        QVERIFY(form->action("onCompact")->isChecked());
        form->action("onStandard")->trigger();
        QVERIFY(form->statusBar()->isVisible());
        QCOMPARE(toolBar->toolButtonStyle(), Qt::ToolButtonTextOnly);
        QTRY_COMPARE(form->ViewAreaHeight(), 200);
        // Full screen leaves the presets alone.
        form->onFullScreen();
        QVERIFY(!form->action("onMinimal")->isEnabled());
        form->onMinimal();
        form->onFullScreen();
        QVERIFY(form->statusBar()->isVisible());
        QVERIFY(form->action("onMinimal")->isEnabled());
    }

    void zoomStepsWaitForAScale() {
        auto form = fx_.makeWindow();
        QVERIFY(form);
        QVERIFY(form->FitToWindow);
        for (const char* b : {"Zoom -", "Zoom +"}) QVERIFY(!form->toolButton(QString::fromLatin1(b))->isEnabled());
        form->setZoom(100);
        for (const char* b : {"Zoom -", "Zoom +"}) QVERIFY(form->toolButton(QString::fromLatin1(b))->isEnabled());
    }

    void mergedToolBarSharesThePathBoxRow() {
        auto form = fx_.makeWindow();
        QVERIFY(form);
        auto* toolBar = form->findChild<QToolBar*>(QStringLiteral("Toolbar1"));
        auto* pathBar = form->findChild<QToolBar*>(QStringLiteral("PathBox"));
        QVERIFY(form->toolBarBreak(pathBar));
        form->setMergedToolBar(true);
        QVERIFY(!form->toolBarBreak(pathBar));
        // One row: the path box's switch now stands for both.
        form->MainMenuPopup(MainWindow::PopupPlace::ToolBars);
        QVERIFY(!form->contextAction("onToolbarVisible")->isVisible());
        QVERIFY(!form->contextAction("onClassicStyle")->isVisible());
        QCOMPARE(form->contextAction("onPathbox")->text(), QStringLiteral("&Tool bar"));
        QCOMPARE(toolBar->toolButtonStyle(), Qt::ToolButtonIconOnly);
        QTRY_COMPARE(toolBar->y(), pathBar->y());
        QVERIFY(toolBar->x() < pathBar->x());
        // Icons instead of captions, and the path box stays in the row.
        QVERIFY(!form->toolButton(QStringLiteral("Back"))->icon().isNull());
        QCOMPARE(pathBar->toolButtonStyle(), Qt::ToolButtonIconOnly);
        QTRY_VERIFY(form->pathBox()->isVisible());
        const QString small = fx_.path("small.bmp");
        WriteFlatPicture(small, 40, 30, 1, 2, 3);
        QVERIFY(form->openPicture(small.toStdString()));
        form->onFitWindowTo(2);
        QTRY_VERIFY(form->pathBox()->isVisible());
        QVERIFY(form->pathBox()->width() >= 64);
        // The path box's switch takes both away and back.
        form->contextAction("onPathbox")->trigger();
        QVERIFY(!toolBar->isVisible() && !pathBar->isVisible());
        form->contextAction("onPathbox")->trigger();
        QVERIFY(toolBar->isVisible() && pathBar->isVisible());
        form->setMergedToolBar(false);
        QVERIFY(form->toolBarBreak(pathBar));
        form->MainMenuPopup(MainWindow::PopupPlace::ToolBars);
        QCOMPARE(form->contextAction("onPathbox")->text(), QStringLiteral("&Path box"));
        QVERIFY(form->contextAction("onToolbarVisible")->isVisible());
        QCOMPARE(toolBar->toolButtonStyle(), Qt::ToolButtonTextOnly);
        // Kept at close.
        QVERIFY(form->close());
        QSettings written(fx_.path("settings.ini"), QSettings::IniFormat);
        QCOMPARE(int(written.value(QStringLiteral("VControls6014")).toByteArray().at(145)), 0);
    }

    void pageControlsFollowTheFile() {
        const QString single = fx_.path("one.bmp");
        WriteFlatPicture(single, 10, 10, 1, 1, 1);
        auto form = formWith(single);
        QVERIFY(form);
        QToolButton* page = form->toolButton(QStringLiteral("Page"));
        QVERIFY(page && !page->isEnabled());
        QVERIFY(!form->topMenu(QStringLiteral("&View/&Page"))->menuAction()->isVisible());
        QVERIFY(!form->action("onPageChange", 1)->isEnabled());
        QVERIFY(form->openPicture(twoPageTiff().toStdString()));
        QVERIFY(page->isEnabled());
        QVERIFY(form->topMenu(QStringLiteral("&View/&Page"))->menuAction()->isVisible());
        QVERIFY(form->action("onPageChange", 999)->isEnabled());
        QCOMPARE(form->statusPanelText(0), QStringLiteral("Page 1 of 2"));
        page->click();
        QCOMPARE(form->statusPanelText(0), QStringLiteral("Page 2 of 2"));
        form->action("onPageChange", 1)->trigger();
        QCOMPARE(form->statusPanelText(0), QStringLiteral("Page 1 of 2"));
        QVERIFY(form->openPicture(single.toStdString()));
        QVERIFY(!page->isEnabled());
    }

    void fileNameItemNamesTheFileAndShowsItsFacts() {
        auto form = fx_.makeWindow();
        QVERIFY(form);
        QAction* item = form->fileNameItem();
        QCOMPARE(item->text(), QStringLiteral("."));
        QCOMPARE(form->menuBar()->actions().back(), item);
        // Nothing to tell about the blank picture.
        const size_t asked = fx_.asked.size();
        item->trigger();
        QCOMPARE(fx_.asked.size(), asked);
        const QString p = fx_.path("fish & chips.bmp");
        WriteFlatPicture(p, 12, 7, 1, 1, 1);
        QVERIFY(form->openPicture(p.toStdString()));
        QCOMPARE(item->text(), QStringLiteral("fish && chips.bmp"));
        item->trigger();
        const QString info = QString::fromStdString(fx_.asked.back());
        QVERIFY(info.startsWith(QStringLiteral("12x7(24) dib\n")));
        QVERIFY(info.contains(QStringLiteral("Name: fish & chips.bmp\n")));
    }
    void undoTakesTheHandAndLeavesThePages() {
        auto form = formWith(twoPageTiff());
        QVERIFY(form);
        QToolButton* page = form->toolButton(QStringLiteral("Page"));
        QVERIFY(page->isEnabled());
        form->runMenuCommand("onNegative");
        form->onSelect();
        QVERIFY(form->SelectToolActive);
        form->action("onUndo")->trigger();
        QVERIFY(!form->SelectToolActive);
        QVERIFY(form->action("onHand")->isChecked());
        QVERIFY(!page->isEnabled());
        QVERIFY(!form->action("onPageChange", 1)->isEnabled());
        QVERIFY(!form->contextAction("onPageChange", 999)->isEnabled());
        QVERIFY(!form->topMenu(QStringLiteral("&View/&Page"))->menuAction()->isEnabled());
        form->workspace().Modified = false;
    }

    void pictureCommandsWaitForTheFirstPicture() {
        auto form = fx_.makeWindow();
        QVERIFY(form);
        const char* handlers[] = {"onSave", "onPrint", "onFullScreen", "onFitWindow", "onCopy",
                                  "onCopyTo", "onMoveTo", "onDelete", "onOptimizeWindow",
                                  "onAdjustViewport", "onImageInfo", "onSelect", "onMask",
                                  "onCompress"};
        for (const char* h : handlers) QVERIFY2(!form->action(h)->isEnabled(), h);
        QVERIFY(!form->action("onFitWindowTo", 4)->isEnabled());
        QVERIFY(!form->contextAction("onFullScreen")->isEnabled());
        for (const char* b : {"Save", "Screen", "Fit", "Adjust", "Select", "Info"})
            QVERIFY2(!form->toolButton(QString::fromLatin1(b))->isEnabled(), b);
        // The ways to a first picture stay open.
        QVERIFY(form->action("onOpen")->isEnabled());
        QVERIFY(form->toolButton(QStringLiteral("Open"))->isEnabled());
        const QString p = fx_.path("first.bmp");
        WriteFlatPicture(p, 10, 10, 1, 1, 1);
        QVERIFY(form->openPicture(p.toStdString()));
        for (const char* h : handlers) QVERIFY2(form->action(h)->isEnabled(), h);
        QVERIFY(form->action("onFitWindowTo", 1)->isEnabled());
        QVERIFY(form->toolButton(QStringLiteral("Save"))->isEnabled());
        QVERIFY(form->toolButton(QStringLiteral("Screen"))->isEnabled());
    }
};

QTEST_MAIN(MainWindowViewTest)
#include "main_window_view_qtest.moc"
