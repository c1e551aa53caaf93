#include "shell/preloader.h"

#include <chrono>
#include <filesystem>

#include "filters/memory_guard.h"

namespace vimbra {
namespace {

// The standard readers minus the two that must not leave the GUI thread.
const PluginReaders& WorkerReaders() {
    static const PluginReaders readers = [] {
        PluginReaders r;
        r.photoshop = StandardPluginReaders().photoshop;
        r.photoCd = StandardPluginReaders().photoCd;
        return r;
    }();
    return readers;
}

// What the decoded picture will take, from the header alone. A JPEG viewed
// fitted is decoded reduced, and that is what it will hold.
uint64_t EstimatedBytes(const ProbeResult& probe, const LoadOptions& options) {
    int width = probe.info.width, height = probe.info.height;
    if (probe.reader == ImageReader::Jpeg) {
        JpegInfo info;
        info.width = width;
        info.height = height;
        info.bitCount = probe.info.bitCount;
        info.components = probe.info.bitCount == 8 ? 1 : 3;
        const int scale = std::max(1, PlanJpegDecode(info, options).reduction);
        width = (width + scale - 1) / scale;
        height = (height + scale - 1) / scale;
    }
    const int depth = probe.info.bitCount <= 8 ? std::max(1, probe.info.bitCount) : 24;
    if (width <= 0 || height <= 0) return UINT64_MAX;
    return uint64_t(Bitmap::strideFor(width, depth)) * uint64_t(height);
}

}  // namespace

FileStamp StampOf(const std::string& path) {
    namespace fs = std::filesystem;
    FileStamp s;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::is_regular_file(status)) return s;
    const uintmax_t size = fs::file_size(path, ec);
    if (ec) return s;
    const auto time = fs::last_write_time(path, ec);
    if (ec) return s;
    s.exists = true;
    s.size = uint64_t(size);
    s.modifiedNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
    return s;
}

bool SameLoadOptions(const LoadOptions& a, const LoadOptions& b) {
    return a.fitToWindow == b.fitToWindow && a.slideshow == b.slideshow &&
           a.halfJpeg == b.halfJpeg && a.autoReduce == b.autoReduce &&
           a.jpegPalette == b.jpegPalette && a.faxQuality == b.faxQuality &&
           a.photoCdStep == b.photoCdStep && a.backColor == b.backColor &&
           a.viewWidth == b.viewWidth && a.viewHeight == b.viewHeight &&
           a.displayBitDepth == b.displayBitDepth && a.applyOrientation == b.applyOrientation;
}

bool Preloadable(const std::string& path) { return ClassifyFile(path) == FileKind::Picture; }

LoadResult InstallPreloaded(Workspace& ws, const std::string& path, PreloadedPicture&& p) {
    LoadResult r;
    r.ok = true;
    r.file = p.picture.file;
    ws.setImage(std::move(p.picture.bitmap));
    ws.Metadata = std::move(p.picture.metadata);
    ws.CurrentFileName = path;
    if (r.file.pageCount > 1)
        ws.StatusText = PageStatusText(r.file.currentPage, r.file.pageCount);
    else if (r.file.reader == ImageReader::Jpeg)
        ws.StatusText = LoadTimeText(p.decodeMs);
    else
        ws.StatusText = "Ready.";
    if (!r.file.metadataWarning.empty()) ws.StatusText = r.file.metadataWarning;
    return r;
}

Preloader::Preloader(PreloadBudget budget) : budget_(budget) {
    thread_ = std::thread(&Preloader::run, this);
}

Preloader::~Preloader() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    thread_.join();
}

bool Preloader::wanted(const Job& job) const {
    if (!SameLoadOptions(job.options, wantedOptions_)) return false;
    for (const std::string& p : wanted_)
        if (p == job.path) return true;
    return false;
}

uint64_t Preloader::heldLocked() const {
    uint64_t sum = 0;
    for (const Entry& e : entries_) sum += e.bytes;
    return sum;
}

uint64_t Preloader::limitLocked() const {
    const uint64_t available = AvailableMemory();
    const uint64_t share = available / std::max<uint64_t>(1, budget_.memoryShare);
    return std::min(budget_.maxBytes, share);
}

