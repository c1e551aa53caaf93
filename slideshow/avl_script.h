#pragma once
// AVL slideshow scripts: a header part ("[Header]" with N and RUN, "[Directory]"
// with the numbered folders) followed by the slide sections "[1]" .. "[N-1]".
// The whole script is checked when it is read, so a show never meets a bad
// index half-way through.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vimbra {

// Bounds for hostile files: a script is a few kilobytes in practice.
inline constexpr size_t kMaxAvlFileBytes = size_t(4) << 20;
inline constexpr size_t kMaxSlideSectionBytes = 1024;
inline constexpr int kMaxAvlSlides = 100000;
// The shortest wait of a slide.
inline constexpr int kMinSlideWaitMs = 50;
// Longest slide time honoured (a day), so W never overflows.
inline constexpr int64_t kMaxSlideTimeMs = int64_t(86400) * 1000;

inline constexpr const char* kBadAvlFile = "Bad AVL file.";
inline constexpr const char* kTwoSlidesRequired = "Two or more slides are required for slideshow.";

struct AvlPair {
    int x = 0, y = 0;
    bool operator==(const AvlPair&) const = default;
};

enum class SlideKind { Picture, Audio, Video, Text, Cd, Avl };
const char* SlideKindName(SlideKind kind);

// One slide with every key or its default.
struct AvlSlide {
    bool hasFile = false;     // F with a comma; otherwise a CD slide
    std::string fileName;     // escapes translated, ".JPG" added to a bare name
    int folderIndex = 0;
    int64_t timeMs = 0;       // W × 1000
    int effect = 0;           // E, 0 when beyond the effect table
    int family = 0;           // X; the track of a CD slide
    std::optional<uint32_t> background;  // B, 0x00BBGGRR
    int gamma = 100;          // G, 1..500
    std::optional<AvlPair> position;     // P
    std::optional<AvlPair> box;          // U
    int zoom = 100;           // Z
    int rotate = 0;           // Y
    std::optional<std::string> caption;  // S

    // The time the slide stays: W, or the 50 ms minimum.
    int64_t waitMs() const { return timeMs < 1 ? kMinSlideWaitMs : timeMs; }
};

// Kind of a slide by its file's extension (case ignored); CD without a file.
SlideKind KindOfSlide(const AvlSlide& slide);
// True for the media extensions the show hands to the player.
bool IsAudioExtension(std::string_view upperExtension);
bool IsVideoExtension(std::string_view upperExtension);

struct AvlScript {
    int n = 0;    // slides + 1
    int run = 1;  // first slide
    std::vector<std::string> directory;  // escapes translated, as written otherwise
    std::vector<AvlSlide> slides;        // slide p is slides[p - 1]
    int count() const { return n - 1; }
};

struct AvlParseResult {
    AvlScript script;
    std::string error;  // kBadAvlFile or kTwoSlidesRequired; empty on success
    bool ok() const { return error.empty(); }
};

// Parses a whole script held in memory. Every slide is read with its defaults
// anew; a folder index outside the directory, RUN outside 1..N-1, N beyond
// the sections present or a section over 1024 bytes make the file bad.
AvlParseResult ParseAvlScript(std::string_view bytes);

// Reads a script file (at most kMaxAvlFileBytes) and parses it.
AvlParseResult ReadAvlScript(const std::string& path);

// "?", "<" and ">" stand for ",", "[" and "]" in names and captions.
std::string TranslateAvlEscapes(std::string_view text);

// The slide numbers of one cycle starting at RUN: RUN .. N-1, 1 .. RUN-1.
std::vector<int> PlayingOrder(const AvlScript& script);

}  // namespace vimbra
