#include "thumbnails/thumbnail_cache.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>

#include "imagefiles/codecs/codec_common.h"
#include "imagefiles/load_dispatch.h"
#include "imagefiles/qimage_bitmap.h"
#include "thumbnails/thumbnail_png.h"

namespace vimbra::thumbs {
namespace {

// What the cache compares a thumbnail with.
struct SourceFacts {
    std::string path;  // absolute
    std::string uri;
    int64_t mtime = 0;
    int64_t size = 0;
    std::string error;  // set when the file cannot be used at all
};

std::string NameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

SourceFacts StatSource(const std::string& given) {
    SourceFacts f;
    f.path = AbsolutePath(given);
    struct stat st {};
    if (::stat(f.path.c_str(), &st) != 0) {
        f.error = NameOf(f.path) + " not found.";
        return f;
    }
    if (!S_ISREG(st.st_mode)) {
        f.error = NameOf(f.path) + " is not a file.";
        return f;
    }
    // A file this user cannot read leaves no trace in the cache, not even a failure.
    if (::access(f.path.c_str(), R_OK) != 0) {
        f.error = "Cannot read " + NameOf(f.path) + ": " + std::strerror(errno);
        return f;
    }
    f.uri = FileUri(f.path);
    f.mtime = int64_t(st.st_mtime);
    f.size = int64_t(st.st_size);
    return f;
}

bool Matches(const ThumbKeys& keys, const SourceFacts& f) {
    return keys.uri == f.uri && keys.mtime && *keys.mtime == f.mtime &&
           (!keys.size || *keys.size == f.size);
}

ThumbKeys KeysFor(const SourceFacts& f) {
    ThumbKeys k;
    k.uri = f.uri;
    k.mtime = f.mtime;
    k.size = f.size;
    return k;
}

std::optional<ThumbnailResult> FreshThumbnail(const std::string& root, const SourceFacts& f,
                                              ThumbSize size) {
    const std::string path = ThumbnailPath(root, size, f.uri);
    auto stored = ReadThumbnailFile(path, PixelsOf(size));
    if (!stored || !Matches(stored->keys, f)) return std::nullopt;
    ThumbnailResult r;
    r.status = ThumbStatus::Cached;
    r.image = std::move(stored->image);
    r.cachePath = path;
    r.imageWidth = stored->keys.imageWidth;
    r.imageHeight = stored->keys.imageHeight;
    return r;
}

bool UsesCache(const std::string& root, const SourceFacts& f) {
    return !root.empty() && !InsideCache(root, f.path);
}

}  // namespace

QSize FitInside(int width, int height, int side) {
    if (width <= 0 || height <= 0 || side <= 0) return {};
    if (width <= side && height <= side) return {width, height};
    const auto scaled = [side](int64_t shorter, int64_t longer) {
        return int(std::max<int64_t>(1, (shorter * side + longer / 2) / longer));
    };
    if (width >= height) return {side, scaled(height, width)};
    return {scaled(width, height), side};
}

MadeThumbnail MakeThumbnail(const std::string& path, ThumbSize size) {
    const int side = PixelsOf(size);
    LoadOptions options;
    // The reduced JPEG decoding of a window of the thumbnail's size.
    options.fitToWindow = true;
    options.viewWidth = options.viewHeight = side;
    options.backColor = PaletteEntry{255, 255, 255, 0};
    const DecodedPicture picture = ReadImageFile(path, 0, options);
    const QImage source = WrapBitmap(picture.bitmap);
    const QSize fit = FitInside(source.width(), source.height(), side);
    MadeThumbnail made;
    made.image = (fit == source.size() ? source
                                       : source.scaled(fit, Qt::IgnoreAspectRatio, Qt::SmoothTransformation))
                     .convertToFormat(QImage::Format_RGB888);
    if (made.image.isNull()) throw std::bad_alloc();
    made.imageWidth = picture.file.fileWidth;
    made.imageHeight = picture.file.fileHeight;
    return made;
}

ThumbnailCache::ThumbnailCache(std::string root) : root_(std::move(root)) {}

std::optional<ThumbnailResult> ThumbnailCache::lookup(const std::string& path, ThumbSize size) const {
    const SourceFacts f = StatSource(path);
    if (!f.error.empty() || !UsesCache(root_, f)) return std::nullopt;
    return FreshThumbnail(root_, f, size);
}

ThumbnailResult ThumbnailCache::get(const std::string& path, ThumbSize size) const {
    ThumbnailResult r;
    const SourceFacts f = StatSource(path);
    if (!f.error.empty()) {
        r.message = f.error;
        return r;
    }
    const bool cached = UsesCache(root_, f);
    const std::string failurePath = cached ? FailurePath(root_, f.uri) : std::string();
    if (cached) {
        if (auto fresh = FreshThumbnail(root_, f, size)) return std::move(*fresh);
        if (auto failed = ReadThumbnailFile(failurePath, PixelsOf(size));
            failed && Matches(failed->keys, f)) {
            r.failedBefore = true;
            r.message = failed->keys.reason.empty() ? NameOf(f.path) + " could not be read."
                                                    : failed->keys.reason;
            return r;
        }
    }
    MadeThumbnail made;
    try {
        made = MakeThumbnail(f.path, size);
    } catch (const ImageFileError& e) {
        r.message = e.what();
        if (cached) {
            ThumbKeys keys = KeysFor(f);
            keys.reason = r.message;
            QImage dot(1, 1, QImage::Format_RGB888);
            dot.fill(Qt::white);
            r.storeError = WriteCacheFile(failurePath, EncodeThumbnailPng(dot, keys));
        }
        return r;
    } catch (const std::bad_alloc&) {
        // Not the file's fault: no failure entry.
        r.message = "Not enough memory to read " + NameOf(f.path) + ".";
        return r;
    }
    r.status = ThumbStatus::Made;
    r.image = std::move(made.image);
    r.imageWidth = made.imageWidth;
    r.imageHeight = made.imageHeight;
    if (!cached) {
        r.storeError = root_.empty() ? "no thumbnail cache folder (neither XDG_CACHE_HOME nor HOME is set)"
                                     : NameOf(f.path) + " is inside the thumbnail cache";
        return r;
    }
    ThumbKeys keys = KeysFor(f);
    keys.imageWidth = made.imageWidth;
    keys.imageHeight = made.imageHeight;
    const std::string target = ThumbnailPath(root_, size, f.uri);
    r.storeError = WriteCacheFile(target, EncodeThumbnailPng(r.image, keys));
    if (r.storeError.empty()) r.cachePath = target;
    std::error_code ec;
    std::filesystem::remove(failurePath, ec);  // the file changed and reads now
    return r;
}

}  // namespace vimbra::thumbs
