#include "imagefiles/qimage_bitmap.h"

#include <cstring>

#include "imagefiles/codecs/codec_common.h"

namespace vimbra {

QImage WrapBitmap(const Bitmap& b) {
    if (b.isEmpty()) return {};
    const auto bpl = qsizetype(b.stride());
    QList<QRgb> table;
    for (const PaletteEntry& e : b.palette()) table.append(qRgb(e.red, e.green, e.blue));
    switch (b.depth()) {
        case 24: return QImage(b.bits(), b.width(), b.height(), bpl, QImage::Format_BGR888);
        case 8: {
            QImage img(b.bits(), b.width(), b.height(), bpl, QImage::Format_Indexed8);
            table.resize(256, qRgb(0, 0, 0));
            img.setColorTable(table);
            return img;
        }
        case 1: {
            QImage img(b.bits(), b.width(), b.height(), bpl, QImage::Format_Mono);
            table.resize(2, qRgb(0, 0, 0));
            img.setColorTable(table);
            return img;
        }
        case 4: {
            QImage img(b.width(), b.height(), QImage::Format_Indexed8);
            table.resize(16, qRgb(0, 0, 0));
            img.setColorTable(table);
            for (int y = 0; y < b.height(); ++y) {
                const uint8_t* src = b.scanLine(y);
                uchar* dst = img.scanLine(y);
                for (int x = 0; x < b.width(); ++x)
                    dst[x] = (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4);
            }
            return img;
        }
        default: return {};
    }
}

Bitmap BitmapFromQImage(QImage image) {
    CheckPictureSize("Bad image file", image.width(), image.height());
    if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB)
        image = image.convertToFormat(QImage::Format_Mono);
    else if (image.format() != QImage::Format_Indexed8)
        image = image.convertToFormat(QImage::Format_RGB888);
    if (image.isNull()) throw ImageFileError("Bad image file: out of memory.");
    const int w = image.width(), h = image.height();
    const int depth = image.format() == QImage::Format_Mono ? 1 : image.format() == QImage::Format_Indexed8 ? 8 : 24;
    Bitmap out(w, h, depth);
    if (depth <= 8) {
        const QList<QRgb> table = image.colorTable();
        for (size_t i = 0; i < out.palette().size() && i < size_t(table.size()); ++i)
            out.palette()[i] = PaletteEntry{uint8_t(qRed(table[qsizetype(i)])), uint8_t(qGreen(table[qsizetype(i)])),
                                            uint8_t(qBlue(table[qsizetype(i)])), 0};
    }
    const size_t rowBytes = depth == 24 ? size_t(w) * 3 : (size_t(w) * size_t(depth) + 7) / 8;
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = image.constScanLine(y);
        uint8_t* dst = out.scanLine(y);
        if (depth == 24) {
            for (int x = 0; x < w; ++x) {
                dst[3 * x] = src[3 * x + 2];
                dst[3 * x + 1] = src[3 * x + 1];
                dst[3 * x + 2] = src[3 * x];
            }
        } else {
            std::memcpy(dst, src, rowBytes);
        }
    }
    return out;
}

}  // namespace vimbra
