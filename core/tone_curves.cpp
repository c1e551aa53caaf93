#include "core/tone_curves.h"

#include <algorithm>
#include <cmath>

namespace vimbra {
namespace {

// Multipliers rather than divisors: the tables depend on the rounding they bring.
constexpr Real kHundredth = 0.01L;
constexpr Real kOver255 = 1.0L / 255;
constexpr Real kOver127 = 1.0L / 127;
constexpr Real kPi = 3.141592653589793238462643383279502884L;

// Rounded curve value; out-of-range and undefined values (a gamma of 0 or
// less, which callers never pass) end at the nearer limit or 0.
uint8_t RoundedByte(Real x) {
    if (!(x >= 0)) return 0;
    if (x >= 255) return 255;
    return uint8_t(Nearest(x));
}

// curve[first..last], clipped to the table.
void Fill(Curve& curve, int first, int last, uint8_t value) {
    first = std::max(first, 0);
    last = std::min(last, 255);
    for (int i = first; i <= last; ++i) curve[size_t(i)] = value;
}

// curve[start + k] = value(k) for k = 0..count - 1, skipping entries outside
// the table.
template <class Value>
void Ramp(Curve& curve, int start, int64_t count, Value value) {
    const int64_t first = std::max<int64_t>(0, -int64_t(start));
    const int64_t last = std::min<int64_t>(count - 1, 255 - int64_t(start));
    for (int64_t k = first; k <= last; ++k)
        curve[size_t(start + k)] = uint8_t(std::clamp<int64_t>(value(k), 0, 255));
}

void ZeroEntryZero(ToneCurves& c) { c.RedLut[0] = c.GrnLut[0] = c.BluLut[0] = 0; }

// The gain of the brightness curves: (v + 127) × 100 div 127 hundredths.
Real BrightGain(int v) {
    const int f = (v + 127) * 100 / 127;
    return Real40(f * kHundredth);
}

}  // namespace

void SetGammaLUT(ToneCurves& c, int v, int channelIndex) {
    Curve& curve = c.curve(channelIndex);
    const Real g = Real40(v * kHundredth);
    curve[0] = 0;
    for (int i = 1; i <= 255; ++i) {
        const Real q = Real40(i * kOver255);
        curve[size_t(i)] = RoundedByte(Real40(255 * std::exp(std::log(q) / g)));
    }
}

void SetBrightLUT(ToneCurves& c, int v, int channelIndex) {
    Curve& curve = c.curve(channelIndex);
    const Real k = BrightGain(v);
    ZeroEntryZero(c);
    for (int i = 1; i <= 255; ++i) curve[size_t(i)] = RoundedByte(Real40(i * k));
}

void SetBrightLUTex(ToneCurves& c, int v, int channelIndex) {
    Curve16& table = c.curve16(channelIndex);
    const Real k = BrightGain(v);
    c.RedLut16[0] = c.GrnLut16[0] = c.BluLut16[0] = 0;
    for (int i = 1; i <= 255; ++i) {
        const Real x = Real40(i * k);
        table[size_t(i)] = x <= 0 ? 0 : uint16_t(std::min<int64_t>(Nearest(x), 65535));
    }
}

void SetShiftLUT(ToneCurves& c, int v, int channelIndex) {
    Curve& curve = c.curve(channelIndex);
    ZeroEntryZero(c);
    for (int i = 1; i <= 255; ++i) curve[size_t(i)] = ClampByte(i + v);
}

void SetContrastLUT(ToneCurves& c, int v, int channelIndex) {
    Curve& curve = c.curve(channelIndex);
    const bool increase = v > 0;
    const int a = increase ? (v + 127) * 100 / 127 - 100 : std::abs(v) * 100 / 127;
    ZeroEntryZero(c);
    for (int i = 1; i <= 255; ++i) {
        Real x = i;
        // The upper half pivots on 128, the lower on 127.
        if (increase) {
            if (x > 127)
                x = x + (x - 128) * a * kHundredth;
            else
                x = x - (127 - x) * a * kHundredth;
        } else {
            if (x > 127)
                x = std::max<Real>(x - (x - 128) * a * kHundredth, 128);
            else
                x = std::min<Real>(x + (127 - x) * a * kHundredth, 128);
        }
        curve[size_t(i)] = RoundedByte(x);
    }
}

void SetSupressLUT(ToneCurves& c, int lo, int hi, int channelIndex) {
    Curve& curve = c.curve(channelIndex);
    for (int i = 0; i <= 255; ++i)
        curve[size_t(i)] = uint8_t(Nearest(int64_t(i) * (hi - lo) * kOver255) + lo);
}

void SetStretchLUT(ToneCurves& c, int lo, int hi, int channelIndex) {
    Curve& curve = c.curve(channelIndex);
    if (lo >= 0) Fill(curve, 0, lo, 0);
    if (hi <= 255) Fill(curve, hi, 255, 255);
    const int64_t span = int64_t(hi) - lo;
    Ramp(curve, lo, span, [&](int64_t k) { return Nearest(Real(k) * 255 / span); });
}

void SetEqLUT(ToneCurves& c, int center, int width, int gain, int channelIndex) {
    if (gain == 0) {
        ResetMaps(c);
        return;
    }
    Curve& curve = c.curve(channelIndex);
    curve.fill(0);
    const int64_t lo = int64_t(center) - width, hi = int64_t(center) + width;
    const int64_t peak = std::clamp<int64_t>(int64_t(center) + std::abs(int64_t(gain)), 0, 255);
    const int64_t amp = peak - lo;
    for (int64_t i = std::max<int64_t>(lo, 0); i <= std::min<int64_t>(hi, 255); ++i) {
        // A zero-width band is a single point at the foot of the bump.
        const Real s = hi == lo ? 0 : Real40(std::sin(kPi * (i - lo) / (hi - lo)));
        const Real bump = std::trunc(Real40(amp * s));
        curve[size_t(i)] = uint8_t(std::clamp<Real>(bump, 0, 255));
    }
    for (int i = 0; i <= 255; ++i) {
        const int b = curve[size_t(i)];
        const int d = b * b / 255;
        curve[size_t(i)] = ClampByte(gain > 0 ? i + d : i - d);
    }
}

void SetMidToneLUT(ToneCurves& c, int v) {
    const Real g = Real40(v * kHundredth);
    c.GrnLut[0] = 0;
    for (int i = 1; i <= 127; ++i) {
        const Real q = Real40(i * kOver127);
        c.GrnLut[size_t(i)] = RoundedByte(Real40(127 * std::exp(std::log(q) / g)));
    }
}

void ResetMaps(ToneCurves& c) { c.reset(); }

void SetLoRemap(ToneCurves& c, int lo, int mid, int channelIndex) {
    Curve& curve = c.curve(channelIndex);
    if (lo >= 0) Fill(curve, 0, lo, 0);
    const int64_t span = int64_t(mid) - lo;
    Ramp(curve, lo, span, [&](int64_t k) { return Nearest(Real(k) * mid / span); });
}

void SetHiRemap(ToneCurves& c, int hi, int mid, int channelIndex) {
    Curve& curve = c.curve(channelIndex);
    if (hi <= 255) Fill(curve, hi, 255, 255);
    const int64_t span = int64_t(hi) - mid;
    Ramp(curve, mid, span, [&](int64_t k) {
        return std::min<int64_t>(255, Nearest(Real(k) * (255 - int64_t(mid)) / span) + mid);
    });
}

void LUT2Histogram(const ToneCurves& c, Histograms& h) {
    h.HistRed.fill(0);
    h.HistGrn.fill(0);
    h.HistBlu.fill(0);
    h.HistGry.fill(0);
    h.HistSat.fill(0);
    h.HistPeak = 255;
    for (size_t i = 0; i < 256; ++i) {
        h.HistGry[i] = int32_t(i);
        h.HistRed[i] = c.RedLut[i];
        h.HistGrn[i] = c.GrnLut[i];
        h.HistBlu[i] = c.BluLut[i];
    }
}

}  // namespace vimbra