void Preloader::want(const std::vector<std::string>& paths, const LoadOptions& options) {
    std::vector<Entry> dropped;  // freed after the lock is let go
    {
        std::lock_guard lock(mutex_);
        wanted_.clear();
        for (const std::string& p : paths) {
            if (!Preloadable(p)) continue;
            bool seen = false;
            for (const std::string& w : wanted_) seen = seen || w == p;
            if (!seen) wanted_.push_back(p);
        }
        wantedOptions_ = options;
        for (size_t i = entries_.size(); i-- > 0;) {
            if (!wanted(Job{entries_[i].path, entries_[i].options})) {
                dropped.push_back(std::move(entries_[i]));
                entries_.erase(entries_.begin() + std::ptrdiff_t(i));
            }
        }
        queue_.clear();
        for (const std::string& p : wanted_) {
            bool have = false;
            for (const Entry& e : entries_) have = have || e.path == p;
            if (running_ && running_->path == p && SameLoadOptions(running_->options, options))
                have = true;
            if (!have) queue_.push_back(Job{p, options});
        }
    }
    wake_.notify_one();
}

std::optional<PreloadedPicture> Preloader::take(const std::string& path,
                                                const LoadOptions& options) {
    std::optional<Entry> found;
    {
        std::unique_lock lock(mutex_);
        // A decode of this very file is under way: finishing it is quicker
        // than starting over.
        finished_.wait(lock, [&] {
            return !running_ || running_->path != path ||
                   !SameLoadOptions(running_->options, options);
        });
        for (size_t i = queue_.size(); i-- > 0;)
            if (queue_[i].path == path) queue_.erase(queue_.begin() + std::ptrdiff_t(i));
        for (size_t i = 0; i < entries_.size(); ++i) {
            if (entries_[i].path != path) continue;
            found = std::move(entries_[i]);
            entries_.erase(entries_.begin() + std::ptrdiff_t(i));
            break;
        }
    }
    if (!found || !SameLoadOptions(found->options, options)) return std::nullopt;
    if (StampOf(path) != found->stamp) return std::nullopt;
    return std::move(found->result);
}

void Preloader::clear() {
    std::vector<Entry> dropped;
    std::lock_guard lock(mutex_);
    wanted_.clear();
    queue_.clear();
    dropped.swap(entries_);
}

bool Preloader::waitIdle(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return finished_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return queue_.empty() && !running_; });
}

bool Preloader::ready(const std::string& path) const {
    std::lock_guard lock(mutex_);
    for (const Entry& e : entries_)
        if (e.path == path) return true;
    return false;
}

size_t Preloader::count() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

uint64_t Preloader::bytesHeld() const {
    std::lock_guard lock(mutex_);
    return heldLocked();
}

std::optional<Preloader::Entry> Preloader::decode(const Job& job) {
    Entry e;
    e.path = job.path;
    e.options = job.options;
    e.stamp = StampOf(job.path);
    if (!e.stamp.exists) return std::nullopt;
    LoadOptions o = job.options;
    o.plugins = &WorkerReaders();
    try {
        const ProbeResult probe = ProbeImageFile(job.path, o);
        if (probe.code != kProbePicture) return std::nullopt;
        const uint64_t estimate = EstimatedBytes(probe, o);
        {
            std::lock_guard lock(mutex_);
            if (entries_.size() >= budget_.maxPictures) return std::nullopt;
            const uint64_t held = heldLocked(), limit = limitLocked();
            if (estimate > limit || held > limit - estimate) return std::nullopt;
        }
        const auto start = std::chrono::steady_clock::now();
        e.result.picture = ReadImageFile(job.path, 0, o);
        e.result.decodeMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now() - start)
                                .count();
    } catch (...) {
        // Left to the normal load, which reports what is wrong.
        return std::nullopt;
    }
    // Rewritten while it was read: what was decoded may be half of each.
    if (StampOf(job.path) != e.stamp) return std::nullopt;
    e.bytes = e.result.picture.bitmap.byteSize();
    return e;
}

void Preloader::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stop_ || !queue_.empty(); });
        if (stop_) break;
        running_ = std::move(queue_.front());
        queue_.pop_front();
        const Job job = *running_;
        lock.unlock();
        std::optional<Entry> e = decode(job);
        lock.lock();
        if (e && !stop_ && wanted(job) && entries_.size() < budget_.maxPictures) {
            // The bitmap is allocated by now, so the memory reading already
            // counts it: compare with the share of what was there before.
            const uint64_t available = AvailableMemory();
            const uint64_t before = available == UINT64_MAX ? available : available + e->bytes;
            const uint64_t limit = std::min(
                budget_.maxBytes, before / std::max<uint64_t>(1, budget_.memoryShare));
            if (e->bytes <= limit && heldLocked() <= limit - e->bytes) {
                entries_.push_back(std::move(*e));
                e.reset();
            }
        }
        running_.reset();
        finished_.notify_all();
        if (e) {
            // Not kept: free it without holding up the GUI thread.
            lock.unlock();
            e.reset();
            lock.lock();
        }
    }
}

}  // namespace vimbra
