#include "filters/analysis.h"

#include <gtest/gtest.h>

#include "filters/analysis_report.h"

namespace vimbra {
namespace {

// A grey picture: every pixel's three bytes equal to its value.
Bitmap GreyPicture(int w, int h, std::initializer_list<int> values) {
    Bitmap b(w, h, 24);
    auto v = values.begin();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, ++v) std::fill_n(b.scanLine(y) + 3 * x, 3, uint8_t(*v));
    return b;
}

PictureAnalysis Analyze(Bitmap picture, uint32_t fileSize, AnalysisRequest request = {}) {
    Workspace ws;
    ws.setImage(std::move(picture));
    request.fileName = "/pictures/trip/pic.png";
    request.fileSize = fileSize;
    auto a = AnalyzeWorkingImage(ws, request);
    EXPECT_TRUE(a.has_value());
    EXPECT_FALSE(ws.Modified);
    return *a;
}

TEST(AnalysisMeasures, GamutLevelsAndFormats) {
    EXPECT_EQ(ChannelGamut(127.25L, 76.09L), 152);  // 127 ± 76
    EXPECT_EQ(ChannelGamut(10, 20), 30);            // lo raised to 0
    EXPECT_EQ(ChannelGamut(250.5L, 10.5L), 15);     // 250 ± 10, hi lowered to 255
    Histogram h{};
    h[0] = h[200] = 3;
    EXPECT_EQ(UsedLevels(h), 2);
    h.fill(1);
    EXPECT_EQ(UsedLevels(h), 255);  // every level counts 255, not 256

    EXPECT_EQ(FormatOptionalDigits(0.5L), ".5");
    EXPECT_EQ(FormatOptionalDigits(36.339L), "36.34");
    EXPECT_EQ(FormatOptionalDigits(2), "2");
    EXPECT_EQ(FormatOptionalDigits(12.1L), "12.1");
    EXPECT_EQ(FormatOptionalDigits(0), "");
    EXPECT_EQ(FormatFixed2(28.2843L), "28.28");

    EXPECT_EQ(OverallRating(0, 0, 500, 7.5L), 7.5L);  // no detail at all: the quality alone
    EXPECT_EQ(OverallRating(4, 2, 100, 1), 51);       // 2 / (2 + 2) × 100 + 1
    EXPECT_EQ(MeasureIndex(19200, 9), 19200 * 10 / Real(9));
    EXPECT_EQ(MeasureIndex(5, 0), 0);
}

TEST(AnalysisMeasures, TwoByTwoGreyPicture) {
    // Values 0, 0, 255, 255: mean 127.5, sd 127.5, gamut 255 (R(127.5) = 128).
    const PictureAnalysis a = Analyze(GreyPicture(2, 2, {0, 0, 255, 255}), 2);
    EXPECT_EQ(a.pixels, 4);
    EXPECT_EQ(a.red.gamut, 255);
    EXPECT_EQ(a.levelsRed, 2);
    EXPECT_EQ(a.uniqueColors, 8);  // (255 × 2 ÷ 255)³
    EXPECT_EQ(a.rawBytes, 4);      // equal gamuts: one byte a pixel
    EXPECT_EQ(a.compressionRatio, 2);
    // The 3x3 passes leave the outer ring alone: nothing changes here.
    EXPECT_EQ(a.smoothness, 0);
    EXPECT_EQ(a.detail, 0);
    EXPECT_EQ(a.overall, a.jpegQuality);

    const std::vector<std::string> lines = PictureReportLines(a, true);
    ASSERT_EQ(lines.size(), 21u);
    EXPECT_EQ(lines[0], "Filename: pic.png");
    EXPECT_EQ(lines[1], "Location: /pictures/trip/");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "Red values:  Mean = 127.50  sd. = 127.50  gamut = 255");
    EXPECT_EQ(lines[7], "Gry values:  Mean = 127.50  sd. = 127.50  gamut = 255");
    EXPECT_EQ(lines[8], "Sat values:  Mean = 0.00  sd. = 0.00  gamut = 0");
    EXPECT_EQ(lines[11], "Estimated Unique Colors: 8");
    EXPECT_EQ(lines[13], "Filesize: 2 bytes (2 : 1 compression)");
    EXPECT_EQ(lines[15], "Color Diversity Index = 0.00 (higher is better)");
    EXPECT_EQ(lines[17], "Smoothness Index = 0.00 (lower is softer)");
    EXPECT_EQ(lines[18], "Detail Index = 0.00 (higher is sharper)");
    EXPECT_TRUE(lines[20].starts_with("Overall Rating = "));

