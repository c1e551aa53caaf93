// The main window around a show: menus, bars, shortcuts, tool windows and
// the CD away while it plays, the layout back exactly as it was after it; full
// screen for the show; minimising and closing end it; a program started for
// a script closes.
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QUrl>

#include "media/fake_cd_device_test_util.h"
#include "media/gui/cd_window.h"
#include "shell/main_window.h"
#include "shell/main_window_test_util.h"
#include "shell/script_window.h"
#include "slideshow/gui/show_window.h"
#include "tools/jpeg_text_window.h"
#include "tools/unzip_window.h"

using namespace vimbra;

namespace {

// What the show hides and gives back.
struct Layout {
    bool menuBar, toolBar, pathBox, statusBar, scrollBox, fit, shortcuts;
    std::vector<bool> menus;
    Qt::ContextMenuPolicy popup;
    bool operator==(const Layout&) const = default;
};

Layout LayoutOf(MainWindow& form) {
    Layout l;
    l.menuBar = form.menuBar()->isVisibleTo(&form);
    auto* bar = form.findChild<QToolBar*>(QStringLiteral("Toolbar1"));
    l.toolBar = bar && bar->isVisibleTo(&form);
    l.pathBox = form.pathBox()->isVisibleTo(&form);
    l.statusBar = form.statusBar()->isVisibleTo(&form);
    l.scrollBox = form.scrollBox()->isVisibleTo(&form);
    l.fit = form.FitToWindow;
    l.shortcuts = form.shortcutsEnabled();
    for (QAction* top : form.menuBar()->actions()) l.menus.push_back(top->isEnabled());
    l.popup = form.contextMenuPolicy();
    return l;
}

}  // namespace

class MainWindowShowTest : public QObject {
    Q_OBJECT

private:
    testing::WindowFixture fx_;
    QString red_, green_, avl_;

    // A form with two bookmarked pictures, ready for a bookmark show.
    std::unique_ptr<MainWindow> twoPictures(bool fullScreenShows) {
        auto form = fx_.makeWindow();
        if (!form) return nullptr;
        form->showsFullScreen = fullScreenShows;
        form->openPicture(red_.toStdString());
        form->openPicture(green_.toStdString());
        return form;
    }

private slots:
    void initTestCase() {
        // The program closing after its show must not end the test run.
        QApplication::setQuitOnLastWindowClosed(false);
        red_ = QString::fromStdString(testing::WriteFlatPicture(fx_.path("red.bmp"), 64, 48, 0, 0, 255));
        green_ = QString::fromStdString(testing::WriteFlatPicture(fx_.path("green.bmp"), 64, 48, 0, 255, 0));
        avl_ = fx_.path("trip.avl");
        QVERIFY(testing::WriteAll(avl_, "[Header]\r\nN=3\r\n[Directory]\r\n0=\r\n[1]\r\nF=red.bmp,0\r\nW=30\r\n"
                                        "[2]\r\nF=green.bmp,0\r\nW=30\r\n"));
    }

    void everythingHiddenWhilePlayingAndBackAfter() {
        auto form = twoPictures(false);
        QVERIFY(form);
        // A layout of the user's own: no status bar, zoomed rather than fitted.
        form->setStatusBarShown(false);
        form->onFitWindow();
        QVERIFY(!form->FitToWindow);
        const Layout before = LayoutOf(*form);
        QVERIFY(before.menuBar && before.toolBar && before.pathBox && !before.statusBar);
        QVERIFY(std::find(before.menus.begin(), before.menus.end(), true) != before.menus.end());
        QAction* run = form->action("onHistorySlideshow");
        const QKeySequence runKeys = run->shortcut();

        form->onHistorySlideshow();
        ShowWindow* show = form->showWindow();
        QVERIFY(show);
        QCOMPARE(show->parentWidget(), form.get());
        QCOMPARE(show->geometry(), form->rect());
        QVERIFY(show->isVisible());
        QCOMPARE(form->focusWidget(), show);
        QVERIFY(form->windowTitle().startsWith(QStringLiteral("Slide ")));
        const Layout during = LayoutOf(*form);
        QVERIFY(!during.menuBar && !during.toolBar && !during.pathBox && !during.statusBar && !during.scrollBox);
        QVERIFY(during.fit);
        QCOMPARE(during.menus, std::vector<bool>(before.menus.size(), false));
        QCOMPARE(during.popup, Qt::NoContextMenu);
        QVERIFY(!during.shortcuts);
        QVERIFY(run->shortcut().isEmpty());
        // The window coming back into focus does not give the keys back to the menus.
        form->followFocusWindow(form->windowHandle());
        QVERIFY(!form->shortcutsEnabled());
        // The viewer's own keys stay with the show: W would go full screen, Right move on.
        const int32_t mark = form->bookmarks().BookmarkIndex();
        QTest::keyClick(show, Qt::Key_W);
        QTest::keyClick(show, Qt::Key_Right);
        QVERIFY(!form->FullScreen);
        QCOMPARE(form->bookmarks().BookmarkIndex(), mark);
        QCOMPARE(form->showWindow(), show);
        // The window follows its host's size.
        form->resize(form->width() + 40, form->height() + 30);
        QCOMPARE(show->geometry(), form->rect());

        QTest::keyClick(show, Qt::Key_Escape);
        QVERIFY(!form->showWindow());
        QVERIFY(!form->windowTitle().startsWith(QStringLiteral("Slide ")));
        QCOMPARE(LayoutOf(*form), before);
        QCOMPARE(run->shortcut(), runKeys);
        QVERIFY(!form->workspace().CriticalProcess);
    }

