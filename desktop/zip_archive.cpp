#include "desktop/zip_archive.h"

#include <sys/stat.h>

#include <zip.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <memory>

namespace vimbra {
namespace {

constexpr const char* kNotExtracted = " allowed; nothing extracted.";
constexpr const char* kNotListed = " Vimbra lists.";

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipCloser>;

struct ZipFileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

std::string CodeText(int code) {
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    std::string text = zip_error_strerror(&e);
    zip_error_fini(&e);
    return text;
}

uint64_t LittleEndian(const char* p, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | uint8_t(p[i]);
    return v;
}

// The entry count the end records claim, read before the whole directory is:
// a huge directory would take long to read only to be refused.
std::optional<uint64_t> ClaimedEntryCount(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    // The end record (22 bytes and a comment of up to 64 KiB) and the Zip64 locator.
    const qint64 tail = std::min<qint64>(f.size(), 22 + 0xFFFF + 20);
    if (!f.seek(f.size() - tail)) return std::nullopt;
    const QByteArray bytes = f.read(tail);
    const qsizetype end = bytes.lastIndexOf(QByteArray("PK\x05\x06", 4));
    if (end < 0 || end + 22 > bytes.size()) return std::nullopt;
    const uint64_t count = LittleEndian(bytes.constData() + end + 10, 2);
    if (count != 0xFFFF || end < 20 || !bytes.mid(end - 20, 4).startsWith("PK\x06\x07"))
        return count;
    const uint64_t at = LittleEndian(bytes.constData() + end - 20 + 8, 8);
    if (at > uint64_t(f.size()) || !f.seek(qint64(at))) return std::nullopt;
    const QByteArray record = f.read(56);
    if (record.size() < 40 || !record.startsWith("PK\x06\x06")) return std::nullopt;
    return LittleEndian(record.constData() + 32, 8);
}

// Opens for reading with the consistency checks on; an error text otherwise.
ZipPtr OpenFile(const std::string& archive, std::string& error, int64_t maxEntries,
                const char* tooMany) {
    const QString path = QString::fromStdString(archive);
    if (!QFileInfo(path).isFile()) {
        error = archive + " not found.";
        return nullptr;
    }
    if (const auto claimed = ClaimedEntryCount(path); claimed && *claimed > uint64_t(maxEntries)) {
        error = archive + " holds " + std::to_string(*claimed) + " entries, more than the " +
                std::to_string(maxEntries) + tooMany;
        return nullptr;
    }
    int code = 0;
    ZipPtr z(zip_open(archive.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code));
    if (!z) error = IncompleteZipMessage(archive) + " (" + CodeText(code) + ")";
    return z;
}

ZipPtr OpenBytes(std::string_view bytes, std::string& error) {
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t* src = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &e);
    zip_t* z = src ? zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &e) : nullptr;
    if (!z) {
        if (src) zip_source_free(src);
        error = IncompleteZipMessage("archive") + " (" + zip_error_strerror(&e) + ")";
    }
    zip_error_fini(&e);
    return ZipPtr(z);
}

ZipEntryInfo EntryAt(zip_t* z, zip_uint64_t i) {
    ZipEntryInfo info;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(z, i, ZIP_FL_ENC_GUESS, &st) != 0) return info;
    if (st.valid & ZIP_STAT_NAME) info.name = st.name;
    if (st.valid & ZIP_STAT_COMP_SIZE) info.packedSize = int64_t(st.comp_size);
    if (st.valid & ZIP_STAT_SIZE) info.size = int64_t(st.size);
    if (st.valid & ZIP_STAT_MTIME) info.modified = st.mtime;
    if (st.valid & ZIP_STAT_ENCRYPTION_METHOD) info.encrypted = st.encryption_method != ZIP_EM_NONE;
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(z, i, 0, &opsys, &attributes) == 0 &&
        opsys == ZIP_OPSYS_UNIX) {
        const mode_t mode = attributes >> 16;
        info.symlink = S_ISLNK(mode);
        info.folder = S_ISDIR(mode);
    }
    if (!info.name.empty() && info.name.back() == '/') info.folder = true;
    return info;
}

