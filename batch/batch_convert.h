#pragma once
// Tools > Batch > to JPG ... to PCX: every picture of a list is loaded,
// optionally run through the BIP script, and written into one folder under
// its own name with the new extension. Never replaces a file: a taken name
// becomes "name-1", "name-2", ... "name-999".
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch_host.h"
#include "batch/file_ops.h"
#include "core/workspace.h"
#include "imagefiles/jpeg_settings.h"
#include "imagefiles/load_dispatch.h"
#include "imagefiles/save_dispatch.h"

namespace vimbra {

// Format numbers of the menu: 0 JPG, 1 BMP, 2 PNG, 3 TIF, 4 TGA, 5 PCX; then
// the lossy WebP, AVIF and JPEG XL variants.
enum class ConvertFormat { Jpg, Bmp, Png, Tif, Tga, Pcx, Webp, Avif, Jxl };

// ".jpg", ".bmp", ".png", ".tif", ".tga", ".pcx", ".webp", ".avif", ".jxl".
const char* ConvertExtension(ConvertFormat format);
// "jpg", "bmp", ... (case ignored) to the format.
std::optional<ConvertFormat> ConvertFormatFromName(std::string_view name);
// The list dialog mode of the conversion (2 + format number).
inline int ConvertListMode(ConvertFormat format) { return 2 + int(format); }

// The extension is one the conversion reads (".JPG.JPEG.PNG.DCX.PCX.BMP.DIB.
// TIF.TGA.PCD.PSD.WEBP.AVIF.HEIC.HEIF.JXL", case ignored) and the file is a picture.
bool IsConvertibleSource(const std::string& path);

// folder/name.ext, or the first free folder/name-k.ext (k = 1..999); empty
// when every one is taken.
std::string ConversionTargetPath(const std::string& source, const std::string& folder,
                                 ConvertFormat format);

// The script lines a conversion runs: without NEXT, PREVIOUS, LOOP and DELETE,
// which would leave the picture, repeat forever or delete a source.
std::vector<std::string> ConversionScript(const std::vector<std::string>& lines);

// "Encoded with Vimbra 6.71 - " + the maker's web address.
std::string BatchCommentText();

// "12 file(s) processed.  40% done."
std::string ConversionProgressLabel(size_t done, int percent);

// What became of one file of the list.
struct ConvertedFile {
    bool written = false;
    std::string path;    // the file written, or the source not converted
    std::string reason;  // why it was not converted
};

struct BatchConvertJob {
    std::vector<std::string> files;
    std::string folder;
    ConvertFormat format = ConvertFormat::Jpg;
    JpegWizardSettings wizard;  // JPEG output: quality, progressive, subsampling, pre-filter
    // libjpeg quality 1..100 instead of the wizard's; WebP, AVIF, JPEG XL: 1..100, default 90.
    std::optional<int> quality;
    // When both are given, the script runs on each picture through this host.
    BatchHost* scriptHost = nullptr;
    std::vector<std::string> script;
    FreeSpaceQuery freeSpace;  // empty: FreeDiskSpace

    // A part of a longer list run beside the others: asked before file i
    // writes anything (so free names are taken in list order); false: the
    // batch has ended before file i, which then ends it unwritten.
    std::function<bool(size_t i)> writeTurn;
    // After file i was written or not converted; false ends the batch.
    std::function<bool(size_t i, const ConvertedFile& file)> fileDone;
    bool keepMetadata = true;  // each picture's metadata goes into its output
    LoadOptions load;          // applyOrientation: turn tagged pictures upright
};

struct BatchConvertResult {
    enum class End { Completed, Cancelled, DiskFull, WriteFailed } end = End::Completed;
    std::vector<std::string> written;  // paths, in list order
    std::vector<std::string> skipped;  // sources not converted
    std::string message;               // DiskFull / WriteFailed: the text to show
    size_t endedAt = 0;                // the file the batch ended at; the count when completed
    // Only a completed batch may clear the bookmark list.
    bool completed() const { return end == End::Completed; }
};

// Runs the conversion on the workspace (its picture ends as the last one
// loaded). Progress steps are reported only when the percentage changes;
// cancellation is polled before each file.
BatchConvertResult BatchConvert(Workspace& ws, const BatchConvertJob& job,
                                BatchProgress* progress = nullptr);

// "Skipped: " + path, one per skipped source.
std::vector<std::string> SkippedLines(const std::vector<std::string>& skipped);
// Writes the lines to folder/BatchExceptions.txt; returns its path. Throws
// ImageFileError when it cannot.
std::string WriteBatchExceptions(const std::vector<std::string>& lines, const std::string& folder);
// "3 file(s) skipped.  Some files may be opened and processed manually.\nView log?"
std::string SkippedQuestion(size_t count);

// Writes bytes as a new file: refused (false) when the name is taken, also
// when it was taken while writing. Never leaves a partial file.
bool WriteNewFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace vimbra
