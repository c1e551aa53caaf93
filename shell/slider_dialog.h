#pragma once
// A plain modal parameter dialog for the editing commands: the command's
// title and up to three sliders with their end labels, Apply and Cancel.
#include <QDialog>

#include "core/frame_host.h"

class QSlider;
class QLabel;

namespace vimbra {

class SliderDialog : public QDialog {
    Q_OBJECT
public:
    SliderDialog(const FilterDlgParam& param, QWidget* parent = nullptr);
    int sliderCount() const { return count_; }
    QSlider* slider(int i) const { return sliders_[i]; }
    int value(int i) const;

private:
    int count_ = 1;
    QSlider* sliders_[3] = {nullptr, nullptr, nullptr};
    QLabel* values_[3] = {nullptr, nullptr, nullptr};
};

// Slider 1's position on Apply (all positions in values), kDialogCancelled on
// Cancel. A parameter record without sliders is applied at once.
int ExecuteSliderDialog(QWidget* parent, const FilterDlgParam& param, int values[3]);

}  // namespace vimbra
