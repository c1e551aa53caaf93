#include "imagefiles/load_dispatch.h"

#include "imagefiles/codecs/psd_codec.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <new>
#include <span>

#include "imagefiles/codecs/avif_codec.h"
#include "imagefiles/codecs/bmp_codec.h"
#include "imagefiles/codecs/heif_codec.h"
#include "imagefiles/codecs/jxl_codec.h"
#include "imagefiles/codecs/pcx_codec.h"
#include "imagefiles/codecs/png_codec.h"
#include "imagefiles/codecs/psd_codec.h"
#include "imagefiles/codecs/tga_codec.h"
#include "imagefiles/codecs/tiff_codec.h"
#include "imagefiles/codecs/webp_codec.h"
#include "imagefiles/imglib/imglib.h"
#include "imagefiles/imglib/photocd.h"
#include "imagefiles/metafile.h"
#include "imagefiles/metadata_io.h"
#include "imagefiles/orientation.h"

namespace vimbra {
namespace {

using Extensions = std::span<const std::string_view>;

constexpr std::string_view kJpeg[] = {".JPG", ".JPEG", ".JPE"};
// The classic list, then what GStreamer plays today (as the shows accept).
constexpr std::string_view kMedia[] = {
    ".AVI", ".MPG", ".M1V", ".MPE", ".MPEG", ".MPV", ".QT",  ".MOV",  ".M2V", ".RM",
    ".WMV", ".DAT", ".ASF", ".WAV", ".MP2",  ".MP3", ".MPA", ".AIF",  ".AIFF", ".AIFX",
    ".MID", ".RMI", ".AU",  ".SND", ".RA",   ".WMA", ".OGG", ".OGA",  ".FLAC", ".OPUS",
    ".M4A", ".MP4", ".M4V", ".MKV", ".WEBM", ".OGV"};

bool OneOf(std::string_view ext, Extensions list) {
    return std::find(list.begin(), list.end(), ext) != list.end();
}

std::optional<ImageReader> ReaderOfExtension(std::string_view ext) {
    if (OneOf(ext, kJpeg)) return ImageReader::Jpeg;
    if (ext == ".PNG") return ImageReader::Png;
    if (ext == ".BMP" || ext == ".DIB") return ImageReader::Bmp;
    if (ext == ".PCX") return ImageReader::Pcx;
    if (ext == ".DCX") return ImageReader::Dcx;
    if (ext == ".TIF" || ext == ".TIFF") return ImageReader::Tiff;
    if (ext == ".TGA") return ImageReader::Tga;
    if (ext == ".PSD") return ImageReader::Photoshop;
    if (ext == ".PCD") return ImageReader::PhotoCd;
    if (ext == ".WEBP") return ImageReader::Webp;
    if (ext == ".AVIF") return ImageReader::Avif;
    if (ext == ".HEIC" || ext == ".HEIF") return ImageReader::Heif;
    if (ext == ".JXL") return ImageReader::Jxl;
    return std::nullopt;
}

bool StartsWith(ByteSpan data, std::initializer_list<uint8_t> bytes, size_t at = 0) {
    if (data.size() < at + bytes.size()) return false;
    return std::equal(bytes.begin(), bytes.end(), data.begin() + long(at));
}

// An ISO base media file whose "ftyp" box names an AVIF or a HEIF brand.
std::optional<ImageReader> SniffBrands(ByteSpan d) {
    if (!StartsWith(d, {'f', 't', 'y', 'p'}, 4)) return std::nullopt;
    const size_t boxSize = size_t(d[0]) << 24 | size_t(d[1]) << 16 | size_t(d[2]) << 8 | d[3];
    const size_t end = std::min(boxSize, d.size());
    if (end < 16) return std::nullopt;
    const auto brand = [&](size_t at, std::string_view b) {
        return std::equal(b.begin(), b.end(), d.begin() + long(at));
    };
    bool heif = false;
    // The major brand at 8, then the compatible brands from 16 (the minor version between).
    for (size_t at = 8; at + 4 <= end; at += at == 8 ? 8 : 4) {
        if (brand(at, "avif") || brand(at, "avis")) return ImageReader::Avif;
        for (std::string_view b : {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"})
            heif = heif || brand(at, b);
    }
    if (heif) return ImageReader::Heif;
    return std::nullopt;
}

std::string LowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char ch) { return char(std::tolower(ch)); });
    return text;
}

std::string FileNameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

// Probes count 16 bits and more as 24, as every such picture is decoded to 24.
ImageInfo Counted(ImageInfo info) {
    if (info.bitCount >= 16) info.bitCount = 24;
    return info;
}

struct Context {
    const std::string& path;
    ByteSpan data;
    const LoadOptions& options;
    const PluginReaders& plugins;
};

const PluginReader* PluginFor(ImageReader r, const PluginReaders& p) {
    switch (r) {
        case ImageReader::Photoshop:
            return &p.photoshop;
        case ImageReader::PhotoCd:
            return &p.photoCd;
        case ImageReader::ImagingLibrary:
            return &p.imagingLibrary;
        default:
            return nullptr;
    }
}

const char* NotSupportedYet(ImageReader r) {
    switch (r) {
        case ImageReader::Photoshop:
            return "Photoshop (PSD) files are not supported yet.";
        case ImageReader::PhotoCd:
            return "Photo CD (PCD) files are not supported yet.";
        default:
            return "This file type is not supported yet.";
    }
}

// TIFF pages the own reader would get wrong go the imaging library's way:
// unreadable headers (LZW), and 1-bit pages unless deflated.
bool TiffNeedsLibrary(ByteSpan data) {
    try {
        const TiffInfo t = ReadTiffInfo(data, 1);
        if (t.width == 0 || t.height == 0 || t.bitCount == 0) return true;
        const bool deflated = t.compressionTag == 8 || t.compressionTag == 32946;
        return (t.bitCount == 1 || t.bitCount == 2) && !deflated;
    } catch (const ImageFileError&) {
        return true;
    }
}

// The newer formats' errors name the file, as the libraries' own words alone
// would not tell which of many pictures failed.
template <typename Read>
auto Named(const Context& c, Read read) -> decltype(read()) {
    try {
        return read();
    } catch (const ImageFileError& e) {
        throw ImageFileError(FileNameOf(c.path) + ": " + e.what());
    }
}

Bitmap DecodeModern(ImageReader r, const Context& c, PictureMetadata& metadata) {
    const ModernReadOptions o{c.options.backColor, c.options.applyOrientation};
    switch (r) {
        case ImageReader::Webp: return DecodeWebp(c.data, o, &metadata);
        case ImageReader::Avif: return DecodeAvif(c.data, o, &metadata);
        case ImageReader::Heif: return DecodeHeif(c.data, o, &metadata);
        default: return DecodeJxl(c.data, o, &metadata);
    }
}

struct Probed {
    ImageInfo info;
    bool tiffViaLibrary = false;
};

Probed ProbeWith(ImageReader r, const Context& c) {
    Probed p;
    switch (r) {
        case ImageReader::Bmp:
            p.info = ReadBmpInfo(c.data);
            break;
        case ImageReader::Pcx:
            p.info = ReadPcxInfo(c.data);
            break;
        case ImageReader::Dcx:
            p.info = ReadDcxInfo(c.data);
            if (c.options.faxQuality != 0) p.info.pictureDepth = 0;  // shown as grey
            break;
        case ImageReader::Tga:
            p.info = ReadTgaInfo(c.data);
            break;
        case ImageReader::Png: {
            const PngInfo i = ReadPngInfo(c.data);
            p.info = {i.width, i.height, i.bitCount, 1, i.pictureDepth};
            break;
        }
        case ImageReader::Jpeg: {
            const JpegInfo i = ReadJpegInfo(c.data);
            const bool quantized = PlanJpegDecode(i, c.options).read.quantize;
            p.info = {i.width, i.height, i.bitCount, 1, quantized ? 8 : i.bitCount};
            break;
        }
        case ImageReader::Tiff: {
            p.tiffViaLibrary = TiffNeedsLibrary(c.data);
            const TiffInfo t = ReadTiffInfo(c.data, 1, {.acceptLzw = p.tiffViaLibrary});
            const bool asRead = TiffCompressionReadable(t.compressionTag) &&
                                !(p.tiffViaLibrary && c.options.faxQuality != 0);
            p.info = {t.width, t.height, t.bitCount, TiffPageCount(c.data), asRead ? t.bitCount : 0};
            break;
        }
        case ImageReader::Webp:
            p.info = Named(c, [&] { return ReadWebpInfo(c.data); });
            break;
        case ImageReader::Avif:
            p.info = Named(c, [&] { return ReadAvifInfo(c.data, c.options.applyOrientation); });
            break;
        case ImageReader::Heif:
            p.info = Named(c, [&] { return ReadHeifInfo(c.data, c.options.applyOrientation); });
            break;
        case ImageReader::Jxl:
            p.info = Named(c, [&] { return ReadJxlInfo(c.data, c.options.applyOrientation); });
            break;
        case ImageReader::PhotoCd:
            // Only image packs; the overview and other packs of a disc are refused.
            if (LowerCase(c.path).find("img") == std::string::npos)
                throw ImageFileError(FileNameOf(c.path) + " is not a Photo CD image pack.");
            [[fallthrough]];
        case ImageReader::Photoshop:
        case ImageReader::ImagingLibrary: {
            const PluginReader& plugin = *PluginFor(r, c.plugins);
            if (!plugin) throw ImageFileError(NotSupportedYet(r));
            p.info = plugin.probe(ReadRequest{c.path, c.data, 0, c.options});
            break;
        }
    }
    p.info = Counted(p.info);
    if (p.info.pageCount < 1) p.info.pageCount = 1;
    return p;
}

DecodedPicture DecodeWith(ImageReader r, const Context& c, int page) {
    const Probed probed = ProbeWith(r, c);
    if (page < 0 || page >= probed.info.pageCount)
        throw ImageFileError(FileNameOf(c.path) + " has no page " + std::to_string(page + 1) + ".");
    DecodedPicture out;
    LoadedFile& f = out.file;
    f.reader = r;
    f.fileWidth = probed.info.width;
    f.fileHeight = probed.info.height;
    f.pageCount = probed.info.pageCount;
    f.currentPage = page;
    f.tiffViaImgLibrary = probed.tiffViaLibrary;
    Bitmap& b = out.bitmap;
    switch (r) {
        case ImageReader::Bmp:
            b = DecodeBmp(c.data);
            break;
        case ImageReader::Pcx:
            b = DecodePcx(c.data);
            break;
        case ImageReader::Tga:
            b = DecodeTga(c.data);
            break;
        case ImageReader::Png:
            b = DecodePng(c.data,
                          {.backgroundColor = c.options.backColor, .useOwnBackground = true});
            break;
        case ImageReader::Jpeg: {
            const JpegPlan plan = PlanJpegDecode(ReadJpegInfo(c.data), c.options);
            b = DecodeJpeg(c.data, plan.read);
            f.loadedReduced = plan.reduction > 1;
            f.reductionFactor = plan.reduction;
            break;
        }
        case ImageReader::Dcx:
            b = DecodeDcxPage(c.data, page);
            f.fileWidth = b.width();
            f.fileHeight = b.height();
            b = FaxPageToGrey(b, c.options.faxQuality);
            break;
        case ImageReader::Tiff:
            b = DecodeTiff(c.data, page + 1, {.acceptLzw = probed.tiffViaLibrary});
            f.fileWidth = b.width();
            f.fileHeight = b.height();
            if (probed.tiffViaLibrary) b = FaxPageToGrey(b, c.options.faxQuality);
            break;
        case ImageReader::Photoshop:
        case ImageReader::PhotoCd:
        case ImageReader::ImagingLibrary:
            b = PluginFor(r, c.plugins)->decode(ReadRequest{c.path, c.data, page, c.options});
            break;
        case ImageReader::Webp:
        case ImageReader::Avif:
        case ImageReader::Heif:
        case ImageReader::Jxl:
            b = Named(c, [&] { return DecodeModern(r, c, out.metadata); });
            break;
    }
    if (b.isEmpty()) throw ImageFileError(FileNameOf(c.path) + ": the file holds no picture.");
    return out;
}

const PluginReaders& PluginsOf(const LoadOptions& o) {
    return o.plugins ? *o.plugins : StandardPluginReaders();
}

std::vector<uint8_t> ReadExisting(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw ImageFileError(FileNameOf(path) + " not found.");
    return ReadWholeFile(path);
}

const char* NotAPictureMessage(FileKind kind) {
    switch (kind) {
        case FileKind::Media:
            return " is an audio or video file.";
        case FileKind::Text:
        case FileKind::RichText:
            return " is a text file.";
        case FileKind::Slideshow:
            return " is a slideshow script.";
        case FileKind::Archive:
            return " is a zip archive.";
        default:
            return " is not a picture.";
    }
}

// Runs the readers in order; the last one that ran decides the message, except
// the imaging library: as the catch-all it knows least about the file.
template <typename Attempt>
auto TryReaders(const std::string& path, ByteSpan data, const LoadOptions& options, Attempt attempt)
    -> decltype(attempt(ImageReader::Bmp, std::declval<Context&>())) {
    const PluginReaders& plugins = PluginsOf(options);
    Context c{path, data, options, plugins};
    std::string message;
    for (ImageReader r : AttemptOrder(path, data)) {
        if (r == ImageReader::ImagingLibrary && !plugins.imagingLibrary) continue;
        try {
            return attempt(r, c);
        } catch (const std::bad_alloc&) {
            message = "Not enough memory to load " + FileNameOf(path) + ".";
        } catch (const std::exception& e) {
            if (r != ImageReader::ImagingLibrary) message = e.what();
        }
    }
    if (message.empty()) message = "Unknown file type: " + FileNameOf(path);
    throw ImageFileError(message);
}

DecodedPicture ReadMetafile(const std::string& path, const std::vector<uint8_t>& data,
                            const LoadOptions& options) {
    const PluginReader& plugin = PluginsOf(options).metafile;
    if (!plugin.decode)
        throw ImageFileError("Windows metafiles (WMF, EMF) are not supported yet.");
    DecodedPicture out;
    try {
        out.bitmap = plugin.decode(ReadRequest{path, data, 0, options});
    } catch (const std::bad_alloc&) {
        throw ImageFileError("Not enough memory to load " + FileNameOf(path) + ".");
    } catch (const std::exception&) {
        throw ImageFileError("Invalid Metafile.");
    }
    if (out.bitmap.isEmpty()) throw ImageFileError("Invalid Metafile.");
    out.bitmap.convertTo24();
    out.file.fileWidth = out.bitmap.width();
    out.file.fileHeight = out.bitmap.height();
    return out;
}

}  // namespace

