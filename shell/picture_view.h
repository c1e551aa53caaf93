#pragma once
// The display control: paints the working picture straight from its rows,
// stretched to the control's size. Nearest pixel when enlarging (whole k × k
// blocks at integer factors), smooth when reducing. Mouse input is handed to
// the main window, which owns the view logic.
#include <QImage>
#include <QRect>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "core/bitmap.h"

namespace vimbra {

class PictureAnimation;

class PictureView : public QWidget {
    Q_OBJECT
public:
    explicit PictureView(QWidget* parent = nullptr);
    ~PictureView() override;

    // The picture shown (not owned; the workspace owns it). Null shows nothing.
    void setBitmap(const Bitmap* bitmap);
    const Bitmap* bitmap() const { return bitmap_; }
    // The picture's pixels or size changed: drop what was derived from them
    // (an animation playing stops).
    void refresh();

    // Plays `path` when it is an animated WebP or GIF whose first frame is the
    // picture shown, until the next refresh. The picture itself stays as it is.
    bool playAnimation(const std::string& path, PaletteEntry back);
    void stopAnimation();
    PictureAnimation* animation() const { return animation_.get(); }
    // Where the colour profile of the picture's values is kept (not owned;
    // the workspace's metadata), read at each refresh: a picture with one is
    // shown converted to the display's. Null shows the values as they are.
    void setColourProfile(const std::vector<uint8_t>* icc);

    // Nothing is painted while set (loads, view changes, full-screen switches).
    bool SuspendPaint = false;
    void setSuspendPaint(bool on);

    // The rubber band in control coordinates; an empty rect hides it. While
    // `inverted` the inside is drawn inverted, else only its frame.
    void setRubberBand(const QRect& band, bool inverted);
    QRect rubberBand() const { return band_; }

    // A QImage over the bitmap's rows (no copy for 1, 8 and 24 bits; 4-bit
    // pictures are widened to 8 bits). Valid until the bitmap changes.
    static QImage WrapBitmap(const Bitmap& bitmap);

    // Frames painted so far (for the start-up timing).
    int paintCount() const { return paintCount_; }

signals:
    void mousePressed(QMouseEvent* event);
    void mouseMoved(QMouseEvent* event);
    void mouseReleased(QMouseEvent* event);
    void painted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const QImage& image();
    void dropDerived();

    const Bitmap* bitmap_ = nullptr;
    const std::vector<uint8_t>* profile_ = nullptr;
    Bitmap converted_;  // the picture in display colours, while a profile is set
    std::unique_ptr<PictureAnimation> animation_;
    QImage wrapped_;
    bool wrappedValid_ = false;
    QImage reduced_;  // smooth reduction cached for the current size
    QRect band_;
    bool bandInverted_ = false;
    bool painting_ = false;
    int paintCount_ = 0;
};

}  // namespace vimbra
