#pragma once
// The persisted settings: the 148-byte "VControls6014" record, the folders and
// the JPEG wizard record, kept in an INI file in the user's config folder.
#include <cstdint>
#include <memory>

#include <QByteArray>
#include <QRect>
#include <QSize>
#include <QString>

#include "imagefiles/jpeg_settings.h"

class QSettings;

namespace vimbra {

// left, top, right, bottom as stored in the record.
struct WindowBounds {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const WindowBounds&) const = default;
};

// BackColor value meaning "the desktop's window colour" (resolved by the GUI
// from its palette). Any other value is 0x00RRGGBB.
inline constexpr uint32_t kSystemWindowColor = 0x80000005u;

struct SettingsRecord {
    static constexpr int kByteSize = 148;

    WindowBounds batchEditorBounds;  // 0
    WindowBounds commentToolBounds;  // 16
    WindowBounds mainWindowBounds;   // 32 (left and top kept as absolute values)
    bool menuBar = true;             // 48
    bool toolBar = true;             // 49
    bool statusBar = true;           // 50
    bool buttonText = true;          // 51
    bool FitToWindow = true;         // 52
    bool AutoReduce = false;         // 53
    bool maxFullScreen = true;       // 54
    int32_t FaxQuality = 2;          // 56, 0..3
    int32_t JpegPalette = 3;         // 60, 0..3
    uint32_t BackColor = kSystemWindowColor;  // 64
    int32_t commonControls = 0;      // 68, written, never used
    bool AutoSize = true;            // 72
    bool AutoCenter = true;          // 73
    int32_t EffectsSpeed = 1;        // 76, 0..3
    int32_t SvgaPalette = 0;         // 80, 0..2
    int32_t SlideDelay = 500;        // 84, milliseconds
    bool mediaStatusLine = false;    // 88
    bool mediaTrackBar = true;       // 89
    bool mediaControls = true;       // 90
    bool mediaMaxFullScreen = true;  // 91
    bool mediaAutoPlayLoop = true;   // 92
    int32_t TrackerHeight = 0;       // 100
    int32_t ControlsHeight = 0;      // 104
    int32_t mediaVolume = 500;       // 108, 1..1000
    bool autoSizeVideo = true;       // 112
    bool alwaysFullScreen = true;    // 113
    int32_t textPosition = 0;        // 120, 0..2
    bool UseScreen = false;          // 124
    bool avlJukebox = false;         // 125
    bool pathBox = true;             // 126
    int32_t PhotoCdStep = 3;         // 128, 0..6
    int32_t TurboMode = 0;           // 136
    bool fastRefresh = true;         // 144
    bool mergeToolBar = false;       // 145
    bool fullScreenMenus = false;    // 146

    // Kept beside the record under their own keys (the record has no room
    // that older files leave zero): photographs' metadata written when
    // saving, and pictures turned upright by their orientation tag.
    bool keepMetadata = true;
    bool autoOrient = true;
    bool colourManage = true;  // pictures with a colour profile shown in display colours

    // Not persisted: the value existed with the right length when read.
    bool existed = false;

    // The table's defaults; fast refresh is off on screens of 8 bits or fewer.
    static SettingsRecord Defaults(int displayBitDepth = 24);
    // A value of any other length gives the defaults (existed false). Values
    // out of range are corrected.
    static SettingsRecord FromBytes(const QByteArray& bytes, int displayBitDepth = 24);
    // 148 bytes; bytes of unused fields and gaps come back as they were read.
    QByteArray toBytes() const;

    // The options dialog's "Delay" range; a stored delay beyond it is damaged.
    static constexpr int32_t kDelayScrollMax = 3600000;
    static constexpr int32_t kMaxSlideDelay = kDelayScrollMax;

private:
    QByteArray raw_;  // as read, for the fields this program does not use
};

// The player's volume from the settings' 1..1000 scale:
// round(1000 × ln(volume ÷ 1000)), halves to even; volume below 1 counts as 1.
int MediaPlayerVolume(int volume);

// The main window's bounds at close: left and top stored as absolute values.
WindowBounds StoreWindowBounds(const QRect& frame);
// Where the main window opens: left and top taken as absolute values; width and
// height at most the screen's; below 64 either way the default size centred on
// the screen; otherwise moved left or up so that it fits.
QRect RestoreWindowBounds(const WindowBounds& stored, QSize screen, QSize defaultSize);

// Where the batch editor opens: left and top not below 0; width and height
// from the stored corners, at most the screen's; below 64 either way half the
// screen's width and three quarters of its height; then moved left or up so
// that it fits, never past the top-left corner.
QRect EditorWindowBounds(const WindowBounds& stored, QSize screen);

// Reads and writes the values in one QSettings (INI file, or a test's file).
class SettingsStore {
public:
    explicit SettingsStore(QSettings& settings) : settings_(settings) {}

    // ~/.config/Vimbra/VIMBRA.ini
    static std::unique_ptr<QSettings> OpenUserSettings();

    SettingsRecord readRecord(int displayBitDepth = 24) const;
    QString readOpenDir() const;
    QString readSaveDir() const;
    // Read on first use of the wizard; the defaults when the value is missing.
    JpegWizardSettings readJpegWizard() const;

    // Written at every close (also when no file was opened in this run). The
    // wizard record only when it was read in this run.
    void writeAtClose(const SettingsRecord& record, const QString& openDir,
                      const QString& saveDir, const JpegWizardSettings& wizard);

    static constexpr const char* kRecordKey = "VControls6014";
    static constexpr const char* kOpenDirKey = "OpenDir";
    static constexpr const char* kSaveDirKey = "SaveDir";
    static constexpr const char* kJpegWizardKey = "JPGwiz1";
    static constexpr const char* kKeepMetadataKey = "KeepMetadata";
    static constexpr const char* kAutoOrientKey = "AutoOrient";
    static constexpr const char* kColourManageKey = "ColourManage";

private:
    QSettings& settings_;
};

}  // namespace vimbra
