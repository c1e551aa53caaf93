// The Photo CD reader on image packs written here, following the layout
// documented in photocd.h.
#include "imagefiles/imglib/photocd.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "imagefiles/codecs/codec_test_util.h"
#include "imagefiles/imglib/imglib_test_util.h"

namespace vimbra {
namespace {

using namespace testutil;
using Sample = std::function<int(int x, int y)>;

constexpr size_t kPlanes[3] = {0x2000, 0xB800, 0x30000};

struct PackWriter {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kPcdMinFileSize, 0);
    PackWriter() { std::memcpy(&bytes[0x800], "PCD_IPI", 7); }

    void text(size_t at, const std::string& s, size_t n) {
        std::string padded = s;
        padded.resize(n, ' ');
        std::memcpy(&bytes[at], padded.data(), n);
    }
    // Luma per pixel, chroma per 2 × 2 block.
    void plane(int r, const Sample& luma, const Sample& c1, const Sample& c2) {
        const int w = 192 << r, h = 128 << r;
        size_t at = kPlanes[r];
        for (int k = 0; k < h / 2; ++k) {
            for (int row = 2 * k; row < 2 * k + 2; ++row)
                for (int x = 0; x < w; ++x) bytes[at++] = uint8_t(luma(x, row));
            for (int x = 0; x < w / 2; ++x) bytes[at++] = uint8_t(c1(x, k));
            for (int x = 0; x < w / 2; ++x) bytes[at++] = uint8_t(c2(x, k));
        }
    }
};

Sample Const(int v) {
    return [v](int, int) { return v; };
}

// Hand-worked colours (L = 1.3584 Y, c1 = 2.2179 (C1 − 156), c2 = 1.8215 (C2 − 137)):
constexpr uint32_t kY100Blue = 0x8872F7;  // Y 100, C1 206: R 135.84, G 114.33, B 246.74
constexpr uint32_t kY50Blue = 0x442EB3;   // Y 50, C1 206: 67.92, 46.41, 178.82
constexpr uint32_t kY100Red = 0xE35988;   // Y 100, C2 187: 226.92, 89.48, 135.84
constexpr uint32_t kY50Red = 0x9F1644;    // Y 50, C2 187: 158.995, 21.56, 67.92
constexpr uint32_t kGrey100 = 0x888888, kGrey50 = 0x444444;

// Quadrants: left luma a, right b; chroma blue-ish on top, red-ish below
// (or the other way round when flipped).
void Quadrants(PackWriter& pack, int r, int left, int right, bool flip) {
    const int w = 192 << r, h = 128 << r;
    pack.plane(
        r, [=](int x, int) { return x < w / 2 ? left : right; },
        [=](int, int k) { return (k < h / 4) != flip ? 206 : 156; },
        [=](int, int k) { return (k < h / 4) != flip ? 137 : 187; });
}

PcdHandle Open(const PackWriter& pack) {
    PcdHandle h = 0;
    PCDopenMem(pack.bytes, h);
    return h;
}

TEST(PhotoCdTest, ThreeBaseResolutionsFromTheirOwnPlanes) {
    PackWriter pack;
    Quadrants(pack, 0, 100, 50, false);
    Quadrants(pack, 1, 50, 100, false);
    Quadrants(pack, 2, 100, 50, true);
    const PcdHandle h = Open(pack);
    const uint32_t expect[3][4] = {{kY100Blue, kY50Blue, kY100Red, kY50Red},
                                   {kY50Blue, kY100Blue, kY50Red, kY100Red},
                                   {kY100Red, kY50Red, kY100Blue, kY50Blue}};
    for (int r = 0; r < 3; ++r) {
        SCOPED_TRACE(r);
        PCDsetResolution(h, r);
        EXPECT_EQ(PCDgetResolution(h), r);
        const std::array<uint16_t, 4> size = PCDgetSize(h);
        EXPECT_EQ(size[2], 128 << r);
        EXPECT_EQ(size[3], 192 << r);
        const Bitmap pic = DecodePhotoCd(pack.bytes, r);
        ASSERT_EQ(pic.width(), 192 << r);
        ASSERT_EQ(pic.height(), 128 << r);
        const int w = pic.width(), hh = pic.height();
        EXPECT_EQ(PixelRgb(pic, 0, 0), expect[r][0]);
        EXPECT_EQ(PixelRgb(pic, w / 2 - 1, hh / 2 - 1), expect[r][0]);
        EXPECT_EQ(PixelRgb(pic, w / 2, 0), expect[r][1]);
        EXPECT_EQ(PixelRgb(pic, w - 1, hh / 2 - 1), expect[r][1]);
        EXPECT_EQ(PixelRgb(pic, 0, hh / 2), expect[r][2]);
        EXPECT_EQ(PixelRgb(pic, w / 2 - 1, hh - 1), expect[r][2]);
        EXPECT_EQ(PixelRgb(pic, w / 2, hh / 2), expect[r][3]);
        EXPECT_EQ(PixelRgb(pic, w - 1, hh - 1), expect[r][3]);
    }
    PCDclose(h);
}

TEST(PhotoCdTest, ChromaHasHalfResolutionAndRowsInterleave) {
    PackWriter pack;
    pack.plane(
        0, [](int x, int y) { return x == 0 && y == 1 ? 50 : 100; },
        [](int x, int k) { return x == 1 && k == 1 ? 206 : 156; },
        [](int x, int k) { return x == 3 && k == 0 ? 187 : 137; });
    const Bitmap pic = DecodePhotoCd(pack.bytes, 0);
    for (auto [x, y] : {std::pair{2, 2}, {3, 2}, {2, 3}, {3, 3}}) EXPECT_EQ(PixelRgb(pic, x, y), kY100Blue);
    for (auto [x, y] : {std::pair{1, 2}, {4, 2}, {2, 1}, {2, 4}}) EXPECT_EQ(PixelRgb(pic, x, y), kGrey100);
    for (auto [x, y] : {std::pair{6, 0}, {7, 0}, {6, 1}, {7, 1}}) EXPECT_EQ(PixelRgb(pic, x, y), kY100Red);
    EXPECT_EQ(PixelRgb(pic, 8, 0), kGrey100);
    EXPECT_EQ(PixelRgb(pic, 0, 1), kGrey50);
    EXPECT_EQ(PixelRgb(pic, 0, 0), kGrey100);
    EXPECT_EQ(PixelRgb(pic, 0, 2), kGrey100);
}

TEST(PhotoCdTest, ColoursAreLimited) {
    PackWriter pack;
    pack.plane(0, [](int x, int) { return x < 96 ? 200 : 0; }, [](int x, int) { return x < 48 ? 156 : 0; }, Const(137));
    const Bitmap pic = DecodePhotoCd(pack.bytes, 0);
    EXPECT_EQ(PixelRgb(pic, 0, 0), 0xFFFFFFu);  // 271.68 each
    // Y 0, C1 0: R 0, G −0.194 × 2.2179 × −156 = 67.12, B −345.99.
    EXPECT_EQ(PixelRgb(pic, 100, 0), 0x004300u);
}

TEST(PhotoCdTest, OrientationTurnsThePicture) {
    PackWriter pack;
    Quadrants(pack, 0, 100, 50, false);
    // Stored: top-left blue Y100, top-right blue Y50, bottom-left red Y100.
    const std::pair<int, uint32_t> cases[] = {{1, kY50Blue}, {2, kY50Red}, {3, kY100Red}};
    for (auto [attr, topLeft] : cases) {
        SCOPED_TRACE(attr);
        pack.bytes[0xE02] = uint8_t(attr | 0x04);  // a higher resolution claimed too
        const PcdHandle h = Open(pack);
        const std::array<uint16_t, 4> size = PCDgetSize(h);
        const bool turned = attr != 2;
        EXPECT_EQ(size[2], turned ? 192 : 128);
        EXPECT_EQ(size[3], turned ? 128 : 192);
        uint32_t mask = 0;
        int count = 0;
        PCDgetCount(h, mask, count);
        EXPECT_EQ(mask, 7u);
        EXPECT_EQ(count, 3);
        std::vector<uint8_t> block;
        PCDloadImage(h, nullptr, block);
        PcdRemoveTable(block);
        const ImgHandle img = ImgFromDIB(block);
        ASSERT_NE(img, 0u) << ImgGetStatus().text;
        Bitmap pic;
        ASSERT_TRUE(ImgToBitmap(img, pic));
        ImgClose(img);
        EXPECT_EQ(pic.width(), size[3]);
        EXPECT_EQ(pic.height(), size[2]);
        EXPECT_EQ(PixelRgb(pic, 0, 0), topLeft);
        PCDclose(h);
    }
}

TEST(PhotoCdTest, ImageInformation) {
    PackWriter pack;
    pack.bytes[0x815] = 3;
    pack.text(0x816, "COLOR REVERSAL", 20);
    pack.text(0x82A, "ACME SCAN", 20);
    pack.text(0x83E, "FILM SCANNER 2", 16);
    pack.bytes[0x8A5] = 255;
    pack.bytes[0x950] = 1;
    pack.text(0x951, "RIGHTS01.TXT", 30);
    const PcdHandle h = Open(pack);
    const PcdImageInfo info = PCDreadImageInfo(h);
    EXPECT_EQ(info.imageMedium, 3);
    EXPECT_EQ(info.mediaType1, "COLOR REVERSAL      ");
    EXPECT_EQ(info.mediaType2, "ACME SCAN           ");
    EXPECT_EQ(info.scanner, "FILM SCANNER 2  ");
    ASSERT_EQ(info.photofinisher.size(), 60u);
    EXPECT_EQ(uint8_t(info.photofinisher[0]), 255);
    EXPECT_EQ(info.rightsFlag, 1);
    EXPECT_EQ(info.rightsFile, std::string("RIGHTS01.TXT") + std::string(18, ' '));
    EXPECT_EQ(PCDgetAttributes(h), 0u);  // not encrypted, no watermark
    PCDclose(h);
}

TEST(PhotoCdTest, CallsRefuseWhatIsAbsent) {
    PackWriter pack;
    const PcdHandle h = Open(pack);
    EXPECT_EQ(PCDgetResolution(h), 0);
    EXPECT_THROW(PCDsetResolution(h, 3), ImageFileError);  // 4Base is not offered
    EXPECT_THROW(PCDsetResolution(h, -1), ImageFileError);
    EXPECT_EQ(PCDgetResolution(h), 0);
    EXPECT_NO_THROW(PCDsetFormat(h, kPcdFormat24));
    EXPECT_THROW(PCDsetFormat(h, 8), ImageFileError);
    std::vector<uint8_t> block;
    ImgRect outside{0, 0, 193, 10};
    EXPECT_THROW(PCDloadImage(h, &outside, block), ImageFileError);
    PCDclose(h);
    EXPECT_THROW(PCDclose(h), ImageFileError);
    EXPECT_THROW(PCDgetSize(h), ImageFileError);
    uint32_t mask;
    int count;
    EXPECT_THROW(PCDgetCount(h, mask, count), ImageFileError);
    std::vector<uint8_t> tiny(100);
    EXPECT_THROW(PcdRemoveTable(tiny), ImageFileError);
}

TEST(PhotoCdTest, LoadedBlockLayout) {
    PackWriter pack;
    Quadrants(pack, 1, 100, 50, false);
    const PcdHandle h = Open(pack);
    PCDsetFormat(h, kPcdFormat24);
    PCDsetResolution(h, 1);
    std::vector<uint8_t> block;
    PCDloadImage(h, nullptr, block);
    const size_t stride = 384 * 3;
    ASSERT_EQ(block.size(), 40 + kPcdTableBytes + stride * 256);
    ByteReader r(block, "test");
    EXPECT_EQ(r.u32le(), 40u);
    EXPECT_EQ(r.i32le(), 384);
    EXPECT_EQ(r.i32le(), 256);  // bottom-up
    EXPECT_EQ(r.u16le(), 1);
    EXPECT_EQ(r.u16le(), 24);
    // The first row after the table is the bottom one: red, luma 100 on the left.
    const uint8_t* bottom = block.data() + 40 + kPcdTableBytes;
    EXPECT_EQ(uint32_t(bottom[2]) << 16 | uint32_t(bottom[1]) << 8 | bottom[0], kY100Red);
    PcdRemoveTable(block);
    EXPECT_EQ(block.size(), 40 + stride * 256);
    const ImgHandle img = ImgFromDIB(block);
    Bitmap pic;
    ASSERT_TRUE(ImgToBitmap(img, pic));
    ImgClose(img);
    EXPECT_EQ(pic, DecodePhotoCd(pack.bytes, 1));
    // A part of it.
    const ImgRect area{190, 125, 194, 130};
    PCDloadImage(h, &area, block);
    PcdRemoveTable(block);
    const ImgHandle part = ImgFromDIB(block);
    ASSERT_TRUE(ImgToBitmap(part, pic));
    ImgClose(part);
    ASSERT_EQ(pic.width(), 4);
    ASSERT_EQ(pic.height(), 5);
    EXPECT_EQ(PixelRgb(pic, 0, 0), kY100Blue);
    EXPECT_EQ(PixelRgb(pic, 3, 4), kY50Red);
    PCDfreeBitmap(block);
    EXPECT_TRUE(block.empty());
    PCDclose(h);
}

TEST(PhotoCdTest, DamagedFilesAreRefused) {
    PackWriter pack;
    for (size_t n : {size_t(0), size_t(7), size_t(0x807), size_t(0x30000), kPcdMinFileSize - 1}) {
        SCOPED_TRACE(n);
        PcdHandle h = 0;
        EXPECT_THROW(PCDopenMem(ByteSpan(pack.bytes.data(), n), h), ImageFileError);
        EXPECT_THROW(DecodePhotoCd(ByteSpan(pack.bytes.data(), n), 0), ImageFileError);
    }
    PackWriter wrong = pack;
    wrong.bytes[0x803] = 'X';
    PcdHandle h = 0;
    try {
        PCDopenMem(wrong.bytes, h);
        ADD_FAILURE() << "opened without signature";
    } catch (const ImageFileError& e) {
        EXPECT_STREQ(e.what(), "Bad Photo CD file: the image pack signature is missing.");
    }
    // Files are read from disk only as far as needed; longer ones are fine.
    TempDir dir;
    std::vector<uint8_t> longer = pack.bytes;
    longer.resize(longer.size() + 5000, 0xAB);
    WriteBytes(dir.file("img0001.pcd"), longer);
    WriteBytes(dir.file("short.pcd"), std::vector<uint8_t>(pack.bytes.begin(), pack.bytes.end() - 1));
    ASSERT_NO_THROW(PCDopen(dir.file("img0001.pcd"), h));
    PCDclose(h);
    EXPECT_THROW(PCDopen(dir.file("short.pcd"), h), ImageFileError);
    EXPECT_THROW(PCDopen(dir.file("missing.pcd"), h), ImageFileError);
    // Random damage to the information sectors never escapes as anything else.
    std::vector<uint8_t> head(pack.bytes.begin(), pack.bytes.begin() + 0x1000);
    MutationSmoke(head, 60, [&](ByteSpan bytes) {
        std::vector<uint8_t> file = pack.bytes;
        std::copy(bytes.begin(), bytes.end(), file.begin());
        PcdHandle m = 0;
        PCDopenMem(file, m);
        PCDreadImageInfo(m);
        std::vector<uint8_t> block;
        PCDloadImage(m, nullptr, block);
        PCDclose(m);
    });
}

}  // namespace
}  // namespace vimbra
