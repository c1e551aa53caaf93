#pragma once
// The editing commands the menus place, declared once each: the id, the menu
// caption and the shortcut. Each id names one entry of the family tables
// (commands/*_commands.cpp), which holds the dialog, busy text, pass and
// recorded line; the BIP entry of its keyword (commands/registry.cpp) holds
// the ranges and first values. The handler id, which recorded notes and the
// window's action lookup use, is "on" and the id. A menu row naming an id
// that is not listed here does not compile.
#include <cstddef>
#include <cstdint>

namespace vimbra {

// clang-format off
#define VIMBRA_EDIT_IDS(X) \
    X(GammaGlobal, "&Global", "") \
    X(GammaRgb, "&RGB", "") \
    X(GammaSupress, "&Supress", "") \
    X(GammaSaturation, "Sa&turation", "") \
    X(BrightnessGlobal, "&Global", "") \
    X(BrightnessRgb, "&RGB", "") \
    X(BrightnessShift, "&Shift", "") \
    X(BrightnessZero, "&Zero", "") \
    X(ContrastGlobal, "&Global", "") \
    X(ContrastRgb, "&RGB", "") \
    X(ContrastSupress, "&Supress", "") \
    X(EnhanceGlobal, "&Global", "") \
    X(EnhanceLighting, "&Lighting", "") \
    X(EnhanceShadows, "&Shadows", "") \
    X(EnhanceHighlights, "&Highlights", "") \
    X(EnhanceSaturation, "Sa&turation", "") \
    X(Unwash, "Un&Wash", "") \
    X(Uncook, "&Un&Cook", "") \
    X(Attenuate, "&Attenuate", "") \
    X(AutoContrast, "Auto&Contrast", "") \
    X(AutoLighting, "Auto&Lighting", "") \
    X(AutoSaturate, "Auto&Saturate", "") \
    X(AutoBalance, "Auto&Balance", "") \
    X(AutoGamma, "Auto&Gamma", "") \
    X(AutoFlash, "Auto&Flash", "") \
    X(AutoWhite, "Auto&White", "") \
    X(Normalize, "&Normalize", "") \
    X(Optimize, "&Optimize", "") \
    X(TuneEqualize, "E&Qualize", "") \
    X(TuneRgb, "&RGB", "") \
    X(MapEqualize, "&Equalize", "") \
    X(MapRed, "&Red channel", "") \
    X(MapGreen, "&Green channel", "") \
    X(MapBlue, "&Blue channel", "") \
    X(MapSaturation, "&Saturation", "") \
    X(MapLighting, "&Lighting", "") \
    X(MapZero, "&Zero", "") \
    X(MapCenter, "&Center", "") \
    X(LimitAll, "&All channels", "") \
    X(LimitRed, "&Red channel", "") \
    X(LimitGreen, "&Green channel", "") \
    X(LimitBlue, "&Blue channel", "") \
    X(Hls, "&HLS", "") \
    X(ParametricEqAll, "&All channels", "") \
    X(ParametricEqRed, "&Red channel", "") \
    X(ParametricEqGreen, "&Green channel", "") \
    X(ParametricEqBlue, "&Blue channel", "") \
    X(WhiteBalance, "&Balance", "") \
    X(Posterize, "Posteri&ze", "") \
    X(RgbMax, "RGB Ma&x", "") \
    X(Negative, "&Negative", "") \
    X(MaskEdges, "Mask &Edges", "") \
    X(Duplicate, "&Duplicate", "Ctrl+D") \
    X(Swap, "S&wap", "") \
    X(Average, "&Average", "") \
    X(Interlace, "&Interlace", "") \
    X(MaskShadows, "Mask &Shadows", "") \
    X(MaskHighlights, "Mask &Highlights", "") \
    X(MaskMidtones, "Mask &Midtones", "") \
    X(MaskGrayscale, "Mask &Grayscale", "") \
    X(MaskContrast, "Mask &Contrast", "") \
    X(Multiply, "Multipl&y", "") \
    X(Minimum, "Mi&nimum", "") \
    X(Maximum, "Ma&ximum", "") \
    X(Difference, "Diffe&rence", "") \
    X(Subtract, "S&ubtract", "") \
    X(ReplaceHlsBackground, "HL&S background", "") \
    X(ReplaceHlsForeground, "&HLS foreground", "") \
    X(ReplaceRgbForeground, "&RGB foreground", "") \
    X(ReplaceRgbBackground, "RG&B background", "") \
    X(Airbrush, "&Airbrush", "") \
    X(MaskBackcolors, "Mask &Backcolors", "") \
    X(MaskForecolors, "Mask &Forecolors", "") \
    X(RedEye, "&Red Eye", "") \
    X(Gaussian, "&Gaussian", "") \
    X(Outlier, "&Outlier", "") \
    X(Defocus, "De&Focus", "") \
    X(Soften, "&Soften", "") \
    X(Despeckle, "&Despeckle", "") \
    X(Unspot, "&UnSpot", "") \
    X(MeanRemoval, "Mean &removal", "") \
    X(HighPassMedium, "High pass - &medium", "") \
    X(HighPassLight, "High pass - &light", "") \
    X(UnsharpMask, "&Unsharp mask", "") \
    X(Clean, "&Clean", "") \
    X(Defog, "De&Fog", "") \
    X(DescreenLight, "&Light", "") \
    X(DescreenMedium, "&Medium", "") \
    X(DescreenStrong, "&Strong", "") \
    X(DescreenHigh, "&High res", "") \
    X(Delace, "De&Lace", "") \
    X(Enrich, "&Enrich", "") \
    X(AutoClean, "&Clean", "") \
    X(AutoSharpen, "&Sharpen", "") \
    X(Mosaic, "&Mosaic (tile)", "")

// clang-format on

enum class EditId : uint8_t {
#define VIMBRA_EDIT_ID(id, caption, shortcut) id,
    VIMBRA_EDIT_IDS(VIMBRA_EDIT_ID)
#undef VIMBRA_EDIT_ID
};

inline constexpr const char* kEditHandlers[] = {
#define VIMBRA_EDIT_HANDLER(id, caption, shortcut) "on" #id,
    VIMBRA_EDIT_IDS(VIMBRA_EDIT_HANDLER)
#undef VIMBRA_EDIT_HANDLER
};

inline constexpr size_t kEditIdCount = sizeof(kEditHandlers) / sizeof(kEditHandlers[0]);

// "onGaussian" for EditId::Gaussian.
constexpr const char* HandlerName(EditId id) { return kEditHandlers[size_t(id)]; }

struct EditMenuText {
    const char* caption;   // with its & access key
    const char* shortcut;  // QKeySequence text, "" for none
};

inline constexpr EditMenuText kEditMenuTexts[] = {
#define VIMBRA_EDIT_TEXT(id, caption, shortcut) {caption, shortcut},
    VIMBRA_EDIT_IDS(VIMBRA_EDIT_TEXT)
#undef VIMBRA_EDIT_TEXT
};

constexpr const EditMenuText& MenuText(EditId id) { return kEditMenuTexts[size_t(id)]; }

}  // namespace vimbra
