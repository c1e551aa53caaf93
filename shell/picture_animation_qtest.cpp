// Animated pictures in the viewer, offscreen: the view steps through the
// frames on their delays, keeps a short loop, decodes a long one again each
// round, and stops when the picture changes or another is opened.
#include <QTest>

#include "imagefiles/codecs/modern_codec_test_util.h"
#include "imagefiles/codecs/webp_codec.h"
#include "imagefiles/colour_profile.h"
#include "imagefiles/load_dispatch.h"
#include "imagefiles/metadata_test_util.h"
#include "shell/main_window_test_util.h"
#include "shell/test_pictures.h"
#include "shell/picture_animation.h"
#include "shell/picture_view.h"

using namespace vimbra;

namespace {

using vimbra::testing::FlatPicture;

const QColor kColours[] = {QColor(200, 30, 10), QColor(20, 180, 60), QColor(40, 50, 230)};

QColor Shown(PictureView& view) { return view.grab().toImage().pixelColor(5, 5); }

}  // namespace

class PictureAnimationTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString anim_;
    PaletteEntry back_{255, 255, 255, 0};

    // Three flat 16 x 12 frames of 40 ms.
    QString writeAnimation(const char* name) {
        std::string args = "-loop 0 -lossless";
        for (int i = 0; i < 3; ++i) {
            const std::string png = dir_.filePath(QStringLiteral("f%1.png").arg(i)).toStdString();
            testutil::WriteBytes(png, EncodePng(FlatPicture(16, 12, kColours[i])));
            args += " -d 40 " + testutil::Q(png);
        }
        const QString out = dir_.filePath(QString::fromUtf8(name));
        if (!testutil::RunTool("/usr/bin/img2webp", args + " -o " + testutil::Q(out.toStdString()))) return {};
        return out;
    }

