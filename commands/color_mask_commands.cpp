#include "commands/color_mask_commands.h"

#include <array>
#include <string>

#include "commands/keywords.h"
#include "commands/menu_ids.h"
#include "filters/color_masks.h"
#include "filters/composition.h"

namespace vimbra {
namespace {

PassTarget Main(Workspace& ws) { return PassTarget::mainPicture(ws); }

constexpr MaskColorsFlags kBandBlack{false, false, true};     // HLS foreground
constexpr MaskColorsFlags kOutsideBlack{true, false, true};   // HLS background

constexpr int kMaskBackcolors = 151, kMaskForecolors = 152, kReplaceHlsBackground = 153,
              kReplaceHlsForeground = 154, kAirbrush = 155, kReplaceRgbForeground = 156,
              kReplaceRgbBackground = 157;

SliderParam Slider(int32_t max, int32_t position, int32_t large) {
    return {0, max, position, large, 1, "0", std::to_string(max)};
}

void BandSliders(FilterDlgParam& p, int code, std::string title) {
    p.title = std::move(title);
    p.sliderCount = 3;
    p.CustomLabels = true;
    p.EffectCode = code;
    p.sliders[0] = Slider(1800, 120, 60);   // hue
    p.sliders[1] = Slider(1800, 1200, 60);  // lightness
    p.sliders[2] = Slider(1800, 1500, 60);  // saturation
    p.preview = [code](Workspace& ws, Bitmap& b, bool showMask) {
        const int32_t widths[3] = {ws.EffectValue1, ws.EffectValue2, ws.EffectValue3};
        ColorMaskPreview(ws, code, widths, b, showMask);
    };
}

void RgbSliders(FilterDlgParam& p, int code, const char* as) {
    p.title = std::string("Replace RGB color selection as ") + as;
    p.sliderCount = 3;
    p.CustomLabels = true;
    p.EffectCode = code;
    for (SliderParam& s : p.sliders) s = Slider(255, 127, 1);
}

// The dialog hands back half-widths; the centre was picked into BandCentre.
void PackChosenBand(Workspace& ws, int) {
    ws.EffectValue1 = PackBand(ws.EffectValue1, ws.BandCentre[0]);
    ws.EffectValue2 = PackBand(ws.EffectValue2, ws.BandCentre[1]);
    ws.EffectValue3 = PackBand(ws.EffectValue3, ws.BandCentre[2]);
}

template <const char* Keyword>
std::string ValuesLine(const Workspace& ws) {
    return BipLine(Keyword, {ws.EffectValue1, ws.EffectValue2, ws.EffectValue3});
}


// --- Threshold > HLS, RGB; Smooth > Airbrush

void HlsBackgroundDialog(Workspace&, FilterDlgParam& p) {
    BandSliders(p, kReplaceHlsBackground, "Replace Background Color Selection");
}
void HlsForegroundDialog(Workspace&, FilterDlgParam& p) {
    BandSliders(p, kReplaceHlsForeground, "Replace Foreground Color Selection");
}
void AirbrushDialog(Workspace&, FilterDlgParam& p) {
    BandSliders(p, kAirbrush, "Airbrush Color Selection");
}
void RgbForegroundDialog(Workspace&, FilterDlgParam& p) {
    RgbSliders(p, kReplaceRgbForeground, "foreground");
}
void RgbBackgroundDialog(Workspace&, FilterDlgParam& p) {
    RgbSliders(p, kReplaceRgbBackground, "background");
}

void HlsBackgroundRun(Workspace& ws, PassTarget t) { MaskColors(ws, t, kOutsideBlack); }
void HlsForegroundRun(Workspace& ws, PassTarget t) { MaskColors(ws, t, kBandBlack); }
void RgbForegroundRun(Workspace& ws, PassTarget t) { MaskRGB(ws, t, true); }
void RgbBackgroundRun(Workspace& ws, PassTarget t) { MaskRGB(ws, t, false); }
void AirbrushRun(Workspace& ws, PassTarget t) { AirBrush(ws, t); }

const std::array<EditCommand, 5> kCommands{{
    {HandlerName(EditId::ReplaceHlsBackground), HlsBackgroundDialog, nullptr, HlsBackgroundRun,
     ValuesLine<keyword::REPLACE_HLS>, false, false, PackChosenBand},
    {HandlerName(EditId::ReplaceHlsForeground), HlsForegroundDialog, nullptr, HlsForegroundRun,
     ValuesLine<keyword::REPLACE_HLSINV>, false, false, PackChosenBand},
    {HandlerName(EditId::ReplaceRgbForeground), RgbForegroundDialog, nullptr, RgbForegroundRun,
     ValuesLine<keyword::REPLACE_RGB>, false, false},
    {HandlerName(EditId::ReplaceRgbBackground), RgbBackgroundDialog, nullptr, RgbBackgroundRun,
     ValuesLine<keyword::REPLACE_RGBINV>, false, false},
    {HandlerName(EditId::Airbrush), AirbrushDialog, nullptr, AirbrushRun, ValuesLine<keyword::AIRBRUSH>, true,
     true, PackChosenBand},
}};

// --- Compute > Mask Backcolors / Forecolors

// Warns before the dialog when there is nothing to blend with; the snapshot
// comes after the check, as with every editing command.
void MaskColorsCommand(Workspace& ws, bool background) {
    FrameHost& host = ws.host();
    if (!Ok2ComputeFull(ws)) {
        host.Ask(MessageKind::Warning,
                 "Source and duplicate bitmaps must have\nsame dimensions and 24-bit color depth.",
                 Buttons::Ok);
        return;
    }
    if (!host.AutoBackUp(ws)) return;
    FilterDlgParam param;
    BandSliders(param, background ? kMaskBackcolors : kMaskForecolors,
                std::string("Mask ") + (background ? "Background" : "Foreground") +
                    " Color Selection");
    if (host.ExecuteEffectsDlg(ws, param) == kDialogCancelled) return;
    PackChosenBand(ws, 0);
    if (!ws.BatchRunning)
        host.RecordBatchLine(ws, (background ? ValuesLine<keyword::MASK_HLS> : ValuesLine<keyword::MASK_HLSINV>)(ws));
    DoColorMask(ws, Main(ws), background);
}

void MaskBackcolors(Workspace& ws) { MaskColorsCommand(ws, true); }
void MaskForecolors(Workspace& ws) { MaskColorsCommand(ws, false); }

// --- Colors > Red Eye

void RedEye(Workspace& ws) {
    // The item is only offered with a selection; one off the picture is a no-op.
    if (RedEyeArea(ws.SelectionRect, ws.Image.width(), ws.Image.height()).isEmpty()) return;
    FrameHost& host = ws.host();
    if (host.WarnSVGA(ws)) return;
    if (!host.AutoBackUp(ws)) return;
    ws.ForceTrueColor();
    // Works on a copy: running it again must not shrink the user's selection.
    RedEyeBitmap(ws.Image, RedEyeArea(ws.SelectionRect, ws.Image.width(), ws.Image.height()));
    host.StatusReady(ws);
    host.RefreshView(ws);
    ws.Modified = true;
    host.AutoConvert(ws);
}

const std::array<CustomMenuCommand, 3> kCustomCommands{{
    {HandlerName(EditId::MaskBackcolors), MaskBackcolors},
    {HandlerName(EditId::MaskForecolors), MaskForecolors},
    {HandlerName(EditId::RedEye), RedEye},
}};

}  // namespace

std::span<const EditCommand> ColorMaskMenuCommands() { return kCommands; }

const EditCommand* FindColorMaskMenuCommand(std::string_view name) {
    for (const EditCommand& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

std::span<const CustomMenuCommand> ColorMaskCustomCommands() { return kCustomCommands; }

const CustomMenuCommand* FindColorMaskCustomCommand(std::string_view name) {
    for (const CustomMenuCommand& c : kCustomCommands)
        if (name == c.name) return &c;
    return nullptr;
}

bool ColorMaskPreview(Workspace& ws, int code, const int32_t sliders[3], Bitmap& preview,
                      bool showMask) {
    if (code < kMaskBackcolors || code > kReplaceRgbBackground) return false;
    ws.EffectValue1 = sliders[0], ws.EffectValue2 = sliders[1], ws.EffectValue3 = sliders[2];
    const PassTarget target = PassTarget::preview(preview);
    if (code >= kReplaceRgbForeground) {
        MaskRGB(ws, target, code == kReplaceRgbForeground);
        return true;
    }
    PackChosenBand(ws, 0);
    switch (code) {
    case kMaskBackcolors:
    case kMaskForecolors:
        if (showMask)
            MaskColors(ws, target, {code == kMaskBackcolors, false, false});
        else
            DoColorMask(ws, target, code == kMaskBackcolors);
        break;
    case kReplaceHlsBackground:
    case kReplaceHlsForeground:
        // Without the black start: the band shows white over the picture.
        MaskColors(ws, target, {code == kReplaceHlsBackground, false, false});
        break;
    default:  // Airbrush
        if (showMask)
            MaskColors(ws, target, {false, true, false});
        else
            AirBrush(ws, target);
        break;
    }
    return true;
}

// --- BIP

void BipMaskHls(Workspace& ws) { DoColorMask(ws, Main(ws), true); }
void BipMaskHlsInv(Workspace& ws) { DoColorMask(ws, Main(ws), false); }
void BipReplaceRgb(Workspace& ws) { MaskRGB(ws, Main(ws), true); }
void BipReplaceRgbInv(Workspace& ws) { MaskRGB(ws, Main(ws), false); }
void BipReplaceHls(Workspace& ws) { MaskColors(ws, Main(ws), kOutsideBlack); }
void BipReplaceHlsInv(Workspace& ws) { MaskColors(ws, Main(ws), kBandBlack); }

void BipAirbrush(Workspace& ws) {
    AirBrush(ws, Main(ws));
    ws.host().RefreshView(ws);
}

}  // namespace vimbra
