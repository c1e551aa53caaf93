#include "commands/compose_commands.h"

#include <gtest/gtest.h>

#include <vector>

namespace vimbra {
namespace {

using Row = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

Bitmap Bytes(const Row& bytes) {
    Bitmap b(int(bytes.size() / 3), 1, 24);
    std::copy(bytes.begin(), bytes.end(), b.scanLine(0));
    return b;
}

Bitmap Grey8(uint8_t v) {
    Bitmap b(1, 1, 8);
    b.palette().resize(256);
    b.palette()[v] = {v, v, v, 0};
    b.scanLine(0)[0] = v;
    return b;
}

Row RowOf(const Bitmap& b) { return {b.scanLine(0), b.scanLine(0) + 3 * b.width()}; }

// Plays the effects dialog: puts the sliders at `values` and leaves them
// where the dialog of each code leaves them.
class DialogHost : public FrameHost {
public:
    int32_t values[2] = {0, 0};
    bool cancel = false;
    int dialogs = 0;
    FilterDlgParam last;
    int32_t secondValueAtOpen = 0;

    int ExecuteEffectsDlg(Workspace& ws, const FilterDlgParam& p) override {
        ++dialogs;
        last = p;
        secondValueAtOpen = ws.EffectValue2;
        if (cancel) return kDialogCancelled;
        switch (p.EffectCode) {
            case 500: ws.EffectValue2 = values[0]; break;
            case 510: ws.EffectValue2 = values[0], ws.EffectValue3 = values[1]; break;
            case 520: ws.EffectValue2 = values[1]; break;
            default: ws.EffectValue1 = values[0], ws.EffectValue2 = values[1]; break;
        }
        return values[0];
    }
};

struct Session {
    DialogHost host;
    Workspace ws{host};
    Session(Bitmap image, Bitmap duplicate) {
        ws.setImage(std::move(image));
        ws.DuplicateBitmap = std::move(duplicate);
        ws.RecordingActive = true;
    }
    void run(std::string_view name) {
        const CustomMenuCommand* c = FindComposeCustomCommand(name);
        ASSERT_NE(c, nullptr) << name;
        c->run(ws);
    }
    const Lines& lines() const { return host.recordedLines; }
};

TEST(ComposeMenu, WarnsWithoutACompatibleDuplicateAndOpensNoDialog) {
    for (const char* name : {"onAverage", "onInterlace", "onMaskShadows",
                             "onMaskHighlights", "onMaskMidtones",
                             "onMaskContrast", "onMaskGrayscale", "onSubtract"}) {
        Session s(Bytes({9, 9, 9}), Bitmap());
        s.run(name);
        EXPECT_EQ(s.host.dialogs, 0) << name;
        EXPECT_EQ(s.host.messages, Lines{std::string(kDuplicateMismatch)}) << name;
        EXPECT_EQ(s.ws.Image, Bytes({9, 9, 9}));
        EXPECT_TRUE(s.lines().empty());
    }
}

TEST(ComposeMenu, DuplicateSwapAndAverage) {
    Session s(Bytes({100, 255, 99}), Bitmap());
    s.run("onDuplicate");
    EXPECT_EQ(s.ws.StatusText, "Duplicated.");
    s.ws.Image = Bytes({200, 0, 99});
    s.run("onSwap");
    s.run("onSwap");
    EXPECT_EQ(s.host.refreshCount, 2);
    s.host.values[0] = 30;  // 200*70 div 100 + 100*30 div 100, 255*30 div 100
    s.run("onAverage");
    EXPECT_EQ(s.host.last.sliders[0].Position, 50);
    EXPECT_EQ(RowOf(s.ws.Image), (Row{170, 76, 98}));
    EXPECT_EQ(s.ws.UndoBitmap, Bytes({200, 0, 99}));
    EXPECT_EQ(s.lines(), (Lines{"DUPLICATE", "SWAP", "SWAP", "AVERAGE=30"}));
    s.host.cancel = true;
    s.run("onAverage");
    EXPECT_EQ(s.host.last.sliders[0].Position, 30);
    EXPECT_EQ(s.ws.remembered.Average, 30);
    EXPECT_EQ(s.lines().size(), 4u);
}

TEST(ComposeMenu, InterlaceRecordsBlendAndField) {
    Bitmap dup(1, 2);
    std::fill_n(dup.scanLine(1), 3, uint8_t(100));
    Session s(Bitmap(1, 2), dup);
    s.host.values[0] = 40, s.host.values[1] = 0;
    s.run("onInterlace");
    EXPECT_EQ(s.host.last.sliders[0].Position, 99);
    EXPECT_EQ(s.host.last.sliders[1].Position, 1);
    EXPECT_EQ(s.ws.Image.scanLine(1)[0], 40);
    EXPECT_EQ(s.ws.remembered.InterlaceField, 0);
    EXPECT_EQ(s.lines(), Lines{"INTERLACE=40,0"});
    EXPECT_EQ(s.ws.UndoBitmap, Bitmap(1, 2));
}

TEST(ComposeMenu, MaskCommandsStartAt99AndShareTheShadowsTag) {
    Session s(Bytes({200, 50, 100}), Bytes({255, 255, 255}));
    s.host.values[0] = 100, s.host.values[1] = 99;
    s.run("onMaskShadows");
    EXPECT_EQ(s.host.secondValueAtOpen, 99);
    EXPECT_EQ(s.host.last.title, "Mask Bitmap Shadows");
    EXPECT_EQ(RowOf(s.ws.Image), (Row{217, 114, 148}));
    EXPECT_EQ(s.ws.UndoBitmap, Bytes({200, 50, 100}));
    s.host.values[0] = 230;
    s.run("onMaskHighlights");
    EXPECT_EQ(s.host.last.sliders[0].Position, 100);
    s.run("onMaskMidtones");
    EXPECT_EQ(s.host.last.sliders[0].Position, 150);
    s.run("onMaskShadows");
    EXPECT_EQ(s.host.last.sliders[0].Position, 230);
    EXPECT_EQ(s.lines(), (Lines{"MASK_SHADOWS=100,99", "MASK_HIGHLIGHTS=230,99",
                                "MASK_MIDTONES=230,99", "MASK_SHADOWS=230,99"}));
}

// The recorded line replays to the very picture the command made.
TEST(ComposeMenu, MaskContrastRecordsTheSecondValueItApplied) {
    Session s(Bytes({255, 255, 255}), Bytes({30, 20, 10}));
    s.host.values[0] = 100, s.host.values[1] = 99;
    s.run("onMaskContrast");
    EXPECT_EQ(s.host.last.EffectCode, 531);
    EXPECT_EQ(RowOf(s.ws.Image), (Row{218, 217, 215}));
    EXPECT_EQ(s.lines(), Lines{"MASK_CONTRAST=100,99"});
    s.ws.setImage(Bytes({255, 255, 255}));
    s.ws.BatchRunning = true;
    BipMaskContrast(s.ws);
    EXPECT_EQ(RowOf(s.ws.Image), (Row{218, 217, 215}));
}

TEST(ComposeMenu, MaskEdgesRunsInTheStandardFrame) {
    const EditCommand* c = FindComposeMenuCommand("onMaskEdges");
    ASSERT_NE(c, nullptr);
    Bitmap flat(5, 5);
    for (int y = 0; y < 5; ++y) std::fill_n(flat.scanLine(y), 15, uint8_t(100));
    Session s(flat, Bitmap());
    s.host.values[0] = 10, s.host.values[1] = 128;
    EXPECT_TRUE(RunEditCommand(s.ws, *c));  // no duplicate: the pass does nothing
    EXPECT_EQ(s.ws.Image, flat);
    EXPECT_EQ(s.host.last.title, "Set Mask Edges effect to");
    EXPECT_EQ(s.host.last.sliders[0].Position, 64);
    EXPECT_EQ(s.host.secondValueAtOpen, 255);
    EXPECT_EQ(s.host.busyMessage, "Masking edges ...");
    s.ws.DuplicateBitmap = Bitmap(5, 5);
    s.ws.EffectValue1 = -5;  // the dialog of this code leaves the first value alone
    EXPECT_TRUE(RunEditCommand(s.ws, *c));
    EXPECT_EQ(s.host.secondValueAtOpen, 128);
    EXPECT_EQ(s.ws.Image.scanLine(2)[6], 49);  // 12700 div 255
    EXPECT_EQ(s.lines(), (Lines{"MASK_EDGES=10,128", "MASK_EDGES=10,128"}));
}

TEST(ComposeMenu, GrayscaleAndArithmeticConvertFirst) {
    Session s(Grey8(100), Bytes({0, 0, 255}));
    s.run("onMaskGrayscale");
    EXPECT_EQ(RowOf(s.ws.Image), (Row{0, 0, 200}));
    EXPECT_EQ(s.ws.UndoBitmap.depth(), 8);
    s.ws.setImage(Grey8(60));
    s.run("onMaximum");
    EXPECT_EQ(RowOf(s.ws.Image), (Row{60, 60, 255}));
    EXPECT_TRUE(s.ws.Modified);
    s.ws.DuplicateBitmap = Bitmap(2, 1);
    s.run("onMinimum");  // other size: silently nothing
    EXPECT_EQ(RowOf(s.ws.Image), (Row{60, 60, 255}));
    EXPECT_TRUE(s.host.messages.empty());
    EXPECT_EQ(s.lines(), (Lines{"MASK_GRAYSCALE", "MAXIMUM"}));
}

}  // namespace
}  // namespace vimbra
