#pragma once
// The acquire settings: resolution and mode of the chosen scanner.
#include <QDialog>
#include <QStringList>

#include "desktop/scanner.h"

class QComboBox;

namespace vimbra {

class ScanDialog : public QDialog {
    Q_OBJECT
public:
    ScanDialog(const QString& deviceLabel, const ScannerCapabilities& caps,
               QWidget* parent = nullptr);
    QComboBox* resolutionBox() const { return resolution_; }
    QComboBox* modeBox() const { return mode_; }
    int resolution() const;
    std::string mode() const;

private:
    QComboBox* resolution_;
    QComboBox* mode_;
};

// Select Source: the index of the scanner picked from `labels`, starting at
// `current`; -1 when the choice is cancelled.
int ChooseScanner(QWidget* parent, const QStringList& labels, int current);

// The resolution the dialog starts with: the device's when it offers it, else
// the offered one closest to 150 dpi (0 when none is offered).
int StartResolution(const ScannerCapabilities& caps);

}  // namespace vimbra
