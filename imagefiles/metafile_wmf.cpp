// WMF record walking: the headers and every record are checked before libwmf
// plays the file, and the stream it plays is built here.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>

#include "imagefiles/metafile_internal.h"

namespace vimbra::metafile_detail {
namespace {

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

std::vector<uint8_t> WmfRecord(uint16_t function, std::initializer_list<int> params) {
    std::vector<uint8_t> r(6 + 2 * params.size());
    PutU32(r, 0, uint32_t(3 + params.size()));
    PutU16(r, 4, function);
    size_t i = 6;
    for (int p : params) PutU16(r, (i += 2) - 2, uint16_t(p));
    return r;
}

}  // namespace

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

}  // namespace vimbra::metafile_detail
