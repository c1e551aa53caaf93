#include "shell/menu_layout.h"

#include <string>

#include <QtGlobal>

namespace vimbra {
namespace {

constexpr MenuRow kLayout[] = {
    {"&File", "&New", "", "onNew"},
    {"&File", "&Open", "Ctrl+O", "onOpen"},
    {"&File", "&Reload", "F5", "onReload"},
    {"&File", "&Save as", "Ctrl+S", "onSave"},
    {"&File", "-", "", ""},
    {"&File/&TWAIN", "&Select", "", "onScanSelect"},
    {"&File/&TWAIN", "&Acquire", "", "onScanAcquire"},
    {"&File/&Bookmarks", "&View", "Ctrl+B", "onBookmarksView"},
    {"&File/&Bookmarks", "&Run", "Ctrl+R", "onHistorySlideshow"},
    {"&File/&Bookmarks", "&Clear", "", "onHistoryClear"},
    {"&File/&Bookmarks", "&Sort", "", "onHistorySort"},
    {"&File/&Bookmarks", "&Load", "", "onHistoryLoad"},
    {"&File/&Bookmarks", "S&ave", "", "onHistorySave"},
    {"&File", "&Print", "Ctrl+P", "onPrint"},
    {"&File", "Cop&y to", "Ctrl+Y", "onCopyTo"},
    {"&File", "&Move to", "Ctrl+Ins", "onMoveTo"},
    {"&File", "&Unmark", "Ctrl+Del", "onBookmarkUnmark"},
    {"&File", "&Delete", "Del", "onDelete"},
    {"&File", "-", "", ""},
    {"&File", "&Close", "", "onExit"},

    {"&Edit", "&Undo", "Ctrl+Z", "onUndo"},
    {"&Edit", "-", "", ""},
    {"&Edit/&Copy", "&Image", "Ctrl+C", "onCopy"},
    {"&Edit/&Copy", "&Viewport", "Shift+Ctrl+C", "onCopyViewport"},
    {"&Edit/&Copy", "&Selection", "", "onCopySelection"},
    {"&Edit/&Copy", "&Grid", "", "onGrid", 1},
    {"&Edit/&Paste", "&Image", "Ctrl+V", "onPaste"},
    {"&Edit/&Paste", "&Selection", "", "onPasteSelection"},
    {"&Edit/&Paste", "&Grid", "", "onGrid", 2},
    {"&Edit", "&Empty", "", "onEmptyClipboard"},
    {"&Edit", "C&rop", "", "onCrop"},
    {"&Edit", "&Trim", "", "onTrim"},
    {"&Edit", "&Mask", "", "onMask"},
    {"&Edit", "&Grid", "", "onGrid", 0},
    {"&Edit", "Select &all", "", "onSelectAll"},
    {"&Edit", "-", "", ""},
    {"&Edit", "&Select tool", "", "onSelect", 0, true},
    {"&Edit", "&Hand tool", "", "onHand", 0, true},

    {"&View/M&edia", "&Next", "PgDown", "onNextImage"},
    {"&View/M&edia", "&Previous", "PgUp", "onPreviousImage"},
    {"&View/M&edia", "&First", "Home", "onFirstImage", 0},
    {"&View/M&edia", "&Last", "End", "onFirstImage", 1},
    {"&View/&Page", "&Next", "Alt+PgDown", "onPageChange", 1},
    {"&View/&Page", "&Previous", "Alt+PgUp", "onPageChange", -1},
    {"&View/&Page", "&First", "Alt+Home", "onPageChange", 0},
    {"&View/&Page", "&Last", "Alt+End", "onPageChange", 999},
    {"&View/&Adjust", "&Window", "Alt+A", "onOptimizeWindow"},
    {"&View/&Adjust", "&Viewport", "Shift+Alt+V", "onAdjustViewport"},
    {"&View/Fit to", "1:&1", "Alt+1", "onFitWindowTo", 1},
    {"&View/Fit to", "1:&2", "Alt+2", "onFitWindowTo", 2},
    {"&View/Fit to", "1:&3", "Alt+3", "onFitWindowTo", 3},
    {"&View/Fit to", "1:&4", "Alt+4", "onFitWindowTo", 4},
    {"&View/Presets", "&Standard", "Ctrl+1", "onStandard", 0, true},
    {"&View/Presets", "&Compact", "Ctrl+2", "onCompact", 0, true},
    {"&View/Presets", "&Minimal", "Ctrl+3", "onMinimal", 0, true},
    {"&View", "I&nfo", "", "onImageInfo"},
    {"&View", "&Thumbnails", "Ctrl+T", "onThumbnails", 0, true},
    {"&View", "-", "", ""},
    {"&View", "Full screen", "Alt+Return", "onFullScreen"},
    {"&View", "Zoom &region", "Alt+R", "onZoomRegion"},
    {"&View", "&Zoom to", "Alt+Z", "onZoom"},
    {"&View", "Fit-to-&window", "Ctrl+F", "onFitWindow", 0, true},
    {"&View", "&Upsampled fit", "", "onUpsamplingToggled", 0, true},
    {"&View", "&Gamma", "Ctrl+G", "onViewGamma", 0, true},
    {"&View", "&Half JPEG ", "", "onScaleJpeg", 0, true},
    {"&View", "-", "", ""},
    {"&View", "&Options...", "Alt+O", "onOptions"},
    {"&View", "-", "", ""},
    {"&View", " &1:1 Monitor", "", "onAspect", kAspectMonitor, true},
    {"&View", " 1:1 &Best fit", "", "onAspect", kAspectBestFit, true},
    {"&View", " &4:3 TV", "", "onAspect", kAspectTv, true},
    {"&View", " &7:3 Cinema", "", "onAspect", kAspectCinema, true},
    {"&View", "16:&9 Wide", "", "onAspect", kAspectWide, true},

    {"&Image/A&uto", "Resi&ze", "", "onAutoResize"},
    {"&Image/A&uto", "&Clean", "", "onAutoClean"},
    {"&Image/A&uto", "&Sharpen", "", "onAutoSharpen"},
    {"&Image/Resi&ze", "&Interpolate (fast)", "", "onResize"},
    {"&Image/Resi&ze", "&Resample (smooth)", "", "onResample"},
    {"&Image/Resi&ze", "&Mosaic (tile)", "", "onMosaic"},
    {"&Image/&Rotate", "&90 deg.", "", "onRotate", 9000},
    {"&Image/&Rotate", "&270 deg.", "", "onRotate", 27000},
    {"&Image/&Rotate", "&Normal", "", "onRotate", 1},
    {"&Image/&Rotate", "&Fine", "", "onRotate", 2},
    {"&Image/&Rotate", "Mirror &Vertical", "", "onMirror", 0},
    {"&Image/&Rotate", "Mirror &Horizontal", "", "onMirror", 1},
    {"&Image/&Compute", "&Duplicate", "Ctrl+D", "onDuplicate"},
    {"&Image/&Compute", "S&wap", "", "onSwap"},
    {"&Image/&Compute", "&Average", "", "onAverage"},
    {"&Image/&Compute", "&Interlace", "", "onInterlace"},
    {"&Image/&Compute", "Mask &Shadows", "", "onMaskShadows"},
    {"&Image/&Compute", "Mask &Midtones", "", "onMaskMidtones"},
    {"&Image/&Compute", "Mask &Highlights", "", "onMaskHighlights"},
    {"&Image/&Compute", "Mask &Backcolors", "", "onMaskBackcolors"},
    {"&Image/&Compute", "Mask &Forecolors", "", "onMaskForecolors"},
    {"&Image/&Compute", "Mask &Edges", "", "onMaskEdges"},
    {"&Image/&Compute", "Mask &Grayscale", "", "onMaskGrayscale"},
    {"&Image/&Compute", "Mask &Contrast", "", "onMaskContrast"},
    {"&Image/&Compute", "Multipl&y", "", "onMultiply"},
    {"&Image/&Compute", "Mi&nimum", "", "onMinimum"},
    {"&Image/&Compute", "Ma&ximum", "", "onMaximum"},
    {"&Image/&Compute", "Diffe&rence", "", "onDifference"},
    {"&Image/&Compute", "S&ubtract", "", "onSubtract"},
    {"&Image/S&mooth", "&Clean", "", "onClean"},
    {"&Image/S&mooth", "&Airbrush", "", "onAirbrush"},
    {"&Image/S&mooth", "&Enrich", "", "onEnrich"},
    {"&Image/S&mooth", "&Gaussian", "", "onGaussian"},
    {"&Image/S&mooth", "De&Focus", "", "onDefocus"},
    {"&Image/S&mooth", "&Soften", "", "onSoften"},
    {"&Image/S&mooth", "&Outlier", "", "onOutlier"},
    {"&Image/S&mooth", "&Despeckle", "", "onDespeckle"},
    {"&Image/S&mooth", "&UnSpot", "", "onUnspot"},
    {"&Image/S&mooth", "De&Lace", "", "onDelace"},
    {"&Image/D&escreen", "&Light", "", "onDescreenLight"},
    {"&Image/D&escreen", "&Medium", "", "onDescreenMedium"},
    {"&Image/D&escreen", "&Strong", "", "onDescreenStrong"},
    {"&Image/D&escreen", "&High res", "", "onDescreenHigh"},
    {"&Image/Sharpe&n", "&Unsharp mask", "", "onUnsharpMask"},
    {"&Image/Sharpe&n", "Mean &removal", "", "onMeanRemoval"},
    {"&Image/Sharpe&n", "High pass - &medium", "", "onHighPassMedium"},
    {"&Image/Sharpe&n", "High pass - &light", "", "onHighPassLight"},
    {"&Image/&Add noise", "&Random", "", "onRandomNoise"},
    {"&Image/&Add noise", "&Artifacts", "", "onArtifacts"},
    {"&Image/&Text Mark", "&Top Left", "", "onTextMark", 0},
    {"&Image/&Text Mark", "Top &Right", "", "onTextMark", 1},
    {"&Image/&Text Mark", "Bottom &Left", "", "onTextMark", 2},
    {"&Image/&Text Mark", "&Bottom Right", "", "onTextMark", 3},
    {"&Image/&Text Mark", "&Properties", "", "onTextMarkProperties"},
    {"&Image/&Text Mark", "&Outline color", "", "onOutlineColor"},
    {"&Image", "&Border", "", "onBorder"},
    {"&Image", "Anal&yze", "", "onAnalyze"},
    {"&Image", "&Histogram", "Ctrl+H", "onHistogram"},

    {"&Colors/&Tune", "&HLS", "", "onHls"},
    {"&Colors/&Tune", "&RGB", "", "onTuneRgb"},
    {"&Colors/&Tune", "Auto&Contrast", "", "onAutoContrast"},
    {"&Colors/&Tune", "Auto&Lighting", "", "onAutoLighting"},
    {"&Colors/&Tune", "Auto&Saturate", "", "onAutoSaturate"},
    {"&Colors/&Tune", "Auto&Balance", "", "onAutoBalance"},
    {"&Colors/&Tune", "Auto&Gamma", "", "onAutoGamma"},
    {"&Colors/&Tune", "Auto&Flash", "", "onAutoFlash"},
    {"&Colors/&Tune", "Auto&White", "", "onAutoWhite"},
    {"&Colors/&Tune", "&Normalize", "", "onNormalize"},
    {"&Colors/&Tune", "&Optimize", "", "onOptimize"},
    {"&Colors/&Tune", "E&Qualize", "", "onTuneEqualize"},
    {"&Colors/&Map", "&Zero", "", "onMapZero"},
    {"&Colors/&Map", "&Center", "", "onMapCenter"},
    {"&Colors/&Map", "&Equalize", "", "onMapEqualize"},
    {"&Colors/&Map", "&Red channel", "", "onMapRed"},
    {"&Colors/&Map", "&Green channel", "", "onMapGreen"},
    {"&Colors/&Map", "&Blue channel", "", "onMapBlue"},
    {"&Colors/&Map", "&Lighting", "", "onMapLighting"},
    {"&Colors/&Map", "&Saturation", "", "onMapSaturation"},
    {"&Colors/&Map", "RGB &info", "", "onRgbInfo"},
    {"&Colors/&Gamma", "&Global", "", "onGammaGlobal"},
    {"&Colors/&Gamma", "&RGB", "", "onGammaRgb"},
    {"&Colors/&Gamma", "&Supress", "", "onGammaSupress"},
    {"&Colors/&Gamma", "Sa&turation", "", "onGammaSaturation"},
    {"&Colors/&Brightness", "&Global", "", "onBrightnessGlobal"},
    {"&Colors/&Brightness", "&RGB", "", "onBrightnessRgb"},
    {"&Colors/&Brightness", "&Shift", "", "onBrightnessShift"},
    {"&Colors/&Brightness", "&Zero", "", "onBrightnessZero"},
    {"&Colors/&Brightness", "&Balance", "", "onWhiteBalance"},
    {"&Colors/&Contrast", "&Global", "", "onContrastGlobal"},
    {"&Colors/&Contrast", "&RGB", "", "onContrastRgb"},
    {"&Colors/&Contrast", "&Supress", "", "onContrastSupress"},
    {"&Colors/&Contrast", "Un&Wash", "", "onUnwash"},
    {"&Colors/&Contrast", "&Un&Cook", "", "onUncook"},
    {"&Colors/&Contrast", "&Attenuate", "", "onAttenuate"},
    {"&Colors/&Contrast", "De&Fog", "", "onDefog"},
    {"&Colors/&Enhance", "&Global", "", "onEnhanceGlobal"},
    {"&Colors/&Enhance", "&Lighting", "", "onEnhanceLighting"},
    {"&Colors/&Enhance", "&Shadows", "", "onEnhanceShadows"},
    {"&Colors/&Enhance", "&Highlights", "", "onEnhanceHighlights"},
    {"&Colors/&Enhance", "Sa&turation", "", "onEnhanceSaturation"},
    {"&Colors/Parametric E&Q ", "&All channels", "", "onParametricEqAll"},
    {"&Colors/Parametric E&Q ", "&Red channel", "", "onParametricEqRed"},
    {"&Colors/Parametric E&Q ", "&Green channel", "", "onParametricEqGreen"},
    {"&Colors/Parametric E&Q ", "&Blue channel", "", "onParametricEqBlue"},
    {"&Colors/&Limit", "&All channels", "", "onLimitAll"},
    {"&Colors/&Limit", "&Red channel", "", "onLimitRed"},
    {"&Colors/&Limit", "&Green channel", "", "onLimitGreen"},
    {"&Colors/&Limit", "&Blue channel", "", "onLimitBlue"},
    {"&Colors/Thres&hold", "&HLS foreground", "", "onReplaceHlsForeground"},
    {"&Colors/Thres&hold", "HL&S background", "", "onReplaceHlsBackground"},
    {"&Colors/Thres&hold", "&RGB foreground", "", "onReplaceRgbForeground"},
    {"&Colors/Thres&hold", "RG&B background", "", "onReplaceRgbBackground"},
    {"&Colors/&Promote to", "16&M colors", "", "onPromote", 24},
    {"&Colors/&Promote to", "&256 colors", "", "onPromote", 8},
    {"&Colors/&Promote to", "&16 colors", "", "onPromote", 4},
    {"&Colors/Re&duce to", "&256 colors (dither)", "", "onReduce", 0},
    {"&Colors/Re&duce to", "2&56 colors (poster)", "", "onReduce", 1},
    {"&Colors/Re&duce to", "256 grays (dither)", "", "onReduce", 2},
    {"&Colors/Re&duce to", "&16 colors (dither)", "", "onReduce", 3},
    {"&Colors/Re&duce to", "1&6 colors (poster)", "", "onReduce", 4},
    {"&Colors/Re&duce to", "&B/W", "", "onReduce", 5},
    {"&Colors", "&Red Eye", "", "onRedEye"},
    {"&Colors", "&Negative", "", "onNegative"},
    {"&Colors", "Gra&y shades", "", "onGrayShades"},
    {"&Colors", "RGB Ma&x", "", "onRgbMax"},
    {"&Colors", "Posteri&ze", "", "onPosterize"},

    {"&Tools/&JPEG", "&Text", "Alt+J", "onJpegText"},
    {"&Tools/&JPEG", "&Compress", "Ctrl+J", "onCompress"},
    {"&Tools/&Batch", "&Editor", "Alt+B", "onBatchEditor"},
    {"&Tools/&Batch", "&Perform", "F9", "onPerformBatch"},
    {"&Tools/&Batch", "to &JPG", "", "onBatchConvert", 0},
    {"&Tools/&Batch", "to &BMP", "", "onBatchConvert", 1},
    {"&Tools/&Batch", "to PN&G", "", "onBatchConvert", 2},
    {"&Tools/&Batch", "to &TIF", "", "onBatchConvert", 3},
    {"&Tools/&Batch", "to TG&A", "", "onBatchConvert", 4},
    {"&Tools/&Batch", "to PC&X", "", "onBatchConvert", 5},
    {"&Tools/&Batch", "Re&name", "", "onBatchRename"},
    {"&Tools/&Batch", "&Move", "", "onBatchMove"},
    {"&Tools/&Batch", "&Delete", "", "onBatchDelete"},
    {"&Tools/&Wallpaper", "&Set", "", "onWallpaperSet"},
    {"&Tools/&Wallpaper", "&Clear", "", "onWallpaperClear"},
    {"&Tools/&Associations", "&Set", "", "onAssociations", kAssociationsSet},
    {"&Tools/&Associations", "&Change", "", "onAssociations", kAssociationsChange},
    {"&Tools/&Associations", "&Remove", "", "onAssociations", kAssociationsRemove},
    {"&Tools", "&Explorer", "Ctrl+E", "onExplore"},
    {"&Tools", "&UnZipper", "Alt+U", "onUnzipper"},
    {"&Tools", "CD &Player", "Alt+P", "onCdPlayer"},
    {"&Tools", "Memo&ry", "", "onMemory"},

    {"&Help", "&Index", "", "onHelpContext", 0},
    {"&Help", "&Viewer", "", "onHelpContext", 100},
    {"&Help", "&Hotkeys", "", "onHelpContext", 104},
    {"&Help", "Slideshow&s", "", "onHelpContext", 300},
    {"&Help", "I&maging", "", "onHelpContext", 400},
};

// The context menu: the same handlers, reduced by place when it opens.
constexpr MenuRow kContext[] = {
    // Shown only when the menu opens on the media player.
    {"", "&Play/pause", "", "onPlayPause"},
    {"", "&Stop", "", "onStop"},
    {"&Edit", "&Undo", "", "onUndo"},
    {"&Edit", "-", "", ""},
    {"&Edit", "C&rop", "", "onCrop"},
    {"&Edit", "&Trim", "", "onTrim"},
    {"&Edit", "Select &all", "", "onSelectAll"},
    {"&Edit", "-", "", ""},
    {"&Edit", "&Select tool", "", "onSelect", 0, true},
    {"&Edit", "&Hand tool", "", "onHand", 0, true},
    {"&View", "&Next", "", "onNextImage"},
    {"&View", "&Previous", "", "onPreviousImage"},
    {"&View", "&First", "", "onFirstImage", 0},
    {"&View", "&Last", "", "onFirstImage", 1},
    {"&Page", "&Next", "", "onPageChange", 1},
    {"&Page", "&Previous", "", "onPageChange", -1},
    {"&Page", "&First", "", "onPageChange", 0},
    {"&Page", "&Last", "", "onPageChange", 999},
    {"", "Slideshow", "", "onHistorySlideshow"},
    {"", "Full screen", "", "onFullScreen"},
    {"", "Fit to &window", "", "onFitWindow", 0, true},
    {"", "&Zoom to", "", "onZoom"},
    {"", "-", "", ""},
    {"", "&Open", "", "onOpen"},
    {"", "&Unmark", "", "onBookmarkUnmark", kPictureUnmark},
    {"", "&Delete", "", "onDelete"},
    {"", "[Recyle]", "Shift+Del", "onDelete", kRecycleKey},
    {"", "-", "", ""},
    {"", "Options...", "", "onOptions"},
    {"", "-", "", ""},
    {"", "&Menu bar", "", "onMenubar", 0, true},
    {"", "&Tool bar", "", "onToolbarVisible", 0, true},
    {"", "&Path box", "", "onPathbox", 0, true},
    {"", "&Status bar", "", "onStatusbarVisible", 0, true},
    {"", "&Button text", "", "onClassicStyle", 0, true},
    {"", "-", "", ""},
    {"", "&Unmark", "", "onBookmarkUnmark", kPathBoxUnmark},
    {"", "&Clear", "", "onHistoryClear"},
    {"", "&Sort", "", "onHistorySort"},
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

std::span<const MenuRow> BookmarkMenuLayout() {
    static constexpr MenuRow kBookmarkMenu[] = {
        {"", "&View", "", "onBookmarksView"}, {"", "&Run", "", "onHistorySlideshow"},
        {"", "&Clear", "", "onHistoryClear"}, {"", "&Sort", "", "onHistorySort"},
        {"", "&Load", "", "onHistoryLoad"},   {"", "&Save", "", "onHistorySave"},
    };
    return kBookmarkMenu;
}

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
        if (!known(row.handler)) {
            // Never silently: a typing error in a handler loses a menu item.
            qWarning("Menu item %s > %s left out: no handler %s", row.path, row.caption, row.handler);
            continue;
        }
        if (pending && InMenu(row.path, pending->path)) out.push_back(pending);
        pending = nullptr;
        out.push_back(&row);
    }
    return out;
}

}  // namespace vimbra
