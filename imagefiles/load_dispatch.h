#pragma once
// Turns a file name into the working picture: what kind of file it is, its
// size and depth without decoding (the probe), which readers are tried in
// which order, JPEG reduced decoding, fax pages as grey, and multipage files.
//
// Extensions are compared ignoring case as whole extensions. After the reader
// the extension names, the reader the content's signature names is tried, so
// a PNG named .jpg still loads.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/bitmap.h"
#include "core/workspace.h"
#include "imagefiles/codecs/codec_common.h"
#include "imagefiles/codecs/jpeg_codec.h"
#include "imagefiles/codecs/raster_core.h"
#include "imagefiles/picture_metadata.h"

namespace vimbra {

// What a file is, by its extension. Only Picture and Metafile become the
// working picture here; the others go to the media player, the text page, the
// slideshow runner or the zip tool.
enum class FileKind { Picture, Media, Text, RichText, Metafile, Slideshow, Archive, Unknown };

FileKind ClassifyFile(std::string_view path);
// Upper-case extension with its dot (".JPG"), empty when there is none.
std::string UpperExtension(std::string_view path);

// The ways a picture file can be read.
enum class ImageReader {
    Bmp, Pcx, Dcx, Tga, Png, Jpeg, Tiff, Photoshop, PhotoCd, ImagingLibrary, Webp, Avif, Heif, Jxl
};

// The reader the content's signature names, if any (TGA has none).
std::optional<ImageReader> SniffImageReader(ByteSpan head);
// The extension's reader first, then the sniffed one, then the imaging library.
std::vector<ImageReader> AttemptOrder(std::string_view path, ByteSpan head);

struct LoadOptions;

// What another module's reader is handed.
struct ReadRequest {
    const std::string& path;
    ByteSpan data;  // the whole file
    int page;       // 0-based
    const LoadOptions& options;
};

// A format read by another module. Empty until that module provides it.
struct PluginReader {
    std::function<ImageInfo(const ReadRequest&)> probe;  // header facts only
    std::function<Bitmap(const ReadRequest&)> decode;
    explicit operator bool() const { return probe && decode; }
};

// Formats whose readers live in other modules: Photoshop, Photo CD, metafiles
// (WMF/EMF drawn on the back colour; only decode is used) and the imaging
// library (any format it recognises, tried last).
struct PluginReaders {
    PluginReader photoshop, photoCd, metafile, imagingLibrary;
};

// The readers the program runs with: where those modules plug in.
const PluginReaders& StandardPluginReaders();

// The viewer options that steer a load. The defaults read every file at full
// size and depth, as a conversion wants.
struct LoadOptions {
    bool fitToWindow = false;
    bool slideshow = false;
    bool halfJpeg = false;
    bool autoReduce = false;
    int jpegPalette = 3;       // 256-colour screens: 0 fixed + ordered .. 3 optimal + dithered
    int faxQuality = 0;        // 1-bit pages: 0 b/w, 1 4 shades, 2 16 shades, 3 64 shades
    int photoCdStep = 3;       // Photo CD resolution index
    PaletteEntry backColor{};  // behind transparent PNG, WebP, AVIF, HEIF, JPEG XL parts and metafiles
    int viewWidth = 0, viewHeight = 0;       // viewing area for JPEG reduction
    int displayBitDepth = 24;                // LoadImageFile takes the workspace's DisplayBitDepth
    bool applyOrientation = true;            // turn tagged pictures upright while reading
    const PluginReaders* plugins = nullptr;  // nullptr: StandardPluginReaders()
};

// Probe result codes, as the open command branches on them.
inline constexpr int kProbePicture = 1;
inline constexpr int kProbeMedia = 2;
inline constexpr int kProbeFailed = -1;
inline constexpr int kProbeText = -10;
inline constexpr int kProbeMetafile = -11;

struct ProbeResult {
    int code = kProbeFailed;
    FileKind kind = FileKind::Unknown;
    std::string extension;                  // CurrentExtension
    ImageInfo info;                         // bitCount: 16 and more count as 24
    ImageReader reader = ImageReader::Bmp;  // the one whose header read succeeded
    bool tiffViaImgLibrary = false;
    std::string message;  // why the code is kProbeFailed
};

// Size, depth and pages without decoding the pixels.
ProbeResult ProbeImageFile(const std::string& path, const LoadOptions& options = {});

// The same over the bytes of a picture file already read. Throws
// ImageFileError with the text ProbeImageFile gives as its message.
struct ProbedBytes {
    ImageReader reader = ImageReader::Bmp;
    ImageInfo info;  // pictureDepth under these options
    bool tiffViaImgLibrary = false;
};
ProbedBytes ProbeImageBytes(const std::string& path, ByteSpan data, const LoadOptions& options = {});

// Facts of the picture shown that the caller keeps (FileWidth, PageCount...).
struct LoadedFile {
    FileKind kind = FileKind::Unknown;
    std::string extension;
    ImageReader reader = ImageReader::Bmp;
    int fileWidth = 0, fileHeight = 0;  // as stored, also when decoded reduced
    int pageCount = 1, currentPage = 0;
    bool tiffViaImgLibrary = false;
    bool loadedReduced = false;
    int reductionFactor = 1;
    std::string metadataWarning;  // the file's metadata could not be read (it is dropped)
};

struct DecodedPicture {
    Bitmap bitmap;
    LoadedFile file;
    PictureMetadata metadata;  // as read; orientation is what is still to apply
};

// Decodes page `page` (0-based) of a picture file or a metafile without
// touching any workspace. Throws ImageFileError with the text to show.
DecodedPicture ReadImageFile(const std::string& path, int page = 0,
                             const LoadOptions& options = {});

struct LoadResult {
    bool ok = false;
    LoadedFile file;
    std::string message;  // the failure text to show
    explicit operator bool() const { return ok; }
};

// Loads page `page` into the workspace: on success the working picture,
// ImageBitDepth, sizes, CurrentFileName ("Untitled" for a metafile) and
// StatusText are the file's and Modified is clear. On failure, and for files
// that are no picture (see file.kind), the workspace is left as it was.
LoadResult LoadImageFile(Workspace& ws, const std::string& path, int page = 0,
                         const LoadOptions& options = {});

// LoadImageFile in two halves, so the reading can run on another thread:
// ReadForLoad touches no workspace (options.displayBitDepth is used as given);
// ApplyRead makes a successful read the working picture, as LoadImageFile does.
// A metadata warning becomes the status text.
struct PictureRead {
    LoadResult result;
    DecodedPicture picture;
    int64_t milliseconds = 0;
};
PictureRead ReadForLoad(const std::string& path, int page = 0, const LoadOptions& options = {});
LoadResult ApplyRead(Workspace& ws, const std::string& path, PictureRead&& read);

// width × height × depth ÷ 8 (two bytes a pixel for 15 and 16 bits, 0 for
// other depths), rounded down to a multiple of 4096. A 24-bit picture counts
// as 8 bits on a 256-colour screen with autoReduce.
uint64_t ImageByteSize(int64_t width, int64_t height, int depth, int displayBitDepth = 24,
                       bool autoReduce = false);

// Divisor 1, 2, 4 or 8 so the picture fits twice the viewing area.
int JpegReduction(int width, int height, int viewWidth, int viewHeight);

// How a JPEG is decoded for the screen and the options.
struct JpegPlan {
    JpegReadOptions read;
    int reduction = 1;
};
JpegPlan PlanJpegDecode(const JpegInfo& info, const LoadOptions& options);

// A 1-bit fax page shown as grey at 1/2, 1/3 or 1/4 of its size (minus one
// pixel) for fax quality 1, 2 or 3; other qualities or depths return the page.
Bitmap FaxPageToGrey(const Bitmap& page, int faxQuality);

// The page commands: next and previous wrap around.
enum class PageStep { First, Previous, Next, Last };
int PageAfter(PageStep step, int currentPage, int pageCount);
// "Page 2 of 3" for the 0-based page 1.
std::string PageStatusText(int currentPage, int pageCount);
// "Loaded 1.2s": seconds and tenths; times above 200 ms show 100 ms less.
std::string LoadTimeText(int64_t milliseconds);

}  // namespace vimbra
