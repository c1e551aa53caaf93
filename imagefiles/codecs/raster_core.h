#pragma once
// Shared machinery of the BMP, PCX and TGA codecs: header facts, option words,
// the picture allocation guard, run-length coders and a little-endian writer.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/bitmap.h"
#include "imagefiles/codecs/codec_common.h"

namespace vimbra {

// What a header-only read tells: size and bits per pixel as the file states
// them (16 and 32 included), and for multi-page files the page count.
struct ImageInfo {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    int pageCount = 1;
    // Bits per pixel of the picture the decoder makes (1, 4, 8 or 24); 0 when
    // only decoding can tell.
    int pictureDepth = 0;
};

// Option words separated by blanks, tabs or commas, compared ignoring case.
class RasterOptions {
public:
    RasterOptions() = default;
    RasterOptions(std::string_view words);  // NOLINT: implicit from text on purpose
    RasterOptions(const char* words) : RasterOptions(std::string_view(words)) {}
    bool has(std::string_view word) const;

private:
    std::vector<std::string> words_;
};

// Checks the size cap and that `available` input bytes can possibly expand to
// `outputBytes` at `maxRatio` bytes per input byte, then makes the bitmap.
// Guards allocation against tiny files that claim huge pictures.
Bitmap NewRasterBitmap(const char* format, int64_t width, int64_t height, int depth,
                       uint64_t outputBytes, uint64_t available, uint64_t maxRatio);

// File resolution fields (pixels per metre) and dots per inch, both ways;
// values that do not fit (or are not positive) read as 0, i.e. unknown.
int DotsPerInchFromPixelsPerMetre(int64_t ppm);
int32_t PixelsPerMetreFromDotsPerInch(int dpi);

// Run-length decoder of PCX data: a byte with its top two bits set carries a
// count (low six bits) for the byte after it. Runs may cross row boundaries,
// so the decoder keeps an unfinished run between calls.
class PcxRunDecoder {
public:
    PcxRunDecoder(ByteSpan data, const char* format) : data_(data), format_(format) {}
    // Fills out[0..n); throws ImageFileError when the data ends first.
    void read(uint8_t* out, size_t n);
    bool exhausted() const { return pos_ >= data_.size() && pending_ == 0; }

private:
    ByteSpan data_;
    const char* format_;
    size_t pos_ = 0;
    size_t pending_ = 0;
    uint8_t value_ = 0;
};
void EncodePcxRuns(const uint8_t* src, size_t n, std::vector<uint8_t>& out);

// Run-length decoder of TGA packets over pixels of `pixelBytes` bytes: a packet
// byte with bit 7 set repeats the next pixel (low 7 bits + 1) times, else that
// many literal pixels follow. Packets may cross row boundaries.
class TgaPacketDecoder {
public:
    TgaPacketDecoder(ByteSpan data, int pixelBytes, const char* format)
        : data_(data), format_(format), pixelBytes_(size_t(pixelBytes)) {}
    // Fills n pixels (n × pixelBytes bytes) or throws ImageFileError.
    void read(uint8_t* out, size_t n);

private:
    ByteSpan data_;
    const char* format_;
    size_t pixelBytes_;
    size_t pos_ = 0;
    size_t pending_ = 0;
    bool repeat_ = false;
    uint8_t pixel_[4] = {};
};

// Appends little-endian numbers to a byte vector.
class ByteWriter {
public:
    void u8(unsigned v) { out_.push_back(uint8_t(v)); }
    void u16le(unsigned v) {
        u8(v & 0xFF);
        u8((v >> 8) & 0xFF);
    }
    void u32le(uint32_t v) {
        u16le(v & 0xFFFF);
        u16le(v >> 16);
    }
    void bytes(const uint8_t* p, size_t n) { out_.insert(out_.end(), p, p + n); }
    void zeros(size_t n) { out_.insert(out_.end(), n, 0); }
    void reserve(size_t n) { out_.reserve(n); }
    size_t size() const { return out_.size(); }
    std::vector<uint8_t>& buffer() { return out_; }
    std::vector<uint8_t> take() { return std::move(out_); }

private:
    std::vector<uint8_t> out_;
};

}  // namespace vimbra
