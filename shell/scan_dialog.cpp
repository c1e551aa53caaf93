#include "shell/scan_dialog.h"

#include <algorithm>
#include <cstdlib>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>

namespace vimbra {

int StartResolution(const ScannerCapabilities& caps) {
    const auto& r = caps.resolutions;
    if (r.empty()) return caps.resolution;
    if (std::find(r.begin(), r.end(), caps.resolution) != r.end()) return caps.resolution;
    // A page at 150 dpi is sharp on screen and quick to scan.
    return *std::min_element(r.begin(), r.end(),
                             [](int a, int b) { return std::abs(a - 150) < std::abs(b - 150); });
}

int ChooseScanner(QWidget* parent, const QStringList& labels, int current) {
    // The static QInputDialog::getItem returns the current item on Cancel too.
    QInputDialog dialog(parent);
    dialog.setWindowTitle(QObject::tr("Select Source"));
    dialog.setLabelText(QObject::tr("Scanner:"));
    dialog.setComboBoxItems(labels);
    dialog.setComboBoxEditable(false);
    if (current >= 0 && current < labels.size()) dialog.setTextValue(labels[current]);
    if (QComboBox* box = dialog.findChild<QComboBox*>()) box->setAccessibleName(QObject::tr("Scanner"));
    if (dialog.exec() != QDialog::Accepted) return -1;
    return int(labels.indexOf(dialog.textValue()));
}

ScanDialog::ScanDialog(const QString& deviceLabel, const ScannerCapabilities& caps, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("Acquire"));
    auto* form = new QFormLayout(this);
    form->addRow(tr("Scanner:"), new QLabel(deviceLabel));
    resolution_ = new QComboBox;
    for (int dpi : caps.resolutions) resolution_->addItem(tr("%1 dpi").arg(dpi), dpi);
    if (caps.resolutions.empty()) resolution_->addItem(tr("Scanner default"), 0);
    resolution_->setCurrentIndex(std::max(0, resolution_->findData(StartResolution(caps))));
    form->addRow(tr("&Resolution:"), resolution_);
    mode_ = new QComboBox;
    for (const std::string& m : caps.modes)
        mode_->addItem(QString::fromStdString(m), QString::fromStdString(m));
    if (caps.modes.empty()) mode_->addItem(tr("Scanner default"), QString());
    mode_->setCurrentIndex(std::max(0, mode_->findText(QString::fromStdString(caps.mode))));
    form->addRow(tr("&Mode:"), mode_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("&Scan"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

int ScanDialog::resolution() const {
    return resolution_->currentData().toInt();
}

std::string ScanDialog::mode() const {
    return mode_->currentData().toString().toStdString();
}

}  // namespace vimbra
