// Tools > JPEG > Compress: the JPEG Compression Wizard and its Save As.
#include <algorithm>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QSaveFile>
#include <QSettings>

#include "shell/main_window.h"
#include "tools/effects_dialog.h"

namespace vimbra {

void MainWindow::onCompress() {
    // In a batch the wizard only chooses the settings, picture or not.
    const bool batch = ws_.BatchRunning;
    if (!batch && (ws_.Image.isEmpty() || ws_.CriticalProcess)) return;
    if (!jpegWizard_.isLoaded()) jpegWizard_ = SettingsStore(*settingsFile_).readJpegWizard();
    FilterDlgParam param;
    param.title = "JPEG Compression Wizard";
    param.sliders[0] = SliderParam{0, 255, std::clamp(jpegWizard_.smoothingAmount, 0, 255), 16, 1,
                                   "0 (none)", "255 (fuzzy)"};
    param.EffectCode = batch ? 998 : 999;
    wizardName_ = QFileInfo(QString::fromStdString(ws_.CurrentFileName)).completeBaseName();
    // The wizard works on copies: the picture is never changed, so there is
    // nothing to undo afterwards (and a batch keeps its picture).
    ExecuteJpegWizard(
        this, ws_, param, jpegWizard_,
        [this](const std::vector<uint8_t>& stream) { saveCompressed(stream); }, host_.effectsDriver,
        host_.colourManage);
    StatusReady();
}

void MainWindow::saveCompressed(const std::vector<uint8_t>& stream) {
    if (stream.empty()) return;
    SaveDialogSetup setup;
    setup.filters = {QStringLiteral("JPG (JPEG/JFIF)  24-bit color (*.jpg)")};
    setup.format = 1;
    setup.folder = InitialSaveFolder(saveDir_, history_->text(), QApplication::applicationDirPath());
    saveDir_ = setup.folder;
    setup.name = wizardName_;
    const std::optional<SaveChoice> choice =
        askSaveTarget(setup, SaveFormat::Jpeg, [this](const SaveDialogSetup& s) -> std::optional<SaveChoice> {
            const QString path = QFileDialog::getSaveFileName(
                this, QStringLiteral("Save As"), QDir(s.folder).filePath(s.name), s.filters.front(),
                nullptr, QFileDialog::DontConfirmOverwrite);
            if (path.isEmpty()) return std::nullopt;
            SaveChoice c;
            c.path = path;
            c.format = 1;
            return c;
        });
    if (!choice || choice->wizard) return;
    // The wizard may have made greys, which the colour profile does not describe.
    bool grey = false;
    try {
        grey = ReadJpegInfo(stream).bitCount == 8;
    } catch (const ImageFileError&) {
    }
    const auto metadata = MetadataToSave(ws_, grey ? SaveFormat::JpegGrey : SaveFormat::Jpeg,
                                         settings_.keepMetadata);
    const std::vector<uint8_t> bytes = metadata ? WithMetadata(stream, *metadata) : stream;
    QSaveFile file(choice->path);
    const auto size = qint64(bytes.size());
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(bytes.data()), size) != size || !file.commit()) {
        showError(WriteFailureMessage(SaveFormat::Jpeg, choice->path.toStdString()));
        return;
    }
    const QFileInfo saved(choice->path);
    saveDir_ = saved.absolutePath();
    wizardName_ = saved.completeBaseName();
}

}  // namespace vimbra
