#pragma once
// The "JPEG Compressor" group of the effects dialog in JPEG mode: the quality
// factor with its typed value, progressive and subsampling switches, the
// smoothing filter choice, and the status panels with the file size and the
// compression ratio.
#include <QGroupBox>

#include "imagefiles/jpeg_settings.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QScrollBar;

namespace vimbra {

class JpegCompressorGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit JpegCompressorGroup(QWidget* parent = nullptr);

    // Shows the stored settings (the smoothing amount is slider 1's).
    void load(const JpegWizardSettings& s);
    // The settings the controls show, with `smoothingAmount` from slider 1.
    JpegWizardSettings settings(int smoothingAmount) const;
    void setFigures(const QString& size, const QString& ratio);

    // Types text into the quality's edit box.
    void typeQuality(const QString& text);

    QScrollBar* quality() const { return quality_; }
    QLineEdit* qualityEdit() const { return edit_; }
    QCheckBox* progressive() const { return progressive_; }
    QCheckBox* subsample() const { return subsample_; }
    QRadioButton* smoothing(int mode) const { return modes_[mode]; }
    QLabel* sizePanel() const { return size_; }
    QLabel* ratioPanel() const { return ratio_; }

signals:
    void changed();

private:
    QScrollBar* quality_;
    QLineEdit* edit_;
    QCheckBox *progressive_, *subsample_;
    QRadioButton* modes_[3];
    QButtonGroup* smoothing_;
    QLabel *size_, *ratio_;
    bool typing_ = false;
};

}  // namespace vimbra
