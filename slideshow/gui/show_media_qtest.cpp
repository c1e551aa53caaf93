// Shows with sound, CD, video and text slides, offscreen. Sound goes to a
// PulseAudio null sink started here when no sound server runs; without any
// output the playing checks are skipped but the show must still go on.
#include <QFile>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QVideoWidget>
#include <QtEndian>
#include <cmath>

#include "media/audio_slide.h"
#include "media/fake_cd_device_test_util.h"
#include "media/gui/cd_window.h"
#include "media/gui/media_panel.h"
#include "media/media_test_util.h"
#include "media/text_page.h"
#include "shell/main_window.h"
#include "shell/main_window_test_util.h"
#include "slideshow/avl_running.h"
#include "slideshow/gui/show_window.h"

using namespace vimbra;
using namespace vimbra::testing;

namespace {

QRgb Pixel(QWidget& w, int x, int y) { return w.grab().toImage().pixel(x, y); }

QString Script(const QByteArray& slides, int n) {
    return QStringLiteral("[Header]\r\nN=%1\r\n[Directory]\r\n0=\r\n").arg(n) + QString::fromLatin1(slides);
}

}  // namespace

class ShowMediaTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    NullSinkAudio audio_sink_;
    int64_t now_ = 10000;
    bool audio_ = false;

    QString write(const char* name, const QByteArray& bytes) {
        QFile f(dir_.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    }
    QString script(const char* name, const QByteArray& slides, int n) { return write(name, Script(slides, n).toLatin1()); }
    std::unique_ptr<ShowWindow> window(ShowSettings s = {}, bool realClock = false) {
        auto w = realClock ? std::make_unique<ShowWindow>(s) : std::make_unique<ShowWindow>(s, [this] { return now_; });
        w->resize(200, 150);
        return w;
    }
    void step(ShowWindow& w, int64_t ms) {
        now_ += ms;
        w.tick();
    }
    QString video() {
        return MakeTestVideo(dir_.filePath("clip.webm"), 15, {"vp8enc", "!", "webmmux"});
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        audio_sink_.start();
        audio_ = AudioOutputAvailable();
        testing::WriteFlatPicture(dir_.filePath("red.bmp"), 200, 150, 0, 0, 255);
        testing::WriteFlatPicture(dir_.filePath("green.bmp"), 200, 150, 0, 255, 0);
        WriteWav(dir_.filePath("tone.wav"), 3000, 440);
        WriteWav(dir_.filePath("beep.wav"), 3000, 880);
    }

    void cleanupTestCase() {
        audio_sink_.stop();
    }

    void playerRectangles() {
        PlayerPlacement in;
        in.videoWidth = 160, in.videoHeight = 120, in.clientWidth = 800, in.clientHeight = 500;
        in.avl = true;
        QCOMPARE(ShowPlayerRect(in), QRect(67, 0, 666, 500));  // fitted, enlarged, centred
        in.box = AvlPair{400, 400};
        QCOMPARE(ShowPlayerRect(in), QRect(200, 100, 400, 300));
        in.position = AvlPair{10, 20};
        QCOMPARE(ShowPlayerRect(in), QRect(10, 20, 400, 300));
        in.position = AvlPair{500, 20};  // would pass the right edge: centred
        QCOMPARE(ShowPlayerRect(in), QRect(200, 100, 400, 300));
        in.box = AvlPair{800, 100};  // not smaller than the window: Z instead
        in.position.reset();
        in.zoom = 50;
        QCOMPARE(ShowPlayerRect(in), QRect(233, 125, 333, 250));
        in.zoom = 200;  // does not fit: the fitted size stays
        QCOMPARE(ShowPlayerRect(in).size(), QSize(666, 500));
        // Outside a script: the largest of 8, 4 and 2 times that fits, when auto size is on.
        PlayerPlacement b;
        b.videoWidth = 160, b.videoHeight = 120, b.clientWidth = 800, b.clientHeight = 500;
        QCOMPARE(ShowPlayerRect(b), QRect(80, 10, 640, 480));
        b.autoSize = false;  // own size when it fits
        QCOMPARE(ShowPlayerRect(b), QRect(320, 190, 160, 120));
        b.videoWidth = 1600, b.videoHeight = 1000;  // too large: fitted
        QCOMPARE(ShowPlayerRect(b), QRect(0, 0, 800, 500));
        b.position = AvlPair{0, 0};
        b.videoWidth = b.videoHeight = 0;  // sound only: 1 x 1 out of sight
        QCOMPARE(ShowPlayerRect(b), QRect(0, 500, 1, 1));
    }

    void backgroundColourPausesWithoutBlocking() {
        // B=FF0000 is blue (0x00BBGGRR).
        const QString avl = script("bg.avl", "[1]\r\nF=red.bmp,0\r\n[2]\r\nF=green.bmp,0\r\nB=FF0000\r\n", 3);
        auto w = window();
        QCOMPARE(w->startAvl(avl), QString());
        w->play(false);
        QCOMPARE(Pixel(*w, 100, 75), qRgb(255, 0, 0));
        step(*w, 50);
        QCOMPARE(w->windowTitle(), QStringLiteral("Slide 2 of 3 \n green.bmp"));
        QCOMPARE(Pixel(*w, 100, 75), qRgb(0, 0, 255));
        step(*w, kBackgroundPauseMs - 1);
        QCOMPARE(Pixel(*w, 100, 75), qRgb(0, 0, 255));
        step(*w, 1);
        QCOMPARE(Pixel(*w, 100, 75), qRgb(0, 255, 0));
    }

    void textPageIsDrawnIntoTheFrame() {
        write("page.txt", "Hello page\nSecond line\n");
        // Blue page in a 100 x 50 box at (10, 20); no colour pause for text pages.
        const QString avl = script("text.avl",
                                   "[1]\r\nF=red.bmp,0\r\n[2]\r\nF=page.txt,0\r\nU=100,50\r\nP=10,20\r\nB=FF0000\r\n", 3);
        auto w = window();
        QCOMPARE(w->startAvl(avl), QString());
        w->play(false);
        step(*w, 50);
        QCOMPARE(w->windowTitle(), QStringLiteral("Slide 2 of 3 \n page.txt"));
        const Bitmap page = RenderTextPage(dir_.filePath("page.txt").toStdString(), 100, 50, 0x0000FF);
        if (page.isEmpty()) QSKIP("no fonts");
        const Bitmap& frame = w->shownFrame();
        QCOMPARE(frame.width(), 200);
        int ink = 0;
        for (int y = 0; y < 50; ++y) {
            QVERIFY(std::memcmp(frame.scanLine(20 + y) + 30, page.scanLine(y), 300) == 0);
            for (int x = 0; x < 100; ++x) ink += page.scanLine(y)[3 * x] != 0xFF;
        }
        QVERIFY(ink > 20);  // the text itself
        QCOMPARE(Pixel(*w, 5, 5), qRgb(255, 0, 0));       // the picture before stays around it
        QCOMPARE(Pixel(*w, 108, 68), qRgb(0, 0, 255));    // the page's own colour
        QCOMPARE(Pixel(*w, 111, 71), qRgb(255, 0, 0));
        // An unreadable page is an empty page, and the show goes on.
        write("empty.txt", "");
        QFile::setPermissions(dir_.filePath("empty.txt"), QFileDevice::Permissions());
        const QString avl2 = script("text2.avl", "[1]\r\nF=empty.txt,0\r\nW=0\r\n[2]\r\nF=green.bmp,0\r\n", 3);
        auto w2 = window();
        QCOMPARE(w2->startAvl(avl2), QString());
        w2->play(false);
        step(*w2, 50);
        QCOMPARE(w2->windowTitle(), QStringLiteral("Slide 2 of 3 \n green.bmp"));
    }

    void cdSlidesPlayTheClampedTrackAndStopAtTheEnd() {
        FakeCdState s;
        ShowSettings settings;
        settings.media.cdDevices = FakeCdFactory(s);
        const QString avl = script("cd.avl", "[1]\r\nX=2\r\nW=1\r\n[2]\r\nX=15\r\nW=1\r\n[3]\r\nF=red.bmp,0\r\n", 4);
        auto w = window(settings);
        QSignalSpy failed(w.get(), &ShowWindow::slideSkipped);
        QCOMPARE(w->startAvl(avl), QString());
        w->play(false);
        QVERIFY(w->media().cd() && w->media().cd()->CdActive());
        QCOMPARE(s.lastFrom, 2);
        QCOMPARE(s.lastTo, 3);
        QVERIFY(!w->media().cd()->isVisible());
        step(*w, 999);
        QCOMPARE(w->windowTitle(), QStringLiteral("Slide 1 of 4 \n "));
        step(*w, 1);
        // The next CD slide replaces the track; 15 is beyond the disc: the last, to the end.
        QCOMPARE(s.plays, 2);
        QCOMPARE(s.lastFrom, 10);
        QCOMPARE(s.lastTo, 0);
        QVERIFY(s.open);
        // The track ends by itself: the next poll closes the player.
        s.mode = CdMode::Stopped;
        w->media().cd()->Timer9Timer();
        QVERIFY(!w->media().cd()->CdActive());
        QVERIFY(!s.open);
        // Playing again, then the end of the show stops it.
        step(*w, 1000);
        step(*w, 1000);
        QCOMPARE(s.plays, 3);
        QTest::keyClick(w.get(), Qt::Key_Escape);
        QCOMPARE(s.mode, CdMode::Stopped);
        QVERIFY(!s.open);
        QCOMPARE(failed.count(), 0);
        // Without a drive it is told and the show goes on.
        s = FakeCdState();
        s.openable = false;
        auto w2 = window(settings);
        QSignalSpy failed2(w2.get(), &ShowWindow::slideSkipped);
        QCOMPARE(w2->startAvl(avl), QString());
        w2->play(false);
        QCOMPARE(failed2.count(), 1);
        QVERIFY(!w2->media().cd());
        step(*w2, 1000);
        QCOMPARE(w2->windowTitle(), QStringLiteral("Slide 2 of 4 \n "));
    }

    void audioPlaysBehindPicturesUntilTheNextAudioSlide() {
        const QString avl = script("sound.avl",
                                   "[1]\r\nF=tone.wav,0\r\n[2]\r\nF=red.bmp,0\r\n[3]\r\nF=beep.wav,0\r\n"
                                   "[4]\r\nF=green.bmp,0\r\nW=60\r\n",
                                   5);
        auto w = window();
        QSignalSpy failed(w.get(), &ShowWindow::slideSkipped);
        QCOMPARE(w->startAvl(avl), QString());
        w->play(false);
        if (audio_) {
            QVERIFY(w->media().audio() && w->media().audio()->AudioSlideActive());
            QCOMPARE(w->media().audio()->player()->source().fileName(), QStringLiteral("tone.wav"));
        } else {
            QCOMPARE(failed.count(), 1);
            QCOMPARE(failed.at(0).at(0).toString(), QString::fromLatin1(kAudioUnavailable));
        }
        step(*w, 50);
        QCOMPARE(w->windowTitle(), QStringLiteral("Slide 2 of 5 \n red.bmp"));
        QCOMPARE(Pixel(*w, 100, 75), qRgb(255, 0, 0));
        if (audio_) {
            QTRY_COMPARE_WITH_TIMEOUT(w->media().audio()->player()->playbackState(), QMediaPlayer::PlayingState, 10000);
            QCOMPARE(w->media().audio()->player()->source().fileName(), QStringLiteral("tone.wav"));
        }
        step(*w, 50);
        QCOMPARE(w->windowTitle(), QStringLiteral("Slide 3 of 5 \n beep.wav"));
        if (audio_) QCOMPARE(w->media().audio()->player()->source().fileName(), QStringLiteral("beep.wav"));
        step(*w, 50);
        QCOMPARE(w->windowTitle(), QStringLiteral("Slide 4 of 5 \n green.bmp"));
        QTest::keyClick(w.get(), Qt::Key_Escape);
        QVERIFY(!w->media().audio());
        QCOMPARE(failed.count(), audio_ ? 0 : 2);
    }

    void unplayableSoundDoesNotStopTheShow() {
        write("broken.wav", "RIFF\x10\0\0\0WAVEjunkjunk");
        write("broken.mid", "MThd");
        const QString avl = script("broken.avl",
                                   "[1]\r\nF=broken.wav,0\r\n[2]\r\nF=broken.mid,0\r\n[3]\r\nF=red.bmp,0\r\nW=60\r\n", 4);
        auto w = window({}, true);
        QSignalSpy finished(w.get(), &ShowWindow::finished);
        QCOMPARE(w->startAvl(avl), QString());
        w->play(false);
        QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Slide 3 of 4 \n red.bmp"), 10000);
        QCOMPARE(finished.count(), 0);
        if (!MidiSynthAvailable()) QVERIFY(!w->media().audio());
    }

    void midiPlaysWhenASynthesiserIsInstalled() {
        WriteMidi(dir_.filePath("tune.mid"), 960);
        const QString avl = script("midi.avl", "[1]\r\nF=tune.mid,0\r\n[2]\r\nF=red.bmp,0\r\nW=60\r\n", 3);
        auto w = window();
        QSignalSpy failed(w.get(), &ShowWindow::slideSkipped);
        QCOMPARE(w->startAvl(avl), QString());
        w->play(false);
        if (!audio_ || !MidiSynthAvailable()) {
            QCOMPARE(failed.count(), 1);
            QCOMPARE(failed.at(0).at(0).toString(), QString::fromLatin1(kAudioUnavailable));
            return;
        }
        QVERIFY(w->media().audio() && w->media().audio()->AudioSlideActive());
        step(*w, 50);
        QTRY_COMPARE_WITH_TIMEOUT(w->media().audio()->player()->playbackState(), QMediaPlayer::PlayingState, 10000);
        QCOMPARE(failed.count(), 0);
    }

    void videoIsPlacedAndTheShowMovesOnAfterIt() {
        const QString clip = video();
        if (clip.isEmpty()) QSKIP("cannot make a test video with gst-launch-1.0");
        QVERIFY(QFileInfo(clip).size() < 50000);
        // Fitted into U = 80 x 60 at P = (10, 20), once; red around it from before.
        const QString avl = script("video.avl",
                                   "[1]\r\nF=red.bmp,0\r\n[2]\r\nF=clip.webm,0\r\nU=80,60\r\nP=10,20\r\n"
                                   "[3]\r\nF=green.bmp,0\r\nW=60\r\n",
                                   4);
        auto w = window({}, true);
        QSignalSpy failed(w.get(), &ShowWindow::slideSkipped);
        QCOMPARE(w->startAvl(avl), QString());
        w->play(false);
        QTRY_VERIFY_WITH_TIMEOUT(w->inVideo(), 5000);
        MediaPanel* player = w->media().player();
        QVERIFY(player && player->isVisible());
        QVERIFY(!player->showTracker() && !player->showControls() && !player->showStatusBar());
        QCOMPARE(player->playCount(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(player->geometry(), QRect(10, 20, 80, 60), 10000);
        QCOMPARE(w->shownFrame().scanLine(5)[2 * 3 + 2], uint8_t(255));  // red
        QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Slide 3 of 4 \n green.bmp"), 15000);
        QVERIFY(!w->inVideo());
        QVERIFY(!player->isVisible());
        QCOMPARE(failed.count(), 0);
    }

    void unplayableVideoDoesNotStopTheShow() {
        write("junk.webm", QByteArray(4000, 'x'));
        const QString avl = script("junk.avl", "[1]\r\nF=junk.webm,0\r\n[2]\r\nF=red.bmp,0\r\nW=60\r\n", 3);
        auto w = window({}, true);
        QSignalSpy finished(w.get(), &ShowWindow::finished);
        QCOMPARE(w->startAvl(avl), QString());
        w->play(false);
        QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Slide 2 of 3 \n red.bmp"),
                                  kVideoStartTimeoutMs + 5000);
        QVERIFY(!w->inVideo());
        QCOMPARE(finished.count(), 0);
        QTest::keyClick(w.get(), Qt::Key_Escape);
        QCOMPARE(finished.count(), 1);
    }

    void clicksOnTheVideoAdvanceAndEscEndsTheShow() {
        const QString clip = video();
        if (clip.isEmpty()) QSKIP("cannot make a test video with gst-launch-1.0");
        const QString avl = script("esc.avl", "[1]\r\nF=clip.webm,0\r\n[2]\r\nF=red.bmp,0\r\n[3]\r\nF=clip.webm,0\r\n", 4);
        auto w = window();
        QSignalSpy finished(w.get(), &ShowWindow::finished);
        QCOMPARE(w->startAvl(avl), QString());
        w->play(false);
        QVERIFY(w->inVideo());
        MediaPanel* player = w->media().player();
        QTest::mouseClick(player->video(), Qt::RightButton);
        QCOMPARE(w->windowTitle(), QStringLiteral("Slide 2 of 4 \n red.bmp"));
        QVERIFY(!w->inVideo());
        QVERIFY(!player->isVisible());
        step(*w, 50);
        QVERIFY(w->inVideo());
        QCOMPARE(w->media().player(), player);  // one player for the whole show
        QTest::keyClick(w.get(), Qt::Key_Escape);
        QCOMPARE(finished.count(), 1);
        QVERIFY(!w->inVideo());
        QVERIFY(!player->isVisible());
        QVERIFY(player->fileName().isEmpty());
    }

    void jukeboxSoundIsWaitedForInAHiddenPlayer() {
        WriteWav(dir_.filePath("short.wav"), 400, 440);
        ShowSettings settings;
        settings.media.jukebox = true;
        const QString avl = script("jukebox.avl", "[1]\r\nF=short.wav,0\r\nW=60\r\n[2]\r\nF=red.bmp,0\r\nW=60\r\n", 3);
        auto w = window(settings, true);
        QCOMPARE(w->startAvl(avl), QString());
        w->play(false);
        QVERIFY(w->inVideo());
        QVERIFY(!w->media().audio());
        QCOMPARE(w->media().player()->geometry(), QRect(0, 150, 1, 1));  // no picture: out of sight
        // Its end (not W) moves the show on.
        QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Slide 2 of 3 \n red.bmp"), 10000);
        QVERIFY(!w->inVideo());
    }

    void aFatalErrorReleasesTheShowLock() {
        testing::WindowFixture fx;
        auto form = fx.makeWindow();
        QVERIFY(form);
        form->showsFullScreen = false;
        const QString avl = script("fatal.avl", "[1]\r\nF=red.bmp,0\r\nW=9\r\n[2]\r\nF=green.bmp,0\r\n", 3);
        QVERIFY(form->openPicture(avl.toStdString()));
        QVERIFY(form->showWindow());
        QVERIFY(QFile::exists(AvlRunningLock::DefaultPath()));
        int quit = -1;
        form->quitHook = [&quit](int code) { quit = code; };
        fx.replies = {Reply::Ok};
        form->ApplicationErrorHandler("vector::_M_range_check");
        QCOMPARE(quit, 1);
        QVERIFY(!QFile::exists(AvlRunningLock::DefaultPath()));
        QTest::keyClick(form->showWindow(), Qt::Key_Escape);
        QVERIFY(!form->showWindow());
    }
};

QTEST_MAIN(ShowMediaTest)
#include "show_media_qtest.moc"
