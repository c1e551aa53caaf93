#pragma once
// A file's thumbnail from the shared cache: reused while its Thumb::MTime (and
// Thumb::Size, where given) still match the file, otherwise decoded through the
// load dispatch, scaled and written back. A file that cannot be decoded gets a
// failure entry and is not tried again until it changes.
//
// Every call stands alone, so several threads may ask at once.
#include <QImage>
#include <QSize>
#include <cstdint>
#include <optional>
#include <string>

#include "thumbnails/thumbnail_paths.h"

namespace vimbra::thumbs {

enum class ThumbStatus {
    Cached,  // a fresh thumbnail was in the cache (ours or another program's)
    Made,    // decoded now; written to the cache unless `storeError` says why not
    Failed,  // the picture cannot be read (`message`)
};

struct ThumbnailResult {
    ThumbStatus status = ThumbStatus::Failed;
    QImage image;           // null when failed
    std::string cachePath;  // the thumbnail file, when it is in the cache
    std::string message;    // Failed: why the picture cannot be read
    std::string storeError; // why the cache could not be written (the thumbnail is still made)
    bool failedBefore = false;  // Failed from a fresh failure entry, without decoding
    int imageWidth = 0, imageHeight = 0;  // the picture's own size, where known
    bool ok() const { return status != ThumbStatus::Failed; }
};

// The largest size of at most side × side with the picture's aspect, never
// larger than the picture; each side at least 1.
QSize FitInside(int width, int height, int side);

struct MadeThumbnail {
    QImage image;  // RGB, fitted to the size
    int imageWidth = 0, imageHeight = 0;
};
// Decodes the file (reduced where the reader can) and scales it; throws
// ImageFileError with the reader's message.
MadeThumbnail MakeThumbnail(const std::string& path, ThumbSize size);

class ThumbnailCache {
public:
    // An empty root keeps thumbnails in memory only.
    explicit ThumbnailCache(std::string root = CacheRootFromEnvironment());
    const std::string& root() const { return root_; }

    // A fresh cached thumbnail or nullopt; never decodes the picture.
    std::optional<ThumbnailResult> lookup(const std::string& path, ThumbSize size) const;
    // The cached thumbnail when fresh, else a new one (written to the cache).
    ThumbnailResult get(const std::string& path, ThumbSize size) const;

private:
    std::string root_;
};

}  // namespace vimbra::thumbs
