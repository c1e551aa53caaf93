#pragma once
// Writes the working picture in one of the output variants: the depth
// each needs (prepared on a copy, never on the working picture), the extension
// rule, the disk-space check, the atomic write and the failure messages.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "core/workspace.h"
#include "imagefiles/picture_metadata.h"

namespace vimbra {

// The save dialog's filter index.
enum class SaveFormat : int {
    Bmp = 1,
    Pcx = 2,
    Png = 3,
    JpegGrey = 4,
    Jpeg = 5,
    Tga = 6,
    Tiff = 7,
    TiffDeflate = 8,
    TiffAdobeDeflate = 9,
    TiffFaxG3 = 10,
    TiffFaxG4 = 11,
    TiffPackBits = 12,
    // The newer formats come after the twelve, so scripts and settings keep their numbers.
    Webp = 13,
    WebpLossless = 14,
    Avif = 15,
    AvifLossless = 16,
    Jxl = 17,
    JxlLossless = 18,
};
inline constexpr int kSaveFormatCount = 12;  // the classic twelve, 1..12
inline constexpr int kLastSaveFormat = 18;   // every variant: 1..kLastSaveFormat

std::optional<SaveFormat> SaveFormatFromNumber(int number);
// "BMP (Windows Bitmap)" ... "TIF (Packbits TIFF)".
const char* SaveFormatText(SaveFormat format);
// "bmp", "pcx", "png", "jpg", "tga", "tif", "webp", "avif" or "jxl".
const char* DefaultExtension(SaveFormat format);
// The save dialog's filter in variant order; the fax and PackBits TIFF
// variants (10..12) only for 1-bit pictures.
std::string SaveDialogFilter(int imageBitDepth);

// Unless the name already ends in "." + the format's default extension (any
// case), its extension (if any) is dropped and that one appended.
std::string ApplyExtensionRule(const std::string& path, SaveFormat format);

// Free bytes on the file system holding `path`, or nothing when unknown.
using FreeSpaceQuery = std::function<std::optional<uint64_t>(const std::string& path)>;
std::optional<uint64_t> FreeDiskSpace(const std::string& path);  // QStorageInfo

struct SaveOptions {
    // Save dialog quality (0..128, higher better; see LibjpegQuality) for 4 and 5,
    // and through the same mapping for the lossy WebP, AVIF and JPEG XL variants.
    int quality = 75;
    // JPEG progressive; for PNG it means interlaced.
    bool progressive = false;
    // A batch save keeps CurrentFileName.
    bool batch = false;
    bool autoReduce = false;   // counts into ImageByteSize on 256-colour screens
    FreeSpaceQuery freeSpace;  // empty: FreeDiskSpace
    // What to write beside the pixels, already prepared for the saved picture
    // (orientation 1, its size); nullptr writes none.
    const PictureMetadata* metadata = nullptr;
    // Colour JPEG: the rows the encoder is done with (JpegWriteOptions).
    std::function<void(int rows)> rowsTaken = {};
};

// The metadata a file of `format` gets for `picture` (see MetadataForSave):
// nothing for BMP, PCX and TGA, for a picture without metadata, or unless
// `keep`. `modified`: the pixels were edited since the file was read.
std::optional<PictureMetadata> MetadataToSave(const PictureMetadata& source, const Bitmap& picture,
                                              SaveFormat format, bool modified, bool keep = true);
// The same for the working picture.
std::optional<PictureMetadata> MetadataToSave(const Workspace& ws, SaveFormat format,
                                              bool keep = true);

// The encoded file with the metadata written into it where its format takes
// it this way (JPEG, TIFF, PNG, WebP); otherwise, or when that fails, as it was.
std::vector<uint8_t> WithMetadata(std::vector<uint8_t> encoded, const PictureMetadata& metadata);

// The picture as written: grey for format 4, 8 bits at least for TGA.
Bitmap PrepareForSave(const Bitmap& image, SaveFormat format);

// The file's bytes (options.metadata written in); throws ImageFileError when
// the writer refuses the picture.
std::vector<uint8_t> EncodeForSave(const Bitmap& image, SaveFormat format,
                                   const SaveOptions& options = {});

enum class SaveStatus { Saved, DiskFull, Failed };

struct SaveResult {
    SaveStatus status = SaveStatus::Failed;
    std::string path;                           // the name after the extension rule
    std::string message;                        // DiskFull and Failed: the text to show
    std::string detail;                         // Failed: the writer's own reason
    uint64_t requiredBytes = 0, freeBytes = 0;  // DiskFull
    bool ok() const { return status == SaveStatus::Saved; }
};

// A save split in two so the encoding can run on another thread and the file
// be written later, in order: EncodeSave touches no file and no workspace;
// CommitSave checks the free space, then writes. Together they give what
// SaveImageFile gives for the same picture.
struct EncodedSave {
    SaveResult result;            // path set; failure text when not encoded
    std::vector<uint8_t> bytes;   // the file, when encoded
    uint64_t neededBytes = 0;     // what the disk-space check asks for
    bool encoded = false;
    bool refused = false;         // failed before the size was known
};
EncodedSave EncodeSave(const Bitmap& image, const std::string& path, SaveFormat format,
                       const SaveOptions& options = {}, int displayBitDepth = 24);
SaveResult CommitSave(EncodedSave&& encoded, SaveFormat format, const SaveOptions& options = {});

// Saves the working picture under `path` (the extension rule applied). The
// working picture is never changed. On success Modified is cleared and, unless
// batch, CurrentFileName becomes the file written; on failure the workspace and
// any existing file are left as they were.
SaveResult SaveImageFile(Workspace& ws, const std::string& path, SaveFormat format,
                         const SaveOptions& options = {});

// "Insufficient disk space.\nReq.: 977 Kb\nFree: 2 Kb\n\n" + tail.
std::string DiskSpaceMessage(uint64_t requiredBytes, uint64_t freeBytes, const std::string& tail);
inline constexpr const char* kSaveFailedTail = "Save operation failed.";
// "Vimbra 6.71 Write failure.\nSave Format=7\n" + path.
std::string WriteFailureMessage(SaveFormat format, const std::string& path);

}  // namespace vimbra