    // The message box leaves out the empty lines before Filesize and Overall.
    const std::string text = SingleMessageText(a);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 18);
    EXPECT_NE(text.find("Colors: 8\nFilesize: 2 bytes"), std::string::npos);
}

TEST(AnalysisMeasures, BlurAndSharpenSumsOfOneBrightPixel) {
    // 3 × 3 black with 90 in the middle: the blur makes it 90 / 9 = 10, mean
    // removal level 2 (centre 15, divisor 7) 1350 / 7 = 192.
    const PictureAnalysis a = Analyze(GreyPicture(3, 3, {0, 0, 0, 0, 90, 0, 0, 0, 0}), 0);
    EXPECT_EQ(a.red.mean, 10);
    EXPECT_EQ(FormatFixed2(a.red.sd), "28.28");  // √800
    EXPECT_EQ(a.red.gamut, 38);
    EXPECT_EQ(a.uniqueColors, 0);
    EXPECT_EQ(a.compressionRatio, 0);  // file size 0
    EXPECT_EQ(a.smoothness, Real(3 * 80 * 80) * 10 / 9);
    EXPECT_EQ(a.detail, Real(3 * 102 * 102) * 10 / 9);
    EXPECT_EQ(PictureReportLines(a, true)[13], "Filesize: 0 bytes ( : 1 compression)");
}

TEST(AnalysisMeasures, RegionIsCroppedOnlyWhenItLiesInside) {
    int crops = 0;
    AnalysisRequest request;
    request.crop = [&](Workspace& ws, const SelRect& r) {
        ++crops;
        ws.Image = GreyPicture(r.right - r.left, r.bottom - r.top, {5, 5});
    };
    request.region = SelRect{1, 1, 3, 2};
    const PictureAnalysis inside = Analyze(GreyPicture(3, 3, {0, 0, 0, 0, 0, 0, 0, 0, 0}), 1, request);
    EXPECT_EQ(crops, 1);
    EXPECT_EQ(inside.pixels, 2);
    EXPECT_EQ(HeaderLines(inside)[0], "Filename: pic.png (region of interest)");

    request.region = SelRect{2, 0, 4, 1};  // 2 + 2 > 3
    const PictureAnalysis outside = Analyze(GreyPicture(3, 3, {0, 0, 0, 0, 0, 0, 0, 0, 0}), 1, request);
    EXPECT_EQ(crops, 1);
    EXPECT_EQ(outside.pixels, 9);
    EXPECT_EQ(HeaderLines(outside)[0], "Filename: pic.png");
}

TEST(AnalysisMeasures, ComplexityOfSmallPicturesIsZero) {
    Bitmap small(30, 30, 24);  // 2700 bytes, below 4096
    EXPECT_EQ(ComplexityIndex(small, 66), 0);
    Bitmap larger(64, 64, 24);
    EXPECT_GT(ComplexityIndex(larger, 66 + 128), 0);  // only the low 7 bits count
}

TEST(AnalysisCompare, VerdictNeedsHigherQualityLargerFileAndOneBetterMeasure) {
    PictureAnalysis first, second;
    first.fileName = "/a/one.jpg";
    second.fileName = "/b/two.jpg";
    first.pixels = second.pixels = 100;
    first.jpegQuality = 10, first.fileSize = 500, first.smoothness = 5, first.detail = 1;
    second.jpegQuality = 9, second.fileSize = 400, second.smoothness = 6, second.detail = 2;
    EXPECT_EQ(CompareAnalyses(first, second), Verdict::FirstBetter);  // 5 < 1.03 × 6
    const std::vector<std::string> lines = CompareReportLines(first, second);
    ASSERT_EQ(lines.size(), 9u + 2 + 9 + 3);
    EXPECT_EQ(lines[9], "");
    EXPECT_EQ(lines[11], "Filename: two.jpg");
    EXPECT_EQ(lines[21], "/a/");
    EXPECT_EQ(lines[22], "one.jpg is better.");

    second.jpegQuality = 10;  // same quality: no verdict
    EXPECT_EQ(CompareAnalyses(first, second), Verdict::None);
    second.jpegQuality = 11, second.fileSize = 600;
    EXPECT_EQ(CompareAnalyses(first, second), Verdict::SecondBetter);  // detail 2 > 1
    second.pixels = 99;
    EXPECT_EQ(CompareAnalyses(first, second), Verdict::None);
    EXPECT_EQ(CompareReportLines(first, second).size(), 20u);
}

}  // namespace
}  // namespace vimbra
