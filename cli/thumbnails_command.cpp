// vimbra-cli thumbnails: fills the shared thumbnail cache and names each thumbnail.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "cli/commands.h"
#include "cli/image_io.h"
#include "thumbnails/folder_pictures.h"
#include "thumbnails/thumbnail_cache.h"

namespace vimbra::cli {
namespace {

// The reader's message with the file named, unless it names the file already.
std::string Named(const std::string& path, const std::string& message) {
    const std::string name = std::filesystem::path(path).filename().string();
    return message.find(name) != std::string::npos ? message : path + ": " + message;
}

// Makes the thumbnails on a few threads and reports them in the order given.
class OrderedRun {
public:
    OrderedRun(const thumbs::ThumbnailCache& cache, thumbs::ThumbSize size,
               const std::vector<std::string>& files)
        : cache_(cache), size_(size), files_(files), results_(files.size()) {}

    // Calls report(path, result) for each file in order; returns when all are done.
    template <typename Report>
    void run(Report report) {
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        const size_t workers = std::min<size_t>({cores, 4, files_.size()});
        std::vector<std::thread> threads;
        for (size_t i = 0; i < workers; ++i) threads.emplace_back([this] { work(); });
        for (size_t i = 0; i < files_.size(); ++i) {
            std::unique_lock lock(mutex_);
            done_.wait(lock, [&] { return results_[i].has_value(); });
            const thumbs::ThumbnailResult r = std::move(*results_[i]);
            results_[i].reset();
            lock.unlock();
            report(files_[i], r);
        }
        for (auto& t : threads) t.join();
    }

private:
    void work() {
        for (size_t i; (i = next_++) < files_.size();) {
            thumbs::ThumbnailResult r;
            try {
                r = cache_.get(files_[i], size_);
            } catch (const std::exception& e) {
                r.message = e.what();
            }
            {
                std::lock_guard lock(mutex_);
                results_[i] = std::move(r);
            }
            done_.notify_all();
        }
    }

    const thumbs::ThumbnailCache& cache_;
    const thumbs::ThumbSize size_;
    const std::vector<std::string>& files_;
    std::vector<std::optional<thumbs::ThumbnailResult>> results_;
    std::atomic<size_t> next_{0};
    std::mutex mutex_;
    std::condition_variable done_;
};

}  // namespace

int Thumbnails(const CliArgs& args) {
    return Guarded([&] {
        using namespace vimbra::thumbs;
        const ThumbSize size = args.largeThumbnails ? ThumbSize::Large : ThumbSize::Normal;
        const ThumbnailCache cache;
        int status = kExitOk;
        std::vector<std::string> files;
        for (const std::string& arg : args.files) {
            std::error_code ec;
            if (!std::filesystem::is_directory(arg, ec)) {
                files.push_back(arg);
                continue;
            }
            std::string error;
            const std::vector<std::string> pictures = FolderPictures(arg, &error);
            if (!error.empty()) {
                PrintError(error);
                status = kExitFailure;
            }
            files.insert(files.end(), pictures.begin(), pictures.end());
        }
        OrderedRun(cache, size, files).run([&](const std::string& path, const ThumbnailResult& r) {
            if (!r.ok()) {
                PrintError(Named(path, r.message));
                status = kExitFailure;
            } else if (r.cachePath.empty()) {
                PrintError("The thumbnail of " + path + " was not written: " + r.storeError);
                status = kExitFailure;
            } else {
                std::printf("%s\n", r.cachePath.c_str());
            }
        });
        return status;
    });
}

}  // namespace vimbra::cli
