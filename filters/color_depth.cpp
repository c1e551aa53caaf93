#include "filters/color_depth.h"

#include <array>
#include <new>
#include <string>

#include "filters/library_failure.h"
#include "imagefiles/imglib/imglib.h"
#include "imagefiles/imglib/imglib_ops.h"

namespace vimbra {
namespace {

// The three truncated terms of the grey value, one table per channel.
struct GrayTerms {
    std::array<uint8_t, 256> red{}, green{}, blue{};
    GrayTerms() {
        for (int i = 0; i < 256; ++i) {
            red[size_t(i)] = uint8_t(3 * i / 10);
            green[size_t(i)] = uint8_t(6 * i / 10);
            blue[size_t(i)] = uint8_t(i / 10);
        }
    }
};

}  // namespace

void DoGrayBitmap(Bitmap& bitmap) {
    static const GrayTerms terms;
    const int w = bitmap.width();
    for (int y = 0; y < bitmap.height(); ++y) {
        uint8_t* p = bitmap.scanLine(y);
        for (int x = 0; x < w; ++x, p += 3) {
            const uint8_t g = uint8_t(terms.blue[p[0]] + terms.green[p[1]] + terms.red[p[2]]);
            p[0] = p[1] = p[2] = g;
        }
    }
}

void DoGray(Workspace& ws, PassTarget target) {
    if (target.isMainPicture) {
        ws.ForceTrueColor();
    } else {
        target.bitmap.convertTo24();
    }
    DoGrayBitmap(target.bitmap);
    EndPass(ws, target);
}

int PaletteColours(int colours, int displayBitDepth) {
    return colours == 256 && displayBitDepth == 8 ? 236 : colours;
}

bool ReduceWorkingImage(Workspace& ws, const ReductionRequest& request, const char* busy) {
    FrameHost& host = ws.host();
    // The library works on a copy: the picture stays until a result exists.
    CurrentImg picture;
    try {
        picture.replace(ImgFromBitmap(ws.Image));
    } catch (const std::bad_alloc&) {
        return LibraryFailed(ws, "Not enough memory to hand the picture over.");
    }
    if (!picture) return LibraryFailed(ws, "The imaging library could not take the picture.");
    host.ShowBusy(ws, busy);
    picture.replace(ImgReduceColors(picture.get(), request.colours, request.flags));
    if (!picture) return LibraryFailed(ws, "The imaging library could not reduce the colors.");
    Bitmap result;
    if (!ImgToBitmap(picture.get(), result) || result.isEmpty())
        return LibraryFailed(ws, "The imaging library could not reduce the colors.");
    result.xDotsPerInch = ws.Image.xDotsPerInch;
    result.yDotsPerInch = ws.Image.yDotsPerInch;
    ws.Image = std::move(result);
    ws.ImageBitDepth = int16_t(ws.Image.depth());
    ws.syncImageSize();
    EndPass(ws, PassTarget::mainPicture(ws));
    return true;
}

bool DoPosterize(Workspace& ws, int bits) {
    ws.ForceTrueColor();
    const int colours = PaletteColours(bits == 4 ? 16 : 256, ws.DisplayBitDepth);
    return ReduceWorkingImage(ws, {colours, kImgReduceMedianCut});
}

bool PromoteBitmap(Bitmap& bitmap, int bits) {
    if (bitmap.depth() >= bits) return true;
    if (bits == 24) {
        bitmap.convertTo24();
        return true;
    }
    try {
        bitmap = imglib::IncreasePicture(bitmap, bits);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace vimbra
