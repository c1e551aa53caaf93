// The viewer's media player, text pages, the CD window and the error handler,
// offscreen. Sound goes to a PulseAudio null sink started here when no sound
// server runs; without one the playback tests are skipped.
#include <QAudioDevice>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QStandardPaths>
#include <QToolButton>
#include <QVideoWidget>
#include <QtEndian>
#include <cmath>

#include "media/fake_cd_device_test_util.h"
#include "media/gui/cd_window.h"
#include "media/gui/media_panel.h"
#include "shell/main_window_test_util.h"
#include "shell/picture_view.h"
#include "shell/script_window.h"
#include "media/media_test_util.h"

using namespace vimbra;
using namespace vimbra::testing;

namespace {


}  // namespace

class MainWindowMediaTest : public QObject {
    Q_OBJECT

private:
    WindowFixture fx_;
    NullSinkAudio audio_sink_;
    bool audio_ = false;

    QString video() {
        return MakeTestVideo(fx_.path("clip.avi"), 40, {"jpegenc", "!", "avimux"});
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        audio_sink_.start();
        audio_ = !QMediaDevices::audioOutputs().isEmpty();
        WriteWav(fx_.path("tone.wav"), 3000, 440);
        WriteWav(fx_.path("beep.wav"), 3000, 880);
    }

    void cleanupTestCase() {
        audio_sink_.stop();
    }

    void soundPlaysInMediaModeWithItsMenu() {
        if (!audio_) QSKIP("no audio output");
        auto form = fx_.makeWindow();
        QVERIFY(form);
        const std::string wav = fx_.path("tone.wav").toStdString();
        QVERIFY(form->openPicture(wav));
        QVERIFY(form->media().MediaMode);
        QVERIFY(form->viewerPlayer());
        QVERIFY(!form->view()->isVisible());
        QCOMPARE(form->workspace().CurrentFileName, wav);
        QCOMPARE(form->bookmarks().size(), size_t(1));
        QVERIFY(form->windowTitle().startsWith(QStringLiteral("tone.wav")));
        // "Auto Play + Loop" is on by default: it starts at once and loops.
        QTRY_COMPARE_WITH_TIMEOUT(form->media().PlayState, kPlayPlaying, 10000);
        QCOMPARE(form->viewerPlayer()->playCount(), 999);
        // Sound only: no picture to fit or zoom.
        QCOMPARE(form->media().VideoHeight, 0);
        QVERIFY(!form->toolButton(QStringLiteral("Fit"))->isEnabled());
        QVERIFY(!form->toolButton(QStringLiteral("Zoom +"))->isEnabled());
        QVERIFY(!form->toolButton(QStringLiteral("Select"))->isEnabled());
        QVERIFY(!form->topMenu(QStringLiteral("&File/&TWAIN"))->isEnabled());
        // The picture keys do nothing to a medium.
        QTest::keyClick(form.get(), Qt::Key_5);
        QVERIFY(form->FitToWindow);
        QCOMPARE(form->ZoomPercent, 100);
        QTest::keyClick(form.get(), Qt::Key_F);
        QVERIFY(form->FitToWindow);
        QTest::keyClick(form.get(), Qt::Key_Left);
        QCOMPARE(form->workspace().CurrentFileName, wav);
        form->onPlayPause();
        QTRY_COMPARE_WITH_TIMEOUT(form->media().PlayState, kPlayPaused, 5000);
        form->onPlayPause();
        QTRY_COMPARE_WITH_TIMEOUT(form->media().PlayState, kPlayPlaying, 5000);
        form->onStop();
        QTRY_COMPARE_WITH_TIMEOUT(form->media().PlayState, kPlayStopped, 5000);
        form->MainMenuPopup(MainWindow::PopupPlace::Player);
        QVERIFY(form->contextAction("onPlayPause")->isVisible());
        QVERIFY(form->contextAction("onStop")->isVisible());
        QVERIFY(!form->contextAction("onStop")->isEnabled());
        QVERIFY(!form->contextAction("onDelete") || !form->contextAction("onDelete")->isVisible());
        form->MainMenuPopup(MainWindow::PopupPlace::Picture);
        QVERIFY(!form->contextAction("onPlayPause")->isVisible());
        QVERIFY(!form->contextAction("onStop")->isVisible());
    }

