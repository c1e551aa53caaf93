#include "commands/tone_commands.h"

#include <array>
#include <string_view>

#include "commands/keywords.h"
#include "commands/menu_ids.h"
#include "commands/registry.h"
#include "core/histogram.h"
#include "core/tone_curves.h"
#include "core/tone_filters.h"

namespace vimbra {
namespace {

using Builder = void (*)(ToneCurves&, int, int);

// One value per channel, red, green, blue.
void PerChannel(Workspace& ws, Builder build) {
    build(ws.curves, ws.EffectValue1, 0);
    build(ws.curves, ws.EffectValue2, 1);
    build(ws.curves, ws.EffectValue3, 2);
}

void ShadowsCurves(Workspace& ws) {
    SetStretchLUT(ws.curves, ws.EffectValue1, 255, 0);
    SetStretchLUT(ws.curves, ws.EffectValue2, 255, 1);
    SetStretchLUT(ws.curves, ws.EffectValue3, 255, 2);
}

void HighlightsCurves(Workspace& ws) {
    SetStretchLUT(ws.curves, 0, ws.EffectValue1, 0);
    SetStretchLUT(ws.curves, 0, ws.EffectValue2, 1);
    SetStretchLUT(ws.curves, 0, ws.EffectValue3, 2);
}

// Lightness curve on GrnLut, saturation kept by an identity BluLut.
void SaturationStretchCurves(Workspace& ws, int lo, int hi) {
    SetStretchLUT(ws.curves, lo, hi, 1);
    SetGammaLUT(ws.curves, 100, 2);
}

void GammaSaturationCurves(Workspace& ws, int v) {
    SetStretchLUT(ws.curves, 0, 255, 1);
    SetGammaLUT(ws.curves, v, 2);
}

void ApplyCurves(Workspace& ws) {
    ColorFilterBitmap(ws.Image, ws.curves);
    ws.host().RefreshView(ws);
}

PassTarget Main(Workspace& ws) { return PassTarget::mainPicture(ws); }

}  // namespace

void BipGamma(Workspace& ws) {
    PerChannel(ws, SetGammaLUT);
    ApplyCurves(ws);
}

void BipGammaSupress(Workspace& ws) {
    PerChannel(ws, SetGammaLUT);
    NegColorFilter(ws, Main(ws));
}

void BipGammaSaturation(Workspace& ws) {
    if (ws.EffectValue1 < 1) return;  // a gamma of 0 has no curve
    GammaSaturationCurves(ws, ws.EffectValue1);
    SaturationFilter(ws, Main(ws));
}

void BipBrightness(Workspace& ws) {
    PerChannel(ws, SetBrightLUT);
    ApplyCurves(ws);
}

void BipShift(Workspace& ws) {
    PerChannel(ws, SetShiftLUT);
    ApplyCurves(ws);
}

void BipZero(Workspace& ws) {
    DoCalcHistogram(ws, Main(ws), false, false, false);
    SetShiftLUT(ws.curves, -FirstPopulatedBin(ws.hist.HistRed), 0);
    SetShiftLUT(ws.curves, -FirstPopulatedBin(ws.hist.HistGrn), 1);
    SetShiftLUT(ws.curves, -FirstPopulatedBin(ws.hist.HistBlu), 2);
    ApplyCurves(ws);
}

void BipContrast(Workspace& ws) {
    PerChannel(ws, SetContrastLUT);
    ApplyCurves(ws);
}

void BipSupress(Workspace& ws) {
    for (int ch = 0; ch < 3; ++ch) SetSupressLUT(ws.curves, ws.EffectValue1, ws.EffectValue2, ch);
    ApplyCurves(ws);
}

void BipEnhance(Workspace& ws) {
    for (int ch = 0; ch < 3; ++ch) SetStretchLUT(ws.curves, ws.EffectValue1, ws.EffectValue2, ch);
    ApplyCurves(ws);
}

void BipLighting(Workspace& ws) {
    SetStretchLUT(ws.curves, ws.EffectValue1, ws.EffectValue2, 1);
    LuminanceFilter(ws, Main(ws));
}

void BipSaturation(Workspace& ws) {
    SaturationStretchCurves(ws, ws.EffectValue1, ws.EffectValue2);
    SaturationFilter(ws, Main(ws));
}

void BipShadows(Workspace& ws) {
    ShadowsCurves(ws);
    ApplyCurves(ws);
}

void BipHighlights(Workspace& ws) {
    HighlightsCurves(ws);
    ApplyCurves(ws);
}

void BipUnwash(Workspace& ws) { MultiplyRGB(ws, Main(ws)); }
void BipUncook(Workspace& ws) { UnWashMore(ws, Main(ws)); }
void BipAttenuate(Workspace& ws) { MultiplyLuminance(ws, Main(ws)); }


// ---- Menu commands -------------------------------------------------------

namespace {

// count sliders sharing one range, position and labels.
void Uniform(FilterDlgParam& p, int effectCode, const char* title, int count,
             const SliderParam& s) {
    p.title = title;
    p.EffectCode = effectCode;
    p.sliderCount = count;
    p.sliders[0] = p.sliders[1] = p.sliders[2] = s;
}

// The ranges are those of the commands' entries.
const SliderParam kGamma = ArgSlider(keyword::GAMMA, 0, 100, 10, "1 (dark)", "500 (bright)");
const SliderParam kBrightness = ArgSlider(keyword::BRIGHTNESS, 0, 0, 8, "-127 (less)", "+127 (more)");
const SliderParam kPlusMinus127 = ArgSlider(keyword::CONTRAST, 0, 0, 8, "", "");

constexpr const char* kAdjustGamma = "Adjust Gamma (1/100)";
constexpr const char* kAdjustBrightness = "Adjust Brightness";
constexpr const char* kAdjustShifting = "Adjust Brightness (by Shifting)";
constexpr const char* kAdjustContrast = "Adjust Contrast";
constexpr const char* kGammaBusy = "Gamma ...";
constexpr const char* kEnhancingBusy = "Enhancing ...";

void CalcHistograms(Workspace& ws, bool withSat) {
    DoCalcHistogram(ws, PassTarget::mainPicture(ws), withSat, false, false);
}

// The shadows/highlights pair of `entry`'s line, starting at the populated range of the grey
// (or saturation) histogram.
void ShadowsHighlights(Workspace& ws, FilterDlgParam& p, const char* entry, int effectCode,
                       const char* title, bool saturation) {
    CalcHistograms(ws, saturation);
    const EndPoints e =
        HistogramEndPoints(saturation ? ws.hist.HistSat : ws.hist.HistGry, saturation);
    p.title = title;
    p.EffectCode = effectCode;
    p.sliderCount = 2;
    p.CustomLabels = true;
    p.sliders[0] = ArgSlider(entry, 0, e.lo, 8, "0 (less)", "255 (more)");
    p.sliders[1] = ArgSlider(entry, 1, e.hi, 8, "0 (more)", "255 (less)");
    p.sliders[2] = p.sliders[0];
}

template <Builder build>
void PerChannelColorFilter(Workspace& ws, PassTarget target) {
    PerChannel(ws, build);
    ColorFilter(ws, target);
}

std::string Line3(const char* keyword, const Workspace& ws) {
    return BipLine(keyword, {ws.EffectValue1, ws.EffectValue2, ws.EffectValue3});
}
std::string Line2(const char* keyword, const Workspace& ws) {
    return BipLine(keyword, {ws.EffectValue1, ws.EffectValue2});
}

const std::array kMenuCommands = {
    EditCommand{
        .name = HandlerName(EditId::GammaGlobal),
        .dialog = [](Workspace&, FilterDlgParam& p) { Uniform(p, 101, kAdjustGamma, 1, kGamma); },
        .busyMessage = kGammaBusy,
        .run = PerChannelColorFilter<SetGammaLUT>,
        .bipLine = [](const Workspace& ws) { return Line3(keyword::GAMMA, ws); }},
    EditCommand{
        .name = HandlerName(EditId::GammaRgb),
        .dialog = [](Workspace&, FilterDlgParam& p) { Uniform(p, 100, kAdjustGamma, 3, kGamma); },
        .busyMessage = kGammaBusy,
        .run = PerChannelColorFilter<SetGammaLUT>,
        .bipLine = [](const Workspace& ws) { return Line3(keyword::GAMMA, ws); }},
    EditCommand{
        .name = HandlerName(EditId::GammaSupress),
        .dialog =
            [](Workspace&, FilterDlgParam& p) {
                Uniform(p, 102, "Supress Gamma (1/100)", 3,
                        ArgSlider(keyword::GAMMA_SUPRESS, 0, 100, 10, "1 (bright)", "500 (dark)"));
            },
        .busyMessage = kGammaBusy,
        .run =
            [](Workspace& ws, PassTarget t) {
                PerChannel(ws, SetGammaLUT);
                NegColorFilter(ws, t);
            },
        .bipLine = [](const Workspace& ws) { return Line3(keyword::GAMMA_SUPRESS, ws); }},
    // The dialog leaves this one's value in EffectValue3.
    EditCommand{
        .name = HandlerName(EditId::GammaSaturation),
        .dialog =
            [](Workspace&, FilterDlgParam& p) {
                Uniform(p, 103, "Saturation  Gamma (1/100)", 1,
                        ArgSlider(keyword::GAMMA_SATURATION, 0, 100, 10, "1 (less)", "500 (more)"));
            },
        .busyMessage = kGammaBusy,
        .run =
            [](Workspace& ws, PassTarget t) {
                if (ws.EffectValue3 < 1) return;
                GammaSaturationCurves(ws, ws.EffectValue3);
                SaturationFilter(ws, t);
            },
        .bipLine =
            [](const Workspace& ws) { return BipLine(keyword::GAMMA_SATURATION, {ws.EffectValue3}); }},
    EditCommand{
        .name = HandlerName(EditId::BrightnessGlobal),
        .dialog =
            [](Workspace& ws, FilterDlgParam& p) {
                CalcHistograms(ws, false);
                Uniform(p, 111, kAdjustBrightness, 1, kBrightness);
            },
        .busyMessage = "Adjusting  Brightness ...",
        .run = PerChannelColorFilter<SetBrightLUT>,
        .bipLine = [](const Workspace& ws) { return Line3(keyword::BRIGHTNESS, ws); }},
    EditCommand{
        .name = HandlerName(EditId::BrightnessRgb),
        .dialog =
            [](Workspace& ws, FilterDlgParam& p) {
                CalcHistograms(ws, false);
                Uniform(p, 110, kAdjustBrightness, 3, kBrightness);
            },
        .busyMessage = "Adjusting  Brightness ...",
        .run = PerChannelColorFilter<SetBrightLUT>,
        .bipLine = [](const Workspace& ws) { return Line3(keyword::BRIGHTNESS, ws); }},
    EditCommand{
        .name = HandlerName(EditId::BrightnessShift),
        .dialog =
            [](Workspace& ws, FilterDlgParam& p) {
                CalcHistograms(ws, false);
                Uniform(p, 112, kAdjustShifting, 3, kPlusMinus127);
            },
        .busyMessage = "Adjusting  Brightness (by Shifting) ...",
        .run = PerChannelColorFilter<SetShiftLUT>,
        .bipLine = [](const Workspace& ws) { return Line3(keyword::SHIFT, ws); }},
    // Starts each channel at minus its first well-populated level; records the
    // bare keyword, which recomputes the shifts from the picture it runs on.
    EditCommand{
        .name = HandlerName(EditId::BrightnessZero),
        .dialog =
            [](Workspace& ws, FilterDlgParam& p) {
                CalcHistograms(ws, false);
                Uniform(p, 113, kAdjustShifting, 3, ArgSlider(keyword::SHIFT, 0, 0, 8, "-127", "127"));
                p.CustomLabels = true;
                const Histogram* h[3] = {&ws.hist.HistRed, &ws.hist.HistGrn, &ws.hist.HistBlu};
                for (int ch = 0; ch < 3; ++ch)
                    p.sliders[ch].Position = Clamp(-FirstPopulatedBin(*h[ch]), -127, 127);
            },
        .busyMessage = "Adjusting  Brightness (by Shifting) ...",
        .run = PerChannelColorFilter<SetShiftLUT>,
        // Moved sliders are recorded as the shifts they are, so the line
        // replays what was applied.
        .bipLine =
            [](const Workspace& ws) {
                const Histogram* h[3] = {&ws.hist.HistRed, &ws.hist.HistGrn, &ws.hist.HistBlu};
                const int32_t e[3] = {ws.EffectValue1, ws.EffectValue2, ws.EffectValue3};
                for (int ch = 0; ch < 3; ++ch)
                    if (e[ch] != Clamp(-FirstPopulatedBin(*h[ch]), -127, 127))
                        return Line3(keyword::SHIFT, ws);
                return std::string(keyword::ZERO);
            }},
    EditCommand{
        .name = HandlerName(EditId::ContrastGlobal),
        .dialog =
            [](Workspace& ws, FilterDlgParam& p) {
                CalcHistograms(ws, false);
                Uniform(p, 121, kAdjustContrast, 1, kPlusMinus127);
            },
        .busyMessage = "Adjusting  Contrast ...",
        .run = PerChannelColorFilter<SetContrastLUT>,
        .bipLine = [](const Workspace& ws) { return Line3(keyword::CONTRAST, ws); }},
    EditCommand{
        .name = HandlerName(EditId::ContrastRgb),
        .dialog =
            [](Workspace& ws, FilterDlgParam& p) {
                CalcHistograms(ws, false);
                Uniform(p, 120, kAdjustContrast, 3, kPlusMinus127);
            },
        .busyMessage = "Adjusting  Contrast ...",
        .run = PerChannelColorFilter<SetContrastLUT>,
        .bipLine = [](const Workspace& ws) { return Line3(keyword::CONTRAST, ws); }},
    EditCommand{
        .name = HandlerName(EditId::ContrastSupress),
        .dialog =
            [](Workspace& ws, FilterDlgParam& p) {
                ShadowsHighlights(ws, p, keyword::SUPRESS, 134, "Supress Shadows/Highlights", false);
            },
        .busyMessage = kEnhancingBusy,
        .run =
            [](Workspace& ws, PassTarget t) {
                for (int ch = 0; ch < 3; ++ch)
                    SetSupressLUT(ws.curves, ws.EffectValue1, ws.EffectValue2, ch);
                ColorFilter(ws, t);
            },
        .bipLine = [](const Workspace& ws) { return Line2(keyword::SUPRESS, ws); }},
    EditCommand{
        .name = HandlerName(EditId::EnhanceGlobal),
        .dialog =
            [](Workspace& ws, FilterDlgParam& p) {
                ShadowsHighlights(ws, p, keyword::ENHANCE, 130, "Enhance Shadows/Highlights (Global)", false);
            },
        .busyMessage = kEnhancingBusy,
        .run =
            [](Workspace& ws, PassTarget t) {
                for (int ch = 0; ch < 3; ++ch)
                    SetStretchLUT(ws.curves, ws.EffectValue1, ws.EffectValue2, ch);
                ColorFilter(ws, t);
            },
        .bipLine = [](const Workspace& ws) { return Line2(keyword::ENHANCE, ws); }},
    EditCommand{
        .name = HandlerName(EditId::EnhanceLighting),
        .dialog =
            [](Workspace& ws, FilterDlgParam& p) {
                ShadowsHighlights(ws, p, keyword::LIGHTING, 133, "Enhance Shadows/Highlights (Lighting)", false);
            },
        .busyMessage = kEnhancingBusy,
        .run =
            [](Workspace& ws, PassTarget t) {
                SetStretchLUT(ws.curves, ws.EffectValue1, ws.EffectValue2, 1);
                LuminanceFilter(ws, t);
            },
        .bipLine = [](const Workspace& ws) { return Line2(keyword::LIGHTING, ws); }},
    EditCommand{
        .name = HandlerName(EditId::EnhanceShadows),
        .dialog =
            [](Workspace& ws, FilterDlgParam& p) {
                CalcHistograms(ws, false);
                const EndPoints e = HistogramEndPoints(ws.hist.HistGry, false);
                Uniform(p, 131, "Enhance Shadows (RGB)", 3,
                        ArgSlider(keyword::SHADOWS, 0, e.lo, 8, "0 (less)", "255 (more)"));
            },
        .busyMessage = kEnhancingBusy,
        .run =
            [](Workspace& ws, PassTarget t) {
                ShadowsCurves(ws);
                ColorFilter(ws, t);
            },
        .bipLine = [](const Workspace& ws) { return Line3(keyword::SHADOWS, ws); }},
    EditCommand{
        .name = HandlerName(EditId::EnhanceHighlights),
        .dialog =
            [](Workspace& ws, FilterDlgParam& p) {
                CalcHistograms(ws, false);
                const EndPoints e = HistogramEndPoints(ws.hist.HistGry, false);
                Uniform(p, 132, "Enhance Highlights (RGB)", 3,
                        ArgSlider(keyword::HIGHLIGHTS, 0, e.hi, 8, "0 (more)", "255 (less)"));
            },
        .busyMessage = kEnhancingBusy,
        .run =
            [](Workspace& ws, PassTarget t) {
                HighlightsCurves(ws);
                ColorFilter(ws, t);
            },
        .bipLine = [](const Workspace& ws) { return Line3(keyword::HIGHLIGHTS, ws); }},
    EditCommand{
        .name = HandlerName(EditId::EnhanceSaturation),
        .dialog =
            [](Workspace& ws, FilterDlgParam& p) {
                ShadowsHighlights(ws, p, keyword::SATURATION, 135, "Enhance Shadows/Highlights (Saturation)", true);
            },
        .busyMessage = kEnhancingBusy,
        .run =
            [](Workspace& ws, PassTarget t) {
                ResetMaps(ws.curves);
                SaturationStretchCurves(ws, ws.EffectValue1, ws.EffectValue2);
                SaturationFilter(ws, t);
            },
        .bipLine = [](const Workspace& ws) { return Line2(keyword::SATURATION, ws); }},
    EditCommand{.name = HandlerName(EditId::Unwash),
                .run = [](Workspace& ws, PassTarget t) { MultiplyRGB(ws, t); },
                .bipLine = [](const Workspace&) { return std::string(keyword::UNWASH); }},
    EditCommand{.name = HandlerName(EditId::Uncook),
                .run = [](Workspace& ws, PassTarget t) { UnWashMore(ws, t); },
                .bipLine = [](const Workspace&) { return std::string(keyword::UNCOOK); }},
    EditCommand{.name = HandlerName(EditId::Attenuate),
                .run = [](Workspace& ws, PassTarget t) { MultiplyLuminance(ws, t); },
                .bipLine = [](const Workspace&) { return std::string(keyword::ATTENUATE); }},
};

}  // namespace

std::span<const EditCommand> ToneMenuCommands() { return kMenuCommands; }

const EditCommand* FindToneMenuCommand(std::string_view name) {
    for (const EditCommand& c : kMenuCommands)
        if (name == c.name) return &c;
    return nullptr;
}

}  // namespace vimbra
