#pragma once
// Convolutions with small kernels: the 3x3 sharpen and smooth kernels, the
// thresholded box blurs (Gaussian, Outlier) and the 5x5 descreen kernels.
// Every pass reads a copy of the picture, computes the pixels that have a full
// window and leaves the outer ring (1 pixel for 3x3, 2 for 5x5) unchanged.
// Bitmaps other than 24-bit are left alone.
#include <array>
#include <cstdint>

#include "core/frame.h"

namespace vimbra {

// Weight k applies to window column k div 3 and window row k mod 3.
using SpatialKernel = std::array<int16_t, 9>;

struct Kernel3x3 {
    SpatialKernel weights{};
    int divisor = 1;  // the sum of the weights
};

// The kernel setters; levels outside their range are taken to the nearest end.
Kernel3x3 MeanRemovalKernel(int level);     // 1..8
Kernel3x3 HighPassMediumKernel(int level);  // 1..4
Kernel3x3 HighPassLightKernel(int level);   // 1..4
Kernel3x3 SoftenKernel(int level);          // 1..10
Kernel3x3 DeFocusKernel(int t);             // 0..254 (255 - strength)

// A square kernel of side 3 or 5, rows top to bottom, columns left to right.
// Each computed byte becomes clamp(sum div divisor, 0, 255), the division
// truncating towards zero. With threshold >= 0 the byte only takes the new
// value when it differs from the old one by more than threshold.
struct WindowKernel {
    int side = 3;
    std::array<int16_t, 25> weights{};
    int divisor = 1;  // a divisor below 1 counts as 1
    int threshold = -1;
};

// Passes on a bare bitmap; progress may be null.
void ConvolveBitmap(Bitmap& bitmap, const WindowKernel& kernel, Progress* progress = nullptr);
void Spatial3x3Bitmap(Bitmap& bitmap, const SpatialKernel& kernel, int divisor,
                      Progress* progress = nullptr);
// Box blur of the nine samples (without the one below the centre when
// skipBelow), min(sum div divisor, 255), kept where it differs by more than
// threshold.
void GaussianBlur3x3Bitmap(Bitmap& bitmap, int threshold, bool skipBelow, int divisor,
                           Progress* progress = nullptr);
// Mode 0 medium, 1 strong, 2 and above high resolution.
void DeScreen5x5Bitmap(Bitmap& bitmap, int mode, Progress* progress = nullptr);

// Passes on a display control: progress on the working picture, then EndPass.
void Spatial3x3(Workspace& ws, PassTarget target, const SpatialKernel& kernel, int divisor);
void MeanRemoval(Workspace& ws, PassTarget target, int level);
void HighPassMedium(Workspace& ws, PassTarget target, int level);
void HighPassLight(Workspace& ws, PassTarget target, int level);
void Soften(Workspace& ws, PassTarget target, int level);
void DeFocus(Workspace& ws, PassTarget target, int t);
void GaussianBlur3x3(Workspace& ws, PassTarget target, int threshold, bool skipBelow, int divisor);
void DeScreen5x5(Workspace& ws, PassTarget target, int mode);

}  // namespace vimbra