private slots:
    void initTestCase() {
        if (!testutil::HaveTool("img2webp")) QSKIP("img2webp not installed");
        anim_ = writeAnimation("anim.webp");
        QVERIFY(!anim_.isEmpty());
    }

    void viewStepsThroughTheFramesOnTheirDelays() {
        Workspace ws;
        QVERIFY(LoadImageFile(ws, anim_.toStdString()));
        PictureView view;
        view.resize(16, 12);
        view.setBitmap(&ws.Image);
        const Bitmap still = ws.Image;
        QVERIFY(view.playAnimation(anim_.toStdString(), back_));
        QVERIFY(view.animation()->playing());
        QCOMPARE(view.animation()->frameIndex(), 0);
        QCOMPARE(view.animation()->frameDelayMs(), 40);
        QCOMPARE(Shown(view), kColours[0]);
        // The timer moves it on by itself.
        QTRY_COMPARE_WITH_TIMEOUT(view.animation()->frameIndex(), 1, 2000);
        QCOMPARE(Shown(view), kColours[1]);
        QTRY_COMPARE_WITH_TIMEOUT(view.animation()->frameIndex(), 2, 2000);
        QCOMPARE(Shown(view), kColours[2]);
        // Round and round; the whole loop is kept after the first.
        QTRY_COMPARE_WITH_TIMEOUT(view.animation()->frameIndex(), 0, 2000);
        QVERIFY(view.animation()->keepsAllFrames());
        QCOMPARE(Shown(view), kColours[0]);
        // The working picture is never touched.
        QVERIFY(std::memcmp(ws.Image.bits(), still.bits(), still.byteSize()) == 0);
        // A change to the picture stops the playing.
        view.refresh();
        QVERIFY(!view.animation());
        QCOMPARE(Shown(view), kColours[0]);
    }

    void aLoopPastTheCapIsDecodedAgainEachRound() {
        Workspace ws;
        QVERIFY(LoadImageFile(ws, anim_.toStdString()));
        // Room for two frames only.
        auto a = PictureAnimation::Start(anim_.toStdString(), ws.Image, back_, nullptr,
                                         2 * (ws.Image.byteSize() + 256));
        QVERIFY(a);
        for (int step = 1; step <= 7; ++step) {
            a->advance();
            QCOMPARE(a->frameIndex(), step % 3);
            QVERIFY(!a->keepsAllFrames());
            const uint8_t* p = a->frame().scanLine(0);
            QCOMPARE(QColor(p[2], p[1], p[0]), kColours[step % 3]);
        }
    }

    void onlyAnimationsThatAreThePictureShownPlay() {
        Workspace ws;
        QVERIFY(LoadImageFile(ws, anim_.toStdString()));
        const std::string still = dir_.filePath(QStringLiteral("still.webp")).toStdString();
        testutil::WriteBytes(still, EncodeWebp(FlatPicture(16, 12, kColours[0]), {90, true}));
        QVERIFY(!PictureAnimation::Start(still, ws.Image, back_, nullptr));
        QVERIFY(!PictureAnimation::Start(dir_.filePath(QStringLiteral("none.webp")).toStdString(), ws.Image,
                                         back_, nullptr));
        // A first frame other than the working picture (turned, reduced): not played.
        QVERIFY(!PictureAnimation::Start(anim_.toStdString(), FlatPicture(16, 12, kColours[1]), back_, nullptr));
        QVERIFY(!PictureAnimation::Start(anim_.toStdString(), FlatPicture(12, 16, kColours[0]), back_, nullptr));
    }

    void framesAreShownInDisplayColours() {
        if (!QFile::exists(testutil::kAdobeRgbProfile)) QSKIP("no Adobe RGB profile installed");
        Workspace ws;
        QVERIFY(LoadImageFile(ws, anim_.toStdString()));
        const std::vector<uint8_t> icc = testutil::ReadBytes(testutil::kAdobeRgbProfile);
        PictureView view;
        view.resize(16, 12);
        view.setBitmap(&ws.Image);
        view.setColourProfile(&icc);
        QVERIFY(view.playAnimation(anim_.toStdString(), back_));
        view.animation()->advance();
        Bitmap expected = FlatPicture(1, 1, kColours[1]);
        ConvertToSrgb(expected, icc);
        const uint8_t* e = expected.scanLine(0);
        QCOMPARE(Shown(view), QColor(e[2], e[1], e[0]));
    }

    void theViewerPlaysWhatItOpensAndStopsAtTheNext() {
        vimbra::testing::WindowFixture fx;
        auto form = fx.formWith("flat.bmp", 16, 12);
        QVERIFY(form);
        QVERIFY(!form->view()->animation());
        QVERIFY(form->openPicture(anim_.toStdString()));
        QVERIFY(form->view()->animation());
        const Bitmap first = FlatPicture(16, 12, kColours[0]);
        QVERIFY(std::memcmp(form->workspace().Image.bits(), first.bits(), first.byteSize()) == 0);
        QTRY_VERIFY_WITH_TIMEOUT(form->view()->animation()->frameIndex() > 0, 2000);
        QVERIFY(form->openPicture(fx.path("flat.bmp").toStdString()));
        QVERIFY(!form->view()->animation());
        // A GIF, read through Qt's reader as its still is.
        const std::string im = testutil::ImageMagick();
        if (im.empty()) return;
        const std::string gif = fx.path("anim.gif").toStdString();
        QVERIFY(testutil::RunTool(im, "-delay 5 " + testutil::Q(dir_.filePath(QStringLiteral("f0.png")).toStdString()) +
                                          " " + testutil::Q(dir_.filePath(QStringLiteral("f1.png")).toStdString()) +
                                          " -loop 0 " + testutil::Q(gif)));
        QVERIFY(form->openPicture(gif));
        QVERIFY(form->view()->animation());
        QTRY_COMPARE_WITH_TIMEOUT(Shown(*form->view()), kColours[1], 2000);
    }
};

QTEST_MAIN(PictureAnimationTest)
#include "picture_animation_qtest.moc"
