#include "filters/text_marks.h"

#include <algorithm>

#include <QGuiApplication>
#include <QImage>
#include <QLocale>
#include <QPainter>

namespace vimbra {
namespace {

constexpr const char* kKeywords[4] = {"TEXTMARK_TOPLEFT", "TEXTMARK_TOPRIGHT", "TEXTMARK_BOTTOMLEFT",
                                      "TEXTMARK_BOTTOMRIGHT"};

QColor FromRgb(uint32_t rgb) { return QColor(int(rgb >> 16 & 255), int(rgb >> 8 & 255), int(rgb & 255)); }

void ReplaceFirst(QString& text, QLatin1StringView macro, const QString& by) {
    const qsizetype at = text.indexOf(macro, 0, Qt::CaseInsensitive);
    if (at >= 0) text.replace(at, macro.size(), by);
}

template <int Corner>
void BipTextMark(Workspace& ws) {
    ws.ForceTrueColor();
    TextMark(ws, ws.BatchString, Corner);
}

}  // namespace

// Text needs Qt's font database, which only a GUI application provides. The
// CLI and the tests have none: start an offscreen one for the rest of the run.
bool FontEngineReady() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return true;
    if (QCoreApplication::instance()) return false;
    static int argc = 3;
    static char name[] = "vimbra", option[] = "-platform", platform[] = "offscreen";
    static char* argv[] = {name, option, platform, nullptr};
    // Its start-up notes (no runtime folder, ...) are no concern of a picture tool.
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    static QGuiApplication* app = new QGuiApplication(argc, argv);  // never destroyed
    qInstallMessageHandler(previous);
    return app != nullptr;
}

QString ExpandMarkMacros(const QString& text, const QString& date) {
    QString out = text;
    ReplaceFirst(out, QLatin1StringView("@@D"), date);
    ReplaceFirst(out, QLatin1StringView("@@C"), QString(QChar(0xA9)));
    return out;
}

QString MarkDate(const QDate& day) { return QLocale::system().toString(day, QLocale::ShortFormat); }

SelRect TextMarkRect(int width, int height, int corner) {
    if (width <= 8) return {};
    const bool bottom = corner == kBottomLeft || corner == kBottomRight;
    return bottom ? SelRect{0, height - 15, width - 8, height - 1} : SelRect{0, 0, width - 8, 14};
}

SelRect TextMarkArea(int width, int height, int corner) {
    const SelRect r = TextMarkRect(width, height, corner);
    if (r.isEmpty()) return {};
    return {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right + 2, width), std::min(r.bottom + 2, height)};
}

MarkStyle MarkStyleOf(const Workspace& ws) {
    MarkStyle style;
    if (!ws.remembered.MarkFont.empty()) {
        style.font.fromString(QString::fromStdString(ws.remembered.MarkFont));
    } else {
        style.font.setPixelSize(11);
    }
    style.textColor = FromRgb(ws.remembered.MarkFontColor);
    style.outline = FromRgb(ws.remembered.OutlineColor);
    return style;
}

bool TextMarkBitmap(Bitmap& bitmap, const QString& text, int corner, const MarkStyle& style) {
    const SelRect r = TextMarkRect(bitmap.width(), bitmap.height(), corner);
    if (r.isEmpty() || bitmap.depth() != 24 || text.isEmpty() || !FontEngineReady()) return false;
    // Drawn straight into the rows: same byte order, no copy.
    QImage image(bitmap.bits(), bitmap.width(), bitmap.height(), qsizetype(bitmap.stride()), QImage::Format_BGR888);
    QPainter painter(&image);
    painter.setFont(style.font);
    painter.setBackgroundMode(Qt::TransparentMode);
    const bool right = corner == kTopRight || corner == kBottomRight;
    const int align = Qt::AlignVCenter | Qt::TextSingleLine | (right ? Qt::AlignRight : Qt::AlignLeft);
    const QRect base(r.left, r.top, r.right - r.left, r.bottom - r.top);
    const auto draw = [&](int shift, const QColor& colour) {
        const QRect at = base.translated(shift % 3, shift / 3);
        painter.setClipRect(at);
        painter.setPen(colour);
        painter.drawText(at, align, text);
    };
    for (int shift = 0; shift < 9; ++shift) draw(shift, style.outline);
    draw(4, style.textColor);  // 1 right, 1 down: the middle of the outline
    return true;
}

void TextMark(Workspace& ws, std::string_view text, int corner, const QDate& today) {
    const QString expanded = ExpandMarkMacros(QString::fromUtf8(text.data(), qsizetype(text.size())), MarkDate(today));
    if (TextMarkBitmap(ws.Image, expanded, corner, MarkStyleOf(ws))) {
        EndPass(ws, PassTarget::mainPicture(ws));
    } else {
        ws.host().StatusReady(ws);
    }
}

bool TextMarkCommand(Workspace& ws, std::string_view text, int corner) {
    ws.remembered.MarkText = std::string(text);
    if (corner < kTopLeft || corner > kBottomRight || !ws.host().AutoBackUp(ws)) return false;
    ws.ForceTrueColor();
    TextMark(ws, text, corner);
    if (!ws.BatchRunning) ws.host().RecordBatchLine(ws, TextMarkLine(corner, text));
    return true;
}

std::string TextMarkLine(int corner, std::string_view text) {
    std::string line = kKeywords[std::clamp(corner, 0, 3)];
    line += '=';
    line += text;
    return line;
}

void BipTextMarkTopLeft(Workspace& ws) { BipTextMark<kTopLeft>(ws); }
void BipTextMarkTopRight(Workspace& ws) { BipTextMark<kTopRight>(ws); }
void BipTextMarkBottomLeft(Workspace& ws) { BipTextMark<kBottomLeft>(ws); }
void BipTextMarkBottomRight(Workspace& ws) { BipTextMark<kBottomRight>(ws); }

}  // namespace vimbra
