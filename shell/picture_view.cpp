#include "shell/picture_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>

#include "shell/display_colours.h"
#include "shell/picture_animation.h"
#include "imagefiles/qimage_bitmap.h"

namespace vimbra {

PictureView::PictureView(QWidget* parent) : QWidget(parent) {
    resize(105, 105);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    setFocusPolicy(Qt::ClickFocus);
}

PictureView::~PictureView() = default;

void PictureView::setBitmap(const Bitmap* bitmap) {
    bitmap_ = bitmap;
    refresh();
}

void PictureView::refresh() {
    animation_.reset();
    dropDerived();
}

void PictureView::dropDerived() {
    wrappedValid_ = false;
    wrapped_ = QImage();
    reduced_ = QImage();
    update();
}

bool PictureView::playAnimation(const std::string& path, PaletteEntry back) {
    animation_.reset();
    if (!bitmap_) return false;
    animation_ = PictureAnimation::Start(path, *bitmap_, back, profile_);
    if (!animation_) return false;
    connect(animation_.get(), &PictureAnimation::frameChanged, this, &PictureView::dropDerived);
    dropDerived();
    return true;
}

void PictureView::stopAnimation() {
    if (!animation_) return;
    animation_.reset();
    dropDerived();
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
        if (animation_) {
            // Frames come in display colours.
            wrapped_ = WrapBitmap(animation_->frame());
            wrappedValid_ = true;
            return wrapped_;
        }
        if (bitmap_ && profile_ && !profile_->empty() && !bitmap_->isEmpty()) {
            converted_ = *bitmap_;
            // A profile that cannot be used: the values as they are.
            if (!ToDisplayColours(converted_, *profile_)) converted_.clear();
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
