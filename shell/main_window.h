#pragma once
// The main window: the display control in its scroll box, the menu bar, tool
// bar, path box and status bar, and the viewer's commands (files, view,
// navigation, bookmarks, editing through the command spans, batch runs).
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QKeySequence>
#include <QMainWindow>
#include <QRect>

#include "batch/bookmarks.h"
#include "batch/interpreter.h"
#include "core/workspace.h"
#include "desktop/desktop_runner.h"
#include "desktop/wallpaper.h"
#include "filters/gui/grid_dialog.h"
#include "filters/gui/resize_dialog.h"
#include "filters/gui/scroll_dialog.h"
#include "imagefiles/load_dispatch.h"
#include "imagefiles/save_dispatch.h"
#include "media/cd_player.h"
#include "media/media_state.h"
#include "shell/gui_frame_host.h"
#include "shell/menu_layout.h"
#include "shell/save_options.h"
#include "shell/settings_record.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QScrollArea;
class QSettings;
class QToolBar;
class QToolButton;
class QUrl;

namespace vimbra {

class PictureView;
class GuiBatchHost;
class MediaPanel;
class CdWindow;
class ScriptWindow;
class ShowWindow;
class AvlRunningLock;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `args`: the command-line arguments after the program name, joined with
    // blanks into one file name. `settings`: where settings are read and
    // written (null: the user's settings file; tests pass their own).
    explicit MainWindow(const QStringList& args, QSettings* settings = nullptr,
                      QWidget* parent = nullptr);
    ~MainWindow() override;

    Workspace& workspace() { return ws_; }
    Bookmarks& bookmarks() { return bookmarks_; }
    GuiFrameHost& host() { return host_; }
    PictureView* view() const { return view_; }
    QScrollArea* scrollBox() const { return scrollBox_; }
    QLineEdit* pathBox() const { return history_; }
    const SettingsRecord& settings() const { return settings_; }
    const LoadedFile& loadedFile() const { return loaded_; }
    // The action of a menu item, by handler and tag; null when not built.
    QAction* action(const std::string& handler, int tag = 0) const;
    QMenu* topMenu(const QString& caption) const;

    // View state.
    bool FitToWindow = true;
    int ZoomPercent = 100;
    bool Pannable = false;
    bool SelectToolActive = false;
    bool Upsampled = false;
    bool HalfJpeg = false;
    bool FullScreen = false;
    int ViewAreaWidth() const;
    int ViewAreaHeight() const;

    QString statusPanelText(int panel) const;
    // The file the command line named ("" when none or missing).
    const std::string& startFile() const { return startFile_; }

    // Commands (menu handlers), public for the tests and the batch host.
    void onOpen();
    // Opens `path` as the working picture (asks about unsaved changes first
    // unless `askFirst` is false). False when nothing was opened.
    bool openPicture(const std::string& path, bool askFirst = true);
    void openFiles(const std::vector<std::string>& paths);
    void onReload();
    void onNew();
    // View > Thumbnails: the grid of the picture's folder in place of the
    // picture, and back (the grid's selection following the picture).
    void onThumbnails();
    class ThumbnailGrid* thumbnailGrid() const { return thumbnailGrid_; }
    void onSave();
    void onImageInfo();
    void onPageChange(int tag);
    void ShowBlankImage(bool rename);
    void onUndo();
    void runMenuCommand(const std::string& handler);
    void onFitWindow();
    void onZoomIn();
    void onZoomOut();
    void setZoom(int percent);
    void onZoom();
    void onZoomRegion();
    void onFitWindowTo(int k);
    void onOptimizeWindow();
    void onFullScreen();
    void onHand();
    void onSelect();
    void onNextImage();
    void onPreviousImage();
    void onFirstImage(int last);
    void onExplore();
    void HistoryKeyPress();
    void onBookmarksView();
    void onHistoryClear();
    void onHistorySort();
    void onHistoryLoad();
    void onHistorySave();
    void onBookmarkUnmark();
    void onBatchEditor();
    // A script file (".bip") goes to the batch editor, not the viewer: the
    // editor shows, its Open dialog set to that file.
    static bool IsScriptFile(const std::string& path);
    void OpenBIPfile(const std::string& path);
    void onPerformBatch();
    void onMemory();
    void onOptions();
    void onExit();
    void onHelpContext(int context);
    // Slideshows: the bookmark show, a script show, the effect choice.
    void onHistorySlideshow();
    bool startAvlShow(const std::string& path);
    void onSlideEffects();
    ShowWindow* showWindow() const { return show_; }
    // False: shows never take the window full screen (tests).
    bool showsFullScreen = true;
    // Ends a running show as Esc does; `closing`: the window closes, so
    // nothing is opened after it.
    void stopShow(bool closing = false);
    void SaveDialogTypeChange(int format);
    // Tools > JPEG > Compress: the JPEG Compression Wizard.
    void onCompress();
    // The wizard's Save As: the compressed file under a chosen .jpg name.
    void saveCompressed(const std::vector<uint8_t>& stream);
    const JpegWizardSettings& jpegWizard() const { return jpegWizard_; }
    // Image > Histogram.
    void onHistogram();
    // Colors > Map > RGB info: the picture's statistics as disabled script lines.
    void onRgbInfo();

