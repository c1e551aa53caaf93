#include "imagefiles/metafile.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace vimbra {
namespace {

struct Rgb {
    int r, g, b;
};
constexpr Rgb kRed{255, 0, 0}, kGreen{0, 160, 0}, kBlue{0, 0, 255};
constexpr PaletteEntry kBack{255, 255, 0, 0};  // yellow

uint32_t ColorRef(Rgb c) { return uint32_t(c.r | c.g << 8 | c.b << 16); }

void Put16(std::vector<uint8_t>& f, int v) {
    f.push_back(uint8_t(v));
    f.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& f, uint32_t v) {
    Put16(f, int(v & 0xFFFF));
    Put16(f, int(v >> 16));
}

// Hand-assembled WMF: records of 16-bit parameters, an end record added.
class Wmf {
public:
    Wmf& rec(int function, std::vector<int> params) {
        Put32(body_, uint32_t(3 + params.size()));
        Put16(body_, function);
        for (int p : params) Put16(body_, p);
        return *this;
    }
    Wmf& window(int x, int y, int w, int h) {
        return rec(0x0103, {8}).rec(0x020B, {y, x}).rec(0x020C, {h, w});
    }
    // A null pen and a solid brush of the colour, selected as objects 0 and 1.
    Wmf& fillWith(Rgb c) {
        const uint32_t ref = ColorRef(c);
        return rec(0x02FA, {5, 0, 0, 0, 0})
            .rec(0x012D, {0})
            .rec(0x02FC, {0, int(ref & 0xFFFF), int(ref >> 16), 0})
            .rec(0x012D, {1});
    }
    Wmf& rectangle(int l, int t, int r, int b) { return rec(0x041B, {b, r, t, l}); }
    Wmf& polygon(std::vector<int> xy) {
        xy.insert(xy.begin(), int(xy.size() / 2));
        return rec(0x0324, xy);
    }
    // A 2 x 2 24-bit DIB (rows bottom-up) stretched over the given rectangle.
    Wmf& stretchDib(int x, int y, int w, int h, Rgb tl, Rgb tr, Rgb bl, Rgb br, int dibW = 2,
                    uint32_t colours = 0) {
        std::vector<uint8_t> dib;
        for (uint32_t v : {40u, uint32_t(dibW), 2u}) Put32(dib, v);
        Put16(dib, 1);
        Put16(dib, 24);
        for (uint32_t v : {0u, 16u, 0u, 0u, colours, 0u}) Put32(dib, v);
        for (Rgb c : {bl, br, tl, tr}) {
            dib.insert(dib.end(), {uint8_t(c.b), uint8_t(c.g), uint8_t(c.r)});
            if (dib.size() % 4 == 2) dib.insert(dib.end(), {0, 0});
        }
        std::vector<int> p{0x0020, 0x00CC, 0, 2, 2, 0, 0, h, w, y, x};
        for (size_t i = 0; i < dib.size(); i += 2) p.push_back(dib[i] | dib[i + 1] << 8);
        return rec(0x0F43, p);
    }
    std::vector<uint8_t> plain() const {
        std::vector<uint8_t> f;
        const size_t words = (18 + body_.size() + 6) / 2;
        Put16(f, 1);
        Put16(f, 9);
        Put16(f, 0x300);
        Put32(f, uint32_t(words));
        Put16(f, 2);
        Put32(f, 8);
        Put16(f, 0);
        f.insert(f.end(), body_.begin(), body_.end());
        Put32(f, 3);
        Put16(f, 0);
        return f;
    }
    std::vector<uint8_t> placeable(int l, int t, int r, int b, int inch) const {
        std::vector<uint8_t> f;
        Put32(f, 0x9AC6CDD7);
        for (int v : {0, l, t, r, b, inch, 0, 0}) Put16(f, v);
        int sum = 0;
        for (size_t i = 0; i < 20; i += 2) sum ^= f[i] | f[i + 1] << 8;
        Put16(f, sum);
        const std::vector<uint8_t> p = plain();
        f.insert(f.end(), p.begin(), p.end());
        return f;
    }

private:
    std::vector<uint8_t> body_;
};

// Hand-assembled EMF on a 96 dpi reference device (3780 pixels per metre).
class Emf {
public:
    Emf& rec(uint32_t type, std::vector<uint32_t> params) {
        Put32(body_, type);
        Put32(body_, uint32_t(8 + 4 * params.size()));
        for (uint32_t p : params) Put32(body_, p);
        ++records_;
        return *this;
    }
    Emf& fillWith(Rgb c) {
        return rec(37, {0x80000008})  // stock null pen
            .rec(39, {1, 0, ColorRef(c), 0})
            .rec(37, {1});
    }
    Emf& rectangle(int l, int t, int r, int b) {
        return rec(43, {uint32_t(l), uint32_t(t), uint32_t(r), uint32_t(b)});
    }
    Emf& polygon(std::vector<int> xy) {
        std::vector<uint32_t> p{0, 0, 0, 0, uint32_t(xy.size() / 2)};
        for (int v : xy) p.push_back(uint32_t(v));
        return rec(3, p);
    }
    // Frame in 0.01 mm; bounds in device pixels.
    std::vector<uint8_t> build(std::vector<int> frame,
                               std::vector<int> bounds = {0, 0, 0, 0}) const {
        std::vector<uint8_t> f;
        Put32(f, 1);
        Put32(f, 88);
        for (int v : bounds) Put32(f, uint32_t(v));
        for (int v : frame) Put32(f, uint32_t(v));
        Put32(f, 0x464D4520);
        Put32(f, 0x10000);
        Put32(f, uint32_t(88 + body_.size() + 20));
        Put32(f, records_ + 2);
        Put16(f, 2);
        Put16(f, 0);
        for (uint32_t v : {0u, 0u, 0u, 3780u, 3780u, 1000u, 1000u}) Put32(f, v);
        f.insert(f.end(), body_.begin(), body_.end());
        for (uint32_t v : {14u, 20u, 0u, 16u, 20u}) Put32(f, v);
        return f;
    }

private:
    std::vector<uint8_t> body_;
    uint32_t records_ = 0;
};

::testing::AssertionResult PixelIs(const Bitmap& b, int x, int y, Rgb c) {
    const uint8_t* p = b.scanLine(y) + 3 * x;
    if (std::abs(p[2] - c.r) <= 2 && std::abs(p[1] - c.g) <= 2 && std::abs(p[0] - c.b) <= 2)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is " << int(p[2]) << ","
                                         << int(p[1]) << "," << int(p[0]);
}
const Rgb kBackRgb{kBack.red, kBack.green, kBack.blue};

VectorOptions OnBack() {
    VectorOptions o;
    o.backColor = kBack;
    return o;
}

TEST(MetafileTest, DetectsKinds) {
    const auto wmf = Wmf().fillWith(kRed).rectangle(0, 0, 10, 10);
    EXPECT_EQ(DetectMetafile(wmf.plain()), MetafileKind::Wmf);
    EXPECT_EQ(DetectMetafile(wmf.placeable(0, 0, 10, 10, 96)), MetafileKind::PlaceableWmf);
    EXPECT_EQ(DetectMetafile(Emf().build({0, 0, 100, 100})), MetafileKind::Emf);
    EXPECT_EQ(DetectMetafile(std::vector<uint8_t>{'B', 'M', 0, 0, 0, 0}), MetafileKind::Unknown);
    EXPECT_EQ(DetectMetafile({}), MetafileKind::Unknown);
}

TEST(MetafileTest, PlaceableWmfHasItsBoxSizeAt96Dpi) {
    // One inch by half an inch in twips, left half filled red.
    const auto file = Wmf()
                          .window(0, 0, 1440, 720)
                          .fillWith(kRed)
                          .rectangle(0, 0, 720, 720)
                          .placeable(0, 0, 1440, 720, 1440);
    const MetafileInfo info = ReadMetafileInfo(file);
    EXPECT_EQ(info.kind, MetafileKind::PlaceableWmf);
    EXPECT_EQ(info.width, 96);
    EXPECT_EQ(info.height, 48);
    const Bitmap b = DecodeVector(file, OnBack());
    ASSERT_EQ(b.width(), 96);
    ASSERT_EQ(b.height(), 48);
    EXPECT_EQ(b.depth(), 24);
    EXPECT_TRUE(PixelIs(b, 10, 10, kRed));
    EXPECT_TRUE(PixelIs(b, 45, 45, kRed));
    EXPECT_TRUE(PixelIs(b, 52, 10, kBackRgb));
    EXPECT_TRUE(PixelIs(b, 90, 40, kBackRgb));
}

TEST(MetafileTest, WindowIsMappedOntoTheWholePicture) {
    // The window is twice the box and starts at 100,100: the rectangle covers
    // the picture's right half.
    const auto file = Wmf()
                          .window(100, 100, 400, 200)
                          .fillWith(kBlue)
                          .rectangle(300, 100, 500, 300)
                          .placeable(0, 0, 200, 100, 100);
    const Bitmap b = DecodeVector(file, OnBack());
    ASSERT_EQ(b.width(), 192);
    ASSERT_EQ(b.height(), 96);
    EXPECT_TRUE(PixelIs(b, 20, 48, kBackRgb));
    EXPECT_TRUE(PixelIs(b, 92, 48, kBackRgb));
    EXPECT_TRUE(PixelIs(b, 100, 48, kBlue));
    EXPECT_TRUE(PixelIs(b, 188, 5, kBlue));
}

TEST(MetafileTest, PlainWmfUsesItsWindowInPixels) {
    const auto file =
        Wmf().window(0, 0, 200, 100).fillWith(kGreen).polygon({0, 0, 200, 0, 0, 100}).plain();
    const MetafileInfo info = ReadMetafileInfo(file);
    EXPECT_EQ(info.kind, MetafileKind::Wmf);
    EXPECT_EQ(info.width, 200);
    EXPECT_EQ(info.height, 100);
    const Bitmap b = DecodeVector(file, OnBack());
    ASSERT_EQ(b.width(), 200);
    ASSERT_EQ(b.height(), 100);
    EXPECT_TRUE(PixelIs(b, 10, 10, kGreen));     // inside the triangle
    EXPECT_TRUE(PixelIs(b, 190, 90, kBackRgb));  // beyond its diagonal
}

TEST(MetafileTest, PlainWmfWithoutWindowTakesTheDrawnExtent) {
    const auto file = Wmf().fillWith(kRed).rectangle(0, 0, 60, 30).plain();
    const Bitmap b = DecodeVector(file, OnBack());
    EXPECT_NEAR(b.width(), 60, 2);
    EXPECT_NEAR(b.height(), 30, 2);
    EXPECT_TRUE(PixelIs(b, b.width() / 2, b.height() / 2, kRed));
}

TEST(MetafileTest, LargePlainWindowIsScaledDown) {
    const auto file =
        Wmf().window(0, 0, 30000, 15000).fillWith(kRed).rectangle(0, 0, 30000, 15000).plain();
    const MetafileInfo info = ReadMetafileInfo(file);
    EXPECT_EQ(info.width, kMaxPlainWmfSide);
    EXPECT_EQ(info.height, kMaxPlainWmfSide / 2);
}

TEST(MetafileTest, EmfHasItsFrameSizeAt96Dpi) {
    // 1 inch by half an inch; left half red, a green triangle bottom right.
    const auto file = Emf()
                          .fillWith(kRed)
                          .rectangle(0, 0, 48, 48)
                          .fillWith(kGreen)
                          .polygon({96, 24, 96, 48, 72, 48})
                          .build({0, 0, 2540, 1270});
    const MetafileInfo info = ReadMetafileInfo(file);
    EXPECT_EQ(info.kind, MetafileKind::Emf);
    EXPECT_EQ(info.width, 96);
    EXPECT_EQ(info.height, 48);
    const Bitmap b = DecodeVector(file, OnBack());
    ASSERT_EQ(b.width(), 96);
    ASSERT_EQ(b.height(), 48);
    EXPECT_TRUE(PixelIs(b, 10, 10, kRed));
    EXPECT_TRUE(PixelIs(b, 44, 44, kRed));
    EXPECT_TRUE(PixelIs(b, 60, 10, kBackRgb));
    EXPECT_TRUE(PixelIs(b, 92, 44, kGreen));
    EXPECT_TRUE(PixelIs(b, 75, 28, kBackRgb));
}

TEST(MetafileTest, EmfWithoutFrameUsesItsBounds) {
    const auto file =
        Emf().fillWith(kBlue).rectangle(0, 0, 40, 20).build({0, 0, 0, 0}, {0, 0, 39, 19});
    const Bitmap b = DecodeVector(file, OnBack());
    EXPECT_EQ(b.width(), 40);
    EXPECT_EQ(b.height(), 20);
    EXPECT_TRUE(PixelIs(b, 20, 10, kBlue));
}

TEST(MetafileTest, TargetSizeStretchesOrKeepsAspect) {
    const auto file = Emf().fillWith(kRed).rectangle(0, 0, 48, 48).build({0, 0, 2540, 1270});
    VectorOptions o = OnBack();
    o.width = 200;
    Bitmap b = DecodeVector(file, o);
    EXPECT_EQ(b.width(), 200);
    EXPECT_EQ(b.height(), 100);
    EXPECT_TRUE(PixelIs(b, 90, 90, kRed));
    EXPECT_TRUE(PixelIs(b, 110, 10, kBackRgb));
    o.height = 20;
    b = DecodeVector(file, o);
    EXPECT_EQ(b.width(), 200);
    EXPECT_EQ(b.height(), 20);
}

TEST(MetafileTest, KindMustMatchTheContent) {
    const auto wmf = Wmf().fillWith(kRed).rectangle(0, 0, 10, 10).placeable(0, 0, 10, 10, 96);
    VectorOptions o;
    o.kind = MetafileKind::Emf;
    EXPECT_THROW(DecodeVector(wmf, o), ImageFileError);
    o.kind = MetafileKind::Wmf;  // a placeable file is still read as one
    EXPECT_EQ(DecodeVector(wmf, o).width(), 10);
}

TEST(MetafileTest, DrawsEmbeddedBitmapsWithoutSmoothing) {
    const auto file = Wmf()
                          .window(0, 0, 100, 100)
                          .stretchDib(0, 0, 100, 100, kRed, kGreen, kBlue, kRed)
                          .placeable(0, 0, 100, 100, 96);
    const Bitmap b = DecodeVector(file, OnBack());
    ASSERT_EQ(b.width(), 100);
    EXPECT_TRUE(PixelIs(b, 10, 10, kRed));
    EXPECT_TRUE(PixelIs(b, 48, 10, kRed));
    EXPECT_TRUE(PixelIs(b, 52, 10, kGreen));
    EXPECT_TRUE(PixelIs(b, 10, 90, kBlue));
    EXPECT_TRUE(PixelIs(b, 90, 90, kRed));
}

TEST(MetafileTest, SkipsBitmapsWhoseHeaderLies) {
    // Far wider than its pixels, and more colours than its depth allows.
    for (const auto& dib :
         {Wmf().stretchDib(0, 0, 100, 100, kRed, kRed, kRed, kRed, 60000),
          Wmf().stretchDib(0, 0, 100, 100, kRed, kRed, kRed, kRed, 2, 0xFB000000)}) {
        auto file = dib;
        const Bitmap b = DecodeVector(
            file.fillWith(kBlue).rectangle(60, 60, 100, 100).placeable(0, 0, 100, 100, 96),
            OnBack());
        EXPECT_TRUE(PixelIs(b, 10, 10, kBackRgb));
        EXPECT_TRUE(PixelIs(b, 80, 80, kBlue));
    }
}

TEST(MetafileTest, TextDoesNotNeedAGuiApplication) {
    const auto wmf = Wmf()
                         .window(0, 0, 100, 50)
                         .fillWith(kRed)
                         .rectangle(0, 0, 50, 50)
                         .rec(0x0521, {2, 'H' | 'i' << 8, 20, 10})
                         .plain();
    const Bitmap b = DecodeVector(wmf, OnBack());
    EXPECT_TRUE(PixelIs(b, 45, 45, kRed));
    // EMR_EXTTEXTOUTW with one UTF-16 character.
    std::vector<uint32_t> text{0, 0, 0, 0, 1, 0, 0, 10, 10, 1, 76, 0, 0, 0, 0, 0, 80, 'A', 0};
    const auto emf =
        Emf().fillWith(kRed).rectangle(0, 0, 48, 48).rec(84, text).build({0, 0, 2540, 1270});
    EXPECT_TRUE(PixelIs(DecodeVector(emf, OnBack()), 40, 40, kRed));
}

void ExpectRefused(const std::vector<uint8_t>& file) {
    try {
        (void)DecodeVector(file);
        ADD_FAILURE() << "accepted";
    } catch (const ImageFileError&) {
    }
}

TEST(MetafileTest, RefusesMalformedHeaders) {
    ExpectRefused({});
    ExpectRefused(std::vector<uint8_t>(100, 0));
    const auto body = Wmf().fillWith(kRed).rectangle(0, 0, 10, 10);
    ExpectRefused(body.placeable(0, 0, 10, 10, 0));        // no units per inch
    ExpectRefused(body.placeable(0, 0, 0, 10, 96));        // empty box
    ExpectRefused(body.placeable(0, 0, 32000, 32000, 1));  // absurd size
    auto emf = Emf().fillWith(kRed).rectangle(0, 0, 10, 10).build({0, 0, 2540, 2540});
    emf[40] ^= 1;  // signature
    ExpectRefused(emf);
    ExpectRefused(Emf().build({0, 0, 2000000000, 2000000000}));
    ExpectRefused(Emf().build({0, 0, 0, 0}, {10, 10, 0, 0}));
    EXPECT_THROW(ReadMetafileInfo(std::vector<uint8_t>(50, 7)), ImageFileError);
}

TEST(MetafileTest, RefusesRecordsThatOverrun) {
    auto wmf = Wmf().window(0, 0, 10, 10).polygon({0, 0, 10, 0, 0, 10}).plain();
    wmf[18 + 8 + 10 + 10 + 6] = 50;  // the polygon claims 50 points
    ExpectRefused(wmf);
    auto emf = Emf().fillWith(kRed).build({0, 0, 100, 100});
    emf[88 + 4] = 0xF0;  // first record longer than the file
    ExpectRefused(emf);
}

TEST(MetafileTest, RefusesEveryTruncation) {
    const auto wmf = Wmf()
                         .window(0, 0, 100, 100)
                         .fillWith(kRed)
                         .polygon({0, 0, 90, 0, 0, 90})
                         .placeable(0, 0, 100, 100, 96);
    const auto emf = Emf().fillWith(kRed).polygon({0, 0, 90, 0, 0, 90}).build({0, 0, 2540, 2540});
    for (const auto* file : {&wmf, &emf}) {
        ASSERT_NO_THROW(DecodeVector(*file));
        for (size_t n = 0; n < file->size(); n += 3)
            ExpectRefused(std::vector<uint8_t>(file->begin(), file->begin() + long(n)));
    }
}

TEST(MetafileTest, SurvivesRandomDamage) {
    const auto wmf = Wmf()
                         .window(0, 0, 100, 100)
                         .fillWith(kRed)
                         .polygon({0, 0, 90, 0, 0, 90})
                         .rectangle(5, 5, 50, 50)
                         .placeable(0, 0, 100, 100, 96);
    const auto emf = Emf()
                         .fillWith(kRed)
                         .polygon({0, 0, 90, 0, 0, 90})
                         .rectangle(5, 5, 50, 50)
                         .build({0, 0, 2540, 2540});
    std::mt19937 rng(7);
    for (const auto* good : {&wmf, &emf}) {
        for (int i = 0; i < 300; ++i) {
            std::vector<uint8_t> f = *good;
            for (int k = 0; k < 4; ++k) f[rng() % f.size()] = uint8_t(rng());
            try {
                const Bitmap b = DecodeVector(f);
                EXPECT_GT(b.width(), 0);
            } catch (const ImageFileError&) {
            }
        }
    }
    for (int i = 0; i < 50; ++i) {
        std::vector<uint8_t> f(size_t(rng() % 400));
        for (auto& v : f) v = uint8_t(rng());
        ExpectRefused(f);
    }
}

}  // namespace
}  // namespace vimbra
