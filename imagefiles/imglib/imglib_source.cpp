#include "imagefiles/imglib/imglib_source.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "imagefiles/codecs/bmp_codec.h"
#include "imagefiles/codecs/jpeg_codec.h"
#include "imagefiles/codecs/pcx_codec.h"
#include "imagefiles/codecs/png_codec.h"
#include "imagefiles/codecs/raster_core.h"
#include "imagefiles/codecs/tga_codec.h"
#include "imagefiles/codecs/tiff_codec.h"
#include "imagefiles/qimage_bitmap.h"

namespace vimbra::imglib {
namespace {

std::string Upper(std::string s) {
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool StartsWith(ByteSpan d, const char* sig, size_t n) {
    return d.size() >= n && std::memcmp(d.data(), sig, n) == 0;
}

std::string Recognise(ByteSpan d, const std::string& hint) {
    if (StartsWith(d, "BM", 2) || StartsWith(d, "BA", 2)) return "BMP";
    if (StartsWith(d, "II*\0", 4) || StartsWith(d, "MM\0*", 4)) return "TIF";
    if (StartsWith(d, "\x89PNG", 4)) return "PNG";
    if (StartsWith(d, "\xFF\xD8", 2)) return "JPG";
    if (StartsWith(d, "\xB1\x68\xDE\x3A", 4)) return "DCX";
    if (d.size() >= 4 && d[0] == 0x0A && d[1] <= 5 && d[2] <= 1) return "PCX";
    if (hint == "TGA") return "TGA";
    return "";
}

TiffReadOptions LibraryTiffOptions() {
    TiffReadOptions o;
    o.acceptLzw = true;
    return o;
}

Bitmap DecodeWithQt(const std::vector<uint8_t>& bytes, std::string& format) {
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    const QByteArray name = reader.format();
    if (name.isEmpty()) throw ImageFileError("Unknown or unsupported image format.");
    const QSize size = reader.size();
    if (size.isValid()) CheckPictureSize("Bad image file", size.width(), size.height());
    QImage image;
    if (!reader.read(&image))
        throw ImageFileError("Bad " + name.toUpper().toStdString() + " file: " +
                             reader.errorString().toStdString());
    format = name.toUpper().toStdString();
    return BitmapFromQImage(std::move(image));
}

// BI_BITFIELDS / BI_ALPHABITFIELDS with a 40-byte header keep their masks
// after the header.
constexpr uint32_t kBitfields = 3, kAlphaBitfields = 6;

}  // namespace

ImgSource OpenSource(std::vector<uint8_t> bytes, const std::string& typeHint, Bitmap& page0) {
    ImgSource src;
    auto shared = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
    const ByteSpan d(*shared);
    src.format = Recognise(d, Upper(typeHint));
    if (src.format == "TIF") {
        src.pageCount = TiffPageCount(d);
    } else if (src.format == "DCX") {
        src.pageCount = DcxPageCount(d);
    } else if (src.format.empty()) {
        page0 = DecodeWithQt(*shared, src.format);
        src.bytes = shared;
        return src;
    }
    if (src.pageCount < 1) throw ImageFileError("The file has no pages.");
    src.bytes = shared;
    page0 = DecodeSourcePage(src, 0);
    return src;
}

Bitmap DecodeSourcePage(const ImgSource& source, int page) {
    const ByteSpan d(*source.bytes);
    const std::string& f = source.format;
    if (f == "BMP") return DecodeBmp(d);
    if (f == "TIF") return DecodeTiff(d, page + 1, LibraryTiffOptions());
    if (f == "PNG") return DecodePng(d);
    if (f == "JPG") return DecodeJpeg(d);
    if (f == "DCX") return DecodeDcxPage(d, page);
    if (f == "PCX") return DecodePcx(d);
    if (f == "TGA") return DecodeTga(d);
    std::string ignored;
    return DecodeWithQt(*source.bytes, ignored);
}

Bitmap DecodeDib(ByteSpan block) {
    ByteReader r(block, "Bad DIB");
    const uint32_t headerSize = r.u32le();
    if (headerSize != 12 && (headerSize < 16 || headerSize > 124)) r.fail("unsupported header size.");
    size_t tableEntries = 0, entrySize = 4, masks = 0;
    if (headerSize == 12) {
        r.skip(6);
        const int bits = r.u16le();
        entrySize = 3;
        if (bits <= 8) tableEntries = size_t(1) << bits;
    } else {
        r.skip(10);
        const int bits = r.u16le();
        const uint32_t compression = headerSize >= 20 ? r.u32le() : 0;
        uint32_t used = 0;
        if (headerSize >= 36) {
            r.skip(12);
            used = r.u32le();
        }
        if (bits <= 8) {
            tableEntries = used ? used : size_t(1) << bits;
            if (tableEntries > 256) r.fail("the colour table is too large.");
        }
        if (headerSize == 40 && compression == kBitfields) masks = 12;
        if (headerSize == 40 && compression == kAlphaBitfields) masks = 16;
    }
    const size_t offBits = 14 + size_t(headerSize) + masks + tableEntries * entrySize;
    if (offBits - 14 > block.size()) r.fail("the colour table is truncated.");
    std::vector<uint8_t> file(14 + block.size());
    ByteWriter w;
    w.u8('B');
    w.u8('M');
    w.u32le(uint32_t(std::min<size_t>(file.size(), UINT32_MAX)));
    w.u32le(0);
    w.u32le(uint32_t(offBits));
    std::memcpy(file.data(), w.buffer().data(), 14);
    std::memcpy(file.data() + 14, block.data(), block.size());
    return DecodeBmp(file);
}

}  // namespace vimbra::imglib
