#pragma once
// The overlap of a run: the next picture is read on one worker thread while
// the current one is edited, and a saved picture is encoded and written on
// another. At most one read ahead and one write behind at a time, and a read
// ahead waits until the write behind has ended, so a run holds three pictures
// at most: the one written (with the encoder's buffer), the one edited and the
// one read. Without overlap both happen on the caller's thread at once, which
// is the plain run.
#include <future>
#include <string>
#include <sys/stat.h>

#include "cli/run_command.h"

namespace vimbra::cli {

class RunPipeline {
public:
    RunPipeline(RunFileIo io, bool overlap) : io_(std::move(io)), overlap_(overlap) {}
    ~RunPipeline();
    RunPipeline(const RunPipeline&) = delete;
    RunPipeline& operator=(const RunPipeline&) = delete;

    bool overlaps() const { return overlap_; }

    // Starts reading `path` ahead unless a read is already under way; while
    // a save is being written, once it has been collected.
    void readAhead(const std::string& path);
    // The picture of `path`: the read ahead when it is this file, unchanged
    // since; otherwise read now. `useAhead` false leaves the read ahead alone.
    RunLoad read(const std::string& path, bool useAhead = true);
    // Waits for a read ahead and drops it.
    void dropReadAhead();

    // Starts the save of `picture`, which the save owns (lent, or a copy); a
    // previous one must have been collected.
    void write(RunPicture picture, const std::string& path, WriteTurn turn);
    bool writing() const { return writing_; }
    // The write has ended, so collect() will not wait.
    bool writeDone() const;
    RunSave collect();

private:
    struct FileStamp {
        bool ok = false;
        dev_t dev = 0;
        ino_t ino = 0;
        off_t size = 0;
        timespec mtime{};
        bool operator==(const FileStamp& o) const;
    };
    static FileStamp stampOf(const std::string& path);

    RunFileIo io_;
    bool overlap_;
    void startAhead(std::string path);  // by value: it may be waitingPath_

    std::string aheadPath_;
    std::string waitingPath_;  // to read ahead once the write has ended
    FileStamp aheadStamp_;
    std::future<RunLoad> ahead_;
    std::future<RunSave> behind_;
    RunSave written_;  // without overlap
    bool writing_ = false;
};

}  // namespace vimbra::cli
