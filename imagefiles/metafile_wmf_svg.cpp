// The device layer libwmf plays a WMF into: it writes SVG with the file's exact
// colours. libwmf's own SVG layer rounds colours to named ones and half-fades
// fills, so this layer writes the SVG, in device units (pixels when the frame
// is known).
#include <QByteArray>
#include <QString>
#include <QXmlStreamWriter>
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "imagefiles/metafile_internal.h"

// The C library last: it defines short macros (U16, S32, ...).
#include <libwmf/api.h>
#include <libwmf/defs.h>
#include <libwmf/ipa.h>
#include <libwmf/macro.h>

namespace vimbra::metafile_detail {
namespace {

struct WmfCanvas {
    QByteArray svg;
    QXmlStreamWriter xml{&svg};
    bool withText = false;
    int shapes = 0;
};

WmfCanvas& CanvasOf(wmfAPI* api) { return *static_cast<WmfCanvas*>(api->device_data); }

QString Num(double v) { return QString::number(std::isfinite(v) ? v : 0.0, 'g', 8); }
QString Hex(const wmfRGB& c) { return QString::asprintf("#%02x%02x%02x", c.r, c.g, c.b); }

// Bitmap brushes are drawn in their average colour.
QString AverageColour(wmfAPI* api, wmfBMP* bmp) {
    if (!bmp->data || !bmp->width || !bmp->height) return QStringLiteral("#808080");
    long sum[3] = {}, n = 0;
    for (unsigned y = 0; y < std::min<unsigned>(bmp->height, 32); ++y)
        for (unsigned x = 0; x < std::min<unsigned>(bmp->width, 32); ++x, ++n) {
            wmfRGB c{};
            wmf_ipa_bmp_color(api, bmp, &c, x, y);
            sum[0] += c.r, sum[1] += c.g, sum[2] += c.b;
        }
    return Hex(wmfRGB{uint8_t(sum[0] / n), uint8_t(sum[1] / n), uint8_t(sum[2] / n)});
}

// The SVG renderer has no patterns: a hatch is drawn as the tint its lines
// give, over its background when that is opaque.
void WriteHatchFill(QXmlStreamWriter& x, wmfBrush* b, wmfDC* dc) {
    constexpr double kInk = 0.2;  // share of an 8x8 cell the hatch lines cover
    if (dc->bgmode != OPAQUE) {
        x.writeAttribute("fill", Hex(b->lbColor));
        x.writeAttribute("fill-opacity", Num(kInk));
        return;
    }
    auto mix = [](uint8_t ink, uint8_t back) {
        return uint8_t(std::lround(ink * kInk + back * (1 - kInk)));
    };
    x.writeAttribute("fill",
                     Hex(wmfRGB{mix(b->lbColor.r, dc->bgcolor.r), mix(b->lbColor.g, dc->bgcolor.g),
                                mix(b->lbColor.b, dc->bgcolor.b)}));
}

void WriteFill(wmfAPI* api, wmfDC* dc) {
    QXmlStreamWriter& x = CanvasOf(api).xml;
    wmfBrush* b = WMF_DC_BRUSH(dc);
    switch (b->lbStyle) {
        case BS_NULL:
            x.writeAttribute("fill", "none");
            return;
        case BS_SOLID:
            x.writeAttribute("fill", Hex(b->lbColor));
            break;
        case BS_HATCHED:
            WriteHatchFill(x, b, dc);
            break;
        default:
            x.writeAttribute("fill", AverageColour(api, &b->bmp));
            break;
    }
    x.writeAttribute("fill-rule", dc->polyfillmode == WINDING ? "nonzero" : "evenodd");
}

void WriteStroke(wmfAPI* api, wmfDC* dc) {
    QXmlStreamWriter& x = CanvasOf(api).xml;
    wmfPen* p = WMF_DC_PEN(dc);
    const unsigned style = WMF_PEN_STYLE(p);
    if (style == PS_NULL) {
        x.writeAttribute("stroke", "none");
        return;
    }
    const double w = std::max(1.0, std::isfinite(p->width) ? std::abs(p->width) : 1.0);
    x.writeAttribute("stroke", Hex(p->lopnColor));
    x.writeAttribute("stroke-width", Num(w));
    const unsigned cap = WMF_PEN_ENDCAP(p), join = WMF_PEN_JOIN(p);
    x.writeAttribute("stroke-linecap", cap == PS_ENDCAP_SQUARE ? "square"
                                       : cap == PS_ENDCAP_FLAT ? "butt"
                                                               : "round");
    x.writeAttribute("stroke-linejoin", join == PS_JOIN_BEVEL   ? "bevel"
                                        : join == PS_JOIN_MITER ? "miter"
                                                                : "round");
    const double u = std::max(w, 2.0);
    std::vector<double> dash;
    if (style == PS_DASH)
        dash = {3 * u, u};
    else if (style == PS_DOT || style == PS_ALTERNATE)
        dash = {u, u};
    else if (style == PS_DASHDOT)
        dash = {3 * u, u, u, u};
    else if (style == PS_DASHDOTDOT)
        dash = {3 * u, u, u, u, u, u};
    if (dash.empty()) return;
    QString d;
    for (double v : dash) d += Num(v) + ' ';
    x.writeAttribute("stroke-dasharray", d.trimmed());
}

// Starts an element drawn with the DC's brush and pen unless told otherwise.
QXmlStreamWriter& Shape(wmfAPI* api, wmfDC* dc, const char* name, bool fill = true,
                        bool stroke = true) {
    QXmlStreamWriter& x = CanvasOf(api).xml;
    x.writeEmptyElement(name);
    if (fill)
        WriteFill(api, dc);
    else
        x.writeAttribute("fill", "none");
    if (stroke) WriteStroke(api, dc);
    return x;
}

QString Points(const wmfD_Coord* pt, unsigned count) {
    QString s;
    for (unsigned i = 0; i < count; ++i) s += Num(pt[i].x) + ',' + Num(pt[i].y) + ' ';
    return s.trimmed();
}

void DrawRectangle(wmfAPI* api, wmfDrawRectangle_t* r) {
    QXmlStreamWriter& x = Shape(api, r->dc, "rect");
    x.writeAttribute("x", Num(std::min(r->TL.x, r->BR.x)));
    x.writeAttribute("y", Num(std::min(r->TL.y, r->BR.y)));
    x.writeAttribute("width", Num(std::abs(r->BR.x - r->TL.x)));
    x.writeAttribute("height", Num(std::abs(r->BR.y - r->TL.y)));
    if (r->width > 0 && r->height > 0) {
        x.writeAttribute("rx", Num(r->width / 2));
        x.writeAttribute("ry", Num(r->height / 2));
    }
}

void DrawEllipse(wmfAPI* api, wmfDrawArc_t* a) {
    QXmlStreamWriter& x = Shape(api, a->dc, "ellipse");
    x.writeAttribute("cx", Num((a->TL.x + a->BR.x) / 2));
    x.writeAttribute("cy", Num((a->TL.y + a->BR.y) / 2));
    x.writeAttribute("rx", Num(std::abs(a->BR.x - a->TL.x) / 2));
    x.writeAttribute("ry", Num(std::abs(a->BR.y - a->TL.y) / 2));
}

enum class ArcKind { Open, Pie, Chord };

// Start and end are relative to the centre; the arc runs counter-clockwise.
void DrawArc(wmfAPI* api, wmfDrawArc_t* a, ArcKind kind) {
    const double cx = (a->TL.x + a->BR.x) / 2.0, cy = (a->TL.y + a->BR.y) / 2.0;
    const double rx = std::abs(a->BR.x - a->TL.x) / 2.0, ry = std::abs(a->BR.y - a->TL.y) / 2.0;
    if (!(rx > 0 && ry > 0)) return;
    const double ts = std::atan2(a->start.y / ry, a->start.x / rx);
    const double te = std::atan2(a->end.y / ry, a->end.x / rx);
    double span = std::fmod(ts - te + 4 * M_PI, 2 * M_PI);
    if (span < 1e-9) span = 2 * M_PI;
    auto at = [&](double t) {
        return Num(cx + rx * std::cos(t)) + ' ' + Num(cy + ry * std::sin(t));
    };
    QString d = "M" + at(ts);
    // An SVG arc cannot close on itself: a full turn goes in two halves.
    if (span >= 2 * M_PI - 1e-9) d += " A" + Num(rx) + ' ' + Num(ry) + " 0 0 0 " + at(ts - M_PI);
    d += " A" + Num(rx) + ' ' + Num(ry) + " 0 " +
         (span > M_PI && span < 2 * M_PI - 1e-9 ? "1" : "0") + " 0 " + at(ts - span);
    if (kind == ArcKind::Pie) d += " L" + Num(cx) + ' ' + Num(cy);
    if (kind != ArcKind::Open) d += " Z";
    Shape(api, a->dc, "path", kind != ArcKind::Open).writeAttribute("d", d);
}

void DrawLine(wmfAPI* api, wmfDrawLine_t* l) {
    QXmlStreamWriter& x = Shape(api, l->dc, "line", false);
    x.writeAttribute("x1", Num(l->from.x));
    x.writeAttribute("y1", Num(l->from.y));
    x.writeAttribute("x2", Num(l->to.x));
    x.writeAttribute("y2", Num(l->to.y));
}

void PolyLine(wmfAPI* api, wmfPolyLine_t* p) {
    if (p->count < 2) return;
    Shape(api, p->dc, "polyline", false).writeAttribute("points", Points(p->pt, p->count));
}

void Polygon(wmfAPI* api, wmfPolyLine_t* p) {
    if (p->count < 2) return;
    Shape(api, p->dc, "polygon").writeAttribute("points", Points(p->pt, p->count));
}

void PolyPolygon(wmfAPI* api, wmfPolyPoly_t* p) {
    QString d;
    for (unsigned i = 0; i < p->npoly; ++i)
        if (p->pt[i] && p->count[i] > 1) d += "M" + Points(p->pt[i], p->count[i]) + "Z";
    if (!d.isEmpty()) Shape(api, p->dc, "path").writeAttribute("d", d);
}

void FilledRect(QXmlStreamWriter& x, double l, double t, double r, double b) {
    x.writeAttribute("x", Num(std::min(l, r)));
    x.writeAttribute("y", Num(std::min(t, b)));
    x.writeAttribute("width", Num(std::abs(r - l)));
    x.writeAttribute("height", Num(std::abs(b - t)));
}

void DrawPixel(wmfAPI* api, wmfDrawPixel_t* p) {
    QXmlStreamWriter& x = CanvasOf(api).xml;
    x.writeEmptyElement("rect");
    FilledRect(x, p->pt.x, p->pt.y, p->pt.x + p->pixel_width, p->pt.y + p->pixel_height);
    x.writeAttribute("fill", Hex(p->color));
}

// Pattern copy, black and white fills; other raster operations are skipped.
void RopDraw(wmfAPI* api, wmfROP_Draw_t* r) {
    QXmlStreamWriter& x = CanvasOf(api).xml;
    if (r->ROP == 0x00F00021) {
        Shape(api, r->dc, "rect", true, false);
    } else if (r->ROP == 0x00000042 || r->ROP == 0x00FF0062) {
        x.writeEmptyElement("rect");
        x.writeAttribute("fill", r->ROP == 0x42 ? "#000000" : "#ffffff");
    } else {
        return;
    }
    FilledRect(x, r->TL.x, r->TL.y, r->BR.x, r->BR.y);
}

void RegionPaint(wmfAPI* api, wmfPolyRectangle_t* r) {
    for (unsigned i = 0; i < r->count; ++i)
        FilledRect(Shape(api, r->dc, "rect", true, false), r->TL[i].x, r->TL[i].y, r->BR[i].x,
                   r->BR[i].y);
}

void BmpDraw(wmfAPI* api, wmfBMP_Draw_t* b) {
    if (!b->bmp.data) return;
    wmfStream* png = wmf_stream_create(api, nullptr);
    if (!png) return;
    wmf_ipa_bmp_b64(api, b, png);
    char* text = nullptr;
    unsigned long length = 0;
    wmf_stream_destroy(api, png, &text, &length);
    if (!text || !length) return;
    QXmlStreamWriter& x = CanvasOf(api).xml;
    x.writeEmptyElement("image");
    FilledRect(x, b->pt.x, b->pt.y, b->pt.x + b->crop.w * b->pixel_width,
               b->pt.y + b->crop.h * b->pixel_height);
    x.writeAttribute("preserveAspectRatio", "none");
    x.writeAttribute("image-rendering", "optimizeSpeed");  // stretched pixels stay blocks
    x.writeAttribute("xlink:href", "data:image/png;base64," +
                                       QString::fromLatin1(text, qsizetype(length)).trimmed());
}

QString Printable(const char* s) {
    QString out;
    for (; s && *s; ++s)
        if (uint8_t(*s) >= 0x20) out += QChar(uint8_t(*s));  // Latin-1 for the ANSI code page
    return out;
}

void DrawText(wmfAPI* api, wmfDrawText_t* t) {
    WmfCanvas& c = CanvasOf(api);
    const QString text = Printable(t->str);
    if (!c.withText || text.isEmpty()) return;
    wmfFont* f = WMF_DC_FONT(t->dc);
    const double theta = f ? -WMF_TEXT_ANGLE(f) : 0;
    QXmlStreamWriter& x = c.xml;
    x.writeStartElement("text");
    x.writeAttribute("transform", "matrix(" + Num(std::cos(theta)) + ' ' + Num(std::sin(theta)) +
                                      ' ' + Num(-std::sin(theta)) + ' ' + Num(std::cos(theta)) +
                                      ' ' + Num(t->pt.x) + ' ' + Num(t->pt.y) + ')');
    x.writeAttribute("font-size", Num(std::abs(t->font_height)));
    if (f) {
        x.writeAttribute("font-family", Printable(WMF_FONT_NAME(f)));
        if (WMF_FONT_WEIGHT(f) >= 600) x.writeAttribute("font-weight", "bold");
        if (WMF_FONT_ITALIC(f)) x.writeAttribute("font-style", "italic");
    }
    x.writeAttribute("fill", Hex(t->dc->textcolor));
    x.writeCharacters(text);
    x.writeEndElement();
}

void DeviceBegin(wmfAPI* api) {
    QXmlStreamWriter& x = CanvasOf(api).xml;
    x.writeStartDocument();
    x.writeStartElement("svg");
    x.writeAttribute("xmlns", "http://www.w3.org/2000/svg");
    x.writeAttribute("xmlns:xlink", "http://www.w3.org/1999/xlink");
}

void DeviceEnd(wmfAPI* api) { CanvasOf(api).xml.writeEndDocument(); }

void BmpRead(wmfAPI* api, wmfBMP_Read_t* r) {
    r->bmp = wmfBMP{};
    if (PlausibleDib(r->buffer, r->length, r->width, r->height)) wmf_ipa_bmp_read(api, r);
}
void BmpFree(wmfAPI* api, wmfBMP* b) {
    if (b->data) wmf_ipa_bmp_free(api, b);
}

void DrawPie(wmfAPI* api, wmfDrawArc_t* a) { DrawArc(api, a, ArcKind::Pie); }
void DrawChord(wmfAPI* api, wmfDrawArc_t* a) { DrawArc(api, a, ArcKind::Chord); }
void DrawOpenArc(wmfAPI* api, wmfDrawArc_t* a) { DrawArc(api, a, ArcKind::Open); }

// Nothing may unwind through the C library: a failure stops the player.
template <auto F, typename T>
void Guarded(wmfAPI* api, T* arg) noexcept {
    try {
        F(api, arg);
    } catch (...) {
        api->err = wmf_E_DeviceError;
    }
}
// Drawing stops at the shape limit; the rest of the file is still walked.
template <auto F, typename T>
void Drawing(wmfAPI* api, T* arg) noexcept {
    if (++CanvasOf(api).shapes <= kMaxShapes) Guarded<F, T>(api, arg);
}
template <auto F>
void Guarded(wmfAPI* api) noexcept {
    try {
        F(api);
    } catch (...) {
        api->err = wmf_E_DeviceError;
    }
}

void SetUpDevice(wmfAPI* api) {
    auto* fr = static_cast<wmfFunctionReference*>(api->function_reference);
    fr->device_begin = Guarded<DeviceBegin>;
    fr->device_end = Guarded<DeviceEnd>;
    fr->draw_pixel = Drawing<DrawPixel, wmfDrawPixel_t>;
    fr->draw_pie = Drawing<DrawPie, wmfDrawArc_t>;
    fr->draw_chord = Drawing<DrawChord, wmfDrawArc_t>;
    fr->draw_arc = Drawing<DrawOpenArc, wmfDrawArc_t>;
    fr->draw_ellipse = Drawing<DrawEllipse, wmfDrawArc_t>;
    fr->draw_line = Drawing<DrawLine, wmfDrawLine_t>;
    fr->poly_line = Drawing<PolyLine, wmfPolyLine_t>;
    fr->draw_polygon = Drawing<Polygon, wmfPolyLine_t>;
    fr->draw_polypolygon = Drawing<PolyPolygon, wmfPolyPoly_t>;
    fr->draw_rectangle = Drawing<DrawRectangle, wmfDrawRectangle_t>;
    fr->rop_draw = Drawing<RopDraw, wmfROP_Draw_t>;
    fr->bmp_draw = Drawing<BmpDraw, wmfBMP_Draw_t>;
    fr->bmp_read = Guarded<BmpRead, wmfBMP_Read_t>;
    fr->bmp_free = Guarded<BmpFree, wmfBMP>;
    fr->draw_text = Drawing<DrawText, wmfDrawText_t>;
    fr->region_paint = Drawing<RegionPaint, wmfPolyRectangle_t>;
    api->device_data = nullptr;
}

struct WmfApiDeleter {
    void operator()(wmfAPI* api) const { wmf_api_destroy(api); }
};

}  // namespace

QByteArray WmfToSvg(std::vector<uint8_t>& stream, int& width, int& height, QRectF& viewBox,
                    const VectorOptions* target, bool play) {
    wmfAPI_Options options{};
    options.function = SetUpDevice;
    WmfCanvas canvas;  // outlives the library's handle
    canvas.withText = GuiAvailable();
    wmfAPI* raw = nullptr;
    const unsigned long flags =
        WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&raw, flags, &options) != wmf_E_None || !raw) Invalid();
    std::unique_ptr<wmfAPI, WmfApiDeleter> api(raw);
    raw->device_data = &canvas;
    if (wmf_mem_open(raw, stream.data(), long(stream.size())) != wmf_E_None) Invalid();
    wmfD_Rect box{};
    if (wmf_scan(raw, 0, &box) != wmf_E_None) Invalid();
    if (width > 0) {
        viewBox = QRectF(0, 0, width, height);
    } else {
        const double w = double(box.BR.x) - box.TL.x, h = double(box.BR.y) - box.TL.y;
        if (!(w > 0 && h > 0 && w < 1e7 && h < 1e7)) Invalid();
        viewBox = QRectF(box.TL.x, box.TL.y, w, h);
        FitPlainSize(w, h, width, height);
        if (target) ApplyTargetSize(*target, width, height);
    }
    CheckPictureSize("Metafile", width, height);
    if (!play) return {};
    if (wmf_play(raw, 0, &box) != wmf_E_None || canvas.xml.hasError()) Invalid();
    return canvas.svg;
}

}  // namespace vimbra::metafile_detail
