#pragma once
// Builders of the channel tone curves. Each writes the curve selected by
// channelIndex (0 red, 1 green, anything else blue); entries not mentioned keep
// what earlier builders left, which several commands rely on.
#include "core/tone_tables.h"

namespace vimbra {

void SetGammaLUT(ToneCurves& c, int v, int channelIndex);      // gamma v/100
void SetBrightLUT(ToneCurves& c, int v, int channelIndex);     // -127..127
void SetBrightLUTex(ToneCurves& c, int v, int channelIndex);   // 16-bit gains, unclamped
void SetShiftLUT(ToneCurves& c, int v, int channelIndex);
void SetContrastLUT(ToneCurves& c, int v, int channelIndex);   // -127..127
void SetSupressLUT(ToneCurves& c, int lo, int hi, int channelIndex);
void SetStretchLUT(ToneCurves& c, int lo, int hi, int channelIndex);
void SetEqLUT(ToneCurves& c, int center, int width, int gain, int channelIndex);
void SetMidToneLUT(ToneCurves& c, int v);  // GrnLut entries 0..127 only
void ResetMaps(ToneCurves& c);
void SetLoRemap(ToneCurves& c, int lo, int mid, int channelIndex);
void SetHiRemap(ToneCurves& c, int hi, int mid, int channelIndex);
// Copies the curves into the histograms so the histogram window draws them.
void LUT2Histogram(const ToneCurves& c, Histograms& h);

}  // namespace vimbra
