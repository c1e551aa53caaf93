#include "commands/registry.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "batch/bip_line.h"
#include "commands/keywords.h"
#include "core/frame_host.h"

namespace vimbra {
namespace {

BipDispatch RunLine(std::string_view line, Workspace& ws) {
    return DispatchBipKeyword(ParseBipLine(line, ws).keyword, ws);
}

TEST(CommandTableTest, GroupsInOrderWithTheirSizes) {
    const auto table = BipCommands();
    ASSERT_EQ(table.size(), 128u);
    const std::map<char, int> expected{{'A', 4},  {'B', 9},  {'C', 4}, {'D', 7},  {'E', 14}, {'F', 4},
                                       {'G', 7},  {'H', 3},  {'I', 11}, {'J', 14}, {'K', 3}, {'L', 12},
                                       {'M', 14}, {'N', 4},  {'O', 10}, {'P', 4},  {'Q', 4}};
    std::map<char, int> counted;
    char previous = 'A';
    for (const Command& c : table) {
        EXPECT_GE(c.group, previous) << c.keyword;
        previous = c.group;
        ++counted[c.group];
    }
    EXPECT_EQ(counted, expected);
    EXPECT_EQ(table.front().keyword, "TEXTMARK_TOPLEFT");
    EXPECT_EQ(table.back().keyword, "ROTATE");
}

TEST(CommandTableTest, KeywordsAreUniqueUpperCaseAndFound) {
    std::set<std::string_view> seen;
    for (const Command& c : BipCommands()) {
        EXPECT_TRUE(seen.insert(c.keyword).second) << c.keyword;
        EXPECT_EQ(BipUpper(c.keyword), c.keyword);
        ASSERT_EQ(FindBipCommand(c.keyword), &c) << c.keyword;
    }
    for (std::string_view miss : {"", "gamma", "GAMM", "GAMMA_", "GAUSSIAN ", ">CONFORM_RED", "ZZZ"})
        EXPECT_EQ(FindBipCommand(miss), nullptr) << miss;
}

// The parser decides string lines by the markers in the line, so the string
// commands must be exactly those whose keyword holds one.
TEST(CommandTableTest, StringAndControlTraits) {
    const std::set<std::string_view> control{
        "RELOAD", "NOMODIFYFLAG", "NEXT", "PREVIOUS", "PROMPT", "TRACE", "PROMPTSTRING",
        "PROMPT_NOT_FILESTRING", "PROMPT_HAS_FILESTRING", "DELETE", "LOOP", "CROP", "SAVE",
        "CLEARBUFFERS", "TRUECOLOR", "REFRESH"};
    for (const Command& c : BipCommands()) {
        const bool marker = c.keyword.find("TEXTMARK") != std::string_view::npos ||
                            c.keyword.find("SAVE") != std::string_view::npos ||
                            c.keyword.find("STRING") != std::string_view::npos;
        EXPECT_EQ(c.takesString(), marker) << c.keyword;
        EXPECT_EQ(c.isControl(), control.count(c.keyword) == 1) << c.keyword;
        if (c.isControl()) {
            EXPECT_EQ(c.run, nullptr) << c.keyword;
        }
        EXPECT_EQ(c.refreshesWhenOutOfRange(), c.keyword == "POSTERIZE") << c.keyword;
    }
}

TEST(CommandTableTest, RangeLimits) {
    struct Case {
        const char* line;
        BipOutcome outcome;
    };
    constexpr BipOutcome kOut = BipOutcome::OutOfRange;
    constexpr BipOutcome kIn = BipOutcome::Ran;  // in range: ran, or would once built
    const Case cases[] = {
        {"GAUSSIAN=0", kOut},           {"GAUSSIAN=1", kIn},
        {"GAUSSIAN=255", kIn},          {"GAUSSIAN=256", kOut},
        {"gaussian=200", kIn},          {"GAUSSIAN= 5", kIn},
        {"CONFORM_RED=254,1", kIn},     {"CONFORM_RED=255,1", kOut},
        {"CONFORM_RED=1,0", kOut},      {"CONFORM_GAMMA=0,0,0", kOut},
        {"INTERLACE=1,0", kIn},         {"INTERLACE=255,1", kIn},
        {"INTERLACE=50,2", kOut},       {"INTERLACE=50,-1", kOut},
        {"INTERLACE=0,1", kOut},        {"MOSAIC=1", kOut},
        {"MOSAIC=16", kIn},             {"UNSPOT=-127", kIn},
        {"UNSPOT=-128", kOut},          {"BORDER=-1,1,239", kIn},
        {"BORDER=16777215,240,1", kOut}, {"MASK_SHADOWS=500,99", kIn},
        {"MASK_SHADOWS=500,100", kOut}, {"HLS=-999,999,0", kIn},
        {"HLS=0,0,1000", kOut},         {"PARAMETRIC_EQ_GRN=0,7,-127", kIn},
        {"PARAMETRIC_EQ_GRN=0,6,0", kOut}, {"PARAMETRIC_EQ_GRN=255,127,128", kOut},
        {"RESAMPLE=16384,1", kIn},      {"RESIZE=16385,100", kOut},
        {"DOWNSAMPLE=800,0", kOut},     {"ROTATE=0", kOut},
        {"ROTATE=1", kIn},              {"ROTATE=359", kIn},
        {"ROTATE=360", kOut},           {"WHITEBALANCE=-5000,0,99999", kIn},
        {"MASK_HLS=-1,-1,-1", kIn},
    };
    for (const Case& c : cases) {
        Workspace ws;
        BipOutcome got = RunLine(c.line, ws).outcome;
        if (got == BipOutcome::NotBuilt) got = BipOutcome::Ran;
        EXPECT_EQ(got, c.outcome) << c.line;
    }
}

TEST(CommandTableTest, ToneRangesBeforeHandlersRun) {
    // Out of range never reaches the handler, so no picture is needed.
    Workspace ws;
    for (const char* line : {"GAMMA=120", "GAMMA=1,1,501", "GAMMA_SATURATION=0", "GAMMA_SATURATION=501",
                             "BRIGHTNESS=128,0,0", "SHIFT=0,0,-128", "CONTRAST=0,-128,0",
                             "SUPRESS=0,256", "ENHANCE=-1,0", "LIGHTING=0,256",
                             "SATURATION=256,0", "SHADOWS=0,0,256", "HIGHLIGHTS=-1,0,0"})
        EXPECT_EQ(RunLine(line, ws).outcome, BipOutcome::OutOfRange) << line;
}

TEST(CommandTableTest, OutcomesOfLinesThatRunNothing) {
    Workspace ws;
    for (const char* line : {"", "GAUSSIAN=5 ", "BRIGHTNESS=1,2,3,4", "BORDER=2147483648"}) {
        const BipDispatch d = RunLine(line, ws);
        EXPECT_EQ(d.outcome, BipOutcome::Skipped) << line;
        EXPECT_EQ(d.command, nullptr);
    }
    for (const char* line : {"GAUSSIAN = 5", ">CONFORM_RED=120,40", "------------------------------",
                             "=5", "SAVE =x"})
        EXPECT_EQ(RunLine(line, ws).outcome, BipOutcome::Unknown) << line;
}

TEST(CommandTableTest, ControlCommandsGoBackToTheInterpreter) {
    Workspace ws;
    BipDispatch d = RunLine("CROP=1310740,6553700", ws);
    ASSERT_EQ(d.outcome, BipOutcome::Control);
    EXPECT_EQ(d.command->keyword, "CROP");
    EXPECT_EQ(UnpackCrop(ws.EffectValue1, ws.EffectValue2), (SelRect{20, 20, 100, 100}));

    d = RunLine("Save=_Small", ws);
    ASSERT_EQ(d.outcome, BipOutcome::Control);
    EXPECT_EQ(d.command->keyword, "SAVE");
    EXPECT_EQ(ws.BatchString, "_Small");

    d = RunLine("prompt_not_filestring=_last", ws);
    ASSERT_EQ(d.outcome, BipOutcome::Control);
    EXPECT_EQ(d.command->keyword, "PROMPT_NOT_FILESTRING");
    EXPECT_EQ(ws.BatchString, "_last");
}

TEST(CommandTableTest, PosterizeRepaintsEvenOutOfRange) {
    Workspace ws;
    const int before = ws.host().refreshCount;
    EXPECT_EQ(RunLine("POSTERIZE=8", ws).outcome, BipOutcome::OutOfRange);
    EXPECT_EQ(RunLine("POSTERIZE=1", ws).outcome, BipOutcome::OutOfRange);
    EXPECT_EQ(ws.host().refreshCount, before + 2);
    EXPECT_EQ(RunLine("GAUSSIAN=0", ws).outcome, BipOutcome::OutOfRange);
    EXPECT_EQ(ws.host().refreshCount, before + 2);
}

TEST(CommandTableTest, TracePointSitsAtPrompt) {
    EXPECT_TRUE(RunsBeforeTracePoint(FindBipCommand("TEXTMARK_TOPLEFT")));
    EXPECT_TRUE(RunsBeforeTracePoint(FindBipCommand("NORMALIZE")));
    EXPECT_TRUE(RunsBeforeTracePoint(FindBipCommand("PREVIOUS")));
    EXPECT_FALSE(RunsBeforeTracePoint(FindBipCommand("PROMPT")));
    EXPECT_FALSE(RunsBeforeTracePoint(FindBipCommand("GAUSSIAN")));
    EXPECT_FALSE(RunsBeforeTracePoint(nullptr));
    EXPECT_EQ(BipCommandIndex(*FindBipCommand("PROMPT")), 42u);
}

TEST(CommandTableTest, BrightnessRunsOnThePicture) {
    Workspace ws;
    Bitmap picture(2, 1);
    uint8_t* row = picture.scanLine(0);
    const uint8_t pixels[6] = {100, 50, 200, 200, 0, 1};  // blue, green, red
    std::copy(pixels, pixels + 6, row);
    ws.setImage(std::move(picture));
    ws.BatchRunning = true;

    const BipDispatch d = RunLine("BRIGHTNESS=-127,0,127", ws);
    ASSERT_EQ(d.outcome, BipOutcome::Ran);
    // Red through all zeros, green unchanged, blue doubled and limited to 255.
    const uint8_t* out = ws.Image.scanLine(0);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 6), (std::vector<uint8_t>{200, 50, 0, 255, 0, 0}));
}

