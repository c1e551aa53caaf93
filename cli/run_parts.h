#pragma once
// A list of files worked through as N parts side by side (--jobs N), with
// everything the user sees as one run over the whole list gives it: part j
// takes entries j, j + N, j + 2N..., an entry's output is held until every
// earlier entry's is out, and a file of entry i is written only once every
// earlier entry is complete. When the run ends at entry i (a failure, Ctrl+C)
// no later entry writes anything and its output is dropped.
//
// Any command over a file list can use it: each part calls waitTurn(i) before
// it writes for entry i and complete(i, ...) when entry i is done, printing
// into the CapturedOutput it was given.
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace vimbra::cli {

// stdout and stderr of one part, kept in the order written.
class CapturedOutput {
public:
    CapturedOutput();
    ~CapturedOutput();
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    std::FILE* out() const { return out_; }
    std::FILE* err() const { return err_; }
    // What was written since the last take: (0 stdout, 1 stderr, text) pieces.
    std::vector<std::pair<int, std::string>> take();
    // A piece of another stream, after what was written so far.
    void add(int stream, std::string text);

private:
    static ssize_t write(void* cookie, const char* data, size_t size);
    struct Sink {
        CapturedOutput* self;
        int stream;
    };
    Sink outSink_{this, 0}, errSink_{this, 1};
    std::vector<std::pair<int, std::string>> pieces_;
    std::FILE* out_ = nullptr;
    std::FILE* err_ = nullptr;
};

class OrderedEntries {
public:
    // Pieces of this stream go to the side sink with their entry (the report).
    static constexpr int kSideStream = 2;
    using SideSink = std::function<void(size_t entry, const std::string& text)>;

    OrderedEntries(size_t entries, std::FILE* out, std::FILE* err, SideSink side = {})
        : done_(entries), out_(out), err_(err), side_(std::move(side)) {}

    // The entries of part `part` of `parts`, in list order.
    static std::vector<size_t> EntriesOf(size_t part, size_t parts, size_t entries);

    // Waits until every entry before `entry` is complete; false when the run
    // has ended before `entry`.
    bool waitTurn(size_t entry);
    // Entry done with its output; `endsRun` when the run ends at it. False
    // when the run has ended before it (its output is dropped).
    bool complete(size_t entry, std::vector<std::pair<int, std::string>> output, bool endsRun);
    // The entry the run ended at, or the entry count when it went through.
    size_t endedAt();

private:
    struct Done {
        bool done = false, endsRun = false;
        std::vector<std::pair<int, std::string>> output;
    };
    std::mutex mutex_;
    std::condition_variable turn_;
    std::vector<Done> done_;
    size_t next_ = 0;  // the first entry not yet printed
    bool ended_ = false;
    std::FILE* out_;
    std::FILE* err_;
    SideSink side_;
};

// Shard `index` (1-based) of `count`: the entries at positions
// [n (index-1) / count, n index / count) of the list sorted by name, sorted.
// The same list gives the same shards on every machine. `first` receives the
// position of the shard's first entry in the sorted list.
std::vector<std::string> ShardOf(std::vector<std::string> files, size_t index, size_t count,
                                 size_t* first = nullptr);

// Runs part(j) for j in 0..parts-1, each on its own thread, and waits for all.
// An exception leaves its part as the first one thrown is rethrown here.
void RunParts(size_t parts, const std::function<void(size_t part)>& part);

}  // namespace vimbra::cli
