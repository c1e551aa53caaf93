#include "shell/menu_layout.h"

#include <string>

#include <QtGlobal>

namespace vimbra {
namespace {

using E = EditId;
using V = ViewerAction;

constexpr MenuRow kLayout[] = {
    {"&File", "&New", "", V::New},
    {"&File", "&Open", "Ctrl+O", V::Open},
    {"&File", "&Reload", "F5", V::Reload},
    {"&File", "&Save as", "Ctrl+S", V::Save},
    MenuRow::separator("&File"),
    {"&File/&TWAIN", "&Select", "", V::ScanSelect},
    {"&File/&TWAIN", "&Acquire", "", V::ScanAcquire},
    {"&File/&Bookmarks", "&View", "Ctrl+B", V::BookmarksView},
    {"&File/&Bookmarks", "&Run", "Ctrl+R", V::HistorySlideshow},
    {"&File/&Bookmarks", "&Clear", "", V::HistoryClear},
    {"&File/&Bookmarks", "&Sort", "", V::HistorySort},
    {"&File/&Bookmarks", "&Load", "", V::HistoryLoad},
    {"&File/&Bookmarks", "S&ave", "", V::HistorySave},
    {"&File", "&Print", "Ctrl+P", V::Print},
    {"&File", "Cop&y to", "Ctrl+Y", V::CopyTo},
    {"&File", "&Move to", "Ctrl+Ins", V::MoveTo},
    {"&File", "&Unmark", "Ctrl+Del", V::BookmarkUnmark},
    {"&File", "&Delete", "Del", V::Delete},
    MenuRow::separator("&File"),
    {"&File", "&Close", "", V::Exit},

    {"&Edit", "&Undo", "Ctrl+Z", V::Undo},
    MenuRow::separator("&Edit"),
    {"&Edit/&Copy", "&Image", "Ctrl+C", V::Copy},
    {"&Edit/&Copy", "&Viewport", "Shift+Ctrl+C", V::CopyViewport},
    {"&Edit/&Copy", "&Selection", "", V::CopySelection},
    {"&Edit/&Copy", "&Grid", "", V::Grid, 1},
    {"&Edit/&Paste", "&Image", "Ctrl+V", V::Paste},
    {"&Edit/&Paste", "&Selection", "", V::PasteSelection},
    {"&Edit/&Paste", "&Grid", "", V::Grid, 2},
    {"&Edit", "&Empty", "", V::EmptyClipboard},
    {"&Edit", "C&rop", "", V::Crop},
    {"&Edit", "&Trim", "", V::Trim},
    {"&Edit", "&Mask", "", V::Mask},
    {"&Edit", "&Grid", "", V::Grid, 0},
    {"&Edit", "Select &all", "", V::SelectAll},
    MenuRow::separator("&Edit"),
    {"&Edit", "&Select tool", "", V::Select, 0, true},
    {"&Edit", "&Hand tool", "", V::Hand, 0, true},

    {"&View/M&edia", "&Next", "PgDown", V::NextImage},
    {"&View/M&edia", "&Previous", "PgUp", V::PreviousImage},
    {"&View/M&edia", "&First", "Home", V::FirstImage, 0},
    {"&View/M&edia", "&Last", "End", V::FirstImage, 1},
    {"&View/&Page", "&Next", "Alt+PgDown", V::PageChange, 1},
    {"&View/&Page", "&Previous", "Alt+PgUp", V::PageChange, -1},
    {"&View/&Page", "&First", "Alt+Home", V::PageChange, 0},
    {"&View/&Page", "&Last", "Alt+End", V::PageChange, 999},
    {"&View/&Adjust", "&Window", "Alt+A", V::OptimizeWindow},
    {"&View/&Adjust", "&Viewport", "Shift+Alt+V", V::AdjustViewport},
    {"&View/Fit to", "1:&1", "Alt+1", V::FitWindowTo, 1},
    {"&View/Fit to", "1:&2", "Alt+2", V::FitWindowTo, 2},
    {"&View/Fit to", "1:&3", "Alt+3", V::FitWindowTo, 3},
    {"&View/Fit to", "1:&4", "Alt+4", V::FitWindowTo, 4},
    {"&View/Presets", "&Standard", "Ctrl+1", V::Standard, 0, true},
    {"&View/Presets", "&Compact", "Ctrl+2", V::Compact, 0, true},
    {"&View/Presets", "&Minimal", "Ctrl+3", V::Minimal, 0, true},
    {"&View", "I&nfo", "", V::ImageInfo},
    {"&View", "&Thumbnails", "Ctrl+T", V::Thumbnails, 0, true},
    MenuRow::separator("&View"),
    {"&View", "Full screen", "Alt+Return", V::FullScreen},
    {"&View", "Zoom &region", "Alt+R", V::ZoomRegion},
    {"&View", "&Zoom to", "Alt+Z", V::Zoom},
    {"&View", "Fit-to-&window", "Ctrl+F", V::FitWindow, 0, true},
    {"&View", "&Upsampled fit", "", V::UpsamplingToggled, 0, true},
    {"&View", "&Gamma", "Ctrl+G", V::ViewGamma, 0, true},
    {"&View", "&Half JPEG ", "", V::ScaleJpeg, 0, true},
    MenuRow::separator("&View"),
    {"&View", "&Options...", "Alt+O", V::Options},
    MenuRow::separator("&View"),
    {"&View", " &1:1 Monitor", "", V::Aspect, kAspectMonitor, true},
    {"&View", " 1:1 &Best fit", "", V::Aspect, kAspectBestFit, true},
    {"&View", " &4:3 TV", "", V::Aspect, kAspectTv, true},
    {"&View", " &7:3 Cinema", "", V::Aspect, kAspectCinema, true},
    {"&View", "16:&9 Wide", "", V::Aspect, kAspectWide, true},

    {"&Image/A&uto", "Resi&ze", "", V::AutoResize},
    {"&Image/A&uto", E::AutoClean},
    {"&Image/A&uto", E::AutoSharpen},
    {"&Image/Resi&ze", "&Interpolate (fast)", "", V::Resize},
    {"&Image/Resi&ze", "&Resample (smooth)", "", V::Resample},
    {"&Image/Resi&ze", E::Mosaic},
    {"&Image/&Rotate", "&90 deg.", "", V::Rotate, 9000},
    {"&Image/&Rotate", "&270 deg.", "", V::Rotate, 27000},
    {"&Image/&Rotate", "&Normal", "", V::Rotate, 1},
    {"&Image/&Rotate", "&Fine", "", V::Rotate, 2},
    {"&Image/&Rotate", "Mirror &Vertical", "", V::Mirror, 0},
    {"&Image/&Rotate", "Mirror &Horizontal", "", V::Mirror, 1},
    {"&Image/&Compute", E::Duplicate},
    {"&Image/&Compute", E::Swap},
    {"&Image/&Compute", E::Average},
    {"&Image/&Compute", E::Interlace},
    {"&Image/&Compute", E::MaskShadows},
    {"&Image/&Compute", E::MaskMidtones},
    {"&Image/&Compute", E::MaskHighlights},
    {"&Image/&Compute", E::MaskBackcolors},
    {"&Image/&Compute", E::MaskForecolors},
    {"&Image/&Compute", E::MaskEdges},
    {"&Image/&Compute", E::MaskGrayscale},
    {"&Image/&Compute", E::MaskContrast},
    {"&Image/&Compute", E::Multiply},
    {"&Image/&Compute", E::Minimum},
    {"&Image/&Compute", E::Maximum},
    {"&Image/&Compute", E::Difference},
    {"&Image/&Compute", E::Subtract},
    {"&Image/S&mooth", E::Clean},
    {"&Image/S&mooth", E::Airbrush},
    {"&Image/S&mooth", E::Enrich},
    {"&Image/S&mooth", E::Gaussian},
    {"&Image/S&mooth", E::Defocus},
    {"&Image/S&mooth", E::Soften},
    {"&Image/S&mooth", E::Outlier},
    {"&Image/S&mooth", E::Despeckle},
    {"&Image/S&mooth", E::Unspot},
    {"&Image/S&mooth", E::Delace},
    {"&Image/D&escreen", E::DescreenLight},
    {"&Image/D&escreen", E::DescreenMedium},
    {"&Image/D&escreen", E::DescreenStrong},
    {"&Image/D&escreen", E::DescreenHigh},
    {"&Image/Sharpe&n", E::UnsharpMask},
    {"&Image/Sharpe&n", E::MeanRemoval},
    {"&Image/Sharpe&n", E::HighPassMedium},
    {"&Image/Sharpe&n", E::HighPassLight},
    {"&Image/&Add noise", "&Random", "", V::RandomNoise},
    {"&Image/&Add noise", "&Artifacts", "", V::Artifacts},
    {"&Image/&Text Mark", "&Top Left", "", V::TextMark, 0},
    {"&Image/&Text Mark", "Top &Right", "", V::TextMark, 1},
    {"&Image/&Text Mark", "Bottom &Left", "", V::TextMark, 2},
    {"&Image/&Text Mark", "&Bottom Right", "", V::TextMark, 3},
    {"&Image/&Text Mark", "&Properties", "", V::TextMarkProperties},
    {"&Image/&Text Mark", "&Outline color", "", V::OutlineColor},
    {"&Image", "&Border", "", V::Border},
    {"&Image", "Anal&yze", "", V::Analyze},
    {"&Image", "&Histogram", "Ctrl+H", V::Histogram},

    {"&Colors/&Tune", E::Hls},
    {"&Colors/&Tune", E::TuneRgb},
    {"&Colors/&Tune", E::AutoContrast},
    {"&Colors/&Tune", E::AutoLighting},
    {"&Colors/&Tune", E::AutoSaturate},
    {"&Colors/&Tune", E::AutoBalance},
    {"&Colors/&Tune", E::AutoGamma},
    {"&Colors/&Tune", E::AutoFlash},
    {"&Colors/&Tune", E::AutoWhite},
    {"&Colors/&Tune", E::Normalize},
    {"&Colors/&Tune", E::Optimize},
    {"&Colors/&Tune", E::TuneEqualize},
    {"&Colors/&Map", E::MapZero},
    {"&Colors/&Map", E::MapCenter},
    {"&Colors/&Map", E::MapEqualize},
    {"&Colors/&Map", E::MapRed},
    {"&Colors/&Map", E::MapGreen},
    {"&Colors/&Map", E::MapBlue},
    {"&Colors/&Map", E::MapLighting},
    {"&Colors/&Map", E::MapSaturation},
    {"&Colors/&Map", "RGB &info", "", V::RgbInfo},
    {"&Colors/&Gamma", E::GammaGlobal},
    {"&Colors/&Gamma", E::GammaRgb},
    {"&Colors/&Gamma", E::GammaSupress},
    {"&Colors/&Gamma", E::GammaSaturation},
    {"&Colors/&Brightness", E::BrightnessGlobal},
    {"&Colors/&Brightness", E::BrightnessRgb},
    {"&Colors/&Brightness", E::BrightnessShift},
    {"&Colors/&Brightness", E::BrightnessZero},
    {"&Colors/&Brightness", E::WhiteBalance},
    {"&Colors/&Contrast", E::ContrastGlobal},
    {"&Colors/&Contrast", E::ContrastRgb},
    {"&Colors/&Contrast", E::ContrastSupress},
    {"&Colors/&Contrast", E::Unwash},
    {"&Colors/&Contrast", E::Uncook},
    {"&Colors/&Contrast", E::Attenuate},
    {"&Colors/&Contrast", E::Defog},
    {"&Colors/&Enhance", E::EnhanceGlobal},
    {"&Colors/&Enhance", E::EnhanceLighting},
    {"&Colors/&Enhance", E::EnhanceShadows},
    {"&Colors/&Enhance", E::EnhanceHighlights},
    {"&Colors/&Enhance", E::EnhanceSaturation},
    {"&Colors/Parametric E&Q ", E::ParametricEqAll},
    {"&Colors/Parametric E&Q ", E::ParametricEqRed},
    {"&Colors/Parametric E&Q ", E::ParametricEqGreen},
    {"&Colors/Parametric E&Q ", E::ParametricEqBlue},
    {"&Colors/&Limit", E::LimitAll},
    {"&Colors/&Limit", E::LimitRed},
    {"&Colors/&Limit", E::LimitGreen},
    {"&Colors/&Limit", E::LimitBlue},
    {"&Colors/Thres&hold", E::ReplaceHlsForeground},
    {"&Colors/Thres&hold", E::ReplaceHlsBackground},
    {"&Colors/Thres&hold", E::ReplaceRgbForeground},
    {"&Colors/Thres&hold", E::ReplaceRgbBackground},
    {"&Colors/&Promote to", "16&M colors", "", V::Promote, 24},
    {"&Colors/&Promote to", "&256 colors", "", V::Promote, 8},
    {"&Colors/&Promote to", "&16 colors", "", V::Promote, 4},
    {"&Colors/Re&duce to", "&256 colors (dither)", "", V::Reduce, 0},
    {"&Colors/Re&duce to", "2&56 colors (poster)", "", V::Reduce, 1},
    {"&Colors/Re&duce to", "256 grays (dither)", "", V::Reduce, 2},
    {"&Colors/Re&duce to", "&16 colors (dither)", "", V::Reduce, 3},
    {"&Colors/Re&duce to", "1&6 colors (poster)", "", V::Reduce, 4},
    {"&Colors/Re&duce to", "&B/W", "", V::Reduce, 5},
    {"&Colors", E::RedEye},
    {"&Colors", E::Negative},
    {"&Colors", "Gra&y shades", "", V::GrayShades},
    {"&Colors", E::RgbMax},
    {"&Colors", E::Posterize},

    {"&Tools/&JPEG", "&Text", "Alt+J", V::JpegText},
    {"&Tools/&JPEG", "&Compress", "Ctrl+J", V::Compress},
    {"&Tools/&Batch", "&Editor", "Alt+B", V::BatchEditor},
    {"&Tools/&Batch", "&Perform", "F9", V::PerformBatch},
    {"&Tools/&Batch", "to &JPG", "", V::BatchConvert, 0},
    {"&Tools/&Batch", "to &BMP", "", V::BatchConvert, 1},
    {"&Tools/&Batch", "to PN&G", "", V::BatchConvert, 2},
    {"&Tools/&Batch", "to &TIF", "", V::BatchConvert, 3},
    {"&Tools/&Batch", "to TG&A", "", V::BatchConvert, 4},
    {"&Tools/&Batch", "to PC&X", "", V::BatchConvert, 5},
    {"&Tools/&Batch", "to &WebP", "", V::BatchConvert, 6},
    {"&Tools/&Batch", "to A&VIF", "", V::BatchConvert, 7},
    {"&Tools/&Batch", "to JPEG X&L", "", V::BatchConvert, 8},
    {"&Tools/&Batch", "Re&name", "", V::BatchRename},
    {"&Tools/&Batch", "&Move", "", V::BatchMove},
    {"&Tools/&Batch", "&Delete", "", V::BatchDelete},
    {"&Tools/&Wallpaper", "&Set", "", V::WallpaperSet},
    {"&Tools/&Wallpaper", "&Clear", "", V::WallpaperClear},
    {"&Tools/&Associations", "&Set", "", V::Associations, kAssociationsSet},
    {"&Tools/&Associations", "&Change", "", V::Associations, kAssociationsChange},
    {"&Tools/&Associations", "&Remove", "", V::Associations, kAssociationsRemove},
    {"&Tools", "&Explorer", "Ctrl+E", V::Explore},
    {"&Tools", "&UnZipper", "Alt+U", V::Unzipper},
    {"&Tools", "CD &Player", "Alt+P", V::CdPlayer},
    {"&Tools", "Memo&ry", "", V::Memory},

    {"&Help", "&Index", "", V::HelpContext, 0},
    {"&Help", "&Viewer", "", V::HelpContext, 100},
    {"&Help", "&Hotkeys", "", V::HelpContext, 104},
    {"&Help", "Slideshow&s", "", V::HelpContext, 300},
    {"&Help", "I&maging", "", V::HelpContext, 400},
};

// The context menu: the same handlers, reduced by place when it opens.
constexpr MenuRow kContext[] = {
    // Shown only when the menu opens on the media player.
    {"", "&Play/pause", "", V::PlayPause},
    {"", "&Stop", "", V::Stop},
    {"&Edit", "&Undo", "", V::Undo},
    MenuRow::separator("&Edit"),
    {"&Edit", "C&rop", "", V::Crop},
    {"&Edit", "&Trim", "", V::Trim},
    {"&Edit", "Select &all", "", V::SelectAll},
    MenuRow::separator("&Edit"),
    {"&Edit", "&Select tool", "", V::Select, 0, true},
    {"&Edit", "&Hand tool", "", V::Hand, 0, true},
    {"&View", "&Next", "", V::NextImage},
    {"&View", "&Previous", "", V::PreviousImage},
    {"&View", "&First", "", V::FirstImage, 0},
    {"&View", "&Last", "", V::FirstImage, 1},
    {"&Page", "&Next", "", V::PageChange, 1},
    {"&Page", "&Previous", "", V::PageChange, -1},
    {"&Page", "&First", "", V::PageChange, 0},
    {"&Page", "&Last", "", V::PageChange, 999},
    {"", "Slideshow", "", V::HistorySlideshow},
    {"", "Full screen", "", V::FullScreen},
    {"", "Fit to &window", "", V::FitWindow, 0, true},
    {"", "&Zoom to", "", V::Zoom},
    MenuRow::separator(""),
    {"", "&Open", "", V::Open},
    {"", "&Unmark", "", V::BookmarkUnmark, kPictureUnmark},
    {"", "&Delete", "", V::Delete},
    {"", "[Recyle]", "Shift+Del", V::Delete, kRecycleKey},
    MenuRow::separator(""),
    {"", "Options...", "", V::Options},
    MenuRow::separator(""),
    {"", "&Menu bar", "", V::Menubar, 0, true},
    {"", "&Tool bar", "", V::ToolbarVisible, 0, true},
    {"", "&Path box", "", V::Pathbox, 0, true},
    {"", "&Status bar", "", V::StatusbarVisible, 0, true},
    {"", "&Button text", "", V::ClassicStyle, 0, true},
    MenuRow::separator(""),
    {"", "&Unmark", "", V::BookmarkUnmark, kPathBoxUnmark},
    {"", "&Clear", "", V::HistoryClear},
    {"", "&Sort", "", V::HistorySort},
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
        {"", "&View", "", V::BookmarksView}, {"", "&Run", "", V::HistorySlideshow},
        {"", "&Clear", "", V::HistoryClear}, {"", "&Sort", "", V::HistorySort},
        {"", "&Load", "", V::HistoryLoad},   {"", "&Save", "", V::HistorySave},
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
