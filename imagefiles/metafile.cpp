#include "imagefiles/metafile.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

// The C libraries last: libwmf defines short macros (U16, S32, ...).
#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/defs.h>
#include <libwmf/ipa.h>
#include <libwmf/macro.h>

namespace vimbra {
namespace {

[[noreturn]] void Invalid() { throw ImageFileError("Invalid Metafile."); }

uint16_t Le16(ByteSpan d, size_t at) {
    if (at + 2 > d.size()) Invalid();
    return uint16_t(d[at] | d[at + 1] << 8);
}
int16_t Le16s(ByteSpan d, size_t at) { return int16_t(Le16(d, at)); }
uint32_t Le32(ByteSpan d, size_t at) { return Le16(d, at) | uint32_t(Le16(d, at + 2)) << 16; }
int32_t Le32s(ByteSpan d, size_t at) { return int32_t(Le32(d, at)); }

void PutU16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    v[at] = uint8_t(x);
    v[at + 1] = uint8_t(x >> 8);
}
void PutU32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    PutU16(v, at, x & 0xFFFF);
    PutU16(v, at + 2, x >> 16);
}

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr size_t kPlaceableSize = 22, kWmfHeaderSize = 18, kEmfHeaderMin = 88;
// Zeros after the copy handed to a library: a record read past its end by a
// fixed-size structure lands here instead of outside the buffer.
constexpr size_t kPadding = 64 * 1024;
// Drawing more elements takes the SVG renderer many seconds; beyond this the
// rest of a drawing is left out.
constexpr int kMaxShapes = 200000;

int RoundSide(double v) { return v < 1 ? 1 : int(std::min(std::lround(v), 1L << 30)); }

// ---- WMF ----

struct WmfLayout {
    bool placeable = false;
    int16_t box[4] = {};  // placeable left, top, right, bottom
    uint16_t inch = 0;
    size_t records = 0, end = 0;  // first record, byte after the end record
    uint32_t maxRecordWords = 0;
    bool hasWindowExt = false;
    int16_t orgX = 0, orgY = 0, extX = 0, extY = 0;
};

// Point counts must fit the record, so the player never reads past it.
void CheckWmfRecord(ByteSpan d, size_t at, uint32_t words, uint16_t function) {
    const uint32_t params = words - 3;
    const size_t p = at + 6;
    auto need = [&](uint64_t n) {
        if (n > params) Invalid();
    };
    switch (function) {
        case 0x0324:  // polygon
        case 0x0325:  // polyline
            need(1);
            need(1 + 2 * uint64_t(Le16(d, p)));
            break;
        case 0x0538: {  // polypolygon
            need(1);
            const uint32_t polys = Le16(d, p);
            need(1 + uint64_t(polys));
            uint64_t points = 0;
            for (uint32_t i = 0; i < polys; ++i) points += Le16(d, p + 2 + 2 * i);
            need(1 + polys + 2 * points);
            break;
        }
        case 0x0521:  // text out
            need(1);
            need(3 + (uint64_t(Le16(d, p)) + 1) / 2);
            break;
        case 0x06FF: {  // region: a fixed part, then scans of count, top, bottom, values, count
            need(10);
            uint64_t q = 10;
            for (uint32_t scans = Le16(d, p + 10), i = 0; i < scans; ++i) {
                need(q + 1);
                q += 4 + uint64_t(Le16(d, p + 2 * q));
                need(q);
            }
            break;
        }
        default:
            break;
    }
}

WmfLayout WalkWmf(ByteSpan d) {
    WmfLayout w;
    size_t h = 0;
    if (d.size() >= kPlaceableSize && Le32(d, 0) == kPlaceableKey) {
        w.placeable = true;
        for (int i = 0; i < 4; ++i) w.box[i] = Le16s(d, 6 + 2 * i);
        w.inch = Le16(d, 14);
        if (w.inch == 0 || w.box[0] == w.box[2] || w.box[1] == w.box[3]) Invalid();
        h = kPlaceableSize;
    }
    const uint16_t type = Le16(d, h), headerWords = Le16(d, h + 2), version = Le16(d, h + 4);
    if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x100 && version != 0x300))
        Invalid();
    size_t at = h + kWmfHeaderSize;
    bool orgSeen = false;
    for (;;) {
        const uint32_t words = Le32(d, at);
        const uint16_t function = Le16(d, at + 4);
        if (words < 3 || words > (d.size() - at) / 2) Invalid();
        w.maxRecordWords = std::max(w.maxRecordWords, words);
        if (function == 0) break;
        CheckWmfRecord(d, at, words, function);
        if (function == 0x020B && !orgSeen && words >= 5) {
            orgSeen = true;
            w.orgY = Le16s(d, at + 6);
            w.orgX = Le16s(d, at + 8);
        } else if (function == 0x020C && !w.hasWindowExt && words >= 5) {
            w.extY = Le16s(d, at + 6);
            w.extX = Le16s(d, at + 8);
            w.hasWindowExt = w.extX != 0 && w.extY != 0;
        }
        at += size_t(words) * 2;
    }
    w.records = h + kWmfHeaderSize;
    w.end = at + size_t(Le32(d, at)) * 2;
    return w;
}

