// File menu: open (dialog, several files, reopen), reload, new, save as with
// the twelve variants, file information and the page commands.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QScrollArea>
#include <QStringList>

#include "filters/gui/resize_dialog.h"
#include "imagefiles/file_info.h"
#include "imagefiles/jpeg_settings.h"
#include "shell/save_options.h"
#include "shell/picture_view.h"
#include "shell/main_window.h"
#include "tools/unzip_window.h"

namespace vimbra {
namespace {

// The open dialog's filters in Qt's notation.
QStringList OpenFilters() {
    return {
        QStringLiteral("All validated formats (*.jp? *.jpeg *.png *.bmp *.dib *.?cx *.pcd *.tif "
                       "*.tga *.rtf *.avl *.txt *.wmf *.emf *.psd *.webp *.avif *.heic *.heif *.jxl)"),
        QStringLiteral("AVIF (AV1 Image) (*.avif)"),
        QStringLiteral("BMP (Windows Bitmaps) (*.bmp *.dib)"),
        QStringLiteral("HEIC (HEIF Image) (*.heic *.heif)"),
        QStringLiteral("JPG (JPEG/JFIF) (*.jp? *.jpeg)"),
        QStringLiteral("JXL (JPEG XL) (*.jxl)"),
        QStringLiteral("PCD (Kodak Photo-CD) (*.pcd)"),
        QStringLiteral("PCX (ZSoft) (*.pcx)"),
        QStringLiteral("PNG (Portable Network Graphics) (*.png)"),
        QStringLiteral("PSD (Photoshop) (*.psd)"),
        QStringLiteral("TGA (Truevision Targa) (*.tga)"),
        QStringLiteral("TIF (Aldus TIFF) (*.tif)"),
        QStringLiteral("WEBP (WebP) (*.webp)"),
        QStringLiteral("WMF (Windows Metafile) (*.wmf *.emf)"),
        QStringLiteral("All files (no validation) (*)"),
    };
}

QString FolderOf(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).absolutePath();
}

}  // namespace

LoadOptions MainWindow::loadOptions() const {
    LoadOptions o;
    o.fitToWindow = FitToWindow;
    o.halfJpeg = HalfJpeg;
    o.autoReduce = settings_.AutoReduce;
    o.jpegPalette = settings_.JpegPalette;
    o.faxQuality = settings_.FaxQuality;
    o.photoCdStep = settings_.PhotoCdStep;
    o.applyOrientation = settings_.autoOrient;
    const QColor c = scrollBox_->palette().color(QPalette::Base);
    o.backColor = PaletteEntry{uint8_t(c.red()), uint8_t(c.green()), uint8_t(c.blue()), 0};
    o.viewWidth = ViewAreaWidth();
    o.viewHeight = ViewAreaHeight();
    return o;
}

void MainWindow::onOpen() {
    if (ws_.Modified && CloseNow() != 6) return;
    if (media_.MediaMode) setMediaMode(false);
    const QStringList files = QFileDialog::getOpenFileNames(
        this, QStringLiteral("Open"), openDir_, OpenFilters().join(QStringLiteral(";;")));
    if (files.isEmpty()) return;
    std::vector<std::string> paths;
    for (const QString& f : files) paths.push_back(f.toStdString());
    openFiles(paths);
}

