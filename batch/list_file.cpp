#include "batch/list_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string_view>
#include <system_error>

#include "batch/bookmarks.h"

namespace vimbra {

namespace fs = std::filesystem;

namespace {

std::string Quoted(const fs::path& p) { return "\"" + p.string() + "\""; }

std::string ReadError(const fs::path& file, const std::string& why) {
    return "Cannot load the bookmark list " + Quoted(file) + ": " + why + ".";
}

std::string WriteError(const fs::path& file, const std::string& why) {
    return "Cannot save the bookmark list " + Quoted(file) + ": " + why + ".";
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

// Reads the whole file, refusing anything but a regular file within the size cap.
bool Slurp(const fs::path& file, size_t maxBytes, std::string& out, std::string& error) {
    // Non-blocking so a FIFO posing as a list file cannot hang the open.
    Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        error = ReadError(file, std::strerror(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = ReadError(file, "not a regular file");
        return false;
    }
    if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
        error = ReadError(file, "larger than " + std::to_string(maxBytes) + " bytes");
        return false;
    }
    out.clear();
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = ReadError(file, std::strerror(errno));
            return false;
        }
        if (n == 0) break;
        // The file may grow while being read.
        if (out.size() + static_cast<size_t>(n) > maxBytes) {
            error = ReadError(file, "larger than " + std::to_string(maxBytes) + " bytes");
            return false;
        }
        out.append(buf, static_cast<size_t>(n));
    }
    return true;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace

ListReadResult ReadListFile(const fs::path& file, const ListFileLimits& limits, ListLines lines) {
    ListReadResult r;
    std::string text;
    if (!Slurp(file, limits.maxFileBytes, text, r.error)) return r;

    std::error_code ec;
    const fs::path folder = fs::absolute(file, ec).parent_path();

    std::string_view rest(text);
    if (rest.starts_with("\xEF\xBB\xBF")) rest.remove_prefix(3);
    size_t lineNo = 0, nonEmpty = 0;
    while (!rest.empty()) {
        ++lineNo;
        const size_t nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        rest.remove_prefix(nl == std::string_view::npos ? rest.size() : nl + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);

        if (line.empty()) {
            ++r.skippedEmpty;
            if (lines == ListLines::Every) r.entries.emplace_back();
            continue;
        }
        if (line.size() > limits.maxLineLength) {
            r.error = ReadError(file, "line " + std::to_string(lineNo) + " is longer than " +
                                          std::to_string(limits.maxLineLength) + " characters");
            break;
        }
        // A NUL would cut the path short at the system call: not a text list.
        if (line.find('\0') != std::string_view::npos) {
            r.error = ReadError(file, "line " + std::to_string(lineNo) + " holds a NUL byte; not a list file");
            break;
        }
        if (++nonEmpty > limits.maxEntries) {
            r.error = ReadError(file, "more than " + std::to_string(limits.maxEntries) + " entries");
            break;
        }
        fs::path p{std::string(line)};
        if (p.is_relative()) p = (folder / p).lexically_normal();
        std::string entry = p.string();
        if (BookmarkFileExists(entry)) {
            r.entries.push_back(std::move(entry));
        } else {
            ++r.skippedNotFiles;
            if (lines == ListLines::Every) r.entries.push_back(std::move(entry));
        }
    }
    if (!r.ok()) r.entries.clear();
    return r;
}

std::string WriteListFile(const fs::path& file, const std::vector<std::string>& entries) {
    // Through a symbolic link the file it names is replaced, not the link.
    fs::path target = file;
    std::error_code ec;
    if (fs::is_symlink(file, ec)) {
        fs::path resolved = fs::canonical(file, ec);
        if (!ec) target = std::move(resolved);
    }

    std::string text;
    for (const auto& e : entries) {
        if (e.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
            return WriteError(file, "the path " + Quoted(e) + " holds a line break");
        }
        text += e;
        text += "\r\n";
    }

    struct stat old {};
    const bool replacing = ::stat(target.c_str(), &old) == 0;
    if (replacing && !S_ISREG(old.st_mode)) return WriteError(file, "not a regular file");

    // A unique sibling, so the rename stays on one file system and is atomic.
    std::random_device rd;
    std::string tmp;
    int raw = -1;
    for (int attempt = 0; attempt < 16 && raw < 0; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x~", static_cast<unsigned>(rd()));
        tmp = target.string() + suffix;
        raw = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (raw < 0 && errno != EEXIST) break;
    }
    if (raw < 0) return WriteError(file, std::strerror(errno));
    Fd fd(raw);

    bool ok = WriteAll(fd.get(), text);
    int err = ok ? 0 : errno;
    if (ok && replacing && ::fchmod(fd.get(), old.st_mode & 07777) != 0) {
        ok = false;
        err = errno;
    }
    if (ok && ::fsync(fd.get()) != 0) {
        ok = false;
        err = errno;
    }
    if (::close(fd.release()) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(tmp.c_str(), target.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        return WriteError(file, err ? std::strerror(err) : "write failed");
    }
    return {};
}

bool LoadBookmarks(Bookmarks& bookmarks, const fs::path& file, std::string& error,
                   const ListFileLimits& limits) {
    ListReadResult r = ReadListFile(file, limits, ListLines::Every);
    if (!r.ok()) {
        error = std::move(r.error);
        return false;
    }
    if (r.entries.size() == r.skippedEmpty + r.skippedNotFiles) {
        error = "The bookmark list " + Quoted(file) + " names no existing file.";
        return false;
    }
    bookmarks.replace(std::move(r.entries), 0);
    error.clear();
    return true;
}

std::string SaveBookmarks(const Bookmarks& bookmarks, const fs::path& file) {
    return WriteListFile(file, bookmarks.entries());
}

}  // namespace vimbra