// The unix permission bits stored with an entry, without setuid, setgid and
// sticky; 0 when none are stored.
QFile::Permissions StoredPermissions(zip_t* z, zip_uint64_t i) {
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(z, i, 0, &opsys, &attributes) != 0 ||
        opsys != ZIP_OPSYS_UNIX)
        return {};
    const unsigned mode = (attributes >> 16) & 0777;
    QFile::Permissions p;
    if (mode & 0400) p |= QFile::ReadOwner | QFile::ReadUser;
    if (mode & 0200) p |= QFile::WriteOwner | QFile::WriteUser;
    if (mode & 0100) p |= QFile::ExeOwner | QFile::ExeUser;
    if (mode & 0040) p |= QFile::ReadGroup;
    if (mode & 0020) p |= QFile::WriteGroup;
    if (mode & 0010) p |= QFile::ExeGroup;
    if (mode & 0004) p |= QFile::ReadOther;
    if (mode & 0002) p |= QFile::WriteOther;
    if (mode & 0001) p |= QFile::ExeOther;
    return p;
}

// Where the entry's bytes go: the destination folder, or nowhere (testing).
class EntrySink {
public:
    virtual ~EntrySink() = default;
    // False with a log text when the entry may not be written.
    virtual bool makeFolder(const std::string& rel, std::string& why) = 0;
    virtual bool begin(const std::string& rel, std::string& why) = 0;
    virtual bool write(const char* data, size_t n) = 0;
    virtual bool finish(QFile::Permissions permissions, std::time_t modified) = 0;
    virtual void abandon() = 0;
};

class NullSink : public EntrySink {
public:
    bool makeFolder(const std::string&, std::string&) override { return true; }
    bool begin(const std::string&, std::string&) override { return true; }
    bool write(const char*, size_t) override { return true; }
    bool finish(QFile::Permissions, std::time_t) override { return true; }
    void abandon() override {}
};

