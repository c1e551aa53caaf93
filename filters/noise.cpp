#include "filters/noise.h"

#include <algorithm>
#include <new>
#include <random>

#include "imagefiles/codecs/codec_common.h"
#include "imagefiles/codecs/jpeg_codec.h"

namespace vimbra {
namespace {

SliderParam NoiseSlider() { return {0, 255, 255, 16, 1, "0 (none)", "100 (max)"}; }

void NoiseDialog(Workspace&, FilterDlgParam& p) {
    p.title = "Add Random Noise";
    p.sliderCount = 3;
    p.CustomLabels = true;
    p.EffectCode = 114;
    for (SliderParam& s : p.sliders) s = NoiseSlider();
}

const EditCommand kRandomNoise{
    .name = "onRandomNoise",
    .dialog = NoiseDialog,
    .run = RandomNoise,
};

bool ArtifactFailed(Workspace& ws, const std::string& reason) {
    ws.host().StatusReady(ws);
    ws.host().Ask(MessageKind::Error, reason, Buttons::Ok);
    ws.CancelRequested = true;
    return false;
}

}  // namespace

void RandomNoiseBitmap(Bitmap& bitmap, int r, int g, int b, NoiseRandom& random) {
    const int m = std::max({r, g, b});
    const int w = bitmap.width();
    for (int y = 0; y < bitmap.height(); ++y) {
        uint8_t* p = bitmap.scanLine(y);
        for (int x = 0; x < w; ++x, p += 3) {
            if (!(m > random.next() * 255)) continue;
            p[2] = uint8_t(random.next() * r);
            p[1] = uint8_t(random.next() * g);
            p[0] = uint8_t(random.next() * b);
        }
    }
}

void RandomNoise(Workspace& ws, PassTarget target) {
    NoiseRandom random(std::random_device{}());
    target.bitmap.convertTo24();
    RandomNoiseBitmap(target.bitmap, std::clamp(ws.EffectValue1, 0, 255), std::clamp(ws.EffectValue2, 0, 255),
                      std::clamp(ws.EffectValue3, 0, 255), random);
    EndPass(ws, target);
}

const EditCommand& RandomNoiseCommand() { return kRandomNoise; }

int ArtifactQuality(int32_t n) { return std::clamp<int32_t>(n, 1, 100); }

bool AddArtifact(Workspace& ws, int32_t n) {
    if (ws.Image.isEmpty()) return false;
    JpegWriteOptions options;
    options.quality = ArtifactQuality(n);
    try {
        Bitmap decoded = DecodeJpeg(EncodeJpeg(ws.Image, options));
        decoded.convertTo24();
        decoded.xDotsPerInch = ws.Image.xDotsPerInch;
        decoded.yDotsPerInch = ws.Image.yDotsPerInch;
        ws.Image = std::move(decoded);
    } catch (const ImageFileError& e) {
        return ArtifactFailed(ws, e.what());
    } catch (const std::bad_alloc&) {
        return ArtifactFailed(ws, "Not enough memory for the JPEG round trip.");
    }
    ws.ImageBitDepth = 24;
    ws.syncImageSize();
    EndPass(ws, PassTarget::mainPicture(ws));
    if (!ws.BatchRunning) ws.host().RecordBatchLine(ws, ArtifactLine(n));
    return true;
}

std::string ArtifactLine(int32_t n) { return BipLine("ARTIFACT", {n}); }

bool ArtifactCommand(Workspace& ws, int32_t n) {
    if (n == kDialogCancelled) return false;
    FrameHost& host = ws.host();
    if (host.WarnSVGA(ws) || !host.AutoBackUp(ws)) return false;
    ws.ForceTrueColor();
    ws.remembered.Artifact = n;
    host.ShowBusy(ws, "Adding artifacts ...");
    const bool done = AddArtifact(ws, n);
    if (done) host.AutoConvert(ws);
    host.StatusReady(ws);
    return done;
}

void BipArtifact(Workspace& ws) {
    ws.ForceTrueColor();
    AddArtifact(ws, ws.EffectValue1);
}

}  // namespace vimbra
