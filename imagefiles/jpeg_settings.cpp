#include "imagefiles/jpeg_settings.h"

#include <algorithm>

namespace vimbra {
namespace {

void PutInt(uint8_t* at, int32_t value) {
    const auto v = uint32_t(value);
    for (int i = 0; i < 4; ++i) at[i] = uint8_t(v >> (8 * i));
}

int32_t GetInt(const uint8_t* at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(at[i]) << (8 * i);
    return int32_t(v);
}

}  // namespace

int LibjpegQuality(JpegQualityScale scale, int value) {
    if (scale == JpegQualityScale::Wizard) {
        const int factor = std::clamp(value, 1, 255);
        return 100 - (factor - 1) * 99 / 254;
    }
    if (value < 0 || value > 128) value = 50;
    return std::clamp(value, 1, 100);
}

std::array<uint8_t, JpegWizardSettings::kByteSize> JpegWizardSettings::toBytes() const {
    std::array<uint8_t, kByteSize> out{};
    out[0] = progressive ? 1 : 0;
    out[1] = chromaSubsampling ? 1 : 0;
    out[2] = byte2;
    out[3] = byte3;
    PutInt(&out[4], smoothingMode);
    PutInt(&out[8], smoothingAmount);
    PutInt(&out[12], quality);
    return out;
}

JpegWizardSettings JpegWizardSettings::fromBytes(std::span<const uint8_t> bytes) {
    JpegWizardSettings s;
    if (bytes.size() != kByteSize) return s;
    s.progressive = bytes[0] != 0;
    s.chromaSubsampling = bytes[1] != 0;
    s.byte2 = bytes[2];
    s.byte3 = bytes[3];
    s.smoothingMode = GetInt(&bytes[4]);
    s.smoothingAmount = GetInt(&bytes[8]);
    s.quality = GetInt(&bytes[12]);
    return s;
}

JpegWriteOptions WizardJpegOptions(const JpegWizardSettings& settings) {
    JpegWriteOptions o;
    o.quality = LibjpegQuality(JpegQualityScale::Wizard, settings.quality);
    o.progressive = settings.progressive;
    o.chromaSubsampling = settings.chromaSubsampling;
    o.optimizeHuffman = true;
    o.floatDct = true;
    o.smoothing =
        settings.smoothingMode == 0 ? std::clamp(settings.smoothingAmount, 0, 255) * 100 / 255 : 0;
    return o;
}

}  // namespace vimbra
