// The show window offscreen with a test clock, and the viewer's ways into a
// show: the menu item, opening a ".avl" file, unsaved edits.
#include <QAction>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "shell/main_window.h"
#include "shell/main_window_test_util.h"
#include "slideshow/gui/show_window.h"

using namespace vimbra;

namespace {

QRgb Pixel(QWidget& w, int x, int y) { return w.grab().toImage().pixel(x, y); }

}  // namespace

class ShowWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    int64_t now_ = 10000;
    QString red_, green_;

    QString write(const char* name, const QByteArray& text) {
        QFile f(dir_.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return f.fileName();
    }
    std::unique_ptr<ShowWindow> window(int speed = kSpeedNormal) {
        ShowSettings s;
        s.speed = speed;
        auto w = std::make_unique<ShowWindow>(s, [this] { return now_; });
        w->resize(200, 150);
        return w;
    }

private slots:
    void initTestCase() {
        red_ = QString::fromStdString(testing::WriteFlatPicture(dir_.filePath("red.bmp"), 200, 150, 0, 0, 255));
        green_ = QString::fromStdString(testing::WriteFlatPicture(dir_.filePath("green.bmp"), 200, 150, 0, 255, 0));
    }

    void stepsWithCaptionsAndMinimumWait() {
        const QString avl = write("plain.avl", "[Header]\r\nN=3\r\n[Directory]\r\n0=\r\n[1]\r\nF=red.bmp,0\r\nW=0\r\n"
                                               "[2]\r\nF=green.bmp,0\r\nW=0\r\n");
        auto w = window();
        QSignalSpy finished(w.get(), &ShowWindow::finished);
        QCOMPARE(w->startAvl(avl), QString());
        w->play(false);
        QCOMPARE(w->windowTitle(), QStringLiteral("Slide 1 of 3 \n red.bmp"));
        QCOMPARE(Pixel(*w, 100, 75), qRgb(255, 0, 0));
        now_ += 49;
        w->tick();
        QCOMPARE(w->windowTitle(), QStringLiteral("Slide 1 of 3 \n red.bmp"));
        now_ += 1;
        w->tick();
        QCOMPARE(w->windowTitle(), QStringLiteral("Slide 2 of 3 \n green.bmp"));
        QCOMPARE(Pixel(*w, 100, 75), qRgb(0, 255, 0));
        now_ += 50;
        w->tick();
        QCOMPARE(w->windowTitle(), QStringLiteral("Slide 1 of 3 \n red.bmp"));
        QTest::keyClick(w.get(), Qt::Key_Escape);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toString(), QString());
    }

    void transitionFramesFollowTheClock() {
        // E=14 (20): "Wipe, Reveal, Over background, from Right"; 624 ms at Normal.
        const QString avl = write("wipe.avl", "[Header]\r\nN=3\r\n[Directory]\r\n0=\r\n[1]\r\nF=red.bmp,0\r\nE=14\r\n"
                                              "[2]\r\nF=green.bmp,0\r\nE=14\r\n");
        auto w = window();
        QCOMPARE(w->startAvl(avl), QString());
        w->play(false);
        QVERIFY(w->inTransition());
        now_ += 350;
        w->tick();
        QCOMPARE(Pixel(*w, 150, 75), qRgb(255, 0, 0));  // the right half uncovered
        QCOMPARE(Pixel(*w, 50, 75), qRgb(0, 0, 0));
        now_ += 350;
        w->tick();
        QVERIFY(!w->inTransition());
        QCOMPARE(Pixel(*w, 50, 75), qRgb(255, 0, 0));
        // An Esc in the middle of the next transition ends the show there.
        now_ += 50;
        w->tick();
        QVERIFY(w->inTransition());
        QSignalSpy finished(w.get(), &ShowWindow::finished);
        QTest::keyClick(w.get(), Qt::Key_Escape);
        QCOMPARE(finished.count(), 1);
        QVERIFY(!w->inTransition());
    }

    void mouseButtonsAdvanceAndStop() {
        const QString avl = write("long.avl", "[Header]\r\nN=3\r\n[Directory]\r\n0=\r\n[1]\r\nF=red.bmp,0\r\nW=60\r\n"
                                              "[2]\r\nF=green.bmp,0\r\nW=60\r\n");
        auto w = window();
        QSignalSpy finished(w.get(), &ShowWindow::finished);
        QCOMPARE(w->startAvl(avl), QString());
        w->play(false);
        QTest::mouseClick(w.get(), Qt::RightButton);
        QCOMPARE(w->windowTitle(), QStringLiteral("Slide 2 of 3 \n green.bmp"));
        QCOMPARE(finished.count(), 0);
        QTest::mouseClick(w.get(), Qt::LeftButton);
        QCOMPARE(finished.count(), 1);
    }

    void aMissingFileEndsTheShow() {
        write("page.txt", "text");
        const QString avl = write("media.avl", "[Header]\r\nN=4\r\n[Directory]\r\n0=\r\n[1]\r\nF=red.bmp,0\r\n"
                                               "[2]\r\nF=page.txt,0\r\n[3]\r\nF=gone,0\r\n");
        auto w = window();
        QSignalSpy finished(w.get(), &ShowWindow::finished);
        QCOMPARE(w->startAvl(avl), QString());
        w->play(false);
        now_ += 50;
        w->tick();
        QCOMPARE(w->windowTitle(), QStringLiteral("Slide 2 of 4 \n page.txt"));
        now_ += 50;
        w->tick();
        QCOMPARE(finished.count(), 1);
        QVERIFY(finished.at(0).at(0).toString().contains("\nSlide 3 of 4\n"));
        QVERIFY(finished.at(0).at(0).toString().endsWith("Filename: gone.JPG"));
    }

    void viewerStartsShows() {
        testing::WindowFixture fx;
        auto form = fx.makeWindow();
        QVERIFY(form);
        form->showsFullScreen = false;
        QAction* run = form->action("onHistorySlideshow");
        QVERIFY(run);
        QCOMPARE(run->shortcut(), QKeySequence(QStringLiteral("Ctrl+R")));
        const int delay = form->settings().SlideDelay;
        const QString avl = write("viewer.avl", "[Header]\r\nN=3\r\n[Directory]\r\n0=\r\n[1]\r\nF=red.bmp,0\r\nW=9\r\n"
                                                "[2]\r\nF=green.bmp,0\r\nW=9\r\n");
        // Opening a script plays it.
        QVERIFY(form->openPicture(avl.toStdString()));
        QVERIFY(form->showWindow());
        QVERIFY(form->workspace().CriticalProcess);
        QTest::keyClick(form->showWindow(), Qt::Key_Escape);
        QVERIFY(!form->showWindow());
        QVERIFY(!form->workspace().CriticalProcess);
        QCOMPARE(form->workspace().CurrentFileName, std::string("Untitled"));
        QCOMPARE(form->settings().SlideDelay, delay);  // W never becomes the "Delay" option
        // A bookmark list of one entry is not a show.
        QVERIFY(form->openPicture(red_.toStdString()));
        fx.asked.clear();
        form->onHistorySlideshow();
        QVERIFY(!form->showWindow());
        QCOMPARE(fx.asked.size(), size_t(1));
        QVERIFY(fx.asked[0].starts_with("Two or more slides are required for slideshow."));
        // Unsaved edits are asked about first; No keeps them and starts nothing.
        QVERIFY(form->openPicture(green_.toStdString()));
        form->workspace().Modified = true;
        form->host().askHook = [&fx](MessageKind, std::string_view text, Buttons) {
            fx.asked.emplace_back(text);
            return Answer::No;
        };
        fx.asked.clear();
        form->onHistorySlideshow();
        QVERIFY(!form->showWindow());
        QCOMPARE(fx.asked.size(), size_t(1));
        QCOMPARE(fx.asked[0], std::string("You have unsaved changes.\nDiscard modified image?"));
        QVERIFY(form->workspace().Modified);
        // With them discarded the bookmark show runs.
        form->host().askHook = [&fx](MessageKind, std::string_view text, Buttons) {
            fx.asked.emplace_back(text);
            return Answer::Yes;
        };
        form->onHistorySlideshow();
        QVERIFY(form->showWindow());
        QTest::mouseClick(form->showWindow(), Qt::LeftButton);
        QVERIFY(!form->showWindow());
        // A bad script is reported, not played.
        fx.asked.clear();
        const QString bad = write("bad.avl", "[Header]\r\nN=3\r\nRUN=3\r\n[Directory]\r\n0=\r\n[1]\r\n[2]\r\n");
        QVERIFY(!form->openPicture(bad.toStdString()));
        QVERIFY(!form->showWindow());
        QCOMPARE(fx.asked, std::vector<std::string>{"Bad AVL file."});
    }
};

QTEST_MAIN(ShowWindowTest)
#include "show_window_qtest.moc"
