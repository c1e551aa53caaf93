// Image > Analyze and the Info button's report forms, and the JPEG Text tool
// with its use by the file information.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QStandardPaths>

#include "filters/analysis_report.h"
#include "imagefiles/jpeg_metadata.h"
#include "shell/main_window.h"
#include "shell/picture_view.h"
#include "tools/jpeg_text_window.h"

namespace vimbra {

void MainWindow::onAnalyze(Qt::KeyboardModifiers mods, bool infoButton) {
    const bool complexity = mods & Qt::ShiftModifier;
    bool compare = (mods & Qt::ControlModifier) && bookmarks_.size() >= 2;
    if (!infoButton && bookmarks_.size() == 2) compare = true;
    if (infoButton && !compare && !complexity) {
        onImageInfo();
        return;
    }
    if (ws_.CriticalProcess || ws_.Image.isEmpty()) return;
    // A region is analysed once Crop exists; until then the whole picture.
    std::vector<PictureAnalysis> results;
    for (int pass = 0; pass < (compare ? 2 : 1); ++pass) {
        if (pass == 1) {
            onNextImage();
            for (int i = 0; i < 3; ++i) QApplication::processEvents();
        }
        const std::string name = ws_.CurrentFileName;
        const QFileInfo file(QString::fromStdString(name));
        if (!file.isFile()) {
            host_.Ask(MessageKind::Error, file.fileName().toStdString() + " not found.", Buttons::Ok);
            return;
        }
        AnalysisRequest request;
        request.fileName = name;
        request.fileSize = uint32_t(file.size());
        request.modified = ws_.Modified || HalfJpeg || FitToWindow;
        request.complexity = complexity;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        std::optional<PictureAnalysis> a;
        try {
            a = AnalyzeWorkingImage(ws_, request);
        } catch (const std::exception& e) {
            QApplication::restoreOverrideCursor();
            showError(e.what());
            return;
        }
        QApplication::restoreOverrideCursor();
        view_->refresh();
        if (!a) return;  // the undo snapshot was refused and said why
        results.push_back(std::move(*a));
    }
    StatusReady();
    if (!compare &&
        host_.Ask(MessageKind::Information, SingleMessageText(results[0]) + "\n\nSave to text file?",
                  Buttons::YesNo) != Answer::Yes)
        return;
    const std::vector<std::string> lines = compare ? CompareReportLines(results[0], results[1])
                                                   : PictureReportLines(results[0], true);
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(folder);
    std::string path;
    try {
        path = WriteImageReport(lines, folder.toStdString());
    } catch (const std::exception& e) {
        showError(e.what());
        return;
    }
    if (!openReport(path)) host_.Ask(MessageKind::Error, "Text viewer not found.", Buttons::Ok);
}

JpegTextWindow* MainWindow::jpegTextWindow(bool create) {
    if (!jpegText_ && create) {
        jpegText_ = new JpegTextWindow(host_, settings_.commentToolBounds, this);
        jpegText_->onHelp = [this](int context) { onHelpContext(context); };
        jpegText_->onStoreBounds = [this](const WindowBounds& b) { settings_.commentToolBounds = b; };
    }
    return jpegText_;
}

void MainWindow::onJpegText() {
    JpegTextWindow* w = jpegTextWindow(true);
    w->show();
    w->raise();
    w->activateWindow();
}

bool MainWindow::readJpegInfoFor(const std::string& path) {
    if (!IsJpegFileName(path) || !QFileInfo(QString::fromStdString(path)).isFile()) return false;
    try {
        jpegTextWindow(true)->ReadJpegInfo(QString::fromStdString(path));
        return true;
    } catch (const std::exception&) {
        host_.Ask(MessageKind::Warning, path + "\nBad header; corrupted.", Buttons::Ok);
        return false;
    }
}

void MainWindow::showJpegInfo(const std::string& text) {
    JpegTextWindow* w = jpegTextWindow(true);
    w->labelData()->setText(QStringLiteral("View: ") + QString::fromStdString(text));
    w->show();
    w->raise();
}

}  // namespace vimbra
