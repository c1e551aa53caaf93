// Handles, status and the calls that only move pictures around; the pixel
// work lives in the operation files.
#include <cctype>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <new>

#include "imagefiles/codecs/bmp_codec.h"
#include "imagefiles/codecs/pcx_codec.h"
#include "imagefiles/codecs/raster_core.h"
#include "imagefiles/codecs/tiff_codec.h"
#include "imagefiles/imglib/imglib.h"
#include "imagefiles/imglib/imglib_ops.h"
#include "imagefiles/imglib/imglib_source.h"

namespace vimbra {
namespace {

using imglib::ImgLibError;
using imglib::ImgSource;

struct Entry {
    Bitmap picture;
    ImgSource source;
    int page = 0;
};

struct Library {
    std::mutex lock;
    std::map<ImgHandle, std::unique_ptr<Entry>> entries;
    ImgHandle next = 1;
};

Library& Lib() {
    static Library lib;
    return lib;
}

class BadHandle : public ImgLibError {
public:
    using ImgLibError::ImgLibError;
};

thread_local ImgStatus tStatus;

void SetStatus(ImgStatusCode code, std::string text) {
    tStatus.code = code;
    tStatus.text = std::move(text);
}

// Runs a call under the library lock, turning every failure into a status.
template <class F, class R>
R Call(R failed, F&& body) {
    std::lock_guard guard(Lib().lock);
    try {
        R result = body();
        tStatus = ImgStatus{};
        return result;
    } catch (const BadHandle& e) {
        SetStatus(ImgStatusCode::InvalidHandle, e.what());
    } catch (const ImgLibError& e) {
        SetStatus(ImgStatusCode::BadArgument, e.what());
    } catch (const std::invalid_argument& e) {
        SetStatus(ImgStatusCode::BadArgument, e.what());
    } catch (const ImageFileError& e) {
        SetStatus(ImgStatusCode::FileError, e.what());
    } catch (const std::bad_alloc&) {
        SetStatus(ImgStatusCode::OutOfMemory, "Not enough memory for the picture.");
    } catch (const std::exception& e) {
        SetStatus(ImgStatusCode::FileError, e.what());
    }
    return failed;
}

Entry& Find(ImgHandle handle) {
    auto it = Lib().entries.find(handle);
    if (handle == 0 || it == Lib().entries.end())
        throw BadHandle("Invalid image handle " + std::to_string(handle) + ".");
    return *it->second;
}

// Takes the picture only once nothing can fail any more, so a failed call
// leaves the caller's picture as it was.
ImgHandle Add(Bitmap&& picture, ImgSource source = {}, int page = 0) {
    if (picture.isEmpty()) throw ImgLibError("The picture is empty.");
    auto entry = std::make_unique<Entry>();
    entry->source = std::move(source);
    entry->page = page;
    Library& lib = Lib();
    const ImgHandle h = lib.next;
    auto [it, inserted] = lib.entries.emplace(h, nullptr);
    if (!inserted) throw ImgLibError("Invalid image handle " + std::to_string(h) + ".");
    entry->picture = std::move(picture);
    it->second = std::move(entry);
    if (++lib.next == 0) lib.next = 1;
    return h;
}

std::string Upper(const char* text) {
    std::string s = text ? text : "";
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

}  // namespace

void ImgInit() {
    std::lock_guard guard(Lib().lock);
    tStatus = ImgStatus{};
}

void ImgShutdown() {
    std::lock_guard guard(Lib().lock);
    Lib().entries.clear();
    tStatus = ImgStatus{};
}

int ImgOpenCount() {
    std::lock_guard guard(Lib().lock);
    return int(Lib().entries.size());
}

ImgHandle ImgOpenSolo(const std::string& path, int /*flags*/) {
    return Call(ImgHandle(0), [&] {
        std::vector<uint8_t> bytes = ReadWholeFile(path);
        const std::string ext = std::filesystem::path(path).extension().string();
        Bitmap page0;
        ImgSource source = imglib::OpenSource(std::move(bytes), ext.empty() ? "" : ext.substr(1), page0);
        return Add(std::move(page0), std::move(source));
    });
}

ImgHandle ImgOpenMem(ByteSpan bytes, const char* type) {
    return Call(ImgHandle(0), [&] {
        Bitmap page0;
        ImgSource source = imglib::OpenSource(std::vector<uint8_t>(bytes.begin(), bytes.end()), Upper(type), page0);
        return Add(std::move(page0), std::move(source));
    });
}

ImgHandle ImgFromDIB(ByteSpan block) {
    return Call(ImgHandle(0), [&] {
        ImgSource source;
        source.format = "DIB";
        return Add(imglib::DecodeDib(block), std::move(source));
    });
}

ImgHandle ImgFromBitmap(Bitmap picture) {
    return Call(ImgHandle(0), [&] { return Add(std::move(picture)); });
}

bool ImgToBitmap(ImgHandle handle, Bitmap& out) {
    return Call(false, [&] {
        out = Find(handle).picture;
        return true;
    });
}

ImgHandle ImgAdoptBitmap(Bitmap& picture) {
    return Call(ImgHandle(0), [&] { return Add(std::move(picture)); });
}

bool ImgTakeBitmap(ImgHandle handle, Bitmap& out) {
    return Call(false, [&] {
        out = std::move(Find(handle).picture);
        Lib().entries.erase(handle);
        return true;
    });
}

std::vector<uint8_t> PackDib(const Bitmap& picture) {
    std::vector<uint8_t> file = EncodeBmp(picture);
    file.erase(file.begin(), file.begin() + 14);
    return file;
}

bool ImgClose(ImgHandle handle) {
    return Call(false, [&] {
        Find(handle);
        Lib().entries.erase(handle);
        return true;
    });
}

int ImgPageCount(ImgHandle handle) {
    return Call(0, [&] { return Find(handle).source.pageCount; });
}

bool ImgSetPage(ImgHandle handle, int page) {
    return Call(false, [&] {
        Entry& e = Find(handle);
        if (page < 0 || page >= e.source.pageCount)
            throw ImgLibError("Page " + std::to_string(page) + " does not exist.");
        if (page != e.page) {
            e.picture = imglib::DecodeSourcePage(e.source, page);
            e.page = page;
        }
        return true;
    });
}

int ImgGetPage(ImgHandle handle) {
    return Call(-1, [&] { return Find(handle).page; });
}

bool ImgGetInfoStruct(ImgHandle handle, ImgBitmapInfoHeader* header, ImgExtraInfo* extra) {
    return Call(false, [&] {
        const Entry& e = Find(handle);
        const Bitmap& p = e.picture;
        if (header) {
            *header = ImgBitmapInfoHeader{};
            header->biWidth = p.width();
            header->biHeight = p.height();
            header->biBitCount = uint16_t(p.depth());
            header->biSizeImage = uint32_t(p.byteSize());
            header->biXPelsPerMeter = PixelsPerMetreFromDotsPerInch(p.xDotsPerInch);
            header->biYPelsPerMeter = PixelsPerMetreFromDotsPerInch(p.yDotsPerInch);
            header->biClrUsed = p.depth() <= 8 ? uint32_t(p.palette().size()) : 0;
        }
        if (extra) {
            extra->pageCount = e.source.pageCount;
            extra->page = e.page;
            extra->format = e.source.format;
        }
        return true;
    });
}

std::vector<PaletteEntry> ImgGetPalette(ImgHandle handle) {
    return Call(std::vector<PaletteEntry>{}, [&] {
        const Bitmap& p = Find(handle).picture;
        return p.depth() <= 8 ? p.palette() : std::vector<PaletteEntry>{};
    });
}

ImgHandle ImgCopy(ImgHandle handle, int width, int height, const ImgRect* area, int flags) {
    return Call(ImgHandle(0), [&] {
        const Bitmap& p = Find(handle).picture;
        const ImgRect whole{0, 0, p.width(), p.height()};
        return Add(imglib::ScalePicture(p, area ? *area : whole, width, height, flags));
    });
}

ImgHandle ImgRotate(ImgHandle handle, int angle, uint32_t fillRgb) {
    return Call(ImgHandle(0), [&] { return Add(imglib::RotatePicture(Find(handle).picture, angle, fillRgb)); });
}

int ImgMirror(ImgHandle handle, int vertical, int horizontal) {
    return Call(0, [&] {
        imglib::MirrorPicture(Find(handle).picture, vertical != 0, horizontal != 0);
        return 1;
    });
}

ImgHandle ImgReduceColors(ImgHandle handle, int colours, int flags) {
    return Call(ImgHandle(0), [&] { return Add(imglib::ReducePicture(Find(handle).picture, colours, flags)); });
}

ImgHandle ImgReduceColorsPal(ImgHandle handle, const std::vector<PaletteEntry>& palette, int flags) {
    return Call(ImgHandle(0),
                [&] { return Add(imglib::ReducePictureTo(Find(handle).picture, palette, flags)); });
}

ImgHandle ImgIncreaseColors(ImgHandle handle, int bits) {
    return Call(ImgHandle(0), [&] { return Add(imglib::IncreasePicture(Find(handle).picture, bits)); });
}

int ImgGamma(ImgHandle handle, int value) {
    return Call(0, [&] {
        imglib::GammaPicture(Find(handle).picture, value);
        return 1;
    });
}

int ImgXWriteImage(const std::string& path, const char* type, ImgHandle handle, int, int, int) {
    return Call(0, [&] {
        const Bitmap& p = Find(handle).picture;
        const std::string t = Upper(type);
        std::vector<uint8_t> bytes;
        if (t == "BMP")
            bytes = EncodeBmp(p);
        else if (t == "PCX")
            bytes = EncodePcx(p);
        else if (t == "TIF" || t == "TIFF")
            bytes = EncodeTiff(p, DefaultTiffCompression(p));
        else
            throw ImgLibError("Cannot write pictures of type \"" + std::string(type ? type : "") + "\".");
        WriteFileAtomically(path, bytes);
        return 1;
    });
}

ImgStatus ImgGetStatus() { return tStatus; }

void CurrentImg::replace(ImgHandle fresh) {
    // Leaves the status alone: it may tell why `fresh` is 0.
    if (handle_ != 0 && handle_ != fresh) {
        std::lock_guard guard(Lib().lock);
        Lib().entries.erase(handle_);
    }
    handle_ = fresh;
}

ImgHandle CurrentImg::release() {
    const ImgHandle h = handle_;
    handle_ = 0;
    return h;
}

}  // namespace vimbra
