#include "cli/run_report.h"

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace vimbra::cli {
namespace {

constexpr char kHex[] = "0123456789abcdef";

// Length of the valid UTF-8 sequence at `s`, or 0: no overlong forms, no
// surrogates, nothing past U+10FFFF.
size_t Utf8Length(std::string_view s) {
    const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const auto cont = [&](size_t i) { return i < s.size() && (b(i) & 0xC0) == 0x80; };
    const unsigned char c = b(0);
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return cont(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (!cont(1) || !cont(2)) return 0;
        if (c == 0xE0 && b(1) < 0xA0) return 0;  // overlong
        if (c == 0xED && b(1) >= 0xA0) return 0;  // surrogate
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (!cont(1) || !cont(2) || !cont(3)) return 0;
        if (c == 0xF0 && b(1) < 0x90) return 0;
        if (c == 0xF4 && b(1) >= 0x90) return 0;
        return 4;
    }
    return 0;
}

std::string TwoDigits(long long n) { return (n < 10 ? "0" : "") + std::to_string(n); }

std::string Duration(double seconds) {
    const long long s = static_cast<long long>(seconds + 0.5);
    if (s >= 3600) return std::to_string(s / 3600) + ":" + TwoDigits(s / 60 % 60) + ":" + TwoDigits(s % 60);
    return std::to_string(s / 60) + ":" + TwoDigits(s % 60);
}

constexpr const char* kClear = "\r\033[K";

// A kB figure of /proc/self/status ("VmHWM:   1234 kB"); 0 when absent.
uint64_t StatusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    const size_t n = std::strlen(field);
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, n, field) == 0 && line.size() > n && line[n] == ':')
            return std::strtoull(line.c_str() + n + 1, nullptr, 10);
    return 0;
}

}  // namespace

std::string JsonString(std::string_view bytes) {
    std::string out = "\"";
    for (size_t i = 0; i < bytes.size();) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        const size_t n = Utf8Length(bytes.substr(i));
        if (n == 0) {
            out += "\\udc";
            out += kHex[c >> 4];
            out += kHex[c & 15];
            ++i;
            continue;
        }
        if (n > 1) {
            out.append(bytes.substr(i, n));
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += char(c);
        }
        i += n;
    }
    return out + "\"";
}

std::string ReportLine(const EntryRecord& record) {
    static constexpr const char* kStatus[] = {"ok", "failed", "skipped"};
    std::string line = "{\"input\": " + JsonString(record.input) + ", \"outputs\": [";
    for (size_t i = 0; i < record.outputs.size(); ++i)
        line += (i ? ", " : "") + JsonString(record.outputs[i]);
    line += std::string("], \"status\": \"") + kStatus[int(record.status)] +
            "\", \"message\": " + JsonString(record.message) +
            ", \"milliseconds\": " + std::to_string(record.milliseconds) + "}";
    return line;
}

ProgressLine::ProgressLine(size_t total, bool enabled)
    : total_(total), enabled_(enabled), start_(std::chrono::steady_clock::now()) {
    if (!enabled_) return;
    outSink_.sharesTerminal = ::isatty(STDOUT_FILENO) == 1;
    const cookie_io_functions_t io{nullptr, &ProgressLine::write, nullptr, nullptr};
    std::FILE* out = fopencookie(&outSink_, "w", io);
    std::FILE* err = fopencookie(&errSink_, "w", io);
    if (out == nullptr || err == nullptr) {
        if (out) std::fclose(out);
        if (err) std::fclose(err);
        enabled_ = false;
        return;
    }
    // Line by line, so a message is whole when the line is cleared for it.
    std::setvbuf(out, nullptr, _IOLBF, BUFSIZ);
    std::setvbuf(err, nullptr, _IOLBF, BUFSIZ);
    out_ = out;
    err_ = err;
}

ProgressLine::~ProgressLine() {
    finish();
    if (out_ != stdout) std::fclose(out_);
    if (err_ != stderr) std::fclose(err_);
}

