#pragma once
// Command-line parsing for vimbra-cli, kept apart from main() so it can be tested
// without running anything.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vimbra::cli {

enum class Command { Help, Version, Run, Convert, Info, Analyze, Print, Unzip, Thumbnails };

// Output variants in save-format order; the value is the save-format number.
inline constexpr int kFormatBmp = 1;
inline constexpr int kFormatJpeg = 5;
inline constexpr int kFormatTiff = 7;
inline constexpr int kFormatWebp = 13;
inline constexpr int kFormatAvif = 15;
inline constexpr int kFormatJxl = 17;
inline constexpr int kFormatCount = 18;
// The quality the WebP, AVIF and JPEG XL variants (13..18) get without --quality.
inline constexpr int kModernDefaultQuality = 90;

struct CliArgs {
    Command command = Command::Help;

    // run: the script file (may be empty when -e lines are given), the -e lines
    // in order, and the files that form the bookmark list.
    std::string script;
    std::vector<std::string> lines;
    std::vector<std::string> files;
    std::string outDir;  // empty: each source's own folder
    bool answerYes = false;
    int jobs = 1;             // files worked on at once (--jobs)
    bool sequential = false;  // no reading ahead or writing behind (--sequential)
    int shardIndex = 0, shardCount = 0;  // --shard I/N (1-based); 0: the whole list
    std::string report;  // --report FILE.jsonl: a JSON line per input; empty: none
    bool quiet = false;  // --quiet: no progress line on a terminal

    // convert: input and output; info / analyze: input only.
    std::string input;
    std::string output;
    bool complexity = false;
    // convert of a text page: the page's size (--size); 0 x 0 the default.
    int pageWidth = 0, pageHeight = 0;

    // print: the picture is `input`, the PDF `pdf`. unzip: the archives are
    // `files`, the destination `outDir`.
    std::string pdf;
    bool overwrite = false;

    // thumbnails: the files and folders are `files`; --size large for 256 pixels.
    bool largeThumbnails = false;

    // run, convert, batch-convert: write no metadata (--strip-metadata);
    // leave pictures as stored whatever their orientation tag (--keep-orientation).
    bool stripMetadata = false;
    bool keepOrientation = false;
    bool toSrgb = false;  // convert: colours converted from the file's profile to sRGB

    int format = kFormatBmp;     // save-format number 1..kFormatCount
    std::optional<int> quality;  // 1..100; empty: the writer's default
};

struct ParseResult {
    CliArgs args;
    std::string error;  // empty on success; otherwise a one-line usage error
    bool ok() const { return error.empty(); }
};

// Parses the arguments after the program name.
ParseResult ParseArgs(const std::vector<std::string>& argv);

// A format name ("jpg", case ignored) or number ("5") to its save-format
// number; nullopt if neither.
std::optional<int> FormatFromName(std::string_view text);

// The save-format number for a file name's extension (".jpg" colour JPEG,
// ".tif" uncompressed TIFF, ".webp", ".avif" and ".jxl" lossy), case ignored;
// nullopt for anything else.
std::optional<int> FormatFromExtension(std::string_view fileName);

// The canonical name of a save-format number ("tif-g4"); empty if out of range.
std::string_view FormatName(int format);

std::string_view CommandName(Command command);

// A text page (.txt, .rtf) by its extension, case ignored.
bool IsTextPageFile(std::string_view fileName);

// The page size when --size is not given: the view area of the viewer's
// default 800 x 600 window below its menu, tool and path bars and above its
// status bar.
inline constexpr int kDefaultPageWidth = 800;
inline constexpr int kDefaultPageHeight = 495;
inline constexpr int kMaxPageSide = 8192;

std::string UsageText();

}  // namespace vimbra::cli
