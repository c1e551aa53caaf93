#pragma once
// Shared by the metafile sources only: byte access, the record walks that
// validate a file before a library sees it, and the steps from file to SVG.
// No libwmf or libemf2svg header here: libwmf defines short macros.
#include <QByteArray>
#include <QRectF>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imagefiles/metafile.h"

namespace vimbra::metafile_detail {

[[noreturn]] inline void Invalid() { throw ImageFileError("Invalid Metafile."); }

inline uint16_t Le16(ByteSpan d, size_t at) {
    if (at + 2 > d.size()) Invalid();
    return uint16_t(d[at] | d[at + 1] << 8);
}
inline int16_t Le16s(ByteSpan d, size_t at) { return int16_t(Le16(d, at)); }
inline uint32_t Le32(ByteSpan d, size_t at) {
    return Le16(d, at) | uint32_t(Le16(d, at + 2)) << 16;
}
inline int32_t Le32s(ByteSpan d, size_t at) { return int32_t(Le32(d, at)); }

inline void PutU16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    v[at] = uint8_t(x);
    v[at + 1] = uint8_t(x >> 8);
}
inline void PutU32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    PutU16(v, at, x & 0xFFFF);
    PutU16(v, at + 2, x >> 16);
}

inline constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
inline constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
inline constexpr size_t kPlaceableSize = 22, kWmfHeaderSize = 18, kEmfHeaderMin = 88;
// Zeros after the copy handed to a library: a record read past its end by a
// fixed-size structure lands here instead of outside the buffer.
inline constexpr size_t kPadding = 64 * 1024;
// Drawing more elements takes the SVG renderer many seconds; beyond this the
// rest of a drawing is left out.
inline constexpr int kMaxShapes = 200000;

inline int RoundSide(double v) {
    return v < 1 ? 1 : int(std::min(std::lround(v), 1L << 30));
}

// ---- WMF (metafile_wmf.cpp) ----

struct WmfLayout {
    bool placeable = false;
    int16_t box[4] = {};  // placeable left, top, right, bottom
    uint16_t inch = 0;
    size_t records = 0, end = 0;  // first record, byte after the end record
    uint32_t maxRecordWords = 0;
    bool hasWindowExt = false;
    int16_t orgX = 0, orgY = 0, extX = 0, extY = 0;
};

// Headers and every record checked; throws for anything the player could
// misread.
WmfLayout WalkWmf(ByteSpan d);

// Plain WMF sizes are in logical units taken as pixels, scaled down when large.
void FitPlainSize(double w, double h, int& width, int& height);

// False for a plain WMF without a window extent: only the player finds its size.
bool NaturalWmfSize(const WmfLayout& w, int& width, int& height);

// The stream libwmf plays (see metafile_wmf.cpp); mapFrame maps the known
// frame onto width × height device pixels.
std::vector<uint8_t> WmfForPlayer(ByteSpan d, const WmfLayout& w, int width, int height,
                                  bool mapFrame);

// Whether a DIB inside a record is safe to hand to libwmf's reader; presetW
// and presetH (0: none) override the header's size as the record does.
bool PlausibleDib(const unsigned char* p, long length, unsigned presetW, unsigned presetH);

// ---- WMF player to SVG (metafile_wmf_svg.cpp) ----

// Plays the stream into SVG text and gives the view box it fills. Without a
// size (width 0) the drawn extent decides it, adjusted by the options; with
// play false only that size is found.
QByteArray WmfToSvg(std::vector<uint8_t>& stream, int& width, int& height, QRectF& viewBox,
                    const VectorOptions* target, bool play = true);

// ---- EMF (metafile_emf.cpp) ----

struct EmfLayout {
    size_t end = 0;        // byte after the end record
    double frame[4] = {};  // left, top, right, bottom in reference-device pixels
    int width = 0, height = 0;
    bool fixDevice = false;
};

EmfLayout WalkEmf(ByteSpan d);

// libemf2svg's SVG for a picture `width` pixels wide, and the view box in it
// that the frame fills.
QByteArray EmfToSvg(ByteSpan d, const EmfLayout& e, int width, QRectF& viewBox);

// ---- metafile.cpp ----

// An explicit size wins; a single side keeps the natural aspect.
void ApplyTargetSize(const VectorOptions& o, int& width, int& height);

// Text needs Qt's font database, which needs a QGuiApplication.
bool GuiAvailable();

}  // namespace vimbra::metafile_detail
