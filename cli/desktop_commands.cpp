// vimbra-cli print and unzip: the desktop services without a desktop.
#include <cstdio>

#include "cli/commands.h"
#include "cli/image_io.h"
#include "desktop/print_page.h"
#include "desktop/zip_archive.h"

namespace vimbra::cli {

int Print(const CliArgs& args) {
    return Guarded([&] {
        Workspace ws;
        const LoadResult loaded = LoadImageFile(ws, args.input);
        if (!loaded) {
            // The message must name the file even when the reader's does not.
            const bool named = loaded.message.find(args.input) != std::string::npos;
            PrintError(named ? loaded.message : args.input + ": " + loaded.message);
            return kExitFailure;
        }
        const std::string error = WritePicturePdf(args.pdf, ws.Image);
        if (!error.empty()) {
            PrintError(error);
            return kExitFailure;
        }
        std::printf("%s\n", args.pdf.c_str());
        return kExitOk;
    });
}

int Unzip(const CliArgs& args) {
    return Guarded([&] {
        ZipExtractOptions options;
        options.overwrite = args.overwrite;
        bool allOk = true;
        int total = 0;
        for (const std::string& archive : args.files) {
            const ZipExtractResult r = ExtractZip(archive, args.outDir, options);
            if (!r.error.empty()) PrintError(r.error);
            for (const std::string& line : r.log) std::printf("%s\n", line.c_str());
            total += r.extracted;
            allOk = allOk && r.ok();
        }
        std::printf("%d file(s) unzipped.\n", total);
        return allOk ? kExitOk : kExitFailure;
    });
}

}  // namespace vimbra::cli
