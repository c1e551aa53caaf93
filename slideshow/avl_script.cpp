#include "slideshow/avl_script.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <fstream>

#include "slideshow/effect_table.h"
#include "imagefiles/text_encoding.h"

namespace vimbra {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Upper(x) == Upper(y); });
}

size_t FindNoCase(std::string_view hay, std::string_view needle, size_t from = 0) {
    if (needle.size() > hay.size()) return std::string_view::npos;
    for (size_t i = from; i + needle.size() <= hay.size(); ++i)
        if (EqualNoCase(hay.substr(i, needle.size()), needle)) return i;
    return std::string_view::npos;
}

// Whole-value integers only: "12abc" is a bad value, as is one beyond 32 bits.
std::optional<int> ParseDecimal(std::string_view s) {
    s = Trim(s);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    int value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, 10);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

std::optional<uint32_t> ParseHex(std::string_view s) {
    s = Trim(s);
    if (!s.empty() && s.front() == '$') s.remove_prefix(1);
    uint32_t value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, 16);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

std::optional<AvlPair> ParsePair(std::string_view s) {
    const size_t comma = s.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    auto x = ParseDecimal(s.substr(0, comma));
    auto y = ParseDecimal(s.substr(comma + 1));
    if (!x || !y) return std::nullopt;
    return AvlPair{*x, *y};
}

// Seconds with an optional fraction, as milliseconds (truncated); bad → 0.
int64_t ParseSeconds(std::string_view s) {
    s = Trim(s);
    if (s.empty() || s.size() > 32) return 0;
    const std::string text(s);
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(seconds)) return 0;
    const double ms = std::clamp(seconds * 1000.0, -1.0, double(kMaxSlideTimeMs));
    return int64_t(ms);
}

// Calls f(line) for each line of text, CR LF or LF ended.
template <typename F>
void ForEachLine(std::string_view text, F&& f) {
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!f(line)) return;
        if (nl == std::string_view::npos) break;
        text.remove_prefix(nl + 1);
    }
}

bool HasExtension(std::string_view name) {
    const size_t slash = name.find_last_of("\\/");
    const std::string_view last = slash == std::string_view::npos ? name : name.substr(slash + 1);
    return last.find('.') != std::string_view::npos;
}

void ApplySlideKey(AvlSlide& slide, char key, std::string_view value, size_t directorySize, bool& bad) {
    switch (key) {
        case 'F': {
            const size_t comma = value.find(',');
            if (comma == std::string_view::npos) {
                slide.hasFile = false;
                slide.fileName = TranslateAvlEscapes(value);
                slide.folderIndex = 0;
                break;
            }
            slide.hasFile = true;
            slide.fileName = TranslateAvlEscapes(value.substr(0, comma));
            if (!HasExtension(slide.fileName)) slide.fileName += ".JPG";
            slide.folderIndex = ParseDecimal(value.substr(comma + 1)).value_or(0);
            // A folder the directory does not list is its first one; without any, the file is unusable.
            if (directorySize == 0) bad = true;
            if (slide.folderIndex < 0 || size_t(slide.folderIndex) >= directorySize) slide.folderIndex = 0;
            break;
        }
        case 'W': slide.timeMs = ParseSeconds(value); break;
        case 'E': {
            const auto e = ParseHex(value).value_or(0);
            slide.effect = e < uint32_t(kEffectCount) ? int(e) : 0;
            break;
        }
        case 'X': slide.family = ParseDecimal(value).value_or(1); break;
        case 'B': slide.background = ParseHex(value); break;
        case 'G': slide.gamma = std::clamp(int(std::min<uint32_t>(ParseHex(value).value_or(100), 500)), 1, 500); break;
        case 'P': slide.position = ParsePair(value); break;
        case 'U': slide.box = ParsePair(value); break;
        case 'Z': slide.zoom = ParseDecimal(value).value_or(100); break;
        case 'Y': slide.rotate = ParseDecimal(value).value_or(0); break;
        case 'S': slide.caption = TranslateAvlEscapes(value); break;
        default: break;
    }
}

}  // namespace

const char* SlideKindName(SlideKind kind) {
    switch (kind) {
        case SlideKind::Picture: return "picture";
        case SlideKind::Audio: return "audio";
        case SlideKind::Video: return "video";
        case SlideKind::Text: return "text";
        case SlideKind::Cd: return "cd";
        case SlideKind::Avl: return "avl";
    }
    return "picture";
}

bool IsAudioExtension(std::string_view e) {
    static constexpr std::array<std::string_view, 17> kAudio = {
        ".WAV", ".MP2", ".MP3", ".MPA", ".AIF", ".AIFF", ".AIFX", ".MID", ".RMI",
        ".AU",  ".SND", ".RA",  ".WMA", ".OGG", ".FLAC", ".OPUS", ".M4A"};
    return std::find(kAudio.begin(), kAudio.end(), e) != kAudio.end();
}

bool IsVideoExtension(std::string_view e) {
    static constexpr std::array<std::string_view, 18> kVideo = {
        ".AVI", ".MPG", ".M1V", ".MPE", ".MPEG", ".MPV", ".QT",  ".MOV", ".M2V",
        ".RM",  ".WMV", ".DAT", ".ASF", ".MP4",  ".M4V", ".MKV", ".WEBM", ".OGV"};
    return std::find(kVideo.begin(), kVideo.end(), e) != kVideo.end();
}

