#include "desktop/scanner.h"

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imagefiles/pixel_convert.h"

namespace vimbra {
namespace {

// Far above any page a desktop scanner gives, far below what would exhaust memory.
constexpr size_t kMaxScanBytes = size_t(1) << 30;

// sane_init .. sane_exit around one piece of work.
class SaneSession {
public:
    SaneSession() { status_ = sane_init(nullptr, nullptr); }
    ~SaneSession() {
        if (ok()) sane_exit();
    }
    SaneSession(const SaneSession&) = delete;
    SaneSession& operator=(const SaneSession&) = delete;
    bool ok() const { return status_ == SANE_STATUS_GOOD; }
    std::string error() const {
        return std::string("The scanner interface could not start: ") + sane_strstatus(status_);
    }

private:
    SANE_Status status_;
};

class Device {
public:
    explicit Device(const std::string& name) { status_ = sane_open(name.c_str(), &h_); }
    ~Device() {
        if (h_) sane_close(h_);
    }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;
    SANE_Handle handle() const { return h_; }
    SANE_Status status() const { return status_; }

private:
    SANE_Handle h_ = nullptr;
    SANE_Status status_;
};

int FindOption(SANE_Handle h, const std::string& name, const SANE_Option_Descriptor** desc) {
    for (SANE_Int i = 1;; ++i) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(h, i);
        if (!d) return -1;
        if (d->name && name == d->name) {
            *desc = d;
            return i;
        }
    }
}

bool Usable(const SANE_Option_Descriptor* d) {
    return SANE_OPTION_IS_ACTIVE(d->cap) && SANE_OPTION_IS_SETTABLE(d->cap);
}

// The option's value as an integer (FIXED rounded), or 0.
int ReadNumber(SANE_Handle h, int index, const SANE_Option_Descriptor* d) {
    if (d->size < SANE_Int(sizeof(SANE_Word))) return 0;
    std::vector<SANE_Word> value(size_t(d->size) / sizeof(SANE_Word) + 1);
    if (sane_control_option(h, index, SANE_ACTION_GET_VALUE, value.data(), nullptr) !=
        SANE_STATUS_GOOD)
        return 0;
    return d->type == SANE_TYPE_FIXED ? int(std::lround(SANE_UNFIX(value[0]))) : int(value[0]);
}

std::string ReadString(SANE_Handle h, int index, const SANE_Option_Descriptor* d) {
    std::vector<char> value(size_t(std::max<SANE_Int>(d->size, 1)) + 1, '\0');
    if (sane_control_option(h, index, SANE_ACTION_GET_VALUE, value.data(), nullptr) !=
        SANE_STATUS_GOOD)
        return {};
    return value.data();
}

// Sets an option from text; the message when it is refused, else empty.
std::string SetOption(SANE_Handle h, const std::string& name, const std::string& text) {
    const SANE_Option_Descriptor* d = nullptr;
    const int index = FindOption(h, name, &d);
    if (index < 0 || !Usable(d)) return "The scanner has no setting \"" + name + "\".";
    SANE_Status s = SANE_STATUS_INVAL;
    SANE_Int info = 0;
    switch (d->type) {
        case SANE_TYPE_BOOL: {
            SANE_Bool v = (text == "yes" || text == "true" || text == "1") ? SANE_TRUE : SANE_FALSE;
            s = sane_control_option(h, index, SANE_ACTION_SET_VALUE, &v, &info);
            break;
        }
        case SANE_TYPE_INT:
        case SANE_TYPE_FIXED: {
            char* end = nullptr;
            const double number = std::strtod(text.c_str(), &end);
            if (end == text.c_str() || d->size < SANE_Int(sizeof(SANE_Word))) break;
            // Array options get the same value in every element.
            std::vector<SANE_Word> v(
                size_t(d->size) / sizeof(SANE_Word),
                d->type == SANE_TYPE_FIXED ? SANE_FIX(number) : SANE_Word(std::lround(number)));
            s = sane_control_option(h, index, SANE_ACTION_SET_VALUE, v.data(), &info);
            break;
        }
        case SANE_TYPE_STRING: {
            if (text.size() + 1 > size_t(std::max<SANE_Int>(d->size, 0))) break;
            std::vector<char> v(size_t(d->size), '\0');
            std::memcpy(v.data(), text.data(), text.size());
            s = sane_control_option(h, index, SANE_ACTION_SET_VALUE, v.data(), &info);
            break;
        }
        default:
            break;
    }
    if (s == SANE_STATUS_GOOD) return {};
    return "The scanner refused " + name + " \"" + text + "\": " + sane_strstatus(s) + ".";
}

struct Frame {
    SANE_Parameters params{};
    std::vector<uint8_t> bytes;
    int lines = 0;
};

// Rows of 8 or 16 bits a sample: the high byte of a 16-bit sample (host order).
inline uint8_t Sample(const uint8_t* row, int i, int depth) {
    if (depth == 8) return row[i];
    uint16_t v;
    std::memcpy(&v, row + 2 * size_t(i), 2);
    return uint8_t(v >> 8);
}

Bitmap ToBitmap(const std::vector<Frame>& frames, std::string& error) {
    const SANE_Parameters& p = frames.front().params;
    const int width = p.pixels_per_line;
    int height = frames.front().lines;
    for (const Frame& f : frames) height = std::min(height, f.lines);
    if (width <= 0 || height <= 0) {
        error = "The scanner sent no picture.";
        return {};
    }
    const bool threePass =
        p.format == SANE_FRAME_RED || p.format == SANE_FRAME_GREEN || p.format == SANE_FRAME_BLUE;
    const size_t bpl = size_t(p.bytes_per_line);
    if (p.format == SANE_FRAME_GRAY && p.depth == 1) {
        Bitmap out(width, height, 1);
        // SANE lineart: a set bit is black.
        out.palette() = {{255, 255, 255, 0}, {0, 0, 0, 0}};
        const size_t n = std::min(bpl, (size_t(width) + 7) / 8);
        for (int y = 0; y < height; ++y)
            std::memcpy(out.scanLine(y), frames[0].bytes.data() + size_t(y) * bpl, n);
        return out;
    }
    if (p.depth != 8 && p.depth != 16) {
        error = "The scanner sends " + std::to_string(p.depth) +
                "-bit samples, which Vimbra cannot read.";
        return {};
    }
    if (p.format == SANE_FRAME_GRAY) {
        Bitmap out(width, height, 8);
        out.palette() = MakeGreyPalette(8);
        for (int y = 0; y < height; ++y) {
            const uint8_t* src = frames[0].bytes.data() + size_t(y) * bpl;
            uint8_t* dst = out.scanLine(y);
            for (int x = 0; x < width; ++x) dst[x] = Sample(src, x, p.depth);
        }
        return out;
    }
    Bitmap out(width, height, 24);
    if (p.format == SANE_FRAME_RGB) {
        for (int y = 0; y < height; ++y) {
            const uint8_t* src = frames[0].bytes.data() + size_t(y) * bpl;
            uint8_t* dst = out.scanLine(y);
            for (int x = 0; x < width; ++x) {
                dst[3 * x + 2] = Sample(src, 3 * x, p.depth);
                dst[3 * x + 1] = Sample(src, 3 * x + 1, p.depth);
                dst[3 * x] = Sample(src, 3 * x + 2, p.depth);
            }
        }
        return out;
    }
    if (!threePass) {
        error = "The scanner sends a picture format Vimbra cannot read.";
        return {};
    }
    for (const Frame& f : frames) {
        // Bitmap rows are blue, green, red.
        const int offset = f.params.format == SANE_FRAME_RED     ? 2
                           : f.params.format == SANE_FRAME_GREEN ? 1
                                                                 : 0;
        const size_t fbpl = size_t(f.params.bytes_per_line);
        const int fw = std::min(width, f.params.pixels_per_line);
        for (int y = 0; y < height; ++y) {
            const uint8_t* src = f.bytes.data() + size_t(y) * fbpl;
            uint8_t* dst = out.scanLine(y);
            for (int x = 0; x < fw; ++x) dst[3 * x + offset] = Sample(src, x, f.params.depth);
        }
    }
    return out;
}

}  // namespace

