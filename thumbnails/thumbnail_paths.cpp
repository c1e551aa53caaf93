#include "thumbnails/thumbnail_paths.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <cstdlib>
#include <filesystem>

namespace vimbra::thumbs {
namespace {

namespace fs = std::filesystem;

bool Blank(const char* value) {
    if (value == nullptr) return true;
    for (const char* p = value; *p; ++p)
        if (*p != ' ' && *p != '\t') return false;
    return true;
}

// GLib's set for paths: unreserved marks plus the sub-delimiters a path may
// carry unescaped; ';', '?', '#', '%', space and every non-ASCII byte are not.
bool KeptInPath(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    return std::string_view("!$&'()*+,-./:=@_~").find(char(c)) != std::string_view::npos;
}

}  // namespace

std::string_view SizeName(ThumbSize size) { return size == ThumbSize::Large ? "large" : "normal"; }

std::string CacheRootFromEnvironment() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (!Blank(cache)) return (fs::path(cache) / "thumbnails").lexically_normal().string();
    const char* home = std::getenv("HOME");
    if (!Blank(home)) return (fs::path(home) / ".cache" / "thumbnails").lexically_normal().string();
    return {};
}

std::string AbsolutePath(std::string_view path) {
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(path), ec);
    if (ec) p = fs::path(path);
    std::string out = p.lexically_normal().string();
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

std::string FileUri(std::string_view absolutePath) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    uri.reserve(uri.size() + absolutePath.size() * 3);
    for (const char ch : absolutePath) {
        const auto c = static_cast<unsigned char>(ch);
        if (KeptInPath(c)) {
            uri += ch;
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

std::string CacheFileName(std::string_view uri) {
    const QByteArray digest = QCryptographicHash::hash(
        QByteArray::fromRawData(uri.data(), qsizetype(uri.size())), QCryptographicHash::Md5);
    return digest.toHex().toStdString() + ".png";
}

std::string ThumbnailPath(const std::string& root, ThumbSize size, std::string_view uri) {
    return (fs::path(root) / SizeName(size) / CacheFileName(uri)).string();
}

std::string FailurePath(const std::string& root, std::string_view uri) {
    return (fs::path(root) / "fail" / kFailureFolder / CacheFileName(uri)).string();
}

bool InsideCache(const std::string& root, std::string_view absolutePath) {
    if (root.empty()) return false;
    const std::string base = AbsolutePath(root);
    return absolutePath.size() > base.size() && absolutePath.starts_with(base) &&
           absolutePath[base.size()] == '/';
}

}  // namespace vimbra::thumbs
