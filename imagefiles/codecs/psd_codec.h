#pragma once
// Photoshop pictures (".psd"), read only.
//
// Reads the merged picture that follows the layer section, raw or PackBits
// coded, 8 or 16 bits per sample: grey and duotone (8-bit grey picture),
// indexed (8-bit palette picture), RGB, RGB with extra channels, multichannel,
// CMYK and CIE L*a*b* (24-bit pictures; extra channels such as alpha are
// ignored). Bitmap mode (1 bit) is refused with "Invalid image format".
#include <cstdint>

#include "core/bitmap.h"
#include "imagefiles/codecs/codec_common.h"
#include "imagefiles/codecs/raster_core.h"

namespace vimbra {

// Arrangement of the samples of a pixel.
enum class ColorLayout : uint8_t {
    None = 0,
    Indexed = 1,
    Grey = 2,
    GreyAlpha = 3,
    Rgb = 4,
    Rgba = 5,
    Bgr = 6,
    Bgra = 7,
    Reserved = 8,
    Cmyk = 9,
    Lab = 10,
};

// Header facts of a picture file, read without decoding the pixels.
struct HeaderInfo {
    uint8_t flags = 0;
    uint32_t width = 0, height = 0;
    ColorLayout layout = ColorLayout::None;
    int bitsPerSample = 0;
    int samplesPerPixel = 0;
    int bitsPerPixel = 0;
    int packing = 0;  // 1 none, 3 run-length
    int channelCount = 0;
    float gamma = 1.0f;

    static constexpr int kPackingNone = 1;
    static constexpr int kPackingRunLength = 3;
};

// At least 27 bytes, the signature "8BPS" (any case) and version 1.
bool IsValidPsd(ByteSpan data);

// Fills `info` from the header and the section lengths. False (with `info`
// cleared, gamma 1.0) when the data is not a version 1 file, is too short for
// its sections, or has a colour mode that cannot be read (bitmap, unknown).
bool ReadPsdHeader(ByteSpan data, HeaderInfo& info);

// Size and bits per pixel; throws ImageFileError("Invalid image format") where
// ReadPsdHeader answers false.
ImageInfo ReadPsdInfo(ByteSpan data);

// Throws ImageFileError: "Invalid image format" where ReadPsdHeader answers
// false, "Bad PSD file: ..." for a file that cannot be decoded.
Bitmap DecodePsd(ByteSpan data);

}  // namespace vimbra
