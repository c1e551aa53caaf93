#include "thumbnails/thumbnail_png.h"

#include <sys/stat.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <filesystem>

namespace vimbra::thumbs {
namespace {

namespace fs = std::filesystem;

// A whole decimal number, nothing around it; other programs' keys are not trusted.
std::optional<int64_t> ParseInteger(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    if (bytes.isEmpty()) return std::nullopt;
    int64_t value = 0;
    const auto [end, ec] = std::from_chars(bytes.constData(), bytes.constData() + bytes.size(), value);
    if (ec != std::errc() || end != bytes.constData() + bytes.size()) return std::nullopt;
    return value;
}

int SideFrom(const QString& text) {
    const auto v = ParseInteger(text);
    return v && *v > 0 && *v <= INT32_MAX ? int(*v) : 0;
}

void Fail(std::string* why, std::string text) {
    if (why) *why = std::move(text);
}

}  // namespace

std::optional<StoredThumbnail> ReadThumbnailFile(const std::string& path, int maxSide,
                                                 std::string* why) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        Fail(why, "cannot open " + path + ": " + file.errorString().toStdString());
        return std::nullopt;
    }
    if (file.size() > kMaxThumbnailFileBytes) {
        Fail(why, path + " is too large for a thumbnail");
        return std::nullopt;
    }
    QByteArray bytes = file.read(kMaxThumbnailFileBytes + 1);
    if (bytes.size() > kMaxThumbnailFileBytes) {
        Fail(why, path + " is too large for a thumbnail");
        return std::nullopt;
    }
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    reader.setDecideFormatFromContent(false);
    reader.setAllocationLimit(8);  // megabytes; far above any 256-pixel thumbnail
    const QSize declared = reader.size();
    if (!declared.isValid() || declared.width() < 1 || declared.height() < 1 ||
        declared.width() > maxSide || declared.height() > maxSide) {
        Fail(why, path + ": not a thumbnail of at most " + std::to_string(maxSide) + " pixels");
        return std::nullopt;
    }
    StoredThumbnail out;
    out.image = reader.read();
    if (out.image.isNull() || out.image.size() != declared) {
        Fail(why, path + ": " + reader.errorString().toStdString());
        return std::nullopt;
    }
    out.keys.uri = out.image.text(QStringLiteral("Thumb::URI")).toStdString();
    out.keys.mtime = ParseInteger(out.image.text(QStringLiteral("Thumb::MTime")));
    out.keys.size = ParseInteger(out.image.text(QStringLiteral("Thumb::Size")));
    out.keys.imageWidth = SideFrom(out.image.text(QStringLiteral("Thumb::Image::Width")));
    out.keys.imageHeight = SideFrom(out.image.text(QStringLiteral("Thumb::Image::Height")));
    out.keys.reason = out.image.text(QStringLiteral("Comment")).left(1000).toStdString();
    return out;
}

QByteArray EncodeThumbnailPng(const QImage& image, const ThumbKeys& keys) {
    QImage tagged = image;
    const auto set = [&](const char* key, const QString& value) {
        tagged.setText(QString::fromLatin1(key), value);
    };
    set("Thumb::URI", QString::fromStdString(keys.uri));
    if (keys.mtime) set("Thumb::MTime", QString::number(*keys.mtime));
    if (keys.size) set("Thumb::Size", QString::number(*keys.size));
    if (keys.imageWidth > 0) set("Thumb::Image::Width", QString::number(keys.imageWidth));
    if (keys.imageHeight > 0) set("Thumb::Image::Height", QString::number(keys.imageHeight));
    if (!keys.reason.empty()) set("Comment", QString::fromStdString(keys.reason));
    set("Software", QStringLiteral("vimbra"));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(tagged)) return {};
    return bytes;
}

std::string MakePrivateFolder(const std::string& folder) {
    std::error_code ec;
    if (fs::is_directory(folder, ec)) return {};
    const fs::path parent = fs::path(folder).parent_path();
    if (!parent.empty() && parent != fs::path(folder)) {
        if (std::string why = MakePrivateFolder(parent.string()); !why.empty()) return why;
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return "cannot make the folder " + folder + ": " + std::strerror(errno);
    if (!fs::is_directory(folder, ec)) return "cannot make the folder " + folder + ": not a folder";
    return {};
}

std::string WriteCacheFile(const std::string& path, const QByteArray& bytes) {
    if (bytes.isEmpty()) return "cannot encode the thumbnail for " + path;
    if (std::string why = MakePrivateFolder(fs::path(path).parent_path().string()); !why.empty())
        return why;
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly))
        return "cannot write " + path + ": " + file.errorString().toStdString();
    // Thumbnails may show what only this user can read.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.write(bytes) != bytes.size() || !file.commit())
        return "cannot write " + path + ": " + file.errorString().toStdString();
    return {};
}

}  // namespace vimbra::thumbs