    // Screen gamma ×100 (100: off) and the aspect mode (kAspect...).
    int ViewGamma = 100;
    int AspectMode = kAspectMonitor;
    void onViewGamma();
    // The screen gamma on the working picture; leaves Modified as it was.
    void DoGamma();
    void onAspect(int mode);
    void onAdjustViewport();
    // What every load does to the new picture: the aspect mode, then the gamma.
    void ApplyViewAdjustments();

    // The context menu, reduced to the place it opens at.
    enum class PopupPlace { ToolBars, PathBox, Picture, Player };
    void MainMenuPopup(PopupPlace place);
    QMenu* contextMenu() const { return contextMenu_; }
    QAction* contextAction(const std::string& handler, int tag = 0) const;
    // The Image menu as it opens: the filters for pictures they suit.
    void onImageVisible();
    // The menu bar's last item: the file name, runs file information.
    QAction* fileNameItem() const { return fileNameItem_; }
    QToolButton* toolButton(const QString& caption) const;

    // The menu shortcuts belong to the window (they work with the menu bar
    // hidden and in full screen) and come and go as one set, so that none
    // fires while a dialog or tool window has the focus.
    void ShortCuts_Enable();
    void ShortCuts_Disable();
    bool shortcutsEnabled() const { return shortcutsOn_; }
    // The items that need a selection: Red Eye, Crop, Trim, Copy and Paste
    // selection.
    void setSelectionItemsEnabled(bool on);
    void followFocusWindow(class QWindow* focus);

    // Stand-ins for the modal dialogs and the desktop's browser (tests).
    std::function<int(const QString& title, const ScrollDialogSettings&)> scrollDialogHook;
    std::function<ResizeResult(const QString& title, int width, int height, int maxWidth,
                               int maxHeight)>
        resizeDialogHook;
    using SaveDialogRunner = std::function<std::optional<SaveChoice>(const SaveDialogSetup&)>;
    SaveDialogRunner saveDialogHook;
    FreeSpaceQuery freeSpaceHook;
    std::function<bool(const QUrl&)> urlOpener;
    // 6 (Yes: go on, Modified cleared) or 7 (No).
    int CloseNow();

    // Clipboard, printing and the zip tool.
    void onCopy();
    void onCopyViewport();
    void onPaste();
    void onPasteSelection();
    void onEmptyClipboard();
    void onPrint();
    void onUnzipper();
    class UnzipWindow* unzipWindow(bool create);
    // Stand-in for the print setup dialog (tests): false cancels.
    std::function<bool(class PrintDialog&)> printDialogHook;