    void alwaysFullScreenEnteredAndLeft() {
        auto form = twoPictures(true);
        QVERIFY(form);
        QVERIFY(form->settings().alwaysFullScreen);
        const QRect bounds = form->geometry();
        const Layout before = LayoutOf(*form);
        const bool withMenus = form->settings().fullScreenMenus;
        form->onHistorySlideshow();
        QVERIFY(form->showWindow());
        QVERIFY(form->FullScreen);
        QVERIFY(form->isFullScreen());
        QVERIFY(!form->settings().fullScreenMenus);
        QTRY_COMPARE(form->showWindow()->geometry(), form->rect());
        QTest::mouseClick(form->showWindow(), Qt::LeftButton);
        QVERIFY(!form->showWindow());
        QVERIFY(!form->FullScreen);
        QTRY_COMPARE(form->geometry(), bounds);
        QCOMPARE(LayoutOf(*form), before);
        QCOMPARE(form->settings().fullScreenMenus, withMenus);

        // A maximised window is maximised again after the show's full screen.
        form->showMaximized();
        QTRY_VERIFY(form->isMaximized());
        form->onHistorySlideshow();
        QVERIFY(form->isFullScreen());
        QTest::keyClick(form->showWindow(), Qt::Key_Escape);
        QTRY_VERIFY(form->isMaximized());
        QVERIFY(!form->FullScreen);
        form->showNormal();

        // Full screen before the show: it stays so afterwards.
        form->onFullScreen();
        QVERIFY(form->FullScreen);
        const Layout full = LayoutOf(*form);
        form->onHistorySlideshow();
        QVERIFY(form->showWindow());
        QTest::keyClick(form->showWindow(), Qt::Key_Escape);
        QVERIFY(form->FullScreen);
        QCOMPARE(LayoutOf(*form), full);
        form->onFullScreen();
    }

    void minimisingStopsTheShow() {
        auto form = twoPictures(false);
        QVERIFY(form);
        const Layout before = LayoutOf(*form);
        // The tool windows open beside the viewer go out of the way for the show.
        std::vector<QWidget*> tools{form->scriptWindow(true), form->unzipWindow(true), form->jpegTextWindow(true)};
        for (QWidget* w : tools) w->show();
        // A playing CD stops.
        FakeCdState cd;
        form->cdDeviceFactory = FakeCdFactory(cd);
        form->onCdPlayer();
        QVERIFY(form->cdWindow());
        form->cdWindow()->button(QStringLiteral("Play"))->click();
        QCOMPARE(cd.mode, CdMode::Playing);
        form->onHistorySlideshow();
        QVERIFY(form->showWindow());
        for (QWidget* w : tools) QVERIFY(w->isHidden());
        QCOMPARE(cd.mode, CdMode::Stopped);
        form->setWindowState(form->windowState() | Qt::WindowMinimized);
        QTRY_VERIFY(!form->showWindow());
        QVERIFY(!(form->windowState() & Qt::WindowMinimized));
        QCOMPARE(LayoutOf(*form), before);
    }

