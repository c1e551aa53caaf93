#include "commands/color_mask_commands.h"

#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>

#include "core/hls.h"

namespace vimbra {
namespace {

Bitmap Row(std::initializer_list<RGB> pixels) {
    Bitmap b(int(pixels.size()), 1, 24);
    uint8_t* p = b.scanLine(0);
    for (const RGB& c : pixels) *p++ = uint8_t(c.b), *p++ = uint8_t(c.g), *p++ = uint8_t(c.r);
    return b;
}

constexpr RGB kRed{255, 0, 0};          // H 0, L 1800, S 3600
constexpr RGB kRedMagenta{255, 0, 10};  // H 3576
constexpr RGB kGrey{100, 100, 100};     // H 2400, L 1412, S 0
constexpr RGB kWhite{255, 255, 255}, kBlack{0, 0, 0};
// Red centre with half-widths 50, 10, 10, packed; the blend weights of red
// and grey against it are worked in the operation's tests.
constexpr int32_t kRedBand[3] = {50 * 65536 + 0, 10 * 65536 + 1800, 10 * 65536 + 3600};
const char* const kRedBandValues = "3276800,657160,658960";

// Plays the user: applies with the sliders at `values`, or cancels.
class DialogHost : public FrameHost {
public:
    int32_t values[3] = {50, 10, 10};
    bool cancel = false;
    FilterDlgParam lastParam;
    int ExecuteEffectsDlg(Workspace& ws, const FilterDlgParam& p) override {
        lastParam = p;
        if (cancel) return kDialogCancelled;
        ws.EffectValue1 = values[0], ws.EffectValue2 = values[1], ws.EffectValue3 = values[2];
        return values[0];
    }
};

struct Session {
    DialogHost host;
    Workspace ws{host};
    explicit Session(Bitmap image) {
        ws.setImage(std::move(image));
        ws.RecordingActive = true;
        ws.BandCentre[0] = 0, ws.BandCentre[1] = 1800, ws.BandCentre[2] = 3600;  // picked red
    }
    void values(const int32_t* v) {
        ws.EffectValue1 = v[0], ws.EffectValue2 = v[1], ws.EffectValue3 = v[2];
    }
    void custom(std::string_view name) { FindColorMaskCustomCommand(name)->run(ws); }
};

TEST(ColorMaskBip, KeywordsOnASmallRow) {
    Session s(Row({kRed, kRedMagenta, kGrey}));
    s.values(kRedBand);
    BipReplaceHls(s.ws);  // the band black, the rest white
    EXPECT_EQ(s.ws.Image, Row({kBlack, kBlack, kWhite}));
    EXPECT_TRUE(s.ws.Modified);
    // The top-left colour, (255, 0, 0), wherever it occurs exactly.
    s.ws.setImage(Row({kRed, kRedMagenta, kRed}));
    s.ws.EffectValue1 = 255, s.ws.EffectValue2 = 0, s.ws.EffectValue3 = 0;
    BipReplaceRgb(s.ws);
    EXPECT_EQ(s.ws.Image, Row({kWhite, kBlack, kWhite}));
    BipReplaceRgbInv(s.ws);  // now nothing is red: all white
    EXPECT_EQ(s.ws.Image, Row({kWhite, kWhite, kWhite}));

    s.ws.setImage(Row({kRed, kGrey}));
    s.values(kRedBand);
    BipMaskHls(s.ws);  // no duplicate: silently nothing
    EXPECT_EQ(s.ws.Image, Row({kRed, kGrey}));
    EXPECT_FALSE(s.ws.Modified);
    s.ws.DuplicateBitmap = Row({{0, 0, 255}, {200, 50, 10}});
    s.values(kRedBand);
    BipMaskHlsInv(s.ws);
    EXPECT_EQ(s.ws.Image, Row({kRed, {162, 68, 43}}));
    EXPECT_TRUE(s.host.messages.empty());
}

TEST(ColorMaskBip, HostileValuesNeverCrash) {
    const int32_t odd[][3] = {{-1, -1, -1}, {INT32_MIN, INT32_MIN, INT32_MIN},
                              {INT32_MAX, INT32_MAX, INT32_MAX}, {-65537, 65535, 3}};
    void (*handlers[])(Workspace&) = {BipMaskHls,       BipMaskHlsInv, BipReplaceRgb,
                                      BipReplaceRgbInv, BipReplaceHls, BipReplaceHlsInv,
                                      BipAirbrush};
    for (const auto& v : odd)
        for (auto* handler : handlers) {
            Session s(Row({kRed, kGrey}));
            s.ws.DuplicateBitmap = Row({kGrey, kRed});
            s.values(v);
            handler(s.ws);
        }
    // Widths below 1 select nothing: HLS background whitens everything,
    // HLS foreground blackens it.
    Session s(Row({kRed, kGrey}));
    s.values(odd[0]);
    BipReplaceHls(s.ws);
    EXPECT_EQ(s.ws.Image, Row({kWhite, kWhite}));
    s.values(odd[0]);
    BipReplaceHlsInv(s.ws);
    EXPECT_EQ(s.ws.Image, Row({kBlack, kBlack}));
}

TEST(ColorMaskMenu, BandCommandsPackRecordAndTakeTheSnapshot) {
    const Bitmap picture = Row({kRed, kRedMagenta, kGrey});
    Session s(picture);
    s.ws.DisplayBitDepth = 8;  // Threshold neither warns nor offers the reduction
    ASSERT_TRUE(RunEditCommand(s.ws, *FindColorMaskMenuCommand("onReplaceHlsForeground")));
    EXPECT_EQ(s.ws.Image, Row({kWhite, kWhite, kBlack}));
    EXPECT_EQ(s.host.recordedLines.back(), std::string("REPLACE_HLSINV=") + kRedBandValues);
    EXPECT_EQ(s.ws.UndoBitmap, picture);
    EXPECT_TRUE(s.ws.Modified);
    EXPECT_TRUE(s.host.messages.empty());
    const FilterDlgParam& p = s.host.lastParam;
    EXPECT_EQ(p.title, "Replace Foreground Color Selection");
    EXPECT_EQ(p.EffectCode, 154);
    EXPECT_EQ(p.sliders[1].Position, 1200);
    EXPECT_EQ(p.sliders[2].LabelMax, "1800");

    s.host.cancel = true;
    EXPECT_FALSE(RunEditCommand(s.ws, *FindColorMaskMenuCommand("onReplaceRgbBackground")));
    EXPECT_EQ(s.host.lastParam.title, "Replace RGB color selection as background");
    EXPECT_EQ(s.host.recordedLines.size(), 1u);
}

TEST(ColorMaskMenu, MaskBackcolorsWarnsFirstAndIsUndoable) {
    const Bitmap picture = Row({kRed, kGrey});
    Session s(picture);
    s.custom("onMaskBackcolors");
    EXPECT_EQ(s.host.messages.at(0),
              "Source and duplicate bitmaps must have\nsame dimensions and 24-bit color depth.");
    EXPECT_EQ(s.host.lastParam.EffectCode, 0);  // no dialog
    EXPECT_TRUE(s.ws.UndoBitmap.isEmpty());

    s.ws.DuplicateBitmap = Row({{0, 0, 255}, {200, 50, 10}});
    s.custom("onMaskBackcolors");
    EXPECT_EQ(s.host.lastParam.title, "Mask Background Color Selection");
    EXPECT_EQ(s.ws.Image, Row({{0, 0, 255}, {136, 80, 65}}));
    EXPECT_EQ(s.ws.UndoBitmap, picture);
    EXPECT_TRUE(s.ws.Modified);
    EXPECT_EQ(s.host.recordedLines.back(), std::string("MASK_HLS=") + kRedBandValues);
}

// A column of ten reddish pixels selected whole: rows 0..7 change, and a
// second run covers the same rows since the selection is left alone.
TEST(ColorMaskMenu, RedEyeKeepsTheSelection) {
    Bitmap column(1, 10, 24);
    for (int y = 0; y < 10; ++y) column.scanLine(y)[2] = uint8_t(100 + y);
    Session s(column);
    s.ws.SelectionRect = {0, 0, 1, 10};
    s.custom("onRedEye");
    s.custom("onRedEye");
    for (int y = 0; y < 10; ++y) EXPECT_EQ(s.ws.Image.scanLine(y)[2], y < 8 ? 0 : 100 + y);
    EXPECT_EQ(s.ws.SelectionRect, (SelRect{0, 0, 1, 10}));
    EXPECT_TRUE(s.ws.Modified);
    EXPECT_TRUE(s.host.recordedLines.empty());
    Session off(column);
    off.ws.SelectionRect = {3, 0, 9, 10};  // right of the picture
    off.custom("onRedEye");
    EXPECT_EQ(off.ws.Image, column);
    EXPECT_FALSE(off.ws.Modified);
}

TEST(ColorMaskPreview, DialogVariants) {
    Session s(Row({kRed, kGrey}));
    const int32_t widths[3] = {50, 10, 10};
    Bitmap preview = Row({kRed, kGrey});
    ASSERT_TRUE(ColorMaskPreview(s.ws, 153, widths, preview, false));  // no black start
    EXPECT_EQ(preview, Row({kRed, kWhite}));
    EXPECT_EQ(s.ws.EffectValue1, 50);  // unpacked again, ready for Apply
    s.ws.ScratchBitmap = Row({{0, 0, 255}, {200, 50, 10}});
    preview = Row({kRed, kGrey});
    ASSERT_TRUE(ColorMaskPreview(s.ws, 151, widths, preview, false));
    EXPECT_EQ(preview, Row({{0, 0, 255}, {136, 80, 65}}));
    preview = Row({kRed, kGrey});
    ASSERT_TRUE(ColorMaskPreview(s.ws, 152, widths, preview, true));  // Show mask
    EXPECT_EQ(preview, Row({kWhite, kGrey}));
    EXPECT_FALSE(ColorMaskPreview(s.ws, 150, widths, preview, false));
    EXPECT_EQ(s.ws.Image, Row({kRed, kGrey}));
    EXPECT_FALSE(s.ws.Modified);
}

}  // namespace
}  // namespace vimbra
