#include "batch/script_split.h"

#include <gtest/gtest.h>

namespace vimbra {
namespace {

using Lines = std::vector<std::string>;

TEST(ScriptSplit, OnePictureAPassSplits) {
    const ScriptSplit split =
        CheckScriptSplit({"GAMMA=150,150,150", "CONTRAST=20,20,20", "SAVE=_b", "NEXT", "LOOP"});
    EXPECT_TRUE(split.ok()) << split.refusal;
    // CONTRAST's values stay: SAVE, NEXT and LOOP carry none.
    EXPECT_EQ(split.laterValues, (std::array<int32_t, 3>{20, 20, 20}));

    // LOOP may come first; lines that are no command count nowhere, but a
    // partly converted value still sets the values before it.
    const ScriptSplit other = CheckScriptSplit(
        {"LOOP", "", ">NORMALIZE", "GAMMA=7,8,x", "NORMALIZE", "SAVE=_n", "NEXT", "; end"});
    EXPECT_TRUE(other.ok()) << other.refusal;
    EXPECT_EQ(other.laterValues, (std::array<int32_t, 3>{7, 8, 0}));
}

TEST(ScriptSplit, RefusalsSayWhy) {
    const auto refusal = [](const Lines& lines) { return CheckScriptSplit(lines).refusal; };
    EXPECT_EQ(refusal({"SAVE=_b", "PREVIOUS", "LOOP"}), "PREVIOUS goes back to the picture before.");
    EXPECT_EQ(refusal({"SAVE=_b", "DELETE", "NEXT", "LOOP"}),
              "DELETE must follow the saves in list order.");
    EXPECT_EQ(refusal({"PROMPT_HAS_FILESTRING=x", "NEXT", "LOOP"}),
              "PROMPT_HAS_FILESTRING asks questions in list order.");
    EXPECT_EQ(refusal({"TRACE", "NEXT", "LOOP"}), "TRACE asks questions in list order.");
    EXPECT_EQ(refusal({"NEXT", "SAVE=_b", "LOOP"}), "SAVE after NEXT works on the next picture.");
    EXPECT_EQ(refusal({"SAVE=_a", "NEXT", "NEXT", "LOOP"}),
              "NEXT after NEXT works on the next picture.");
    EXPECT_EQ(refusal({"SAVE=_b", "LOOP"}),
              "the script has no NEXT, so it works on the first file only.");
    EXPECT_EQ(refusal({"SAVE=_b", "NEXT"}),
              "the script has no LOOP, so it works on the first file only.");
    EXPECT_EQ(refusal({}), "the script has no NEXT, so it works on the first file only.");
}

TEST(ScriptSplit, BuffersMustBeFilledAfreshFirst) {
    // Read before the pass fills it: the picture before's copy.
    EXPECT_EQ(CheckScriptSplit({"DIFFERENCE", "DUPLICATE", "SAVE=_d", "NEXT", "LOOP"}).refusal,
              "DIFFERENCE may use a buffer kept from the picture before.");
    // SWAP reads what the pass before swapped out.
    EXPECT_FALSE(CheckScriptSplit({"SWAP", "SAVE=_s", "NEXT", "LOOP"}).ok());
    // Filled from the picture first, read afterwards: fine.
    EXPECT_TRUE(CheckScriptSplit({"DUPLICATE", "GAUSSIAN=3", "DIFFERENCE", "SAVE=_d", "NEXT", "LOOP"}).ok());
    EXPECT_TRUE(CheckScriptSplit({"SAVE=_a", "DUPLICATE", "SWAP", "SAVE=_s", "NEXT", "LOOP"}).ok());
    // Both buffers used: both must be renewed before the first operation.
    EXPECT_FALSE(
        CheckScriptSplit({"DUPLICATE", "NORMALIZE", "COPYTOBACKUP", "COPYFROMBACKUP", "NEXT", "LOOP"})
            .ok());
    EXPECT_TRUE(
        CheckScriptSplit({"CLEARBUFFERS", "NORMALIZE", "COPYTOBACKUP", "SWAP", "NEXT", "LOOP"}).ok());
    // No buffer filled anywhere: operations reading one read nothing in every pass.
    EXPECT_TRUE(CheckScriptSplit({"DIFFERENCE", "SAVE=_d", "NEXT", "LOOP"}).ok());
}

}  // namespace
}  // namespace vimbra
