#pragma once
// JPEG decoding and encoding over libjpeg, entirely in memory.
#include <cstdint>
#include <functional>
#include <vector>

#include "imagefiles/codecs/codec_common.h"

namespace vimbra {

struct JpegInfo {
    int width = 0, height = 0;  // full size, as stored
    int components = 0;         // 1 grey, 3 colour, 4 CMYK/YCCK
    int bitCount = 0;           // 8 for grey files, 24 otherwise
    bool progressive = false;
    int xDotsPerInch = 0, yDotsPerInch = 0;  // 0: unknown
};

enum class JpegDither { None, Ordered, FloydSteinberg };

struct JpegReadOptions {
    int scale = 1;         // divisor 1, 2, 4 or 8: decode at 1/scale of the size
    bool grey = false;     // 8-bit grey output whatever the file holds
    bool quantize = false; // 8-bit output through a palette of at most `colors` entries
    int colors = 256;
    bool twoPassQuantize = true;  // palette chosen for the picture, else a fixed colour cube
    JpegDither dither = JpegDither::FloydSteinberg;
    bool fancyUpsampling = true;  // smooth chroma upsampling
    bool blockSmoothing = true;   // smooths blocks of early progressive scans
    bool fastDct = false;         // faster, less exact inverse DCT
    // A file that ends inside its compressed data is refused unless this is set
    // (then the missing part is grey).
    bool acceptTruncated = false;
};

struct JpegWriteOptions {
    int quality = 75;               // libjpeg scale, 1..100
    bool forceBaseline = true;      // quantisation values limited to 8 bits
    bool progressive = false;
    bool grey = false;              // one grey component
    bool chromaSubsampling = true;  // 2 × 2 for Cb and Cr, else 1 × 1
    bool optimizeHuffman = true;
    bool floatDct = false;
    int smoothing = 0;              // encoder input smoothing, 0..100
    // Told how many rows from the top the encoder has read and needs no more,
    // every few rows: a picture lent to the encoder can let them go.
    std::function<void(int rows)> rowsTaken = {};
};

// Throws ImageFileError with libjpeg's message for anything it cannot read.
JpegInfo ReadJpegInfo(ByteSpan data);

// 24-bit result for colour output, 8-bit with a grey ramp for grey output,
// 8-bit with the chosen palette when quantising.
Bitmap DecodeJpeg(ByteSpan data, const JpegReadOptions& options = {});

// Pictures of every depth are accepted; palette pictures go through their palette.
std::vector<uint8_t> EncodeJpeg(const Bitmap& bitmap, const JpegWriteOptions& options = {});

}  // namespace vimbra
