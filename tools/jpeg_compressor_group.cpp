#include "tools/jpeg_compressor_group.h"

#include <algorithm>

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "core/effect_session.h"

namespace vimbra {

JpegCompressorGroup::JpegCompressorGroup(QWidget* parent)
    : QGroupBox(QStringLiteral("JPEG Compressor"), parent) {
    auto* best = new QLabel(QStringLiteral("1 (best)"), this);
    auto* smaller = new QLabel(QStringLiteral("255 (smaller)"), this);
    smaller->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    quality_ = new QScrollBar(Qt::Horizontal, this);
    quality_->setRange(1, 255);
    quality_->setPageStep(8);
    quality_->setValue(48);
    quality_->setAccessibleName(QStringLiteral("Quality factor"));
    edit_ = new QLineEdit(QStringLiteral("48"), this);
    edit_->setAccessibleName(QStringLiteral("Quality factor value"));
    edit_->setMaximumWidth(64);
    progressive_ = new QCheckBox(QStringLiteral("&Progressive"), this);
    subsample_ = new QCheckBox(QStringLiteral("S&ubsample"), this);

    auto* smoothingBox = new QGroupBox(QStringLiteral("&Smoothing filter"), this);
    auto* radios = new QVBoxLayout(smoothingBox);
    smoothing_ = new QButtonGroup(this);
    const char* names[3] = {"Standard", "Parametric", "Clean"};
    for (int i = 0; i < 3; ++i) {
        modes_[i] = new QRadioButton(QString::fromLatin1(names[i]), smoothingBox);
        smoothing_->addButton(modes_[i], i);
        radios->addWidget(modes_[i]);
    }
    modes_[0]->setChecked(true);

    size_ = new QLabel(QStringLiteral("File size:"), this);
    size_->setAlignment(Qt::AlignCenter);
    size_->setMinimumWidth(210);
    size_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ratio_ = new QLabel(QStringLiteral("Compression ratio:"), this);
    ratio_->setAlignment(Qt::AlignCenter);
    ratio_->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    auto* grid = new QGridLayout;
    grid->addWidget(best, 0, 0);
    grid->addWidget(smaller, 0, 1);
    grid->addWidget(quality_, 1, 0, 1, 2);
    grid->addWidget(edit_, 1, 2);
    grid->addWidget(progressive_, 2, 0);
    grid->addWidget(subsample_, 3, 0);
    auto* row = new QHBoxLayout;
    row->addLayout(grid, 1);
    row->addWidget(smoothingBox);
    auto* panels = new QHBoxLayout;
    panels->addWidget(size_);
    panels->addWidget(ratio_, 1);
    auto* all = new QVBoxLayout(this);
    all->addLayout(row);
    all->addLayout(panels);

    connect(quality_, &QScrollBar::valueChanged, this, [this](int v) {
        if (!typing_) edit_->setText(QString::number(v));
        emit changed();
    });
    connect(edit_, &QLineEdit::textEdited, this, &JpegCompressorGroup::typeQuality);
    connect(progressive_, &QCheckBox::toggled, this, &JpegCompressorGroup::changed);
    connect(subsample_, &QCheckBox::toggled, this, &JpegCompressorGroup::changed);
    connect(smoothing_, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) emit changed();
    });
}

void JpegCompressorGroup::typeQuality(const QString& text) {
    // 0 or less becomes 1, above the range its end, non-numbers the position.
    const TypedValue t =
        TypeValue(text.trimmed().toStdString(), quality_->value(), 1, quality_->maximum());
    if (t.ignored) return;
    typing_ = true;
    if (edit_->text() != QString::fromStdString(t.boxText))
        edit_->setText(QString::fromStdString(t.boxText));
    quality_->setValue(t.position);
    typing_ = false;
}

void JpegCompressorGroup::load(const JpegWizardSettings& s) {
    quality_->setValue(std::clamp(s.quality, 1, 255));
    edit_->setText(QString::number(quality_->value()));
    progressive_->setChecked(s.progressive);
    subsample_->setChecked(s.chromaSubsampling);
    modes_[std::clamp(s.smoothingMode, 0, 2)]->setChecked(true);
}

JpegWizardSettings JpegCompressorGroup::settings(int smoothingAmount) const {
    JpegWizardSettings s;
    s.progressive = progressive_->isChecked();
    s.chromaSubsampling = subsample_->isChecked();
    s.byte2 = s.byte3 = 1;
    s.smoothingMode = std::max(0, smoothing_->checkedId());
    s.smoothingAmount = smoothingAmount;
    s.quality = std::min(quality_->value(), 255);
    return s;
}

void JpegCompressorGroup::setFigures(const QString& size, const QString& ratio) {
    size_->setText(size);
    ratio_->setText(ratio);
}

}  // namespace vimbra
