#include "shell/picture_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>

#include "imagefiles/colour_profile.h"
#include "imagefiles/qimage_bitmap.h"

namespace vimbra {

PictureView::PictureView(QWidget* parent) : QWidget(parent) {
    resize(105, 105);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    setFocusPolicy(Qt::ClickFocus);
}

void PictureView::setBitmap(const Bitmap* bitmap) {
    bitmap_ = bitmap;
    refresh();
}

void PictureView::refresh() {
    wrappedValid_ = false;
    wrapped_ = QImage();
    reduced_ = QImage();
    update();
}

void PictureView::setColourProfile(const std::vector<uint8_t>* icc) {
    if (icc == profile_) return;
    profile_ = icc;
    refresh();
}

void PictureView::setSuspendPaint(bool on) {
    SuspendPaint = on;
    if (!on) update();
}

void PictureView::setRubberBand(const QRect& band, bool inverted) {
    const QRect old = band_;
    band_ = band;
    bandInverted_ = inverted;
    update(old.adjusted(-1, -1, 1, 1));
    update(band_.adjusted(-1, -1, 1, 1));
}

QImage PictureView::WrapBitmap(const Bitmap& b) { return vimbra::WrapBitmap(b); }

const QImage& PictureView::image() {
    if (!wrappedValid_) {
        converted_.clear();
        if (bitmap_ && profile_ && !profile_->empty() && !bitmap_->isEmpty()) {
            try {
                converted_ = *bitmap_;
                ConvertToSrgb(converted_, *profile_);
            } catch (const std::exception&) {
                converted_.clear();  // a profile that cannot be used: the values as they are
            }
        }
        const Bitmap* shown = converted_.isEmpty() ? bitmap_ : &converted_;
        wrapped_ = shown ? WrapBitmap(*shown) : QImage();
        wrappedValid_ = true;
    }
    return wrapped_;
}

void PictureView::paintEvent(QPaintEvent* event) {
    if (SuspendPaint || painting_) return;
    painting_ = true;
    QPainter p(this);
    const QRect clip = event->rect();
    const QImage& img = image();
    if (img.isNull()) {
        p.fillRect(clip, palette().window());
    } else if (img.width() > width() || img.height() > height()) {
        // Reducing: a smooth copy at the control's size, made once per size.
        if (reduced_.size() != size())
            reduced_ = img.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        p.drawImage(clip, reduced_, clip);
    } else if (img.size() == size()) {
        p.drawImage(clip, img, clip);
    } else {
        // Enlarging: nearest pixel. Drawing the whole picture scaled lets the
        // painter clip, and every source pixel lands on a whole block.
        p.setRenderHint(QPainter::SmoothPixmapTransform, false);
        p.setClipRect(clip);
        p.drawImage(rect(), img);
    }
    if (!band_.isEmpty()) {
        if (bandInverted_) {
            p.setCompositionMode(QPainter::RasterOp_NotDestination);
            p.fillRect(band_, Qt::black);
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
        QPen pen(Qt::white, 1, Qt::DashLine);
        p.setPen(pen);
        p.drawRect(band_.adjusted(0, 0, -1, -1));
    }
    p.end();
    painting_ = false;
    ++paintCount_;
    emit painted();
}

void PictureView::mousePressEvent(QMouseEvent* event) { emit mousePressed(event); }
void PictureView::mouseMoveEvent(QMouseEvent* event) { emit mouseMoved(event); }
void PictureView::mouseReleaseEvent(QMouseEvent* event) { emit mouseReleased(event); }

}  // namespace vimbra