std::string ScanRowError(const ScanFrameShape& shape) {
    const int64_t bits = int64_t(shape.pixelsPerLine) * shape.samplesPerPixel * shape.depth;
    const int64_t needed = (bits + 7) / 8;
    if (needed <= shape.bytesPerLine) return {};
    return "The scanner reports lines of " + std::to_string(shape.bytesPerLine) +
           " bytes, fewer than the " + std::to_string(needed) + " bytes its " +
           std::to_string(shape.pixelsPerLine) + " pixels need.";
}

std::vector<ScannerDevice> ListScanners(std::string& error) {
    std::vector<ScannerDevice> out;
    SaneSession session;
    if (!session.ok()) {
        error = session.error();
        return out;
    }
    const SANE_Device** list = nullptr;
    if (sane_get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || !list) return out;
    for (int i = 0; list[i]; ++i) {
        const SANE_Device* d = list[i];
        std::string label =
            std::string(d->vendor ? d->vendor : "") + " " + (d->model ? d->model : "");
        if (d->type && *d->type) label += std::string(" (") + d->type + ")";
        out.push_back({d->name ? d->name : "", label});
    }
    return out;
}

ScannerCapabilities QueryScanner(const std::string& device, std::string& error) {
    ScannerCapabilities caps;
    SaneSession session;
    if (!session.ok()) {
        error = session.error();
        return caps;
    }
    Device dev(device);
    if (dev.status() != SANE_STATUS_GOOD) {
        error = "The scanner " + device + " could not be opened: " + sane_strstatus(dev.status());
        return caps;
    }
    const SANE_Option_Descriptor* d = nullptr;
    int index = FindOption(dev.handle(), SANE_NAME_SCAN_MODE, &d);
    if (index > 0 && d->type == SANE_TYPE_STRING) {
        if (d->constraint_type == SANE_CONSTRAINT_STRING_LIST)
            for (const SANE_String_Const* s = d->constraint.string_list; *s; ++s)
                caps.modes.push_back(*s);
        caps.mode = ReadString(dev.handle(), index, d);
    }
    index = FindOption(dev.handle(), SANE_NAME_SCAN_RESOLUTION, &d);
    if (index > 0 && (d->type == SANE_TYPE_INT || d->type == SANE_TYPE_FIXED)) {
        const auto unfix = [&](SANE_Word w) {
            return d->type == SANE_TYPE_FIXED ? int(std::lround(SANE_UNFIX(w))) : int(w);
        };
        if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
            for (SANE_Int i = 1; i <= d->constraint.word_list[0]; ++i)
                caps.resolutions.push_back(unfix(d->constraint.word_list[i]));
        } else if (d->constraint_type == SANE_CONSTRAINT_RANGE) {
            const int lo = unfix(d->constraint.range->min), hi = unfix(d->constraint.range->max);
            for (int r : {75, 100, 150, 200, 300, 600, 1200, 2400})
                if (r >= lo && r <= hi) caps.resolutions.push_back(r);
            if (caps.resolutions.empty()) caps.resolutions.push_back(lo);
        }
        caps.resolution = ReadNumber(dev.handle(), index, d);
    }
    return caps;
}