bool IsLink(const QString& path) {
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

class FolderSink : public EntrySink {
public:
    FolderSink(QString root, bool overwrite) : root_(std::move(root)), overwrite_(overwrite) {}

    bool makeFolder(const std::string& rel, std::string& why) override {
        // Walk down part by part so that a link already in the destination
        // cannot carry the entry somewhere else.
        QString path = root_;
        for (const QString& part : QString::fromStdString(rel).split('/')) {
            path += '/' + part;
            if (IsLink(path)) {
                why = " leads through a link; refused.";
                return false;
            }
            const QFileInfo info(path);
            if (info.isDir()) continue;
            if (info.exists() || !QDir().mkdir(path)) {
                why = " cannot be created.";
                return false;
            }
        }
        return true;
    }

    bool begin(const std::string& rel, std::string& why) override {
        const auto slash = rel.rfind('/');
        if (slash != std::string::npos && !makeFolder(rel.substr(0, slash), why)) return false;
        target_ = root_ + '/' + QString::fromStdString(rel);
        // Writing over a link would write through it, wherever it points.
        if (IsLink(target_)) {
            why = " is a link in the destination; refused.";
            return false;
        }
        if (QFileInfo::exists(target_)) {
            if (!overwrite_) {
                why = " exists; skipped.";
                return false;
            }
            if (QFileInfo(target_).isDir()) {
                why = " is a folder here; skipped.";
                return false;
            }
        }
        file_ = std::make_unique<QSaveFile>(target_);
        if (!file_->open(QIODevice::WriteOnly)) {
            why = " cannot be written.";
            file_.reset();
            return false;
        }
        return true;
    }

    bool write(const char* data, size_t n) override {
        return file_->write(data, qint64(n)) == qint64(n);
    }

    bool finish(QFile::Permissions permissions, std::time_t modified) override {
        const bool ok = file_->commit();
        file_.reset();
        if (!ok) return false;
        QFile written(target_);
        if (modified > 0 && written.open(QIODevice::ReadOnly))
            written.setFileTime(QDateTime::fromSecsSinceEpoch(modified),
                                QFileDevice::FileModificationTime);
        written.close();
        if (permissions) written.setPermissions(permissions);
        return true;
    }

    void abandon() override {
        if (file_) file_->cancelWriting();
        file_.reset();
    }

private:
    QString root_;
    bool overwrite_;
    QString target_;
    std::unique_ptr<QSaveFile> file_;
};

enum class ReadOutcome { Done, BadCrc, Damaged, TooLong, WriteFailed };

// Decompresses entry i into the sink, never past its stated size.
ReadOutcome CopyEntry(zip_t* z, zip_uint64_t i, int64_t size, EntrySink& sink,
                      std::string& detail) {
    std::unique_ptr<zip_file_t, ZipFileCloser> f(zip_fopen_index(z, i, 0));
    if (!f) {
        detail = zip_strerror(z);
        return ReadOutcome::Damaged;
    }
    char buffer[64 * 1024];
    int64_t total = 0;
    for (;;) {
        const zip_int64_t n = zip_fread(f.get(), buffer, sizeof buffer);
        if (n < 0) {
            zip_error_t* e = zip_file_get_error(f.get());
            if (zip_error_code_zip(e) == ZIP_ER_CRC) return ReadOutcome::BadCrc;
            detail = zip_error_strerror(e);
            return ReadOutcome::Damaged;
        }
        if (n == 0) break;
        total += n;
        if (total > size) return ReadOutcome::TooLong;
        if (!sink.write(buffer, size_t(n))) return ReadOutcome::WriteFailed;
    }
    return total == size ? ReadOutcome::Done : ReadOutcome::Damaged;
}

bool Selected(const ZipExtractOptions& options, const std::string& name) {
    return options.only.empty() ||
           std::find(options.only.begin(), options.only.end(), name) != options.only.end();
}

// `freeBytes`: what the destination can still take, or nullopt when unknown.
ZipExtractResult ExtractFrom(zip_t* z, const std::string& archive, EntrySink& sink,
                             const ZipExtractOptions& options,
                             std::optional<uint64_t> freeBytes = std::nullopt) {
    ZipExtractResult r;
    const zip_int64_t count = zip_get_num_entries(z, 0);
    if (count > options.maxEntries) {
        r.error = archive + " holds " + std::to_string(count) + " entries, more than the " +
                  std::to_string(options.maxEntries) + kNotExtracted;
        return r;
    }
    std::vector<ZipEntryInfo> entries;
    entries.reserve(size_t(std::max<zip_int64_t>(count, 0)));
    int64_t totalBytes = 0;  // every entry, for the progress
    int64_t wanted = 0;      // the entries this run writes, as their headers claim
    for (zip_int64_t i = 0; i < count; ++i) {
        entries.push_back(EntryAt(z, zip_uint64_t(i)));
        const ZipEntryInfo& e = entries.back();
        // Clamped, so that the sums (and the percentages) stay far from overflow.
        const int64_t size = std::clamp<int64_t>(e.size, 0, options.maxTotalBytes + 1);
        totalBytes += size;
        if (!e.folder && !e.symlink && Selected(options, e.name))
            wanted = std::min(wanted + size, options.maxTotalBytes + 1);
    }
    if (wanted > options.maxTotalBytes) {
        r.error = archive + " would expand to more than " + std::to_string(options.maxTotalBytes) +
                  " bytes; nothing extracted.";
        return r;
    }
    if (freeBytes && uint64_t(wanted) > *freeBytes) {
        r.error = archive + " would expand to " + std::to_string(wanted) + " bytes, more than the " +
                  std::to_string(*freeBytes) + " bytes free in the destination; nothing extracted.";
        return r;
    }
    int64_t doneBytes = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const ZipEntryInfo& e = entries[size_t(i)];
        doneBytes += std::clamp<int64_t>(e.size, 0, options.maxTotalBytes + 1);
        if (!Selected(options, e.name)) continue;
        auto fail = [&](const std::string& why) {
            r.log.push_back(e.name + " in " + archive + why);
            ++r.failed;
        };
        const auto rel = SafeEntryPath(e.name);
        std::string why;
        if (!rel) {
            fail(" has an unsafe name; refused.");
        } else if (e.symlink) {
            fail(" is a symbolic link; skipped.");
        } else if (e.folder) {
            if (!rel->empty() && !sink.makeFolder(*rel, why)) fail(why);
        } else if (e.encrypted) {
            fail(" is encrypted; skipped.");
        } else if (e.size > options.bombBytes && e.size > options.bombRatio * e.packedSize) {
            fail(" expands too far (a likely zip bomb); refused.");
        } else if (rel->empty()) {
            fail(" has an unsafe name; refused.");
        } else if (!sink.begin(*rel, why)) {
            fail(why);
        } else {
            std::string detail;
            switch (CopyEntry(z, zip_uint64_t(i), e.size, sink, detail)) {
                case ReadOutcome::Done:
                    if (sink.finish(StoredPermissions(z, zip_uint64_t(i)), e.modified)) {
                        ++r.extracted;
                        break;
                    }
                    fail(" cannot be written.");
                    break;
                case ReadOutcome::BadCrc:
                    sink.abandon();
                    fail(" is corrupted (bad CRC).");
                    break;
                case ReadOutcome::TooLong:
                    sink.abandon();
                    fail(" is longer than its stated size; refused.");
                    break;
                case ReadOutcome::WriteFailed:
                    sink.abandon();
                    fail(" cannot be written.");
                    break;
                case ReadOutcome::Damaged:
                    sink.abandon();
                    fail(" is damaged" + (detail.empty() ? std::string() : " (" + detail + ")") +
                         ".");
                    break;
            }
        }
        if (options.progress) {
            const int percent = totalBytes > 0 ? int(doneBytes * 100 / totalBytes)
                                               : int((i + 1) * 100 / count);
            if (!options.progress(percent)) {
                r.cancelled = true;
                break;
            }
        }
    }
    return r;
}

