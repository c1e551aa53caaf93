#pragma once
// The JPEG Compression Wizard's settings record ("JPGwiz1") and the one place
// where a JPEG quality setting becomes libjpeg's quality.
#include <array>
#include <cstdint>
#include <span>

#include "imagefiles/codecs/jpeg_codec.h"

namespace vimbra {

// Where a quality value comes from; the two scales run in opposite directions.
enum class JpegQualityScale {
    SaveDialog,  // the save dialog's slider and vimbra-cli --quality: higher is better
    Wizard,      // the wizard's quality factor: 1 best .. 255 smallest file
};

// Maps a quality setting onto libjpeg's quality 1..100 (100 best):
// - SaveDialog: a value outside 0..128 counts as 50; the value is then limited
//   to 1..100, as libjpeg itself reads 0 as 1 and anything above 100 as 100.
//   So 75 → 75, 0 → 1, 120 → 100, 200 → 50.
// - Wizard: the factor is limited to 1..255, then
//   quality = 100 − (factor − 1) × 99 ÷ 254 (truncating), a straight line from
//   1 → 100 to 255 → 1; the default factor 48 gives 82.
int LibjpegQuality(JpegQualityScale scale, int value);

inline constexpr int kDefaultDialogQuality = 75;

// 16 bytes persisted as "JPGwiz1", little-endian: byte 0 progressive, byte 1
// chroma subsampling allowed, bytes 2 and 3 (set to 1 by the wizard), 32-bit
// smoothing mode at 4, 32-bit smoothing amount (wizard slider) at 8, 32-bit
// quality factor at 12.
struct JpegWizardSettings {
    static constexpr size_t kByteSize = 16;
    static constexpr int32_t kNotLoaded = -1;  // quality before the record was read

    bool progressive = false;
    bool chromaSubsampling = false;
    uint8_t byte2 = 1, byte3 = 1;
    int32_t smoothingMode = 0;    // 0 encoder smoothing, 1 defocus, 2 sharpening blur
    int32_t smoothingAmount = 0;  // 0..255
    int32_t quality = 48;         // factor 1 (best) .. 255 (smallest)

    bool isLoaded() const { return quality != kNotLoaded; }

    std::array<uint8_t, kByteSize> toBytes() const;
    // A record of any other length (or none) gives the defaults.
    static JpegWizardSettings fromBytes(std::span<const uint8_t> bytes);

    bool operator==(const JpegWizardSettings&) const = default;
};

// Encoder settings of the wizard and of batch JPEG conversion: the wizard's
// quality, progressive flag and subsampling (2 × 2 only when allowed), optimised
// Huffman tables, floating-point DCT, and in smoothing mode 0 the encoder's own
// smoothing. libjpeg's smoothing runs 0..100, so the amount 0..255 is scaled
// by 100 ÷ 255.
JpegWriteOptions WizardJpegOptions(const JpegWizardSettings& settings);

}  // namespace vimbra
