#include "filters/analysis.h"

#include <cmath>
#include <cstdlib>

#include "core/histogram.h"
#include "filters/composition.h"
#include "filters/convolution.h"
#include "imagefiles/codecs/jpeg_codec.h"
#include "imagefiles/load_dispatch.h"

namespace vimbra {
namespace {

constexpr int kRecompressQuality = 66;

// Baseline tables, no chroma subsampling, optimised Huffman tables, the
// floating-point DCT and no smoothing: the encoder of every measurement here.
JpegWriteOptions MeasuringJpeg(int quality) {
    JpegWriteOptions o;
    o.quality = quality;
    o.forceBaseline = true;
    o.chromaSubsampling = false;
    o.optimizeHuffman = true;
    o.floatDct = true;
    o.smoothing = 0;
    return o;
}

ChannelMeasure Measure(Real sum, Real sumSq, Real count) {
    ChannelMeasure m;
    m.mean = StatMeanReal(sum, count);
    m.sd = StatDeviationReal(sum, sumSq, count);
    m.gamut = ChannelGamut(m.mean, m.sd);
    return m;
}

// Duplicate and Swap run as a batch would, so they record nothing; the flag
// is cleared afterwards, not restored.
void QuietDuplicate(Workspace& ws) {
    ws.BatchRunning = true;
    DuplicateWorkingImage(ws);
    ws.BatchRunning = false;
}

void QuietSwap(Workspace& ws) {
    ws.BatchRunning = true;
    SwapWithDuplicate(ws);
    ws.BatchRunning = false;
}

// Runs `change` on the working picture, measures it against the picture as it
// was, and brings that picture back.
template <typename Change>
uint64_t MeasuredChange(Workspace& ws, Change change) {
    QuietDuplicate(ws);
    change();
    const uint64_t sum = MeasureDifference(ws);
    QuietSwap(ws);
    return sum;
}

bool RegionFits(const SelRect& r, int width, int height) {
    const int64_t w = std::llabs(int64_t(r.right) - r.left), h = std::llabs(int64_t(r.bottom) - r.top);
    return r.left >= 0 && r.top >= 0 && w > 0 && h > 0 && r.left + w <= width && r.top + h <= height;
}

}  // namespace

int ChannelGamut(Real mean, Real sd) {
    const int64_t m = Nearest(mean), s = Nearest(sd);
    const int64_t lo = std::max<int64_t>(m - s, 0), hi = std::min<int64_t>(m + s, 255);
    return int(std::llabs(hi - lo));
}

int UsedLevels(const Histogram& h) {
    int used = 0;
    for (int i = 0; i < 256; ++i) used += h[size_t(i)] != 0;
    return std::min(used, 255);
}

Real MeasureIndex(uint64_t sum, int64_t pixels) {
    return pixels > 0 ? Real(sum) * 10 / Real(pixels) : 0;
}

Real OverallRating(Real smoothness, Real detail, Real diversity, Real quality) {
    const Real denominator = std::sqrt(smoothness) + detail;
    // A picture without any detail: the fraction 0/0 counts as 0.
    if (denominator == 0) return quality;
    return detail / denominator * diversity + quality;
}

int64_t ComplexityIndex(Bitmap& target, int quality) {
    target.convertTo24();
    const uint64_t byteSize = ImageByteSize(target.width(), target.height(), 24);
    const JpegWriteOptions options = MeasuringJpeg(quality & 0x7F);
    const size_t s1 = EncodeJpeg(target, options).size();
    // Mean removal with centre 17 and divisor 9 (level 0, below the menu's range).
    SpatialKernel kernel;
    kernel.fill(-1);
    kernel[4] = 17;
    Spatial3x3Bitmap(target, kernel, 9);
    const size_t s2 = EncodeJpeg(target, options).size();
    if (byteSize == 0) return 0;
    const auto billionths = [&](size_t s) {
        return int64_t(std::trunc(Real(s) / Real(byteSize) * 1e9L));
    };
    return billionths(s1) + billionths(s2);
}

std::optional<PictureAnalysis> AnalyzeWorkingImage(Workspace& ws, const AnalysisRequest& request) {
    if (!ws.host().AutoBackUp(ws)) return std::nullopt;
    PictureAnalysis a;
    a.fileName = request.fileName;
    a.fileSize = request.fileSize;
    if (request.region && request.crop && RegionFits(*request.region, ws.ImageWidth, ws.ImageHeight)) {
        request.crop(ws, *request.region);
        ws.syncImageSize();
        a.region = true;
    }
    a.modified = request.modified || ws.Modified;

    ws.ForceTrueColor();
    a.pixels = int64_t(ws.Image.width()) * ws.Image.height();
    ws.curves.reset();
    DoCalcHistogram(ws, PassTarget::mainPicture(ws), true, true, true);
    const ChannelStats& s = ws.stats;
    const Real n = s.Count < 1 ? 1 : s.Count;
    a.red = Measure(s.SumRed, s.SumSqRed, n);
    a.grn = Measure(s.SumGrn, s.SumSqGrn, n);
    a.blu = Measure(s.SumBlu, s.SumSqBlu, n);
    a.gry = Measure(s.SumGry, s.SumSqGry, n);
    a.sat = Measure(s.SumSat, s.SumSqSat, n);
    a.hue = Measure(s.SumHue, s.SumSqHue, n);
    a.levelsRed = UsedLevels(ws.hist.HistRed);
    a.levelsGrn = UsedLevels(ws.hist.HistGrn);
    a.levelsBlu = UsedLevels(ws.hist.HistBlu);

    constexpr Real kOne255 = 1.0L / 255;
    a.colourEstimate = Real(a.red.gamut * a.levelsRed) * kOne255 *
                       (Real(a.grn.gamut * a.levelsGrn) * kOne255) *
                       (Real(a.blu.gamut * a.levelsBlu) * kOne255);
    a.uniqueColors = Nearest(a.colourEstimate);
    const bool grey = a.red.gamut == a.grn.gamut && a.grn.gamut == a.blu.gamut;
    a.rawBytes = a.pixels * (grey ? 1 : 3);
    a.compressionRatio = a.fileSize == 0 ? 0 : Real(a.rawBytes) / Real(a.fileSize);
    a.colorDiversity = a.colourEstimate * (1.0L / (255.0L * 255.0L * 255.0L)) * 10000;

    const uint64_t sumJ = MeasuredChange(ws, [&] {
        const std::vector<uint8_t> jpeg = EncodeJpeg(ws.Image, MeasuringJpeg(kRecompressQuality));
        ws.Image = DecodeJpeg(jpeg);
    });
    a.jpegQuality = MeasureIndex(sumJ, a.pixels);
    const uint64_t sumG = MeasuredChange(
        ws, [&] { GaussianBlur3x3(ws, PassTarget::mainPicture(ws), 0, false, 9); });
    a.smoothness = MeasureIndex(sumG, a.pixels);
    const uint64_t sumM = MeasuredChange(ws, [&] { MeanRemoval(ws, PassTarget::mainPicture(ws), 2); });
    a.detail = MeasureIndex(sumM, a.pixels);
    a.overall = OverallRating(a.smoothness, a.detail, a.colorDiversity, a.jpegQuality);

    if (request.complexity) {
        QuietDuplicate(ws);
        a.complexity = ComplexityIndex(ws.Image, kRecompressQuality);
        QuietSwap(ws);
    }
    ws.Modified = false;
    return a;
}

}  // namespace vimbra
