// The geometry commands from the menus: size, rotation, mirror, crop, trim,
// borders and the numeric and grid selections. The work itself is done by the
// geometry commands; this side asks the dialogs and keeps the view in step.
#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QScrollArea>

#include "commands/geometry_commands.h"
#include "filters/memory_guard.h"
#include "imagefiles/qimage_bitmap.h"
#include "shell/main_window.h"
#include "shell/options_dialog.h"
#include "shell/picture_view.h"

namespace vimbra {
namespace {

constexpr int kMaxScaledSide = 16384;
constexpr int kMaxBorder = 127;
constexpr const char* kClipboardFull = "Image may be too large for clipboard.\nFunction aborted.";

bool ShiftHeld() { return QApplication::keyboardModifiers() & Qt::ShiftModifier; }

}  // namespace

void MainWindow::registerGeometryHandlers() {
    handlers_[HandlerName(ViewerAction::Resize)] = [this](int) { onResize(); };
    handlers_[HandlerName(ViewerAction::Resample)] = [this](int) { onResample(); };
    handlers_[HandlerName(ViewerAction::AutoResize)] = [this](int) { onAutoResize(); };
    handlers_[HandlerName(ViewerAction::Rotate)] = [this](int tag) { onRotate(tag); };
    handlers_[HandlerName(ViewerAction::Mirror)] = [this](int tag) { onMirror(tag); };
    handlers_[HandlerName(ViewerAction::Crop)] = [this](int) { onCrop(); };
    handlers_[HandlerName(ViewerAction::CopySelection)] = [this](int) { onCopySelection(); };
    handlers_[HandlerName(ViewerAction::Trim)] = [this](int) { onTrim(); };
    handlers_[HandlerName(ViewerAction::Border)] = [this](int) { onBorder(); };
    handlers_[HandlerName(ViewerAction::Mask)] = [this](int) { onMask(); };
    // Mask in its select-all form: the whole picture, whatever was selected.
    handlers_[HandlerName(ViewerAction::SelectAll)] = [this](int) {
        if (!ws_.Image.isEmpty() && !ws_.CriticalProcess) askSelection(true);
    };
    handlers_[HandlerName(ViewerAction::Grid)] = [this](int tag) { onGrid(tag); };
}

void MainWindow::afterGeometry() {
    view_->refresh();
    ChangeView();
    StatusReady();
}

// The size dialog in its scaling form, for the picture as it is.
ResizeResult MainWindow::askNewSize(const QString& title) {
    const int w = ws_.Image.width(), h = ws_.Image.height();
    return resizeDialogHook ? resizeDialogHook(title, w, h, kMaxScaledSide, kMaxScaledSide)
                            : ExecuteResizeDialog(this, 0, 0, w, h, title, ws_.Image.depth(),
                                                  kMaxScaledSide, kMaxScaledSide);
}

void MainWindow::onResize() {
    if (ws_.Image.isEmpty() || ws_.CriticalProcess) return;
    const ResizeResult r = askNewSize(QStringLiteral("Image Resize"));
    if (r.width < 1 || r.height < 1) return;
    ResizeCommand(ws_, r.width, r.height, r.copyOp);
    afterGeometry();
}

void MainWindow::onResample() {
    if (ws_.Image.isEmpty() || ws_.CriticalProcess) return;
    if (ResampleRunsResize(ws_)) {
        onResize();
        return;
    }
    const ResizeResult r = askNewSize(QStringLiteral("Image Resample"));
    if (r.width < 1 || r.height < 1) return;
    ResampleCommand(ws_, r.width, r.height);
    afterGeometry();
}

void MainWindow::onAutoResize() {
    if (ws_.Image.isEmpty() || ws_.CriticalProcess) return;
    AutoResizeCommand(ws_, ViewAreaWidth(), ViewAreaHeight());
    afterGeometry();
    UpdateHistoryEdit();
}

void MainWindow::onRotate(int tag) {
    if (ws_.Image.isEmpty() || ws_.CriticalProcess) return;
    int32_t angle = 0;
    if (tag == 9000 || tag == 27000) {
        angle = RotateAngleForDegrees(tag / 100);
    } else {
        // Normal counts whole degrees, Fine hundredths.
        const int32_t unit = tag == 2 ? 100 : 1;
        ScrollDialogSettings p;
        p.Min = 1;
        p.Max = 360 * unit - 1;
        p.Position = 90 * unit;
        p.LargeStep = 3 * unit;
        p.SmallStep = 1;
        const int32_t presets[6] = {30, 45, 60, 90, 180, 270};
        for (int i = 0; i < 6; ++i) p.Presets[i] = presets[i] * unit;
        const int v = runScrollDialog(QStringLiteral("Rotate image (deg.)"), p);
        if (v == kDialogCancelled) return;
        const int32_t value = std::clamp<int32_t>(v, p.Min, p.Max);
        angle = unit == 1 ? RotateAngleForDegrees(value) : RotateAngleForHundredths(value);
    }
    ws_.BackgroundColor =
        QColorToBackColor(BackColorToQColor(settings_.BackColor, scrollBox_->palette()));
    RotateCommand(ws_, angle);
    afterGeometry();
}

void MainWindow::onMirror(int tag) {
    if (ws_.Image.isEmpty() || ws_.CriticalProcess) return;
    MirrorCommand(ws_, tag == 0);
    afterGeometry();
}

bool MainWindow::askSelection(bool wholePicture) {
    const bool onScreen = !rubberBand_.isEmpty();
    onHand();
    view_->update();
    const int w = ws_.ImageWidth, h = ws_.ImageHeight;
    SelRect s = lastRegion_;
    if (wholePicture || !onScreen || !haveRegion_ || s.isEmpty() || s.right > w || s.bottom > h)
        s = SelRect{0, 0, w, h};
    const QString title = QStringLiteral("Adjust Selection");
    const ResizeResult r =
        resizeDialogHook ? resizeDialogHook(title, s.right - s.left, s.bottom - s.top, w, h)
                         : ExecuteResizeDialog(this, s.left, s.top, s.right - s.left,
                                               s.bottom - s.top, title, 0, h, w);
    if (r.width < 1 || r.height < 1) return false;
    showChosenSelection(MaskSelection(r.x, r.y, r.width, r.height));
    return true;
}

void MainWindow::showChosenSelection(const SelRect& rect) {
    const SelRect inside = ClampToPicture(rect, ws_.ImageWidth, ws_.ImageHeight);
    if (inside.isEmpty()) return;
    onSelect();
    ws_.SelectionRect = inside;
    lastRegion_ = inside;
    haveRegion_ = true;
    // Any non-empty band: DisplaySelection maps the selection onto the view.
    rubberBand_ = QRect(0, 0, 1, 1);
    DisplaySelection();
    setSelectionItemsEnabled(true);
}

void MainWindow::onMask() {
    if (ws_.Image.isEmpty() || ws_.CriticalProcess) return;
    askSelection(ShiftHeld());
}

void MainWindow::onCrop() {
    if (ws_.Image.isEmpty() || ws_.CriticalProcess || MemoryRunningLow(ws_)) return;
    // A fitted view is coarse: the user confirms the selection in numbers.
    if (FitToWindow) askSelection(ShiftHeld());
    const bool cropped = CropCommand(ws_);
    onHand();
    if (cropped) ws_.SelectionRect = SelRect{0, 0, ws_.ImageWidth, ws_.ImageHeight};
    afterGeometry();
}

bool MainWindow::copySelection() {
    const std::optional<Bitmap> part = CopySelectionBitmap(ws_);
    if (!part) return false;
    QImage image;
    try {
        image = WrapBitmap(*part).copy();
    } catch (const std::exception&) {
    }
    if (image.isNull()) {
        showError(kClipboardFull);
        return false;
    }
    QGuiApplication::clipboard()->setImage(image);
    return true;
}

void MainWindow::onCopySelection() {
    QGuiApplication::clipboard()->clear();
    if (ws_.Image.isEmpty() || ws_.CriticalProcess || MemoryRunningLow(ws_)) return;
    if (FitToWindow) askSelection(ShiftHeld());
    copySelection();
    onHand();
    ChangeView();
}

void MainWindow::onTrim() {
    if (ws_.Image.isEmpty() || ws_.CriticalProcess) return;
    const bool trimmed = TrimCommand(ws_);
    onHand();
    if (trimmed) ws_.SelectionRect = SelRect{0, 0, ws_.ImageWidth, ws_.ImageHeight};
    afterGeometry();
}

void MainWindow::onBorder() {
    if (ws_.Image.isEmpty() || ws_.CriticalProcess) return;
    const int32_t remembered = ws_.remembered.Border;
    const int w = std::clamp(remembered / 256, 1, kMaxBorder);
    const int h = std::clamp(remembered % 128, 1, kMaxBorder);
    const QString title = QStringLiteral("Set Border");
    const ResizeResult r =
        resizeDialogHook ? resizeDialogHook(title, w, h, kMaxBorder, kMaxBorder)
                         : ExecuteResizeDialog(this, -1, -1, w, h, title, -2, kMaxBorder, kMaxBorder);
    if (r.width < 1 || r.height < 1) return;
    const int32_t colour =
        r.color.isValid() ? int32_t(QColorToBackColor(r.color)) : kWindowColourCode;
    BorderCommand(ws_, colour, std::min(r.width, kMaxBorder), std::min(r.height, kMaxBorder));
    afterGeometry();
}

void MainWindow::onGrid(int tag) {
    if (ws_.Image.isEmpty() || ws_.CriticalProcess) return;
    const int w = ws_.ImageWidth, h = ws_.ImageHeight;
    if (!GridAllowed(w, h)) {
        host_.Ask(MessageKind::Warning, kGridTooSmall, Buttons::Ok);
        return;
    }
    onHand();
    const int columns = ws_.remembered.GridColumns, rows = ws_.remembered.GridRows;
    const QuadResult q =
        gridDialogHook ? gridDialogHook(columns, rows, w, h)
                       : ExecuteGridDialog(this, columns, rows, w, h,
                                           [this](int context) { onHelpContext(context); });
    if (q.cancelled) return;
    ws_.remembered.GridColumns = q.columns;
    ws_.remembered.GridRows = q.rows;
    // The dialog's cell ends on its last column and row.
    showChosenSelection(MaskSelection(q.left, q.top, q.right - q.left + 1, q.bottom - q.top + 1));
    if (tag == 1) {
        QGuiApplication::clipboard()->clear();
        copySelection();
    } else if (tag == 2) {
        onPasteSelection();
    }
}

}  // namespace vimbra
