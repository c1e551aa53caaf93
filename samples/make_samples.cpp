// Remakes the sample pictures in samples/: make_samples OUTDIR
// Everything is computed from fixed numbers and a fixed-seed generator, and no
// text is drawn, so no display or fonts are needed.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;

// Top half a continuous ramp, bottom half a 16-step wedge.
QImage GreyRamp() {
    QImage img(kWidth, kHeight, QImage::Format_Grayscale8);
    for (int y = 0; y < kHeight; ++y) {
        uchar* row = img.scanLine(y);
        for (int x = 0; x < kWidth; ++x)
            row[x] = static_cast<uchar>(y < kHeight / 2 ? x * 255 / (kWidth - 1)
                                                        : (x * 16 / kWidth) * 255 / 15);
    }
    return img;
}

QRgb HueColour(int x, int width, int value) {
    return QColor::fromHsv(x * 359 / (width - 1), 255, value).rgb();
}

// Bands of red, green and blue ramps, full and half-bright hue sweeps, and a
// two-way red/blue field (the only band whose rows differ).
QImage Gradients() {
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    const int band = kHeight / 6;
    for (int y = 0; y < kHeight; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        const int b = y / band;
        for (int x = 0; x < kWidth; ++x) {
            const int v = x * 255 / (kWidth - 1);
            switch (b) {
                case 0: row[x] = qRgb(v, 0, 0); break;
                case 1: row[x] = qRgb(0, v, 0); break;
                case 2: row[x] = qRgb(0, 0, v); break;
                case 3: row[x] = HueColour(x, kWidth, 255); break;
                case 4: row[x] = HueColour(x, kWidth, 128); break;
                default: row[x] = qRgb(v, 64, (y - 5 * band) * 255 / (kHeight - 5 * band - 1));
            }
        }
    }
    return img;
}

// 6 x 4 patches: primaries and secondaries, greys, skin tones, everyday colours.
// The width is not a multiple of 4 so that row padding gets exercised.
QImage ColourChart() {
    constexpr int w = 638, h = 448, cols = 6, rows = 4, gap = 10;
    const QRgb patches[rows][cols] = {
        {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(0, 255, 255),
         qRgb(255, 0, 255), qRgb(255, 255, 0)},
        {qRgb(255, 255, 255), qRgb(200, 200, 200), qRgb(160, 160, 160), qRgb(122, 122, 122),
         qRgb(85, 85, 85), qRgb(0, 0, 0)},
        {qRgb(255, 224, 196), qRgb(241, 194, 160), qRgb(224, 172, 105), qRgb(198, 134, 66),
         qRgb(141, 85, 36), qRgb(94, 58, 36)},
        {qRgb(255, 140, 0), qRgb(94, 60, 153), qRgb(135, 206, 235), qRgb(34, 139, 34),
         qRgb(101, 67, 33), qRgb(250, 218, 221)}};
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(qRgb(48, 48, 48));
    QPainter p(&img);
    const int pw = (w - gap * (cols + 1)) / cols, ph = (h - gap * (rows + 1)) / rows;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            p.fillRect(gap + c * (pw + gap), gap + r * (ph + gap), pw, ph, QColor(patches[r][c]));
    return img;
}

// Sky, sun, two hills with grassy noise, and a house; drawn at any size from
// the same proportions.
QImage Scene(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        const int t = y * 255 / (h - 1);
        std::fill(row, row + w, qRgb(40 + t * 160 / 255, 90 + t * 130 / 255, 200 + t * 50 / 255));
    }
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 236, 120));
    p.drawEllipse(QPointF(w * 0.8, h * 0.2), w * 0.07, w * 0.07);

    auto hill = [&](double base, double amp, double freq, double phase, QColor colour) {
        QPolygonF poly;
        poly << QPointF(0, h);
        for (int i = 0; i <= 64; ++i) {
            const double x = w * i / 64.0;
            poly << QPointF(x, h * (base - amp * std::sin(freq * x / w * 6.2832 + phase)));
        }
        poly << QPointF(w, h);
        p.setBrush(colour);
        p.drawPolygon(poly);
    };
    hill(0.62, 0.08, 1.3, 0.4, QColor(70, 140, 60));
    hill(0.78, 0.06, 2.1, 2.0, QColor(50, 115, 40));

    const double hx = w * 0.22, hy = h * 0.52, hw = w * 0.22, hh = h * 0.2;
    p.setBrush(QColor(200, 170, 130));
    p.drawRect(QRectF(hx, hy, hw, hh));
    p.setBrush(QColor(150, 40, 30));
    p.drawPolygon(QPolygonF({QPointF(hx - hw * 0.08, hy), QPointF(hx + hw / 2, hy - hh * 0.7),
                             QPointF(hx + hw * 1.08, hy)}));
    p.setBrush(QColor(90, 55, 30));
    p.drawRect(QRectF(hx + hw * 0.42, hy + hh * 0.45, hw * 0.16, hh * 0.55));
    p.setBrush(QColor(170, 210, 240));
    p.drawRect(QRectF(hx + hw * 0.1, hy + hh * 0.25, hw * 0.2, hh * 0.25));
    p.drawRect(QRectF(hx + hw * 0.7, hy + hh * 0.25, hw * 0.2, hh * 0.25));
    p.end();

    // Raw generator output (not a std distribution) keeps the noise the same on
    // every standard library.
    std::mt19937 rng(20240611u);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb c = row[x];
            if (qGreen(c) <= qRed(c) + 40 || qGreen(c) <= qBlue(c) + 40) continue;  // grass only
            const int d = static_cast<int>(rng() % 25) - 12;
            row[x] = qRgb(std::clamp(qRed(c) + d / 2, 0, 255), std::clamp(qGreen(c) + d, 0, 255),
                          std::clamp(qBlue(c) + d / 2, 0, 255));
        }
    }
    return img;
}

bool Save(const QImage& img, const QDir& dir, const char* name, int quality = -1) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    if (img.save(path, nullptr, quality)) return true;
    std::fprintf(stderr, "make_samples: cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);  // for the JPEG writer plug-in
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples OUTDIR\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "make_samples: cannot create %s\n", argv[1]);
        return 1;
    }
    const QImage ramp = GreyRamp();
    const QImage chart = ColourChart();
    const QImage scene = Scene(kWidth, kHeight);
    const bool ok = Save(ramp, dir, "grey_ramp.png") && Save(ramp, dir, "grey_ramp.jpg", 90) &&
                    Save(Gradients(), dir, "gradients.png") &&
                    Save(chart, dir, "colour_chart.png") &&
                    Save(chart.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither),
                         dir, "colour_chart.bmp") &&
                    Save(scene, dir, "scene.png") && Save(scene, dir, "scene.jpg", 90) &&
                    Save(Scene(321, 241).convertToFormat(QImage::Format_RGB888), dir,
                         "scene_small.bmp");
    return ok ? 0 : 1;
}
