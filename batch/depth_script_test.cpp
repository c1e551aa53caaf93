// Scripts with the colour-depth, artifact and text-mark lines, run by the
// interpreter: what the next line sees, and a failure stopping the run.
#include <gtest/gtest.h>

#include <set>

#include "batch/interpreter.h"

namespace vimbra {
namespace {

using Lines = std::vector<std::string>;

// Each SAVE is noted with the depth and colour count of the picture it got.
struct SavingHost : BatchHost {
    Lines script;
    struct Saved {
        int depth;
        size_t colours;
    };
    std::vector<Saved> saves;
    Lines scriptLines() override { return script; }
    Choice ask(MessageKind, std::string_view, ChoiceSet) override { return Choice::No; }
    bool loadFile(Workspace&, const std::string&, LoadReason) override { return false; }
    BatchSaveResult save(Workspace& ws, const SaveRequest&) override {
        std::set<uint32_t> colours;
        Bitmap b = ws.Image;
        b.convertTo24();
        for (int y = 0; y < b.height(); ++y)
            for (int x = 0; x < b.width(); ++x) {
                const uint8_t* p = b.scanLine(y) + 3 * x;
                colours.insert(uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]);
            }
        saves.push_back({ws.Image.depth(), colours.size()});
        return {};
    }
    std::string lastSaveFolder() const override { return "/out"; }
    bool lastSaveTypeIsBmp() const override { return true; }
    bool deleteFile(const std::string&) override { return true; }
};

Bitmap Rich() {
    Bitmap b(48, 48, 24);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) {
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = uint8_t(x * 5), p[1] = uint8_t(y * 5), p[2] = uint8_t((x + y) * 2);
        }
    return b;
}

struct ScriptRun {
    FrameHost frame;
    Workspace ws{frame};
    SavingHost host;
    Bookmarks bookmarks;
    BatchInterpreter interp{ws, bookmarks, host};
    BatchEnd run(Bitmap picture, Lines script) {
        ws.setImage(std::move(picture));
        ws.CurrentFileName = "/in/picture.bmp";
        host.script = std::move(script);
        return interp.DoBatchImageProcess();
    }
};

TEST(DepthScriptTest, SaveAfterQuantizeGetsWidenedPixels) {
    for (const char* line : {"QUANTIZE16", "QUANTIZE256"}) {
        ScriptRun r;
        EXPECT_EQ(r.run(Rich(), {line, "SAVE=_q"}), BatchEnd::Finished);
        ASSERT_EQ(r.host.saves.size(), 1u) << line;
        EXPECT_EQ(r.host.saves[0].depth, 24) << line;
        EXPECT_LE(r.host.saves[0].colours, std::string(line) == "QUANTIZE16" ? 16u : 256u);
    }
    // TRUECOLOR after a reduction keeps its colours.
    ScriptRun t;
    t.run(Rich(), {"QUANTIZE16", "TRUECOLOR", "GRAYSCALE", "SAVE=_g"});
    ASSERT_EQ(t.host.saves.size(), 1u);
    EXPECT_LE(t.host.saves[0].colours, 16u);
}

TEST(DepthScriptTest, FailedReductionCancelsBeforeSave) {
    ScriptRun r;
    EXPECT_EQ(r.run(Bitmap(), {"QUANTIZE256", "SAVE=_q"}), BatchEnd::Aborted);
    EXPECT_TRUE(r.host.saves.empty());
    EXPECT_FALSE(r.frame.messages.empty());
}

TEST(DepthScriptTest, TextMarkAndArtifactLines) {
    ScriptRun r;
    Bitmap white(64, 32, 24);
    for (int y = 0; y < 32; ++y) std::fill_n(white.scanLine(y), 64 * 3, uint8_t(255));
    EXPECT_EQ(r.run(white, {"TEXTMARK_BOTTOMRIGHT=Trip, day 5,6", "ARTIFACT=300", "SAVE=_m"}), BatchEnd::Finished);
    EXPECT_EQ(r.ws.BatchString, "_m");
    ASSERT_EQ(r.host.saves.size(), 1u);
    EXPECT_GT(r.host.saves[0].colours, 1u);
    EXPECT_EQ(r.ws.Image.width(), 64);
    EXPECT_TRUE(r.frame.recordedLines.empty());
}

}  // namespace
}  // namespace vimbra
