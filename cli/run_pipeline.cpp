#include "cli/run_pipeline.h"

#include <chrono>

namespace vimbra::cli {

RunPipeline::~RunPipeline() {
    // A worker still holds references into this object's functions.
    if (ahead_.valid()) ahead_.wait();
    if (behind_.valid()) behind_.wait();
}

bool RunPipeline::FileStamp::operator==(const FileStamp& o) const {
    return ok && o.ok && dev == o.dev && ino == o.ino && size == o.size &&
           mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec;
}

RunPipeline::FileStamp RunPipeline::stampOf(const std::string& path) {
    FileStamp s;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return s;
    s.ok = true;
    s.dev = st.st_dev;
    s.ino = st.st_ino;
    s.size = st.st_size;
    s.mtime = st.st_mtim;
    return s;
}

void RunPipeline::readAhead(const std::string& path) {
    if (!overlap_ || ahead_.valid()) return;
    if (writing_) {
        waitingPath_ = path;
        return;
    }
    startAhead(path);
}

void RunPipeline::startAhead(std::string path) {
    waitingPath_.clear();
    aheadPath_ = path;
    aheadStamp_ = stampOf(path);
    ahead_ = std::async(std::launch::async, io_.read, path);
}

void RunPipeline::dropReadAhead() {
    waitingPath_.clear();
    if (ahead_.valid()) ahead_.get();
}

RunLoad RunPipeline::read(const std::string& path, bool useAhead) {
    if (useAhead) waitingPath_.clear();
    if (useAhead && ahead_.valid()) {
        const bool same = aheadPath_ == path;
        RunLoad ahead = ahead_.get();
        // The file may have been replaced since: then it is read again.
        if (same && stampOf(path) == aheadStamp_) return ahead;
    }
    return io_.read(path);
}

void RunPipeline::write(RunPicture picture, const std::string& path, WriteTurn turn) {
    writing_ = true;
    if (!overlap_) {
        written_ = io_.save(std::move(picture), path, turn);
        return;
    }
    behind_ = std::async(std::launch::async,
                         [this, picture = std::move(picture), path, turn = std::move(turn)]() mutable {
                             return io_.save(std::move(picture), path, turn);
                         });
}

bool RunPipeline::writeDone() const {
    if (!writing_) return false;
    return !behind_.valid() ||
           behind_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

RunSave RunPipeline::collect() {
    writing_ = false;
    if (!behind_.valid()) return std::move(written_);
    // The written picture and the encoder's buffer are gone now.
    RunSave saved = behind_.get();
    if (!waitingPath_.empty()) startAhead(waitingPath_);
    return saved;
}

}  // namespace vimbra::cli
