#pragma once
// The thumbnail files themselves: PNG with the standard's text keys, read as
// hostile input (any program may have written them) and written atomically
// with the modes the cache requires.
#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <optional>
#include <string>

namespace vimbra::thumbs {

struct ThumbKeys {
    std::string uri;               // Thumb::URI
    std::optional<int64_t> mtime;  // Thumb::MTime, seconds
    std::optional<int64_t> size;   // Thumb::Size, bytes
    int imageWidth = 0, imageHeight = 0;  // Thumb::Image::Width / Height; 0: not given
    std::string reason;  // why a failure entry was made (PNG "Comment")
};

struct StoredThumbnail {
    QImage image;
    ThumbKeys keys;
};

// Files larger than this are not thumbnails, whatever else they hold.
inline constexpr int64_t kMaxThumbnailFileBytes = 4 << 20;

// Reads a cache file whose picture may be at most maxSide on either side;
// nullopt (reason in *why) for a missing, oversized, malformed or
// wrongly sized file.
std::optional<StoredThumbnail> ReadThumbnailFile(const std::string& path, int maxSide,
                                                 std::string* why = nullptr);

// The PNG bytes of the picture with the keys given (those unset are left out).
QByteArray EncodeThumbnailPng(const QImage& image, const ThumbKeys& keys);

// The folder and every missing parent made with mode 0700; empty on success,
// else why not.
std::string MakePrivateFolder(const std::string& folder);

// Writes through a temporary file in the same folder renamed into place, mode
// 0600, making the folder first. Empty on success, else why not.
std::string WriteCacheFile(const std::string& path, const QByteArray& bytes);

}  // namespace vimbra::thumbs
