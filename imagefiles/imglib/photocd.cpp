#include "imagefiles/imglib/photocd.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>

#include "imagefiles/codecs/raster_core.h"
#include "imagefiles/imglib/imglib_ops.h"

namespace vimbra {
namespace {

constexpr const char* kBad = "Bad Photo CD file";
constexpr size_t kPlaneOffset[kPcdResolutions] = {0x2000, 0xB800, 0x30000};

[[noreturn]] void Fail(const std::string& what) { throw ImageFileError(std::string(kBad) + ": " + what); }

struct PcdFile {
    std::vector<uint8_t> bytes;  // the first kPcdMinFileSize bytes
    int orientation = 0;
    int resolution = 0;
    PcdImageInfo info;
};

std::string Field(const std::vector<uint8_t>& d, size_t at, size_t n) {
    return std::string(reinterpret_cast<const char*>(d.data() + at), n);
}

PcdFile Parse(std::vector<uint8_t> bytes) {
    if (bytes.size() < kPcdMinFileSize) Fail("the file is truncated.");
    bytes.resize(kPcdMinFileSize);
    if (std::memcmp(bytes.data() + 0x800, "PCD_IPI", 7) != 0) Fail("the image pack signature is missing.");
    PcdFile f;
    f.orientation = bytes[0xE02] & 3;
    f.info.imageMedium = bytes[0x815];
    f.info.mediaType1 = Field(bytes, 0x816, 20);
    f.info.mediaType2 = Field(bytes, 0x82A, 20);
    f.info.scanner = Field(bytes, 0x83E, 16);
    f.info.photofinisher = Field(bytes, 0x8A5, 60);
    f.info.rightsFlag = bytes[0x950];
    f.info.rightsFile = Field(bytes, 0x951, 30);
    f.bytes = std::move(bytes);
    return f;
}

// Tables of the colour conversion in 16-bit fixed point.
struct YccTables {
    int32_t luma[256], red[256], greenC1[256], greenC2[256], blue[256];
    YccTables() {
        auto fx = [](double v) { return int32_t(std::lround(v * 65536.0)); };
        for (int i = 0; i < 256; ++i) {
            const double c1 = 2.2179 * (i - 156), c2 = 1.8215 * (i - 137);
            luma[i] = fx(1.3584 * i);
            red[i] = fx(c2);
            greenC1[i] = fx(-0.194 * c1);
            greenC2[i] = fx(-0.509 * c2);
            blue[i] = fx(c1);
        }
    }
};

inline uint8_t Channel(int32_t v) { return uint8_t(std::clamp((v + 32768) >> 16, 0, 255)); }

Bitmap DecodeStored(const std::vector<uint8_t>& d, int r) {
    static const YccTables t;
    const int w = PcdStoredWidth(r), h = PcdStoredHeight(r);
    Bitmap out(w, h, 24);
    const uint8_t* group = d.data() + kPlaneOffset[r];
    for (int y = 0; y < h; y += 2, group += size_t(w) * 3) {
        const uint8_t* c1 = group + 2 * w;
        const uint8_t* c2 = c1 + w / 2;
        for (int k = 0; k < 2; ++k) {
            const uint8_t* luma = group + k * w;
            uint8_t* dst = out.scanLine(y + k);
            for (int x = 0; x < w; ++x, dst += 3) {
                const int32_t l = t.luma[luma[x]];
                const int a = c1[x / 2], b = c2[x / 2];
                dst[0] = Channel(l + t.blue[a]);
                dst[1] = Channel(l + t.greenC1[a] + t.greenC2[b]);
                dst[2] = Channel(l + t.red[b]);
            }
        }
    }
    return out;
}

Bitmap Decode(const PcdFile& f, int r) { return imglib::TurnQuarters(DecodeStored(f.bytes, r), f.orientation); }

struct Registry {
    std::mutex lock;
    std::map<PcdHandle, std::unique_ptr<PcdFile>> files;
    PcdHandle next = 1;
};

Registry& Reg() {
    static Registry r;
    return r;
}

PcdFile& Find(PcdHandle h) {
    auto it = Reg().files.find(h);
    if (it == Reg().files.end()) Fail("invalid image pack handle.");
    return *it->second;
}

PcdHandle Add(PcdFile f) {
    Registry& r = Reg();
    const PcdHandle h = r.next++;
    if (r.next == 0) r.next = 1;
    r.files.emplace(h, std::make_unique<PcdFile>(std::move(f)));
    return h;
}

}  // namespace

int PcdStoredWidth(int resolution) { return 192 << resolution; }
int PcdStoredHeight(int resolution) { return 128 << resolution; }

void PCDopen(const std::string& path, PcdHandle& handle) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ImageFileError("Cannot open " + path + ".");
    std::vector<uint8_t> bytes(kPcdMinFileSize);
    in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    bytes.resize(size_t(in.gcount()));
    PcdFile f = Parse(std::move(bytes));
    std::lock_guard guard(Reg().lock);
    handle = Add(std::move(f));
}