TEST(FindMenuCommandTest, BySpan) {
    EXPECT_NE(FindMenuCommand("onNegative").edit, nullptr);
    EXPECT_NE(FindMenuCommand("onGammaGlobal").edit, nullptr);
    EXPECT_NE(FindMenuCommand("onDuplicate").custom, nullptr);
    EXPECT_FALSE(FindMenuCommand("onPrint"));
    EXPECT_FALSE(FindMenuCommand(""));
}


TEST(FindMenuCommandTest, EveryMenuHalfIsFoundByItsOwnId) {
    std::set<std::string_view> ids;
    for (const MenuCommandRef& ref : MenuCommands()) {
        const std::string_view id = ref.edit ? ref.edit->name : ref.custom->name;
        EXPECT_TRUE(ids.insert(id).second) << id;
        const MenuCommandRef found = FindMenuCommand(id);
        EXPECT_EQ(found.edit, ref.edit) << id;
        EXPECT_EQ(found.custom, ref.custom) << id;
    }
    EXPECT_GT(ids.size(), 90u);
}

// The ids and the menu halves match one to one: a half without an id cannot
// be placed, an id without a half would place nothing.
TEST(FindMenuCommandTest, EveryIdNamesOneMenuHalf) {
    std::set<const void*> halves;
    for (size_t i = 0; i < kEditIdCount; ++i) {
        const MenuCommandRef ref = FindMenuCommand(EditId(i));
        ASSERT_TRUE(ref) << kEditHandlers[i];
        EXPECT_STREQ(ref.edit ? ref.edit->name : ref.custom->name, kEditHandlers[i]);
        halves.insert(ref.edit ? static_cast<const void*>(ref.edit) : ref.custom);
    }
    EXPECT_EQ(halves.size(), MenuCommands().size());
    EXPECT_EQ(FindMenuCommand(EditId::Gaussian).edit, FindMenuCommand("onGaussian").edit);
    EXPECT_NE(FindMenuCommand(EditId::Duplicate).custom, nullptr);
}

