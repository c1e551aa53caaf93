#pragma once
// Composites of the working picture and the duplicate in which a per-pixel
// weight decides how much of each shows: luma and contrast masks through a
// curve, hue and saturation from the duplicate, and flat areas by local
// lightness. On a preview they read the scratch copy of the duplicate.
#include "core/frame.h"

namespace vimbra {

// Luma with each term truncated on its own, so at most 254.
inline int MaskLuma(int r, int g, int b) { return 3 * r / 10 + 6 * g / 10 + b / 10; }
// |L - S| of the pixel's HLS on 0..255.
int ContrastMeasure(int r, int g, int b);
// The picture's measure m mixed with the duplicate's md by t = 0..99:
// 99 keeps m, 0 takes md.
int MixMeasures(int m, int md, int t);

// Mask curves, built in GrnLut and left there: 255 (i/255)^(100/a) for the
// shadow and highlight masks, 127 (i/127)^(100/a) on entries 0..127 for the
// mid-tone and contrast masks.
void BuildGammaMask(ToneCurves& curves, int a);
void BuildMidtoneMask(ToneCurves& curves, int a);

// a = EffectValue1 (1..500, the band), k = EffectValue2 (0..99, how much of
// the picture's own measure makes the mask; the contrast mask takes 99 - k).
void DoCompositeMask(Workspace& ws, PassTarget target, bool shadows);
void DoCompositeMidTones(Workspace& ws, PassTarget target);
void DoCompositeContrast(Workspace& ws, PassTarget target);

// The picture keeps its lightness and takes the duplicate's hue and saturation.
void DoCompositeGray(Workspace& ws, PassTarget target);

// Where a pixel's lightness differs from that of its 5x5 mean by less than
// threshold, blends amount/255 of the duplicate in; the two-pixel ring stays.
void DoMaskEdges(Workspace& ws, PassTarget target, int threshold, int amount);

}  // namespace vimbra