std::string UpperExtension(std::string_view path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char ch) { return char(std::toupper(ch)); });
    return ext;
}

FileKind ClassifyFile(std::string_view path) {
    const std::string ext = UpperExtension(path);
    if (ReaderOfExtension(ext)) return FileKind::Picture;
    if (OneOf(ext, kMedia)) return FileKind::Media;
    if (ext == ".TXT") return FileKind::Text;
    if (ext == ".RTF") return FileKind::RichText;
    if (ext == ".WMF" || ext == ".EMF") return FileKind::Metafile;
    if (ext == ".AVL") return FileKind::Slideshow;
    if (ext == ".ZIP") return FileKind::Archive;
    return FileKind::Unknown;
}

std::optional<ImageReader> SniffImageReader(ByteSpan d) {
    if (StartsWith(d, {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return ImageReader::Png;
    if (StartsWith(d, {0xFF, 0xD8, 0xFF})) return ImageReader::Jpeg;
    if (StartsWith(d, {'I', 'I', 42, 0}) || StartsWith(d, {'M', 'M', 0, 42}) ||
        StartsWith(d, {'I', 'I', 43, 0}) || StartsWith(d, {'M', 'M', 0, 43}))
        return ImageReader::Tiff;
    if (StartsWith(d, {'B', 'M'}) || StartsWith(d, {'B', 'A'})) return ImageReader::Bmp;
    if (StartsWith(d, {0xB1, 0x68, 0xDE, 0x3A})) return ImageReader::Dcx;
    if (StartsWith(d, {'8', 'B', 'P', 'S'})) return ImageReader::Photoshop;
    if (StartsWith(d, {'R', 'I', 'F', 'F'}) && StartsWith(d, {'W', 'E', 'B', 'P'}, 8))
        return ImageReader::Webp;
    if (StartsWith(d, {0xFF, 0x0A}) ||
        StartsWith(d, {0, 0, 0, 0x0C, 'J', 'X', 'L', ' ', 0x0D, 0x0A, 0x87, 0x0A}))
        return ImageReader::Jxl;
    if (auto brand = SniffBrands(d)) return brand;
    if (StartsWith(d, {'P', 'C', 'D', '_', 'I', 'P', 'I'}, 0x800)) return ImageReader::PhotoCd;
    // PCX has only a weak signature: maker 10, a known version and encoding.
    if (d.size() >= 128 && d[0] == 10 && (d[1] <= 5 && d[1] != 1) && d[2] <= 1 &&
        (d[3] == 1 || d[3] == 2 || d[3] == 4 || d[3] == 8))
        return ImageReader::Pcx;
    return std::nullopt;
}

std::vector<ImageReader> AttemptOrder(std::string_view path, ByteSpan head) {
    std::vector<ImageReader> order;
    if (auto byName = ReaderOfExtension(UpperExtension(path))) order.push_back(*byName);
    if (auto byContent = SniffImageReader(head);
        byContent && std::find(order.begin(), order.end(), *byContent) == order.end())
        order.push_back(*byContent);
    order.push_back(ImageReader::ImagingLibrary);
    return order;
}

namespace {

// The Photo CD resolution index asked for, capped at the three base ones.
int PhotoCdResolution(const LoadOptions& o) { return std::clamp(o.photoCdStep, 0, 2); }

ImageInfo InfoOf(const Bitmap& b, int bitCount) {
    ImageInfo info;
    info.width = b.width();
    info.height = b.height();
    info.bitCount = bitCount;
    return info;
}

// Decodes page q.page through the imaging library; its status text on failure.
Bitmap ImagingLibraryDecode(const ReadRequest& q) {
    std::string type = UpperExtension(q.path);
    if (!type.empty()) type.erase(0, 1);  // the library names formats without the dot
    CurrentImg img;
    img.replace(ImgOpenMem(q.data, type.c_str()));
    Bitmap out;
    if (!img.get() || (q.page > 0 && !ImgSetPage(img.get(), q.page)) ||
        !ImgToBitmap(img.get(), out))
        throw ImageFileError(ImgGetStatus().text);
    return out;
}

// The readers of this file leave the metadata to exiv2; a reader of another
// module fills it itself. Only the first page of a TIFF file has it.
void AttachMetadata(DecodedPicture& out, const std::string& path, ByteSpan data, int page,
                    const LoadOptions& options) {
    const ImageReader r = out.file.reader;
    const bool ours = r == ImageReader::Jpeg || r == ImageReader::Png || r == ImageReader::Tiff;
    if (out.file.kind == FileKind::Picture && ours && page == 0) {
        MetadataRead read = ReadFileMetadata(data, FileNameOf(path));
        out.metadata = std::move(read.metadata);
        out.file.metadataWarning = std::move(read.warning);
    }
    // WebP has no transform of its own: its EXIF tag says how to turn it.
    if (r == ImageReader::Webp) out.metadata.orientation = ExifOrientation(out.metadata.exif);
    if (options.applyOrientation && out.metadata.orientation >= 2 &&
        out.metadata.orientation <= 8) {
        out.bitmap = OrientUpright(out.bitmap, out.metadata.orientation);
        out.metadata.orientation = 1;
    }
}

}  // namespace

const PluginReaders& StandardPluginReaders() {
    static const PluginReaders readers = [] {
        PluginReaders r;
        r.metafile.probe = [](const ReadRequest& q) {
            const MetafileInfo m = ReadMetafileInfo(q.data);
            ImageInfo info;
            info.width = m.width;
            info.height = m.height;
            info.bitCount = 24;
            return info;
        };
        r.metafile.decode = [](const ReadRequest& q) {
            VectorOptions o;
            o.backColor = q.options.backColor;
            return DecodeVector(q.data, o);
        };
        r.photoshop.probe = [](const ReadRequest& q) { return ReadPsdInfo(q.data); };
        r.photoshop.decode = [](const ReadRequest& q) { return DecodePsd(q.data); };
        // Photo CD pictures are small enough that the probe simply decodes.
        r.photoCd.decode = [](const ReadRequest& q) {
            return DecodePhotoCd(q.data, PhotoCdResolution(q.options));
        };
        r.photoCd.probe = [](const ReadRequest& q) {
            return InfoOf(DecodePhotoCd(q.data, PhotoCdResolution(q.options)), 24);
        };
        r.imagingLibrary.decode = ImagingLibraryDecode;
        r.imagingLibrary.probe = [](const ReadRequest& q) {
            const Bitmap b = ImagingLibraryDecode(q);
            return InfoOf(b, b.depth());
        };
        return r;
    }();
    return readers;
}

ProbedBytes ProbeImageBytes(const std::string& path, ByteSpan data, const LoadOptions& options) {
    return TryReaders(path, data, options, [&](ImageReader reader, Context& c) {
        const Probed p = ProbeWith(reader, c);
        return ProbedBytes{reader, p.info, p.tiffViaLibrary};
    });
}

ProbeResult ProbeImageFile(const std::string& path, const LoadOptions& options) {
    ProbeResult r;
    r.kind = ClassifyFile(path);
    r.extension = UpperExtension(path);
    switch (r.kind) {
        case FileKind::Media:
            r.code = kProbeMedia;
            return r;
        case FileKind::Text:
        case FileKind::RichText:
            r.code = kProbeText;
            return r;
        case FileKind::Metafile:
            r.code = kProbeMetafile;
            return r;
        case FileKind::Slideshow:
        case FileKind::Archive:
            r.message = FileNameOf(path) + NotAPictureMessage(r.kind);
            return r;
        default:
            break;
    }
    try {
        const std::vector<uint8_t> data = ReadExisting(path);
        const ProbedBytes p = ProbeImageBytes(path, data, options);
        r.info = p.info;
        r.tiffViaImgLibrary = p.tiffViaImgLibrary;
        r.reader = p.reader;
        r.code = kProbePicture;
        r.kind = FileKind::Picture;
    } catch (const std::bad_alloc&) {
        r.message = "Not enough memory to load " + FileNameOf(path) + ".";
    } catch (const std::exception& e) {
        r.message = e.what();
    }
    return r;
}

DecodedPicture ReadImageFile(const std::string& path, int page, const LoadOptions& options) {
    const FileKind kind = ClassifyFile(path);
    if (kind != FileKind::Picture && kind != FileKind::Metafile && kind != FileKind::Unknown)
        throw ImageFileError(FileNameOf(path) + NotAPictureMessage(kind));
    const std::vector<uint8_t> data = ReadExisting(path);
    DecodedPicture out = kind == FileKind::Metafile
                             ? ReadMetafile(path, data, options)
                             : TryReaders(path, data, options, [&](ImageReader r, Context& c) {
                                   return DecodeWith(r, c, page);
                               });
    out.file.kind = kind == FileKind::Metafile ? kind : FileKind::Picture;
    out.file.extension = UpperExtension(path);
    AttachMetadata(out, path, data, page, options);
    return out;
}

PictureRead ReadForLoad(const std::string& path, int page, const LoadOptions& options) {
    PictureRead read;
    read.result.file.kind = ClassifyFile(path);
    read.result.file.extension = UpperExtension(path);
    const auto start = std::chrono::steady_clock::now();
    try {
        read.picture = ReadImageFile(path, page, options);
    } catch (const std::bad_alloc&) {
        read.result.message = "Not enough memory to load " + FileNameOf(path) + ".";
        return read;
    } catch (const std::exception& e) {
        read.result.message = e.what();
        return read;
    }
    read.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
    read.result.ok = true;
    read.result.file = read.picture.file;
    return read;
}

LoadResult ApplyRead(Workspace& ws, const std::string& path, PictureRead&& read) {
    LoadResult result = std::move(read.result);
    if (!result.ok) return result;
    ws.setImage(std::move(read.picture.bitmap));
    ws.Metadata = std::move(read.picture.metadata);
    const bool metafile = result.file.kind == FileKind::Metafile;
    ws.CurrentFileName = metafile ? "Untitled" : path;
    if (result.file.pageCount > 1)
        ws.StatusText = PageStatusText(result.file.currentPage, result.file.pageCount);
    else if (result.file.reader == ImageReader::Jpeg && !metafile)
        ws.StatusText = LoadTimeText(read.milliseconds);
    else
        ws.StatusText = "Ready.";
    if (!result.file.metadataWarning.empty()) ws.StatusText = result.file.metadataWarning;
    return result;
}

LoadResult LoadImageFile(Workspace& ws, const std::string& path, int page,
                         const LoadOptions& options) {
    LoadOptions o = options;
    o.displayBitDepth = ws.DisplayBitDepth;
    return ApplyRead(ws, path, ReadForLoad(path, page, o));
}

}  // namespace vimbra
