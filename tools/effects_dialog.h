#pragma once
// The effects dialog: up to three labelled sliders with typed values, the
// picture as it is (scrollable; a click picks a colour) and the preview of the
// part in view. Test computes the preview, Apply hands the previewed values to
// the command, Cancel returns −999. With the codes 998 and 999 it is the JPEG
// Compression Wizard: the whole picture compressed in memory and shown decoded.
#include <functional>
#include <memory>
#include <vector>

#include <QAbstractScrollArea>
#include <QDialog>
#include <QImage>

#include "core/effect_session.h"
#include "imagefiles/jpeg_settings.h"

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTimer;
class QVBoxLayout;

namespace vimbra {

// The before view: paints only the visible part of a picture it does not own.
class BeforeView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit BeforeView(const Bitmap& picture, QWidget* parent = nullptr);
    // The profile of the picture's values (not owned); the part in view is
    // drawn converted to the display's. Null draws the values.
    void setColourProfile(const std::vector<uint8_t>* icc);
    QPoint scrollPosition() const;
    void scrollTo(QPoint topLeft);

signals:
    void picked(int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void updateRanges();
    const QImage& displayed(const QRect& part);
    const Bitmap& picture_;
    QImage image_;
    const std::vector<uint8_t>* profile_ = nullptr;
    QImage converted_;  // `convertedPart_` of the picture in display colours
    QRect convertedPart_;
};

class JpegCompressorGroup;

class EffectsDialog : public QDialog {
    Q_OBJECT
public:
    // `jpeg`: the wizard's settings, shown at the start and stored at the
    // close (JPEG mode, codes 998 and 999 only). With `colourManage` a picture
    // carrying a profile is shown in display colours in both views.
    EffectsDialog(Workspace& ws, const FilterDlgParam& param, QWidget* parent = nullptr,
                  JpegWizardSettings* jpeg = nullptr, bool colourManage = true);
    ~EffectsDialog() override;

    EffectSession& session() { return *session_; }
    // Moves slider i as the user would (edit box follows).
    void setSliderValue(int i, int value);
    // Types text into slider i's edit box.
    void typeValue(int i, const QString& text);
    void pickAt(int x, int y);

    void test(bool maskVariant = false);
    void applyClicked();
    void resetClicked();
    void extraClicked();

    // Slider 1's position after Apply, −999 otherwise.
    int result() const { return result_; }
    const QImage& previewImage() const { return preview_; }
    Region lastRegion() const { return region_; }

    BeforeView* beforeView() const { return before_; }
    QLabel* afterView() const { return after_; }
    QScrollBar* slider(int i) const { return sliders_[i]; }
    QLineEdit* edit(int i) const { return edits_[i]; }
    QLabel* sliderName(int i) const { return names_[i]; }
    QPushButton* testButton() const { return btnTest_; }
    QPushButton* applyButton() const { return btnOK_; }
    QPushButton* resetButton() const { return btnReset_; }
    QPushButton* extraButton() const { return btnCurve_; }
    QLabel* colorPanel() const { return panel_; }

    bool jpegMode() const { return jpeg_ != nullptr; }
    JpegCompressorGroup* jpegGroup() const { return group_; }
    // The file of the last trial; empty before the first or when it failed.
    const std::vector<uint8_t>& compressed() const { return stream_; }
    // A change of the JPEG controls waits this long before the trial reruns.
    static constexpr int kRetestDelayMs = 250;
    bool retestPending() const;
    void done(int r) override;

    // Opens the histogram window for the extra button (title given).
    std::function<void(const QString& title)> onHistogram;
    std::function<void(int context)> onHelp;
    // JPEG mode, code 999: saves the compressed file (the dialog stays open).
    std::function<void(const std::vector<uint8_t>& stream)> onSaveAs;

private:
    void buildSliders(QGridLayout* grid);
    void showPanel(const ColorPick& pick);
    void buildJpegMode(QVBoxLayout* all, QLabel* title);
    // The picture the wizard shows and compresses.
    const Bitmap& source() const;
    void jpegTest();
    bool jpegStale() const;
    void showCompressed();
    // The after view shows `part` (values as computed) in display colours.
    void showAfter(Bitmap part);

    Workspace& ws_;
    bool colourManage_ = true;
    std::unique_ptr<EffectSession> session_;
    BeforeView* before_ = nullptr;
    QLabel* after_ = nullptr;
    QScrollBar* sliders_[3] = {};
    QLineEdit* edits_[3] = {};
    QLabel* names_[3] = {};
    QPushButton *btnTest_ = nullptr, *btnOK_ = nullptr, *btnCancel_ = nullptr,
                *btnReset_ = nullptr, *btnHelp_ = nullptr, *btnCurve_ = nullptr;
    QLabel* panel_ = nullptr;
    QCheckBox* chkScrollbars_ = nullptr;
    QImage preview_;
    Region region_;
    int result_ = kDialogCancelled;
    bool typing_ = false;

    // JPEG mode.
    JpegWizardSettings* jpeg_ = nullptr;
    JpegCompressorGroup* group_ = nullptr;
    QTimer* retest_ = nullptr;
    Bitmap picture24_;  // the picture in 24 bits when the working one is not
    Bitmap decoded_;
    QImage compressed_;  // wraps decoded_
    std::vector<uint8_t> stream_;
    JpegWizardSettings trialSettings_;
    bool trialDone_ = false;
};

// Shows the dialog modally. `driver`, when set, acts on the dialog instead of
// the user (tests, scripted demonstrations) and the dialog is not shown.
int ExecuteEffectsDialog(QWidget* parent, Workspace& ws, const FilterDlgParam& param,
                         const std::function<void(EffectsDialog&)>& driver = {},
                         const std::function<void(const QString&)>& histogram = {},
                         bool colourManage = true);

// The JPEG Compression Wizard (code 998 in a batch: settings only; 999: with
// Save As). Returns slider 1's position however it was closed; `settings`
// then hold what the dialog showed. The working picture is never changed.
int ExecuteJpegWizard(QWidget* parent, Workspace& ws, const FilterDlgParam& param,
                      JpegWizardSettings& settings,
                      const std::function<void(const std::vector<uint8_t>&)>& saveAs,
                      const std::function<void(EffectsDialog&)>& driver = {},
                      bool colourManage = true);

}  // namespace vimbra
