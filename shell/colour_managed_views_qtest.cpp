// A picture carrying an Adobe RGB profile is drawn converted (offscreen the
// display is sRGB) in full screen, in slideshows and in the effects dialog's
// views, as in the viewer; with the option off, its values as they are.
#include <QLabel>
#include <QTest>

#include "core/effect_session.h"
#include "imagefiles/codecs/codec_test_util.h"
#include "imagefiles/codecs/png_codec.h"
#include "imagefiles/colour_profile.h"
#include "imagefiles/metadata_test_util.h"
#include "imagefiles/save_dispatch.h"
#include "shell/main_window_test_util.h"
#include "shell/test_pictures.h"
#include "shell/picture_view.h"
#include "slideshow/gui/show_window.h"
#include "tools/effects_dialog.h"

using namespace vimbra;

namespace {

constexpr int kW = 200, kH = 150;
const QColor kValue(200, 160, 40);

Bitmap Flat(int w, int h) { return vimbra::testing::FlatPicture(w, h, kValue); }

QColor At(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

}  // namespace

class ColourManagedViewsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    std::vector<uint8_t> icc_;
    QString png_;
    QColor converted_;

private slots:
    void initTestCase() {
        if (!QFile::exists(testutil::kAdobeRgbProfile)) QSKIP("no Adobe RGB profile installed");
        icc_ = testutil::ReadBytes(testutil::kAdobeRgbProfile);
        PictureMetadata m;
        m.icc = icc_;
        png_ = dir_.filePath(QStringLiteral("adobe.png"));
        testutil::WriteBytes(png_.toStdString(), WithMetadata(EncodePng(Flat(kW, kH)), m));
        Bitmap expected = Flat(1, 1);
        ConvertToSrgb(expected, icc_);
        const uint8_t* e = expected.scanLine(0);
        converted_ = QColor(e[2], e[1], e[0]);
        QVERIFY(converted_ != kValue);
    }

    void fullScreenShowsDisplayColours() {
        vimbra::testing::WindowFixture fx;
        auto form = fx.makeWindow();
        QVERIFY(form);
        QVERIFY(form->openPicture(png_.toStdString()));
        QCOMPARE(form->workspace().Metadata.icc, icc_);
        form->onFullScreen();
        QVERIFY(form->FullScreen);
        QTRY_COMPARE(At(form->view()->grab().toImage(), 3, 3), converted_);
        // The working picture keeps the file's values.
        const uint8_t* p = form->workspace().Image.scanLine(0);
        QCOMPARE(QColor(p[2], p[1], p[0]), kValue);
        form->onFullScreen();
    }

    void slideshowsShowDisplayColours() {
        QFile avl(dir_.filePath(QStringLiteral("show.avl")));
        QVERIFY(avl.open(QIODevice::WriteOnly));
        avl.write("[Header]\r\nN=3\r\n[Directory]\r\n0=\r\n[1]\r\nF=adobe.png,0\r\nW=0\r\n"
                  "[2]\r\nF=adobe.png,0\r\nW=0\r\n");
        avl.close();
        for (const bool manage : {true, false}) {
            ShowSettings s;
            s.colourManage = manage;
            int64_t now = 1000;
            ShowWindow w(s, [&now] { return now; });
            w.resize(kW, kH);
            QCOMPARE(w.startAvl(avl.fileName()), QString());
            w.play(false);
            const uint8_t* p = w.shownFrame().scanLine(kH / 2) + 3 * (kW / 2);
            QCOMPARE(QColor(p[2], p[1], p[0]), manage ? converted_ : kValue);
            QCOMPARE(At(w.grab().toImage(), kW / 2, kH / 2), manage ? converted_ : kValue);
            w.close();
        }
    }

    void effectsDialogViewsShowDisplayColours() {
        for (const bool manage : {true, false}) {
            FrameHost host;
            Workspace ws(host);
            ws.setImage(Flat(400, 300));
            ws.Metadata.icc = icc_;
            FilterDlgParam p;
            p.EffectCode = 150;
            p.sliderCount = 1;
            p.preview = [](Workspace&, Bitmap&, bool) {};
            EffectsDialog dlg(ws, p, nullptr, nullptr, manage);
            dlg.show();
            const QColor want = manage ? converted_ : kValue;
            QCOMPARE(At(dlg.beforeView()->viewport()->grab().toImage(), 10, 10), want);
            dlg.beforeView()->scrollTo(QPoint(40, 30));
            QCOMPARE(At(dlg.beforeView()->viewport()->grab().toImage(), 10, 10), want);
            dlg.test();
            QCOMPARE(At(dlg.afterView()->pixmap().toImage(), 10, 10), want);
            // What was computed stays in the file's values.
            QCOMPARE(At(dlg.previewImage(), 10, 10), kValue);
            dlg.reject();
        }
    }
};

QTEST_MAIN(ColourManagedViewsTest)
#include "colour_managed_views_qtest.moc"