// Plain WMF sizes are in logical units taken as pixels, scaled down when large.
void FitPlainSize(double w, double h, int& width, int& height) {
    const double scale = std::min(1.0, kMaxPlainWmfSide / std::max(w, h));
    width = RoundSide(w * scale);
    height = RoundSide(h * scale);
}

bool NaturalWmfSize(const WmfLayout& w, int& width, int& height) {
    if (w.placeable) {
        width = RoundSide(std::abs(w.box[2] - w.box[0]) * double(kMetafileDpi) / w.inch);
        height = RoundSide(std::abs(w.box[3] - w.box[1]) * double(kMetafileDpi) / w.inch);
        return true;
    }
    if (!w.hasWindowExt) return false;
    FitPlainSize(std::abs(w.extX), std::abs(w.extY), width, height);
    return true;
}

std::vector<uint8_t> WmfRecord(uint16_t function, std::initializer_list<int> params) {
    std::vector<uint8_t> r(6 + 2 * params.size());
    PutU32(r, 0, uint32_t(3 + params.size()));
    PutU16(r, 4, function);
    size_t i = 6;
    for (int p : params) PutU16(r, (i += 2) - 2, uint16_t(p));
    return r;
}

// The stream libwmf plays: the plain header, then (when the frame is known)
// what a player does first: the window mapped onto a viewport of the picture's
// size, so device units are pixels. Padding keeps its record buffer in reach.
std::vector<uint8_t> WmfForPlayer(ByteSpan d, const WmfLayout& w, int width, int height,
                                  bool mapFrame) {
    std::vector<uint8_t> prologue;
    if (mapFrame) {
        int org[2] = {w.orgX, w.orgY}, ext[2] = {w.extX, w.extY};
        if (w.placeable) {
            org[0] = w.box[0], org[1] = w.box[1];
            ext[0] = w.box[2] - w.box[0], ext[1] = w.box[3] - w.box[1];
            if (std::max(std::abs(ext[0]), std::abs(ext[1])) > 0x7FFF) Invalid();
        }
        for (const auto& r : {WmfRecord(0x0103, {8}), WmfRecord(0x020B, {org[1], org[0]}),
                              WmfRecord(0x020C, {ext[1], ext[0]}), WmfRecord(0x020D, {0, 0}),
                              WmfRecord(0x020E, {height, width})})
            prologue.insert(prologue.end(), r.begin(), r.end());
    }
    // The player's record buffer has the header's largest-record size: made
    // big enough for any record it may over-read with 16-bit counts.
    const uint32_t maxWords = w.maxRecordWords * 2 + 0x20000;
    const size_t body = w.end - w.records;
    // It also checks that the stream is at least that long.
    std::vector<uint8_t> out(
        std::max(kWmfHeaderSize + prologue.size() + body, kWmfHeaderSize + size_t(maxWords) * 2) +
        kPadding);
    const size_t h = w.records - kWmfHeaderSize;
    std::copy_n(d.begin() + ptrdiff_t(h), kWmfHeaderSize, out.begin());
    PutU32(out, 6, uint32_t((kWmfHeaderSize + prologue.size() + body) / 2));
    PutU32(out, 12, maxWords);
    std::copy(prologue.begin(), prologue.end(), out.begin() + kWmfHeaderSize);
    std::copy_n(d.begin() + ptrdiff_t(w.records), body,
                out.begin() + ptrdiff_t(kWmfHeaderSize + prologue.size()));
    return out;
}

// An explicit size wins; a single side keeps the natural aspect.
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

// ---- WMF device layer ----
// libwmf's own SVG layer rounds colours to named ones and half-fades fills, so
// this layer writes the SVG, in device units (pixels when the frame is known).

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

// The library sizes its pixel buffer from the header (or the size the record
// presets), so that size must agree with the bytes that follow and stay sane.
bool PlausibleDib(const unsigned char* p, long length, unsigned presetW, unsigned presetH) {
    if (!p || length < 12) return false;
    const ByteSpan d(p, size_t(length));
    const uint32_t header = Le32(d, 0);
    int64_t w, h;
    unsigned bits, compression = 0, colours = 0;
    if (header == 12) {
        w = Le16(d, 4), h = Le16(d, 6), bits = Le16(d, 10);
    } else if (header >= 40 && header <= uint32_t(length)) {
        w = Le32s(d, 4), h = std::abs(int64_t(Le32s(d, 8))), bits = Le16(d, 14);
        compression = Le32(d, 16), colours = Le32(d, 32);
    } else {
        return false;
    }
    if (presetW) w = presetW;
    if (presetH) h = presetH;
    if (w <= 0 || h <= 0 || w * h > (int64_t(1) << 24)) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    // This library version trusts the colour count even beyond the depth.
    if (bits <= 8 && colours > (1u << bits)) return false;
    const int64_t entry = header == 12 ? 3 : 4;
    const int64_t palette = bits <= 8 && !colours ? 1 << bits : colours;
    if (header + palette * entry > length) return false;
    if (compression == 1 || compression == 2) return true;  // run-length: decoded within bounds
    if (compression != 0 && compression != 3) return false;
    const int64_t masks = compression == 3 ? 12 : 0;
    const int64_t stride = (w * bits + 31) / 32 * 4;
    return header + masks + palette * entry + stride * h <= length;
}

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