    void secondMediumReusesThePlayerAndAPictureEndsMediaMode() {
        if (!audio_) QSKIP("no audio output");
        auto form = fx_.makeWindow();
        QVERIFY(form);
        QVERIFY(form->openPicture(fx_.path("tone.wav").toStdString()));
        MediaPanel* first = form->viewerPlayer();
        QTRY_COMPARE_WITH_TIMEOUT(form->media().PlayState, kPlayPlaying, 10000);
        const std::string beep = fx_.path("beep.wav").toStdString();
        QVERIFY(form->openPicture(beep));
        QCOMPARE(form->viewerPlayer(), first);
        QCOMPARE(form->media().mediaFileName, beep);
        QCOMPARE(form->viewerPlayer()->fileName().toStdString(), beep);
        const std::string pic = WriteFlatPicture(fx_.path("red.bmp"), 30, 20, 0, 0, 255);
        QVERIFY(form->openPicture(pic));
        QVERIFY(!form->media().MediaMode);
        QVERIFY(!form->viewerPlayer());
        QVERIFY(form->view()->isVisible());
        QCOMPARE(form->workspace().Image.width(), 30);
        QVERIFY(form->toolButton(QStringLiteral("Select"))->isEnabled());
        QVERIFY(form->topMenu(QStringLiteral("&File/&TWAIN"))->isEnabled());
    }

