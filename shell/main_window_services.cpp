// The desktop services of the main window: file associations, wallpaper and
// the scanner.
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QProgressDialog>
#include <QScreen>
#include <QStandardPaths>

#include "batch/gui/list_dialog.h"
#include "desktop/associations.h"
#include "desktop/wallpaper.h"
#include "imagefiles/qimage_bitmap.h"
#include "shell/main_window.h"
#include "shell/picture_view.h"
#include "shell/scan_dialog.h"
#include "shell/view_math.h"

namespace vimbra {
namespace {

constexpr const char* kScannerError = "TWAIN DLL error.\nCheck driver, device and connections.";

DesktopFolders Folders() {
    return CurrentDesktopFolders(
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString());
}

// Changes the cursor to the hourglass for the life of the object.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

CommandRunner MainWindow::desktopRunner() const {
    return desktopRunnerHook ? desktopRunnerHook : ProcessRunner();
}

void MainWindow::onAssociations(int mode) {
    if (mode == kAssociationsRemove) {
        if (host_.Ask(MessageKind::Confirmation,
                      "Remove the Vimbra file associations and restore the previous default "
                      "applications?",
                      Buttons::YesNo) != Answer::Yes)
            return;
        const AssociationOutcome r = RemoveAssociations(Folders(), desktopRunner());
        if (r.ok)
            host_.Ask(MessageKind::Information, r.message, Buttons::Ok);
        else
            showError(r.message);
        return;
    }
    const bool change = mode == kAssociationsChange;
    const std::vector<std::string> captions = AssociationCaptions();
    QStringList list;
    for (const std::string& c : captions) list << QString::fromStdString(c);
    const QString caption =
        QLatin1String(change ? "Change" : "Set") + QStringLiteral(" File Associations");
    const int n = listDialogHook ? listDialogHook(kListFileOps, caption, list)
                                 : ShowListDialog(this, kListFileOps, caption, list);
    if (n <= 0 || list.isEmpty()) return;
    std::vector<int> chosen;
    for (const QString& entry : list) {
        const auto it = std::find(captions.begin(), captions.end(), entry.toStdString());
        if (it != captions.end()) chosen.push_back(int(it - captions.begin()));
    }
    if (chosen.empty()) return;
    const DesktopFolders folders = Folders();
    if (!change) {
        const AssociationOutcome r =
            SetAssociations(folders, QCoreApplication::applicationFilePath().toStdString(), chosen,
                            desktopRunner());
        if (r.ok)
            host_.Ask(MessageKind::Information, r.message, Buttons::Ok);
        else
            showError(r.message);
        return;
    }
    // Change: one application a type; nothing picked leaves that type alone.
    for (int i : chosen) {
        const std::string name = captions[size_t(i)].substr(1, 3) + " file";
        const QString title = QString::fromStdString("Select Associated App for " + name);
        const QString app = applicationPickHook
                                ? applicationPickHook(title)
                                : QFileDialog::getOpenFileName(
                                      this, title, QStringLiteral("/usr/share/applications"),
                                      QStringLiteral("Applications (*.desktop);;Programs (*)"));
        if (app.isEmpty()) continue;
        const AssociationOutcome r =
            ChangeAssociations(folders, {i}, app.toStdString(), desktopRunner());
        if (!r.ok) {
            showError(r.message);
            return;
        }
    }
}

void MainWindow::onWallpaperSet() {
    // The working picture and its undo stay as they are: the wallpaper is a copy.
    if (ws_.Image.width() <= 128 || ws_.Image.height() <= 128) return;
    std::string path, error;
    {
        BusyCursor busy;
        QSize screenSize(1920, 1080);
        if (const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen())
            screenSize = s->geometry().size() * s->devicePixelRatio();
        const ViewSize target = FitInBox(ws_.Image.width(), ws_.Image.height(), screenSize.width(),
                                         screenSize.height());
        try {
            const QImage scaled = WrapBitmap(ws_.Image).scaled(
                target.width, target.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            path = WriteWallpaperFile(BitmapFromQImage(scaled), Folders().appData, error);
        } catch (const std::exception& e) {
            error = e.what();
        }
    }
    if (path.empty()) {
        showError(error);
        return;
    }
    const WallpaperEnvironment env =
        wallpaperEnvironmentHook ? wallpaperEnvironmentHook() : CurrentWallpaperEnvironment();
    const WallpaperOutcome r = SetDesktopWallpaper(env, desktopRunner(), path);
    if (!r.ok) showError(r.message);
}

void MainWindow::onWallpaperClear() {
    const WallpaperEnvironment env =
        wallpaperEnvironmentHook ? wallpaperEnvironmentHook() : CurrentWallpaperEnvironment();
    const WallpaperOutcome r = ClearDesktopWallpaper(env, desktopRunner());
    if (!r.ok) showError(r.message);
}

void MainWindow::onScanSelect() {
    std::string error;
    std::vector<ScannerDevice> devices;
    {
        BusyCursor busy;
        devices = ListScanners(error);
    }
    if (devices.empty()) {
        showError(kScannerError);
        return;
    }
    QStringList labels;
    int current = 0;
    for (size_t i = 0; i < devices.size(); ++i) {
        labels << QString::fromStdString(devices[i].name + " - " + devices[i].label);
        if (devices[i].name == scannerDevice_) current = int(i);
    }
    const qsizetype index = deviceChoiceHook ? labels.indexOf(deviceChoiceHook(labels))
                                             : ChooseScanner(this, labels, current);
    if (index < 0) return;
    scannerDevice_ = devices[size_t(index)].name;
    onScanAcquire();
}

void MainWindow::onScanAcquire() {
    if (scannerDevice_.empty()) {
        std::string error;
        const std::vector<ScannerDevice> devices = ListScanners(error);
        if (devices.empty()) {
            showError(kScannerError);
            return;
        }
        scannerDevice_ = devices.front().name;
    }
    std::string error;
    const ScannerCapabilities caps = QueryScanner(scannerDevice_, error);
    if (!error.empty()) {
        showError(std::string(kScannerError) + "\n\n" + error);
        return;
    }
    ScanRequest request{scannerDevice_, StartResolution(caps), caps.mode, {}};
    if (scanDialogHook) {
        if (!scanDialogHook(request)) return;
    } else {
        ScanDialog dialog(QString::fromStdString(scannerDevice_), caps, this);
        if (dialog.exec() != QDialog::Accepted) return;
        request.resolution = dialog.resolution();
        request.mode = dialog.mode();
    }
    // Asked before the scan; the picture stays when the scan comes to nothing.
    const bool wasModified = ws_.Modified;
    if (ws_.Modified && CloseNow() != 6) return;
    QProgressDialog progress(tr("Scanning..."), tr("Cancel"), 0, 100, this);
    progress.setWindowTitle(tr("Acquire"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    ScanOutcome scan = ScanPage(request, [&](int percent) {
        if (percent < 0)
            progress.setRange(0, 0);
        else
            progress.setValue(percent);
        QCoreApplication::processEvents();
        return !progress.wasCanceled() && !(scanCancelHook && scanCancelHook(percent));
    });
    progress.reset();
    if (!scan.ok()) {
        ws_.Modified = wasModified;
        host_.Ask(MessageKind::Information,
                  scan.error.empty() ? "TWAIN acquisition aborted."
                                     : "TWAIN acquisition aborted.\n\n" + scan.error,
                  Buttons::Ok);
        return;
    }
    takeNewPicture(std::move(scan.picture));
}

}  // namespace vimbra
