// The arithmetic of loading declared in load_dispatch.h: byte sizes, JPEG
// reduction, fax pages as grey, page stepping and status texts.
#include <algorithm>
#include <cstdio>

#include "imagefiles/load_dispatch.h"
#include "imagefiles/pixel_convert.h"

namespace vimbra {

uint64_t ImageByteSize(int64_t width, int64_t height, int depth, int displayBitDepth,
                       bool autoReduce) {
    if (width <= 0 || height <= 0) return 0;
    if (depth == 24 && displayBitDepth <= 8 && autoReduce) depth = 8;
    const uint64_t pixels = uint64_t(width) * uint64_t(height);
    uint64_t bytes = 0;
    switch (depth) {
        case 1:
        case 4:
        case 8:
        case 24:
            bytes = pixels * uint64_t(depth) / 8;
            break;
        case 15:
        case 16:
            bytes = pixels * 2;
            break;
        default:
            bytes = 0;
    }
    return bytes / 4096 * 4096;
}

int JpegReduction(int width, int height, int viewWidth, int viewHeight) {
    if (viewWidth <= 0 || viewHeight <= 0) return 1;
    const int64_t areaW = int64_t(viewWidth) * 2, areaH = int64_t(viewHeight) * 2;
    int divisor = 1;
    while (divisor < 8 && (width / divisor > areaW || height / divisor > areaH)) divisor *= 2;
    return divisor;
}

JpegPlan PlanJpegDecode(const JpegInfo& info, const LoadOptions& o) {
    const bool paletteScreen = o.displayBitDepth <= 8;
    bool scaled = false;
    if (paletteScreen)
        scaled = o.fitToWindow || o.slideshow;
    else if (o.autoReduce && !o.fitToWindow && !o.slideshow)
        scaled = false;
    else
        scaled = o.fitToWindow || o.slideshow || o.halfJpeg;

    JpegPlan plan;
    if (scaled)
        plan.reduction =
            o.halfJpeg ? 2 : JpegReduction(info.width, info.height, o.viewWidth, o.viewHeight);
    plan.read.scale = plan.reduction;
    plan.read.grey = info.components == 1;
    if (paletteScreen && o.autoReduce && !plan.read.grey) {
        // The four palette choices of 256-colour screens.
        const int choice = std::clamp(o.jpegPalette, 0, 3);
        plan.read.quantize = true;
        plan.read.colors = 256;
        plan.read.twoPassQuantize = choice >= 2;
        plan.read.dither = choice == 0   ? JpegDither::Ordered
                           : choice == 2 ? JpegDither::None
                                         : JpegDither::FloydSteinberg;
        if (choice > 1) plan.read.fancyUpsampling = plan.read.blockSmoothing = false;
    }
    return plan;
}

Bitmap FaxPageToGrey(const Bitmap& page, int faxQuality) {
    if (page.depth() != 1 || faxQuality < 1 || faxQuality > 3) return page;
    auto reduced = [&](int side) {
        const int64_t r = faxQuality == 1   ? side / 2
                          : faxQuality == 2 ? int64_t(side) * 3333 / 10000
                                            : side / 4;
        return int(std::max<int64_t>(1, r - 1));
    };
    const int w = page.width(), h = page.height();
    const int nw = reduced(w), nh = reduced(h);

    // Brightness of the two entries, so an inverted palette still shows black ink.
    int level[2] = {0, 255};
    for (size_t i = 0; i < 2 && i < page.palette().size(); ++i) {
        const PaletteEntry& e = page.palette()[i];
        level[i] = (30 * e.red + 60 * e.green + 10 * e.blue) / 100;
    }
    // nw <= w and nh <= h, so every output pixel covers at least one input pixel.
    std::vector<int> xEdge(size_t(nw) + 1);
    for (int ox = 0; ox <= nw; ++ox) xEdge[size_t(ox)] = int(int64_t(ox) * w / nw);
    Bitmap out(nw, nh, 8);
    out.palette() = MakeGreyPalette(8);
    std::vector<uint32_t> sum(static_cast<size_t>(nw));
    std::vector<uint8_t> bits(static_cast<size_t>(w));
    for (int oy = 0; oy < nh; ++oy) {
        const int y0 = int(int64_t(oy) * h / nh), y1 = int(int64_t(oy + 1) * h / nh);
        std::fill(sum.begin(), sum.end(), 0);
        for (int y = y0; y < y1; ++y) {
            UnpackIndices(page.scanLine(y), 1, bits.data(), size_t(w));
            for (int ox = 0; ox < nw; ++ox)
                for (int x = xEdge[size_t(ox)]; x < xEdge[size_t(ox) + 1]; ++x)
                    sum[size_t(ox)] += uint32_t(level[bits[size_t(x)]]);
        }
        uint8_t* row = out.scanLine(oy);
        for (int ox = 0; ox < nw; ++ox) {
            const uint32_t count =
                uint32_t(y1 - y0) * uint32_t(xEdge[size_t(ox) + 1] - xEdge[size_t(ox)]);
            row[ox] = uint8_t((sum[size_t(ox)] + count / 2) / count);
        }
    }
    out.xDotsPerInch = page.xDotsPerInch;
    out.yDotsPerInch = page.yDotsPerInch;
    return out;
}

int PageAfter(PageStep step, int currentPage, int pageCount) {
    if (pageCount < 1) return 0;
    switch (step) {
        case PageStep::First:
            return 0;
        case PageStep::Last:
            return pageCount - 1;
        case PageStep::Next:
            return currentPage + 1 >= pageCount ? 0 : currentPage + 1;
        case PageStep::Previous:
            return currentPage - 1 < 0 ? pageCount - 1 : currentPage - 1;
    }
    return 0;
}

std::string PageStatusText(int currentPage, int pageCount) {
    return "Page " + std::to_string(currentPage + 1) + " of " + std::to_string(pageCount);
}

std::string LoadTimeText(int64_t milliseconds) {
    if (milliseconds > 200) milliseconds -= 100;
    if (milliseconds < 0) milliseconds = 0;
    return "Loaded " + std::to_string(milliseconds / 1000) + "." +
           std::to_string(milliseconds % 1000 / 100) + "s";
}

}  // namespace vimbra