// A dialog's slider never offers what a line would refuse.
TEST(CommandTableTest, NarrowSlidersStayInsideTheirRange) {
    int narrow = 0;
    for (const Command& c : BipCommands()) {
        for (const ArgCheck& a : c.args) {
            if (!a.narrowSlider()) continue;
            ++narrow;
            EXPECT_LT(a.sliderLo, a.sliderHi) << c.keyword;
            if (!a.checked) continue;
            EXPECT_GE(a.sliderLo, a.lo) << c.keyword;
            EXPECT_LE(a.sliderHi, a.hi) << c.keyword;
        }
    }
    EXPECT_EQ(narrow, 9);
}

TEST(ArgSliderTest, RangeFromTheEntryPositionAsGiven) {
    const Workspace ws;
    const SliderParam unspot = ArgSlider(keyword::UNSPOT, 0, ws.remembered.UnSpot, 1, "-8 pepper", "+8 salt");
    EXPECT_EQ(unspot.Min, -8);
    EXPECT_EQ(unspot.Max, 8);
    EXPECT_EQ(unspot.Position, -7);
    EXPECT_EQ(unspot.LabelMax, "+8 salt");
    const SliderParam gaussian = ArgSlider(keyword::GAUSSIAN, 0, ws.remembered.Gaussian, 16, "", "");
    EXPECT_EQ(gaussian.Min, 1);
    EXPECT_EQ(gaussian.Max, 255);
    EXPECT_EQ(gaussian.Position, 192);
    EXPECT_EQ(gaussian.LargeStep, 16);
    EXPECT_EQ(gaussian.SmallStep, 1);
    const SliderParam field = ArgSlider(keyword::INTERLACE, 1, 1, 1, "Even", "Odd");
    EXPECT_EQ(field.Min, 0);
    EXPECT_EQ(field.Max, 1);
    // A value no line checks still gets the dialog's slider.
    const SliderParam balance = ArgSlider(keyword::WHITEBALANCE, 0, 0, 8, "", "");
    EXPECT_EQ(balance.Min, -127);
    EXPECT_EQ(balance.Max, 127);
    EXPECT_TRUE(FindBipCommand(keyword::WHITEBALANCE)->args[0].accepts(-5000));
}

