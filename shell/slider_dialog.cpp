#include "shell/slider_dialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace vimbra {

SliderDialog::SliderDialog(const FilterDlgParam& param, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromStdString(param.title));
    count_ = std::clamp(param.sliderCount, 1, 3);
    auto* grid = new QGridLayout;
    for (int i = 0; i < count_; ++i) {
        const SliderParam& s = param.sliders[i];
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setRange(std::min(s.Min, s.Max), std::max(s.Min, s.Max));
        slider->setPageStep(std::max(1, s.LargeStep));
        slider->setSingleStep(std::max(1, s.SmallStep));
        slider->setValue(s.Position);
        slider->setMinimumWidth(240);
        const QString low = s.LabelMin.empty() ? QString::number(s.Min)
                                               : QString::fromStdString(s.LabelMin);
        const QString high = s.LabelMax.empty() ? QString::number(s.Max)
                                                : QString::fromStdString(s.LabelMax);
        auto* value = new QLabel(QString::number(s.Position), this);
        value->setMinimumWidth(48);
        connect(slider, &QSlider::valueChanged, value,
                [value](int v) { value->setText(QString::number(v)); });
        grid->addWidget(new QLabel(low, this), i, 0);
        grid->addWidget(slider, i, 1);
        grid->addWidget(new QLabel(high, this), i, 2);
        grid->addWidget(value, i, 3);
        sliders_[i] = slider;
        values_[i] = value;
    }
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("&Apply"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

int SliderDialog::value(int i) const { return sliders_[std::clamp(i, 0, count_ - 1)]->value(); }

int ExecuteSliderDialog(QWidget* parent, const FilterDlgParam& param, int values[3]) {
    if (param.sliderCount <= 0) {
        for (int i = 0; i < 3; ++i) values[i] = param.sliders[i].Position;
        return values[0];
    }
    SliderDialog dlg(param, parent);
    if (dlg.exec() != QDialog::Accepted) return kDialogCancelled;
    for (int i = 0; i < 3; ++i) values[i] = dlg.value(i);
    return values[0];
}

}  // namespace vimbra
