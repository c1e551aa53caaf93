#pragma once
// Helpers for codec tests: deterministic pictures, comparison by appearance,
// a scratch folder, and running ImageMagick or GraphicsMagick to make fixtures.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "imagefiles/codecs/codec_common.h"
#include "imagefiles/pixel_convert.h"

namespace vimbra::testutil {

// A palette of n distinct, non-grey colours.
inline std::vector<PaletteEntry> ColourPalette(int n) {
    std::vector<PaletteEntry> pal;
    for (int i = 0; i < n; ++i)
        pal.push_back(PaletteEntry{uint8_t(i * 37 + 11), uint8_t(255 - i * 13), uint8_t(i * 101 + 3), 0});
    return pal;
}

// Noise with some flat runs (so run-length coders see both), palette of full size.
inline Bitmap MakePicture(int width, int height, int depth, uint32_t seed = 1) {
    Bitmap bmp(width, height, depth);
    std::mt19937 rng(seed);
    const int levels = depth == 24 ? 256 : 1 << depth;
    std::vector<uint8_t> idx(size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        const size_t n = size_t(width) * (depth == 24 ? 3 : 1);
        for (size_t i = 0; i < n; ++i)
            idx[i] = (y % 3 == 1 && i > n / 3) ? idx[i - 1] : uint8_t(rng() % unsigned(levels));
        if (depth == 24)
            std::copy(idx.begin(), idx.begin() + long(n), bmp.scanLine(y));
        else
            PackIndices(idx.data(), depth, bmp.scanLine(y), size_t(width));
    }
    if (depth <= 8) bmp.palette() = ColourPalette(levels);
    return bmp;
}

inline Bitmap As24(const Bitmap& bmp) {
    Bitmap copy = bmp;
    copy.convertTo24();
    return copy;
}

// Same size and the same colour at every pixel (within `tolerance` per
// channel), whatever the depth or palette.
inline ::testing::AssertionResult SameLook(const Bitmap& a, const Bitmap& b, int tolerance = 0) {
    if (a.width() != b.width() || a.height() != b.height())
        return ::testing::AssertionFailure() << "size " << a.width() << "x" << a.height()
                                             << " vs " << b.width() << "x" << b.height();
    const Bitmap x = As24(a), y = As24(b);
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col)
            for (int c = 0; c < 3; ++c) {
                const int u = x.scanLine(row)[3 * col + c], v = y.scanLine(row)[3 * col + c];
                if (std::abs(u - v) > tolerance)
                    return ::testing::AssertionFailure()
                           << "pixel (" << col << "," << row << ") channel " << c << ": " << u
                           << " vs " << v;
            }
    return ::testing::AssertionSuccess();
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vimbra-codec-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// 24-bit picture as binary PPM, the neutral format handed to the tools.
inline void WritePpm(const std::string& path, const Bitmap& bmp) {
    const Bitmap rgb = As24(bmp);
    std::string head = "P6\n" + std::to_string(rgb.width()) + " " + std::to_string(rgb.height()) + "\n255\n";
    std::vector<uint8_t> out(head.begin(), head.end());
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) {
            const uint8_t* p = rgb.scanLine(y) + 3 * x;
            out.insert(out.end(), {p[2], p[1], p[0]});
        }
    WriteBytes(path, out);
}

inline Bitmap ReadPpm(const std::string& path) {
    const std::vector<uint8_t> data = ReadBytes(path);
    size_t pos = 0;
    auto token = [&] {
        while (pos < data.size() && std::isspace(data[pos])) ++pos;
        std::string t;
        while (pos < data.size() && !std::isspace(data[pos])) t.push_back(char(data[pos++]));
        return t;
    };
    if (token() != "P6") throw std::runtime_error("not a P6 file: " + path);
    const int w = std::stoi(token()), h = std::stoi(token());
    if (token() != "255") throw std::runtime_error("not 8-bit: " + path);
    ++pos;
    if (data.size() - pos < size_t(w) * size_t(h) * 3) throw std::runtime_error("short PPM");
    Bitmap bmp(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, pos += 3) {
            uint8_t* p = bmp.scanLine(y) + 3 * x;
            p[0] = data[pos + 2];
            p[1] = data[pos + 1];
            p[2] = data[pos];
        }
    return bmp;
}

// Command prefixes of the independent tools present on this machine.
inline std::vector<std::string> ConverterTools() {
    std::vector<std::string> tools;
    if (std::filesystem::exists("/usr/bin/convert-im6.q16")) tools.push_back("/usr/bin/convert-im6.q16");
    if (std::filesystem::exists("/usr/bin/gm")) tools.push_back("/usr/bin/gm convert");
    return tools;
}

inline std::string ImageMagick() {
    return std::filesystem::exists("/usr/bin/convert-im6.q16") ? "/usr/bin/convert-im6.q16" : "";
}

// Runs `tool args`; quiet unless it fails.
inline bool RunTool(const std::string& tool, const std::string& args) {
    const std::string cmd = tool + " " + args + " 2>/dev/null";
    return std::system(cmd.c_str()) == 0;
}

// Decoding must either succeed or throw ImageFileError; anything else fails.
inline void ExpectOnlyImageFileError(const std::function<void()>& decode) {
    try {
        decode();
    } catch (const ImageFileError&) {
    } catch (const std::exception& e) {
        ADD_FAILURE() << "unexpected exception: " << e.what();
    }
}

// Every prefix shorter than `limit` must be refused with ImageFileError.
inline void ExpectPrefixesRefused(const std::vector<uint8_t>& file, size_t limit,
                                  const std::function<void(ByteSpan)>& decode) {
    for (size_t n = 0; n < limit && n < file.size(); ++n) {
        SCOPED_TRACE("prefix of " + std::to_string(n) + " bytes");
        EXPECT_THROW(decode(ByteSpan(file.data(), n)), ImageFileError);
    }
}

// Flips bytes at random and decodes; only ImageFileError may come out.
inline void MutationSmoke(const std::vector<uint8_t>& file, int rounds,
                          const std::function<void(ByteSpan)>& decode) {
    std::mt19937 rng(7);
    for (int i = 0; i < rounds; ++i) {
        std::vector<uint8_t> copy = file;
        const int flips = 1 + int(rng() % 4);
        for (int f = 0; f < flips; ++f) copy[rng() % copy.size()] = uint8_t(rng());
        if (rng() % 4 == 0) copy.resize(rng() % copy.size());
        ExpectOnlyImageFileError([&] { decode(copy); });
    }
}

}  // namespace vimbra::testutil
