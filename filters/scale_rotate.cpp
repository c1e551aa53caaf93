#include "filters/scale_rotate.h"

#include <string>
#include <utility>

namespace vimbra {
namespace {

constexpr const char* kScaleFailed = "The imaging library could not scale the picture.";

// Hands a copy of the working picture to the library, lets `steps` replace the
// held library picture, and takes the result back only when it exists.
template <class Steps>
bool ThroughLibrary(Workspace& ws, const char* fallback, Steps&& steps) {
    if (ws.Image.isEmpty()) return false;
    CurrentImg picture;
    picture.replace(ImgFromBitmap(ws.Image));
    if (!picture || !steps(picture)) return ReportLibraryFailure(ws, fallback);
    Bitmap result;
    if (!ImgTakeBitmap(picture.release(), result)) return ReportLibraryFailure(ws, fallback);
    ws.Image = std::move(result);
    ws.ImageBitDepth = int16_t(ws.Image.depth());
    ws.syncImageSize();
    EndPass(ws, PassTarget::mainPicture(ws));
    return true;
}

// A scaled copy, through twice the size first when asked. The intermediate is
// left out when the library could not hold it, so a large picture still scales.
bool Scale(CurrentImg& picture, int32_t width, int32_t height, int mode, bool throughDouble) {
    const int64_t w2 = int64_t(width) * 2, h2 = int64_t(height) * 2;
    if (throughDouble && w2 <= Bitmap::kMaxSide && h2 <= Bitmap::kMaxSide && w2 * h2 <= Bitmap::kMaxPixels) {
        picture.replace(ImgCopy(picture.get(), int(w2), int(h2), nullptr, mode));
        if (!picture) return false;
    }
    picture.replace(ImgCopy(picture.get(), width, height, nullptr, mode));
    return bool(picture);
}

}  // namespace

int CopyModeForIndex(int copyOpIndex) {
    switch (copyOpIndex) {
        case 1: return kImgCopyPreserveBlack;
        case 2: return kImgCopyPreserveWhite;
        default: return kImgCopySmooth;
    }
}

bool ReportLibraryFailure(Workspace& ws, std::string_view fallback) {
    std::string text = ImgGetStatus().text;
    if (text.empty()) text = fallback;
    ws.host().StatusReady(ws);
    ws.host().Ask(MessageKind::Error, text, Buttons::Ok);
    ws.CancelRequested = true;
    return false;
}

bool ResizeWorkingImage(Workspace& ws, int32_t width, int32_t height, int copyMode) {
    const bool throughDouble = height == ws.Image.height() && width < ws.Image.width();
    return ThroughLibrary(ws, kScaleFailed, [&](CurrentImg& picture) {
        return Scale(picture, width, height, copyMode, throughDouble);
    });
}

bool ResampleChangesSize(const Workspace& ws, int32_t width, int32_t height) {
    const bool same = width == ws.Image.width() && height == ws.Image.height();
    return !same && width > 15 && height > 15;
}

bool ResampleWorkingImage(Workspace& ws, int32_t width, int32_t height) {
    if (!ResampleChangesSize(ws, width, height)) return false;
    const bool throughDouble = width < ws.Image.width() || height < ws.Image.height();
    return ThroughLibrary(ws, kScaleFailed, [&](CurrentImg& picture) {
        return Scale(picture, width, height, kImgCopySmooth, throughDouble);
    });
}

bool RotateWorkingImage(Workspace& ws, int32_t libraryAngle, uint32_t fillRgb) {
    return ThroughLibrary(ws, "The imaging library could not rotate the picture.", [&](CurrentImg& picture) {
        picture.replace(ImgRotate(picture.get(), libraryAngle, fillRgb));
        return bool(picture);
    });
}

bool MirrorWorkingImage(Workspace& ws, bool vertical) {
    return ThroughLibrary(ws, "The imaging library could not mirror the picture.", [&](CurrentImg& picture) {
        return ImgMirror(picture.get(), vertical ? 1 : 0, vertical ? 0 : 1) != 0;
    });
}

}  // namespace vimbra