    // Batch file operations (Tools > Batch, File > Copy to, Move to, Delete),
    // the analysis report and the JPEG Text tool. Modifiers are the keys held
    // when the command came (Shift, Ctrl change what it does).
    void onBatchConvert(int format);
    void onBatchRename(Qt::KeyboardModifiers mods);
    void onCopyTo(Qt::KeyboardModifiers mods);
    void onMoveTo();
    void onBatchMove();
    void copyOrMove(bool move, bool batch);
    void onDelete(Qt::KeyboardModifiers mods);
    void onBatchDelete(Qt::KeyboardModifiers mods);
    void onAnalyze(Qt::KeyboardModifiers mods, bool infoButton = false);
    void onJpegText();
    class JpegTextWindow* jpegTextWindow(bool create);
    // Tools > Batch as it opens: the list commands need two bookmarks.
    void updateBatchMenu();
    std::string LastTargetFolder;
    // Stand-ins for the list dialog, the folder browser and the input box
    // (tests). The folder hook returns "" to cancel; the input hook nullopt.
    std::function<int(int mode, const QString& caption, QStringList& list)> listDialogHook;
    std::function<QString(const QString& caption, const QString& text, const QString& start)>
        folderHook;
    std::function<std::optional<QString>(const QString& prompt, const QString& hint)> inputHook;
    // Image > Text Mark and Add noise; Colors > Reduce to, Promote to, Gray
    // shades. Tags as in the menu layout.
    void onTextMark(int corner);
    void onTextMarkProperties();
    void onOutlineColor();
    void onRandomNoise();
    void onArtifacts();
    void onReduce(int tag);
    void onPromote(int bits);
    void onGrayShades();
    // Stand-ins for the text prompt, the mark properties and the colour
    // dialog (tests); nullopt cancels.
    std::function<std::optional<QString>(const QString& caption, const QString& prompt,
                                         const QString& text)>
        textPromptHook;
    std::function<std::optional<std::pair<QFont, QColor>>(const QFont&, const QColor&)> markPropertiesHook;
    std::function<std::optional<QColor>(const QColor&)> colorDialogHook;
    // File associations (tag kAssociations...), wallpaper and scanner.
    void onAssociations(int mode);
    void onWallpaperSet();
    void onWallpaperClear();
    void onScanSelect();
    void onScanAcquire();
    const std::string& scannerDevice() const { return scannerDevice_; }
    // Stand-ins for the desktop's tools and the dialogs (tests).
    CommandRunner desktopRunnerHook;
    std::function<WallpaperEnvironment()> wallpaperEnvironmentHook;
    std::function<QString(const QString& title)> applicationPickHook;
    std::function<QString(const QStringList& devices)> deviceChoiceHook;
    std::function<bool(struct ScanRequest&)> scanDialogHook;
    // True stops the scan as Cancel does.
    std::function<bool(int percent)> scanCancelHook;
    // Geometry: size, rotation, crop and the numeric selections.
    void onResize();
    ResizeResult askNewSize(const QString& title);
    void onResample();
    void onAutoResize();
    void onRotate(int tag);
    void onMirror(int tag);
    void onCrop();
    void onCopySelection();
    void onTrim();
    void onBorder();
    void onMask();
    void onGrid(int tag);
    // Stand-in for the grid dialog (tests).
    std::function<QuadResult(int columns, int rows, int width, int height)> gridDialogHook;

    // Layout toggles and presets.
    void setMenuBarShown(bool on);
    void setToolBarShown(bool on);
    void setPathBoxShown(bool on);
    void setStatusBarShown(bool on);
    void setButtonText(bool on);
    // The tool bar moved into the path box's row, without captions.
    void setMergedToolBar(bool on);
    void onStandard();
    void onCompact();
    void onMinimal();

    // Re-fits or re-zooms the display control after the picture changed.
    void ChangeView();
    void UpdateCaption();
    void StatusReady();
    // The mapped selection of the rubber band, as the editing commands see it.
    SelRect selectionRect() const { return ws_.SelectionRect; }
    // Milliseconds from construction to the first painted frame (-1: not yet).
    qint64 firstPaintMs() const { return firstPaintMs_; }

    // Scripts: the text of the script window (creating it hidden if needed).
    ScriptWindow* scriptWindow(bool create);

    // Preloading: the bookmarks after and before the current one are decoded
    // ahead on a worker thread; navigation takes them instead of decoding.
    // Null until there is something to decode ahead.
    class Preloader* preloader() const { return preloader_.get(); }
    // Queues the neighbours of the current bookmark (once per turn of the
    // event loop, whatever number of list changes asked for it).
    void schedulePreload();
    // Shows the preloaded picture of `path` as openPicture shows a loaded one;
    // false when none is ready (the caller then loads it the normal way).
    bool openPreloaded(const std::string& path);
    // What every successful load does after decoding (view, bookmarks, caption).
    void FinishLoad(const std::string& path, const LoadedFile& file);
    // The files a command line names: the arguments joined with blanks when
    // that is an existing file, else every argument when each is an existing
    // file, else none. Absolute paths.
    static std::vector<std::string> CommandLineFiles(const QStringList& args);
    // Bookmarks the command line's files after the first, which the window
    // opens, so that they follow it in the order given.
    void bookmarkCommandLine(const std::vector<std::string>& files);