void PCDopenMem(ByteSpan bytes, PcdHandle& handle) {
    const size_t n = std::min(bytes.size(), kPcdMinFileSize);
    PcdFile f = Parse(std::vector<uint8_t>(bytes.begin(), bytes.begin() + std::ptrdiff_t(n)));
    std::lock_guard guard(Reg().lock);
    handle = Add(std::move(f));
}

void PCDclose(PcdHandle handle) {
    std::lock_guard guard(Reg().lock);
    Find(handle);
    Reg().files.erase(handle);
}

uint32_t PCDgetAttributes(PcdHandle handle) {
    std::lock_guard guard(Reg().lock);
    Find(handle);
    return 0;
}

void PCDgetCount(PcdHandle handle, uint32_t& mask, int& count) {
    std::lock_guard guard(Reg().lock);
    Find(handle);
    mask = (1u << kPcdResolutions) - 1;
    count = kPcdResolutions;
}

void PCDsetResolution(PcdHandle handle, int resolution) {
    std::lock_guard guard(Reg().lock);
    PcdFile& f = Find(handle);
    if (resolution < 0 || resolution >= kPcdResolutions) Fail("resolution " + std::to_string(resolution) + " is absent.");
    f.resolution = resolution;
}

int PCDgetResolution(PcdHandle handle) {
    std::lock_guard guard(Reg().lock);
    return Find(handle).resolution;
}

std::array<uint16_t, 4> PCDgetSize(PcdHandle handle) {
    std::lock_guard guard(Reg().lock);
    const PcdFile& f = Find(handle);
    const int w = PcdStoredWidth(f.resolution), h = PcdStoredHeight(f.resolution);
    const bool turned = f.orientation & 1;
    return {0, 0, uint16_t(turned ? w : h), uint16_t(turned ? h : w)};
}

PcdImageInfo PCDreadImageInfo(PcdHandle handle) {
    std::lock_guard guard(Reg().lock);
    return Find(handle).info;
}

void PCDsetFormat(PcdHandle handle, int format) {
    std::lock_guard guard(Reg().lock);
    Find(handle);
    if (format != kPcdFormat24) Fail("output format " + std::to_string(format) + " is not supported.");
}

void PCDloadImage(PcdHandle handle, const ImgRect* area, std::vector<uint8_t>& block) {
    Bitmap picture;
    {
        std::lock_guard guard(Reg().lock);
        const PcdFile& f = Find(handle);
        picture = Decode(f, f.resolution);
    }
    if (area) {
        const ImgRect& a = *area;
        if (a.left < 0 || a.top < 0 || a.right > picture.width() || a.bottom > picture.height() ||
            a.left >= a.right || a.top >= a.bottom)
            Fail("the rectangle lies outside the picture.");
        Bitmap part(a.right - a.left, a.bottom - a.top, 24);
        for (int y = 0; y < part.height(); ++y)
            std::memcpy(part.scanLine(y), picture.scanLine(a.top + y) + 3 * a.left, size_t(part.width()) * 3);
        picture = std::move(part);
    }
    ByteWriter w;
    const size_t stride = picture.stride();
    w.reserve(40 + kPcdTableBytes + stride * size_t(picture.height()));
    w.u32le(40);
    w.u32le(uint32_t(picture.width()));
    w.u32le(uint32_t(picture.height()));
    w.u16le(1);
    w.u16le(24);
    w.u32le(0);
    w.u32le(uint32_t(stride * size_t(picture.height())));
    w.zeros(16);
    for (int i = 0; i < 256; ++i) {
        w.u8(unsigned(i));
        w.u8(unsigned(i));
        w.u8(unsigned(i));
        w.u8(0);
    }
    for (int y = picture.height() - 1; y >= 0; --y) w.bytes(picture.scanLine(y), stride);
    block = w.take();
}

void PCDfreeBitmap(std::vector<uint8_t>& block) { std::vector<uint8_t>().swap(block); }

void PcdRemoveTable(std::vector<uint8_t>& block) {
    if (block.size() < 40 + kPcdTableBytes) Fail("the block is too short.");
    block.erase(block.begin() + 40, block.begin() + 40 + std::ptrdiff_t(kPcdTableBytes));
}

Bitmap DecodePhotoCd(ByteSpan file, int resolution) {
    const size_t n = std::min(file.size(), kPcdMinFileSize);
    const PcdFile f = Parse(std::vector<uint8_t>(file.begin(), file.begin() + std::ptrdiff_t(n)));
    return Decode(f, std::clamp(resolution, 0, kPcdResolutions - 1));
}

}  // namespace vimbra
