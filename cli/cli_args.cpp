#include "cli/cli_args.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <span>

#include "imagefiles/load_dispatch.h"

namespace vimbra::cli {
namespace {

constexpr std::array<std::string_view, kFormatCount> kFormatNames = {
    "bmp", "pcx",         "png",               "jpg-gray", "jpg",    "tga",
    "tif", "tif-deflate", "tif-adobe-deflate", "tif-g3",   "tif-g4", "tif-packbits",
    "webp", "webp-lossless", "avif", "avif-lossless", "jxl", "jxl-lossless"};

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return out;
}

// Digits only (no sign, no blanks); anything too long to fit reads as out of range.
std::optional<long long> ParseCount(std::string_view text) {
    if (text.empty() || !std::all_of(text.begin(), text.end(),
                                     [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    long long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range) return -1;
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

struct OptionSpec {
    std::string_view name;
    bool takesValue;
};

constexpr OptionSpec kRunOptions[] = {
    {"-e", true},       {"-o", true},    {"--format", true},     {"--quality", true},
    {"--answer", true}, {"--jobs", true}, {"--sequential", false}, {"--shard", true},
    {"--report", true}, {"--quiet", false}, {"--strip-metadata", false}, {"--keep-orientation", false}};
constexpr OptionSpec kConvertOptions[] = {{"--format", true},         {"--quality", true},
                                          {"--size", true},           {"--strip-metadata", false},
                                          {"--keep-orientation", false}, {"--to-srgb", false}};
constexpr OptionSpec kAnalyzeOptions[] = {{"--complexity", false}};
constexpr OptionSpec kPrintOptions[] = {{"--pdf", true}};
constexpr OptionSpec kUnzipOptions[] = {{"-o", true}, {"--overwrite", false}};
constexpr OptionSpec kThumbnailOptions[] = {{"--size", true}};

std::span<const OptionSpec> OptionsOf(Command command) {
    switch (command) {
        case Command::Run: return kRunOptions;
        case Command::Convert: return kConvertOptions;
        case Command::Analyze: return kAnalyzeOptions;
        case Command::Print: return kPrintOptions;
        case Command::Unzip: return kUnzipOptions;
        case Command::Thumbnails: return kThumbnailOptions;
        default: return {};
    }
}

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// Applies one option with its value; returns an error text or empty.
std::string ApplyOption(CliArgs& args, std::string_view name, const std::string& value,
                        bool& formatGiven) {
    if (name == "-e") {
        args.lines.push_back(value);
    } else if (name == "-o") {
        if (value.empty()) return "option '-o' needs a folder";
        args.outDir = value;
    } else if (name == "--format") {
        auto format = FormatFromName(value);
        if (!format)
            return "unknown format " + Quoted(value) +
                   " (expected bmp, pcx, png, jpg-gray, jpg, tga, tif, tif-deflate, "
                   "tif-adobe-deflate, tif-g3, tif-g4, tif-packbits, webp, webp-lossless, "
                   "avif, avif-lossless, jxl, jxl-lossless or 1..18)";
        args.format = *format;
        formatGiven = true;
    } else if (name == "--quality") {
        auto q = ParseCount(value);
        if (!q || *q < 1 || *q > 100)
            return "quality must be a whole number from 1 to 100, not " + Quoted(value);
        args.quality = static_cast<int>(*q);
    } else if (name == "--answer") {
        if (value != "yes" && value != "no")
            return "option '--answer' takes yes or no, not " + Quoted(value);
        args.answerYes = value == "yes";
    } else if (name == "--jobs") {
        auto n = ParseCount(value);
        if (!n || *n < 1 || *n > 64)
            return "option '--jobs' takes a whole number from 1 to 64, not " + Quoted(value);
        args.jobs = static_cast<int>(*n);
    } else if (name == "--shard") {
        const size_t slash = value.find('/');
        const auto i = ParseCount(std::string_view(value).substr(0, slash));
        const auto n = slash == std::string::npos ? std::nullopt
                                                  : ParseCount(std::string_view(value).substr(slash + 1));
        if (!i || !n || *n < 1 || *n > 1000000 || *i < 1 || *i > *n)
            return "option '--shard' takes I/N with 1 <= I <= N, not " + Quoted(value);
        args.shardIndex = static_cast<int>(*i);
        args.shardCount = static_cast<int>(*n);
    } else if (name == "--size" && args.command == Command::Thumbnails) {
        if (value != "normal" && value != "large")
            return "option '--size' takes normal or large, not " + Quoted(value);
        args.largeThumbnails = value == "large";
    } else if (name == "--size") {
        const size_t x = value.find_first_of("xX");
        const auto w = x == std::string::npos ? std::nullopt : ParseCount(std::string_view(value).substr(0, x));
        const auto h = x == std::string::npos ? std::nullopt : ParseCount(std::string_view(value).substr(x + 1));
        if (!w || !h || *w < 1 || *h < 1 || *w > kMaxPageSide || *h > kMaxPageSide)
            return "option '--size' takes WxH with each side from 1 to " + std::to_string(kMaxPageSide) +
                   ", not " + Quoted(value);
        args.pageWidth = static_cast<int>(*w);
        args.pageHeight = static_cast<int>(*h);
    } else if (name == "--strip-metadata") {
        args.stripMetadata = true;
    } else if (name == "--to-srgb") {
        args.toSrgb = true;
    } else if (name == "--keep-orientation") {
        args.keepOrientation = true;
    } else if (name == "--sequential") {
        args.sequential = true;
    } else if (name == "--report") {
        if (value.empty()) return "option '--report' needs a file name";
        args.report = value;
    } else if (name == "--quiet") {
        args.quiet = true;
    } else if (name == "--complexity") {
        args.complexity = true;
    } else if (name == "--pdf") {
        if (value.empty()) return "option '--pdf' needs a file name";
        args.pdf = value;
    } else if (name == "--overwrite") {
        args.overwrite = true;
    }
    return {};
}

bool HasBipExtension(std::string_view file) {
    return Lower(std::filesystem::path(file).extension().string()) == ".bip";
}

// Checks the positional arguments of each command and sorts them into args.
std::string TakePositionals(CliArgs& args, const std::vector<std::string>& pos,
                            bool formatGiven) {
    for (const auto& p : pos)
        if (p.empty()) return "empty file name";
    const std::string cmd(CommandName(args.command));
    auto extra = [&](size_t from) {
        return pos.size() > from ? cmd + ": unexpected argument " + Quoted(pos[from]) : "";
    };
    switch (args.command) {
        case Command::Run: {
            size_t first = 0;
            if (args.lines.empty()) {
                if (pos.empty()) return "run: no script given (a .bip file or -e lines)";
                args.script = pos[0];
                first = 1;
            } else if (!pos.empty() && HasBipExtension(pos[0])) {
                args.script = pos[0];
                first = 1;
            }
            args.files.assign(pos.begin() + static_cast<std::ptrdiff_t>(first), pos.end());
            if (args.files.empty()) return "run: no files given";
            return {};
        }
        case Command::Convert:
            if (pos.size() < 2) return "convert: needs an input and an output file";
            args.input = pos[0];
            args.output = pos[1];
            if (args.pageWidth > 0 && !IsTextPageFile(args.input))
                return "convert: --size is for text pages (.txt, .rtf)";
            if (!formatGiven) {
                auto format = FormatFromExtension(args.output);
                if (!format)
                    return "convert: cannot tell the format from " + Quoted(args.output) +
                           "; give --format";
                args.format = *format;
            }
            return extra(2);
        case Command::Info:
        case Command::Analyze:
            if (pos.empty()) return cmd + ": no file given";
            args.input = pos[0];
            // analyze FILE1 FILE2 compares the two pictures.
            if (args.command == Command::Analyze && pos.size() > 1) args.output = pos[1];
            return extra(args.command == Command::Analyze ? 2 : 1);
        case Command::Print:
            if (pos.empty()) return "print: no file given";
            if (args.pdf.empty()) return "print: give --pdf OUT.pdf";
            args.input = pos[0];
            return extra(1);
        case Command::Unzip:
            if (pos.empty()) return "unzip: no archive given";
            if (args.outDir.empty()) return "unzip: give -o DIR";
            args.files = pos;
            return {};
        case Command::Thumbnails:
            if (pos.empty()) return "thumbnails: no file or folder given";
            args.files = pos;
            return {};
        default:
            return {};
    }
}

}  // namespace

std::optional<int> FormatFromName(std::string_view text) {
    const std::string lower = Lower(text);
    for (size_t i = 0; i < kFormatNames.size(); ++i)
        if (kFormatNames[i] == lower) return static_cast<int>(i) + 1;
    if (auto n = ParseCount(text); n && *n >= 1 && *n <= kFormatCount)
        return static_cast<int>(*n);
    return std::nullopt;
}

std::optional<int> FormatFromExtension(std::string_view fileName) {
    const std::string ext = Lower(std::filesystem::path(fileName).extension().string());
    if (ext == ".jpg" || ext == ".jpeg") return kFormatJpeg;
    if (ext == ".tif" || ext == ".tiff") return kFormatTiff;
    if (ext == ".bmp") return 1;
    if (ext == ".pcx") return 2;
    if (ext == ".png") return 3;
    if (ext == ".tga") return 6;
    if (ext == ".webp") return kFormatWebp;
    if (ext == ".avif") return kFormatAvif;
    if (ext == ".jxl") return kFormatJxl;
    return std::nullopt;
}

bool IsTextPageFile(std::string_view fileName) {
    const FileKind kind = ClassifyFile(fileName);
    return kind == FileKind::Text || kind == FileKind::RichText;
}

std::string_view FormatName(int format) {
    if (format < 1 || format > kFormatCount) return {};
    return kFormatNames[static_cast<size_t>(format - 1)];
}

std::string_view CommandName(Command command) {
    switch (command) {
        case Command::Help: return "help";
        case Command::Version: return "--version";
        case Command::Run: return "run";
        case Command::Convert: return "convert";
        case Command::Info: return "info";
        case Command::Analyze: return "analyze";
        case Command::Print: return "print";
        case Command::Unzip: return "unzip";
        case Command::Thumbnails: return "thumbnails";
    }
    return {};
}

ParseResult ParseArgs(const std::vector<std::string>& argv) {
    ParseResult result;
    CliArgs& args = result.args;
    if (argv.empty()) {
        result.error = "no command given";
        return result;
    }
    const std::string& first = argv[0];
    if (first == "--help" || first == "-h" || first == "help") return result;
    if (first == "--version") {
        args.command = Command::Version;
        if (argv.size() > 1) result.error = "unexpected argument " + Quoted(argv[1]);
        return result;
    }
    if (first == "run") args.command = Command::Run;
    else if (first == "convert") args.command = Command::Convert;
    else if (first == "info") args.command = Command::Info;
    else if (first == "analyze") args.command = Command::Analyze;
    else if (first == "print") args.command = Command::Print;
    else if (first == "unzip") args.command = Command::Unzip;
    else if (first == "thumbnails") args.command = Command::Thumbnails;
    else {
        const bool looksLikeOption = first.size() > 1 && first[0] == '-';
        result.error = (looksLikeOption ? "unknown option " : "unknown command ") + Quoted(first);
        return result;
    }

    const std::string cmd(CommandName(args.command));
    std::vector<std::string> positionals;
    bool formatGiven = false;
    bool optionsEnded = false;
    for (size_t i = 1; i < argv.size(); ++i) {
        const std::string& arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            positionals.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            args = CliArgs{};
            return result;
        }
        std::string_view name = arg;
        std::optional<std::string> inlineValue;
        if (auto eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
            name = std::string_view(arg).substr(0, eq);
            inlineValue = arg.substr(eq + 1);
        }
        auto options = OptionsOf(args.command);
        auto option = std::find_if(options.begin(), options.end(),
                                 [&](const OptionSpec& o) { return o.name == name; });
        if (option == options.end()) {
            result.error = cmd + ": unknown option " + Quoted(name);
            return result;
        }
        std::string value;
        if (option->takesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < argv.size()) {
                value = argv[++i];
            } else {
                result.error = cmd + ": option " + Quoted(name) + " needs a value";
                return result;
            }
        } else if (inlineValue) {
            result.error = cmd + ": option " + Quoted(name) + " takes no value";
            return result;
        }
        if (auto error = ApplyOption(args, name, value, formatGiven); !error.empty()) {
            result.error = cmd + ": " + error;
            return result;
        }
    }
    result.error = TakePositionals(args, positionals, formatGiven);
    return result;
}

std::string UsageText() {
    return R"(Usage:
  vimbra-cli run [SCRIPT.bip] [-e LINE]... [-o DIR] [--format F] [--quality Q]
                 [--answer yes|no] [--jobs N] [--sequential] [--shard I/N]
                 [--report FILE.jsonl] [--quiet] [--strip-metadata] [--keep-orientation] FILE...
  vimbra-cli convert IN OUT [--format F] [--quality Q] [--size WxH]
                     [--strip-metadata] [--keep-orientation] [--to-srgb]
  vimbra-cli info FILE
  vimbra-cli analyze FILE [FILE2] [--complexity]
  vimbra-cli jpeg read|strip-comments|strip-all FILE [--overwrite-bak]
  vimbra-cli jpeg add-comment FILE TEXT|- [--overwrite-bak]
  vimbra-cli batch-convert --to jpg|bmp|png|tif|tga|pcx|webp|avif|jxl -o DIR [SCRIPT.bip] [-e LINE]...
                           [--quality Q] [--jobs N] [--report FILE.jsonl] [--quiet]
                           [--strip-metadata] [--keep-orientation] FILE...
  vimbra-cli rename --prefix P | --numeric FILE...
  vimbra-cli print FILE --pdf OUT.pdf
  vimbra-cli unzip ARCHIVE... -o DIR [--overwrite]
  vimbra-cli thumbnails [--size normal|large] FILE|DIR...
  vimbra-cli show FILE.avl --list | --render OUT.webm|OUT.mp4 [--size WxH] [--fps N]
  vimbra-cli transition CODE A B --at T --size WxH -o OUT.png [--speed 0..3]
  vimbra-cli transition --list
  vimbra-cli --help | --version

run       runs a BIP script over FILE... (the bookmark list; the first is loaded).
          The script is SCRIPT.bip, the -e lines in order, or both (file first);
          with -e lines a script file must end in .bip. SAVE writes into DIR
          (default: each source's folder) in format F (default bmp). Prompts take
          the --answer (default no). The next file is read and the last save
          written while a picture is edited; --sequential does one after the
          other. --jobs N works on N files at once when the script treats each
          file on its own (one NEXT at its end, LOOP, no PREVIOUS, DELETE,
          prompts, TRACE or buffers kept from file to file); the output is the
          same as with one job. --shard I/N works on the I-th of N slices of
          the FILE list sorted by name; the N shards together do what one run
          over the sorted list does (same script conditions as --jobs).
          --report appends a JSON line per FILE as it finishes: input,
          outputs, status (ok, failed, skipped), message, milliseconds.
          On a terminal a progress line shows on stderr; --quiet hides it.
convert   reads IN and writes OUT in format F (default: from OUT's extension).
          A text page IN (.txt, .rtf) becomes the picture the viewer makes of
          it: the page drawn on white over a view area of WxH (default 800x495,
          the view area of the viewer's default 800x600 window). --to-srgb
          converts the colours from IN's colour profile to sRGB (relative
          colorimetric) and writes no profile.
info      prints the size and depth of FILE (upright), and "Orientation: N" when
          its orientation tag is not 1; for a sound or video file its duration
          and, for video, its frame size.
analyze   prints the analysis report of FILE, or compares FILE and FILE2.
jpeg      lists or strips the comments and EXIF data of a JPEG file, or adds a
          comment (TEXT, or standard input for -); FILE.bak is made first.
batch-convert  converts each FILE into DIR (made when missing), never replacing
          a file; --jobs, --report and --quiet as for run.
rename    numbers the files in their folders: P01.jpg ... or 01~name.jpg ...
print     writes the printed page of FILE into OUT.pdf: A4 portrait at 300 dpi,
          the picture fitted to the page and centred.
unzip     extracts every ARCHIVE into DIR and prints the log lines; existing
          files are kept unless --overwrite. Status 1 when any entry failed.
thumbnails fills the shared thumbnail cache for each FILE and the pictures of
          each DIR (128 pixels, 256 with --size large) and prints each
          thumbnail's path; a fresh thumbnail is reused. Status 1 when a file
          could not be read (named on stderr) or its thumbnail not written.
show      lists one cycle of a slideshow script, one JSON object per slide, or
          renders it into a video file (default 1280x720 at 25 frames a second).
transition draws effect CODE from picture A to picture B at progress T (0..1);
          --list prints the effects.

Formats F: bmp pcx png jpg-gray jpg tga tif tif-deflate tif-adobe-deflate tif-g3
           tif-g4 tif-packbits webp webp-lossless avif avif-lossless jxl
           jxl-lossless, or their numbers 1..18.
Quality Q: 1..100 (JPEG; WebP, AVIF and JPEG XL, default 90).
Metadata: EXIF, XMP, IPTC and the colour profile of a picture are written into
JPEG, TIFF, PNG, WebP, AVIF and JPEG XL outputs (orientation 1, the saved size)
unless --strip-metadata; pictures are turned upright by their orientation tag
unless --keep-orientation. Unreadable metadata is warned about and dropped.
Options may come before or after the files; "--" ends the options.
Exit status: 0 success, 1 bad file or failed save, 2 bad usage, 130 interrupted (run).
)";
}

}  // namespace vimbra::cli
