#include "imagefiles/file_info.h"

#include <zlib.h>

#include <QDateTime>
#include <QFileInfo>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace vimbra {

uint32_t InfoChecksum(ByteSpan data, uint32_t running) {
    // zlib inverts the register on entry and exit; undoing both leaves the raw register.
    return ~uint32_t(crc32(~running, data.data(), uInt(data.size())));
}

uint32_t FileChecksum(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ImageFileError("Cannot read " + path);
    uint32_t crc = 0xFFFFFFFFu;
    uint8_t block[2048];
    while (in) {
        in.read(reinterpret_cast<char*>(block), sizeof block);
        const std::streamsize n = in.gcount();
        if (n > 0) crc = InfoChecksum(ByteSpan(block, size_t(n)), crc);
    }
    if (in.bad()) throw ImageFileError("Cannot read " + path);
    return crc;
}

std::string PictureDescription(int width, int height, int bitDepth, int reductionFactor,
                               bool deviceDependent) {
    std::string text =
        std::to_string(width) + "x" + std::to_string(height) + "(" + std::to_string(bitDepth) + ")";
    if (reductionFactor > 1) text += " [1:" + std::to_string(reductionFactor) + "]";
    return text + (deviceDependent ? " ddb" : " dib");
}

std::string PictureDescription(const Workspace& ws, const LoadedFile& file) {
    if (file.loadedReduced)
        return PictureDescription(file.fileWidth, file.fileHeight, ws.ImageBitDepth,
                                  file.reductionFactor);
    return PictureDescription(ws.ImageWidth, ws.ImageHeight, ws.ImageBitDepth);
}

int64_t BitmapMemoryBytes(int64_t width, int64_t height, int depth) {
    const uint64_t pixels = uint64_t(width) * uint64_t(height);
    switch (depth) {
        case 1:
            return int64_t(pixels / 8);
        case 4:
            return int64_t(pixels / 2);
        case 8:
            return int64_t(pixels);
        case 15:
        case 16:
            return int64_t(pixels * 2);
        case 24:
            return int64_t(pixels * 3);
        case 32:
            return int64_t(pixels * 4);
        default:
            return -1;
    }
}

FileInfoInput FileInfoFor(const Workspace& ws, const LoadedFile& file) {
    FileInfoInput in;
    in.path = ws.CurrentFileName;
    in.pictureDescription = PictureDescription(ws, file);
    in.pageCount = file.pageCount;
    in.memoryBytes = BitmapMemoryBytes(ws.Image.width(), ws.Image.height(), ws.Image.depth());
    in.displayBitDepth = ws.DisplayBitDepth;
    return in;
}

FileInfoInput FileInfoFor(const std::string& path, const PictureFacts& facts, int displayBitDepth) {
    FileInfoInput in;
    in.path = path;
    in.pictureDescription = PictureDescription(facts.width, facts.height, facts.depth);
    in.pageCount = facts.file.pageCount;
    in.memoryBytes = BitmapMemoryBytes(facts.width, facts.height, facts.depth);
    in.displayBitDepth = displayBitDepth;
    return in;
}

std::string DurationText(int64_t ms) {
    if (ms < 0) return "unknown";
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld s", static_cast<long long>(ms / 1000),
                  static_cast<long long>(ms % 1000));
    return text;
}

std::string FileInfoText(const FileInfoInput& in) {
    const std::filesystem::path path(in.path);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        throw ImageFileError(path.filename().string() + " not found.");
    const std::string sep = in.jpegLayout ? "\r\n" : "\n";

    std::string size;
    if (const auto bytes = std::filesystem::file_size(path, ec); !ec)
        size = std::to_string(uint32_t(bytes));
    const QFileInfo qinfo(QString::fromStdString(in.path));
    const std::string date =
        qinfo.lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
    char crc[16];
    std::snprintf(crc, sizeof crc, "%08X", FileChecksum(in.path));

    std::string text = in.pictureDescription + sep;
    if (!in.jpegLayout) {
        text += "Name: " + path.filename().string() + sep;
        text += "Path: " + std::filesystem::absolute(path, ec).parent_path().string() + sep;
    }
    text += "Date: " + date + sep;
    text += "Size: " + size + " bytes" + sep;
    text += "CRC: " + std::string(crc) + sep;
    if (in.medium) {
        text += "Duration: " + DurationText(in.durationMs);
        if (in.frameWidth > 0 && in.frameHeight > 0)
            text += sep + "Frame: " + std::to_string(in.frameWidth) + "x" + std::to_string(in.frameHeight);
        return text;
    }
    if (in.pageCount > 1) text += "Pages: " + std::to_string(in.pageCount) + sep;
    text += "Uses: " + std::to_string(in.memoryBytes) + " bytes" + sep;
    text += "Video: " + std::to_string(in.displayBitDepth) + " bpp";
    if (!in.photoCdInfo.empty()) text += sep + sep + in.photoCdInfo;
    return text;
}

}  // namespace vimbra