// Every control keyword names its own step; operations name none.
TEST(CommandTableTest, ControlStepsAreOnePerControlKeyword) {
    std::set<ControlStep> steps;
    for (const Command& c : BipCommands()) {
        if (!c.isControl()) {
            EXPECT_EQ(c.control, ControlStep::None) << c.keyword;
            continue;
        }
        EXPECT_NE(c.control, ControlStep::None) << c.keyword;
        EXPECT_TRUE(steps.insert(c.control).second) << c.keyword;
    }
    EXPECT_EQ(steps.size(), 16u);
    EXPECT_EQ(FindBipCommand("PROMPT_HAS_FILESTRING")->control, ControlStep::PromptHasFileString);
}

TEST(CommandTableTest, BufferAndSplitTraits) {
    std::map<std::string_view, uint16_t> buffers;
    std::set<std::string_view> acrossFiles;
    constexpr uint16_t kBufferTraits = kFillsDuplicate | kFillsBackup | kRenewsDuplicate | kRenewsBackup;
    for (const Command& c : BipCommands()) {
        if (c.traits & kBufferTraits) buffers[c.keyword] = c.traits & kBufferTraits;
        if (c.has(kAcrossFiles)) {
            acrossFiles.insert(c.keyword);
            EXPECT_FALSE(c.splitRefusal.empty()) << c.keyword;
        }
        // Operations may read a buffer; only control lines are known to leave them.
        if (c.has(kLeavesBuffers)) {
            EXPECT_TRUE(c.isControl()) << c.keyword;
        }
    }
    const std::map<std::string_view, uint16_t> expected{
        {"DUPLICATE", kFillsDuplicate | kRenewsDuplicate},
        {"SWAP", kFillsDuplicate},
        {"COPYTOBACKUP", kFillsBackup | kRenewsBackup},
        {"CLEARBUFFERS", kRenewsDuplicate | kRenewsBackup},
    };
    EXPECT_EQ(buffers, expected);
    EXPECT_EQ(acrossFiles, (std::set<std::string_view>{"PREVIOUS", "PROMPT", "TRACE", "PROMPTSTRING",
                                                      "PROMPT_NOT_FILESTRING",
                                                      "PROMPT_HAS_FILESTRING", "DELETE"}));
}

}  // namespace
}  // namespace vimbra
