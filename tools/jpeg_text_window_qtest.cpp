// The JPEG Text window on crafted files: EXIF and comments listed, text added
// twice, comments stripped with the byte count, the backup question, a broken
// file, and where the window opens.
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include "shell/gui_frame_host.h"
#include "shell/main_window_test_util.h"
#include "tools/jpeg_text_window.h"

using namespace vimbra;
using namespace vimbra::testing;

namespace {

// SOI, an APP1 EXIF segment (little-endian, two entries: Make "Cam" and the
// unlisted tag 0x8825 = 7), a scan header with two data bytes, EOI.
QByteArray ExifJpeg() {
    const QByteArray tiff = QByteArray::fromHex(
        "49492a0008000000"          // II, 42, first directory at 8
        "0200"                      // two entries
        "0f0102000400000043616d00"  // 271 Make, text, 4 bytes "Cam\0"
        "2588030001000000" "07000000"  // 0x8825, short, 1, value 7
        "00000000");                // no next directory
    QByteArray app1 = QByteArray("Exif\0\0", 6) + tiff;
    const int len = app1.size() + 2;
    QByteArray out = QByteArray::fromHex("ffd8ffe1");
    out.append(char(len >> 8)).append(char(len & 0xFF)).append(app1);
    out += QByteArray::fromHex("ffda0008010100003f00" "1234" "ffd9");
    return out;
}

}  // namespace

class JpegTextWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    std::vector<std::string> asked_;
    std::vector<Answer> answers_;

    std::unique_ptr<GuiFrameHost> host() {
        auto h = std::make_unique<GuiFrameHost>(nullptr);
        h->askHook = [this](MessageKind, std::string_view text, Buttons) {
            asked_.emplace_back(text);
            if (answers_.empty()) return Answer::Yes;
            const Answer a = answers_.front();
            answers_.erase(answers_.begin());
            return a;
        };
        return h;
    }

private slots:
    void listsExifThenAddsAndStripsComments() {
        const QString path = dir_.filePath(QStringLiteral("cam.jpg"));
        const QByteArray original = ExifJpeg();
        QVERIFY(WriteAll(path, original));
        auto h = host();
        JpegTextWindow w(*h);
        w.chooseHook = [&](const QString&) { return path; };
        w.onRead();
        QCOMPARE(w.memo()->toPlainText(), QStringLiteral("Make = Cam\n8825 = 7"));
        QVERIFY(w.labelData()->text().startsWith(QStringLiteral("Size: %1 bytes\nDate: ").arg(original.size())));
        QCOMPARE(w.commentToolFile(), path);

        // Add text: the backup first, then one comment segment of 4 + 14 bytes.
        w.memo()->setPlainText(QStringLiteral("Hello\nWorld"));
        asked_.clear();
        w.onAddText();
        QVERIFY(asked_.empty());
        const QString bak = dir_.filePath(QStringLiteral("cam.bak"));
        QCOMPARE(ReadAll(bak), original);
        QCOMPARE(ReadAll(path).size(), original.size() + 18);
        // Again: the backup exists; No leaves everything as it is.
        w.memo()->setPlainText(QStringLiteral("Second"));
        answers_ = {Answer::No};
        w.onAddText();
        QCOMPARE(asked_, (std::vector<std::string>{(dir_.path() + "/cam.bak").toStdString() +
                                                   " exists.\nOrignal file is copied to *.bak.\nOverwrite *.bak file?"}));
        QCOMPARE(ReadAll(path).size(), original.size() + 18);
        answers_ = {Answer::Yes};
        w.onAddText();
        QCOMPARE(ReadAll(path).size(), original.size() + 18 + 12);
        // Each text goes right after the application segments: the newer first.
        w.onRead();
        QCOMPARE(w.memo()->toPlainText(), QStringLiteral("Make = Cam\n8825 = 7\nSecond\nHello\nWorld"));

        // Strip comments: the count is the size difference; the EXIF stays.
        asked_.clear();
        answers_ = {Answer::Yes, Answer::Yes};
        w.onStrip(StripMode::CommentsOnly);
        QCOMPARE(asked_.back(), std::string("Comments removed: 30 bytes"));
        QCOMPARE(ReadAll(path), original);
        asked_.clear();
        w.onStrip(StripMode::CommentsOnly);
        QCOMPARE(asked_, (std::vector<std::string>{"No Comments found.\nFile unchanged."}));
        // All extra info takes the EXIF segment too.
        answers_ = {Answer::Yes};
        asked_.clear();
        w.onStrip(StripMode::AllExtraInfo);
        const int exifSegment = 2 + 2 + 6 + 38;
        QCOMPARE(asked_.back(), "Extra info removed: " + std::to_string(exifSegment) + " bytes");
        QCOMPARE(ReadAll(path).size(), original.size() - exifSegment);
    }

    void brokenFileClosesTheWindow() {
        const QString path = dir_.filePath(QStringLiteral("bad.jpg"));
        QVERIFY(WriteAll(path, QByteArray::fromHex("ffd8ffe10050")));  // a length past the end
        auto h = host();
        JpegTextWindow w(*h);
        w.show();
        w.chooseHook = [&](const QString&) { return path; };
        asked_.clear();
        w.onRead();
        QCOMPARE(asked_, (std::vector<std::string>{"File has bad JPEG markers."}));
        QVERIFY(!w.isVisible());
        QVERIFY(w.memo()->toPlainText().isEmpty());
        // A file that is no JPEG by name is not read at all.
        QVERIFY(!w.ReadJpegInfo(dir_.filePath(QStringLiteral("bad.png"))));
    }

    void escHidesAndStoresTheBounds() {
        auto h = host();
        JpegTextWindow w(*h, WindowBounds{10, 20, 410, 320});
        WindowBounds stored{};
        w.onStoreBounds = [&](const WindowBounds& b) { stored = b; };
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::keyRelease(&w, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QCOMPARE(stored.right - stored.left, 400);
        QCOMPARE(stored.bottom - stored.top, 300);
    }

    void opensWhereTheRecordSays() {
        const QSize screen(1920, 1080);
        QCOMPARE(JpegTextWindowBounds({100, 50, 600, 450}, screen), QRect(100, 50, 500, 400));
        // Too small: a quarter of the screen, centred.
        QCOMPARE(JpegTextWindowBounds({0, 0, 0, 0}, screen), QRect(720, 405, 480, 270));
        // Small screens: at least 320 × 240.
        QCOMPARE(JpegTextWindowBounds({0, 0, 10, 10}, QSize(800, 600)), QRect(240, 180, 320, 240));
        // Off the right edge: centred across, kept down.
        QCOMPARE(JpegTextWindowBounds({1800, 10, 2300, 410}, screen), QRect(710, 10, 500, 400));
        // Negative corner: moved to 0, size kept.
        QCOMPARE(JpegTextWindowBounds({-20, -5, 480, 395}, screen), QRect(0, 0, 500, 400));
    }
};

QTEST_MAIN(JpegTextWindowTest)
#include "jpeg_text_window_qtest.moc"
