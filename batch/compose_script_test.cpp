// Script lines of the Compute keywords run through the parser and the table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batch/script_test_util.h"

namespace vimbra {
namespace {

Bitmap Column(std::vector<uint8_t> greys) {
    Bitmap b(1, int(greys.size()), 24);
    for (int y = 0; y < b.height(); ++y) std::fill_n(b.scanLine(y), 3, greys[size_t(y)]);
    return b;
}

TEST(ComposeScript, EveryKeywordHasItsHandler) {
    for (const char* k : {"DUPLICATE", "SWAP", "COPYTOBACKUP", "COPYFROMBACKUP", "AVERAGE",
                          "INTERLACE", "MULTIPLY", "MINIMUM", "MAXIMUM", "DIFFERENCE",
                          "SUBTRACT", "MASK_GRAYSCALE", "MASK_CONTRAST", "MASK_MIDTONES",
                          "MASK_SHADOWS", "MASK_HIGHLIGHTS", "MASK_EDGES"}) {
        const Command* c = FindBipCommand(k);
        ASSERT_NE(c, nullptr) << k;
        EXPECT_NE(c->run, nullptr) << k;
    }
    EXPECT_TRUE(FindBipCommand("CLEARBUFFERS")->isControl());
}

TEST(ComposeScript, RangesOfTheLines) {
    Script s(Column({0, 0, 0, 0, 0}));
    EXPECT_EQ(s.line("MASK_SHADOWS=0,99"), BipOutcome::OutOfRange);
    EXPECT_EQ(s.line("MASK_MIDTONES=500,99"), BipOutcome::Ran);
    EXPECT_EQ(s.line("MASK_CONTRAST=1,100"), BipOutcome::OutOfRange);
    EXPECT_EQ(s.line("MASK_HIGHLIGHTS=501,0"), BipOutcome::OutOfRange);
    EXPECT_EQ(s.line("AVERAGE=0"), BipOutcome::OutOfRange);
    EXPECT_EQ(s.line("AVERAGE=256"), BipOutcome::OutOfRange);
    EXPECT_EQ(s.line("AVERAGE=255"), BipOutcome::Ran);
    EXPECT_EQ(s.line("INTERLACE=50,2"), BipOutcome::OutOfRange);
    EXPECT_EQ(s.line("INTERLACE=50,-1"), BipOutcome::OutOfRange);
    EXPECT_EQ(s.line("MASK_EDGES=256,0"), BipOutcome::OutOfRange);
    EXPECT_EQ(s.line("MASK_EDGES=0,255"), BipOutcome::Ran);
    EXPECT_EQ(s.line("CLEARBUFFERS"), BipOutcome::Control);
}

// A column of five greys; each step's values worked by hand.
TEST(ComposeScript, ComputeKeywordsInOneScript) {
    Script s(Column({0, 100, 200, 255, 50}));
    s.line("COPYTOBACKUP");
    s.line("DUPLICATE");
    s.line("DIFFERENCE");  // against itself: 127 everywhere
    for (int y = 0; y < 5; ++y) EXPECT_EQ(s.at(y), 127);
    s.line("SWAP");  // the original back, 127s in the duplicate
    EXPECT_EQ(s.at(1), 100);
    s.line("INTERLACE=50,1");  // rows 1, 3, 5: 0 + 63, 100 + 63, 25 + 63
    EXPECT_EQ(s.ws.Image, Column({63, 100, 163, 255, 88}));
    s.line("AVERAGE=200");  // -p + 254: 191, 154, 91, 255 - 255 = -1 -> 0, 166
    EXPECT_EQ(s.ws.Image, Column({191, 154, 91, 0, 166}));
    s.line("MAXIMUM");   // 191, 154, 127, 127, 166
    s.line("SUBTRACT");  // 64, 27, 0, 0, 39
    s.line("MULTIPLY");  // 64 * 127 div 255 = 31, 13, 0, 0, 19
    s.line("MINIMUM");
    EXPECT_EQ(s.ws.Image, Column({31, 13, 0, 0, 19}));
    s.line("COPYFROMBACKUP");
    EXPECT_EQ(s.ws.Image, Column({0, 100, 200, 255, 50}));
    // Grey 127 as duplicate: Shadows with a = 100, k = 99 weighs by 255 - Y of
    // the picture. 255 (Y 254, f 1): 255 div 255 + 127 * 254 div 255 = 1 + 126;
    // 0 (f 255) keeps 0.
    s.line("MASK_SHADOWS=100,99");
    EXPECT_EQ(s.at(0), 0);
    EXPECT_EQ(s.at(3), 127);
    s.line("MASK_GRAYSCALE");  // grey on grey: unchanged
    EXPECT_EQ(s.at(3), 127);
    s.line("MASK_HIGHLIGHTS=100,0");  // every mask from the duplicate's 126
    s.line("MASK_CONTRAST=100,0");
    s.line("MASK_MIDTONES=100,99");
    s.line("MASK_EDGES=255,255");  // a one-pixel column has no 5x5 window
    EXPECT_TRUE(s.host.messages.empty());
    s.ws.DuplicateBitmap.clear();
    s.line("SUBTRACT");  // warns about the missing duplicate, in a batch too
    EXPECT_EQ(s.host.messages.size(), 1u);
    EXPECT_TRUE(s.host.recordedLines.empty());
    EXPECT_TRUE(s.ws.Modified);
    EXPECT_TRUE(s.ws.UndoBitmap.isEmpty());
}

}  // namespace
}  // namespace vimbra