    // Media: the viewer's player (MediaMode), text pages and the CD player.
    const MediaState& media() const { return media_; }
    MediaPanel* viewerPlayer() const { return viewerPlayer_; }
    // Shows a medium in the viewer, reusing a player already showing one.
    bool OpenMedium(const std::string& path);
    bool CreateViewerPlayer(bool keepDisplaySize);
    void ReleaseViewerPlayer(bool releaseOnly);
    void setMediaMode(bool on);
    void UI_Audio();
    void onPlayPause();
    void onStop();
    void toggleMediaFullScreen();
    // Fits the window to the medium ("Adjust", and after opening with AutoSize);
    // after "Zoom +" a window already large enough is left alone.
    void FitWindowToMedium(bool afterOpen, bool fromZoomIn = false);
    // "Zoom +" and "Zoom -" on a video: half, own and double size.
    void ZoomMedium(bool in);
    // A text or rich-text page becomes the working picture ("Untitled").
    bool DecodeMemo(const std::string& path);
    void onCdPlayer();
    CdWindow* cdWindow() const { return cdWindow_; }
    // Where the CD player finds its drive (tests give a fake one).
    CdPlayer::DeviceFactory cdDeviceFactory;
    // Errors no command caught: decoder failures of the current file become
    // warnings; anything else is fatal (recovery copies, then the program ends).
    void ApplicationErrorHandler(const std::string& message);
    // What a fatal error wrote: the picture and the script, "" when not written.
    struct RecoveryFiles {
        std::string picture, script;
    };
    RecoveryFiles WriteRecoveryCopies();
    // The last command run, for the fatal error's report.
    std::string LastOperationNote;
    // Stand-in for quitting after a fatal error (tests).
    std::function<void(int code)> quitHook;

private:
    void startPreload();
    LoadOptions preloadOptions() const;
    std::shared_ptr<class Preloader> preloader_;  // the worker thread's owner
    bool preloadQueued_ = false;

public:
    // End of preloading.

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onCreate();
    void openStartPicture();
    void buildMenus();
    void buildToolBars();
    void buildStatusBar();
    void registerHandlers();
    void registerGeometryHandlers();
    void afterGeometry();
    bool askSelection(bool wholePicture);
    void showChosenSelection(const SelRect& rect);
    bool copySelection();
    void EnableControls();
    void HistoryControls();
    void UpdateHistoryEdit();
    void updateZoomControls();
    void LayoutViewArea();
    void ResizeImage();
    void AutoZoom();
    void ApplyZoom(int percent);
    void DisplaySelection();
    void clearRubberBand();
    void onPictureMouseDown(QMouseEvent* event);
    void onPictureMouseMove(QMouseEvent* event);
    void onPictureMouseUp(QMouseEvent* event);
    void refreshStatusBar();
    LoadOptions loadOptions() const;
    Loader navigationLoader();
    void afterNavigation(const struct NavResult& r);
    bool mayClose();
    void onClose();
    void applySettingsLayout();
    void showError(const std::string& text);
    int runListDialog(int mode, const QString& caption, QStringList& list);
    QString chooseFolder(const QString& caption, const QString& text, const QString& start);
    bool openReport(const std::string& path);
    void clearAfterBatch();
    bool readJpegInfoFor(const std::string& path);
    void showJpegInfo(const std::string& text);
    // Shows the save dialog until a name is chosen that is new or may be
    // overwritten (the extension rule applied, of `fixedFormat` or of the
    // variant chosen). `setup` keeps the last choice's options.
    std::optional<SaveChoice> askSaveTarget(SaveDialogSetup& setup,
                                            std::optional<SaveFormat> fixedFormat,
                                            const SaveDialogRunner& runDialog);
    void buildContextMenu();
    void connectHandler(QAction* action, const std::string& handler, int tag);
    void optimizeWindow(bool centre);
    void showContextMenu(PopupPlace place, const QPoint& globalPos);
    void updateMenuState();
    void updatePageControls();
    void setPageControlsEnabled(bool on);
    // What waits for the first picture: saving, printing, full screen, the
    // window sizes, the select tool, copy and the file commands.
    void setPictureControlsEnabled(bool on);
    void presetDone(const char* handler, bool centre);
    int runScrollDialog(const QString& title, const ScrollDialogSettings& param,
                        const QString& lowLabel = {}, const QString& highLabel = {});
    // Runs an editing command: errors reported, then the view follows the
    // picture's new size or depth.
    void runGuarded(const std::function<void()>& command);
    void registerPictureHandlers();
    void updateColorDepthItems();
    void updateFileNameItem();
    int panelsHeight() const;
    QSize frameSize2() const;
    // A pasted or scanned picture becomes the working picture, "Untitled".
    void takeNewPicture(Bitmap picture);
    CommandRunner desktopRunner() const;
    std::string scannerDevice_;

