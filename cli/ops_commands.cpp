#include "cli/ops_commands.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <new>
#include <optional>

#include "batch/batch_convert.h"
#include "batch/bip_line.h"
#include "batch/file_ops.h"
#include "batch/interpreter.h"
#include "cli/cli_batch_host.h"
#include "cli/commands.h"
#include "cli/image_io.h"
#include "cli/run_convert.h"
#include "filters/analysis_report.h"
#include "imagefiles/jpeg_metadata.h"

namespace vimbra::cli {
namespace {

namespace fs = std::filesystem;

std::string NameOf(const std::string& path) {
    const std::string name = fs::path(path).filename().string();
    return name.empty() ? path : name;
}

void PrintLines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) std::printf("%s\n", line.c_str());
}

int Usage(const std::string& error) {
    std::fprintf(stderr, "vimbra-cli: %s\nTry 'vimbra-cli --help' for more information.\n",
                 error.c_str());
    return kExitUsage;
}

bool IsFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// Every named file must be there before anything is done.
bool AllPresent(const std::vector<std::string>& files) {
    bool all = true;
    for (const std::string& file : files) {
        if (IsFile(file)) continue;
        PrintError(NameOf(file) + " not found.");
        all = false;
    }
    return all;
}

// Arguments of one command: its options (with or without a value) and the
// positional arguments in order; "--" ends the options.
struct Parsed {
    std::vector<std::pair<std::string, std::string>> options;
    std::vector<std::string> positionals;
    std::string error;
    const std::string* value(std::string_view name) const {
        const std::string* last = nullptr;
        for (const auto& [n, v] : options)
            if (n == name) last = &v;
        return last;
    }
};

Parsed ParseCommand(const std::vector<std::string>& argv, size_t first,
                    std::initializer_list<std::string_view> withValue,
                    std::initializer_list<std::string_view> flags) {
    Parsed p;
    const std::string& cmd = argv[0];
    bool ended = false;
    for (size_t i = first; i < argv.size() && p.error.empty(); ++i) {
        const std::string& arg = argv[i];
        if (ended || arg.size() < 2 || arg[0] != '-') {
            p.positionals.push_back(arg);
        } else if (arg == "--") {
            ended = true;
        } else if (std::find(withValue.begin(), withValue.end(), arg) != withValue.end()) {
            if (i + 1 == argv.size()) p.error = cmd + ": option '" + arg + "' needs a value";
            else p.options.emplace_back(arg, argv[++i]);
        } else if (std::find(flags.begin(), flags.end(), arg) != flags.end()) {
            p.options.emplace_back(arg, "");
        } else {
            p.error = cmd + ": unknown option '" + arg + "'";
        }
    }
    return p;
}

// ---- jpeg

int ReportToolResult(const JpegToolResult& r) {
    if (r.ok()) {
        if (!r.message.empty()) std::printf("%s\n", r.message.c_str());
        return kExitOk;
    }
    PrintError(r.message);
    if (r.status == JpegToolResult::Status::BakExists)
        PrintError("Nothing changed; --overwrite-bak replaces the backup.");
    return kExitFailure;
}

int ReadJpeg(const std::string& path) {
    if (!AllPresent({path})) return kExitFailure;
    try {
        const std::vector<uint8_t> data = ReadWholeFile(path, size_t(1) << 30);
        PrintLines(ReadJpegListing(data).lines);
        return kExitOk;
    } catch (const std::runtime_error& e) {
        PrintError(e.what());
        return kExitFailure;
    }
}

int JpegCommand(const std::vector<std::string>& argv) {
    if (argv.size() < 2) return Usage("jpeg: no action given (read, strip-comments, strip-all, add-comment)");
    const std::string& action = argv[1];
    const Parsed p = ParseCommand(argv, 2, {}, {"--overwrite-bak"});
    if (!p.error.empty()) return Usage(p.error);
    const BakPolicy bak = p.value("--overwrite-bak") ? BakPolicy::Overwrite : BakPolicy::Refuse;
    const size_t wanted = action == "add-comment" ? 2 : 1;
    if (action != "read" && action != "strip-comments" && action != "strip-all" &&
        action != "add-comment")
        return Usage("jpeg: unknown action '" + action + "'");
    if (p.positionals.size() != wanted)
        return Usage("jpeg " + action + ": expects " +
                     (wanted == 2 ? std::string("FILE and TEXT") : std::string("one FILE")));
    const std::string& path = p.positionals[0];
    if (action == "read") return ReadJpeg(path);
    if (action == "add-comment") {
        std::string text = p.positionals[1];
        if (text == "-")
            text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return ReportToolResult(AddJpegComment(path, text, bak));
    }
    const StripMode mode = action == "strip-all" ? StripMode::AllExtraInfo : StripMode::CommentsOnly;
    return ReportToolResult(StripJpegFile(path, mode, bak));
}

// ---- rename

