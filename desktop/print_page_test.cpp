#include "desktop/print_page.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <optional>

#include <gtest/gtest.h>

#include "core/bitmap.h"

namespace vimbra {
namespace {

// The tool's standard output; nullopt when it failed.
std::optional<QString> RunTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) return std::nullopt;
    return QString::fromUtf8(p.readAllStandardOutput());
}

bool HavePoppler() {
    return !QStandardPaths::findExecutable("pdfimages").isEmpty() &&
           !QStandardPaths::findExecutable("pdftoppm").isEmpty();
}

// The zero-filled (black) picture on a white A4 page: 2479 x 3508 pixels at
// 300 dpi, a 400 x 300 picture fitted to 2479 x 1859 at (0, 824).
TEST(WritePicturePdf, PictureKeepsItsPixelsAndLandsCentred) {
    if (!HavePoppler()) GTEST_SKIP() << "pdfimages / pdftoppm not installed";
    QTemporaryDir dir;
    const QString pdf = dir.filePath("page.pdf");
    ASSERT_EQ(WritePicturePdf(pdf.toStdString(), Bitmap(400, 300, 24)), "");

    // One image of the picture's own size; 400 px over 2479 / 300 inches = 48.4 ppi.
    const QStringList lines = RunTool("pdfimages", {"-list", pdf}).value_or("").split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << lines.join('\n').toStdString();  // two header lines
    const QStringList f = lines[2].simplified().split(' ');
    EXPECT_EQ(f[0], "1");    // page
    EXPECT_EQ(f[3], "400");  // width
    EXPECT_EQ(f[4], "300");  // height
    EXPECT_EQ(f[12], "48");  // x-ppi
    EXPECT_EQ(f[13], "48");  // y-ppi

    // At 30 dpi the page is 248 x 351 and the picture covers rows 82.4 .. 268.3.
    ASSERT_TRUE(RunTool("pdftoppm", {"-r", "30", "-gray", pdf, dir.filePath("p")}));
    const QImage page(dir.filePath("p-1.pgm"));
    ASSERT_EQ(page.size(), QSize(248, 351));
    auto grey = [&](int x, int y) { return qGray(page.pixel(x, y)); };
    EXPECT_GT(grey(124, 78), 250);   // above
    EXPECT_LT(grey(124, 86), 5);     // inside, top
    EXPECT_LT(grey(1, 175), 5);      // inside, left edge: the width is filled
    EXPECT_LT(grey(246, 175), 5);    // inside, right edge
    EXPECT_LT(grey(124, 266), 5);    // inside, bottom
    EXPECT_GT(grey(124, 273), 250);  // below
}

TEST(WritePicturePdf, FailuresKeepAnExistingFile) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("old.pdf");
    {
        QFile f(pdf);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    EXPECT_EQ(WritePicturePdf(pdf.toStdString(), Bitmap()), "There is no picture to print.");
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "old");

    const std::string missing = dir.filePath("no/such/folder/x.pdf").toStdString();
    EXPECT_EQ(WritePicturePdf(missing, Bitmap(2, 2, 24)), "Cannot write " + missing + ".");
}

}  // namespace
}  // namespace vimbra
