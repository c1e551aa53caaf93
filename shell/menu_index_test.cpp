// The command index of the menu bar: every item with its caption, access key
// and shortcut, in menu order. The menus a main window builds must match it
// item for item, so a missing, renamed or mis-keyed item fails here, and so
// does a declared row the window drops because nothing handles it.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>

#include "shell/main_window.h"
#include "shell/menu_layout.h"
#include "ui/test_app.h"

namespace vimbra {
namespace {

struct IndexItem {
    const char* path;
    const char* caption;
    const char* shortcut;
};

constexpr IndexItem kIndex[] = {
    {"&File/&TWAIN", "&Select", ""},
    {"&File/&TWAIN", "&Acquire", ""},
    {"&File/&Bookmarks", "&View", "Ctrl+B"},
    {"&File/&Bookmarks", "&Run", "Ctrl+R"},
    {"&File/&Bookmarks", "&Clear", ""},
    {"&File/&Bookmarks", "&Sort", ""},
    {"&File/&Bookmarks", "&Load", ""},
    {"&File/&Bookmarks", "S&ave", ""},
    {"&File", "&New", ""},
    {"&File", "&Open", "Ctrl+O"},
    {"&File", "&Reload", "F5"},
    {"&File", "&Save as", "Ctrl+S"},
    {"&File", "&Print", "Ctrl+P"},
    {"&File", "Cop&y to", "Ctrl+Y"},
    {"&File", "&Move to", "Ctrl+Ins"},
    {"&File", "&Unmark", "Ctrl+Del"},
    {"&File", "&Delete", "Del"},
    {"&File", "&Close", ""},
    {"&Edit/&Copy", "&Image", "Ctrl+C"},
    {"&Edit/&Copy", "&Viewport", "Shift+Ctrl+C"},
    {"&Edit/&Copy", "&Selection", ""},
    {"&Edit/&Copy", "&Grid", ""},
    {"&Edit/&Paste", "&Image", "Ctrl+V"},
    {"&Edit/&Paste", "&Selection", ""},
    {"&Edit/&Paste", "&Grid", ""},
    {"&Edit", "&Undo", "Ctrl+Z"},
    {"&Edit", "&Empty", ""},
    {"&Edit", "C&rop", ""},
    {"&Edit", "&Trim", ""},
    {"&Edit", "&Mask", ""},
    {"&Edit", "&Grid", ""},
    {"&Edit", "Select &all", ""},
    {"&Edit", "&Select tool", ""},
    {"&Edit", "&Hand tool", ""},
    {"&View/M&edia", "&Next", "PgDown"},
    {"&View/M&edia", "&Previous", "PgUp"},
    {"&View/M&edia", "&First", "Home"},
    {"&View/M&edia", "&Last", "End"},
    {"&View/&Page", "&Next", "Alt+PgDown"},
    {"&View/&Page", "&Previous", "Alt+PgUp"},
    {"&View/&Page", "&First", "Alt+Home"},
    {"&View/&Page", "&Last", "Alt+End"},
    {"&View/&Adjust", "&Window", "Alt+A"},
    {"&View/&Adjust", "&Viewport", "Shift+Alt+V"},
    {"&View/Fit to", "1:&1", "Alt+1"},
    {"&View/Fit to", "1:&2", "Alt+2"},
    {"&View/Fit to", "1:&3", "Alt+3"},
    {"&View/Fit to", "1:&4", "Alt+4"},
    {"&View/Presets", "&Standard", "Ctrl+1"},
    {"&View/Presets", "&Compact", "Ctrl+2"},
    {"&View/Presets", "&Minimal", "Ctrl+3"},
    {"&View", "I&nfo", ""},
    {"&View", "&Thumbnails", "Ctrl+T"},
    {"&View", "Full screen", "Alt+Return"},
    {"&View", "Zoom &region", "Alt+R"},
    {"&View", "&Zoom to", "Alt+Z"},
    {"&View", "Fit-to-&window", "Ctrl+F"},
    {"&View", "&Upsampled fit", ""},
    {"&View", "&Gamma", "Ctrl+G"},
    {"&View", "&Half JPEG ", ""},
    {"&View", "&Options...", "Alt+O"},
    {"&View", " &1:1 Monitor", ""},
    {"&View", " 1:1 &Best fit", ""},
    {"&View", " &4:3 TV", ""},
    {"&View", " &7:3 Cinema", ""},
    {"&View", "16:&9 Wide", ""},
    {"&Image/A&uto", "Resi&ze", ""},
    {"&Image/A&uto", "&Clean", ""},
    {"&Image/A&uto", "&Sharpen", ""},
    {"&Image/Resi&ze", "&Interpolate (fast)", ""},
    {"&Image/Resi&ze", "&Resample (smooth)", ""},
    {"&Image/Resi&ze", "&Mosaic (tile)", ""},
    {"&Image/&Rotate", "&90 deg.", ""},
    {"&Image/&Rotate", "&270 deg.", ""},
    {"&Image/&Rotate", "&Normal", ""},
    {"&Image/&Rotate", "&Fine", ""},
    {"&Image/&Rotate", "Mirror &Vertical", ""},
    {"&Image/&Rotate", "Mirror &Horizontal", ""},
    {"&Image/&Compute", "&Duplicate", "Ctrl+D"},
    {"&Image/&Compute", "S&wap", ""},
    {"&Image/&Compute", "&Average", ""},
    {"&Image/&Compute", "&Interlace", ""},
    {"&Image/&Compute", "Mask &Shadows", ""},
    {"&Image/&Compute", "Mask &Midtones", ""},
    {"&Image/&Compute", "Mask &Highlights", ""},
    {"&Image/&Compute", "Mask &Backcolors", ""},
    {"&Image/&Compute", "Mask &Forecolors", ""},
    {"&Image/&Compute", "Mask &Edges", ""},
    {"&Image/&Compute", "Mask &Grayscale", ""},
    {"&Image/&Compute", "Mask &Contrast", ""},
    {"&Image/&Compute", "Multipl&y", ""},
    {"&Image/&Compute", "Mi&nimum", ""},
    {"&Image/&Compute", "Ma&ximum", ""},
    {"&Image/&Compute", "Diffe&rence", ""},
    {"&Image/&Compute", "S&ubtract", ""},
    {"&Image/S&mooth", "&Clean", ""},
    {"&Image/S&mooth", "&Airbrush", ""},
    {"&Image/S&mooth", "&Enrich", ""},
    {"&Image/S&mooth", "&Gaussian", ""},
    {"&Image/S&mooth", "De&Focus", ""},
    {"&Image/S&mooth", "&Soften", ""},
    {"&Image/S&mooth", "&Outlier", ""},
    {"&Image/S&mooth", "&Despeckle", ""},
    {"&Image/S&mooth", "&UnSpot", ""},
    {"&Image/S&mooth", "De&Lace", ""},
    {"&Image/D&escreen", "&Light", ""},
    {"&Image/D&escreen", "&Medium", ""},
    {"&Image/D&escreen", "&Strong", ""},
    {"&Image/D&escreen", "&High res", ""},
    {"&Image/Sharpe&n", "&Unsharp mask", ""},
    {"&Image/Sharpe&n", "Mean &removal", ""},
    {"&Image/Sharpe&n", "High pass - &medium", ""},
    {"&Image/Sharpe&n", "High pass - &light", ""},
    {"&Image/&Add noise", "&Random", ""},
    {"&Image/&Add noise", "&Artifacts", ""},
    {"&Image/&Text Mark", "&Top Left", ""},
    {"&Image/&Text Mark", "Top &Right", ""},
    {"&Image/&Text Mark", "Bottom &Left", ""},
    {"&Image/&Text Mark", "&Bottom Right", ""},
    {"&Image/&Text Mark", "&Properties", ""},
    {"&Image/&Text Mark", "&Outline color", ""},
    {"&Image", "&Border", ""},
    {"&Image", "Anal&yze", ""},
    {"&Image", "&Histogram", "Ctrl+H"},
    {"&Colors/&Tune", "&HLS", ""},
    {"&Colors/&Tune", "&RGB", ""},
    {"&Colors/&Tune", "Auto&Contrast", ""},
    {"&Colors/&Tune", "Auto&Lighting", ""},
    {"&Colors/&Tune", "Auto&Saturate", ""},
    {"&Colors/&Tune", "Auto&Balance", ""},
    {"&Colors/&Tune", "Auto&Gamma", ""},
    {"&Colors/&Tune", "Auto&Flash", ""},
    {"&Colors/&Tune", "Auto&White", ""},
    {"&Colors/&Tune", "&Normalize", ""},
    {"&Colors/&Tune", "&Optimize", ""},
    {"&Colors/&Tune", "E&Qualize", ""},
    {"&Colors/&Map", "&Zero", ""},
    {"&Colors/&Map", "&Center", ""},
    {"&Colors/&Map", "&Equalize", ""},
    {"&Colors/&Map", "&Red channel", ""},
    {"&Colors/&Map", "&Green channel", ""},
    {"&Colors/&Map", "&Blue channel", ""},
    {"&Colors/&Map", "&Lighting", ""},
    {"&Colors/&Map", "&Saturation", ""},
    {"&Colors/&Map", "RGB &info", ""},
    {"&Colors/&Gamma", "&Global", ""},
    {"&Colors/&Gamma", "&RGB", ""},
    {"&Colors/&Gamma", "&Supress", ""},
    {"&Colors/&Gamma", "Sa&turation", ""},
    {"&Colors/&Brightness", "&Global", ""},
    {"&Colors/&Brightness", "&RGB", ""},
    {"&Colors/&Brightness", "&Shift", ""},
    {"&Colors/&Brightness", "&Zero", ""},
    {"&Colors/&Brightness", "&Balance", ""},
    {"&Colors/&Contrast", "&Global", ""},
    {"&Colors/&Contrast", "&RGB", ""},
    {"&Colors/&Contrast", "&Supress", ""},
    {"&Colors/&Contrast", "Un&Wash", ""},
    {"&Colors/&Contrast", "&Un&Cook", ""},
    {"&Colors/&Contrast", "&Attenuate", ""},
    {"&Colors/&Contrast", "De&Fog", ""},
    {"&Colors/&Enhance", "&Global", ""},
    {"&Colors/&Enhance", "&Lighting", ""},
    {"&Colors/&Enhance", "&Shadows", ""},
    {"&Colors/&Enhance", "&Highlights", ""},
    {"&Colors/&Enhance", "Sa&turation", ""},
    {"&Colors/Parametric E&Q ", "&All channels", ""},
    {"&Colors/Parametric E&Q ", "&Red channel", ""},
    {"&Colors/Parametric E&Q ", "&Green channel", ""},
    {"&Colors/Parametric E&Q ", "&Blue channel", ""},
    {"&Colors/&Limit", "&All channels", ""},
    {"&Colors/&Limit", "&Red channel", ""},
    {"&Colors/&Limit", "&Green channel", ""},
    {"&Colors/&Limit", "&Blue channel", ""},
    {"&Colors/Thres&hold", "&HLS foreground", ""},
    {"&Colors/Thres&hold", "HL&S background", ""},
    {"&Colors/Thres&hold", "&RGB foreground", ""},
    {"&Colors/Thres&hold", "RG&B background", ""},
    {"&Colors/&Promote to", "16&M colors", ""},
    {"&Colors/&Promote to", "&256 colors", ""},
    {"&Colors/&Promote to", "&16 colors", ""},
    {"&Colors/Re&duce to", "&256 colors (dither)", ""},
    {"&Colors/Re&duce to", "2&56 colors (poster)", ""},
    {"&Colors/Re&duce to", "256 grays (dither)", ""},
    {"&Colors/Re&duce to", "&16 colors (dither)", ""},
    {"&Colors/Re&duce to", "1&6 colors (poster)", ""},
    {"&Colors/Re&duce to", "&B/W", ""},
    {"&Colors", "&Red Eye", ""},
    {"&Colors", "&Negative", ""},
    {"&Colors", "Gra&y shades", ""},
    {"&Colors", "RGB Ma&x", ""},
    {"&Colors", "Posteri&ze", ""},
    {"&Tools/&JPEG", "&Text", "Alt+J"},
    {"&Tools/&JPEG", "&Compress", "Ctrl+J"},
    {"&Tools/&Batch", "&Editor", "Alt+B"},
    {"&Tools/&Batch", "&Perform", "F9"},
    {"&Tools/&Batch", "to &JPG", ""},
    {"&Tools/&Batch", "to &BMP", ""},
    {"&Tools/&Batch", "to PN&G", ""},
    {"&Tools/&Batch", "to &TIF", ""},
    {"&Tools/&Batch", "to TG&A", ""},
    {"&Tools/&Batch", "to PC&X", ""},
    {"&Tools/&Batch", "to &WebP", ""},
    {"&Tools/&Batch", "to A&VIF", ""},
    {"&Tools/&Batch", "to JPEG X&L", ""},
    {"&Tools/&Batch", "Re&name", ""},
    {"&Tools/&Batch", "&Move", ""},
    {"&Tools/&Batch", "&Delete", ""},
    {"&Tools/&Wallpaper", "&Set", ""},
    {"&Tools/&Wallpaper", "&Clear", ""},
    {"&Tools/&Associations", "&Set", ""},
    {"&Tools/&Associations", "&Change", ""},
    {"&Tools", "&Explorer", "Ctrl+E"},
    {"&Tools", "&UnZipper", "Alt+U"},
    {"&Tools", "CD &Player", "Alt+P"},
    {"&Tools", "Memo&ry", ""},
    {"&Help", "&Index", ""},
    {"&Help", "&Viewer", ""},
    {"&Help", "&Hotkeys", ""},
    {"&Help", "Slideshow&s", ""},
    {"&Help", "I&maging", ""},
};

using Key = std::tuple<std::string, std::string, std::string>;

std::string Portable(const char* keys) {
    return QKeySequence(QString::fromLatin1(keys)).toString().toStdString();
}

std::set<Key> IndexKeys() {
    std::set<Key> keys;
    for (const IndexItem& i : kIndex) keys.insert({i.path, i.caption, Portable(i.shortcut)});
    return keys;
}

void CollectItems(const QMenu& menu, const std::string& path, std::vector<Key>& out) {
    for (const QAction* a : menu.actions()) {
        if (a->isSeparator()) continue;
        if (const QMenu* sub = a->menu()) {
            CollectItems(*sub, path + "/" + sub->title().toStdString(), out);
            continue;
        }
        out.emplace_back(path, a->text().toStdString(), a->shortcut().toString().toStdString());
    }
}

// The items of the menu bar a main window builds, offscreen, in menu order.
std::vector<Key> BuiltItems() {
    EnsureApp();
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    MainWindow window({}, &settings);
    std::vector<Key> items;
    for (const QAction* top : window.menuBar()->actions())
        if (const QMenu* menu = top->menu()) CollectItems(*menu, menu->title().toStdString(), items);
    return items;
}

TEST(MenuIndex, EveryBuiltItemIsInTheIndexOnce) {
    const std::set<Key> index = IndexKeys();
    std::set<Key> seen;
    for (const Key& item : BuiltItems()) {
        const auto& [path, caption, shortcut] = item;
        EXPECT_TRUE(seen.insert(item).second) << path << " > " << caption << " twice";
        // Beyond the index: associations can be removed again.
        if (path == "&Tools/&Associations" && caption == "&Remove") continue;
        EXPECT_TRUE(index.count(item)) << path << " > " << caption << " " << shortcut;
    }
}

TEST(MenuIndex, EveryIndexItemIsBuilt) {
    const std::vector<Key> items = BuiltItems();
    const std::set<Key> built(items.begin(), items.end());
    for (const IndexItem& i : kIndex)
        EXPECT_TRUE(built.count({i.path, i.caption, Portable(i.shortcut)}))
            << i.path << " > " << i.caption << " " << i.shortcut;
}

// A declared row whose handler nobody answers to would be left out of the
// menus; every row of the layout must come out as an item.
TEST(MenuIndex, EveryDeclaredRowIsBuilt) {
    const std::vector<Key> items = BuiltItems();
    const std::set<Key> built(items.begin(), items.end());
    for (const MenuRow& row : MainMenuLayout()) {
        if (std::string(row.caption) == "-") continue;
        EXPECT_TRUE(built.count({row.path, row.caption, Portable(row.shortcut)}))
            << row.path << " > " << row.caption << " (" << row.handler << ")";
    }
}

// Every viewer action is placed somewhere, and the window answers to each:
// a context-menu row it drops is as lost as a menu-bar one.
TEST(MenuIndex, EveryViewerActionIsPlacedAndBuilt) {
    EnsureApp();
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    MainWindow window({}, &settings);
    std::set<std::string> placed;
    for (const auto& layout : {MainMenuLayout(), ContextMenuLayout(), BookmarkMenuLayout()})
        for (const MenuRow& row : layout) placed.insert(row.handler);
    for (const char* handler : kViewerHandlers) EXPECT_TRUE(placed.count(handler)) << handler;
    for (const MenuRow& row : ContextMenuLayout()) {
        if (std::string(row.caption) == "-") continue;
        EXPECT_NE(window.contextAction(row.handler, row.tag), nullptr)
            << row.path << " > " << row.caption << " (" << row.handler << ")";
    }
}

}  // namespace
}  // namespace vimbra
