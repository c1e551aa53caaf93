#pragma once
// The channel tone curves and the histogram arrays shared by many commands.
#include <array>
#include <cstdint>

#include "core/arithmetic.h"

namespace vimbra {

using Curve = std::array<uint8_t, 256>;
using Curve16 = std::array<uint16_t, 256>;

struct ToneCurves {
    Curve RedLut{}, GrnLut{}, BluLut{};
    Curve16 RedLut16{}, GrnLut16{}, BluLut16{};

    ToneCurves() { reset(); }
    void reset() {
        for (int i = 0; i < 256; ++i) RedLut[i] = GrnLut[i] = BluLut[i] = uint8_t(i);
    }
    // 0 red, 1 green, any other value blue.
    Curve& curve(int channelIndex) {
        return channelIndex == 0 ? RedLut : channelIndex == 1 ? GrnLut : BluLut;
    }
    Curve16& curve16(int channelIndex) {
        return channelIndex == 0 ? RedLut16 : channelIndex == 1 ? GrnLut16 : BluLut16;
    }
};

// Histograms: 360 bins of which only 0..255 are ever filled.
using Histogram = std::array<int32_t, 360>;

struct Histograms {
    Histogram HistRed{}, HistGrn{}, HistBlu{}, HistGry{}, HistSat{}, HistHue{};
    int32_t HistPeak = 0;
};

// Sums gathered with a histogram pass; kept in extended precision.
struct ChannelStats {
    Real Count = 0;
    Real SumRed = 0, SumSqRed = 0, SumGrn = 0, SumSqGrn = 0, SumBlu = 0, SumSqBlu = 0;
    Real SumGry = 0, SumSqGry = 0, SumSat = 0, SumSqSat = 0, SumHue = 0, SumSqHue = 0;
    Real PeakSum = 0, PeakSumSq = 0;
};

}  // namespace vimbra
