#include "core/histogram.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <vector>

#include "core/parallel_rows.h"

namespace vimbra {
namespace {

// Counts of one band of rows. Every channel has several copies that take turns
// from pixel to pixel, so runs of equal neighbours do not serialise on one counter.
// A band holds at most 2^30 pixels, so 32 bits never overflow.
constexpr int kCopies = 4;

struct BandCounts {
    std::array<uint32_t, 256> red[kCopies], grn[kCopies], blu[kCopies], gry[kCopies];
    std::array<uint32_t, 256> sat[kCopies], hue[kCopies];
};

using Totals = std::array<uint64_t, 256>;

struct PassTotals {
    Totals red{}, grn{}, blu{}, gry{}, sat{}, hue{};
    uint64_t pixels = 0;
};

// Saturation and hue bins of a pixel, the same integers RGBtoHLS gives, computed
// inline with division by reciprocal multiplication: the conversion is most of the
// cost of a histogram pass with saturation or hue.
constexpr int kRecipShift = 40;
constexpr auto kRecip = [] {
    std::array<uint64_t, 511> m{};
    for (uint64_t d = 1; d < uint64_t(m.size()); ++d)
        m[d] = ((uint64_t(1) << kRecipShift) + d - 1) / d;
    return m;
}();

inline int Div(int numerator, uint64_t reciprocal) {
    return int((uint64_t(numerator) * reciprocal) >> kRecipShift);
}

struct HueSat {
    int hueBin, satBin;
};

inline HueSat HueSatBins(int r, int g, int b) {
    const int mx = std::max(std::max(r, g), b);
    const int mn = std::min(std::min(r, g), b);
    if (mx == mn) return {kGreyHue * 255 / kHlsMax, 0};
    const int sum = mx + mn, d = mx - mn;
    // Lightness up to 1800 exactly when sum <= 255.
    const int div = sum <= 255 ? sum : 510 - sum;
    const int S = Div(d * 3600 + div / 2, kRecip[size_t(div)]);
    const uint64_t rd = kRecip[size_t(d)];
    const int h2 = d / 2;
    int H;
    if (r == mx)
        H = Div(h2 + (mx - b) * 600, rd) - Div(h2 + (mx - g) * 600, rd);
    else if (g == mx)
        H = 1200 + Div(h2 + (mx - r) * 600, rd) - Div(h2 + (mx - b) * 600, rd);
    else
        H = 2400 + Div(h2 + (mx - g) * 600, rd) - Div(h2 + (mx - r) * 600, rd);
    if (H < 0) H += 3600;
    return {std::min(255, H * 255 / kHlsMax), std::min(255, S * 255 / kHlsMax)};
}

template <bool kSat, bool kHue>
inline void CountPixel(const uint8_t* p, BandCounts& c, int k) {
    const int b = p[0], g = p[1], r = p[2];
    ++c.red[k][r];
    ++c.grn[k][g];
    ++c.blu[k][b];
    ++c.gry[k][GreyValue(r, g, b)];
    if constexpr (kSat || kHue) {
        const HueSat hs = HueSatBins(r, g, b);
        if constexpr (kSat) ++c.sat[k][hs.satBin];
        if constexpr (kHue) ++c.hue[k][hs.hueBin];
    }
}

template <bool kSat, bool kHue>
void CountRows(const Bitmap& bm, int y0, int y1, BandCounts& c) {
    const int w = bm.width();
    for (int y = y1 - 1; y >= y0; --y) {
        const uint8_t* p = bm.scanLine(y);
        int x = 0;
        for (; x + kCopies <= w; x += kCopies, p += 3 * kCopies) {
            for (int k = 0; k < kCopies; ++k) CountPixel<kSat, kHue>(p + 3 * k, c, k);
        }
        for (; x < w; ++x, p += 3) CountPixel<kSat, kHue>(p, c, 0);
    }
}

// One pass over a 24-bit bitmap: exact, unlimited counts per channel.
PassTotals CountPixels(const Bitmap& bm, bool withSat, bool withHue) {
    PassTotals t;
    if (bm.depth() != 24 || bm.isEmpty()) return t;
    const int64_t pixels = int64_t(bm.width()) * bm.height();
    // One set of counts per row range, merged afterwards: the same totals as one
    // thread counting everything.
    std::vector<BandCounts> bands(size_t(ParallelRowWorkers(pixels)));
    std::atomic<int> nextBand{0};
    ParallelRows(bm.width(), bm.height(), [&](int y0, int y1) {
        BandCounts& c = bands[size_t(nextBand.fetch_add(1))];
        if (withSat && withHue)
            CountRows<true, true>(bm, y0, y1, c);
        else if (withSat)
            CountRows<true, false>(bm, y0, y1, c);
        else if (withHue)
            CountRows<false, true>(bm, y0, y1, c);
        else
            CountRows<false, false>(bm, y0, y1, c);
    });
    const int used = nextBand.load();
    for (int band = 0; band < used; ++band) {
        const BandCounts& c = bands[size_t(band)];
        for (int k = 0; k < kCopies; ++k) {
            for (int i = 0; i < 256; ++i) {
                t.red[i] += c.red[k][i];
                t.grn[i] += c.grn[k][i];
                t.blu[i] += c.blu[k][i];
                t.gry[i] += c.gry[k][i];
                t.sat[i] += c.sat[k][i];
                t.hue[i] += c.hue[k][i];
            }
        }
    }
    t.pixels = uint64_t(pixels);
    return t;
}

// Stores the totals as a histogram: a bin stops at the counting limit, which is
// what counting one by one up to the limit leaves. Returns the largest bin.
int32_t StoreLimited(const Totals& totals, Histogram& h) {
    h.fill(0);
    int32_t peak = 0;
    for (int i = 0; i < 256; ++i) {
        h[size_t(i)] = int32_t(std::min<uint64_t>(totals[size_t(i)], kHistogramLimit));
        peak = std::max(peak, h[size_t(i)]);
    }
    return peak;
}

// Sum and sum of squares of the bin values over bins lo..hi, exact.
void SumBins(const Totals& t, int lo, int hi, Real& sum, Real& sumSq) {
    uint64_t s = 0, sq = 0;
    for (int i = lo; i <= hi; ++i) {
        s += uint64_t(i) * t[size_t(i)];
        sq += uint64_t(i) * uint64_t(i) * t[size_t(i)];
    }
    sum = Real(s);
    sumSq = Real(sq);
}

void FinishScan(Workspace& ws, const PassTarget& target) {
    ws.host().StatusReady(ws);
    if (target.isMainPicture) ws.host().RefreshView(ws);
}

bool IsIntegral(Real x, Real limit) { return x >= 0 && x <= limit && std::floor(x) == x; }

}  // namespace

void DoCalcHistogram(Workspace& ws, PassTarget target, bool withSat, bool withStats,
                     bool withHue) {
    Histograms& h = ws.hist;
    const PassTotals t = CountPixels(target.bitmap, withSat, withHue);
    int32_t peak = StoreLimited(t.red, h.HistRed);
    peak = std::max(peak, StoreLimited(t.grn, h.HistGrn));
    peak = std::max(peak, StoreLimited(t.blu, h.HistBlu));
    peak = std::max(peak, StoreLimited(t.gry, h.HistGry));
    if (withSat) peak = std::max(peak, StoreLimited(t.sat, h.HistSat));
    if (withHue) peak = std::max(peak, StoreLimited(t.hue, h.HistHue));
    h.HistPeak = peak;

    ChannelStats& s = ws.stats;
    s = ChannelStats{};
    if (withStats) {
        s.Count = Real(t.pixels);
        SumBins(t.red, 0, 255, s.SumRed, s.SumSqRed);
        SumBins(t.grn, 0, 255, s.SumGrn, s.SumSqGrn);
        SumBins(t.blu, 0, 255, s.SumBlu, s.SumSqBlu);
        SumBins(t.gry, 0, 255, s.SumGry, s.SumSqGry);
        if (withSat) SumBins(t.sat, 0, 255, s.SumSat, s.SumSqSat);
        if (withHue) SumBins(t.hue, 0, 255, s.SumHue, s.SumSqHue);
    }
    // The image level: the largest of grey, red, green, blue; ties keep the earlier.
    s.PeakSum = s.SumGry;
    s.PeakSumSq = s.SumSqGry;
    for (const ChannelSums c : {SumsOf(s, 0), SumsOf(s, 1), SumsOf(s, 2)}) {
        if (c.sum > s.PeakSum) {
            s.PeakSum = c.sum;
            s.PeakSumSq = c.sumSq;
        }
    }
    if (s.Count == 0) s.Count = 1;
    FinishScan(ws, target);
}

void DoCalcMidtones(Workspace& ws, PassTarget target) {
    const PassTotals t = CountPixels(target.bitmap, false, false);
    ws.hist.HistPeak = StoreLimited(t.gry, ws.hist.HistGry);
    ChannelStats& s = ws.stats;
    uint64_t count = 0;
    for (int i = 16; i <= 240; ++i) count += t.gry[size_t(i)];
    s.Count = Real(count);
    SumBins(t.gry, 16, 240, s.SumGry, s.SumSqGry);
    s.PeakSum = s.SumGry;
    s.PeakSumSq = s.SumSqGry;
    FinishScan(ws, target);
}

EndPoints HistogramEndPoints(const Histogram& h, bool saturation) {
    constexpr int32_t kMin = 48;
    // Bins below 0 count as 0, so no run can end below bin 3.
    auto at = [&h](int i) { return i < 0 ? 0 : h[size_t(i)]; };
    EndPoints e;
    const int loLast = saturation ? 250 : 255;
    for (int i = 0; i <= loLast; ++i) {
        if (at(i) > kMin && at(i + 1) > kMin && at(i + 2) > kMin && at(i + 3) > kMin) {
            e.lo = i;
            break;
        }
    }
    const int hiLast = saturation ? 4 : 0;
    for (int n = 255; n >= hiLast; --n) {
        if (at(n) > kMin && at(n - 1) > kMin && at(n - 2) > kMin && at(n - 3) > kMin) {
            e.hi = n;
            break;
        }
    }
    if (e.hi == 254) e.hi = 255;
    return e;
}

int FirstPopulatedBin(const Histogram& h) {
    for (int i = 0; i < 256; ++i)
        if (h[size_t(i)] > 48) return i;
    return 0;
}

Real StatMeanReal(Real sum, Real count) { return count == 0 ? 0 : sum / count; }

Real StatDeviationReal(Real sum, Real sumSq, Real count) {
    if (count <= 0) return 0;
    // Exact variance numerator n * sumSq - sum^2 when the sums are integers of a
    // size any picture can produce; long double alone would leave a residue.
    if (IsIntegral(count, 0x1p40L) && IsIntegral(sum, 0x1p60L) && IsIntegral(sumSq, 0x1p62L)) {
        using U = unsigned __int128;
        const U n = U(uint64_t(count)), s = U(uint64_t(sum)), q = U(uint64_t(sumSq));
        const U a = n * q, b = s * s;
        if (a <= b) return 0;
        return std::sqrt(Real(a - b)) / count;
    }
    const Real var = (sumSq - sum * sum / count) / count;
    return var > 0 ? std::sqrt(var) : 0;
}

int StatMean(Real sum, Real count) { return int(Nearest(StatMeanReal(sum, count))); }

int StatDeviation(Real sum, Real sumSq, Real count) {
    return int(Nearest(StatDeviationReal(sum, sumSq, count)));
}

ChannelSums SumsOf(const ChannelStats& s, int channel) {
    switch (channel) {
        case 0: return {s.SumRed, s.SumSqRed};
        case 1: return {s.SumGrn, s.SumSqGrn};
        case 2: return {s.SumBlu, s.SumSqBlu};
        case -1: return {s.SumGry, s.SumSqGry};
        default: return {s.SumSat, s.SumSqSat};
    }
}

RGB WhiteMax(Workspace& ws, PassTarget target) {
    HLS best{3599, 0, 3599};
    const Bitmap& bm = target.bitmap;
    if (bm.depth() == 24) {
        // The pass order decides which of several candidates wins.
        for (int y = bm.height() - 1; y >= 0; --y) {
            const uint8_t* row = bm.scanLine(y);
            for (int x = bm.width() - 1; x >= 0; --x) {
                const uint8_t* p = row + 3 * x;
                const HLS hls = RGBtoHLS(p[2], p[1], p[0]);
                if (hls.H < best.H && hls.S < best.S) best = hls;
            }
        }
    }
    RGB c = HLStoRGB(best.H, best.L, best.S);
    c = {std::min(c.r, 255), std::min(c.g, 255), std::min(c.b, 255)};
    ws.EffectValue1 = c.r;
    ws.EffectValue2 = c.g;
    ws.EffectValue3 = c.r + 256 * c.g + 65536 * c.b;
    FinishScan(ws, target);
    return c;
}

void WhiteProfile(Workspace& ws, PassTarget target) {
    Bitmap& bm = target.bitmap;
    if (bm.depth() == 24) {
        for (int y = bm.height() - 1; y >= 0; --y) {
            uint8_t* row = bm.scanLine(y);
            for (int x = bm.width() - 1; x >= 0; --x) {
                uint8_t* p = row + 3 * x;
                if (RGBtoHLS(p[2], p[1], p[0]).S > 900) p[0] = p[1] = p[2] = 0;
            }
        }
    }
    EndPass(ws, target);
}

}  // namespace vimbra
