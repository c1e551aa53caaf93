// View adjustments applied to every picture: the screen gamma and the aspect
// modes; and the custom viewport.
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>

#include "core/tone_curves.h"
#include "core/tone_filters.h"
#include "shell/picture_ratio.h"
#include "shell/picture_view.h"
#include "shell/main_window.h"

namespace vimbra {
namespace {

constexpr const char* kGammaQuestion =
    "All viewed images will be modified and gamma adjusted;\nsubsequent gamma adjustments will "
    "be cumulative.\n\n[Ignore] avoids this dialog (for experts).";

}  // namespace

int MainWindow::runScrollDialog(const QString& title, const ScrollDialogSettings& param,
                                const QString& lowLabel, const QString& highLabel) {
    if (scrollDialogHook) return scrollDialogHook(title, param);
    return ExecuteScrollDlg(this, title, lowLabel, highLabel, param);
}

void MainWindow::DoGamma() {
    if (ws_.ImageBitDepth < 3 || ws_.Image.isEmpty()) return;
    ws_.ForceTrueColor();
    ToneCurves curves;
    for (int channel = 0; channel < 3; ++channel) SetGammaLUT(curves, ViewGamma, channel);
    // Not an edit of the user's: it sets no unsaved change, and clears none.
    ColorFilterBitmap(ws_.Image, curves);
}

void MainWindow::ApplyViewAdjustments() {
    if (ws_.Image.isEmpty()) return;
    const bool modified = ws_.Modified;
    if (AspectMode != kAspectMonitor && loaded_.pageCount <= 1) {
        Bitmap shaped = ApplyAspect(ws_.Image, AspectMode, ViewAreaWidth(), ViewAreaHeight());
        if (shaped.width() != ws_.ImageWidth || shaped.height() != ws_.ImageHeight) {
            PictureMetadata metadata = std::move(ws_.Metadata);  // the same picture, reshaped
            ws_.setImage(std::move(shaped));
            ws_.Metadata = std::move(metadata);
        }
    }
    if (ViewGamma != 100) DoGamma();
    ws_.Modified = modified;
    ws_.SelectionRect = SelRect{0, 0, ws_.ImageWidth, ws_.ImageHeight};
}

void MainWindow::onViewGamma() {
    QAction* item = action("onViewGamma");
    // The item's check mark follows the value, not the click.
    const auto showState = [this, item] {
        if (item) item->setChecked(ViewGamma != 100);
    };
    const Reply r = host_.AskReplySilenceable("onViewGamma", MessageKind::Confirmation,
                                              kGammaQuestion, {Reply::Ok, Reply::Cancel}, 100);
    if (r == Reply::Cancel) {
        showState();
        return;
    }
    if (!host_.AutoBackUp(ws_)) {
        showState();
        return;
    }
    ScrollDialogSettings p;
    p.Min = 100;
    p.Max = 300;
    p.Position = ViewGamma;
    p.LargeStep = 10;
    p.SmallStep = 5;
    const int32_t presets[6] = {100, 125, 135, 150, 165, 185};
    std::copy(std::begin(presets), std::end(presets), p.Presets);
    const int v = runScrollDialog(QStringLiteral("Set Screen Gamma (n/100)"), p);
    if (v == kDialogCancelled) {
        showState();
        return;
    }
    ViewGamma = std::clamp(v, 100, 300);
    interpreter_->options.screenGamma = ViewGamma;
    showState();
    if (ViewGamma != 100) settings_.AutoReduce = false;
    // The file shown is read again when nothing unsaved is lost by it, so the
    // new value replaces the old instead of adding to it.
    const QString shown = history_->text();
    if (!ws_.Modified && !shown.isEmpty() && QFileInfo(shown).isFile() &&
        shown.toStdString() == ws_.CurrentFileName) {
        openPicture(ws_.CurrentFileName, false);
        return;
    }
    if (ViewGamma == 100) return;
    DoGamma();
    view_->refresh();
    ChangeView();
    StatusReady();
}

void MainWindow::onAspect(int mode) {
    if (mode < kAspectMonitor || mode > kAspectWide) return;
    const std::string question = AspectQuestion(mode);
    if (!question.empty() &&
        host_.AskReply(MessageKind::Information, question, {Reply::Ok, Reply::Cancel}, 104) ==
            Reply::Cancel)
        mode = kAspectMonitor;
    if (mode != kAspectMonitor && loaded_.pageCount > 1) {
        host_.AskReply(MessageKind::Warning, kAspectMultipage, {Reply::Ok}, 104);
        mode = kAspectMonitor;
    }
    AspectMode = mode;
    interpreter_->options.aspectCorrection = mode != kAspectMonitor;
    if (mode != kAspectMonitor) settings_.AutoReduce = false;
    for (int m = kAspectMonitor; m <= kAspectWide; ++m)
        if (QAction* a = action("onAspect", m)) a->setChecked(m == mode);
    const std::string& name = ws_.CurrentFileName;
    if (!name.empty() && name != "Untitled" && QFileInfo(QString::fromStdString(name)).isFile())
        openPicture(name);
}

void MainWindow::onAdjustViewport() {
    if (FullScreen || isMaximized()) return;
    const QRect screen =
        this->screen() ? this->screen()->availableGeometry() : QRect(0, 0, 1280, 1024);
    const QRect outer = frameGeometry(), inner = geometry();
    const int frameW = outer.width() - inner.width(), frameH = outer.height() - inner.height();
    // What the window holds besides the picture area.
    const int sideW = width() - ViewAreaWidth(), sideH = height() - ViewAreaHeight();
    const int maxW = std::max(1, screen.width() - frameW - sideW);
    const int maxH = std::max(1, screen.height() - frameH - sideH);
    const int w = std::min(ViewAreaWidth(), maxW), h = std::min(ViewAreaHeight(), maxH);
    const QString title = QStringLiteral("Custom Viewport");
    const ResizeResult r = resizeDialogHook ? resizeDialogHook(title, w, h, maxW, maxH)
                                            : ExecuteResizeDialog(this, 0, 0, w, h, title, 999,
                                                                maxH, maxW);
    if (r.width < 1 || r.height < 1) return;
    onHand();
    if (FitToWindow) {
        FitToWindow = false;
        ZoomPercent = 100;
        updateZoomControls();
    }
    const int wantW = std::min(r.width, maxW), wantH = std::min(r.height, maxH);
    resize(wantW + sideW, wantH + sideH);
    QApplication::sendPostedEvents(this, QEvent::LayoutRequest);
    // Panels may wrap at the new width: make up what the area came out short.
    const int shortBy = wantH - ViewAreaHeight();
    if (shortBy > 0) resize(width(), height() + shortBy);
    // Keep the window on the screen without centring it.
    QRect f = frameGeometry();
    int left = std::min(f.left(), screen.right() + 1 - f.width());
    int top = std::min(f.top(), screen.bottom() + 1 - f.height());
    move(std::max(screen.left(), left), std::max(screen.top(), top));
    ChangeView();
    refreshStatusBar();
}

}  // namespace vimbra
