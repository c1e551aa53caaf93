#include "desktop/print_page.h"

#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include "core/bitmap.h"
#include "imagefiles/qimage_bitmap.h"

namespace vimbra {

PrintPage PageOf(const QPagedPaintDevice& device) {
    PrintPage page;
    page.width = device.width();
    page.height = device.height();
    page.dpiX = device.logicalDpiX();
    page.dpiY = device.logicalDpiY();
    page.landscape = device.pageLayout().orientation() == QPageLayout::Landscape;
    return page;
}

void DrawPrintedPicture(QPainter& painter, const QImage& picture, const PrintPlacement& placement) {
    if (picture.isNull() || placement.width <= 0 || placement.height <= 0) return;
    painter.setRenderHint(QPainter::LosslessImageRendering);
    painter.drawImage(QRect(placement.x, placement.y, placement.width, placement.height), picture);
}

std::string WritePicturePdf(const std::string& path, const Bitmap& picture, int percent) {
    if (picture.isEmpty()) return "There is no picture to print.";
    const QString name = QString::fromStdString(path);
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly)) return "Cannot write " + path + ".";
    {
        QPdfWriter pdf(&file);
        pdf.setTitle(QStringLiteral("Vimbra Graphic"));
        pdf.setCreator(QStringLiteral("Vimbra"));
        pdf.setResolution(kPdfResolution);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(0, 0, 0, 0)));
        const PrintPlacement placement =
            CentredPlacement(PageOf(pdf), picture.width(), picture.height(), percent);
        QPainter painter;
        if (!painter.begin(&pdf)) {
            file.cancelWriting();
            return "Cannot write " + path + ".";
        }
        DrawPrintedPicture(painter, WrapBitmap(picture), placement);
        painter.end();
    }
    if (!file.commit()) return "Cannot write " + path + ".";
    return {};
}

}  // namespace vimbra
