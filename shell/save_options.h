#pragma once
// The "Save Image As" dialog: the file dialog with the output variants as its
// filters and, beside them, the JPEG quality and the progressive (PNG:
// interlaced) switch of the variant chosen.
#include <functional>
#include <optional>

#include <QFileDialog>
#include <QString>
#include <QStringList>

#include "imagefiles/save_dispatch.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;

namespace vimbra {

// Which option controls a variant uses.
struct SaveFormatControls {
    bool quality = false;
    bool progressive = false;
    bool operator==(const SaveFormatControls&) const = default;
};
SaveFormatControls ControlsFor(SaveFormat format);

// The dialog's filters in Qt's notation, in SaveFormat order: fifteen, or all
// eighteen for 1-bit pictures (the fax and PackBits TIFF variants 10..12).
QStringList SaveNameFilters(int imageBitDepth);
// The variant a filter of SaveNameFilters names; 0 for none.
int SaveFormatOfFilter(const QString& filter);

// The folder the dialog starts in: the remembered one while it exists, else
// the folder of the path box's file, else the program's folder.
QString InitialSaveFolder(const QString& saveDir, const QString& pathBoxText,
                          const QString& programDir);

// The quality slider's text: the setting and what the encoder makes of it.
QString QualityText(int quality);

inline constexpr const char* kAdobeTiffWarning =
    "This TIFF deflate format should be used to export\nimages to Adobe PhotoShop and "
    "ImageReady.\n\nMany apps will NOT read this TIFF variant.\n\n[Ignore] avoids this dialog "
    "(for experts).";

struct SaveDialogSetup {
    QString folder, name;
    QStringList filters;
    int format = int(SaveFormat::Png);  // SaveFormat number
    int quality = 75;
    bool progressive = false;
};

struct SaveChoice {
    QString path;  // as typed: the extension rule is the caller's
    int format = int(SaveFormat::Png);
    int quality = 75;
    bool progressive = false;
    bool wizard = false;  // the dialog was left for the JPEG Compression Wizard
};

class SaveAsDialog : public QFileDialog {
    Q_OBJECT
public:
    SaveAsDialog(const SaveDialogSetup& setup, QWidget* parent = nullptr);

    int format() const { return format_; }
    SaveChoice choice() const;
    // Enables the controls of `format` and reports the change.
    void setFormat(int format);

    QSlider* Quality = nullptr;
    QLabel* QualityLabel = nullptr;
    QCheckBox* Progressive = nullptr;
    // Leaves the dialog for the JPEG Compression Wizard.
    QPushButton* Wizard = nullptr;
    bool wizardRequested() const { return wizard_; }

    // The variant changed (the dialog's type-change event).
    std::function<void(int format)> typeChanged;

private:
    int format_;
    QStringList filters_;
    bool wizard_ = false;
};

// The chosen file and options, or nothing when cancelled; `wizard` set when
// the wizard button closed it.
std::optional<SaveChoice> ExecuteSaveDialog(QWidget* parent, const SaveDialogSetup& setup,
                                            const std::function<void(int format)>& typeChanged);

}  // namespace vimbra
