#include "batch/bip_line.h"

#include <gtest/gtest.h>

namespace vimbra {
namespace {

struct Values {
    int32_t a, b, c;
    bool operator==(const Values&) const = default;
};
Values ValuesOf(const Workspace& ws) { return {ws.EffectValue1, ws.EffectValue2, ws.EffectValue3}; }
void SetValues(Workspace& ws, Values v) {
    ws.EffectValue1 = v.a;
    ws.EffectValue2 = v.b;
    ws.EffectValue3 = v.c;
}

TEST(BipLineTest, KeywordIsUpperCasedAndArgumentsSplit) {
    Workspace ws;
    SetValues(ws, {7, 7, 7});
    ParsedBipLine p = ParseBipLine("gaussian=200", ws);
    EXPECT_EQ(p.keyword, "GAUSSIAN");
    EXPECT_TRUE(p.hasEquals);
    EXPECT_FALSE(p.stringClass);
    EXPECT_EQ(ValuesOf(ws), (Values{200, 0, 0}));
    EXPECT_EQ(ws.BatchString, "gaussian=200");

    p = ParseBipLine("BRIGHTNESS=10,20", ws);
    EXPECT_EQ(p.keyword, "BRIGHTNESS");
    EXPECT_EQ(ValuesOf(ws), (Values{10, 20, 0}));

    ParseBipLine("BRIGHTNESS=,,5", ws);
    EXPECT_EQ(ValuesOf(ws), (Values{0, 0, 5}));
    SetValues(ws, {7, 7, 7});
    p = ParseBipLine("BRIGHTNESS=   ", ws);
    EXPECT_EQ(p.keyword, "BRIGHTNESS");
    EXPECT_EQ(ValuesOf(ws), (Values{0, 0, 0}));
    SetValues(ws, {7, 7, 7});
    ParseBipLine("BRIGHTNESS=", ws);
    EXPECT_EQ(ValuesOf(ws), (Values{0, 0, 0}));
}

TEST(BipLineTest, SpacesAroundTheEqualsSign) {
    Workspace ws;
    ParsedBipLine p = ParseBipLine("GAUSSIAN = 5", ws);
    EXPECT_EQ(p.keyword, "GAUSSIAN ");  // matches no command
    EXPECT_EQ(ws.EffectValue1, 5);

    p = ParseBipLine("GAUSSIAN= 5", ws);
    EXPECT_EQ(p.keyword, "GAUSSIAN");
    EXPECT_EQ(ws.EffectValue1, 5);

    SetValues(ws, {1, 2, 3});
    p = ParseBipLine("GAUSSIAN=5 ", ws);
    EXPECT_EQ(p.keyword, "");
    EXPECT_EQ(ValuesOf(ws), (Values{1, 2, 3}));

    p = ParseBipLine(" GAUSSIAN=5", ws);
    EXPECT_EQ(p.keyword, " GAUSSIAN");
}

TEST(BipLineTest, FailedConversionKeepsEarlierValuesOfTheLine) {
    Workspace ws;
    SetValues(ws, {9, 9, 9});
    ParsedBipLine p = ParseBipLine("BRIGHTNESS=1,2,3,4", ws);
    EXPECT_EQ(p.keyword, "");
    EXPECT_EQ(ValuesOf(ws), (Values{1, 2, 9}));

    SetValues(ws, {9, 9, 9});
    p = ParseBipLine("BORDER=4,x,6", ws);
    EXPECT_EQ(p.keyword, "");
    EXPECT_EQ(ValuesOf(ws), (Values{4, 9, 9}));
}

TEST(BipLineTest, ArgumentConversion) {
    EXPECT_EQ(ParseBipArgument(""), 0);
    EXPECT_EQ(ParseBipArgument("2147483647"), 2147483647);
    EXPECT_EQ(ParseBipArgument("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseBipArgument("+12"), 12);
    EXPECT_EQ(ParseBipArgument("-0"), 0);
    EXPECT_EQ(ParseBipArgument("007"), 7);
    for (const char* bad : {"2147483648", "-2147483649", "99999999999999999999999", "-", "+",
                            "5a", "0x10", "1e3", "5 ", "\t5", "--5", "1,2", "1.5"})
        EXPECT_EQ(ParseBipArgument(bad), std::nullopt) << bad;
}

TEST(BipLineTest, ValuesCarryOverLinesWithoutEquals) {
    Workspace ws;
    ParseBipLine("DESPECKLE=2", ws);
    ParsedBipLine p = ParseBipLine("AUTO_FLASH", ws);
    EXPECT_EQ(p.keyword, "AUTO_FLASH");
    EXPECT_FALSE(p.hasEquals);
    EXPECT_EQ(ValuesOf(ws), (Values{2, 0, 0}));
    EXPECT_EQ(ws.BatchString, "AUTO_FLASH");

    p = ParseBipLine("", ws);
    EXPECT_EQ(p.keyword, "");
    EXPECT_EQ(ws.BatchString, "");
    EXPECT_EQ(ValuesOf(ws), (Values{2, 0, 0}));
}

TEST(BipLineTest, StringClassLines) {
    Workspace ws;
    SetValues(ws, {1, 2, 3});
    ParsedBipLine p = ParseBipLine("SAVE", ws);
    EXPECT_EQ(p.keyword, "SAVE");
    EXPECT_TRUE(p.stringClass);
    EXPECT_FALSE(p.hasEquals);
    EXPECT_EQ(ws.BatchString, "SAVE");  // the interpreter reads this as no suffix

    p = ParseBipLine("SAVE=", ws);
    EXPECT_EQ(p.keyword, "SAVE");
    EXPECT_EQ(ws.BatchString, "");

    p = ParseBipLine("Save=_Small", ws);
    EXPECT_EQ(p.keyword, "SAVE");
    EXPECT_EQ(ws.BatchString, "_Small");

    p = ParseBipLine("TEXTMARK_BOTTOMRIGHT=Trip, day 5,6", ws);
    EXPECT_EQ(p.keyword, "TEXTMARK_BOTTOMRIGHT");
    EXPECT_EQ(ws.BatchString, "Trip, day 5,6");

    p = ParseBipLine("PromptString= a=b ", ws);
    EXPECT_EQ(p.keyword, "PROMPTSTRING");
    EXPECT_EQ(ws.BatchString, " a=b ");

    // The marker anywhere makes a string line: no numbers are read.
    p = ParseBipLine("GAUSSIAN=5 saved", ws);
    EXPECT_EQ(p.keyword, "GAUSSIAN");
    EXPECT_TRUE(p.stringClass);
    EXPECT_EQ(ws.BatchString, "5 saved");
    EXPECT_EQ(ValuesOf(ws), (Values{1, 2, 3}));
}

TEST(BipLineTest, LinesThatNameNoCommand) {
    Workspace ws;
    SetValues(ws, {1, 2, 3});
    ParsedBipLine p = ParseBipLine("------------------------------", ws);
    EXPECT_EQ(p.keyword, "------------------------------");
    EXPECT_EQ(ValuesOf(ws), (Values{1, 2, 3}));

    p = ParseBipLine("=5", ws);
    EXPECT_EQ(p.keyword, "=5");
    EXPECT_FALSE(p.hasEquals);
    EXPECT_EQ(ValuesOf(ws), (Values{1, 2, 3}));

    // A disabled statistics line still parses its numbers.
    p = ParseBipLine(">CONFORM_RED=120,40", ws);
    EXPECT_EQ(p.keyword, ">CONFORM_RED");
    EXPECT_EQ(ValuesOf(ws), (Values{120, 40, 0}));
}

TEST(BipLineTest, PackedPairs) {
    const SelRect crop = UnpackCrop(1310740, 6553700);
    EXPECT_EQ(crop, (SelRect{20, 20, 100, 100}));
    EXPECT_EQ(UnpackCrop(0, 64 * 65536 + 128), (SelRect{0, 0, 128, 64}));
    // Split as unsigned, not by signed div and mod.
    EXPECT_EQ(UnpackCrop(-1, INT32_MIN), (SelRect{65535, 65535, 0, 32768}));

    EXPECT_EQ(PackWords(120, 2400), 120 * 65536 + 2400);
    EXPECT_EQ(HighWord(120 * 65536 + 2400), 120);
    EXPECT_EQ(LowWord(120 * 65536 + 2400), 2400);
    EXPECT_EQ(PackWords(0xFFFF, 0xFFFF), -1);
    EXPECT_EQ(PackWords(0x8000, 0), INT32_MIN);
}

TEST(BipLineTest, ScriptTextLineEnds) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(SplitBipScript("A\r\nB\rC\nD"), (Lines{"A", "B", "C", "D"}));
    EXPECT_EQ(SplitBipScript("A\r\n"), (Lines{"A"}));
    EXPECT_EQ(SplitBipScript(""), Lines{});
    EXPECT_EQ(SplitBipScript("\r\n"), (Lines{""}));
    EXPECT_EQ(SplitBipScript("A\n\nB"), (Lines{"A", "", "B"}));
    EXPECT_EQ(SplitBipScript("A\r\r\nB"), (Lines{"A", "", "B"}));
    EXPECT_EQ(SplitBipScript("A\n\rB"), (Lines{"A", "", "B"}));
    EXPECT_EQ(SplitBipScript(std::string_view("A\0B", 3)), (Lines{std::string("A\0B", 3)}));

    const Lines script{"NORMALIZE", "", "SAVE=_n"};
    EXPECT_EQ(JoinBipScript(script), "NORMALIZE\r\n\r\nSAVE=_n\r\n");
    EXPECT_EQ(SplitBipScript(JoinBipScript(script)), script);
    EXPECT_EQ(JoinBipScript(Lines{}), "");
}

}  // namespace
}  // namespace vimbra