ScanOutcome ScanPage(const ScanRequest& request, const std::function<bool(int)>& progress) {
    ScanOutcome result;
    SaneSession session;
    if (!session.ok()) {
        result.error = session.error();
        return result;
    }
    Device dev(request.device);
    if (dev.status() != SANE_STATUS_GOOD) {
        result.error = "The scanner " + request.device +
                       " could not be opened: " + sane_strstatus(dev.status());
        return result;
    }
    const SANE_Handle h = dev.handle();
    // The mode first: it decides which other settings are active.
    if (!request.mode.empty())
        if (std::string e = SetOption(h, SANE_NAME_SCAN_MODE, request.mode); !e.empty()) {
            result.error = e;
            return result;
        }
    if (request.resolution > 0)
        if (std::string e =
                SetOption(h, SANE_NAME_SCAN_RESOLUTION, std::to_string(request.resolution));
            !e.empty()) {
            result.error = e;
            return result;
        }
    for (const auto& [name, value] : request.options)
        if (std::string e = SetOption(h, name, value); !e.empty()) {
            result.error = e;
            return result;
        }
    const SANE_Option_Descriptor* rd = nullptr;
    if (const int ri = FindOption(h, SANE_NAME_SCAN_RESOLUTION, &rd); ri > 0)
        result.resolution = ReadNumber(h, ri, rd);

    std::vector<Frame> frames;
    std::vector<uint8_t> chunk(64 * 1024);
    size_t total = 0;
    for (;;) {
        SANE_Status s = sane_start(h);
        Frame frame;
        if (s == SANE_STATUS_GOOD) s = sane_get_parameters(h, &frame.params);
        if (s != SANE_STATUS_GOOD) {
            sane_cancel(h);
            result.error = std::string("The scan did not start: ") + sane_strstatus(s) + ".";
            return result;
        }
        const SANE_Parameters& p = frame.params;
        if (p.bytes_per_line <= 0 || p.pixels_per_line <= 0 ||
            p.pixels_per_line > Bitmap::kMaxSide || p.lines > Bitmap::kMaxSide) {
            sane_cancel(h);
            result.error = "The scanner reports a picture size Vimbra cannot take.";
            return result;
        }
        const bool colour = p.format == SANE_FRAME_RGB;
        std::string refusal = ScanRowError(
            {colour ? 3 : 1, p.depth, p.pixels_per_line, p.bytes_per_line});
        // The passes of a three-pass scan are read alike: one channel each, one depth.
        if (refusal.empty() && !frames.empty() &&
            (p.depth != frames.front().params.depth || colour || p.format == SANE_FRAME_GRAY))
            refusal = "The scanner changed the picture format between passes.";
        if (!refusal.empty()) {
            sane_cancel(h);
            result.error = refusal;
            return result;
        }
        const int framesExpected =
            (p.format == SANE_FRAME_GRAY || p.format == SANE_FRAME_RGB) ? 1 : 3;
        const size_t expected = p.lines > 0 ? size_t(p.bytes_per_line) * size_t(p.lines) : 0;
        for (;;) {
            SANE_Int got = 0;
            s = sane_read(h, chunk.data(), SANE_Int(chunk.size()), &got);
            if (s == SANE_STATUS_EOF) break;
            if (s != SANE_STATUS_GOOD) {
                sane_cancel(h);
                result.error = std::string("The scan failed: ") + sane_strstatus(s) + ".";
                return result;
            }
            total += size_t(got);
            if (total > kMaxScanBytes ||
                frame.bytes.size() / size_t(p.bytes_per_line) > size_t(Bitmap::kMaxSide)) {
                sane_cancel(h);
                result.error = "The scan is larger than Vimbra can hold.";
                return result;
            }
            frame.bytes.insert(frame.bytes.end(), chunk.data(), chunk.data() + got);
            if (progress) {
                int percent = -1;
                if (expected) {
                    const size_t done =
                        frames.size() * expected + std::min(frame.bytes.size(), expected);
                    percent = int(done * 100 / (expected * size_t(framesExpected)));
                }
                if (!progress(percent)) {
                    sane_cancel(h);
                    result.cancelled = true;
                    return result;
                }
            }
        }
        frame.lines = int(frame.bytes.size() / size_t(p.bytes_per_line));
        if (p.lines > 0) frame.lines = std::min(frame.lines, p.lines);
        const bool last = p.last_frame;
        frames.push_back(std::move(frame));
        if (last || frames.size() >= 3) break;
    }
    sane_cancel(h);
    result.picture = ToBitmap(frames, result.error);
    return result;
}

}  // namespace vimbra