    void videoFitsAndFullScreenKeepsThePosition() {
        if (!audio_) QSKIP("no audio output");
        const QString clip = video();
        if (clip.isEmpty()) QSKIP("cannot make a test video with gst-launch-1.0");
        auto form = fx_.makeWindow();
        QVERIFY(form);
        QVERIFY(form->openPicture(clip.toStdString()));
        QTRY_COMPARE_WITH_TIMEOUT(form->media().VideoHeight, 120, 10000);
        QCOMPARE(form->media().VideoWidth, 160);
        QVERIFY(form->toolButton(QStringLiteral("Fit"))->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(form->viewerPlayer() && form->viewerPlayer()->position() >= 800, 10000);
        form->onFullScreen();
        QVERIFY(form->FullScreen);
        QVERIFY(form->media().MediaMode);
        MediaPanel* full = form->viewerPlayer();
        QVERIFY(full);
        QVERIFY(!full->showTracker());
        QVERIFY(!full->showControls());
        QCOMPARE(full->displaySize(), kDisplayFit);
        QVERIFY(form->media().savedPositionMs >= 800);
        QTRY_VERIFY_WITH_TIMEOUT(form->media().PlayState == kPlayPlaying && full->position() >= 800, 10000);
        form->onFullScreen();
        QVERIFY(!form->FullScreen);
        QVERIFY(form->viewerPlayer()->showTracker());
        QVERIFY(form->viewerPlayer()->showControls());
        QVERIFY(form->settings().ControlsHeight > 0);
        QVERIFY(form->settings().TrackerHeight > 0);
    }

    void zoomStepsAVideoBetweenHalfAndDoubleSize() {
        if (!audio_) QSKIP("no audio output");
        const QString clip = video();
        if (clip.isEmpty()) QSKIP("cannot make a test video with gst-launch-1.0");
        auto form = fx_.makeWindow();
        QVERIFY(form);
        QVERIFY(form->openPicture(clip.toStdString()));
        QTRY_COMPARE_WITH_TIMEOUT(form->media().VideoHeight, 120, 10000);
        MediaPanel* panel = form->viewerPlayer();
        QVERIFY(form->FitToWindow);
        QCOMPARE(panel->displaySize(), kDisplayFit);
        QToolButton* zoomIn = form->toolButton(QStringLiteral("Zoom +"));
        QToolButton* zoomOut = form->toolButton(QStringLiteral("Zoom -"));
        QVERIFY(zoomIn->isEnabled());
        // Zooming leaves fit mode and starts from the video's own size.
        zoomIn->click();
        QCOMPARE(panel->displaySize(), kDisplayDouble);
        QVERIFY(!form->FitToWindow);
        QVERIFY(zoomIn->isEnabled() && zoomOut->isEnabled());
        QTRY_COMPARE(panel->video()->size(), QSize(320, 240));
        zoomIn->click();
        QCOMPARE(panel->displaySize(), kDisplayDouble);
        zoomOut->click();
        QCOMPARE(panel->displaySize(), kDisplayDefault);
        QTRY_COMPARE(panel->video()->size(), QSize(160, 120));
        // The numeric-pad keys do the same.
        QTest::keyClick(form.get(), Qt::Key_Minus, Qt::KeypadModifier);
        QCOMPARE(panel->displaySize(), kDisplayHalf);
        QTRY_COMPARE(panel->video()->size(), QSize(80, 60));
        QTest::keyClick(form.get(), Qt::Key_Minus, Qt::KeypadModifier);
        QCOMPARE(panel->displaySize(), kDisplayHalf);
        QTest::keyClick(form.get(), Qt::Key_Plus, Qt::KeypadModifier);
        QCOMPARE(panel->displaySize(), kDisplayDefault);
        // "Fit" fits again and keeps the zoom buttons for the video.
        form->onFitWindow();
        QVERIFY(form->FitToWindow);
        QCOMPARE(panel->displaySize(), kDisplayFit);
        QVERIFY(zoomIn->isEnabled());
        QCOMPARE(form->viewerPlayer(), panel);
        QTest::keyClick(form.get(), Qt::Key_Minus, Qt::KeypadModifier);
        QCOMPARE(panel->displaySize(), kDisplayHalf);
    }

    void oggAndFlacOpenInThePlayer() {
        const QString gst = QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0"));
        if (gst.isEmpty()) QSKIP("no gst-launch-1.0");
        auto form = fx_.makeWindow();
        QVERIFY(form);
        for (const char* encoder : {"vorbisenc ! oggmux", "flacenc"}) {
            const QString out = fx_.path(encoder[0] == 'v' ? "tone.ogg" : "tone.flac");
            QProcess p;
            p.start(gst, QStringLiteral("-q audiotestsrc num-buffers=20 ! %1 ! filesink location=%2")
                             .arg(QString::fromLatin1(encoder), out)
                             .split(QLatin1Char(' ')));
            if (!p.waitForFinished(30000) || p.exitCode() != 0) QSKIP("cannot make the sound files");
            QVERIFY(form->openPicture(out.toStdString()));
            QVERIFY(form->media().MediaMode);
            QVERIFY(form->viewerPlayer());
            QCOMPARE(form->viewerPlayer()->fileName(), out);
            QVERIFY(!form->view()->isVisible());
            QVERIFY(form->windowTitle().startsWith(QFileInfo(out).fileName()));
            if (audio_) QTRY_COMPARE_WITH_TIMEOUT(form->media().PlayState, kPlayPlaying, 10000);
        }
    }

    void textFileBecomesAnUntitledPicture() {
        auto form = fx_.makeWindow();
        QVERIFY(form);
        QFile f(fx_.path("note.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("A note\n");
        f.close();
        QVERIFY(form->openPicture(fx_.path("note.txt").toStdString()));
        const Workspace& ws = form->workspace();
        QCOMPARE(ws.CurrentFileName, std::string("Untitled"));
        QCOMPARE(ws.ImageBitDepth, 24);
        QVERIFY(!ws.Modified);
        QCOMPARE(ws.Image.width(), form->scrollBox()->width());
        QCOMPARE(ws.Image.height(), form->ViewAreaHeight());
        const uint8_t* corner = ws.Image.scanLine(ws.Image.height() - 1);
        QCOMPARE(int(corner[0]) + corner[1] + corner[2], 3 * 255);
    }

    void cdWindowWithAFakeDriveAndWithout() {
        auto form = fx_.makeWindow();
        QVERIFY(form);
        FakeCdState s;
        s.tracks = 4;
        form->cdDeviceFactory = FakeCdFactory(s);
        form->onCdPlayer();
        CdWindow* cd = form->cdWindow();
        QVERIFY(cd && cd->isVisible());
        QCOMPARE(cd->windowTitle(), QStringLiteral("CD Audio"));
        QCOMPARE(s.plays, 0);  // waits for Play
        cd->button(QStringLiteral("Play"))->click();
        QCOMPARE(s.lastFrom, 1);
        s.at = {3, 2, 7};
        cd->Timer9Timer();
        QCOMPARE(cd->windowTitle(), QStringLiteral("CD Audio [Trk:3] 2:7"));
        QTest::keyClick(cd, Qt::Key_Escape);
        QVERIFY(cd->CdActive());
        QTest::keyClick(cd, Qt::Key_Escape);
        QVERIFY(!cd->CdActive());
        QVERIFY(!cd->isVisible());
        form->cdDeviceFactory = [] { return std::unique_ptr<CdDevice>(); };
        fx_.asked.clear();
        form->onCdPlayer();
        QCOMPARE(fx_.asked, std::vector<std::string>{"CD Audio device unavailable."});
    }

    void decoderErrorsBlankOnlyAnUneditedPicture() {
        auto form = fx_.makeWindow();
        QVERIFY(form);
        const std::string pic = WriteFlatPicture(fx_.path("a.bmp"), 10, 10, 1, 2, 3);
        QVERIFY(form->openPicture(pic));
        form->workspace().Modified = true;
        form->ApplicationErrorHandler("JPEG datastream contains no image");
        QCOMPARE(form->workspace().CurrentFileName, pic);
        QCOMPARE(form->bookmarks().size(), size_t(1));
        form->workspace().Modified = false;
        fx_.asked.clear();
        form->ApplicationErrorHandler("JPEG datastream contains no image");
        QCOMPARE(form->workspace().CurrentFileName, std::string("Untitled"));
        QCOMPARE(form->bookmarks().size(), size_t(0));
        QCOMPARE(fx_.asked.size(), size_t(1));
        QVERIFY(fx_.asked[0].find("\nFilename:a.bmp\nLocation:") != std::string::npos);
        // A medium the player cannot play leaves the bookmarks.
        const std::string clip = fx_.path("clip.mpg").toStdString();
        form->bookmarks().UpdateHistory(clip);
        form->workspace().CurrentFileName = clip;
        fx_.asked.clear();
        form->ApplicationErrorHandler("Unspecified Error");
        QCOMPARE(fx_.asked, std::vector<std::string>{"clip.mpg could not be played.\nAn updated CODEC "
                                                     "may be required or file is corrupted; see FAQ."});
        QCOMPARE(form->bookmarks().size(), size_t(0));
    }

    void fatalErrorWritesRecoveryCopiesFirst() {
        auto form = fx_.makeWindow();
        QVERIFY(form);
        QVERIFY(form->openPicture(WriteFlatPicture(fx_.path("b.bmp"), 7, 5, 9, 8, 7)));
        form->workspace().Modified = true;
        ScriptWindow* script = form->scriptWindow(true);
        script->editor()->insertPlainText(QStringLiteral("GAMMA 120\n"));
        int quit = -1;
        form->quitHook = [&quit](int code) { quit = code; };
        fx_.replies = {Reply::Ok};
        form->LastOperationNote = "Last operation: onGamma";
        form->ApplicationErrorHandler("vector::_M_range_check");
        QCOMPARE(quit, 1);
        const QString base = QDir::tempPath() + QStringLiteral("/vimbra-recovery-%1").arg(QCoreApplication::applicationPid());
        const QString picture = base + QStringLiteral(".bmp"), bip = base + QStringLiteral(".bip");
        QVERIFY(QFile::exists(picture));
        QVERIFY(QFile::exists(bip));
        Workspace back;
        QVERIFY(LoadImageFile(back, picture.toStdString(), 0, {}));
        QCOMPARE(back.ImageWidth, 7);
        QCOMPARE(back.Image.scanLine(4)[0], uint8_t(9));
        QFile text(bip);
        QVERIFY(text.open(QIODevice::ReadOnly));
        const QByteArray saved = text.readAll();
        QCOMPARE(saved, script->script().toUtf8());
        QVERIFY(saved.contains("GAMMA 120\n"));
        const std::string& report = fx_.asked.back();
        QVERIFY(report.rfind("Unexpected exception.  Please report following error.\n", 0) == 0);
        QVERIFY(report.find("Last operation: onGamma\nvector::_M_range_check") != std::string::npos);
        QVERIFY(report.find(picture.toStdString()) != std::string::npos);
        QVERIFY(report.find(bip.toStdString()) != std::string::npos);
        QCOMPARE(fx_.offered.back(), (std::vector<Reply>{Reply::Ok, Reply::Ignore}));
        QFile::remove(picture);
        QFile::remove(bip);
        // Uninstalled now: a later error gets a plain box and nothing more.
        quit = -1;
        form->ApplicationErrorHandler("again");
        QCOMPARE(quit, -1);
        QCOMPARE(fx_.asked.back(), std::string("again"));
    }
};

QTEST_MAIN(MainWindowMediaTest)
#include "main_window_media_qtest.moc"
