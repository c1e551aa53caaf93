// vimbra-cli thumbnails: fills the shared thumbnail cache and names each thumbnail.
#include <cstdio>
#include <filesystem>

#include "cli/commands.h"
#include "cli/image_io.h"
#include "thumbnails/folder_pictures.h"
#include "thumbnails/thumbnail_cache.h"

namespace vimbra::cli {
namespace {

// The reader's message with the file named, unless it names the file already.
std::string Named(const std::string& path, const std::string& message) {
    const std::string name = std::filesystem::path(path).filename().string();
    return message.find(name) != std::string::npos ? message : path + ": " + message;
}

}  // namespace

int Thumbnails(const CliArgs& args) {
    return Guarded([&] {
        using namespace vimbra::thumbs;
        const ThumbSize size = args.largeThumbnails ? ThumbSize::Large : ThumbSize::Normal;
        const ThumbnailCache cache;
        int status = kExitOk;
        const auto one = [&](const std::string& path) {
            const ThumbnailResult r = cache.get(path, size);
            if (!r.ok()) {
                PrintError(Named(path, r.message));
                status = kExitFailure;
            } else if (r.cachePath.empty()) {
                PrintError("The thumbnail of " + path + " was not written: " + r.storeError);
                status = kExitFailure;
            } else {
                std::printf("%s\n", r.cachePath.c_str());
            }
        };
        for (const std::string& arg : args.files) {
            std::error_code ec;
            if (!std::filesystem::is_directory(arg, ec)) {
                one(arg);
                continue;
            }
            std::string error;
            const std::vector<std::string> pictures = FolderPictures(arg, &error);
            if (!error.empty()) {
                PrintError(error);
                status = kExitFailure;
            }
            for (const std::string& picture : pictures) one(picture);
        }
        return status;
    });
}

}  // namespace vimbra::cli
