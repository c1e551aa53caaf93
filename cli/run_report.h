#pragma once
// What a run tells about each input as it finishes: one JSON line in the
// --report file, and a step of the progress line on a terminal.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace vimbra::cli {

struct EntryRecord {
    enum class Status { Ok, Failed, Skipped } status = Status::Ok;
    std::string input;
    std::vector<std::string> outputs;  // files written from this input, in order
    std::string message;               // why it failed or was skipped; empty when ok
    int64_t milliseconds = 0;
};

// A JSON string of bytes: UTF-8 as it is, control characters escaped, and
// each byte that is no part of valid UTF-8 as \udcXX (the byte 0xXX, as
// file names are commonly carried), so a report can name any file.
std::string JsonString(std::string_view bytes);

// {"input": ..., "outputs": [...], "status": ..., "message": ..., "milliseconds": N}
std::string ReportLine(const EntryRecord& record);

// The progress line on a terminal: "7/20  2.4 pictures/s  0:05 left",
// redrawn in place. Text written through out() or err() clears it first, so
// it never mixes into other lines.
class ProgressLine {
public:
    // Shown only when `enabled` (stderr is a terminal and not --quiet).
    ProgressLine(size_t total, bool enabled);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    bool enabled() const { return enabled_; }
    std::FILE* out() const { return out_; }
    std::FILE* err() const { return err_; }
    void step();
    // Clears the line; nothing is drawn after.
    void finish();

    // The text of the line after `done` of `total` in `seconds`.
    static std::string Text(size_t done, size_t total, double seconds);

private:
    static ssize_t write(void* cookie, const char* data, size_t size);
    void clearLocked();
    struct Sink {
        ProgressLine* self;
        std::FILE* target;
        bool sharesTerminal;  // writes where the line is drawn
    };
    size_t total_, done_ = 0;
    bool enabled_, shown_ = false, finished_ = false;
    std::chrono::steady_clock::time_point start_, drawn_;
    std::mutex mutex_;
    Sink outSink_{this, stdout, false}, errSink_{this, stderr, true};
    std::FILE* out_ = stdout;
    std::FILE* err_ = stderr;
};

// Where the lines of the entries go: the report file (appended to, one
// write per line so shards may share one file) and the progress line.
class RunReporter {
public:
    RunReporter(size_t entries, ProgressLine& progress) : written_(entries), progress_(progress) {}
    ~RunReporter();
    RunReporter(const RunReporter&) = delete;
    RunReporter& operator=(const RunReporter&) = delete;

    // Opens (creates) the report for appending; false with `error` set.
    bool open(const std::string& path, std::string& error);
    // Entry `entry` is done; `line` is its ReportLine.
    void done(size_t entry, const std::string& line);
    // Every entry without a line yet gets one, skipped, as the run never
    // reached it.
    void skipRest(const std::vector<std::string>& inputs);

private:
    std::mutex mutex_;
    int fd_ = -1;
    std::vector<char> written_;
    ProgressLine& progress_;
};

// Blocks of a megabyte and more are mapped apart and returned when freed:
// otherwise the allocator keeps the encoder's buffers of earlier pictures in
// its arenas, one per worker thread, and a run grows past its pictures.
void ReturnLargeBlocksAtOnce();

// Peak memory of the run above what the process held when it began, from
// the kernel's high-water mark (reset at the start where the kernel allows).
class PeakMemory {
public:
    PeakMemory();
    // Bytes; 0 when unknown.
    uint64_t aboveStart() const;
    // With VIMBRA_PEAK_MEMORY set in the environment: "Peak memory: N bytes
    // above the start." on stderr (for the benchmark).
    void printIfAsked() const;

private:
    uint64_t startRss_ = 0;
    bool reset_ = false;
};

}  // namespace vimbra::cli
