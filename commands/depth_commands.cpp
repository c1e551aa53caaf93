#include "commands/depth_commands.h"

#include "commands/keywords.h"
#include "imagefiles/imglib/imglib.h"

namespace vimbra {
namespace {

void Record(Workspace& ws, const std::string& line) {
    if (!ws.BatchRunning && !line.empty()) ws.host().RecordBatchLine(ws, line);
}

// Gray shades: in place on a true-colour display, through the library's grey
// palette on one of 8 bits or fewer.
bool GrayShades(Workspace& ws) {
    if (!ws.host().AutoBackUp(ws)) return false;
    if (ws.DisplayBitDepth > 8) {
        DoGray(ws, PassTarget::mainPicture(ws));
        return true;
    }
    return ReduceWorkingImage(ws, ReductionFor(ReduceItem::GrayShades, 0, ws.DisplayBitDepth, ws.ImageBitDepth));
}

}  // namespace

bool NeedsReductionMethod(ReduceItem item) {
    return item == ReduceItem::Colors256Dither || item == ReduceItem::Grays256Dither ||
           item == ReduceItem::Colors16Dither || item == ReduceItem::BlackWhite;
}

ReductionRequest ReductionFor(ReduceItem item, int method, int displayBitDepth, int imageBitDepth) {
    static constexpr int kDither[3] = {kImgReduceFixed | kImgReduceDiffuse, kImgReduceMedianCut | kImgReduceDiffuse,
                                       kImgReduceOctree | kImgReduceDiffuse};  // 20, 36, 68
    static constexpr int kBlackWhite[3] = {kImgReduceNearest, kImgReduceOrdered, kImgReduceDiffuse};  // 1, 2, 4
    const int m = method < 0 ? 0 : method > 2 ? 2 : method;
    switch (item) {
        case ReduceItem::Colors256Dither: return {PaletteColours(256, displayBitDepth), kDither[m]};
        case ReduceItem::Grays256Dither:
            return {PaletteColours(256, displayBitDepth), kDither[m] | kImgReduceGrey};
        case ReduceItem::Colors16Dither: return {16, kDither[m]};
        case ReduceItem::BlackWhite: return {2, kBlackWhite[m]};
        case ReduceItem::Colors256Poster: return {PaletteColours(256, displayBitDepth), kImgReduceMedianCut};
        case ReduceItem::Colors16Poster: return {16, kImgReduceMedianCut};
        case ReduceItem::GrayShades: return {imageBitDepth < 8 ? 16 : 256, kImgReduceGrey};
    }
    return {};
}

std::string ReduceLine(ReduceItem item) {
    switch (item) {
        case ReduceItem::Colors256Poster: return keyword::QUANTIZE256;
        case ReduceItem::Colors16Poster: return keyword::QUANTIZE16;
        case ReduceItem::GrayShades: return keyword::GRAYSCALE;
        default: return {};
    }
}

std::string PromoteLine(int bits) { return bits == 4 || bits == 8 ? std::string() : keyword::TRUECOLOR; }

bool ImageReduce(Workspace& ws, ReduceItem item, int method) {
    bool done = false;
    if (item == ReduceItem::GrayShades) {
        done = GrayShades(ws);
    } else if (item == ReduceItem::Colors256Poster || item == ReduceItem::Colors16Poster) {
        done = ws.host().AutoBackUp(ws) && DoPosterize(ws, item == ReduceItem::Colors16Poster ? 4 : 8);
    } else {
        if (method < ReductionMethodDialog::min || method > ReductionMethodDialog::max) return false;
        done = ws.host().AutoBackUp(ws) &&
               ReduceWorkingImage(ws, ReductionFor(item, method, ws.DisplayBitDepth, ws.ImageBitDepth));
    }
    if (done) Record(ws, ReduceLine(item));
    return done;
}

bool ImagePromote(Workspace& ws, int bits) {
    if (bits != 4 && bits != 8) bits = 24;
    FrameHost& host = ws.host();
    if (!host.AutoBackUp(ws)) return false;
    host.ShowBusy(ws, "Promoting...");
    if (!PromoteBitmap(ws.Image, bits)) {
        host.StatusReady(ws);
        return false;
    }
    ws.ImageBitDepth = int16_t(ws.Image.depth());
    ws.syncImageSize();
    host.StatusReady(ws);
    host.RefreshView(ws);
    Record(ws, PromoteLine(bits));
    return true;
}

void AutoConvertReduction(Workspace& ws) {
    // The edit before it took the one undo snapshot; a second would put the
    // picture from before that edit out of reach.
    ReduceWorkingImage(ws, ReductionFor(ReduceItem::Colors256Dither, ReductionMethodDialog::initial,
                                        ws.DisplayBitDepth, ws.ImageBitDepth));
}

void BipGrayscale(Workspace& ws) { DoGray(ws, PassTarget::mainPicture(ws)); }
void BipQuantize16(Workspace& ws) { DoPosterize(ws, 4); }
void BipQuantize256(Workspace& ws) { DoPosterize(ws, 8); }

}  // namespace vimbra
