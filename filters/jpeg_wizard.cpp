#include "filters/jpeg_wizard.h"

#include <algorithm>
#include <exception>

#include "filters/convolution.h"
#include "filters/lightness_filters.h"
#include "imagefiles/codecs/jpeg_codec.h"

namespace vimbra {

void JpegPrefilter(Bitmap& picture, const JpegWizardSettings& settings) {
    const int amount = std::clamp(settings.smoothingAmount, 0, 255);
    if (amount == 0 || picture.depth() != 24) return;
    if (settings.smoothingMode == 1) {
        const Kernel3x3 k = DeFocusKernel(255 - amount);
        Spatial3x3Bitmap(picture, k.weights, k.divisor);
    } else if (settings.smoothingMode == 2) {
        SharpGaussianBlur5x5Bitmap(picture, 255, amount);
    }
}

JpegTrial CompressTrial(const Bitmap& picture, const JpegWizardSettings& settings) {
    JpegTrial t;
    if (picture.isEmpty()) {
        t.error = "No picture to compress.";
        return t;
    }
    try {
        Bitmap work = picture;
        if (work.depth() != 24) work.convertTo24();
        JpegPrefilter(work, settings);
        t.stream = EncodeJpeg(work, WizardJpegOptions(settings));
        t.decoded = DecodeJpeg(ByteSpan(t.stream.data(), t.stream.size()));
    } catch (const std::exception& e) {
        // A stream that cannot be read back is not offered for saving either.
        t.stream.clear();
        t.decoded = Bitmap();
        t.error = e.what();
    }
    return t;
}

std::string FileSizeText(uint64_t bytes) {
    return "File size: " + std::to_string(bytes) + " bytes";
}

std::string CompressionRatioText(int width, int height, uint64_t bytes) {
    if (bytes == 0 || width <= 0 || height <= 0) return "Compression ratio: -";
    const uint64_t raw = uint64_t(width) * uint64_t(height) * 3;
    return "Compression ratio: " + std::to_string(raw / bytes) + "." +
           std::to_string(raw * 10 / bytes % 10) + " to 1";
}

}  // namespace vimbra
