// The clipboard, printing and the zip tool from the main window.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QScrollArea>
#include <QScrollBar>

#include "desktop/clip_regions.h"
#include "desktop/print_page.h"
#include "imagefiles/qimage_bitmap.h"
#include "shell/main_window.h"
#include "shell/picture_view.h"
#include "shell/print_dialog.h"
#include "tools/unzip_window.h"

namespace vimbra {
namespace {

constexpr const char* kClipboardTooLarge = "Image may be too large for clipboard.\nFunction aborted.";

bool ClipboardHasPicture() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasImage();
}

}  // namespace

void MainWindow::onCopy() {
    if (ws_.Image.isEmpty()) return;
    try {
        QGuiApplication::clipboard()->setImage(WrapBitmap(ws_.Image).copy());
    } catch (const std::exception&) {
        showError(kClipboardTooLarge);
    }
}

void MainWindow::onCopyViewport() {
    onHand();
    const QScrollArea* box = scrollBox_;
    const SelRect region = ViewportRegion(
        box->horizontalScrollBar()->value(), box->verticalScrollBar()->value(),
        box->viewport()->width(), box->viewport()->height(), view_->width(), view_->height(),
        ws_.Image.width(), ws_.Image.height());
    if (region.isEmpty()) return;
    ws_.SelectionRect = region;
    try {
        const Bitmap part = CopyRegion(ws_.Image, region);
        QGuiApplication::clipboard()->setImage(WrapBitmap(part).copy());
    } catch (const std::exception&) {
        showError(kClipboardTooLarge);
    }
}

void MainWindow::onPaste() {
    // The picture is kept when there is nothing to paste or the edits stay.
    if (!ClipboardHasPicture()) return;
    if (ws_.Modified && CloseNow() != 6) return;
    const QImage image = QGuiApplication::clipboard()->image();
    Bitmap picture;
    try {
        picture = BitmapFromQImage(image);
    } catch (const std::exception&) {
        showError("Paste from clipboard failed.");
        return;
    }
    if (picture.isEmpty()) {
        showError("Paste from clipboard failed.");
        return;
    }
    takeNewPicture(std::move(picture));
}

void MainWindow::takeNewPicture(Bitmap picture) {
    ws_.setImage(std::move(picture));
    ws_.CurrentFileName = "Untitled";
    ws_.Modified = true;
    loaded_ = LoadedFile{};
    if (QAction* a = action("onReload")) a->setEnabled(false);
    view_->refresh();
    ChangeView();
    UpdateCaption();
    refreshStatusBar();
}

void MainWindow::onPasteSelection() {
    if (!ClipboardHasPicture() || ws_.SelectionRect.isEmpty()) return;
    Bitmap source;
    try {
        source = BitmapFromQImage(QGuiApplication::clipboard()->image());
    } catch (const std::exception&) {
        showError("Paste from clipboard failed.");
        return;
    }
    if (ws_.Image.depth() != 24 || !host_.AutoBackUp(ws_)) return;
    if (!PasteIntoSelection(ws_.Image, ws_.SelectionRect, source)) return;
    ws_.Modified = true;
    view_->refresh();
}

void MainWindow::onEmptyClipboard() { QGuiApplication::clipboard()->clear(); }

void MainWindow::onPrint() {
    if (ws_.Image.isEmpty()) return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Vimbra Graphic"));
    const QImage picture = WrapBitmap(ws_.Image);
    PrintDialog dialog(printer, QString::fromStdString(ws_.CurrentFileName), picture, this);
    dialog.onHelp = [this](int context) { onHelpContext(context); };
    const bool ok = printDialogHook ? printDialogHook(dialog) : dialog.exec() == QDialog::Accepted;
    if (!ok) return;
    ws_.StatusText = "Sending to printer...";
    refreshStatusBar();
    QPainter painter;
    if (!painter.begin(&printer)) {
        showError("Check printer.");
        StatusReady();
        return;
    }
    DrawPrintedPicture(painter, picture, dialog.placement());
    const bool done = painter.end();
    StatusReady();
    // The picture stays as it is: no reload, so unsaved edits are kept.
    if (done)
        host_.Ask(MessageKind::Information, "Image sent to printer.", Buttons::Ok);
    else
        showError("Printer did not respond.\ntry different print setting.");
}

UnzipWindow* MainWindow::unzipWindow(bool create) {
    if (!unzip_ && create) {
        unzip_ = new UnzipWindow(this);
        unzip_->onHelp = [this](int context) { onHelpContext(context); };
    }
    return unzip_;
}

void MainWindow::onUnzipper() {
    if (ws_.CriticalProcess) return;
    UnzipWindow* w = unzipWindow(true);
    w->show();
    w->raise();
}

}  // namespace vimbra
