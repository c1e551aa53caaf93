#include "media/text_page.h"

#include <QFile>
#include <QTextDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vimbra {
namespace {

TEST(TextPageBox, StripsSizesAndCentring) {
    TextPageRequest show;
    show.slideshow = true;
    show.textPosition = kTextPositionTop;
    EXPECT_EQ(TextPageBox(show, 800, 600, 1024, 768), (PageBox{0, 0, 800, 48}));
    show.textPosition = kTextPositionBottom;
    EXPECT_EQ(TextPageBox(show, 800, 600, 1024, 768), (PageBox{0, 552, 800, 48}));
    // The viewer never uses the strips.
    TextPageRequest viewer;
    viewer.textPosition = kTextPositionBottom;
    viewer.x = 0;
    viewer.y = 0;
    viewer.width = 640;
    viewer.height = 400;
    EXPECT_EQ(TextPageBox(viewer, 800, 600, 1024, 768), (PageBox{0, 0, 640, 400}));
    // No U: the screen, limited to the client area, centred when x is -1.
    TextPageRequest none;
    EXPECT_EQ(TextPageBox(none, 800, 600, 1024, 768), (PageBox{0, 0, 800, 600}));
    // Z 50: 1024 x 768 halves to 512 x 384, centred at (144, 108).
    none.zoom = 50;
    EXPECT_EQ(TextPageBox(none, 800, 600, 1024, 768), (PageBox{144, 108, 512, 384}));
    // Z 33 truncates: 1024 * 33 / 100 = 337, 768 * 33 / 100 = 253.
    none.zoom = 33;
    EXPECT_EQ(TextPageBox(none, 800, 600, 1024, 768), (PageBox{231, 173, 337, 253}));
    // A box that would pass the client area's edge is centred instead.
    TextPageRequest off;
    off.x = 500;
    off.y = 10;
    off.width = 400;
    off.height = 100;
    EXPECT_EQ(TextPageBox(off, 800, 600, 1024, 768), (PageBox{200, 250, 400, 100}));
    off.x = 400;
    EXPECT_EQ(TextPageBox(off, 800, 600, 1024, 768), (PageBox{400, 10, 400, 100}));
}

class TextPageRender : public ::testing::Test {
protected:
    std::string write(const char* name, const QByteArray& bytes) {
        const QString path = dir_.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path.toStdString();
    }
    // Pixels in the rectangle darker than mid-grey.
    static int DarkPixels(const Bitmap& b, int x0, int y0, int x1, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const uint8_t* p = b.scanLine(y) + 3 * x;
                if (p[0] + p[1] + p[2] < 3 * 128) ++n;
            }
        return n;
    }
    QTemporaryDir dir_;
};

TEST_F(TextPageRender, PlainTextIsDarkOnWhiteAtTheTopLeft) {
    const std::string path = write("page.txt", "Hello text page\nsecond line\n");
    TextPageContent c;
    const Bitmap page = RenderTextPage(path, 300, 200, 0xFFFFFF, &c);
    ASSERT_EQ(page.width(), 300);
    ASSERT_EQ(page.height(), 200);
    EXPECT_EQ(page.depth(), 24);
    EXPECT_TRUE(c.ok);
    EXPECT_GT(DarkPixels(page, 0, 0, 200, 50), 40);
    // Nothing below the two lines and right of the text.
    EXPECT_EQ(DarkPixels(page, 0, 100, 300, 200), 0);
    EXPECT_EQ(DarkPixels(page, 250, 0, 300, 200), 0);
    const uint8_t* corner = page.scanLine(199) + 3 * 299;
    EXPECT_EQ(corner[0], 255);
    EXPECT_EQ(corner[1], 255);
    EXPECT_EQ(corner[2], 255);
}

TEST_F(TextPageRender, BackgroundColourAndRichTextColours) {
    const std::string path =
        write("page.rtf", R"({\rtf1{\colortbl;\red255\green0\blue0;}\fs48\cf1 RED\par})");
    const Bitmap page = RenderTextPage(path, 200, 100, 0x0000FF);
    ASSERT_FALSE(page.isEmpty());
    // Blue background: bytes blue, green, red.
    const uint8_t* p = page.scanLine(99) + 3 * 199;
    EXPECT_EQ(p[0], 255);
    EXPECT_EQ(p[1], 0);
    EXPECT_EQ(p[2], 0);
    // Red text somewhere in the first line.
    int red = 0;
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 150; ++x) {
            const uint8_t* q = page.scanLine(y) + 3 * x;
            if (q[2] > 200 && q[1] < 60 && q[0] < 120) ++red;
        }
    EXPECT_GT(red, 20);
}

TEST_F(TextPageRender, UnreadableAndBadFilesGiveAnEmptyPageWithAReason) {
    TextPageContent c;
    const Bitmap missing = RenderTextPage(dir_.filePath("none.txt").toStdString(), 50, 40, 0xFFFFFF, &c);
    EXPECT_FALSE(c.ok);
    ASSERT_EQ(missing.width(), 50);
    EXPECT_EQ(DarkPixels(missing, 0, 0, 50, 40), 0);
    const std::string bad = write("bad.rtf", "{\\rtf1 " + QByteArray(500, '{'));
    const Bitmap page = RenderTextPage(bad, 50, 40, 0xFFFFFF, &c);
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(c.message, "Bad RTF file: groups nested too deeply.");
    EXPECT_EQ(DarkPixels(page, 0, 0, 50, 40), 0);
    EXPECT_TRUE(RenderTextPage(bad, 0, 40, 0xFFFFFF).isEmpty());
}

TEST_F(TextPageRender, Cp1252FallbackForNonUtf8Text) {
    QTextDocument doc;
    const std::string path = write("latin.txt", QByteArray("caf\xe9 \x80"));
    ASSERT_TRUE(LoadTextPage(path, doc).ok);
    EXPECT_EQ(doc.toPlainText(), QString::fromUtf16(u"caf\u00e9 \u20ac"));
    const std::string utf8 = write("utf8.txt", QByteArray("\xEF\xBB\xBFna\xC3\xAFve"));
    ASSERT_TRUE(LoadTextPage(utf8, doc).ok);
    EXPECT_EQ(doc.toPlainText(), QString::fromUtf16(u"na\u00efve"));
}

}  // namespace
}  // namespace vimbra
