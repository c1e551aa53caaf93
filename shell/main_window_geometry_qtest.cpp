// The geometry items of the Image and Edit menus on a loaded picture, their
// dialogs answered by the hooks; each recorded line replayed by the script
// dispatcher must give the same picture.
#include <array>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QStandardPaths>

#include "batch/script_test_util.h"
#include "filters/geometry.h"
#include "shell/main_window_test_util.h"
#include "shell/picture_view.h"
#include "shell/script_window.h"

using namespace vimbra;
using namespace vimbra::testing;

namespace {

// Blue = x, green = y, red = 7: every pixel tells where it came from.
Bitmap Pattern(int w, int h) {
    Bitmap pic(w, h, 24);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = pic.scanLine(y);
        for (int x = 0; x < w; ++x) row[3 * x] = uint8_t(x), row[3 * x + 1] = uint8_t(y), row[3 * x + 2] = 7;
    }
    return pic;
}

std::string WritePattern(const QString& path, int w, int h) {
    Workspace ws;
    ws.setImage(Pattern(w, h));
    return SaveImageFile(ws, path.toStdString(), SaveFormat::Bmp).path;
}

// Blue, green, red of pixel (x, y).
std::array<int, 3> At(const Bitmap& b, int x, int y) {
    const uint8_t* p = b.scanLine(y) + 3 * x;
    return {p[0], p[1], p[2]};
}

using Px = std::array<int, 3>;

// The size dialog's answer in position form.
ResizeResult Chosen(int x, int y, int w, int h) {
    ResizeResult r;
    r.x = x;
    r.y = y;
    r.width = w;
    r.height = h;
    return r;
}

}  // namespace

class MainWindowGeometryTest : public QObject {
    Q_OBJECT

private:
    WindowFixture fx_;

    std::unique_ptr<MainWindow> loaded(int w, int h) {
        auto form = fx_.makeWindow();
        if (!form || !form->openPicture(WritePattern(fx_.path("pattern.bmp"), w, h))) return nullptr;
        form->workspace().RecordingActive = true;
        form->host().recordedLines.clear();
        return form;
    }

