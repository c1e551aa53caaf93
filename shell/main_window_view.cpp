// View menu: fit-to-window and zoom, window sizing, full screen, and the
// hand and select tools on the display control.
#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>

#include "filters/gui/scroll_dialog.h"
#include "media/gui/media_panel.h"
#include "shell/picture_view.h"
#include "shell/view_math.h"
#include "shell/main_window.h"
#include "shell/view_box.h"

namespace vimbra {

void MainWindow::ChangeView() {
    if (!view_) return;
    view_->setSuspendPaint(true);
    if (FitToWindow) {
        LayoutViewArea();
        ResizeImage();
    } else {
        AutoZoom();
        LayoutViewArea();
    }
    DisplaySelection();
    view_->setSuspendPaint(false);
    view_->update();
}

void MainWindow::ResizeImage() {
    scrollBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollBox_->setAlignment(Qt::AlignCenter);
    const ViewRect r = FitLayout(ws_.ImageWidth, ws_.ImageHeight, ViewAreaWidth(),
                                 ViewAreaHeight(), Upsampled);
    view_->resize(r.width, r.height);
    Pannable = false;
    if (!SelectToolActive) view_->setCursor(Qt::ArrowCursor);
}

void MainWindow::AutoZoom() {
    const ViewSize s = AutoZoomSize(ws_.ImageWidth, ws_.ImageHeight, ZoomPercent);
    view_->resize(std::max(1, s.width), std::max(1, s.height));
}

void MainWindow::LayoutViewArea() {
    // At k times the view shows whole picture pixels: the box gives up its
    // remainders modulo k on the left and top.
    const int k = FitToWindow ? 1 : ZoomFactor(ZoomPercent);
    static_cast<ViewBox*>(scrollBox_)->setRemainder(
        k >= 2 ? QMargins(ViewAreaWidth() % k, ViewAreaHeight() % k, 0, 0) : QMargins());
    if (FitToWindow) return;
    scrollBox_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scrollBox_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrollBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Pannable = view_->width() > ViewAreaWidth() || view_->height() > ViewAreaHeight();
    if (!SelectToolActive) view_->setCursor(Pannable ? Qt::OpenHandCursor : Qt::ArrowCursor);
}

void MainWindow::ApplyZoom(int percent) {
    onHand();
    QScrollBar* h = scrollBox_->horizontalScrollBar();
    QScrollBar* v = scrollBox_->verticalScrollBar();
    const int oldW = view_->width(), oldH = view_->height();
    const int hPos = h->value(), vPos = v->value();
    view_->setSuspendPaint(true);
    ZoomPercent = percent;
    AutoZoom();
    LayoutViewArea();
    const int newW = view_->width(), newH = view_->height();
    // The scroll bars follow the new size once the scroll area has laid out.
    QApplication::sendPostedEvents(scrollBox_, QEvent::LayoutRequest);
    h->setValue(RescaledScrollPosition(hPos, oldW, newW, scrollBox_->viewport()->width(), percent));
    v->setValue(RescaledScrollPosition(vPos, oldH, newH, scrollBox_->viewport()->height(), percent));
    DisplaySelection();
    view_->setSuspendPaint(false);
    refreshStatusBar();
}

void MainWindow::onFitWindow() {
    onHand();
    FitToWindow = !FitToWindow;
    if (!FitToWindow) ZoomPercent = 100;
    if (viewerPlayer_) viewerPlayer_->setDisplaySize(FitToWindow ? kDisplayFit : kDisplayDefault);
    updateZoomControls();
    // A video keeps its zoom buttons in fit mode: they scale it (ZoomMedium).
    if (media_.MediaMode) UI_Audio();
    ChangeView();
    refreshStatusBar();
}

void MainWindow::onZoomIn() {
    if (media_.MediaMode) return ZoomMedium(true);
    if (FitToWindow) return;
    const int z = ZoomIn(ZoomPercent);
    if (z != ZoomPercent) ApplyZoom(z);
}

void MainWindow::onZoomOut() {
    if (media_.MediaMode) return ZoomMedium(false);
    if (FitToWindow) return;
    const int z = ZoomOut(ZoomPercent);
    if (z != ZoomPercent) ApplyZoom(z);
}

void MainWindow::setZoom(int percent) {
    if (FitToWindow) {
        FitToWindow = false;
        updateZoomControls();
        ZoomPercent = 100;
        ChangeView();
    }
    ApplyZoom(ZoomToValue(percent));
}

void MainWindow::onZoom() {
    if (FitToWindow) return;
    ScrollDialogSettings p;
    p.Min = kZoomMin;
    p.Max = kZoomMax;
    p.Position = ZoomPercent;
    p.LargeStep = 100;
    p.SmallStep = 25;
    const int32_t presets[6] = {50, 75, 100, 200, 400, 800};
    std::copy(std::begin(presets), std::end(presets), p.Presets);
    const int r = runScrollDialog(QStringLiteral("Set Magnification (%)"), p);
    if (r == kDialogCancelled) return;
    ApplyZoom(ZoomToValue(r));
}

void MainWindow::onZoomRegion() {
    SelRect region;
    if (!rubberBand_.isEmpty()) {
        region = ws_.SelectionRect;
    } else if (haveRegion_ && lastRegion_.right <= ws_.ImageWidth &&
               lastRegion_.bottom <= ws_.ImageHeight && !lastRegion_.isEmpty()) {
        region = lastRegion_;
    } else {
        region = SelRect{0, 0, ws_.ImageWidth, ws_.ImageHeight};
    }
    if (FitToWindow) {
        FitToWindow = false;
        updateZoomControls();
    }
    const int w = std::min(region.right - region.left, ws_.ImageWidth);
    const int h = std::min(region.bottom - region.top, ws_.ImageHeight);
    const int zoom = ZoomForRegion(w, h, ViewAreaWidth(), ViewAreaHeight());
    ZoomPercent = 100;
    ChangeView();
    ApplyZoom(zoom);
    if (zoom > 100) {
        const int step = SnapStep(zoom, ws_.ImageBitDepth);
        QApplication::sendPostedEvents(scrollBox_, QEvent::LayoutRequest);
        scrollBox_->horizontalScrollBar()->setValue(SnapDown(region.left * zoom / 100, step));
        scrollBox_->verticalScrollBar()->setValue(SnapDown(region.top * zoom / 100, step));
    }
}

void MainWindow::onFitWindowTo(int k) {
    onHand();
    if (isMaximized() || FullScreen) return;
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect(0, 0, 1280, 1024);
    const QSize frame = frameSize2();
    const int panels = panelsHeight() + (menuBar()->isVisible() ? menuBar()->height() : 0);
    const ViewSize s = FitToWindowSize(ws_.ImageWidth, ws_.ImageHeight, k, frame.width(),
                                       frame.height() - (menuBar()->isVisible() ? menuBar()->height() : 0),
                                       panels, screen.width(), screen.height());
    if (s.width == 0) return;
    // Never narrower than the path box's row, or the box falls into the overflow.
    int rowWidth = 0;
    if (pathBar_ && pathBar_->isVisible()) rowWidth += pathBar_->sizeHint().width();
    if (settings_.mergeToolBar && toolBar_ && toolBar_->isVisible())
        rowWidth += toolBar_->sizeHint().width();
    resize(std::max(s.width - frame.width(), rowWidth),
           s.height - (frameGeometry().height() - geometry().height()));
    if (!FitToWindow) {
        FitToWindow = true;
        updateZoomControls();
    }
    ChangeView();
    refreshStatusBar();
}

void MainWindow::onOptimizeWindow() {
    if (media_.MediaMode) {
        FitWindowToMedium(false);
        return;
    }
    optimizeWindow(!(QApplication::keyboardModifiers() & Qt::ShiftModifier));
}

// Room for the tool buttons after the first, or for the menu bar.
int MainWindow::minimumWindowWidth() const {
    int minWidth = 360;
    if (toolBar_ && toolBar_->isVisible() && !settings_.mergeToolBar) {
        minWidth = 16;
        const QList<QAction*> tools = toolBar_->actions();
        for (qsizetype i = 1; i < tools.size(); ++i)
            if (QWidget* b = toolBar_->widgetForAction(tools[i])) minWidth += b->sizeHint().width();
        if (menuBar()->isVisible()) minWidth = std::max(minWidth, 360);
    }
    return minWidth;
}

void MainWindow::optimizeWindow(bool centre) {
    if (FullScreen) return;
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect(0, 0, 1280, 1024);
    const int panels = panelsHeight() + (menuBar()->isVisible() ? menuBar()->height() : 0);
    int w = std::min(view_->width(), screen.width());
    int h = std::min(view_->height() + panels, screen.height());
    w = std::min(std::max(w, minimumWindowWidth()), screen.width());
    scrollBox_->horizontalScrollBar()->setValue(0);
    scrollBox_->verticalScrollBar()->setValue(0);
    resize(w, h);
    if (!FitToWindow && centre) {
        const QRect f = frameGeometry();
        move(std::max(0, screen.left() + (screen.width() - f.width()) / 2),
             std::max(0, screen.top() + (screen.height() - f.height()) / 2));
    }
}

void MainWindow::onFullScreen() {
    if (media_.MediaMode && !mediaFullScreenToggle_) {
        toggleMediaFullScreen();
        return;
    }
    onHand();
    if (!FullScreen) {
        normalBounds_ = geometry();
        FullScreen = true;
        if (settings_.maxFullScreen) {
            if (!settings_.fullScreenMenus) menuBar()->setVisible(false);
            if (toolBar_) toolBar_->setVisible(false);
            if (pathBar_) pathBar_->setVisible(false);
        }
        statusBar()->setVisible(false);
        showFullScreen();
        if (QAction* a = action("onFullScreen")) a->setText(QStringLiteral("Normal window"));
    } else {
        FullScreen = false;
        showNormal();
        setMenuBarShown(settings_.menuBar);
        setToolBarShown(settings_.toolBar);
        setPathBoxShown(settings_.pathBox);
        setStatusBarShown(settings_.statusBar);
        if (normalBounds_.isValid()) setGeometry(normalBounds_);
        if (QAction* a = action("onFullScreen")) a->setText(QStringLiteral("Full screen"));
    }
    for (const char* h : {"onOptimizeWindow", "onAdjustViewport", "onStandard",
                          "onCompact", "onMinimal"})
        if (QAction* a = action(h)) a->setEnabled(!FullScreen);
    for (int k = 1; k <= 4; ++k)
        if (QAction* a = action("onFitWindowTo", k)) a->setEnabled(!FullScreen);
    ChangeView();
}

void MainWindow::clearRubberBand() {
    rubberBand_ = QRect();
    if (view_) view_->setRubberBand(QRect(), false);
}

void MainWindow::onHand() {
    SelectToolActive = false;
    dragging_ = false;
    clearRubberBand();
    setSelectionItemsEnabled(false);
    if (QAction* a = action("onHand")) a->setChecked(true);
    if (QAction* a = action("onSelect")) a->setChecked(false);
    view_->setCursor(Pannable ? Qt::OpenHandCursor : Qt::ArrowCursor);
}

void MainWindow::onSelect() {
    SelectToolActive = true;
    if (QAction* a = action("onHand")) a->setChecked(false);
    if (QAction* a = action("onSelect")) a->setChecked(true);
    view_->setCursor(Qt::CrossCursor);
}

void MainWindow::DisplaySelection() {
    if (rubberBand_.isEmpty()) return;
    const ViewGeometry g{FitToWindow, view_->width(), view_->height(), ZoomPercent};
    const SelRect d = vimbra::DisplaySelection(ws_.SelectionRect, g, ws_.ImageWidth, ws_.ImageHeight);
    rubberBand_ = QRect(QPoint(d.left, d.top), QPoint(d.right - 1, d.bottom - 1));
    view_->setRubberBand(rubberBand_, false);
}

void MainWindow::onPictureMouseDown(QMouseEvent* e) {
    view_->setFocus();
    if (e->button() != Qt::LeftButton) return;
    const int step = SnapStep(FitToWindow ? 100 : ZoomPercent, ws_.ImageBitDepth);
    dragging_ = true;
    if (SelectToolActive) {
        const QPoint p = e->position().toPoint();
        anchor_ = QPoint(SnapDown(std::max(0, p.x()), step), SnapDown(std::max(0, p.y()), step));
        rubberBand_ = QRect();
        view_->setRubberBand(QRect(), true);
    } else if (Pannable) {
        anchor_ = e->globalPosition().toPoint();
        view_->setCursor(Qt::ClosedHandCursor);
    }
}

void MainWindow::onPictureMouseMove(QMouseEvent* e) {
    if (!dragging_ || !(e->buttons() & Qt::LeftButton)) return;
    const int step = SnapStep(FitToWindow ? 100 : ZoomPercent, ws_.ImageBitDepth);
    if (SelectToolActive) {
        const QPoint p = e->position().toPoint();
        const int x = SnapDown(std::clamp(p.x(), 0, view_->width()), step);
        const int y = SnapDown(std::clamp(p.y(), 0, view_->height()), step);
        rubberBand_ = QRect(QPoint(std::min(x, anchor_.x()), std::min(y, anchor_.y())),
                            QPoint(std::max(x, anchor_.x()) - 1, std::max(y, anchor_.y()) - 1));
        view_->setRubberBand(rubberBand_, true);
        return;
    }
    if (!Pannable) return;
    QScrollBar* h = scrollBox_->horizontalScrollBar();
    QScrollBar* v = scrollBox_->verticalScrollBar();
    const QPoint g = e->globalPosition().toPoint();
    const PanStep py = PanAxis(-v->value(), anchor_.y(), g.y());
    const PanStep px = PanAxis(-h->value(), anchor_.x(), g.x());
    v->setValue(SnapDown(-py.controlLeft, step));
    h->setValue(SnapDown(-px.controlLeft, step));
    // The control moved under the mouse: measure the next move from here.
    anchor_ = g;
}

void MainWindow::onPictureMouseUp(QMouseEvent* e) {
    if (e->button() != Qt::RightButton) {
        ws_.StopRequested = true;
        ws_.CancelRequested = true;
    }
    if (e->button() != Qt::LeftButton || !dragging_) return;
    dragging_ = false;
    if (!SelectToolActive) {
        view_->setCursor(Pannable ? Qt::OpenHandCursor : Qt::ArrowCursor);
        return;
    }
    if (rubberBand_.width() > 3 && rubberBand_.height() > 3) {
        view_->setRubberBand(rubberBand_, false);
        const SelRect screen{rubberBand_.left(), rubberBand_.top(), rubberBand_.right() + 1,
                             rubberBand_.bottom() + 1};
        const ViewGeometry g{FitToWindow, view_->width(), view_->height(), ZoomPercent};
        ws_.SelectionRect = DisplayToImageRect(screen, g, ws_.ImageWidth, ws_.ImageHeight);
        lastRegion_ = ws_.SelectionRect;
        haveRegion_ = true;
        setSelectionItemsEnabled(true);
        if (e->modifiers() & Qt::ShiftModifier) onZoomRegion();
    } else {
        clearRubberBand();
        setSelectionItemsEnabled(false);
        ws_.SelectionRect = SelRect{0, 0, ws_.ImageWidth, ws_.ImageHeight};
    }
}

}  // namespace vimbra