ZipListing ListOpen(zip_t* z, const std::string& archive) {
    ZipListing out;
    const zip_int64_t count = zip_get_num_entries(z, 0);
    if (count > kMaxZipEntries) {
        out.error = archive + " holds " + std::to_string(count) + " entries, more than the " +
                    std::to_string(kMaxZipEntries) + kNotListed;
        return out;
    }
    out.entries.reserve(size_t(std::max<zip_int64_t>(count, 0)));
    for (zip_int64_t i = 0; i < count; ++i) out.entries.push_back(EntryAt(z, zip_uint64_t(i)));
    return out;
}

}  // namespace

std::string IncompleteZipMessage(const std::string& archive) {
    return archive + "\nis incomplete or corrupted.";
}

ZipListing ListZip(const std::string& archive) {
    ZipListing out;
    ZipPtr z = OpenFile(archive, out.error, kMaxZipEntries, kNotListed);
    return z ? ListOpen(z.get(), archive) : out;
}

ZipListing ListZipBytes(std::string_view bytes) {
    ZipListing out;
    ZipPtr z = OpenBytes(bytes, out.error);
    return z ? ListOpen(z.get(), "archive") : out;
}

int64_t ZipRatio(int64_t size, int64_t packedSize) {
    if (size <= 0) return 0;
    return (size - packedSize) * 100 / size;
}

std::optional<std::string> SafeEntryPath(std::string_view name) {
    if (name.empty() || name.front() == '/' || name.find('\\') != std::string_view::npos)
        return std::nullopt;
    if (name.size() >= 2 && name[1] == ':') return std::nullopt;  // "C:..."
    std::string out;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find('/', start);
        if (end == std::string_view::npos) end = name.size();
        const std::string_view part = name.substr(start, end - start);
        if (part == "..") return std::nullopt;
        if (!part.empty() && part != ".") {
            if (!out.empty()) out += '/';
            out += part;
        }
        start = end + 1;
    }
    return out;
}

ZipExtractResult ExtractZip(const std::string& archive, const std::string& destination,
                            const ZipExtractOptions& options) {
    ZipExtractResult r;
    ZipPtr z = OpenFile(archive, r.error, options.maxEntries, kNotExtracted);
    if (!z) return r;
    const QString root = QDir::cleanPath(QString::fromStdString(destination));
    if (!QDir().mkpath(root)) {
        r.error = "Cannot create " + destination + ".";
        return r;
    }
    FolderSink sink(root, options.overwrite);
    // Asked of a name inside the destination, so a mounted one counts.
    const std::string inside = QDir(root).filePath(QStringLiteral("x")).toStdString();
    const std::optional<uint64_t> free =
        options.freeSpace ? options.freeSpace(inside) : FreeDiskSpace(inside);
    return ExtractFrom(z.get(), archive, sink, options, free);
}

ZipExtractResult TestZipBytes(std::string_view bytes, const ZipExtractOptions& options) {
    ZipExtractResult r;
    ZipPtr z = OpenBytes(bytes, r.error);
    if (!z) return r;
    NullSink sink;
    return ExtractFrom(z.get(), "archive", sink, options);
}

}  // namespace vimbra
