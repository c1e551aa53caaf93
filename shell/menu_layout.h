#pragma once
// The menu bar declared once: where each item goes and what it runs. An item
// runs either an editing command of commands/, named by its EditId (which
// brings its caption and shortcut), or one of the window's own actions, named
// by its ViewerAction with the caption and shortcut of that place; both are
// checked by the compiler. Rows whose action nobody answers to are
// left out with a warning, and the menu index test fails on them.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "commands/menu_ids.h"
#include "commands/registry.h"

namespace vimbra {

// The window's own actions (open, zoom, navigation, ...), which are not
// editing commands. The handler id is "on" and the id; the window registers
// one handler for each (MainWindow::registerHandlers and its per-menu parts).
// clang-format off
#define VIMBRA_VIEWER_ACTIONS(X) \
    X(New) \
    X(Open) \
    X(Reload) \
    X(Save) \
    X(ScanSelect) \
    X(ScanAcquire) \
    X(BookmarksView) \
    X(HistorySlideshow) \
    X(HistoryClear) \
    X(HistorySort) \
    X(HistoryLoad) \
    X(HistorySave) \
    X(Print) \
    X(CopyTo) \
    X(MoveTo) \
    X(BookmarkUnmark) \
    X(Delete) \
    X(Exit) \
    X(Undo) \
    X(Copy) \
    X(CopyViewport) \
    X(CopySelection) \
    X(Grid) \
    X(Paste) \
    X(PasteSelection) \
    X(EmptyClipboard) \
    X(Crop) \
    X(Trim) \
    X(Mask) \
    X(SelectAll) \
    X(Select) \
    X(Hand) \
    X(NextImage) \
    X(PreviousImage) \
    X(FirstImage) \
    X(PageChange) \
    X(OptimizeWindow) \
    X(AdjustViewport) \
    X(FitWindowTo) \
    X(Standard) \
    X(Compact) \
    X(Minimal) \
    X(ImageInfo) \
    X(Thumbnails) \
    X(FullScreen) \
    X(ZoomRegion) \
    X(Zoom) \
    X(FitWindow) \
    X(UpsamplingToggled) \
    X(ViewGamma) \
    X(ScaleJpeg) \
    X(Options) \
    X(Aspect) \
    X(AutoResize) \
    X(Resize) \
    X(Resample) \
    X(Rotate) \
    X(Mirror) \
    X(RandomNoise) \
    X(Artifacts) \
    X(TextMark) \
    X(TextMarkProperties) \
    X(OutlineColor) \
    X(Border) \
    X(Analyze) \
    X(Histogram) \
    X(RgbInfo) \
    X(Promote) \
    X(Reduce) \
    X(GrayShades) \
    X(JpegText) \
    X(Compress) \
    X(BatchEditor) \
    X(PerformBatch) \
    X(BatchConvert) \
    X(BatchRename) \
    X(BatchMove) \
    X(BatchDelete) \
    X(WallpaperSet) \
    X(WallpaperClear) \
    X(Associations) \
    X(Explore) \
    X(Unzipper) \
    X(CdPlayer) \
    X(Memory) \
    X(HelpContext) \
    X(PlayPause) \
    X(Stop) \
    X(Menubar) \
    X(ToolbarVisible) \
    X(Pathbox) \
    X(StatusbarVisible) \
    X(ClassicStyle)
// clang-format on

enum class ViewerAction : uint8_t {
#define VIMBRA_VIEWER_ACTION(id) id,
    VIMBRA_VIEWER_ACTIONS(VIMBRA_VIEWER_ACTION)
#undef VIMBRA_VIEWER_ACTION
};

inline constexpr const char* kViewerHandlers[] = {
#define VIMBRA_VIEWER_HANDLER(id) "on" #id,
    VIMBRA_VIEWER_ACTIONS(VIMBRA_VIEWER_HANDLER)
#undef VIMBRA_VIEWER_HANDLER
};

inline constexpr size_t kViewerActionCount = sizeof(kViewerHandlers) / sizeof(kViewerHandlers[0]);

// "onOpen" for ViewerAction::Open.
constexpr const char* HandlerName(ViewerAction id) { return kViewerHandlers[size_t(id)]; }

// What a viewer-action row runs.
struct MenuTarget {
    const char* handler;
    constexpr MenuTarget(ViewerAction id) : handler(HandlerName(id)) {}
};

struct MenuRow {
    const char* path;      // "&Colors/&Tune": the top menu and submenus
    const char* caption;   // "-" for a separator
    const char* shortcut;  // QKeySequence text, "" for none
    const char* handler;   // "onHls", "" for a separator
    int tag = 0;           // tells items apart that share a handler
    bool checkable = false;

    constexpr MenuRow(const char* path_, const char* caption_, const char* shortcut_,
                      MenuTarget target, int tag_ = 0, bool checkable_ = false)
        : path(path_), caption(caption_), shortcut(shortcut_), handler(target.handler), tag(tag_),
          checkable(checkable_) {}

    // An editing command, with the caption and shortcut its id declares.
    constexpr MenuRow(const char* path_, EditId id)
        : path(path_), caption(MenuText(id).caption), shortcut(MenuText(id).shortcut),
          handler(HandlerName(id)) {}

    static constexpr MenuRow separator(const char* path) { return MenuRow(path); }

private:
    constexpr explicit MenuRow(const char* path_) : path(path_), caption("-"), shortcut(""), handler("") {}
};

// Tags of the aspect-mode items.
inline constexpr int kAspectMonitor = 0, kAspectBestFit = 1, kAspectTv = 2, kAspectCinema = 3,
                     kAspectWide = 4;
// The context menu's two Unmark items: with the picture items, with the path box's.
inline constexpr int kPictureUnmark = 0, kPathBoxUnmark = 1;
// The context menu's hidden item that carries Shift+Del to the delete handler.
inline constexpr int kRecycleKey = 1;
// The association items.
inline constexpr int kAssociationsSet = 0, kAssociationsChange = 1, kAssociationsRemove = 2;

// The menu bar in menu order.
std::span<const MenuRow> MainMenuLayout();
// The context menu; "" is its top level.
std::span<const MenuRow> ContextMenuLayout();
// The menu of the tool bar's Bookmarks button.
std::span<const MenuRow> BookmarkMenuLayout();

// Which colour-depth items a picture of `depth` bits can use.
struct ColorItemStates {
    bool negative, grayShades;
    bool promoteMenu, promote16M, promote256, promote16;
    bool reduceMenu, reduce256, reduce16;  // reduce256/16: the dither and poster items
};
ColorItemStates ColorItemsFor(int depth);
// The neighbourhood filters need 8 bits and 16 x 16 pixels at least.
bool SmoothAndSharpenShown(int depth, int width, int height);

// The rows to build: those whose handler `known` accepts; separators only
// between two kept items of the same menu (none leading, trailing or doubled).
std::vector<const MenuRow*> ResolveMenuRows(std::span<const MenuRow> rows,
                                            const std::function<bool(std::string_view)>& known);

}  // namespace vimbra
