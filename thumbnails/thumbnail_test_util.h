#pragma once
// Pictures and cache files for the thumbnail tests, made without the code under test.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "core/bitmap.h"
#include "imagefiles/codecs/codec_common.h"
#include "imagefiles/codecs/jpeg_codec.h"
#include "imagefiles/codecs/png_codec.h"

namespace vimbra::thumbs::testutil {

// A picture of one colour (given as red, green, blue).
inline Bitmap Solid(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
    Bitmap bmp(width, height, 24);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bmp.scanLine(y);
        for (int x = 0; x < width; ++x) {
            row[3 * x] = b;
            row[3 * x + 1] = g;
            row[3 * x + 2] = r;
        }
    }
    return bmp;
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                std::streamsize(bytes.size()));
}

inline void WriteJpeg(const std::string& path, const Bitmap& bmp) {
    WriteBytes(path, EncodeJpeg(bmp, {.quality = 95}));
}

// The MD5 of `text` as md5sum prints it: another implementation than the library's.
inline std::string Md5sum(const std::string& text) {
    std::string file = "/tmp/vimbra-md5-XXXXXX";
    const int fd = ::mkstemp(file.data());
    if (fd < 0) return {};
    ::close(fd);
    std::ofstream(file, std::ios::binary) << text;
    std::string out;
    if (FILE* p = ::popen(("md5sum '" + file + "'").c_str(), "r")) {
        char buf[64] = {};
        if (std::fgets(buf, 33, p)) out = buf;
        ::pclose(p);
    }
    std::remove(file.c_str());
    return out;
}

inline struct stat Stat(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st;
}

// Moves the file's modification time by `seconds`.
inline void ShiftMtime(const std::string& path, long seconds) {
    const struct stat st = Stat(path);
    const struct timeval times[2] = {{st.st_atime, 0}, {st.st_mtime + seconds, 0}};
    ::utimes(path.c_str(), times);
}

// A thumbnail as another program writes one: Qt's PNG writer with the keys given.
inline void WriteForeignThumbnail(const std::string& path, QImage image,
                                  const std::map<std::string, std::string>& keys) {
    for (const auto& [k, v] : keys) image.setText(QString::fromStdString(k), QString::fromStdString(v));
    QImageWriter writer(QString::fromStdString(path), "png");
    ASSERT_TRUE(writer.write(image)) << writer.errorString().toStdString();
}

}  // namespace vimbra::thumbs::testutil
