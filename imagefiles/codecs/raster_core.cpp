#include "imagefiles/codecs/raster_core.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace vimbra {

RasterOptions::RasterOptions(std::string_view words) {
    std::string word;
    auto flush = [&] {
        if (!word.empty()) words_.push_back(std::move(word));
        word.clear();
    };
    for (char c : words) {
        if (c == ' ' || c == '\t' || c == ',')
            flush();
        else
            word.push_back(char(std::tolower(static_cast<unsigned char>(c))));
    }
    flush();
}

bool RasterOptions::has(std::string_view word) const {
    return std::any_of(words_.begin(), words_.end(), [&](const std::string& w) {
        return w.size() == word.size() &&
               std::equal(w.begin(), w.end(), word.begin(), [](char a, char b) {
                   return a == std::tolower(static_cast<unsigned char>(b));
               });
    });
}

Bitmap NewRasterBitmap(const char* format, int64_t width, int64_t height, int depth,
                       uint64_t outputBytes, uint64_t available, uint64_t maxRatio) {
    CheckPictureSize(format, width, height);
    // Divide rather than multiply: available × ratio may overflow.
    if (outputBytes / maxRatio > available)
        throw ImageFileError(std::string(format) + ": the file is truncated.");
    return Bitmap(int(width), int(height), depth);
}

int DotsPerInchFromPixelsPerMetre(int64_t ppm) {
    if (ppm <= 0) return 0;
    const double dpi = std::nearbyint(double(ppm) * 0.0254);
    return dpi > 65535 ? 0 : int(dpi);
}

int32_t PixelsPerMetreFromDotsPerInch(int dpi) {
    if (dpi <= 0) return 0;
    return int32_t(std::nearbyint(double(dpi) * 39.370078740157480317));
}

void PcxRunDecoder::read(uint8_t* out, size_t n) {
    while (n > 0) {
        if (pending_ == 0) {
            if (pos_ >= data_.size())
                throw ImageFileError(std::string(format_) + ": the file is truncated.");
            const uint8_t b = data_[pos_++];
            if ((b & 0xC0) == 0xC0) {
                if (pos_ >= data_.size())
                    throw ImageFileError(std::string(format_) + ": the file is truncated.");
                pending_ = b & 0x3F;
                value_ = data_[pos_++];
                continue;  // a zero count is legal and yields nothing
            }
            *out++ = b;
            --n;
            continue;
        }
        const size_t k = std::min(pending_, n);
        std::memset(out, value_, k);
        out += k;
        n -= k;
        pending_ -= k;
    }
}

void EncodePcxRuns(const uint8_t* src, size_t n, std::vector<uint8_t>& out) {
    size_t i = 0;
    while (i < n) {
        const uint8_t v = src[i];
        size_t run = 1;
        while (i + run < n && run < 63 && src[i + run] == v) ++run;
        if (run > 1 || (v & 0xC0) == 0xC0) out.push_back(uint8_t(0xC0 | run));
        out.push_back(v);
        i += run;
    }
}

void TgaPacketDecoder::read(uint8_t* out, size_t n) {
    const auto truncated = [&] {
        throw ImageFileError(std::string(format_) + ": the file is truncated.");
    };
    while (n > 0) {
        if (pending_ == 0) {
            if (pos_ >= data_.size()) truncated();
            const uint8_t head = data_[pos_++];
            pending_ = size_t(head & 0x7F) + 1;
            repeat_ = (head & 0x80) != 0;
            if (repeat_) {
                if (data_.size() - pos_ < pixelBytes_) truncated();
                std::memcpy(pixel_, data_.data() + pos_, pixelBytes_);
                pos_ += pixelBytes_;
            }
        }
        const size_t k = std::min(pending_, n);
        if (repeat_) {
            for (size_t i = 0; i < k; ++i, out += pixelBytes_) std::memcpy(out, pixel_, pixelBytes_);
        } else {
            const size_t bytes = k * pixelBytes_;
            if (data_.size() - pos_ < bytes) truncated();
            std::memcpy(out, data_.data() + pos_, bytes);
            pos_ += bytes;
            out += bytes;
        }
        n -= k;
        pending_ -= k;
    }
}

}  // namespace vimbra
