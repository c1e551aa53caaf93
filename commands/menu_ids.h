#pragma once
// The ids the menus place editing commands by. Each id belongs to one entry of
// the family tables (commands/*_commands.cpp); its handler id, the name a
// recorded note and the window's action lookup use, is "on" and the id. A menu
// row naming an id that is not listed here does not compile.
#include <cstddef>
#include <cstdint>

namespace vimbra {

// clang-format off
#define VIMBRA_EDIT_IDS(X) \
    X(GammaGlobal) \
    X(GammaRgb) \
    X(GammaSupress) \
    X(GammaSaturation) \
    X(BrightnessGlobal) \
    X(BrightnessRgb) \
    X(BrightnessShift) \
    X(BrightnessZero) \
    X(ContrastGlobal) \
    X(ContrastRgb) \
    X(ContrastSupress) \
    X(EnhanceGlobal) \
    X(EnhanceLighting) \
    X(EnhanceShadows) \
    X(EnhanceHighlights) \
    X(EnhanceSaturation) \
    X(Unwash) \
    X(Uncook) \
    X(Attenuate) \
    X(AutoContrast) \
    X(AutoLighting) \
    X(AutoSaturate) \
    X(AutoBalance) \
    X(AutoGamma) \
    X(AutoFlash) \
    X(AutoWhite) \
    X(Normalize) \
    X(Optimize) \
    X(TuneEqualize) \
    X(TuneRgb) \
    X(MapEqualize) \
    X(MapRed) \
    X(MapGreen) \
    X(MapBlue) \
    X(MapSaturation) \
    X(MapLighting) \
    X(MapZero) \
    X(MapCenter) \
    X(LimitAll) \
    X(LimitRed) \
    X(LimitGreen) \
    X(LimitBlue) \
    X(Hls) \
    X(ParametricEqAll) \
    X(ParametricEqRed) \
    X(ParametricEqGreen) \
    X(ParametricEqBlue) \
    X(WhiteBalance) \
    X(Posterize) \
    X(RgbMax) \
    X(Negative) \
    X(MaskEdges) \
    X(Duplicate) \
    X(Swap) \
    X(Average) \
    X(Interlace) \
    X(MaskShadows) \
    X(MaskHighlights) \
    X(MaskMidtones) \
    X(MaskGrayscale) \
    X(MaskContrast) \
    X(Multiply) \
    X(Minimum) \
    X(Maximum) \
    X(Difference) \
    X(Subtract) \
    X(ReplaceHlsBackground) \
    X(ReplaceHlsForeground) \
    X(ReplaceRgbForeground) \
    X(ReplaceRgbBackground) \
    X(Airbrush) \
    X(MaskBackcolors) \
    X(MaskForecolors) \
    X(RedEye) \
    X(Gaussian) \
    X(Outlier) \
    X(Defocus) \
    X(Soften) \
    X(Despeckle) \
    X(Unspot) \
    X(MeanRemoval) \
    X(HighPassMedium) \
    X(HighPassLight) \
    X(UnsharpMask) \
    X(Clean) \
    X(Defog) \
    X(DescreenLight) \
    X(DescreenMedium) \
    X(DescreenStrong) \
    X(DescreenHigh) \
    X(Delace) \
    X(Enrich) \
    X(AutoClean) \
    X(AutoSharpen) \
    X(Mosaic)

// clang-format on

enum class EditId : uint8_t {
#define VIMBRA_EDIT_ID(id) id,
    VIMBRA_EDIT_IDS(VIMBRA_EDIT_ID)
#undef VIMBRA_EDIT_ID
};

inline constexpr const char* kEditHandlers[] = {
#define VIMBRA_EDIT_HANDLER(id) "on" #id,
    VIMBRA_EDIT_IDS(VIMBRA_EDIT_HANDLER)
#undef VIMBRA_EDIT_HANDLER
};

inline constexpr size_t kEditIdCount = sizeof(kEditHandlers) / sizeof(kEditHandlers[0]);

// "onGaussian" for EditId::Gaussian.
constexpr const char* HandlerName(EditId id) { return kEditHandlers[size_t(id)]; }

}  // namespace vimbra
