#pragma once
// Decodes the pictures the viewer will most likely show next (the bookmarks
// after and before the current one) on a worker thread, so that stepping
// through the list finds them ready instead of decoding while the user waits.
//
// Only files the own codecs read are decoded ahead: metafiles are drawn by Qt
// on the GUI thread, and the imaging library keeps shared handles. A file that
// needs either, or fails, is simply not held; the viewer then loads it the
// normal way, so a failed preload never changes what is shown.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/workspace.h"
#include "imagefiles/load_dispatch.h"

namespace vimbra {

// Size and modification time: a file rewritten since it was decoded is stale.
struct FileStamp {
    bool exists = false;
    uint64_t size = 0;
    int64_t modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::string& path);

// True when both option sets decode every file to the same picture (the
// reader plug-ins aside).
bool SameLoadOptions(const LoadOptions& a, const LoadOptions& b);

// Pictures the worker may decode: those with an own codec.
bool Preloadable(const std::string& path);

struct PreloadBudget {
    size_t maxPictures = 2;
    // Held pictures stay within 1/memoryShare of the memory still available.
    uint64_t memoryShare = 4;
    uint64_t maxBytes = UINT64_MAX;  // a fixed ceiling on top
};

struct PreloadedPicture {
    DecodedPicture picture;
    int64_t decodeMs = 0;  // how long the decode took, for the load-time text
};

// The workspace side of a load done ahead: the same state LoadImageFile leaves
// after reading `path` (picture, depth, sizes, CurrentFileName, StatusText,
// Modified cleared).
LoadResult InstallPreloaded(Workspace& ws, const std::string& path, PreloadedPicture&& p);

class Preloader {
public:
    explicit Preloader(PreloadBudget budget = {});
    ~Preloader();
    Preloader(const Preloader&) = delete;
    Preloader& operator=(const Preloader&) = delete;

    // The files to hold decoded with `options`, most wanted first. Pictures
    // not named, or decoded with other options, are dropped.
    void want(const std::vector<std::string>& paths, const LoadOptions& options);
    // Hands over the picture of `path` when it was decoded with `options` and
    // the file has not changed since; waits when it is being decoded right
    // now. Nothing otherwise (the caller loads it itself).
    std::optional<PreloadedPicture> take(const std::string& path, const LoadOptions& options);
    // Drops every held picture and all pending work.
    void clear();
    // Waits until no work is pending or running; false on timeout.
    bool waitIdle(int timeoutMs);

    bool ready(const std::string& path) const;
    size_t count() const;
    uint64_t bytesHeld() const;

private:
    struct Job {
        std::string path;
        LoadOptions options;
    };
    struct Entry {
        std::string path;
        LoadOptions options;
        FileStamp stamp;
        uint64_t bytes = 0;
        PreloadedPicture result;
    };

    void run();
    bool wanted(const Job& job) const;  // with the lock held
    uint64_t heldLocked() const;
    uint64_t limitLocked() const;
    std::optional<Entry> decode(const Job& job);

    const PreloadBudget budget_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;      // work queued or stop
    std::condition_variable finished_;  // a job ended
    std::deque<Job> queue_;
    std::optional<Job> running_;
    std::vector<Entry> entries_;
    std::vector<std::string> wanted_;
    LoadOptions wantedOptions_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace vimbra
