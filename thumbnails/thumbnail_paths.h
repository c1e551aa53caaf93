#pragma once
// Where the shared thumbnail cache keeps a file's thumbnail: the cache root
// from the environment, the file's URI and the MD5 name derived from it.
#include <string>
#include <string_view>

namespace vimbra::thumbs {

// The two sizes every desktop program shares; the value is the longest side.
enum class ThumbSize { Normal = 128, Large = 256 };

inline int PixelsOf(ThumbSize size) { return static_cast<int>(size); }
// "normal" or "large": the cache folder and the CLI's --size word.
std::string_view SizeName(ThumbSize size);

// Failure entries of this program live in fail/<kFailureFolder>/.
inline constexpr std::string_view kFailureFolder = "vimbra-6.71";

// $XDG_CACHE_HOME/thumbnails when that is set and not blank, else
// $HOME/.cache/thumbnails; empty when neither variable helps.
std::string CacheRootFromEnvironment();

// file:// URI of an absolute, normalised path, bytes outside the unreserved
// and path characters percent-encoded in upper-case hex (as GLib encodes, so
// names match those the file managers make).
std::string FileUri(std::string_view absolutePath);

// The path made absolute (against the working folder) and normalised, without
// following links.
std::string AbsolutePath(std::string_view path);

// 32 lower-case hex digits of the MD5 of the URI, plus ".png".
std::string CacheFileName(std::string_view uri);

std::string ThumbnailPath(const std::string& root, ThumbSize size, std::string_view uri);
std::string FailurePath(const std::string& root, std::string_view uri);

// True for a path inside the cache root: the cache is never thumbnailed.
bool InsideCache(const std::string& root, std::string_view absolutePath);

}  // namespace vimbra::thumbs