// Plays the stream into SVG text and gives the view box it fills. Without a
// size (width 0) the drawn extent decides it, adjusted by the options; with
// play false only that size is found.
QByteArray WmfToSvg(std::vector<uint8_t>& stream, int& width, int& height, QRectF& viewBox,
                    const VectorOptions* target, bool play = true) {
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

// ---- EMF ----

struct EmfLayout {
    size_t end = 0;        // byte after the end record
    double frame[4] = {};  // left, top, right, bottom in reference-device pixels
    int width = 0, height = 0;
    bool fixDevice = false;
};

EmfLayout WalkEmf(ByteSpan d) {
    EmfLayout e;
    const uint32_t headerSize = Le32(d, 4);
    if (Le32(d, 0) != 1 || headerSize < kEmfHeaderMin || headerSize % 4 || headerSize > d.size() ||
        Le32(d, 40) != kEmfSignature)
        Invalid();
    for (size_t at = 0;;) {
        const uint32_t type = Le32(d, at), size = Le32(d, at + 4);
        if (size < 8 || size % 4 || size > d.size() - at || (at && type == 1)) Invalid();
        at += size;
        if (type == 14) {
            e.end = at;
            break;
        }
    }
    double devX = Le32s(d, 72), devY = Le32s(d, 76), mmX = Le32s(d, 80), mmY = Le32s(d, 84);
    if (!(devX > 0 && devY > 0 && mmX > 0 && mmY > 0)) {
        e.fixDevice = true;  // a 96 dpi device stands in for a missing one
        devX = devY = 3780;
        mmX = mmY = 1000;
    }
    const double fl = Le32s(d, 24), ft = Le32s(d, 28), fr = Le32s(d, 32), fb = Le32s(d, 36);
    if (fr > fl && fb > ft) {
        e.width = RoundSide((fr - fl) * kMetafileDpi / 2540);
        e.height = RoundSide((fb - ft) * kMetafileDpi / 2540);
        const double sx = devX / (mmX * 100), sy = devY / (mmY * 100);
        e.frame[0] = fl * sx, e.frame[1] = ft * sy, e.frame[2] = fr * sx, e.frame[3] = fb * sy;
    } else {
        const double bl = Le32s(d, 8), bt = Le32s(d, 12), br = Le32s(d, 16), bb = Le32s(d, 20);
        if (!(br >= bl && bb >= bt)) Invalid();
        e.width = RoundSide(br - bl + 1);
        e.height = RoundSide(bb - bt + 1);
        e.frame[0] = bl, e.frame[1] = bt, e.frame[2] = br + 1, e.frame[3] = bb + 1;
    }
    for (double v : e.frame)
        if (!(std::abs(v) < 1e9)) Invalid();
    return e;
}

// libemf2svg maps the header's bounds onto the given width keeping their
// aspect, so the copy it reads carries the frame there; the view box is where
// it drew the frame.
QByteArray EmfToSvg(ByteSpan d, const EmfLayout& e, int width, QRectF& viewBox) {
    std::vector<uint8_t> copy(e.end + kPadding);
    std::copy_n(d.begin(), e.end, copy.begin());
    const int32_t left = int32_t(std::lround(e.frame[0])), top = int32_t(std::lround(e.frame[1]));
    PutU32(copy, 8, uint32_t(left));
    PutU32(copy, 12, uint32_t(top));
    const long boundsW = std::max(1L, std::lround(e.frame[2] - e.frame[0]));
    const long boundsH = std::max(1L, std::lround(e.frame[3] - e.frame[1]));
    PutU32(copy, 16, uint32_t(left + boundsW));
    PutU32(copy, 20, uint32_t(top + boundsH));
    viewBox = QRectF(0, 0, width, double(width) * double(boundsH) / double(boundsW));
    PutU32(copy, 48, uint32_t(e.end));
    if (e.fixDevice) {
        for (size_t at : {72, 76}) PutU32(copy, at, 3780);
        for (size_t at : {80, 84}) PutU32(copy, at, 1000);
    }
    generatorOptions options{};
    options.nameSpace = const_cast<char*>("");
    options.svgDelimiter = true;
    options.emfplus = false;
    options.imgWidth = width;
    char* text = nullptr;
    size_t length = 0;
    const int ok = emf2svg(reinterpret_cast<char*>(copy.data()), e.end, &text, &length, &options);
    std::unique_ptr<char, decltype(&std::free)> owned(text, &std::free);
    if (!ok || !text) Invalid();
    return QByteArray(text, qsizetype(length));
}

// ---- SVG ----

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