    Workspace ws_;
    GuiFrameHost host_;
    Bookmarks bookmarks_;
    std::unique_ptr<GuiBatchHost> batchHost_;
    std::unique_ptr<BatchInterpreter> interpreter_;
    LoadedFile loaded_;
    SettingsRecord settings_;
    std::unique_ptr<QSettings> ownSettings_;
    QSettings* settingsFile_ = nullptr;
    QString openDir_, saveDir_;
    int saveFilter_ = int(SaveFormat::Png);
    int saveQuality_ = 75;
    bool saveProgressive_ = false;
    // Read from the settings on the wizard's first use in a run.
    JpegWizardSettings jpegWizard_ = [] {
        JpegWizardSettings s;
        s.quality = JpegWizardSettings::kNotLoaded;
        return s;
    }();
    QString wizardName_;  // the name the wizard's Save As suggests
    std::string startFile_;
    std::string previousFileName_ = "*";
    bool activated_ = false;
    bool closing_ = false;

    PictureView* view_ = nullptr;
    QScrollArea* scrollBox_ = nullptr;
    class ThumbnailGrid* thumbnailGrid_ = nullptr;  // made on first use
    class QStackedWidget* centralStack_ = nullptr;  // the picture and the grid
    // While the grid is shown its selection (in grid order) stands in for the
    // bookmarks of the bookmark show and batch conversion; nullopt otherwise.
    std::optional<std::vector<std::string>> gridSelection() const;
    void bookmarkGridSelection();
    // The show's items enabled by the grid's selection while it is shown.
    void updateGridCommands();
    QToolBar* toolBar_ = nullptr;
    QToolBar* pathBar_ = nullptr;
    QLineEdit* history_ = nullptr;
    QLabel* panels_[3] = {nullptr, nullptr, nullptr};
    QProgressBar* progress_ = nullptr;
    ScriptWindow* script_ = nullptr;
    class UnzipWindow* unzip_ = nullptr;
    class JpegTextWindow* jpegText_ = nullptr;
    ShowWindow* show_ = nullptr;
    QStringList showSkipped_;  // media slides the show could not play
    std::unique_ptr<AvlRunningLock> avlLock_;
    bool startShow(const std::string& avlPath);
    void endShow(const QString& message, bool avl);
    // The window as it was before the show (bars, menus, fit, full screen),
    // put back exactly at its end.
    struct BeforeShow;
    std::shared_ptr<BeforeShow> beforeShow_;
    void hideForShow();
    void restoreAfterShow();

    // Handlers by name; menu items and buttons reach commands through these.
    std::map<std::string, std::function<void(int tag)>> handlers_;
    std::map<std::pair<std::string, int>, QAction*> actions_;
    std::map<QString, QMenu*> menus_;
    std::map<QString, QToolButton*> buttons_;
    QMenu* contextMenu_ = nullptr;
    QAction* avSeparator_ = nullptr;
    std::map<std::pair<std::string, int>, QAction*> contextActions_;
    QAction* fileNameItem_ = nullptr;
    std::vector<std::pair<QAction*, QKeySequence>> shortcuts_;
    bool shortcutsOn_ = true;

    // Mouse tools.
    QPoint anchor_;
    bool dragging_ = false;
    QRect rubberBand_;
    SelRect lastRegion_{0, 0, 0, 0};
    bool haveRegion_ = false;
    QRect normalBounds_;

    MediaState media_;
    MediaPanel* viewerPlayer_ = nullptr;
    CdWindow* cdWindow_ = nullptr;
    bool mediaFullScreenToggle_ = false;
    bool mediaFitted_ = false;  // the window was fitted to this medium's picture
    bool errorHandlerInstalled_ = true;
    bool saveFailed_ = false;  // the error being handled came out of a save
    int minimumWindowWidth() const;

    // The display as it was at start; a change of size or depth is reported.
    void watchDisplay();
    void displayChanged(const QRect& geometry);
    QSize displaySize_;
    int displayDepth_ = 0;

    QElapsedTimer startTimer_;
    qint64 firstPaintMs_ = -1;

    friend class GuiBatchHost;
};

}  // namespace vimbra
