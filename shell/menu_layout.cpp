#include "shell/menu_layout.h"

#include <string>

#include "core/color_commands.h"
#include "core/correction_commands.h"
#include "core/tone_commands.h"
#include "filters/color_mask_commands.h"
#include "filters/compose_commands.h"
#include "filters/filter_commands.h"

namespace vimbra {
namespace {

constexpr MenuRow kLayout[] = {
    {"&File", "&New", "", "mnuNew1Click"},
    {"&File", "&Open", "Ctrl+O", "BtnOpenClick"},
    {"&File", "&Reload", "F5", "mnuReloadClick"},
    {"&File", "&Save as", "Ctrl+S", "mnuSaveClick"},
    {"&File", "-", "", ""},
    {"&File/&Bookmarks", "&View", "Ctrl+B", "mnuBookmarksViewClick"},
    {"&File/&Bookmarks", "&Clear", "", "mnuHistoryClearClick"},
    {"&File/&Bookmarks", "&Sort", "", "mnuHistorySortClick"},
    {"&File/&Bookmarks", "&Load", "", "mnuHistoryLoadClick"},
    {"&File/&Bookmarks", "S&ave", "", "mnuHistorySaveClick"},
    {"&File", "&Print", "Ctrl+P", "mnuPrintClick"},
    {"&File", "Cop&y to", "Ctrl+Y", "mnuCopyToClick"},
    {"&File", "&Move to", "Ctrl+Ins", "mnuMoveToClick"},
    {"&File", "&Unmark", "Ctrl+Del", "mnuBookmarkUnmarkClick"},
    {"&File", "&Delete", "Del", "mnuDeleteClick"},
    {"&File", "-", "", ""},
    {"&File", "&Close", "", "mnuExitClick"},

    {"&Edit", "&Undo", "Ctrl+Z", "mnuUndoClick"},
    {"&Edit", "-", "", ""},
    {"&Edit", "C&rop", "", "mnuCropClick"},
    {"&Edit", "&Trim", "", "mnuTrimClick"},
    {"&Edit", "Select &all", "", "mnuSelectallClick"},
    {"&Edit", "-", "", ""},
    {"&Edit", "&Select tool", "", "mnuSelectClick", 0, true},
    {"&Edit", "&Hand tool", "", "mnuHandClick", 0, true},

    {"&View/M&edia", "&Next", "PgDown", "btnNextImageClick"},
    {"&View/M&edia", "&Previous", "PgUp", "btnPrevImageClick"},
    {"&View/M&edia", "&First", "Home", "mnuFirstImageClick", 0},
    {"&View/M&edia", "&Last", "End", "mnuFirstImageClick", 1},
    {"&View/&Page", "&Next", "Alt+PgDown", "mnuPageChange", 1},
    {"&View/&Page", "&Previous", "Alt+PgUp", "mnuPageChange", -1},
    {"&View/&Page", "&First", "Alt+Home", "mnuPageChange", 0},
    {"&View/&Page", "&Last", "Alt+End", "mnuPageChange", 999},
    {"&View/&Adjust", "&Window", "Alt+A", "mnuOptimizeWindowClick"},
    {"&View/&Adjust", "&Viewport", "Shift+Alt+V", "mnuAdjustViewportClick"},
    {"&View/Fit to", "1:&1", "Alt+1", "mnuFitWinToClick", 1},
    {"&View/Fit to", "1:&2", "Alt+2", "mnuFitWinToClick", 2},
    {"&View/Fit to", "1:&3", "Alt+3", "mnuFitWinToClick", 3},
    {"&View/Fit to", "1:&4", "Alt+4", "mnuFitWinToClick", 4},
    {"&View/Presets", "&Standard", "Ctrl+1", "mnuStandard1Click", 0, true},
    {"&View/Presets", "&Compact", "Ctrl+2", "mnuCompact1Click", 0, true},
    {"&View/Presets", "&Minimal", "Ctrl+3", "mnuMinimal1Click", 0, true},
    {"&View", "I&nfo", "", "mnuImageInfoClick"},
    {"&View", "-", "", ""},
    {"&View", "Full screen", "Alt+Return", "mnuFullScrnClick"},
    {"&View", "Zoom &region", "Alt+R", "mnuZoomRegionClick"},
    {"&View", "&Zoom to", "Alt+Z", "mnuZoomClick"},
    {"&View", "Fit-to-&window", "Ctrl+F", "mnuFitWindowClick", 0, true},
    {"&View", "&Upsampled fit", "", "chkUpsamplingClick", 0, true},
    {"&View", "&Gamma", "Ctrl+G", "mnuViewGammaClick", 0, true},
    {"&View", "&Half JPEG ", "", "mnuScaleJPGClick", 0, true},
    {"&View", "-", "", ""},
    {"&View", "&Menu bar", "", "mnuMenubarClick", 0, true},
    {"&View", "&Tool bar", "", "mnuToolbarVClick", 0, true},
    {"&View", "&Path box", "", "mnuPathboxClick", 0, true},
    {"&View", "&Status bar", "", "mnuStatusbarVClick", 0, true},
    {"&View", "&Button text", "", "mnuWin98styleClick", 0, true},
    {"&View", "-", "", ""},
    {"&View", "&Options...", "Alt+O", "mnuOptionsClick"},
    {"&View", "-", "", ""},
    {"&View", " &1:1 Monitor", "", "mnuAspectClick", kAspectMonitor, true},
    {"&View", " 1:1 &Best fit", "", "mnuAspectClick", kAspectBestFit, true},
    {"&View", " &4:3 TV", "", "mnuAspectClick", kAspectTv, true},
    {"&View", " &7:3 Cinema", "", "mnuAspectClick", kAspectCinema, true},
    {"&View", "16:&9 Wide", "", "mnuAspectClick", kAspectWide, true},

    {"&Image/A&uto", "Resi&ze", "", "mnuAutoResizeClick"},
    {"&Image/A&uto", "&Clean", "", "mnuAutoCleanClick"},
    {"&Image/A&uto", "&Sharpen", "", "mnuAutoSharpenClick"},
    {"&Image/&Compute", "&Duplicate", "Ctrl+D", "mnuDuplicate1Click"},
    {"&Image/&Compute", "S&wap", "", "mnuSwap1Click"},
    {"&Image/&Compute", "&Average", "", "mnuAverage1Click"},
    {"&Image/&Compute", "&Interlace", "", "mnuInterLace1Click"},
    {"&Image/&Compute", "Mask &Shadows", "", "mnuMaskShadows1Click"},
    {"&Image/&Compute", "Mask &Midtones", "", "mnuMaskMidtones1Click"},
    {"&Image/&Compute", "Mask &Highlights", "", "mnuMaskHighlights1Click"},
    {"&Image/&Compute", "Mask &Backcolors", "", "mnuMaskBackcolorsClick"},
    {"&Image/&Compute", "Mask &Forecolors", "", "mnuMaskForecolorsClick"},
    {"&Image/&Compute", "Mask &Edges", "", "mnuMaskEdges1Click"},
    {"&Image/&Compute", "Mask &Grayscale", "", "mnuMaskGrayscale1Click"},
    {"&Image/&Compute", "Mask &Contrast", "", "mnuMaskContrast1Click"},
    {"&Image/&Compute", "Multipl&y", "", "mnuMultiply1Click"},
    {"&Image/&Compute", "Mi&nimum", "", "mnuMinimum1Click"},
    {"&Image/&Compute", "Ma&ximum", "", "mnuMaximum1Click"},
    {"&Image/&Compute", "Diffe&rence", "", "mnuDifference1Click"},
    {"&Image/&Compute", "S&ubtract", "", "mnuSubtractClick"},
    {"&Image/S&mooth", "&Clean", "", "mnuCleanClick"},
    {"&Image/S&mooth", "&Airbrush", "", "mnuAirbrushClick"},
    {"&Image/S&mooth", "&Enrich", "", "mnuEnrich1Click"},
    {"&Image/S&mooth", "&Gaussian", "", "mnuGaussian1Click"},
    {"&Image/S&mooth", "De&Focus", "", "mnuDefocus1Click"},
    {"&Image/S&mooth", "&Soften", "", "mnuSoften1Click"},
    {"&Image/S&mooth", "&Outlier", "", "mnuOutlier1Click"},
    {"&Image/S&mooth", "&Despeckle", "", "mnuDespeckle1Click"},
    {"&Image/S&mooth", "&UnSpot", "", "mnuUnSpot1Click"},
    {"&Image/S&mooth", "De&Lace", "", "mnuDelace1Click"},
    {"&Image/D&escreen", "&Light", "", "mnuDescreenLight1Click"},
    {"&Image/D&escreen", "&Medium", "", "mnuDescreenMedium1Click"},
    {"&Image/D&escreen", "&Strong", "", "mnuDescreenStrong1Click"},
    {"&Image/D&escreen", "&High res", "", "mnuDescreenHigh1Click"},
    {"&Image/Sharpe&n", "&Unsharp mask", "", "mnuUnsharpMask1Click"},
    {"&Image/Sharpe&n", "Mean &removal", "", "mnuMeanRemoval1Click"},
    {"&Image/Sharpe&n", "High pass - &medium", "", "mnuHighpassMedium1Click"},
    {"&Image/Sharpe&n", "High pass - &light", "", "mnuHighpassLight1Click"},

    {"&Colors/&Tune", "&HLS", "", "mnuHLS1Click"},
    {"&Colors/&Tune", "&RGB", "", "mnuTuneRGB1Click"},
    {"&Colors/&Tune", "Auto&Contrast", "", "mnuAutoContrast1Click"},
    {"&Colors/&Tune", "Auto&Lighting", "", "mnuAutoLighting1Click"},
    {"&Colors/&Tune", "Auto&Saturate", "", "mnuAutoSaturate1Click"},
    {"&Colors/&Tune", "Auto&Balance", "", "mnuAutoBalance1Click"},
    {"&Colors/&Tune", "Auto&Gamma", "", "mnuAutoGamma1Click"},
    {"&Colors/&Tune", "Auto&Flash", "", "mnuAutoFlash1Click"},
    {"&Colors/&Tune", "Auto&White", "", "mnuAutoWhite1Click"},
    {"&Colors/&Tune", "&Normalize", "", "mnuNormalize1Click"},
    {"&Colors/&Tune", "&Optimize", "", "mnuOptimize1Click"},
    {"&Colors/&Tune", "E&Qualize", "", "mnuTuneEqualize1Click"},
    {"&Colors/&Map", "&Zero", "", "mnuMapZero1Click"},
    {"&Colors/&Map", "&Center", "", "mnuMapCenter1Click"},
    {"&Colors/&Map", "&Equalize", "", "mnuMapEqualize1Click"},
    {"&Colors/&Map", "&Red channel", "", "mnuMapRed1Click"},
    {"&Colors/&Map", "&Green channel", "", "mnuMapGreen1Click"},
    {"&Colors/&Map", "&Blue channel", "", "mnuMapBlue1Click"},
    {"&Colors/&Map", "&Lighting", "", "mnuMapLighting1Click"},
    {"&Colors/&Map", "&Saturation", "", "mnuMapSaturation1Click"},
    {"&Colors/&Map", "RGB &info", "", "mnuRGBinfoClick"},
    {"&Colors/&Gamma", "&Global", "", "mnuGammaGlobalClick"},
    {"&Colors/&Gamma", "&RGB", "", "mnuGammaRGBClick"},
    {"&Colors/&Gamma", "&Supress", "", "mnuGammaSupressClick"},
    {"&Colors/&Gamma", "Sa&turation", "", "mnuGammaSaturationClick"},
    {"&Colors/&Brightness", "&Global", "", "mnuBrightnessGlobalClick"},
    {"&Colors/&Brightness", "&RGB", "", "mnuBrightnessRGBClick"},
    {"&Colors/&Brightness", "&Shift", "", "mnuBrightnessShiftClick"},
    {"&Colors/&Brightness", "&Zero", "", "mnuBrightnessZeroClick"},
    {"&Colors/&Brightness", "&Balance", "", "mnuWhiteBalance1Click"},
    {"&Colors/&Contrast", "&Global", "", "mnuContrastGlobalClick"},
    {"&Colors/&Contrast", "&RGB", "", "mnuContrastRGBClick"},
    {"&Colors/&Contrast", "&Supress", "", "mnuContrastSupressClick"},
    {"&Colors/&Contrast", "Un&Wash", "", "mnuUnWashClick"},
    {"&Colors/&Contrast", "&Un&Cook", "", "mnuUnCookClick"},
    {"&Colors/&Contrast", "&Attenuate", "", "mnuAttenuateClick"},
    {"&Colors/&Contrast", "De&Fog", "", "mnuDefog1Click"},
    {"&Colors/&Enhance", "&Global", "", "mnuEnhanceGlobalClick"},
    {"&Colors/&Enhance", "&Lighting", "", "mnuEnhanceLightingClick"},
    {"&Colors/&Enhance", "&Shadows", "", "mnuEnhanceShadowsClick"},
    {"&Colors/&Enhance", "&Highlights", "", "mnuEnhanceHighlightsClick"},
    {"&Colors/&Enhance", "Sa&turation", "", "mnuEnhanceSaturationClick"},
    {"&Colors/Parametric E&Q ", "&All channels", "", "mnuParametricEQAll1Click"},
    {"&Colors/Parametric E&Q ", "&Red channel", "", "mnuParametricEQRed1Click"},
    {"&Colors/Parametric E&Q ", "&Green channel", "", "mnuParametricEQGreen1Click"},
    {"&Colors/Parametric E&Q ", "&Blue channel", "", "mnuParametricEQBlue1Click"},
    {"&Colors/&Limit", "&All channels", "", "mnuLimitAll1Click"},
    {"&Colors/&Limit", "&Red channel", "", "mnuLimitRed1Click"},
    {"&Colors/&Limit", "&Green channel", "", "mnuLimitGreen1Click"},
    {"&Colors/&Limit", "&Blue channel", "", "mnuLimitBlue1Click"},
    {"&Colors/Thres&hold", "&HLS foreground", "", "mnuReplaceHlsForegroundClick"},
    {"&Colors/Thres&hold", "HL&S background", "", "mnuReplaceHlsBackgroundClick"},
    {"&Colors/Thres&hold", "&RGB foreground", "", "mnuReplaceRgbForegroundClick"},
    {"&Colors/Thres&hold", "RG&B background", "", "mnuReplaceRgbBackgroundClick"},
    {"&Colors", "&Red Eye", "", "mnuRedEye1Click"},
    {"&Colors", "&Negative", "", "mnuNegativeClick"},
    {"&Colors", "Gra&y shades", "", "mnuGrayShadesClick"},
    {"&Colors", "RGB Ma&x", "", "mnuRGBmaxClick"},
    {"&Colors", "Posteri&ze", "", "mnuPosterize1Click"},

    {"&Tools/&Batch", "&Editor", "Alt+B", "mnuBatchEditorClick"},
    {"&Tools/&Batch", "&Perform", "F9", "mnuPerformBatch1Click"},
    {"&Tools", "&Explorer", "Ctrl+E", "btnExploreClick"},
    {"&Tools", "Memo&ry", "", "mnuMemoryClick"},

    {"&Help", "&Index", "", "mnuHelpContextClick", 0},
    {"&Help", "&Viewer", "", "mnuHelpContextClick", 100},
    {"&Help", "&Hotkeys", "", "mnuHelpContextClick", 104},
    {"&Help", "Slideshow&s", "", "mnuHelpContextClick", 300},
    {"&Help", "I&maging", "", "mnuHelpContextClick", 400},
};

// The context menu: the same handlers, reduced by place when it opens.
constexpr MenuRow kContext[] = {
    {"&Edit", "&Undo", "", "mnuUndoClick"},
    {"&Edit", "-", "", ""},
    {"&Edit", "C&rop", "", "mnuCropClick"},
    {"&Edit", "&Trim", "", "mnuTrimClick"},
    {"&Edit", "Select &all", "", "mnuSelectallClick"},
    {"&Edit", "-", "", ""},
    {"&Edit", "&Select tool", "", "mnuSelectClick", 0, true},
    {"&Edit", "&Hand tool", "", "mnuHandClick", 0, true},
    {"&View", "&Next", "", "btnNextImageClick"},
    {"&View", "&Previous", "", "btnPrevImageClick"},
    {"&View", "&First", "", "mnuFirstImageClick", 0},
    {"&View", "&Last", "", "mnuFirstImageClick", 1},
    {"&Page", "&Next", "", "mnuPageChange", 1},
    {"&Page", "&Previous", "", "mnuPageChange", -1},
    {"&Page", "&First", "", "mnuPageChange", 0},
    {"&Page", "&Last", "", "mnuPageChange", 999},
    {"", "Full screen", "", "mnuFullScrnClick"},
    {"", "Fit to &window", "", "mnuFitWindowClick", 0, true},
    {"", "&Zoom to", "", "mnuZoomClick"},
    {"", "-", "", ""},
    {"", "&Open", "", "BtnOpenClick"},
    {"", "&Unmark", "", "mnuBookmarkUnmarkClick", kPictureUnmark},
    {"", "&Delete", "", "mnuDeleteClick"},
    {"", "-", "", ""},
    {"", "Options...", "", "mnuOptionsClick"},
    {"", "-", "", ""},
    {"", "&Menu bar", "", "mnuMenubarClick", 0, true},
    {"", "&Tool bar", "", "mnuToolbarVClick", 0, true},
    {"", "&Path box", "", "mnuPathboxClick", 0, true},
    {"", "&Status bar", "", "mnuStatusbarVClick", 0, true},
    {"", "&Button text", "", "mnuWin98styleClick", 0, true},
    {"", "-", "", ""},
    {"", "&Unmark", "", "mnuBookmarkUnmarkClick", kPathBoxUnmark},
    {"", "&Clear", "", "mnuHistoryClearClick"},
    {"", "&Sort", "", "mnuHistorySortClick"},
};

bool IsSeparator(const MenuRow& r) { return std::string_view(r.caption) == "-"; }

// Whether a row of `path` shows in menu `menu`, directly or in a submenu.
bool InMenu(std::string_view path, std::string_view menu) {
    return path == menu || (path.size() > menu.size() && path.starts_with(menu) &&
                            path[menu.size()] == '/');
}

}  // namespace

std::span<const MenuRow> MainMenuLayout() { return kLayout; }
std::span<const MenuRow> ContextMenuLayout() { return kContext; }

ColorItemStates ColorItemsFor(int depth) {
    ColorItemStates s;
    s.negative = depth >= 8 || depth == 1;
    s.grayShades = depth >= 8;
    s.promoteMenu = s.promote16M = depth < 24;
    s.promote256 = depth < 8;
    s.promote16 = depth < 4;
    s.reduceMenu = depth != 1;
    s.reduce256 = depth > 8;
    s.reduce16 = depth > 4;
    return s;
}

bool SmoothAndSharpenShown(int depth, int width, int height) {
    return depth >= 8 && width >= 16 && height >= 16;
}

std::vector<const MenuRow*> ResolveMenuRows(std::span<const MenuRow> rows,
                                            const std::function<bool(std::string_view)>& known) {
    std::vector<const MenuRow*> out;
    // A separator is held back until another item of its menu follows it.
    const MenuRow* pending = nullptr;
    for (const MenuRow& row : rows) {
        if (IsSeparator(row)) {
            const bool itemBefore = !out.empty() && InMenu(out.back()->path, row.path);
            pending = itemBefore ? &row : nullptr;
            continue;
        }
        if (!known(row.handler)) continue;
        if (pending && InMenu(row.path, pending->path)) out.push_back(pending);
        pending = nullptr;
        out.push_back(&row);
    }
    return out;
}

MenuCommandRef FindMenuCommand(std::string_view handler) {
    MenuCommandRef ref;
    if ((ref.edit = FindToneMenuCommand(handler))) return ref;
    if ((ref.edit = FindCorrectionMenuCommand(handler))) return ref;
    if ((ref.edit = FindColorMenuCommand(handler))) return ref;
    if ((ref.edit = FindComposeMenuCommand(handler))) return ref;
    if ((ref.edit = FindColorMaskMenuCommand(handler))) return ref;
    if ((ref.custom = FindComposeCustomCommand(handler))) return ref;
    if ((ref.custom = FindColorMaskCustomCommand(handler))) return ref;
    if ((ref.edit = FindFilterMenuCommand(handler))) return ref;
    if ((ref.custom = FindFilterCustomCommand(handler))) return ref;
    return ref;
}

}  // namespace vimbra
