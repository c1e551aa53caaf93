#include "imagefiles/codecs/codec_common.h"

#include <QFile>
#include <QSaveFile>

namespace vimbra {

void CheckPictureSize(const char* format, int64_t width, int64_t height) {
    if (width < 1 || height < 1 || width > Bitmap::kMaxSide || height > Bitmap::kMaxSide ||
        width * height > Bitmap::kMaxPixels)
        throw ImageFileError(std::string(format) + ": picture size " + std::to_string(width) +
                             " x " + std::to_string(height) + " is out of range.");
}

void ByteReader::need(size_t n) const {
    if (n > data_.size() - pos_) fail("the file is truncated.");
}

void ByteReader::fail(const std::string& what) const {
    throw ImageFileError(std::string(format_) + ": " + what);
}

void ByteReader::seek(size_t pos) {
    if (pos > data_.size()) fail("the file is truncated.");
    pos_ = pos;
}

uint8_t ByteReader::u8() {
    need(1);
    return data_[pos_++];
}
uint16_t ByteReader::u16le() {
    need(2);
    const uint16_t v = uint16_t(data_[pos_] | data_[pos_ + 1] << 8);
    pos_ += 2;
    return v;
}
uint32_t ByteReader::u32le() {
    need(4);
    const uint32_t v = uint32_t(data_[pos_]) | uint32_t(data_[pos_ + 1]) << 8 |
                       uint32_t(data_[pos_ + 2]) << 16 | uint32_t(data_[pos_ + 3]) << 24;
    pos_ += 4;
    return v;
}
uint16_t ByteReader::u16be() {
    need(2);
    const uint16_t v = uint16_t(data_[pos_] << 8 | data_[pos_ + 1]);
    pos_ += 2;
    return v;
}
uint32_t ByteReader::u32be() {
    need(4);
    const uint32_t v = uint32_t(data_[pos_]) << 24 | uint32_t(data_[pos_ + 1]) << 16 |
                       uint32_t(data_[pos_ + 2]) << 8 | uint32_t(data_[pos_ + 3]);
    pos_ += 4;
    return v;
}
ByteSpan ByteReader::bytes(size_t n) {
    need(n);
    ByteSpan s = data_.subspan(pos_, n);
    pos_ += n;
    return s;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path, size_t maxBytes) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly))
        throw ImageFileError("Cannot open " + path + ": " + f.errorString().toStdString());
    if (size_t(f.size()) > maxBytes) throw ImageFileError("File is too large: " + path);
    std::vector<uint8_t> data(size_t(f.size()));
    if (!data.empty() && f.read(reinterpret_cast<char*>(data.data()), qint64(data.size())) !=
                             qint64(data.size()))
        throw ImageFileError("Cannot read " + path + ": " + f.errorString().toStdString());
    return data;
}

void WriteFileAtomically(const std::string& path, ByteSpan bytes) {
    QSaveFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::WriteOnly) ||
        f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) !=
            qint64(bytes.size()) ||
        !f.commit())
        throw ImageFileError("Cannot write " + path + ": " + f.errorString().toStdString());
}

}  // namespace vimbra
