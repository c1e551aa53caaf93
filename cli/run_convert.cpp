#include "cli/run_convert.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "cli/cli_batch_host.h"
#include "cli/commands.h"
#include "cli/image_io.h"
#include "cli/run_parts.h"
#include "cli/run_report.h"

namespace vimbra::cli {
namespace {

// The writer a SAVE line of the script uses: the target format's.
SaveFormat ScriptSaveFormat(ConvertFormat format) {
    switch (format) {
        case ConvertFormat::Jpg: return SaveFormat::Jpeg;
        case ConvertFormat::Tif: return SaveFormat::TiffDeflate;
        case ConvertFormat::Bmp: return SaveFormat::Bmp;
        case ConvertFormat::Png: return SaveFormat::Png;
        case ConvertFormat::Tga: return SaveFormat::Tga;
        case ConvertFormat::Webp: return SaveFormat::Webp;
        case ConvertFormat::Avif: return SaveFormat::Avif;
        case ConvertFormat::Jxl: return SaveFormat::Jxl;
        case ConvertFormat::Pcx: break;
    }
    return SaveFormat::Pcx;
}

// The stdout lines of an entry: the files it wrote.
std::vector<std::string> WrittenLines(const std::vector<std::pair<int, std::string>>& pieces) {
    std::vector<std::string> lines;
    for (const auto& [stream, text] : pieces) {
        if (stream != 0) continue;
        for (size_t at = 0; at < text.size();) {
            const size_t end = std::min(text.find('\n', at), text.size());
            if (end > at) lines.push_back(text.substr(at, end - at));
            at = end + 1;
        }
    }
    return lines;
}

}  // namespace

int RunBatchConvert(const BatchConvertSetup& setup) {
    std::string error;
    if (!MakeOutputFolder(setup.outDir, error)) {
        PrintError(error);
        return kExitFailure;
    }
    ReturnLargeBlocksAtOnce();
    const PeakMemory peak;
    const size_t count = setup.files.size();
    ProgressLine progress(count, ShowsProgress(setup.quiet));
    RunReporter reporter(count, progress);
    if (!setup.report.empty() && !reporter.open(setup.report, error)) {
        PrintError(error);
        return kExitFailure;
    }
    const size_t parts = std::clamp<size_t>(size_t(std::max(setup.jobs, 1)), 1, std::max<size_t>(count, 1));
    OrderedEntries order(count, progress.out(), progress.err(),
                         [&](size_t e, const std::string& line) { reporter.done(e, line); });
    std::atomic<bool> failed = false;
    const SaveFormat saveFormat = ScriptSaveFormat(setup.format);

    RunParts(parts, [&](size_t part) {
        const std::vector<size_t> entries = OrderedEntries::EntriesOf(part, parts, count);
        CapturedOutput captured;
        size_t next = 0;  // the first entry of this part not yet complete
        // Everything of entry i so far, with its report line, in list order.
        const auto complete = [&](size_t i, EntryRecord record, bool endsRun) {
            auto pieces = captured.take();
            std::vector<std::string> outputs = WrittenLines(pieces);
            record.outputs.insert(record.outputs.begin(), outputs.begin(), outputs.end());
            record.input = setup.files[entries[i]];
            pieces.emplace_back(OrderedEntries::kSideStream, ReportLine(record));
            next = std::max(next, i + 1);
            return order.complete(entries[i], std::move(pieces), endsRun);
        };
        try {
            CliFrameHost frame(captured.err());
            Workspace ws(frame);
            std::vector<std::string> files;
            for (size_t i : entries) files.push_back(setup.files[i]);
            RunFileIo io;
            io.extension = DefaultExtension(saveFormat);
            LoadOptions load;
            load.applyOrientation = !setup.keepOrientation;
            io.read = [&load](const std::string& path) { return ReadForRun(path, load); };
            SaveOptions saveOptions;
            const bool modern = int(saveFormat) >= kFormatWebp;
            saveOptions.quality =
                setup.quality.value_or(modern ? kModernDefaultQuality : kDefaultDialogQuality);
            saveOptions.batch = true;
            io.save = [&](RunPicture picture, const std::string& path, const WriteTurn& turn) {
                return SaveForRun(std::move(picture), path, saveFormat, saveOptions, turn,
                                  !setup.stripMetadata);
            };
            Bookmarks inputs;
            inputs.replace(files, 0);
            CliHostSettings settings;
            settings.outDir = setup.outDir;
            settings.out = captured.out();
            settings.err = captured.err();
            CliBatchHost host(ws, inputs, {}, io, settings);

            BatchConvertJob job;
            job.files = files;
            job.folder = setup.outDir;
            job.format = setup.format;
            job.quality = setup.quality;
            job.script = setup.script;
            job.keepMetadata = !setup.stripMetadata;
            job.load = load;
            if (!setup.script.empty()) job.scriptHost = &host;
            auto started = std::chrono::steady_clock::now();
            const auto elapsed = [&] {
                const auto now = std::chrono::steady_clock::now();
                const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - started);
                started = now;
                return int64_t(ms.count());
            };
            job.writeTurn = [&](size_t i) { return order.waitTurn(entries[i]); };
            job.fileDone = [&](size_t i, const ConvertedFile& file) {
                EntryRecord record;
                record.milliseconds = elapsed();
                if (file.written) {
                    std::fprintf(captured.out(), "%s\n", file.path.c_str());
                } else {
                    for (const std::string& line : SkippedLines({file.path}))
                        std::fprintf(captured.err(), "%s\n", line.c_str());
                    record.status = EntryRecord::Status::Failed;
                    record.message = file.reason;
                    failed = true;
                }
                return complete(i, std::move(record), false);
            };
            const BatchConvertResult result = BatchConvert(ws, job);
            if (host.failed()) failed = true;
            if (!result.completed() && result.endedAt < entries.size()) {
                if (!result.message.empty())
                    std::fprintf(captured.err(), "%s\n", result.message.c_str());
                EntryRecord record;
                record.status = EntryRecord::Status::Failed;
                record.message = result.message.empty() ? "Batch processing stopped." : result.message;
                record.milliseconds = elapsed();
                if (complete(result.endedAt, std::move(record), true)) failed = true;
            }
        } catch (const std::bad_alloc&) {
            std::fprintf(captured.err(), "Not enough memory.\n");
            failed = true;
        } catch (const std::exception& e) {
            std::fprintf(captured.err(), "%s\n", e.what());
            failed = true;
        }
        // An exception ends the run at the entry it left, with what it said.
        if (next < entries.size()) order.complete(entries[next], captured.take(), true);
    });
    reporter.skipRest(setup.files);
    progress.finish();
    peak.printIfAsked();
    return failed || order.endedAt() < count ? kExitFailure : kExitOk;
}

}  // namespace vimbra::cli