bool MainWindow::openPicture(const std::string& path, bool askFirst) {
    if (ws_.CriticalProcess) {
        CloseNow();
        return false;
    }
    if (IsScriptFile(path)) {
        OpenBIPfile(path);
        return false;
    }
    if (askFirst && ws_.Modified && CloseNow() != 6) return false;
    const FileKind kind = ClassifyFile(path);
    if (kind == FileKind::Slideshow) return startAvlShow(path);
    if (kind == FileKind::Media) return OpenMedium(path);
    if (kind == FileKind::Text || kind == FileKind::RichText) return DecodeMemo(path);
    if (kind == FileKind::Archive) {
        // The zip tool takes archives, from the command line as from a drop.
        unzipWindow(true)->Populate(QString::fromStdString(path));
        onUnzipper();
        return false;
    }
    if (media_.MediaMode) setMediaMode(false);
    onHand();
    ws_.StatusText = "Loading...";
    refreshStatusBar();
    view_->setSuspendPaint(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const LoadResult r = LoadImageFile(ws_, path, 0, loadOptions());
    QApplication::restoreOverrideCursor();
    view_->SuspendPaint = false;
    if (!r) {
        // The picture shown before stays, and so does its name.
        ws_.StatusText = "Ready.";
        refreshStatusBar();
        view_->refresh();
        if (!ws_.BatchRunning) {
            // Navigation may have passed over several files: say which one failed.
            const std::string name = QFileInfo(QString::fromStdString(path)).fileName().toStdString();
            showError(r.message.find(name) == std::string::npos ? name + ": " + r.message : r.message);
        }
        return false;
    }
    FinishLoad(path, r.file);
    return true;
}

// Everything a successful load does after decoding, whether the picture was
// decoded now or ahead by the preloader.
void MainWindow::FinishLoad(const std::string& path, const LoadedFile& file) {
    host_.undo().forget();
    loaded_ = file;
    previousFileName_ = path;
    // Pages are never reshaped: a multipage file returns the view to 1:1.
    if (loaded_.pageCount > 1 && AspectMode != kAspectMonitor) {
        AspectMode = kAspectMonitor;
        interpreter_->options.aspectCorrection = false;
        for (int m = kAspectMonitor; m <= kAspectWide; ++m)
            if (QAction* a = action("onAspect", m)) a->setChecked(m == kAspectMonitor);
    }
    ApplyViewAdjustments();
    if (loaded_.pageCount > 1)
        ws_.StatusText = PageStatusText(loaded_.currentPage, loaded_.pageCount);
    ZoomPercent = 100;
    clearRubberBand();
    ws_.SelectionRect = SelRect{0, 0, ws_.ImageWidth, ws_.ImageHeight};
    EnableControls();
    if (ws_.CurrentFileName != "Untitled") {
        UpdateHistory(bookmarks_, ws_);
        openDir_ = FolderOf(path);
    }
    HistoryControls();
    if (QAction* a = action("onReload")) a->setEnabled(ws_.CurrentFileName != "Untitled");
    view_->refresh();
    // An animation plays while it is shown; the working picture is its first frame.
    if (!ws_.BatchRunning && file.pageCount == 1) view_->playAnimation(path, loadOptions().backColor);
    ChangeView();
    UpdateCaption();
    refreshStatusBar();
}

void MainWindow::onReload() {
    if (ws_.CurrentFileName.empty() || ws_.CurrentFileName == "Untitled") return;
    openPicture(ws_.CurrentFileName);
}

void MainWindow::onNew() {
    const QString title = QStringLiteral("New Image");
    const ResizeResult r = resizeDialogHook
                               ? resizeDialogHook(title, 640, 480, 32000, 32000)
                               : ExecuteResizeDialog(this, -1, -1, 640, 480, title, -2, 32000, 32000);
    if (r.width <= 15 || r.height <= 15) return;
    if (!host_.AutoBackUp(ws_)) return;
    Bitmap picture;
    try {
        picture = Bitmap(r.width, r.height, 24);
    } catch (const std::exception&) {
        showError("Not enough memory for a new picture.");
        return;
    }
    const QColor c = r.color.isValid() ? r.color : QColor(Qt::white);
    for (int y = 0; y < picture.height(); ++y) {
        uint8_t* row = picture.scanLine(y);
        for (int x = 0; x < picture.width(); ++x) {
            row[3 * x] = uint8_t(c.blue());
            row[3 * x + 1] = uint8_t(c.green());
            row[3 * x + 2] = uint8_t(c.red());
        }
    }
    ws_.setImage(std::move(picture));
    ws_.CurrentFileName = "Untitled";
    ws_.Modified = true;
    loaded_ = LoadedFile{};
    EnableControls();
    UpdateCaption();
    if (QAction* a = action("onReload")) a->setEnabled(false);
    view_->refresh();
    ChangeView();
    UpdateCaption();
    refreshStatusBar();
}

void MainWindow::SaveDialogTypeChange(int format) {
    if (format == int(SaveFormat::TiffAdobeDeflate))
        host_.AskReplySilenceable("SaveDialogTypeChange", MessageKind::Warning, kAdobeTiffWarning,
                                  {Reply::Ok});
}

std::optional<SaveChoice> MainWindow::askSaveTarget(SaveDialogSetup& setup,
                                                    std::optional<SaveFormat> fixedFormat,
                                                    const SaveDialogRunner& runDialog) {
    for (;;) {
        std::optional<SaveChoice> choice = saveDialogHook ? saveDialogHook(setup) : runDialog(setup);
        if (!choice || choice->wizard) return choice;
        // The dialog keeps its variant and options from one save to the next.
        setup.format = choice->format;
        setup.quality = choice->quality;
        setup.progressive = choice->progressive;
        const SaveFormat format =
            fixedFormat.value_or(SaveFormatFromNumber(choice->format).value_or(SaveFormat::Png));
        choice->path = QString::fromStdString(ApplyExtensionRule(choice->path.toStdString(), format));
        const QFileInfo info(choice->path);
        if (!info.exists()) return choice;
        QApplication::beep();
        const Reply a = host_.AskReply(MessageKind::Confirmation,
                                       info.fileName().toStdString() + " exists.\nOverwrite?",
                                       {Reply::Yes, Reply::No, Reply::Cancel});
        if (a == Reply::Yes) return choice;
        if (a == Reply::Cancel) return std::nullopt;
        setup.folder = info.absolutePath();
        setup.name = info.fileName();
    }
}

void MainWindow::onSave() {
    if (ws_.Image.isEmpty()) return;
    SaveDialogSetup setup;
    setup.filters = SaveNameFilters(ws_.ImageBitDepth);
    setup.folder = InitialSaveFolder(saveDir_, history_->text(), QApplication::applicationDirPath());
    const std::string& current = ws_.CurrentFileName;
    setup.name = QFileInfo(QString::fromStdString(current)).completeBaseName();
    setup.format = std::clamp(saveFilter_, 1, kLastSaveFormat);
    setup.quality = saveQuality_;
    setup.progressive = saveProgressive_;
    const std::optional<SaveChoice> choice =
        askSaveTarget(setup, std::nullopt, [this](const SaveDialogSetup& s) {
            return ExecuteSaveDialog(this, s, [this](int f) { SaveDialogTypeChange(f); });
        });
    saveFilter_ = setup.format;
    saveQuality_ = setup.quality;
    saveProgressive_ = setup.progressive;
    if (!choice) return;
    if (choice->wizard) {
        onCompress();
        return;
    }
    const SaveFormat format = SaveFormatFromNumber(saveFilter_).value_or(SaveFormat::Png);
    const std::string target = choice->path.toStdString();
    const QFileInfo info(choice->path);
    ws_.StatusText = "Saving " + info.fileName().toStdString() + " ...";
    refreshStatusBar();
    SaveOptions options;
    options.quality = saveQuality_;
    options.progressive = saveProgressive_;
    options.autoReduce = settings_.AutoReduce;
    options.freeSpace = freeSpaceHook;
    const auto metadata = MetadataToSave(ws_, format, settings_.keepMetadata);
    options.metadata = metadata ? &*metadata : nullptr;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SaveResult saved;
    try {
        saved = SaveImageFile(ws_, target, format, options);
    } catch (...) {
        // The error handler must keep the picture whatever the message says.
        saveFailed_ = true;
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    if (saved.status != SaveStatus::DiskFull) saveDir_ = info.absolutePath();
    switch (saved.status) {
        case SaveStatus::Saved:
            // A file saved under a new name joins the bookmarks.
            if (history_->text().toLower().toStdString() !=
                QString::fromStdString(saved.path).toLower().toStdString()) {
                UpdateHistory(bookmarks_, ws_);
                HistoryControls();
            }
            if (QAction* a = action("onReload")) a->setEnabled(true);
            UpdateCaption();
            break;
        case SaveStatus::DiskFull:
            host_.Ask(MessageKind::Warning, saved.message, Buttons::Ok);
            break;
        case SaveStatus::Failed:
            showError(saved.detail.empty() ? saved.message : saved.message + "\n" + saved.detail);
            break;
    }
    StatusReady();
}

void MainWindow::onImageInfo() {
    if (ws_.CurrentFileName.empty() || ws_.CurrentFileName == "Untitled") return;
    try {
        FileInfoInput in = FileInfoFor(ws_, loaded_);
        // A JPEG's information goes with its EXIF and comments into JPEG Text.
        in.jpegLayout = readJpegInfoFor(ws_.CurrentFileName);
        const std::string text = FileInfoText(in);
        if (in.jpegLayout) showJpegInfo(text);
        else host_.Ask(MessageKind::Information, text, Buttons::Ok);
    } catch (const std::exception& e) {
        showError(e.what());
    }
}

void MainWindow::onPageChange(int tag) {
    if (loaded_.pageCount <= 1) return;
    if (ws_.Modified && CloseNow() != 6) return;
    const PageStep step = tag == 1    ? PageStep::Next
                          : tag == -1 ? PageStep::Previous
                          : tag == 0  ? PageStep::First
                                      : PageStep::Last;
    const int page = PageAfter(step, loaded_.currentPage, loaded_.pageCount);
    const std::string path = ws_.CurrentFileName;
    const LoadResult r = LoadImageFile(ws_, path, page, loadOptions());
    if (!r) {
        showError(r.message);
        return;
    }
    host_.undo().forget();
    const int zoom = ZoomPercent;
    loaded_ = r.file;
    ApplyViewAdjustments();
    ZoomPercent = zoom;
    ws_.StatusText = PageStatusText(loaded_.currentPage, loaded_.pageCount);
    view_->refresh();
    ChangeView();
    refreshStatusBar();
}

}  // namespace vimbra
