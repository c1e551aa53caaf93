// Public entry points: the kind and size of a metafile, and its drawing, which
// goes through SVG text (metafile_wmf_svg.cpp, metafile_emf.cpp) and Qt's SVG
// renderer.
#include "imagefiles/metafile.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <vector>

#include "imagefiles/metafile_internal.h"

namespace vimbra {
namespace metafile_detail {

void ApplyTargetSize(const VectorOptions& o, int& width, int& height) {
    if (o.width > 0 && o.height > 0) {
        width = o.width, height = o.height;
    } else if (o.width > 0) {
        height = RoundSide(double(height) * o.width / width), width = o.width;
    } else if (o.height > 0) {
        width = RoundSide(double(width) * o.height / height), height = o.height;
    }
}

bool GuiAvailable() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

}  // namespace metafile_detail

using namespace metafile_detail;

namespace {

bool IsTextElement(QStringView name) {
    return name == u"text" || name == u"tspan" || name == u"textPath" || name == u"font" ||
           name == u"font-face";
}

// Copies the SVG keeping only embedded or local references; text goes too when
// Qt cannot reach its font database.
QByteArray SanitizeSvg(const QByteArray& svg, bool dropText) {
    QXmlStreamReader in(svg);
    QByteArray out;
    QXmlStreamWriter w(&out);
    int skipping = 0, shapes = 0;
    while (!in.atEnd()) {
        in.readNext();
        if (skipping) {
            if (in.isStartElement()) ++skipping;
            if (in.isEndElement()) --skipping;
            continue;
        }
        if (in.isStartElement()) {
            if ((dropText && IsTextElement(in.name())) || ++shapes > kMaxShapes) {
                skipping = 1;
                continue;
            }
            w.writeStartElement(in.qualifiedName().toString());
            for (const auto& ns : in.namespaceDeclarations())
                w.writeAttribute(ns.prefix().isEmpty() ? QStringLiteral("xmlns")
                                                       : "xmlns:" + ns.prefix().toString(),
                                 ns.namespaceUri().toString());
            for (const auto& a : in.attributes()) {
                const QStringView v = a.value();
                if (a.name() == u"href" && !v.startsWith(u"data:") && !v.startsWith(u"#")) continue;
                w.writeAttribute(a.qualifiedName().toString(), v.toString());
            }
        } else if (in.isEndElement()) {
            w.writeEndElement();
        } else if (in.isCharacters() || in.isStartDocument() || in.isEndDocument()) {
            w.writeCurrentToken(in);
        }
    }
    if (in.hasError()) Invalid();
    return out;
}

// The view box (the drawing's own coordinates) fills the whole picture.
Bitmap RenderSvg(const QByteArray& svg, const QRectF& viewBox, int width, int height,
                 PaletteEntry back) {
    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) Invalid();
    renderer.setViewBox(viewBox);
    Bitmap out(width, height, 24);
    QImage image(out.bits(), width, height, qsizetype(out.stride()), QImage::Format_BGR888);
    image.fill(QColor(back.red, back.green, back.blue));
    QPainter painter(&image);
    renderer.render(&painter, QRectF(0, 0, width, height));
    painter.end();
    return out;
}

ByteSpan CheckedInput(ByteSpan data) {
    if (data.size() > kMaxMetafileBytes) Invalid();
    return data;
}

}  // namespace

MetafileKind DetectMetafile(ByteSpan d) {
    if (d.size() >= 4 && Le32(d, 0) == kPlaceableKey) return MetafileKind::PlaceableWmf;
    if (d.size() >= 44 && Le32(d, 0) == 1 && Le32(d, 40) == kEmfSignature) return MetafileKind::Emf;
    if (d.size() >= 6 && (Le16(d, 0) == 1 || Le16(d, 0) == 2) && Le16(d, 2) == 9 &&
        (Le16(d, 4) == 0x100 || Le16(d, 4) == 0x300))
        return MetafileKind::Wmf;
    return MetafileKind::Unknown;
}

MetafileInfo ReadMetafileInfo(ByteSpan data) {
    data = CheckedInput(data);
    MetafileInfo info;
    info.kind = DetectMetafile(data);
    if (info.kind == MetafileKind::Emf) {
        const EmfLayout e = WalkEmf(data);
        info.width = e.width, info.height = e.height;
    } else if (info.kind != MetafileKind::Unknown) {
        const WmfLayout w = WalkWmf(data);
        if (!NaturalWmfSize(w, info.width, info.height)) {
            // Only a scan by the player finds the drawn extent.
            std::vector<uint8_t> stream = WmfForPlayer(data, w, 0, 0, false);
            QRectF box;
            (void)WmfToSvg(stream, info.width, info.height, box, nullptr, false);
        }
    } else {
        Invalid();
    }
    CheckPictureSize("Metafile", info.width, info.height);
    return info;
}

Bitmap DecodeVector(ByteSpan data, const VectorOptions& options) {
    data = CheckedInput(data);
    MetafileKind kind = options.kind == MetafileKind::Unknown ? DetectMetafile(data) : options.kind;
    if (kind == MetafileKind::Wmf && DetectMetafile(data) == MetafileKind::PlaceableWmf)
        kind = MetafileKind::PlaceableWmf;
    int width = 0, height = 0;
    QRectF viewBox;
    QByteArray svg;
    if (kind == MetafileKind::Emf) {
        const EmfLayout e = WalkEmf(data);
        width = e.width, height = e.height;
        ApplyTargetSize(options, width, height);
        CheckPictureSize("Metafile", width, height);
        svg = SanitizeSvg(EmfToSvg(data, e, width, viewBox), !GuiAvailable());
    } else if (kind != MetafileKind::Unknown) {
        const WmfLayout w = WalkWmf(data);
        if (w.placeable != (kind == MetafileKind::PlaceableWmf)) Invalid();
        const bool known = NaturalWmfSize(w, width, height);
        if (known) {
            ApplyTargetSize(options, width, height);
            CheckPictureSize("Metafile", width, height);
            if (width > 0x7FFF || height > 0x7FFF) Invalid();
        }
        std::vector<uint8_t> stream = WmfForPlayer(data, w, width, height, known);
        svg = WmfToSvg(stream, width, height, viewBox, &options);
    } else {
        Invalid();
    }
    return RenderSvg(svg, viewBox, width, height, options.backColor);
}

}  // namespace vimbra