    void slidesThatCouldNotPlayAreReportedAfterTheShow() {
        const QString avl = fx_.path("cd.avl");
        QVERIFY(testing::WriteAll(avl, "[Header]\r\nN=3\r\n[Directory]\r\n0=\r\n[1]\r\nF=red.bmp,0\r\nW=0\r\n"
                                       "[2]\r\nX=2\r\nW=0\r\n"));
        auto form = fx_.makeWindow();
        QVERIFY(form);
        form->showsFullScreen = false;
        form->setStatusBarShown(true);
        FakeCdState cd;
        cd.openable = false;  // no disc in the drive
        form->cdDeviceFactory = FakeCdFactory(cd);
        QVERIFY(form->startAvlShow(avl.toStdString()));
        ShowWindow* show = form->showWindow();
        QVERIFY(show);
        // The show goes on past the CD slide, round to the picture again.
        QTRY_VERIFY(form->windowTitle().startsWith(QStringLiteral("Slide 2")));
        QTRY_VERIFY(form->windowTitle().startsWith(QStringLiteral("Slide 1")));
        QVERIFY(form->showWindow());
        QVERIFY(!form->statusBar()->isVisible());
        QTest::keyClick(show, Qt::Key_Escape);
        QVERIFY(!form->showWindow());
        QVERIFY2(form->statusBar()->currentMessage().startsWith(QStringLiteral("Slides skipped: ")),
                 qPrintable(form->statusBar()->currentMessage()));
    }

    void aBookmarkGoneDuringTheShowLeavesTheBlankPicture() {
        testing::WindowFixture own;
        const QString a = own.path("a.bmp"), b = own.path("b.bmp");
        testing::WriteFlatPicture(a, 64, 48, 1, 2, 3);
        testing::WriteFlatPicture(b, 64, 48, 3, 2, 1);
        auto form = own.makeWindow();
        QVERIFY(form);
        form->showsFullScreen = false;
        QVERIFY(form->openPicture(a.toStdString()) && form->openPicture(b.toStdString()));
        form->onHistorySlideshow();
        QVERIFY(form->showWindow());
        // The picture on screen is the bookmark reopened at the end.
        const QString shown = form->showWindow()->windowTitle().section(QStringLiteral("\n "), 1);
        QVERIFY(shown == a || shown == b);
        QVERIFY(QFile::remove(shown));
        own.asked.clear();
        QTest::keyClick(form->showWindow(), Qt::Key_Escape);
        QCOMPARE(form->workspace().CurrentFileName, std::string("Untitled"));
        QCOMPARE(own.asked, std::vector<std::string>{});
    }

    void closingDuringAShowOnlyStopsIt() {
        auto form = twoPictures(false);
        QVERIFY(form);
        form->onFitWindow();  // zoomed: the show fits for itself only
        form->onHistorySlideshow();
        QVERIFY(form->showWindow());
        // Files dropped meanwhile are ignored.
        const QString blue = fx_.path("blue.bmp");
        testing::WriteFlatPicture(blue, 8, 8, 255, 0, 0);
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(blue)});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &enter);
        QVERIFY(!enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &drop);
        QCOMPARE(form->bookmarks().size(), size_t(2));
        QVERIFY(form->showWindow());
        // The close request ends the show and is refused.
        QVERIFY(!form->close());
        QVERIFY(!form->showWindow());
        QVERIFY(form->isVisible());
        QVERIFY(!form->FitToWindow);
        QVERIFY(form->close());
        // What was saved at close is the user's layout, not the show's.
        QVERIFY(!form->settings().FitToWindow);
    }

    void programStartedForAScriptClosesAtItsEnd() {
        testing::WindowFixture played;
        auto form = played.makeWindow({avl_});
        QVERIFY(form);
        QTRY_VERIFY(form->showWindow());
        QVERIFY(form->FullScreen);  // started to play: full screen whatever the option
        QTest::keyClick(form->showWindow(), Qt::Key_Escape);
        QVERIFY(!form->FullScreen);
        QTRY_VERIFY(!form->isVisible());

        // Started with a picture, the program stays after a script's show.
        testing::WindowFixture viewing;
        auto viewer = viewing.makeWindow({red_});
        QVERIFY(viewer);
        viewer->showsFullScreen = false;
        QVERIFY(viewer->openPicture(avl_.toStdString()));
        QTest::keyClick(viewer->showWindow(), Qt::Key_Escape);
        QTest::qWait(20);
        QVERIFY(viewer->isVisible());

        // A bad script given on the command line is reported, then the program closes.
        testing::WindowFixture refusing;
        const QString bad = refusing.path("bad.avl");
        QVERIFY(testing::WriteAll(bad, "nothing here"));
        auto refused = refusing.makeWindow({bad});
        QVERIFY(refused);
        QTRY_VERIFY(!refused->isVisible());
        QCOMPARE(refusing.asked, std::vector<std::string>{"Bad AVL file."});
    }
};

QTEST_MAIN(MainWindowShowTest)
#include "main_window_show_qtest.moc"
