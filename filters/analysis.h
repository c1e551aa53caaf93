#pragma once
// Image > Analyze: statistics of the working picture and how much it changes
// under JPEG recompression, a 3x3 blur and a sharpening pass. The measuring
// sums are 64-bit, so large pictures with strong differences are not cut off.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/frame.h"

namespace vimbra {

struct ChannelMeasure {
    Real mean = 0, sd = 0;
    int gamut = 0;
};

// gamut = |hi - lo| with lo = R(mean) - R(sd) raised to 0 and hi = R(mean) + R(sd)
// lowered to 255, R rounding halves to even.
int ChannelGamut(Real mean, Real sd);
// 256 minus the empty bins of the first 256, lowered to 255.
int UsedLevels(const Histogram& h);

struct PictureAnalysis {
    std::string fileName;  // full path as analysed
    bool modified = false;  // picture changed, shown reduced or fitted
    bool region = false;    // a region was analysed
    int64_t pixels = 0;
    uint32_t fileSize = 0;  // low 32 bits of the size
    ChannelMeasure red, grn, blu, gry, sat, hue;
    int levelsRed = 0, levelsGrn = 0, levelsBlu = 0;
    Real colourEstimate = 0;
    int64_t uniqueColors = 0;
    int64_t rawBytes = 0;
    Real compressionRatio = 0;  // 0 when the file size reads as 0
    Real colorDiversity = 0;
    Real jpegQuality = 0, smoothness = 0, detail = 0, overall = 0;
    std::optional<int64_t> complexity;
};

struct AnalysisRequest {
    std::string fileName;
    uint32_t fileSize = 0;
    bool modified = false;  // Modified, HalfJpeg or FitToWindow
    bool complexity = false;
    // A region to analyse, and how to crop the picture to it. Without a crop
    // function, or when the region does not lie inside the picture, the whole
    // picture is analysed.
    std::optional<SelRect> region;
    std::function<void(Workspace&, const SelRect&)> crop;
};

// Measures the working picture. Leaves its pixels as they were (cropped when a
// region was analysed), the duplicate holding the last processed picture,
// identity curves, the histograms of the picture and Modified clear. Nothing
// when the undo snapshot is refused.
std::optional<PictureAnalysis> AnalyzeWorkingImage(Workspace& ws, const AnalysisRequest& request);

// Sum of the sizes of two JPEG encodings (quality's low 7 bits, no chroma
// subsampling), the second after a mean-removal pass, each in billionths of
// ImageByteSize. 0 for pictures under 4096 bytes. Changes the pixels.
int64_t ComplexityIndex(Bitmap& target, int quality);

// The measures derived from the three sums (over all bytes) and the diversity.
Real MeasureIndex(uint64_t sum, int64_t pixels);
Real OverallRating(Real smoothness, Real detail, Real diversity, Real quality);

}  // namespace vimbra