    // The recorded line run by the script dispatcher on the original picture.
    static Bitmap Replayed(const std::string& line, Bitmap original) {
        Script script{std::move(original)};
        if (script.line(line) != BipOutcome::Ran) return Bitmap();
        return script.ws.Image;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void rotateBy90MovesEveryPixelClockwiseAndUndoes() {
        auto form = loaded(4, 3);
        QVERIFY(form);
        form->action("onRotate", 9000)->trigger();
        const Bitmap& img = form->workspace().Image;
        QCOMPARE(QSize(img.width(), img.height()), QSize(3, 4));
        // The bottom-left pixel comes to the top-left, the top-left to the top-right.
        QCOMPARE(At(img, 0, 0), (Px{0, 2, 7}));
        QCOMPARE(At(img, 2, 0), (Px{0, 0, 7}));
        QCOMPARE(At(img, 0, 3), (Px{3, 2, 7}));
        QCOMPARE(At(img, 2, 3), (Px{3, 0, 7}));
        QCOMPARE(At(img, 1, 2), (Px{2, 1, 7}));
        QCOMPARE(form->host().recordedLines, (std::vector<std::string>{"ROTATE=90"}));
        QVERIFY(Replayed("ROTATE=90", Pattern(4, 3)) == img);
        QVERIFY(form->action("onUndo")->isEnabled());
        form->onUndo();
        QVERIFY(form->workspace().Image == Pattern(4, 3));
    }

    void rotateNormalAndFineAskForTheAngle() {
        auto form = loaded(4, 3);
        QVERIFY(form);
        std::vector<ScrollDialogSettings> asked;
        std::vector<int> answers{270, kDialogCancelled, 18000};
        form->scrollDialogHook = [&](const QString& title, const ScrollDialogSettings& p) {
            if (title != QStringLiteral("Rotate image (deg.)")) return kDialogCancelled;
            asked.push_back(p);
            const int v = answers.front();
            answers.erase(answers.begin());
            return v;
        };
        form->action("onRotate", 1)->trigger();
        // 270 clockwise: the top-right pixel comes to the top-left.
        QCOMPARE(At(form->workspace().Image, 0, 0), (Px{3, 0, 7}));
        QCOMPARE(At(form->workspace().Image, 2, 3), (Px{0, 2, 7}));
        form->action("onRotate", 2)->trigger();  // cancelled
        QCOMPARE(form->workspace().Image.width(), 3);
        form->action("onRotate", 2)->trigger();  // 180.00 degrees: 90 from the start
        QCOMPARE(At(form->workspace().Image, 0, 0), (Px{0, 2, 7}));
        QCOMPARE(form->host().recordedLines,
                 (std::vector<std::string>{"ROTATE=270", "ROTATE=180"}));
        QCOMPARE(asked.size(), size_t(3));
        QCOMPARE(asked[0].Max, 359);
        QCOMPARE(asked[0].Position, 90);
        QCOMPARE(asked[0].Presets[4], 180);
        QCOMPARE(asked[1].Max, 35999);
        QCOMPARE(asked[1].Position, 9000);
        QCOMPARE(asked[1].LargeStep, 300);
        QCOMPARE(asked[1].Presets[0], 3000);
    }

    void mirrorsFlipAndRecordNothing() {
        auto form = loaded(4, 3);
        QVERIFY(form);
        form->action("onMirror", 0)->trigger();  // upside down
        QCOMPARE(At(form->workspace().Image, 1, 0), (Px{1, 2, 7}));
        QCOMPARE(At(form->workspace().Image, 3, 2), (Px{3, 0, 7}));
        form->action("onMirror", 1)->trigger();  // left and right
        QCOMPARE(At(form->workspace().Image, 0, 0), (Px{3, 2, 7}));
        QCOMPARE(At(form->workspace().Image, 2, 1), (Px{1, 1, 7}));
        QVERIFY(form->host().recordedLines.empty());
    }

    void selectionItemsWaitForASelection() {
        auto form = loaded(20, 10);
        QVERIFY(form);
        for (const char* h : {"onCrop", "onTrim", "onCopySelection"}) {
            QVERIFY2(form->action(h), h);
            QVERIFY2(!form->action(h)->isEnabled(), h);
        }
    }

    void cropOfADrawnSelection() {
        auto form = loaded(100, 80);
        QVERIFY(form);
        form->setZoom(200);
        form->onSelect();
        PictureView* sky = form->view();
        DragSelection(sky, QPoint{10, 10}, QPoint{50, 30});
        QCOMPARE(form->workspace().SelectionRect, (SelRect{5, 5, 26, 16}));
        QVERIFY(form->action("onCrop")->isEnabled());
        form->onBatchEditor();  // the line goes to the script window
        form->action("onCrop")->trigger();
        const Bitmap cropped = form->workspace().Image;
        QCOMPARE(QSize(cropped.width(), cropped.height()), QSize(21, 11));
        QCOMPARE(At(cropped, 0, 0), (Px{5, 5, 7}));
        QCOMPARE(At(cropped, 20, 10), (Px{25, 15, 7}));
        // top × 65536 + left, bottom × 65536 + right.
        QCOMPARE(form->scriptWindow(false)->lines(),
                 (std::vector<std::string>{"CROP=327685,1048602"}));
        // The hand tool is back and nothing is selected any more.
        QVERIFY(!form->SelectToolActive);
        QVERIFY(!form->action("onCrop")->isEnabled());
        form->onUndo();
        QVERIFY(form->workspace().Image == Pattern(100, 80));
        // The interpreter runs the recorded line to the same picture.
        form->onPerformBatch();
        QVERIFY(form->workspace().Image == cropped);
        form->workspace().Modified = false;
        form->scriptWindow(false)->closeForGood();
    }

    void borderPaintsTheChosenBands() {
        auto form = loaded(10, 8);
        QVERIFY(form);
        QList<int> opened;
        form->resizeDialogHook = [&](const QString& title, int w, int h, int mw, int mh) {
            if (title != QStringLiteral("Set Border")) return ResizeResult{};
            opened << w << h << mw << mh;
            ResizeResult r;
            r.width = 3;
            r.height = 2;
            r.color = QColor(255, 0, 0);
            return r;
        };
        form->action("onBorder")->trigger();
        QCOMPARE(opened, (QList<int>{1, 1, 127, 127}));
        const Bitmap& img = form->workspace().Image;
        QCOMPARE(At(img, 0, 0), (Px{0, 0, 255}));
        QCOMPARE(At(img, 2, 5), (Px{0, 0, 255}));
        QCOMPARE(At(img, 7, 5), (Px{0, 0, 255}));
        QCOMPARE(At(img, 5, 1), (Px{0, 0, 255}));
        QCOMPARE(At(img, 5, 6), (Px{0, 0, 255}));
        QCOMPARE(At(img, 3, 2), (Px{3, 2, 7}));
        QCOMPARE(At(img, 6, 5), (Px{6, 5, 7}));
        QCOMPARE(form->workspace().remembered.Border, 3 * 256 + 2);
        QCOMPARE(form->host().recordedLines, (std::vector<std::string>{"BORDER=255,3,2"}));
        QVERIFY(Replayed("BORDER=255,3,2", Pattern(10, 8)) == img);
    }

    void resizeAndResampleFollowTheirLines() {
        auto form = fx_.makeWindow();
        QVERIFY(form);
        QVERIFY(form->openPicture(WriteFlatPicture(fx_.path("flat.bmp"), 40, 32, 10, 20, 30)));
        form->workspace().RecordingActive = true;
        QStringList titles;
        QSize answer(17, 9);
        form->resizeDialogHook = [&](const QString& title, int w, int h, int mw, int mh) {
            titles << QStringLiteral("%1 %2x%3 %4x%5").arg(title).arg(w).arg(h).arg(mw).arg(mh);
            ResizeResult r;
            r.width = answer.width();
            r.height = answer.height();
            return r;
        };
        form->action("onResize")->trigger();
        const Bitmap& img = form->workspace().Image;
        QCOMPARE(QSize(img.width(), img.height()), QSize(17, 9));
        QCOMPARE(At(img, 16, 8), (Px{10, 20, 30}));
        answer = QSize(-1, -1);
        form->action("onResize")->trigger();
        QCOMPARE(img.width(), 17);
        QCOMPARE(titles, (QStringList{QStringLiteral("Image Resize 40x32 16384x16384"),
                                      QStringLiteral("Image Resize 17x9 16384x16384")}));
        QCOMPARE(form->host().recordedLines, (std::vector<std::string>{"RESIZE=17,9"}));
        const auto hook = form->resizeDialogHook;
        form.reset();

        auto pattern = loaded(40, 32);
        QVERIFY(pattern);
        pattern->resizeDialogHook = hook;
        answer = QSize(20, 16);
        pattern->action("onResample")->trigger();
        QCOMPARE(titles.last(), QStringLiteral("Image Resample 40x32 16384x16384"));
        QCOMPARE(pattern->host().recordedLines, (std::vector<std::string>{"RESAMPLE=20,16"}));
        QVERIFY(Replayed("RESAMPLE=20,16", Pattern(40, 32)) == pattern->workspace().Image);
    }

    void autoResizeKeepsTheUnsavedState() {
        auto form = loaded(40, 30);
        QVERIFY(form);
        form->action("onAutoResize")->trigger();
        const Bitmap& img = form->workspace().Image;
        QVERIFY(img.width() > 40);
        QVERIFY(!form->workspace().Modified);
        QCOMPARE(form->host().recordedLines,
                 (std::vector<std::string>{"RESAMPLE=" + std::to_string(img.width()) + "," +
                                           std::to_string(img.height())}));
    }

    void maskSetsTheSelectionInNumbers() {
        auto form = loaded(100, 80);
        QVERIFY(form);
        QList<int> opened;
        form->resizeDialogHook = [&](const QString& title, int w, int h, int mw, int mh) {
            if (title != QStringLiteral("Adjust Selection")) return ResizeResult{};
            opened << w << h << mw << mh;
            return Chosen(10, 20, 30, 5);
        };
        form->action("onMask")->trigger();
        QCOMPARE(opened, (QList<int>{100, 80, 100, 80}));
        QCOMPARE(form->workspace().SelectionRect, (SelRect{10, 20, 40, 25}));
        QVERIFY(form->SelectToolActive);
        QVERIFY(!form->view()->rubberBand().isEmpty());
        QVERIFY(form->action("onCrop")->isEnabled());
        QVERIFY(form->action("onTrim")->isEnabled());
        // In the fitted view Crop asks again, starting from the saved selection.
        form->action("onCrop")->trigger();
        QCOMPARE(opened.mid(4), (QList<int>{30, 5, 100, 80}));
        QCOMPARE(form->workspace().Image.width(), 30);
        QCOMPARE(At(form->workspace().Image, 0, 0), (Px{10, 20, 7}));
    }

    void selectAllOffersTheWholePicture() {
        auto form = loaded(100, 80);
        QVERIFY(form);
        QList<int> opened;
        form->resizeDialogHook = [&](const QString& title, int w, int h, int mw, int mh) {
            if (title != QStringLiteral("Adjust Selection")) return ResizeResult{};
            opened << w << h << mw << mh;
            return Chosen(0, 0, w, h);
        };
        form->action("onSelectAll")->trigger();
        QCOMPARE(opened, (QList<int>{100, 80, 100, 80}));
        QCOMPARE(form->workspace().SelectionRect, (SelRect{0, 0, 100, 80}));
        QVERIFY(form->SelectToolActive);

        form->resizeDialogHook = [&](const QString&, int, int, int, int) { return Chosen(5, 6, 20, 10); };
        form->action("onMask")->trigger();
        QCOMPARE(form->workspace().SelectionRect, (SelRect{5, 6, 25, 16}));
        opened.clear();
        form->resizeDialogHook = [&](const QString&, int w, int h, int mw, int mh) {
            opened << w << h << mw << mh;
            return ResizeResult{};
        };
        // Where Mask would offer the selection on screen, the whole picture.
        form->action("onSelectAll")->trigger();
        QCOMPARE(opened, (QList<int>{100, 80, 100, 80}));
    }

    void gridCopiesAndRefusesSmallPictures() {
        auto form = loaded(128, 96);
        QVERIFY(form);
        QList<int> opened;
        form->gridDialogHook = [&](int cols, int rows, int w, int h) {
            opened << cols << rows << w << h;
            QuadResult q;
            q.columns = 2;
            q.rows = 2;
            q.left = 64;
            q.right = 127;
            q.top = 0;
            q.bottom = 47;
            return q;
        };
        form->action("onGrid", 1)->trigger();
        QCOMPARE(opened, (QList<int>{2, 2, 128, 96}));
        QCOMPARE(form->workspace().SelectionRect, (SelRect{64, 0, 128, 48}));
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(copied.size(), QSize(64, 48));
        QCOMPARE(copied.pixel(0, 0), qRgb(7, 0, 64));
        QCOMPARE(copied.pixel(63, 47), qRgb(7, 47, 127));
        // Paste > Grid: the clipboard into the chosen cell.
        QImage white(64, 48, QImage::Format_RGB32);
        white.fill(Qt::white);
        QGuiApplication::clipboard()->setImage(white);
        form->action("onGrid", 2)->trigger();
        QCOMPARE(At(form->workspace().Image, 64, 0), (Px{255, 255, 255}));
        QCOMPARE(At(form->workspace().Image, 63, 0), (Px{63, 0, 7}));
        QCOMPARE(At(form->workspace().Image, 64, 48), (Px{64, 48, 7}));

        form.reset();
        auto small = loaded(63, 100);
        QVERIFY(small);
        fx_.asked.clear();
        small->action("onGrid", 0)->trigger();
        QCOMPARE(fx_.asked, (std::vector<std::string>{kGridTooSmall}));
    }

    void trimAndCopySelection() {
        auto form = fx_.makeWindow();
        QVERIFY(form);
        Workspace pic;
        Bitmap b(20, 10, 24);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 20; ++x) {
                const bool block = x >= 5 && x <= 8 && y >= 3 && y <= 5;
                std::fill_n(b.scanLine(y) + 3 * x, 3, uint8_t(block ? x : 255));
            }
        pic.setImage(std::move(b));
        const std::string path =
            SaveImageFile(pic, fx_.path("trim.bmp").toStdString(), SaveFormat::Bmp).path;
        QVERIFY(form->openPicture(path));
        form->resizeDialogHook = [](const QString&, int, int, int, int) {
            return Chosen(4, 2, 3, 2);
        };
        // Fitted view: Copy selection confirms the selection in numbers first.
        form->onCopySelection();
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(copied.size(), QSize(3, 2));
        QCOMPARE(copied.pixel(0, 0), qRgb(255, 255, 255));
        QCOMPARE(copied.pixel(1, 1), qRgb(5, 5, 5));
        QVERIFY(!form->workspace().Modified);
        QCOMPARE(form->workspace().Image.width(), 20);

        form->workspace().SelectionRect = SelRect{0, 0, 20, 10};
        form->onTrim();
        const Bitmap& img = form->workspace().Image;
        QCOMPARE(QSize(img.width(), img.height()), QSize(4, 3));
        QCOMPARE(At(img, 0, 0), (Px{5, 5, 5}));
        QCOMPARE(At(img, 3, 2), (Px{8, 8, 8}));
        QVERIFY(form->workspace().Modified);
        form->onUndo();
        QCOMPARE(form->workspace().Image.width(), 20);
    }
};

QTEST_MAIN(MainWindowGeometryTest)
#include "main_window_geometry_qtest.moc"
