#include "slideshow/slide_frame.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/tone_curves.h"
#include "core/tone_filters.h"
#include "imagefiles/imglib/imglib_ops.h"

namespace vimbra {
namespace {

QColor ToQColor(uint32_t bgr) { return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)); }

// The bounding box of a w × h picture turned by `degrees`, sides rounded.
std::pair<double, double> TurnedBox(double w, double h, int degrees) {
    if (degrees % 180 == 0) return {w, h};
    if (degrees % 90 == 0) return {h, w};
    const double a = degrees * M_PI / 180.0;
    const double c = std::abs(std::cos(a)), s = std::abs(std::sin(a));
    return {w * c + h * s, w * s + h * c};
}

}  // namespace

SlideLook LookOfSlide(const AvlSlide& slide, int windowWidth, int windowHeight, uint32_t showBackground) {
    SlideLook look;
    look.windowWidth = windowWidth;
    look.windowHeight = windowHeight;
    look.background = slide.background.value_or(showBackground) & 0xFFFFFF;
    look.box = slide.box;
    look.position = slide.position;
    look.zoom = slide.zoom;
    look.rotate = slide.rotate;
    look.gamma = slide.gamma;
    look.caption = slide.caption;
    return look;
}

SlidePlacement PlaceSlide(int pictureWidth, int pictureHeight, const SlideLook& look) {
    SlidePlacement p;
    const double winW = std::max(1, look.windowWidth), winH = std::max(1, look.windowHeight);
    double w = std::max(1, pictureWidth), h = std::max(1, pictureHeight);
    if (look.aspectWidth > 0 && look.aspectHeight > 0) {
        // Rounded to the nearest pixel, halves up, as the viewer's own correction.
        const int64_t num = int64_t(std::max(1, pictureHeight)) * look.aspectWidth;
        w = double(std::max<int64_t>(1, (2 * num + look.aspectHeight) / (2 * int64_t(look.aspectHeight))));
    }
    if (look.box && look.box->x > 0 && look.box->y > 0 && look.box->x < winW && look.box->y < winH) {
        const double f = std::min(look.box->x / w, look.box->y / h);
        w *= f, h *= f;
    } else if (look.zoom != 100 && look.zoom > 0) {
        w = w * look.zoom / 100.0, h = h * look.zoom / 100.0;
    }
    const int degrees = look.rotate > 0 ? look.rotate % 360 : 0;
    auto [bw, bh] = TurnedBox(w, h, degrees);
    if (bw > winW || bh > winH) {
        const double f = std::min(winW / bw, winH / bh);
        w *= f, h *= f;
    }
    p.width = std::clamp(int(std::lround(w)), 1, Bitmap::kMaxSide);
    p.height = std::clamp(int(std::lround(h)), 1, Bitmap::kMaxSide);
    auto [dw, dh] = TurnedBox(p.width, p.height, degrees);
    p.drawnWidth = std::max(1, int(std::lround(dw)));
    p.drawnHeight = std::max(1, int(std::lround(dh)));
    const auto& pos = look.position;
    if (pos && pos->x >= 0 && pos->y >= 0 && pos->x + p.drawnWidth <= winW && pos->y + p.drawnHeight <= winH) {
        p.left = pos->x, p.top = pos->y;
    } else {
        p.left = (int(winW) - p.drawnWidth) / 2;
        p.top = (int(winH) - p.drawnHeight) / 2;
    }
    return p;
}

Bitmap BlankFrame(int width, int height, uint32_t colour) {
    Bitmap frame(width, height, 24);
    if (width <= 0 || height <= 0) return frame;
    uint8_t* row = frame.scanLine(0);
    for (int x = 0; x < width; ++x) {
        row[3 * x] = uint8_t(colour >> 16), row[3 * x + 1] = uint8_t(colour >> 8), row[3 * x + 2] = uint8_t(colour);
    }
    for (int y = 1; y < height; ++y) std::memcpy(frame.scanLine(y), row, size_t(width) * 3);
    return frame;
}

Bitmap ComposeSlideFrame(const Bitmap& picture, const SlideLook& look) {
    Bitmap frame = BlankFrame(look.windowWidth, look.windowHeight, look.background);
    if (!picture.isEmpty() && !frame.isEmpty()) {
        const SlidePlacement place = PlaceSlide(picture.width(), picture.height(), look);
        Bitmap ready;
        if (place.width == picture.width() && place.height == picture.height()) {
            ready = picture;
            ready.convertTo24();
        } else {
            ready = imglib::ScaleWholePicture(picture, place.width, place.height);
            ready.convertTo24();
        }
        if (look.rotate > 0 && look.rotate % 360 != 0)
            ready = imglib::RotatePicture(ready, 36000 - 100 * (look.rotate % 360), look.background);
        ready.convertTo24();
        if (look.gamma > 100) {
            // The library's gamma has tenths; ours takes hundredths.
            imglib::GammaPicture(ready, look.gamma / 10 * 10);
        } else if (look.gamma < 100) {
            ToneCurves curves;
            for (int channel = 0; channel < 3; ++channel) SetGammaLUT(curves, std::max(look.gamma, 1), channel);
            ColorFilterBitmap(ready, curves);
        }
        // Turning may round a side one pixel past the window: clip.
        const int x0 = std::max(place.left, 0), y0 = std::max(place.top, 0);
        const int x1 = std::min(place.left + ready.width(), frame.width());
        const int y1 = std::min(place.top + ready.height(), frame.height());
        for (int y = y0; y < y1; ++y)
            std::memcpy(frame.scanLine(y) + size_t(x0) * 3, ready.scanLine(y - place.top) + size_t(x0 - place.left) * 3,
                        size_t(std::max(0, x1 - x0)) * 3);
    }
    if (look.caption) DrawCaptionBand(frame, *look.caption, look);
    return frame;
}

void DrawCaptionBand(Bitmap& frame, const std::string& text, const SlideLook& look) {
    if (frame.width() < 2 || frame.height() < kCaptionBandHeight || frame.depth() != 24) return;
    QImage image(frame.bits(), frame.width(), frame.height(), qsizetype(frame.stride()), QImage::Format_BGR888);
    QPainter painter(&image);
    const int top = look.captionPlace == CaptionPlace::Top ? 0 : frame.height() - kCaptionBandHeight;
    const QRect band(0, top, frame.width(), kCaptionBandHeight);
    painter.fillRect(band, ToQColor(look.bandColour));
    painter.setPen(ToQColor(look.textColour));
    painter.drawRect(band.adjusted(0, 0, -1, -1));
    // Fonts need the application object; without one (plain engine tests) the band stays empty.
    if (QCoreApplication::instance() && QCoreApplication::instance()->inherits("QGuiApplication"))
        painter.drawText(band, Qt::AlignCenter | Qt::TextSingleLine, QString::fromUtf8(text.c_str()));
}

}  // namespace vimbra
