#pragma once
// The scroll dialog: one integer by scroll bar, typed value or preset, or in
// its second form by a track bar with two labelled ends.
#include <cstdint>
#include <optional>

#include <QDialog>
#include <QString>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QScrollBar;
class QSlider;

namespace vimbra {

// The range, steps and presets a scroll dialog opens with.
struct ScrollDialogSettings {
    int32_t Min = 0, Max = 100, Position = 0;
    int32_t LargeStep = 10, SmallStep = 1;
    int32_t Presets[6] = {0, 0, 0, 0, 0, 0};
    bool ShowPresets = true;
    bool UseTrackBar = false;
};

// What typing into the value box leads to.
struct ScrollTextResult {
    bool ignored = false;         // empty text: nothing happens
    int32_t value = 0;            // the scroll bar's new position
    std::optional<QString> text;  // the box's replacement text, if it must change
};
// Empty → ignored; above Max → "Max"; below Min → "Min"; not an integer →
// Position back in the box.
ScrollTextResult ApplyScrollText(const QString& text, const ScrollDialogSettings& param);
// Eight upper-case hexadecimal digits.
QString HexText(int32_t value);
// "&a = 50" .. "&f = 800".
QString PresetText(int index, int32_t value);

class ScrollDialog : public QDialog {
    Q_OBJECT
public:
    ScrollDialog(const QString& title, const QString& lowLabel, const QString& highLabel,
              const ScrollDialogSettings& param, QWidget* parent = nullptr);

    // The scroll bar's position (the track bar's in the second form).
    int32_t value() const;
    // Clamps a typed value into the range, then closes.
    void accept() override;

    QLineEdit* CustomSetting = nullptr;
    QScrollBar* CustomScrollBar = nullptr;
    QSlider* UserTrackBar = nullptr;
    QLabel *LabelMin = nullptr, *LabelMax = nullptr, *HexLabel = nullptr;
    QGroupBox* GroupOptions = nullptr;
    QButtonGroup* optionButtons = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void scrollChanged(int position);
    void textEdited(const QString& text);
    void applyText(const QString& text);
    void presetClicked(int index);

    ScrollDialogSettings param_;
    bool typing_ = false;
};

// Returns the chosen value, or −999 when cancelled. An empty label shows the
// end's number.
int ExecuteScrollDlg(QWidget* parent, const QString& title, const QString& lowLabel,
                     const QString& highLabel, const ScrollDialogSettings& param);

// Places a dialog of the given size centred on the pointer, inside the screen.
QPoint CentreOnPointer(QSize dialog, QPoint pointer, QRect screen);

}  // namespace vimbra
