#include "commands/color_commands.h"

#include <array>
#include <string>

#include "commands/keywords.h"
#include "commands/menu_ids.h"
#include "commands/registry.h"
#include "core/color_adjust.h"
#include "core/histogram.h"
#include "core/tone_curves.h"
#include "core/tone_filters.h"

namespace vimbra {
namespace {

PassTarget Main(Workspace& ws) { return PassTarget::mainPicture(ws); }

// The HLS dialog's saturation slider spans -999..999 for the full 0..3600 scale.
int SaturationShift(int slider) { return int(int64_t(slider) * 3600 / 999); }

// Gain 0 first resets all three curves, so a single-channel bump leaves the
// other two channels as they are.
void EqCurves(Workspace& ws, int channel) {
    SetEqLUT(ws.curves, ws.EffectValue1, ws.EffectValue2, 0, 0);
    if (channel < 0) {
        for (int c = 0; c < 3; ++c)
            SetEqLUT(ws.curves, ws.EffectValue1, ws.EffectValue2, ws.EffectValue3, c);
    } else {
        SetEqLUT(ws.curves, ws.EffectValue1, ws.EffectValue2, ws.EffectValue3, channel);
    }
}

void BipEq(Workspace& ws, int channel) {
    EqCurves(ws, channel);
    ColorFilterBitmap(ws.Image, ws.curves);
    ws.host().RefreshView(ws);
}

// --- Tune > HLS

void HlsDialog(Workspace&, FilterDlgParam& p) {
    p.title = "Adjust Hue-Luminance-Saturation";
    p.sliderCount = 3;
    p.CustomLabels = true;
    p.EffectCode = 150;
    p.sliders[0] = ArgSlider(keyword::HLS, 0, 0, 10, "-999 (mag)", "+999 (yel)");
    p.sliders[1] = ArgSlider(keyword::HLS, 1, 0, 10, "-999 (less)", "+999 (more)");
    p.sliders[2] = ArgSlider(keyword::HLS, 2, 0, 10, "-999 (less)", "+999 (more)");
}

// The frame has already warned and taken the snapshot.
void HlsRun(Workspace& ws, PassTarget target) {
    TuneHLSBitmap(target.bitmap, ws.EffectValue1, ws.EffectValue2, SaturationShift(ws.EffectValue3));
    EndPass(ws, target);
}

std::string HlsLine(const Workspace& ws) {
    return BipLine(keyword::HLS, {ws.EffectValue1, ws.EffectValue2, ws.EffectValue3});
}

// --- Parametric EQ

template <int Channel>
void EqDialog(Workspace&, FilterDlgParam& p) {
    static constexpr const char* kNames[] = {"[All channels]", "[Red channel]", "[Green channel]",
                                             "[Blue channel]"};
    p.title = std::string("Parametric Equalizer ") + kNames[Channel + 1];
    p.sliderCount = 3;
    p.CustomLabels = true;
    p.EffectCode = 141 + Channel;
    p.sliders[0] = ArgSlider(keyword::PARAMETRIC_EQ_ALL, 0, 127, 8, "0 (dark)", "255 (bright)");
    p.sliders[1] = ArgSlider(keyword::PARAMETRIC_EQ_ALL, 1, 63, 8, "7 (narrow)", "127 (wide)");
    p.sliders[2] = ArgSlider(keyword::PARAMETRIC_EQ_ALL, 2, 0, 8, "-127 (cut)", "+127 (boost)");
}

template <int Channel>
void EqRun(Workspace& ws, PassTarget target) {
    EqCurves(ws, Channel);
    ColorFilter(ws, target);
}

template <int Channel>
std::string EqLine(const Workspace& ws) {
    static constexpr const char* kKeywords[] = {keyword::PARAMETRIC_EQ_ALL, keyword::PARAMETRIC_EQ_RED,
                                                keyword::PARAMETRIC_EQ_GRN, keyword::PARAMETRIC_EQ_BLU};
    return BipLine(kKeywords[Channel + 1], {ws.EffectValue1, ws.EffectValue2, ws.EffectValue3});
}

// --- Brightness > Balance

// The colour base, the whitest pixel, goes to the dialog packed in EffectValue3.
void BalanceDialog(Workspace& ws, FilterDlgParam& p) {
    WhiteMax(ws, Main(ws));
    p.title = "White Balance";
    p.sliderCount = 1;
    p.EffectCode = 160;
    p.sliders[0] = ArgSlider(keyword::WHITEBALANCE, 0, ws.remembered.Balance, 8, "-127 (less)", "+127 (more)");
    // The dialog hands over the match value in EffectValue1 and the colour base,
    // picked or found, packed in EffectValue3; the offsets stay for the command.
    p.preview = [](Workspace& w, Bitmap& b, bool) {
        WhiteBalancePreview(w, PassTarget::preview(b), w.EffectValue1, UnpackColor(w.EffectValue3));
    };
}

// Applies the offsets of the last preview, which may differ from the slider
// if it moved after the last Test.
void BalanceRun(Workspace& ws, PassTarget target) {
    // Script lines may carry any offsets. Beyond these bounds the curves are
    // all 0 or all 255 anyway, and the gain arithmetic stays within int.
    const auto offset = [](int32_t v) { return Clamp(v, -127, 32767); };
    SetBrightLUT(ws.curves, offset(ws.EffectValue1), 0);
    SetBrightLUT(ws.curves, offset(ws.EffectValue2), 1);
    SetBrightLUT(ws.curves, offset(ws.EffectValue3), 2);
    ColorFilter(ws, target);
}

std::string BalanceLine(const Workspace& ws) {
    return BipLine(keyword::WHITEBALANCE, {ws.EffectValue1, ws.EffectValue2, ws.EffectValue3});
}

// --- Posterize

void PosterizeDialog(Workspace& ws, FilterDlgParam& p) {
    p.title = "Cut resolution (posterize) to";
    p.sliderCount = 1;
    p.EffectCode = 251;
    p.sliders[0] = ArgSlider(keyword::POSTERIZE, 0, ws.remembered.Posterize, 1, "2 bpp", "7 bpp");
}

void PosterizeRun(Workspace& ws, PassTarget target) { LowRes(ws, target, ws.EffectValue1); }

std::string PosterizeLine(const Workspace& ws) { return BipLine(keyword::POSTERIZE, {ws.EffectValue1}); }

// Posterize runs with the bit count the dialog returns; Balance keeps the
// offsets of the last preview and only remembers the match value.
void PosterizeChosen(Workspace& ws, int bits) {
    ws.remembered.Posterize = bits;
    ws.EffectValue1 = bits;
}
void BalanceChosen(Workspace& ws, int match) { ws.remembered.Balance = match; }

// --- RGB Max and Negative

void RgbMaxRun(Workspace& ws, PassTarget target) { RGBMax(ws, target); }
std::string RgbMaxLine(const Workspace&) { return keyword::RGBMAX; }

void NegativeRun(Workspace& ws, PassTarget target) {
    Negative(ws, target);
    if (target.isMainPicture) ws.syncImageSize();
}
std::string NegativeLine(const Workspace&) { return keyword::NEGATIVE; }

const std::array<EditCommand, 9> kCommands{{
    {HandlerName(EditId::Hls), HlsDialog, "Adjusting HLS ...", HlsRun, HlsLine},
    {HandlerName(EditId::ParametricEqAll), EqDialog<-1>, "Parametric EQ ...", EqRun<-1>, EqLine<-1>},
    {HandlerName(EditId::ParametricEqRed), EqDialog<0>, "Parametric EQ ...", EqRun<0>, EqLine<0>},
    {HandlerName(EditId::ParametricEqGreen), EqDialog<1>, "Parametric EQ ...", EqRun<1>, EqLine<1>},
    {HandlerName(EditId::ParametricEqBlue), EqDialog<2>, "Parametric EQ ...", EqRun<2>, EqLine<2>},
    {HandlerName(EditId::WhiteBalance), BalanceDialog, "White balance ...", BalanceRun, BalanceLine, true,
     true, BalanceChosen},
    {HandlerName(EditId::Posterize), PosterizeDialog, nullptr, PosterizeRun, PosterizeLine, true, true,
     PosterizeChosen},
    {HandlerName(EditId::RgbMax), nullptr, nullptr, RgbMaxRun, RgbMaxLine, false, false},
    {HandlerName(EditId::Negative), nullptr, nullptr, NegativeRun, NegativeLine, false},
}};

}  // namespace

std::span<const EditCommand> ColorMenuCommands() { return kCommands; }

const EditCommand* FindColorMenuCommand(std::string_view name) {
    for (const EditCommand& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

void BipWhiteBalance(Workspace& ws) { BalanceRun(ws, Main(ws)); }

void BipNegative(Workspace& ws) { RunEditCommand(ws, *FindColorMenuCommand(HandlerName(EditId::Negative))); }

void BipHLS(Workspace& ws) {
    ColorTuneHLS(ws, Main(ws), ws.EffectValue1, ws.EffectValue2, SaturationShift(ws.EffectValue3));
}

void BipRGBMax(Workspace& ws) { RunEditCommand(ws, *FindColorMenuCommand(HandlerName(EditId::RgbMax))); }

void BipPosterize(Workspace& ws) {
    if (ws.EffectValue1 >= 2 && ws.EffectValue1 <= 7)
        LowRes(ws, Main(ws), ws.EffectValue1);
    else
        ws.host().RefreshView(ws);
}

void BipParametricEqAll(Workspace& ws) { BipEq(ws, -1); }
void BipParametricEqRed(Workspace& ws) { BipEq(ws, 0); }
void BipParametricEqGrn(Workspace& ws) { BipEq(ws, 1); }
void BipParametricEqBlu(Workspace& ws) { BipEq(ws, 2); }

}  // namespace vimbra
