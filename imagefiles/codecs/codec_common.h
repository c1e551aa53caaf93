#pragma once
// What every codec shares: the error users see, bounded reading of untrusted
// bytes, the size cap checked before any allocation, and atomic writing.
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/bitmap.h"

namespace vimbra {

using ByteSpan = std::span<const uint8_t>;

// A file that cannot be read or written; what() is the message shown to the user,
// e.g. "Bad PCX file: run past the end of the picture."
class ImageFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws ImageFileError("<format>: picture size ... is out of range.") unless
// 1 <= width, height <= Bitmap::kMaxSide and width * height <= Bitmap::kMaxPixels.
void CheckPictureSize(const char* format, int64_t width, int64_t height);

// Little- or big-endian reads that never run past the data; a short read throws
// ImageFileError("<format>: the file is truncated.").
class ByteReader {
public:
    ByteReader(ByteSpan data, const char* format) : data_(data), format_(format) {}
    size_t position() const { return pos_; }
    size_t size() const { return data_.size(); }
    size_t remaining() const { return data_.size() - pos_; }
    void seek(size_t pos);
    void skip(size_t n) { seek(pos_ + n); }
    uint8_t u8();
    uint16_t u16le();
    uint32_t u32le();
    uint16_t u16be();
    uint32_t u32be();
    int32_t i32le() { return int32_t(u32le()); }
    ByteSpan bytes(size_t n);  // the next n bytes, bounds-checked
    [[noreturn]] void fail(const std::string& what) const;

private:
    void need(size_t n) const;
    ByteSpan data_;
    const char* format_;
    size_t pos_ = 0;
};

// Reads a whole file (refusing files over maxBytes) or throws ImageFileError.
std::vector<uint8_t> ReadWholeFile(const std::string& path, size_t maxBytes = size_t(2) << 30);
// Writes through a temporary file renamed into place, so a failed write never
// damages an existing file. Throws ImageFileError on failure.
void WriteFileAtomically(const std::string& path, ByteSpan bytes);

}  // namespace vimbra