int RenameCommand(const std::vector<std::string>& argv) {
    const Parsed p = ParseCommand(argv, 1, {"--prefix"}, {"--numeric"});
    if (!p.error.empty()) return Usage(p.error);
    const std::string* prefix = p.value("--prefix");
    const bool numeric = p.value("--numeric") != nullptr;
    if (numeric == (prefix != nullptr)) return Usage("rename: give either --prefix P or --numeric");
    if (p.positionals.empty()) return Usage("rename: no files given");
    const BatchOutcome out = BatchRename(p.positionals, numeric ? RenameMode::NumericPrefix : RenameMode::Sequence,
                                         prefix ? *prefix : std::string());
    for (const FileOutcome& f : out.files) {
        if (f.ok) std::printf("%s -> %s\n", f.from.c_str(), f.to.c_str());
        else PrintError(f.message);
    }
    return out.failures() == 0 ? kExitOk : kExitFailure;
}

// ---- batch-convert

int BatchConvertCommand(const std::vector<std::string>& argv) {
    const Parsed p = ParseCommand(argv, 1, {"--to", "-o", "-e", "--quality", "--jobs", "--report"},
                                  {"--quiet", "--strip-metadata", "--keep-orientation"});
    if (!p.error.empty()) return Usage(p.error);
    const std::string* to = p.value("--to");
    const std::string* outDir = p.value("-o");
    if (!to) return Usage("batch-convert: --to is missing (jpg, bmp, png, tif, tga, pcx, webp, avif or jxl)");
    const auto format = ConvertFormatFromName(*to);
    if (!format)
        return Usage("batch-convert: unknown format '" + *to + "' (jpg, bmp, png, tif, tga, pcx, webp, avif or jxl)");
    if (!outDir || outDir->empty()) return Usage("batch-convert: -o DIR is missing");
    // A whole number within [1, most], or nullopt.
    const auto count = [](const std::string& text, int most) -> std::optional<int> {
        if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        const int n = std::stoi(text);
        return n >= 1 && n <= most ? std::optional<int>(n) : std::nullopt;
    };
    BatchConvertSetup setup;
    if (const std::string* q = p.value("--quality")) {
        setup.quality = count(*q, 100);
        if (!setup.quality)
            return Usage("batch-convert: quality must be a whole number from 1 to 100, not '" + *q + "'");
    }
    if (const std::string* j = p.value("--jobs")) {
        const auto jobs = count(*j, 64);
        if (!jobs) return Usage("batch-convert: option '--jobs' takes a whole number from 1 to 64, not '" + *j + "'");
        setup.jobs = *jobs;
    }
    if (const std::string* report = p.value("--report")) {
        if (report->empty()) return Usage("batch-convert: option '--report' needs a file name");
        setup.report = *report;
    }
    setup.quiet = p.value("--quiet") != nullptr;
    std::string scriptFile;
    setup.stripMetadata = p.value("--strip-metadata") != nullptr;
    setup.keepOrientation = p.value("--keep-orientation") != nullptr;
    std::vector<std::string> files = p.positionals;
    if (!files.empty() && fs::path(files.front()).extension() == ".bip") {
        scriptFile = files.front();
        files.erase(files.begin());
    }
    std::vector<std::string> lines;
    for (const auto& [name, value] : p.options)
        if (name == "-e") lines.push_back(value);
    if (files.empty()) return Usage("batch-convert: no files given");

    return Guarded([&] {
        setup.script = lines;
        if (!scriptFile.empty()) {
            if (!AllPresent({scriptFile})) return kExitFailure;
            const std::vector<uint8_t> bytes = ReadWholeFile(scriptFile, size_t(64) << 20);
            setup.script = SplitBipScript(std::string(bytes.begin(), bytes.end()));
            setup.script.insert(setup.script.end(), lines.begin(), lines.end());
        }
        setup.files = files;
        setup.outDir = *outDir;
        setup.format = *format;
        return RunBatchConvert(setup);
    });
}

}  // namespace

int AnalyzeFiles(const std::vector<std::string>& files, bool complexity) {
    return Guarded([&] {
        if (!AllPresent(files)) return kExitFailure;
        std::vector<PictureAnalysis> results;
        for (const std::string& path : files) {
            CliFrameHost frame;
            Workspace ws(frame);
            if (!LoadForCli(ws, path)) return kExitFailure;
            AnalysisRequest request;
            request.fileName = path;
            std::error_code ec;
            request.fileSize = uint32_t(fs::file_size(path, ec));
            request.complexity = complexity;
            const auto analysis = AnalyzeWorkingImage(ws, request);
            if (!analysis) return kExitFailure;
            results.push_back(*analysis);
        }
        PrintLines(results.size() == 1 ? PictureReportLines(results[0], true)
                                       : CompareReportLines(results[0], results[1]));
        return kExitOk;
    });
}

bool IsFileOpsCommand(std::string_view command) {
    return command == "jpeg" || command == "batch-convert" || command == "rename";
}

int RunFileOpsCommand(const std::vector<std::string>& argv) {
    const std::string& command = argv.front();
    for (size_t i = 1; i < argv.size(); ++i)
        if (argv[i] == "--help" || argv[i] == "-h") {
            std::fputs(UsageText().c_str(), stdout);
            return kExitOk;
        }
    if (command == "jpeg") return JpegCommand(argv);
    if (command == "rename") return RenameCommand(argv);
    return BatchConvertCommand(argv);
}

}  // namespace vimbra::cli
