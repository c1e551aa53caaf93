#pragma once
// Tools > Options: the Viewer, Graphics, Slideshow and Multimedia pages over a
// copy of the settings record.
#include <functional>

#include <QColor>
#include <QDialog>
#include <QPalette>

#include "shell/settings_record.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QScrollBar;
class QSlider;
class QTabWidget;
class QFrame;

namespace vimbra {

enum class OptionsPage { Viewer = 0, Graphics = 1, Slideshow = 2, Multimedia = 3 };

// What the main window does with the dialog's results. All are optional.
struct OptionsCallbacks {
    // Apply or Ok: the settings before and after; the main window applies the
    // layout, reopens pictures whose look changed and sets the volume.
    std::function<void(const SettingsRecord& before, const SettingsRecord& after)> apply;
    // "&Effects": the slideshow effect selection.
    std::function<void()> effects;
    // "&Help" with the page's context number (103, 300 or 500).
    std::function<void(int context)> help;
};

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    OptionsDialog(const SettingsRecord& settings, OptionsPage startPage, bool fullScreen,
                 int displayBitDepth, OptionsCallbacks callbacks = {}, QWidget* parent = nullptr);

    // The edited copy (what Ok or Apply hands back).
    const SettingsRecord& settings() const { return settings_; }
    OptionsPage currentPage() const;
    // Help context of the current page.
    int helpContext() const;

    // "&Delay = 1.5s" for 1500 ms.
    static QString DelayLabelText(int milliseconds);

    // The controls, for the main window's tests.
    QCheckBox* checkBox(const char* objectName) const;
    QPushButton* applyButton() const { return btnApply_; }
    QLabel* delayLabel() const { return labelDelay_; }
    QScrollBar* delayScrollBar() const { return scrollBarDelay_; }

public slots:
    void onApply();

private:
    void buildViewerPage(QWidget* page);
    void buildGraphicsPage(QWidget* page);
    void buildSlideshowPage(QWidget* page);
    void buildMultimediaPage(QWidget* page);
    void loadControls();  // every control from settings_
    void readControls();  // controls → settings_
    void onMenubarOptionChanged();  // keeps the dependencies between controls
    void controlChanged();
    void ScrollBarDelayChange(int value);
    void onPanelBackground();
    void showBackColor();

    SettingsRecord settings_;
    const bool fullScreen_;
    const int displayBitDepth_;
    OptionsCallbacks callbacks_;
    bool loading_ = false;

    QTabWidget* pages_ = nullptr;
    // Viewer
    QCheckBox *chkMenus_, *chkToolBar_, *chkStatusBar_, *chkButtonText_, *chkPathBox_;
    QCheckBox *chkMerge_, *chkWithMenus_, *chkMaxFullScreen_, *chkAutoSize_, *chkAutoCenter_;
    QFrame* panelBackground_ = nullptr;
    uint32_t backColor_ = kSystemWindowColor;
    // Graphics
    QCheckBox *chkAutoReduce_, *chkUseScreen_, *chkFastRefresh_, *chkTurbo_;
    QCheckBox *chkKeepMetadata_, *chkAutoOrient_, *chkColourManage_;
    QComboBox *boxFax_, *boxPhotoCd_, *boxJpegPalette_;
    QGroupBox* groupJpegPalette_ = nullptr;
    // Slideshow
    QComboBox *boxEffectsSpeed_, *boxSvgaPalette_, *boxTextPosition_;
    QGroupBox* groupSvgaPalette_ = nullptr;
    QCheckBox *chkAutoSizeVideo_, *chkAlwaysFullScreen_, *chkJukebox_;
    QLabel* labelDelay_ = nullptr;
    QScrollBar* scrollBarDelay_ = nullptr;
    // Multimedia
    QCheckBox *chkMediaStatus_, *chkMediaTrack_, *chkMediaControls_, *chkMediaMaxFull_,
        *chkMediaAutoPlay_;
    QSlider* trackVolume_ = nullptr;

    QPushButton* btnApply_ = nullptr;
};

// The back colour as shown: the desktop's window colour for kSystemWindowColor.
QColor BackColorToQColor(uint32_t value, const QPalette& palette);
uint32_t QColorToBackColor(const QColor& color);

// Shows the dialog modally on a copy of settings; Ok and Apply write the copy
// back into settings. Returns 0 when closed with Ok, −999 otherwise.
int ExecuteOptionsDialog(QWidget* parent, SettingsRecord& settings, OptionsPage startPage,
                       bool fullScreen, int displayBitDepth, OptionsCallbacks callbacks = {});

}  // namespace vimbra