std::string ProgressLine::Text(size_t done, size_t total, double seconds) {
    std::string text = std::to_string(done) + "/" + std::to_string(total);
    if (done == 0 || seconds <= 0) return text;
    const double rate = double(done) / seconds;
    char figure[32];
    std::snprintf(figure, sizeof figure, "%.*f", rate < 10 ? 1 : 0, rate);
    text += std::string("  ") + figure + " pictures/s";
    if (done < total) text += "  " + Duration(double(total - done) / rate) + " left";
    return text;
}

void ProgressLine::clearLocked() {
    if (!shown_) return;
    std::fputs(kClear, stderr);
    std::fflush(stderr);
    shown_ = false;
}

ssize_t ProgressLine::write(void* cookie, const char* data, size_t size) {
    auto* sink = static_cast<Sink*>(cookie);
    ProgressLine& self = *sink->self;
    std::lock_guard lock(self.mutex_);
    if (sink->sharesTerminal) self.clearLocked();
    std::fwrite(data, 1, size, sink->target);
    std::fflush(sink->target);
    return ssize_t(size);
}

void ProgressLine::step() {
    if (!enabled_) return;
    std::lock_guard lock(mutex_);
    ++done_;
    const auto now = std::chrono::steady_clock::now();
    if (finished_ || (done_ < total_ && shown_ && now - drawn_ < std::chrono::milliseconds(100)))
        return;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const std::string text = kClear + Text(done_, total_, seconds);
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
    shown_ = true;
    drawn_ = now;
}

void ProgressLine::finish() {
    if (!enabled_) return;
    std::fflush(out_);
    std::fflush(err_);
    std::lock_guard lock(mutex_);
    clearLocked();
    finished_ = true;
}

RunReporter::~RunReporter() {
    if (fd_ >= 0) ::close(fd_);
}

bool RunReporter::open(const std::string& path, std::string& error) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd_ >= 0) return true;
    error = "Cannot write the report " + path + ": " + std::strerror(errno) + ".";
    return false;
}

void RunReporter::done(size_t entry, const std::string& line) {
    std::lock_guard lock(mutex_);
    if (entry < written_.size()) {
        if (written_[entry]) return;
        written_[entry] = 1;
    }
    if (fd_ >= 0) {
        // One write per line: appends of other shards never land inside it.
        const std::string text = line + "\n";
        size_t off = 0;
        while (off < text.size()) {
            const ssize_t n = ::write(fd_, text.data() + off, text.size() - off);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            off += size_t(n);
        }
    }
    progress_.step();
}

void RunReporter::skipRest(const std::vector<std::string>& inputs) {
    for (size_t i = 0; i < inputs.size() && i < written_.size(); ++i) {
        if (written_[i]) continue;
        EntryRecord record;
        record.status = EntryRecord::Status::Skipped;
        record.input = inputs[i];
        record.message = "Not reached: the run ended before it.";
        done(i, ReportLine(record));
    }
}

void ReturnLargeBlocksAtOnce() { mallopt(M_MMAP_THRESHOLD, 1 << 20); }

PeakMemory::PeakMemory() {
    // "5" resets the high-water mark to what is resident now.
    if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        reset_ = std::fputs("5", f) >= 0;
        reset_ = std::fclose(f) == 0 && reset_;
    }
    startRss_ = StatusKb(reset_ ? "VmHWM" : "VmRSS");
}

uint64_t PeakMemory::aboveStart() const {
    const uint64_t peak = StatusKb("VmHWM");
    return peak > startRss_ ? (peak - startRss_) * 1024 : 0;
}

void PeakMemory::printIfAsked() const {
    if (std::getenv("VIMBRA_PEAK_MEMORY") == nullptr) return;
    std::fprintf(stderr, "Peak memory: %llu bytes above the start.\n",
                 static_cast<unsigned long long>(aboveStart()));
}

}  // namespace vimbra::cli
