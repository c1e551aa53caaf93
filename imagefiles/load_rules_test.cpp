#include <gtest/gtest.h>

#include "imagefiles/codecs/codec_test_util.h"
#include "imagefiles/codecs/jpeg_codec.h"
#include "imagefiles/load_dispatch.h"

namespace vimbra {
namespace {

using testutil::MakePicture;
using testutil::TempDir;
using testutil::WriteBytes;

TEST(LoadRules, ImageByteSizeIn64BitsRoundedDownTo4096) {
    EXPECT_EQ(ImageByteSize(1000, 1000, 24), 2998272u);  // 3,000,000 → 732 × 4096
    EXPECT_EQ(ImageByteSize(1000, 1000, 8), 999424u);
    EXPECT_EQ(ImageByteSize(1000, 1000, 4), 499712u);    // 500,000
    EXPECT_EQ(ImageByteSize(1000, 1000, 1), 122880u);    // 125,000
    EXPECT_EQ(ImageByteSize(1000, 1000, 15), 1998848u);  // two bytes a pixel
    EXPECT_EQ(ImageByteSize(1000, 1000, 16), 1998848u);
    EXPECT_EQ(ImageByteSize(1000, 1000, 32), 0u);             // not a counted depth
    EXPECT_EQ(ImageByteSize(60, 60, 8), 0u);                  // 3600 bytes round down to 0
    EXPECT_EQ(ImageByteSize(30000, 30000, 24), 2699997184u);  // past 32 bits
    // 24 bits count as 8 on a 256-colour screen with automatic reduction only.
    EXPECT_EQ(ImageByteSize(1000, 1000, 24, 8, true), 999424u);
    EXPECT_EQ(ImageByteSize(1000, 1000, 24, 8, false), 2998272u);
    EXPECT_EQ(ImageByteSize(1000, 1000, 24, 24, true), 2998272u);
}

TEST(LoadRules, JpegReductionFitsTwiceTheViewingArea) {
    EXPECT_EQ(JpegReduction(3000, 2000, 1000, 700), 2);  // 1500 × 1000 fits 2000 × 1400
    EXPECT_EQ(JpegReduction(2000, 1400, 1000, 700), 1);
    EXPECT_EQ(JpegReduction(2001, 1400, 1000, 700), 2);
    EXPECT_EQ(JpegReduction(8000, 100, 500, 500), 8);
    EXPECT_EQ(JpegReduction(80000, 100, 500, 500), 8);  // never below 1/8
    EXPECT_EQ(JpegReduction(3000, 2000, 0, 0), 1);      // no area known
}

TEST(LoadRules, WhichJpegDecode) {
    JpegInfo colour{3000, 2000, 3, 24};
    LoadOptions o;
    o.viewWidth = 1000;
    o.viewHeight = 700;
    EXPECT_EQ(PlanJpegDecode(colour, o).reduction, 1);  // full size by default
    o.fitToWindow = true;
    EXPECT_EQ(PlanJpegDecode(colour, o).reduction, 2);
    EXPECT_EQ(PlanJpegDecode(colour, o).read.scale, 2);
    o.fitToWindow = false;
    o.halfJpeg = true;
    EXPECT_EQ(PlanJpegDecode(colour, o).reduction, 2);
    o.autoReduce = true;  // outside fit-to-window: full size
    EXPECT_EQ(PlanJpegDecode(colour, o).reduction, 1);
    o.slideshow = true;
    EXPECT_EQ(PlanJpegDecode(colour, o).reduction, 2);

    LoadOptions palette;
    palette.displayBitDepth = 8;
    palette.halfJpeg = true;  // ignored on 256-colour screens outside fit and shows
    EXPECT_EQ(PlanJpegDecode(colour, palette).reduction, 1);
    EXPECT_FALSE(PlanJpegDecode(colour, palette).read.quantize);
    palette.autoReduce = true;
    palette.jpegPalette = 0;
    JpegPlan plan = PlanJpegDecode(colour, palette);
    EXPECT_TRUE(plan.read.quantize);
    EXPECT_FALSE(plan.read.twoPassQuantize);
    EXPECT_EQ(plan.read.dither, JpegDither::Ordered);
    palette.jpegPalette = 3;
    plan = PlanJpegDecode(colour, palette);
    EXPECT_TRUE(plan.read.twoPassQuantize);
    EXPECT_EQ(plan.read.dither, JpegDither::FloydSteinberg);
    EXPECT_FALSE(plan.read.fancyUpsampling);

    const JpegInfo grey{100, 100, 1, 8};
    EXPECT_TRUE(PlanJpegDecode(grey, palette).read.grey);
    EXPECT_FALSE(PlanJpegDecode(grey, palette).read.quantize);
}

TEST(LoadRules, ReducedJpegKeepsTheFileSize) {
    TempDir dir;
    WriteBytes(dir.file("big.jpg"), EncodeJpeg(MakePicture(64, 48, 24)));
    LoadOptions fit;
    fit.fitToWindow = true;
    fit.viewWidth = 8;
    fit.viewHeight = 6;  // twice: 16 × 12, so 1/4
    Workspace ws;
    const LoadResult r = LoadImageFile(ws, dir.file("big.jpg"), 0, fit);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_TRUE(r.file.loadedReduced);
    EXPECT_EQ(r.file.reductionFactor, 4);
    EXPECT_EQ(r.file.fileWidth, 64);
    EXPECT_EQ(r.file.fileHeight, 48);
    EXPECT_EQ(ws.ImageWidth, 16);
    EXPECT_EQ(ws.ImageHeight, 12);
    EXPECT_EQ(ws.StatusText.rfind("Loaded ", 0), 0u) << ws.StatusText;
}

TEST(LoadRules, StatusTexts) {
    EXPECT_EQ(LoadTimeText(0), "Loaded 0.0s");
    EXPECT_EQ(LoadTimeText(150), "Loaded 0.1s");
    EXPECT_EQ(LoadTimeText(200), "Loaded 0.2s");
    EXPECT_EQ(LoadTimeText(250), "Loaded 0.1s");  // above 200 ms: 100 ms less
    EXPECT_EQ(LoadTimeText(1234), "Loaded 1.1s");
    EXPECT_EQ(LoadTimeText(12999), "Loaded 12.8s");
    EXPECT_EQ(PageStatusText(1, 3), "Page 2 of 3");
}

}  // namespace
}  // namespace vimbra
