#include "shell/save_options.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace vimbra {
namespace {

TEST(SaveOptionsTest, ControlsByVariant) {
    EXPECT_EQ(ControlsFor(SaveFormat::Jpeg), (SaveFormatControls{true, true}));
    EXPECT_EQ(ControlsFor(SaveFormat::JpegGrey), (SaveFormatControls{true, true}));
    // For PNG the progressive box means interlaced.
    EXPECT_EQ(ControlsFor(SaveFormat::Png), (SaveFormatControls{false, true}));
    for (SaveFormat f : {SaveFormat::Bmp, SaveFormat::Pcx, SaveFormat::Tga, SaveFormat::Tiff,
                         SaveFormat::TiffFaxG4, SaveFormat::TiffPackBits})
        EXPECT_EQ(ControlsFor(f), SaveFormatControls{}) << int(f);
    // Lossy WebP, AVIF and JPEG XL take a quality; their lossless variants nothing.
    for (SaveFormat f : {SaveFormat::Webp, SaveFormat::Avif, SaveFormat::Jxl})
        EXPECT_EQ(ControlsFor(f), (SaveFormatControls{true, false})) << int(f);
    for (SaveFormat f : {SaveFormat::WebpLossless, SaveFormat::AvifLossless, SaveFormat::JxlLossless})
        EXPECT_EQ(ControlsFor(f), SaveFormatControls{}) << int(f);
}

TEST(SaveOptionsTest, FiltersInVariantOrder) {
    const QStringList colour = SaveNameFilters(24);
    ASSERT_EQ(colour.size(), 15);
    EXPECT_EQ(colour[3], "JPG (JPEG 8-bit gray) (*.jpg)");
    EXPECT_EQ(colour[8], "TIF (Deflated Adobe TIFF) (*.tif)");
    EXPECT_EQ(colour[9], "WEBP (WebP) (*.webp)");
    EXPECT_EQ(SaveNameFilters(8).size(), 15);
    const QStringList mono = SaveNameFilters(1);
    ASSERT_EQ(mono.size(), 18);
    EXPECT_EQ(mono[9], "TIF (Fax-Group3 TIFF) (*.tif)");
    // Each filter names its variant, whatever its place in the list.
    for (const QStringList* list : {&colour, &mono})
        for (const QString& filter : *list)
            EXPECT_EQ(QString::fromUtf8(SaveFormatText(SaveFormat(SaveFormatOfFilter(filter)))) +
                          filter.mid(filter.indexOf(QStringLiteral(" (*."))),
                      filter);
    EXPECT_EQ(SaveFormatOfFilter(colour[9]), 13);
    EXPECT_EQ(SaveFormatOfFilter(mono[17]), 18);
    EXPECT_EQ(SaveFormatOfFilter(QStringLiteral("GIF (*.gif)")), 0);
}

TEST(SaveOptionsTest, StartFolder) {
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("saved"));
    const QString shown = dir.filePath(QStringLiteral("shown"));
    QDir().mkpath(saved);
    QDir().mkpath(shown);
    const QString file = shown + QStringLiteral("/a.jpg");
    EXPECT_EQ(InitialSaveFolder(saved, file, QStringLiteral("/prog")), saved);
    // The remembered folder is gone: the shown file's, then the program's.
    EXPECT_EQ(InitialSaveFolder(saved + QStringLiteral("x"), file, QStringLiteral("/prog")), shown);
    EXPECT_EQ(InitialSaveFolder(QString(), QStringLiteral("/no/such/dir/a.jpg"),
                                QStringLiteral("/prog")),
              "/prog");
    EXPECT_EQ(InitialSaveFolder(QString(), QString(), QStringLiteral("/prog")), "/prog");
}

TEST(SaveOptionsTest, QualityTextShowsWhatTheEncoderGets) {
    EXPECT_EQ(QualityText(75), "&Quality 75 (JPEG 75)");
    EXPECT_EQ(QualityText(0), "&Quality 0 (JPEG 1)");
    EXPECT_EQ(QualityText(200), "&Quality 200 (JPEG 50)");
}

}  // namespace
}  // namespace vimbra
