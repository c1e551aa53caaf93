#include "filters/scale_rotate.h"

#include <string>
#include <utility>

#include "filters/library_failure.h"

namespace vimbra {
namespace {

constexpr const char* kScaleFailed = "The imaging library could not scale the picture.";

// Lends the working picture to the library (moved, not copied) and lets
// `steps` make the result from its handle: a new handle, the same one for an
// in-place call, or 0. The result replaces the picture; on failure the
// picture is given back as it was.
template <class Steps>
bool ThroughLibrary(Workspace& ws, const char* fallback, Steps&& steps) {
    if (ws.Image.isEmpty()) return false;
    const ImgHandle original = ImgAdoptBitmap(ws.Image);
    if (original == 0) {
        ShowLibraryFailure(ws, LibraryFailureText(fallback));
        return false;
    }
    const ImgHandle result = steps(original);
    Bitmap out;
    if (result == 0 || !ImgTakeBitmap(result, out)) {
        const std::string text = LibraryFailureText(fallback);
        ImgTakeBitmap(original, ws.Image);
        ShowLibraryFailure(ws, text);
        return false;
    }
    if (result != original) ImgClose(original);
    ws.Image = std::move(out);
    ws.ImageBitDepth = int16_t(ws.Image.depth());
    ws.syncImageSize();
    EndPass(ws, PassTarget::mainPicture(ws));
    return true;
}

// A scaled copy, through twice the size first when asked. The intermediate is
// left out when the library could not hold it, so a large picture still scales.
ImgHandle Scale(ImgHandle source, int32_t width, int32_t height, int mode, bool throughDouble) {
    const int64_t w2 = int64_t(width) * 2, h2 = int64_t(height) * 2;
    if (throughDouble && w2 <= Bitmap::kMaxSide && h2 <= Bitmap::kMaxSide && w2 * h2 <= Bitmap::kMaxPixels) {
        // Closed by CurrentImg, which leaves the status of a failed copy for the caller.
        CurrentImg twice;
        twice.replace(ImgCopy(source, int(w2), int(h2), nullptr, mode));
        return twice ? ImgCopy(twice.get(), width, height, nullptr, mode) : 0;
    }
    return ImgCopy(source, width, height, nullptr, mode);
}

}  // namespace

int CopyModeForIndex(int copyOpIndex) {
    switch (copyOpIndex) {
        case 1: return kImgCopyPreserveBlack;
        case 2: return kImgCopyPreserveWhite;
        default: return kImgCopySmooth;
    }
}

bool ResizeWorkingImage(Workspace& ws, int32_t width, int32_t height, int copyMode) {
    const bool throughDouble = height == ws.Image.height() && width < ws.Image.width();
    return ThroughLibrary(ws, kScaleFailed, [&](ImgHandle picture) {
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
    return ThroughLibrary(ws, kScaleFailed, [&](ImgHandle picture) {
        return Scale(picture, width, height, kImgCopySmooth, throughDouble);
    });
}

bool RotateWorkingImage(Workspace& ws, int32_t libraryAngle, uint32_t fillRgb) {
    return ThroughLibrary(ws, "The imaging library could not rotate the picture.",
                          [&](ImgHandle picture) { return ImgRotate(picture, libraryAngle, fillRgb); });
}

bool MirrorWorkingImage(Workspace& ws, bool vertical) {
    return ThroughLibrary(ws, "The imaging library could not mirror the picture.", [&](ImgHandle picture) {
        return ImgMirror(picture, vertical ? 1 : 0, vertical ? 0 : 1) != 0 ? picture : ImgHandle(0);
    });
}

}  // namespace vimbra