SlideKind KindOfSlide(const AvlSlide& slide) {
    if (!slide.hasFile) return SlideKind::Cd;
    const size_t dot = slide.fileName.rfind('.');
    std::string ext = dot == std::string::npos ? std::string() : slide.fileName.substr(dot);
    for (char& c : ext) c = Upper(c);
    if (ext == ".AVL") return SlideKind::Avl;
    if (ext == ".RTF" || ext == ".TXT") return SlideKind::Text;
    if (IsAudioExtension(ext)) return SlideKind::Audio;
    if (IsVideoExtension(ext)) return SlideKind::Video;
    return SlideKind::Picture;
}

std::string TranslateAvlEscapes(std::string_view text) {
    // Scripts are 8-bit text: UTF-8 when it is valid, Latin-1 otherwise.
    std::string out = TextAsUtf8(text);
    for (char& c : out) {
        if (c == '?') c = ',';
        else if (c == '<') c = '[';
        else if (c == '>') c = ']';
    }
    return out;
}

AvlParseResult ParseAvlScript(std::string_view bytes) {
    AvlParseResult result;
    AvlScript& script = result.script;
    auto bad = [&result] {
        result.error = kBadAvlFile;
        return result;
    };
    if (bytes.size() > kMaxAvlFileBytes) return bad();
    const size_t first = bytes.find("[1]");
    if (first == std::string_view::npos) return bad();
    const std::string_view head = bytes.substr(0, first);

    if (size_t h = FindNoCase(head, "[Header]"); h != std::string_view::npos) {
        ForEachLine(head.substr(h + 8), [&](std::string_view line) {
            if (line.find('[') != std::string_view::npos) return false;
            const size_t eq = line.find('=');
            if (eq == std::string_view::npos) return true;
            const std::string_view key = Trim(line.substr(0, eq));
            const std::string_view value = line.substr(eq + 1);
            if (EqualNoCase(key, "N")) script.n = ParseDecimal(value).value_or(0);
            else if (EqualNoCase(key, "RUN")) script.run = ParseDecimal(value).value_or(1);
            return true;
        });
    }
    bool directoryBad = false;
    if (size_t d = FindNoCase(head, "[Directory]"); d != std::string_view::npos) {
        ForEachLine(head.substr(d + 11), [&](std::string_view line) {
            if (line.find('[') != std::string_view::npos) return false;
            if (Trim(line).empty()) return true;
            const size_t eq = line.find('=');
            const auto number = eq == std::string_view::npos ? std::nullopt : ParseDecimal(line.substr(0, eq));
            if (!number || size_t(*number) != script.directory.size()) {
                directoryBad = true;
                return false;
            }
            const std::string folder = TranslateAvlEscapes(line.substr(eq + 1));
            script.directory.push_back(folder.empty() ? std::string("c:\\") : folder);
            return true;
        });
    }
    if (directoryBad) return bad();
    if (script.count() < 2) {
        result.error = kTwoSlidesRequired;
        return result;
    }
    if (script.n > kMaxAvlSlides || script.run < 1 || script.run > script.count()) return bad();

    // Where each section "[k]" first appears, found in one pass over the file.
    std::vector<size_t> at(size_t(script.n), std::string_view::npos);
    for (size_t i = first; i < bytes.size(); ++i) {
        if (bytes[i] != '[') continue;
        size_t j = i + 1;
        int k = 0;
        while (j < bytes.size() && j - i <= 6 && bytes[j] >= '0' && bytes[j] <= '9') k = k * 10 + (bytes[j++] - '0');
        if (j == i + 1 || j >= bytes.size() || bytes[j] != ']' || k < 1 || k >= script.n) continue;
        if (at[size_t(k)] == std::string_view::npos) at[size_t(k)] = i;
    }
    script.slides.reserve(size_t(script.count()));
    for (int k = 1; k < script.n; ++k) {
        if (at[size_t(k)] == std::string_view::npos) return bad();
        const size_t start = bytes.find(']', at[size_t(k)]) + 1;
        const size_t end = std::min(bytes.find('[', start), bytes.size());
        if (end - start > kMaxSlideSectionBytes) return bad();
        AvlSlide slide;
        bool slideBad = false;
        ForEachLine(bytes.substr(start, end - start), [&](std::string_view line) {
            if (line.size() >= 3 && line[1] == '=')
                ApplySlideKey(slide, Upper(line[0]), line.substr(2), script.directory.size(), slideBad);
            return true;
        });
        if (slideBad) return bad();
        script.slides.push_back(std::move(slide));
    }
    return result;
}

AvlParseResult ReadAvlScript(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    AvlParseResult result;
    if (!in) {
        result.error = kBadAvlFile;
        return result;
    }
    std::string bytes(kMaxAvlFileBytes + 1, '\0');
    in.read(bytes.data(), std::streamsize(bytes.size()));
    bytes.resize(size_t(in.gcount()));
    return ParseAvlScript(bytes);
}

std::vector<int> PlayingOrder(const AvlScript& script) {
    std::vector<int> order;
    for (int p = script.run; p < script.n; ++p) order.push_back(p);
    for (int p = 1; p < script.run; ++p) order.push_back(p);
    return order;
}

}  // namespace vimbra
