#pragma once
// Appliers of the tone curves and the fixed tone passes. The passes work on
// 24-bit bitmaps and do nothing on other depths.
#include "core/frame.h"

namespace vimbra {

// Curves on a bare bitmap: no status, no refresh, Modified untouched.
void ColorFilterBitmap(Bitmap& bitmap, const ToneCurves& curves);

// Passes on a display control (working picture or preview).
void ColorFilter(Workspace& ws, PassTarget target);
void NegColorFilter(Workspace& ws, PassTarget target);    // c <- 255 - curve[255 - c]
void LuminanceFilter(Workspace& ws, PassTarget target);   // lightness through GrnLut
void SaturationFilter(Workspace& ws, PassTarget target);  // saturation through GrnLut, BluLut
void MultiplyRGB(Workspace& ws, PassTarget target);       // UnWash
void UnWashMore(Workspace& ws, PassTarget target);        // UnCook
void MultiplyLuminance(Workspace& ws, PassTarget target); // Attenuate

// Screen gamma: applies gamma/100 to the working picture without counting it as
// an unsaved change.
void DoGamma(Workspace& ws, int viewGamma, bool fitToWindow);

}  // namespace vimbra
