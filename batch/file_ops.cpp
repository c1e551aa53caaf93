#include "batch/file_ops.h"

#include <unistd.h>

#include <QFile>
#include <QString>
#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

namespace vimbra {
namespace {

namespace fs = std::filesystem;

QString Q(const std::string& path) { return QString::fromStdString(path); }

std::string NameOf(const std::string& path) { return fs::path(path).filename().string(); }

// One spelling per file, so two spellings of a path are recognised as the same.
std::string Identity(const std::string& path) {
    std::error_code ec;
    const fs::path p = fs::absolute(path, ec);
    return (ec ? fs::path(path) : p).lexically_normal().string();
}

bool IsFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// QFile::rename never replaces an existing file (on Linux it asks the kernel
// for a rename that refuses a taken name).
bool RenameNoReplace(const std::string& from, const std::string& to) {
    return !Exists(to) && QFile::rename(Q(from), Q(to));
}

FileOutcome Outcome(const std::string& from, const std::string& to, bool ok,
                    const std::string& failure) {
    return {from, to, ok, ok ? std::string() : failure};
}

class Stepper {
public:
    Stepper(BatchProgress* progress, std::string_view caption, size_t total)
        : progress_(progress), total_(total) {
        if (progress_) progress_->begin(caption, total);
    }
    bool cancelled() { return progress_ && progress_->cancelRequested(); }
    void step(size_t done) {
        if (progress_) progress_->step(done, total_, int(done * 100 / std::max<size_t>(total_, 1)));
    }

private:
    BatchProgress* progress_;
    size_t total_;
};

std::string TemporaryName(const std::string& from, size_t index) {
    const fs::path folder = fs::path(from).parent_path();
    for (int attempt = 0;; ++attempt) {
        const std::string name = ".vimbra-rename-" + std::to_string(::getpid()) + "-" +
                                 std::to_string(index) + "-" + std::to_string(attempt) + ".tmp";
        const std::string path = (folder / name).string();
        if (!Exists(path)) return path;
    }
}

}  // namespace

bool BatchOutcome::completed() const { return !cancelled && failures() == 0; }

size_t BatchOutcome::failures() const {
    return size_t(std::count_if(files.begin(), files.end(), [](const FileOutcome& f) { return !f.ok; }));
}

int RenameDigits(size_t n) {
    if (n <= 9) return 1;
    if (n <= 99) return 2;
    if (n <= 999) return 3;
    if (n <= 9999) return 4;
    return 5;
}

std::string RenamedFileName(RenameMode mode, const std::string& prefix, size_t k, size_t n,
                            const std::string& oldPath) {
    std::string digits = std::to_string(k);
    digits.insert(0, size_t(std::max(0, RenameDigits(n) - int(digits.size()))), '0');
    const fs::path old(oldPath);
    if (mode == RenameMode::NumericPrefix) return digits + "~" + old.filename().string();
    return prefix + digits + old.extension().string();
}

BatchOutcome BatchRename(const std::vector<std::string>& files, RenameMode mode,
                         const std::string& prefix, BatchProgress* progress) {
    BatchOutcome out;
    const size_t n = files.size();
    if (n > kMaxRenameCount) {
        out.files.push_back({"", "", false, kTooManyToRename});
        return out;
    }
    // Which entry each existing source file is, to tell names the list itself
    // will free from names taken by other files.
    std::map<std::string, size_t> sourceOf;
    for (size_t i = 0; i < n; ++i)
        if (IsFile(files[i])) sourceOf.emplace(Identity(files[i]), i);

    struct Deferred {
        size_t outcome;
        std::string temporary;
    };
    std::vector<Deferred> deferred;
    Stepper stepper(progress, "Batch Rename", n);
    for (size_t i = 0; i < n; ++i) {
        if (stepper.cancelled()) {
            out.cancelled = true;
            break;
        }
        const std::string& from = files[i];
        const std::string to =
            (fs::path(from).parent_path() / RenamedFileName(mode, prefix, i + 1, n, from)).string();
        const std::string failure = "Could not rename " + NameOf(from);
        const auto self = sourceOf.find(Identity(from));
        if (self == sourceOf.end() || self->second != i) {
            // Missing, or the same file listed twice.
            out.files.push_back(Outcome(from, to, false, failure));
        } else if (Identity(to) == self->first) {
            out.files.push_back(Outcome(from, to, true, failure));
        } else if (!Exists(to)) {
            out.files.push_back(Outcome(from, to, RenameNoReplace(from, to), failure));
        } else if (sourceOf.count(Identity(to))) {
            // Taken by another entry: out of the way now, into place afterwards.
            const std::string temporary = TemporaryName(from, i);
            const bool moved = RenameNoReplace(from, temporary);
            out.files.push_back(Outcome(from, to, moved, failure));
            if (moved) deferred.push_back({out.files.size() - 1, temporary});
        } else {
            out.files.push_back(Outcome(from, to, false, failure));
        }
        stepper.step(i + 1);
    }
    for (const Deferred& d : deferred) {
        FileOutcome& f = out.files[d.outcome];
        if (RenameNoReplace(d.temporary, f.to)) continue;
        f.ok = false;
        f.message = "Could not rename " + NameOf(f.from);
        if (!RenameNoReplace(d.temporary, f.from)) f.message += " (it is now " + d.temporary + ")";
    }
    return out;
}

std::vector<std::string> TransferCollisions(const std::vector<std::string>& files,
                                            const std::string& folder) {
    std::vector<std::string> collisions;
    std::set<std::string> names;
    for (const std::string& file : files) {
        const std::string name = NameOf(file);
        if (!names.insert(name).second || Exists((fs::path(folder) / name).string()))
            collisions.push_back(file);
    }
    return collisions;
}

BatchOutcome TransferFiles(const std::vector<std::string>& files, const std::string& folder,
                           TransferMode mode, BatchProgress* progress) {
    BatchOutcome out;
    const bool move = mode == TransferMode::Move;
    Stepper stepper(progress, move ? "Batch Move" : "Batch Copy", files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        if (stepper.cancelled()) {
            out.cancelled = true;
            break;
        }
        const std::string& from = files[i];
        const std::string to = (fs::path(folder) / NameOf(from)).string();
        std::string failure = (move ? "Could not move " : "Could not copy ") + NameOf(from);
        bool ok = false;
        if (!IsFile(from)) {
            failure = NameOf(from) + " not found.";
        } else if (Exists(to)) {
            failure += ": " + to + " exists.";
        } else {
            // QFile::copy writes a temporary file and renames it into place.
            ok = move ? QFile::rename(Q(from), Q(to)) : QFile::copy(Q(from), Q(to));
        }
        out.files.push_back(Outcome(from, to, ok, failure));
        stepper.step(i + 1);
    }
    return out;
}

FileOutcome DeleteFile(const std::string& path, DeleteMode mode) {
    const bool recycle = mode == DeleteMode::Recycle;
    if (!IsFile(path)) return Outcome(path, "", false, NameOf(path) + " not found.");
    QString trashed;
    const bool ok = recycle ? QFile::moveToTrash(Q(path), &trashed) : QFile::remove(Q(path));
    return Outcome(path, trashed.toStdString(), ok,
                   (recycle ? "Could not recycle " : "Could not delete ") + NameOf(path));
}

BatchOutcome DeleteFiles(const std::vector<std::string>& files, DeleteMode mode,
                         BatchProgress* progress) {
    BatchOutcome out;
    Stepper stepper(progress, mode == DeleteMode::Recycle ? "Batch Recycle" : "Batch Delete",
                    files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        if (stepper.cancelled()) {
            out.cancelled = true;
            break;
        }
        out.files.push_back(DeleteFile(files[i], mode));
        stepper.step(i + 1);
    }
    return out;
}

std::string RecycleQuestion(const std::string& path) {
    return "Recycle " + NameOf(path) + "\n\n[Ignore] avoids this dialog (for experts).";
}

}  // namespace vimbra
