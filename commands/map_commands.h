#pragma once
// Colors > Map (statistical remaps, Zero, Center, RGB info), Colors > Tune > RGB
// and Colors > Limit: the operations behind their dialogs and BIP lines.
#include <string>
#include <vector>

#include "core/frame.h"

namespace vimbra {

// Effect codes of the Map dialogs and of Tune > RGB.
inline constexpr int kMapEqualize = 410, kMapRed = 411, kMapGreen = 412, kMapBlue = 413,
                     kMapSaturation = 414, kMapLighting = 415, kTuneRgb = 416;
// Effect codes of Colors > Limit: all channels, red, green, blue.
inline constexpr int kLimitAll = 400, kLimitRed = 401, kLimitGreen = 402, kLimitBlue = 403;

struct MapStart {
    int mean = 0, deviation = 0;
};
// Initial slider positions of a Map dialog (410..416) from the statistics of the
// last histogram pass with saturation and sums, kept inside the slider ranges.
MapStart MapInitialPositions(const Workspace& ws, int effectCode);

// Remap of codes 410..415 with EffectValue1/2 as the absolute targets.
void MapNormalize(Workspace& ws, PassTarget target, int effectCode);
// Red, green and blue in turn to their own rounded mean and deviation plus the
// offsets (Tune > RGB, MAP_RGB).
void TuneRgb(Workspace& ws, PassTarget target, int meanOffset, int deviationOffset);
// One channel (kChannelRed..kChannelSaturation) to its rounded mean and
// deviation plus offsets.
void MapChannelOffset(Workspace& ws, PassTarget target, int channel, int meanOffset,
                      int deviationOffset);

// Packs the used levels of each channel together from 0 upwards.
void MapZero(Workspace& ws, PassTarget target);
// Shifts the channels so that their histogram peaks line up.
void MapCenter(Workspace& ws, PassTarget target);

// Shadows, median and highlights (EffectValue1..3) remapped on the channels of a
// Limit code (400 all, 401..403 one channel).
void LimitIntensities(Workspace& ws, PassTarget target, int effectCode);

// The lines Map > RGB info appends to the script editor, from a fresh histogram
// pass over the working picture.
std::vector<std::string> RgbInfoLines(Workspace& ws);

}  // namespace vimbra
