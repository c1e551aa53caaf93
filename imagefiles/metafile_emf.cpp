// EMF: the records are walked for the frame and the end, then libemf2svg
// writes the SVG.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

#include <emf2svg.h>

#include "imagefiles/metafile_internal.h"

namespace vimbra::metafile_detail {

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

}  // namespace vimbra::metafile_detail
