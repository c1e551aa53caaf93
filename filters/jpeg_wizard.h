#pragma once
// The JPEG Compression Wizard's trial run: the whole picture pre-filtered as
// the smoothing mode asks, compressed in memory with the wizard's settings and
// decoded again, with the figures shown beside the result.
#include <cstdint>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "imagefiles/jpeg_settings.h"

namespace vimbra {

// Mode 1 defocuses by the smoothing amount, mode 2 runs the edge-keeping 5x5
// blur; mode 0 (the encoder smooths) and an amount of 0 leave the picture.
// Only 24-bit pictures are filtered.
void JpegPrefilter(Bitmap& picture, const JpegWizardSettings& settings);

struct JpegTrial {
    std::vector<uint8_t> stream;  // the compressed file; empty when encoding failed
    Bitmap decoded;               // the file decoded again; empty when it failed
    std::string error;            // why it failed
};

// Encodes a 24-bit copy of `picture` (pre-filtered) and decodes the result.
JpegTrial CompressTrial(const Bitmap& picture, const JpegWizardSettings& settings);

// "File size: N bytes".
std::string FileSizeText(uint64_t bytes);
// "Compression ratio: " U div N "." tenth " to 1", U = width × height × 3;
// "Compression ratio: -" when nothing was encoded.
std::string CompressionRatioText(int width, int height, uint64_t bytes);

}  // namespace vimbra
