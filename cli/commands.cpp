#include "cli/commands.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <new>

#include "cli/gui_app.h"
#include "cli/image_io.h"
#include "cli/ops_commands.h"
#include "cli/run_command.h"
#include "imagefiles/colour_profile.h"
#include "imagefiles/file_info.h"
#include "imagefiles/orientation.h"
#include "media/media_probe.h"
#include "media/text_page.h"

namespace vimbra::cli {
namespace {

std::string NameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// The text page as the viewer's working picture; false (message printed) when
// the file cannot be read or its rich text is malformed.
bool LoadTextPageForCli(Workspace& ws, const CliArgs& args) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(args.input, ec)) {
        PrintError(NameOf(args.input) + " not found.");
        return false;
    }
    const auto app = StartGuiApplication();
    const int width = args.pageWidth > 0 ? args.pageWidth : kDefaultPageWidth;
    const int height = args.pageHeight > 0 ? args.pageHeight : kDefaultPageHeight;
    TextPageContent content;
    Bitmap page = RenderViewerTextPage(args.input, width, height, &content);
    if (!content.ok) {
        // The viewer shows an empty page then; a conversion writes nothing.
        const std::string name = NameOf(args.input);
        PrintError(content.message.find(name) == std::string::npos ? name + ": " + content.message
                                                                    : content.message);
        return false;
    }
    if (page.isEmpty()) {
        PrintError("No fonts to draw " + NameOf(args.input) + " with.");
        return false;
    }
    ws.setImage(std::move(page));
    ws.CurrentFileName = "Untitled";
    return true;
}

int MediaInfo(const std::string& path) {
    const MediaFacts facts = ProbeMediaFile(path);
    if (!facts.ok) {
        PrintError(facts.message);
        return kExitFailure;
    }
    FileInfoInput in;
    in.path = path;
    in.medium = true;
    in.durationMs = facts.durationMs;
    if (facts.hasVideo) {
        in.frameWidth = facts.videoWidth;
        in.frameHeight = facts.videoHeight;
        in.pictureDescription =
            std::to_string(facts.videoWidth) + "x" + std::to_string(facts.videoHeight) + " video";
    } else {
        in.pictureDescription = "sound";
    }
    std::printf("%s\n", FileInfoText(in).c_str());
    return kExitOk;
}

int PrintInfo(const FileInfoInput& info, const PictureMetadata& metadata) {
    std::printf("%s\n", FileInfoText(info).c_str());
    // The size above is the upright one; the tag says how it was stored.
    if (const int tag = ExifOrientation(metadata.exif); tag != 1) std::printf("Orientation: %d\n", tag);
    return kExitOk;
}

}  // namespace

int RunScript(const CliArgs& args) {
    return Guarded([&] {
        const auto format = SaveFormatFromNumber(args.format);
        if (!format) {
            PrintError("Unknown save format " + std::to_string(args.format) + ".");
            return kExitUsage;
        }
        RunFileIo io;
        io.extension = DefaultExtension(*format);
        io.read = [load = CliLoadOptions(args)](const std::string& path) {
            return ReadForRun(path, load);
        };
        SaveOptions options = CliSaveOptions(args);
        options.batch = true;
        io.save = [format = *format, options, keep = !args.stripMetadata](
                      RunPicture picture, const std::string& path, const WriteTurn& turn) {
            return SaveForRun(std::move(picture), path, format, options, turn, keep);
        };
        return RunBipScript(args, io);
    });
}

int Convert(const CliArgs& args) {
    return Guarded([&] {
        Workspace ws;
        if (IsTextPageFile(args.input)) {
            if (!LoadTextPageForCli(ws, args)) return kExitFailure;
        } else if (!LoadForCli(ws, args.input, nullptr, CliLoadOptions(args))) {
            return kExitFailure;
        }
        if (args.toSrgb && !ws.Metadata.icc.empty()) {
            ConvertToSrgb(ws.Image, ws.Metadata.icc);
            ws.Metadata.icc.clear();
            ws.Modified = true;
        }
        const SaveResult saved =
            SaveForCli(ws, args.output, args.format, CliSaveOptions(args), !args.stripMetadata);
        if (!saved.ok()) return kExitFailure;
        std::printf("%s\n", saved.path.c_str());
        return kExitOk;
    });
}

int Info(const CliArgs& args) {
    return Guarded([&] {
        if (ClassifyFile(args.input) == FileKind::Media) return MediaInfo(args.input);
        Workspace ws;
        // The header tells what a load would make; the pixels are left alone.
        if (const auto probed = ProbePictureFacts(args.input)) {
            if (!probed->file.metadataWarning.empty()) PrintError(probed->file.metadataWarning);
            return PrintInfo(FileInfoFor(args.input, *probed, ws.DisplayBitDepth), probed->metadata);
        }
        LoadedFile facts;
        if (!LoadForCli(ws, args.input, &facts)) return kExitFailure;
        return PrintInfo(FileInfoFor(ws, facts), ws.Metadata);
    });
}

int Analyze(const CliArgs& args) {
    std::vector<std::string> files{args.input};
    if (!args.output.empty()) files.push_back(args.output);
    return AnalyzeFiles(files, args.complexity);
}

}  // namespace vimbra::cli
