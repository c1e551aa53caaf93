#include "cli/run_parts.h"

#include <algorithm>
#include <exception>
#include <thread>

namespace vimbra::cli {

CapturedOutput::CapturedOutput() {
    const cookie_io_functions_t io{nullptr, &CapturedOutput::write, nullptr, nullptr};
    out_ = fopencookie(&outSink_, "w", io);
    err_ = fopencookie(&errSink_, "w", io);
    if (out_ == nullptr || err_ == nullptr) throw std::bad_alloc();
    // Unbuffered, so pieces of the two streams keep their order.
    std::setvbuf(out_, nullptr, _IONBF, 0);
    std::setvbuf(err_, nullptr, _IONBF, 0);
}

CapturedOutput::~CapturedOutput() {
    if (out_) std::fclose(out_);
    if (err_) std::fclose(err_);
}

ssize_t CapturedOutput::write(void* cookie, const char* data, size_t size) {
    auto* sink = static_cast<Sink*>(cookie);
    auto& pieces = sink->self->pieces_;
    if (!pieces.empty() && pieces.back().first == sink->stream) {
        pieces.back().second.append(data, size);
    } else {
        pieces.emplace_back(sink->stream, std::string(data, size));
    }
    return ssize_t(size);
}

std::vector<std::pair<int, std::string>> CapturedOutput::take() {
    std::fflush(out_);
    std::fflush(err_);
    return std::exchange(pieces_, {});
}

void CapturedOutput::add(int stream, std::string text) {
    std::fflush(out_);
    std::fflush(err_);
    pieces_.emplace_back(stream, std::move(text));
}

std::vector<size_t> OrderedEntries::EntriesOf(size_t part, size_t parts, size_t entries) {
    std::vector<size_t> mine;
    for (size_t i = part; parts > 0 && i < entries; i += parts) mine.push_back(i);
    return mine;
}

bool OrderedEntries::waitTurn(size_t entry) {
    std::unique_lock lock(mutex_);
    turn_.wait(lock, [&] { return next_ >= entry || ended_; });
    return next_ >= entry;
}

bool OrderedEntries::complete(size_t entry, std::vector<std::pair<int, std::string>> output,
                              bool endsRun) {
    std::lock_guard lock(mutex_);
    if (entry >= done_.size() || (ended_ && entry >= next_)) return false;
    done_[entry] = Done{true, endsRun, std::move(output)};
    while (!ended_ && next_ < done_.size() && done_[next_].done) {
        Done& d = done_[next_];
        for (const auto& [stream, text] : d.output) {
            if (stream == kSideStream) {
                if (side_) side_(next_, text);
                continue;
            }
            std::FILE* f = stream == 0 ? out_ : err_;
            std::fwrite(text.data(), 1, text.size(), f);
            std::fflush(f);
        }
        d.output.clear();
        if (d.endsRun) {
            ended_ = true;
        } else {
            ++next_;
        }
    }
    turn_.notify_all();
    return !ended_;
}

size_t OrderedEntries::endedAt() {
    std::lock_guard lock(mutex_);
    return ended_ ? next_ : done_.size();
}

std::vector<std::string> ShardOf(std::vector<std::string> files, size_t index, size_t count,
                                 size_t* first) {
    std::sort(files.begin(), files.end());
    const size_t n = files.size();
    const size_t begin = count == 0 ? 0 : n * (index - 1) / count;
    const size_t end = count == 0 ? n : n * index / count;
    if (first) *first = begin;
    return std::vector<std::string>(files.begin() + std::ptrdiff_t(begin),
                                    files.begin() + std::ptrdiff_t(end));
}

void RunParts(size_t parts, const std::function<void(size_t part)>& part) {
    std::vector<std::thread> threads;
    std::vector<std::exception_ptr> errors(parts);
    for (size_t j = 0; j < parts; ++j) {
        threads.emplace_back([&, j] {
            try {
                part(j);
            } catch (...) {
                errors[j] = std::current_exception();
            }
        });
    }
    for (std::thread& t : threads) t.join();
    for (const std::exception_ptr& e : errors)
        if (e) std::rethrow_exception(e);
}

}  // namespace vimbra::cli
