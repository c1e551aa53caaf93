#include "media/text_page.h"

#include <algorithm>

#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QStringDecoder>
#include <QTextDocument>

#include "filters/text_marks.h"
#include "imagefiles/load_dispatch.h"
#include "media/rtf_reader.h"

namespace vimbra {
namespace {

QString DecodePlainText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    text.clear();
    text.reserve(bytes.size());
    for (char c : bytes) text.append(QChar(Cp1252ToUnicode(static_cast<unsigned char>(c))));
    return text;
}

}  // namespace

PageBox TextPageBox(const TextPageRequest& r, int clientWidth, int clientHeight, int screenWidth,
                    int screenHeight) {
    if (r.slideshow && (r.textPosition == kTextPositionTop || r.textPosition == kTextPositionBottom))
        return {0, r.textPosition == kTextPositionTop ? 0 : clientHeight - kTextStripHeight,
                clientWidth, kTextStripHeight};
    PageBox b;
    if (r.width >= 1 && r.height >= 1) {
        b.width = r.width;
        b.height = r.height;
    } else if (r.zoom >= 1 && r.zoom != 100) {
        b.width = int(int64_t(screenWidth) * r.zoom / 100);
        b.height = int(int64_t(screenHeight) * r.zoom / 100);
    } else {
        b.width = screenWidth;
        b.height = screenHeight;
    }
    b.width = std::min(b.width, clientWidth);
    b.height = std::min(b.height, clientHeight);
    const bool fits = r.x >= 0 && r.y >= 0 && int64_t(r.x) + b.width <= clientWidth &&
                      int64_t(r.y) + b.height <= clientHeight;
    if (r.x == -1 || !fits) {
        b.x = (clientWidth - b.width) / 2;
        b.y = (clientHeight - b.height) / 2;
    } else {
        b.x = r.x;
        b.y = r.y;
    }
    return b;
}

TextPageContent LoadTextPage(const std::string& path, QTextDocument& document) {
    document.clear();
    if (FontEngineReady()) document.setDefaultFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) return {false, "Cannot read " + path + "."};
    if (file.size() > qint64(kMaxTextPageBytes)) return {false, path + " is larger than 32 MB."};
    const QByteArray bytes = file.read(qint64(kMaxTextPageBytes));
    if (UpperExtension(path) == ".RTF" || bytes.trimmed().startsWith("{\\rtf")) {
        const RtfReadResult r = ReadRtf(std::string_view(bytes.constData(), size_t(bytes.size())), document);
        return {r.ok, r.message};
    }
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF")) body.remove(0, 3);
    document.setPlainText(DecodePlainText(body));
    return {};
}

Bitmap RenderTextDocument(QTextDocument& document, int width, int height, uint32_t background) {
    if (width <= 0 || height <= 0 || !FontEngineReady()) return {};
    Bitmap page(width, height, 24);
    const uint8_t red = uint8_t(background >> 16), green = uint8_t(background >> 8),
                  blue = uint8_t(background);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = page.scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = blue;
            row[3 * x + 1] = green;
            row[3 * x + 2] = red;
        }
    }
    // Drawn straight into the rows: same byte order, no copy.
    QImage image(page.bits(), width, height, qsizetype(page.stride()), QImage::Format_BGR888);
    QPainter painter(&image);
    document.setTextWidth(width);
    document.drawContents(&painter, QRectF(0, 0, width, height));
    return page;
}

Bitmap RenderTextPage(const std::string& path, int width, int height, uint32_t background,
                      TextPageContent* content) {
    if (width <= 0 || height <= 0 || !FontEngineReady()) return {};
    QTextDocument document;
    const TextPageContent c = LoadTextPage(path, document);
    if (content) *content = c;
    return RenderTextDocument(document, width, height, background);
}

Bitmap RenderViewerTextPage(const std::string& path, int viewWidth, int viewHeight,
                            TextPageContent* content) {
    // The box is the view area itself, which always lies inside the client area.
    TextPageRequest request;
    request.x = request.y = 0;
    request.width = viewWidth;
    request.height = viewHeight;
    const PageBox box = TextPageBox(request, viewWidth, viewHeight, viewWidth, viewHeight);
    return RenderTextPage(path, box.width, box.height, kViewerPageBackground, content);
}

}  // namespace vimbra
