#include "filters/composition.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "filters/memory_guard.h"

namespace vimbra {
namespace {

using Row = std::vector<uint8_t>;

// h rows of the given bytes (B,G,R per pixel).
Bitmap Bytes(const Row& bytes, int h = 1) {
    Bitmap b(int(bytes.size() / 3), h, 24);
    for (int y = 0; y < h; ++y) std::copy(bytes.begin(), bytes.end(), b.scanLine(y));
    return b;
}

Row RowOf(const Bitmap& b, int y = 0) { return {b.scanLine(y), b.scanLine(y) + 3 * b.width()}; }

struct Session {
    FrameHost host;
    Workspace ws{host};
    Session(Bitmap image, Bitmap duplicate, int c = 0) {
        ws.setImage(std::move(image));
        ws.DuplicateBitmap = std::move(duplicate);
        ws.EffectValue2 = c;
    }
    PassTarget main() { return PassTarget::mainPicture(ws); }
};

// Makes the memory probe report `bytes` while the guard lives.
struct MemoryLeft {
    static inline uint64_t bytes = 0;
    AvailableMemoryProbe previous;
    explicit MemoryLeft(uint64_t b) : previous(SetAvailableMemoryProbe([] { return bytes; })) {
        bytes = b;
    }
    ~MemoryLeft() { SetAvailableMemoryProbe(previous); }
};

TEST(Compatibility, NeedsSameSizeAndA24BitPicture) {
    Session s(Bitmap(2, 3), Bitmap());
    EXPECT_FALSE(Ok2ComputeFull(s.ws));
    s.ws.DuplicateBitmap = Bitmap(3, 2);
    EXPECT_FALSE(Ok2ComputeFull(s.ws));
    s.ws.DuplicateBitmap = Bitmap(2, 3);
    EXPECT_TRUE(Ok2ComputeFull(s.ws));
    s.ws.setImage(Bitmap(2, 3, 8));
    EXPECT_FALSE(Ok2ComputeFull(s.ws));
    EXPECT_EQ(s.ws.Image.depth(), 8);
}

// The picture stays 4-bit, the duplicate is kept as 24-bit rows and so can be
// combined once the picture is made 24-bit.
TEST(Duplicate, FourBitPictureGivesA24BitDuplicate) {
    Bitmap nibbles(3, 1, 4);
    nibbles.palette().resize(16);
    nibbles.palette()[1] = {10, 20, 30, 0};
    nibbles.palette()[2] = {200, 100, 50, 0};
    nibbles.scanLine(0)[0] = 0x12;
    nibbles.scanLine(0)[1] = 0x10;
    Session s(nibbles, Bitmap());
    ASSERT_TRUE(DuplicateWorkingImage(s.ws));
    EXPECT_EQ(s.ws.ImageBitDepth, 4);
    EXPECT_EQ(RowOf(s.ws.DuplicateBitmap), (Row{30, 20, 10, 50, 100, 200, 30, 20, 10}));
    EXPECT_FALSE(Ok2ComputeFull(s.ws));
    s.ws.ForceTrueColor();
    ASSERT_TRUE(Ok2ComputeFull(s.ws));
    CombineBitmaps(s.ws.Image, s.ws.DuplicateBitmap, Arithmetic::Difference);
    EXPECT_EQ(RowOf(s.ws.Image), Row(9, 127));
}

// 64 x 64 x 3 = 12288 bytes, a multiple of 4096.
TEST(Duplicate, LowMemoryCancelsAndKeepsTheOldDuplicate) {
    MemoryLeft guard(12287);
    Session s(Bitmap(64, 64), Bytes({1, 2, 3}));
    EXPECT_FALSE(DuplicateWorkingImage(s.ws));
    EXPECT_TRUE(s.ws.CancelRequested);
    EXPECT_EQ(s.ws.DuplicateBitmap, Bytes({1, 2, 3}));
    EXPECT_EQ(s.host.messages, std::vector<std::string>{
                                   "Free memory is fragmented or running low.\nSelect Tools | "
                                   "Memory to clear and check buffers.\n\nRequired=12288 "
                                   "Actual=12287"});
    CopyToBackUp(s.ws);
    EXPECT_TRUE(s.ws.BackupBitmap.isEmpty());
    MemoryLeft::bytes = 12288;
    EXPECT_TRUE(DuplicateWorkingImage(s.ws));
}

TEST(Buffers, SwapTwiceAndBackupRoundTrip) {
    const Bitmap a = Bytes({1, 2, 3, 4, 5, 6}), b = Bytes({7, 8, 9, 10, 11, 12});
    Session s(a, b);
    ASSERT_TRUE(SwapWithDuplicate(s.ws));
    EXPECT_EQ(s.ws.Image, b);
    EXPECT_EQ(s.ws.DuplicateBitmap, a);
    ASSERT_TRUE(SwapWithDuplicate(s.ws));
    EXPECT_EQ(s.ws.Image, a);
    EXPECT_TRUE(s.ws.ScratchBitmap.isEmpty());
    EXPECT_FALSE(s.ws.Modified);

    CopyFromBackUp(s.ws);  // nothing stored yet: the picture stays
    EXPECT_EQ(s.ws.Image, a);
    CopyToBackUp(s.ws);
    s.ws.setImage(Bitmap(5, 4, 8));
    CopyFromBackUp(s.ws);
    EXPECT_EQ(s.ws.Image, a);
    EXPECT_EQ(s.ws.ImageWidth, 2);
    EXPECT_EQ(s.ws.ImageBitDepth, 24);
    EXPECT_EQ(s.ws.BackupBitmap, a);
}

// c = 50 on the same picture: (p * 50) div 100 twice lowers odd bytes by one.
TEST(Average, HalfOfTheSamePicture) {
    const Bitmap a = Bytes({7, 8, 255, 0, 1, 254});
    Session s(a, a, 50);
    DoAverageBitmap(s.ws, s.main());
    EXPECT_EQ(RowOf(s.ws.Image), (Row{6, 8, 254, 0, 0, 254}));
    EXPECT_TRUE(s.ws.Modified);
}

// c = 255: 100 (-155) div 100 + 200 * 255 div 100 = 355 -> 255; 200 over 0
// gives -310 -> 0 (not a wrapped 202); 10 over 100: -15 + 255 = 240.
TEST(Average, AboveAHundredPercentLimitsBothEnds) {
    Session s(Bytes({100, 200, 10}), Bytes({200, 0, 100}), 255);
    DoAverageBitmap(s.ws, s.main());
    EXPECT_EQ(RowOf(s.ws.Image), (Row{255, 0, 240}));
}

// A preview reads the scratch copy of the duplicate and leaves the flags alone.
TEST(Average, PreviewReadsTheScratchCopy) {
    Session s(Bytes({0, 0, 0}), Bytes({100, 100, 100}), 50);
    Bitmap preview = Bytes({0, 0, 0});
    DoAverageBitmap(s.ws, PassTarget::preview(preview));
    EXPECT_EQ(RowOf(preview), (Row{0, 0, 0}));  // no scratch copy yet
    s.ws.ScratchBitmap = Bytes({200, 40, 2});
    DoAverageBitmap(s.ws, PassTarget::preview(preview));
    EXPECT_EQ(RowOf(preview), (Row{100, 20, 1}));
    EXPECT_FALSE(s.ws.Modified);
}

// Big enough to be split over threads; 201 -> 150 + 25, 40 -> 30 + 25.
TEST(Average, LargePictureIsCoveredRowByRow) {
    Bitmap picture(600, 500);
    for (int y = 0; y < 500; ++y) std::fill_n(picture.scanLine(y), 1800, uint8_t(y % 2 ? 201 : 40));
    Session s(picture, Bytes(Row(1800, 100), 500), 25);
    DoAverageBitmap(s.ws, s.main());
    int wrong = 0;
    for (int y = 0; y < 500; ++y)
        for (int i = 0; i < 1800; ++i) wrong += s.ws.Image.scanLine(y)[i] != (y % 2 ? 175 : 55);
    EXPECT_EQ(wrong, 0);
}

// Rows counted from 1 at the top: field 1 blends rows 1 and 3, field 0 row 2;
// a one-row picture has no row 2.
TEST(Interlace, FieldsPickAlternateRows) {
    Session s(Bitmap(1, 3), Bytes({100, 100, 100}, 3), 50);
    DoAverageField(s.ws, s.main(), 1);
    EXPECT_EQ(RowOf(s.ws.Image, 0), Row(3, 50));
    EXPECT_EQ(RowOf(s.ws.Image, 1), Row(3, 0));
    EXPECT_EQ(RowOf(s.ws.Image, 2), Row(3, 50));
    s.ws.setImage(Bitmap(1, 3));
    DoAverageField(s.ws, s.main(), 0);
    EXPECT_EQ(RowOf(s.ws.Image, 0), Row(3, 0));
    EXPECT_EQ(RowOf(s.ws.Image, 1), Row(3, 50));
    Session one(Bitmap(2, 1), Bytes(Row(6, 100)), 99);
    DoAverageField(one.ws, one.main(), 0);
    EXPECT_EQ(one.ws.Image, Bitmap(2, 1));
    DoAverageField(one.ws, one.main(), 1);
    EXPECT_EQ(RowOf(one.ws.Image), Row(6, 99));
}

// p = (200, 10, 128) against d = (100, 20, 255), byte by byte.
TEST(Arithmetic, EachOperationOnOnePixel) {
    const Bitmap p = Bytes({200, 10, 128}), d = Bytes({100, 20, 255});
    const std::pair<Arithmetic, Row> cases[] = {
        {Arithmetic::Multiply, {78, 0, 128}},  // 20000 div 255, 200 div 255
        {Arithmetic::Minimum, {100, 10, 128}},
        {Arithmetic::Maximum, {200, 20, 255}},
        {Arithmetic::Difference, {227, 117, 0}},
        {Arithmetic::Subtract, {100, 0, 0}},
    };
    for (const auto& [op, expected] : cases) {
        Bitmap picture = p;
        CombineBitmaps(picture, d, op);
        EXPECT_EQ(RowOf(picture), expected) << int(op);
    }
    Bitmap bright = Bytes({255, 0, 0});
    CombineBitmaps(bright, Bytes({0, 255, 128}), Arithmetic::Difference);
    EXPECT_EQ(RowOf(bright), (Row{255, 0, 0}));  // 382 and -128 limited
    Bitmap picture = p;
    CombineBitmaps(picture, Bytes({9, 9, 9, 9, 9, 9}), Arithmetic::Maximum);
    EXPECT_EQ(picture, p);
}

// 100^2 + 10^2 + 127^2; the padding byte of a one-pixel row is no pixel.
TEST(DifferenceSum, CountsPixelBytesInSixtyFourBits) {
    Bitmap p = Bytes({200, 10, 128});
    p.scanLine(0)[3] = 250;
    EXPECT_EQ(DifferenceSum(p, Bytes({100, 20, 255})), 26229u);
    // 200 x 120 pixels of 255 against 0: 72000 x 65025 = 4,681,800,000 > 2^32.
    Bitmap white(200, 120);
    for (int y = 0; y < 120; ++y) std::fill_n(white.scanLine(y), 600, uint8_t(255));
    Session s(white, Bitmap(200, 120));
    EXPECT_EQ(MeasureDifference(s.ws), 4681800000u);
    EXPECT_EQ(s.ws.EffectValue2, INT32_MAX);
    EXPECT_EQ(s.ws.Image, white);
    EXPECT_EQ(s.ws.UndoBitmap, white);
}

}  // namespace
}  // namespace vimbra
