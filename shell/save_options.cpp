#include "shell/save_options.h"

#include <algorithm>

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "imagefiles/jpeg_settings.h"

namespace vimbra {

SaveFormatControls ControlsFor(SaveFormat format) {
    switch (format) {
        case SaveFormat::JpegGrey:
        case SaveFormat::Jpeg: return {true, true};
        case SaveFormat::Png: return {false, true};
        case SaveFormat::Webp:
        case SaveFormat::Avif:
        case SaveFormat::Jxl: return {true, false};
        default: return {};
    }
}

QStringList SaveNameFilters(int imageBitDepth) {
    QStringList filters;
    const QStringList parts =
        QString::fromStdString(SaveDialogFilter(imageBitDepth)).split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i] + QStringLiteral(" (") + parts[i + 1] + QLatin1Char(')');
    return filters;
}

int SaveFormatOfFilter(const QString& filter) {
    for (int n = 1; n <= kLastSaveFormat; ++n)
        if (filter.startsWith(QString::fromUtf8(SaveFormatText(SaveFormat(n))) + QStringLiteral(" (")))
            return n;
    return 0;
}

QString InitialSaveFolder(const QString& saveDir, const QString& pathBoxText,
                          const QString& programDir) {
    if (!saveDir.isEmpty() && QFileInfo(saveDir).isDir()) return saveDir;
    if (!pathBoxText.isEmpty()) {
        const QString folder = QFileInfo(pathBoxText).absolutePath();
        if (QFileInfo(folder).isDir()) return folder;
    }
    return programDir;
}

QString QualityText(int quality) {
    return QStringLiteral("&Quality %1 (JPEG %2)")
        .arg(quality)
        .arg(LibjpegQuality(JpegQualityScale::SaveDialog, quality));
}

SaveAsDialog::SaveAsDialog(const SaveDialogSetup& setup, QWidget* parent)
    : QFileDialog(parent, QStringLiteral("Save Image As"), setup.folder),
      format_(setup.format),
      filters_(setup.filters) {
    // The option row needs the dialog's own layout.
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::DontConfirmOverwrite);
    setAcceptMode(QFileDialog::AcceptSave);
    setNameFilters(filters_);

    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    QualityLabel = new QLabel(row);
    Quality = new QSlider(Qt::Horizontal, row);
    Quality->setObjectName(QStringLiteral("Quality"));
    Quality->setRange(1, 100);
    Quality->setPageStep(10);
    Quality->setValue(std::clamp(setup.quality, 1, 100));
    QualityLabel->setBuddy(Quality);
    QualityLabel->setText(QualityText(Quality->value()));
    Progressive = new QCheckBox(QStringLiteral("&Progressive"), row);
    Progressive->setObjectName(QStringLiteral("Progressive"));
    Progressive->setChecked(setup.progressive);
    h->addWidget(QualityLabel);
    h->addWidget(Quality, 1);
    h->addWidget(Progressive);
    // Offered whatever the variant.
    Wizard = new QPushButton(QStringLiteral("JPEG &Wizard..."), row);
    Wizard->setObjectName(QStringLiteral("Wizard"));
    h->addWidget(Wizard);
    connect(Wizard, &QPushButton::clicked, this, [this] {
        wizard_ = true;
        reject();
    });
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(row, grid->rowCount(), 0, 1, grid->columnCount());
    connect(Quality, &QSlider::valueChanged, this,
            [this](int v) { QualityLabel->setText(QualityText(v)); });
    connect(this, &QFileDialog::filterSelected, this, [this](const QString& filter) {
        if (const int f = SaveFormatOfFilter(filter)) setFormat(f);
    });

    // The variant's own filter, or the nearest one below it that is offered
    // (a fax variant remembered from a 1-bit picture).
    int shown = 0;
    for (const QString& filter : filters_) {
        const int f = SaveFormatOfFilter(filter);
        if (f <= format_ && f > shown) shown = f;
    }
    format_ = shown > 0 ? shown : int(SaveFormat::Png);
    for (const QString& filter : filters_)
        if (SaveFormatOfFilter(filter) == format_) selectNameFilter(filter);
    selectFile(setup.name);
    const SaveFormatControls c =
        ControlsFor(SaveFormatFromNumber(format_).value_or(SaveFormat::Png));
    Quality->setEnabled(c.quality);
    QualityLabel->setEnabled(c.quality);
    Progressive->setEnabled(c.progressive);
}

void SaveAsDialog::setFormat(int format) {
    format_ = format;
    const SaveFormatControls c = ControlsFor(SaveFormatFromNumber(format).value_or(SaveFormat::Png));
    Quality->setEnabled(c.quality);
    QualityLabel->setEnabled(c.quality);
    Progressive->setEnabled(c.progressive);
    if (typeChanged) typeChanged(format);
}

SaveChoice SaveAsDialog::choice() const {
    SaveChoice c;
    c.path = selectedFiles().isEmpty() ? QString() : selectedFiles().front();
    c.format = format_;
    c.quality = Quality->value();
    c.progressive = Progressive->isChecked();
    return c;
}

std::optional<SaveChoice> ExecuteSaveDialog(QWidget* parent, const SaveDialogSetup& setup,
                                            const std::function<void(int format)>& typeChanged) {
    SaveAsDialog dlg(setup, parent);
    dlg.typeChanged = typeChanged;
    if (dlg.exec() != QDialog::Accepted) {
        if (!dlg.wizardRequested()) return std::nullopt;
        SaveChoice wizard;
        wizard.wizard = true;
        return wizard;
    }
    SaveChoice c = dlg.choice();
    if (c.path.isEmpty()) return std::nullopt;
    return c;
}

}  // namespace vimbra
