#include "core/workspace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "core/frame_host.h"

namespace vimbra {
namespace {

TEST(Bitmap, RowsArePaddedToFourBytesAndRowZeroIsTop) {
    Bitmap b(5, 3, 24);
    EXPECT_EQ(b.stride(), 16u);
    EXPECT_EQ(Bitmap(9, 1, 1).stride(), 4u);
    EXPECT_EQ(Bitmap(9, 1, 4).stride(), 8u);
    b.scanLine(0)[0] = 1;
    EXPECT_EQ(b.bits()[0], 1);
    EXPECT_EQ(b.scanLine(2) - b.bits(), 32);
}

// Decoders rely on fresh pixels being zero, small or huge-page sized, and on a
// reused allocation being cleared again.
TEST(Bitmap, FreshPixelsAreZeroAtEverySize) {
    for (int round = 0; round < 2; ++round)
        for (const int side : {1, 3, 700, 2100}) {  // up to 13 MB, past the huge-page mark
            Bitmap b(side, side, 24);
            const uint8_t* p = b.bits();
            const size_t n = b.stride() * size_t(side);
            EXPECT_EQ(std::count(p, p + n, 0), ptrdiff_t(n)) << side;
            std::fill_n(b.bits(), n, uint8_t(0xA5));  // dirty it before it is freed
        }
}

TEST(Bitmap, RejectsBadDepthAndOversizedPictures) {
    EXPECT_THROW(Bitmap(1, 1, 16), std::invalid_argument);
    EXPECT_THROW(Bitmap(-1, 1, 24), std::invalid_argument);
    EXPECT_THROW(Bitmap(Bitmap::kMaxSide + 1, 1, 24), std::invalid_argument);
    EXPECT_THROW(Bitmap(30000, 12000, 24), std::invalid_argument);  // over 1 GiB at 24 bits
}

TEST(Bitmap, PaletteDepthsExpandToTrueColour) {
    Bitmap b(10, 1, 1);
    b.palette()[0] = {0, 0, 0, 0};
    b.palette()[1] = {255, 200, 100, 0};
    b.scanLine(0)[0] = 0b01000000;  // pixel 1 set
    b.scanLine(0)[1] = 0b01000000;  // pixel 9 set
    b.convertTo24();
    ASSERT_EQ(b.depth(), 24);
    const uint8_t* row = b.scanLine(0);
    EXPECT_EQ(row[3], 100);  // blue of pixel 1
    EXPECT_EQ(row[5], 255);  // red of pixel 1
    EXPECT_EQ(row[27], 100);
    EXPECT_EQ(row[0] + row[24], 0);

    Bitmap n(3, 1, 4);
    n.palette()[0xA] = {1, 2, 3, 0};
    n.scanLine(0)[1] = 0xA0;  // pixel 2 in the high nibble
    n.convertTo24();
    EXPECT_EQ(n.scanLine(0)[6], 3);
    EXPECT_EQ(n.scanLine(0)[8], 1);
}

TEST(Bitmap, GreyPaletteIsRecognised) {
    Bitmap g(1, 1, 4);
    for (int i = 0; i < 16; ++i) g.palette()[size_t(i)] = {uint8_t(i * 17), uint8_t(i * 17), uint8_t(i * 17), 0};
    EXPECT_TRUE(g.hasGreyPalette());
    g.palette()[3].red = 0;
    EXPECT_FALSE(g.hasGreyPalette());
    EXPECT_FALSE(Bitmap(1, 1, 24).hasGreyPalette());
}

TEST(Workspace, ClearingBuffersEmptiesAllFourCompanions) {
    Workspace ws;
    ws.UndoBitmap = ws.BackupBitmap = ws.DuplicateBitmap = ws.ScratchBitmap = Bitmap(2, 2, 8);
    ws.clearBuffers();
    EXPECT_TRUE(ws.UndoBitmap.isEmpty() && ws.BackupBitmap.isEmpty() &&
                ws.DuplicateBitmap.isEmpty() && ws.ScratchBitmap.isEmpty());
    EXPECT_TRUE(ws.ScratchBitmap.palette().empty());
}

TEST(Workspace, WithoutAHostEachHasItsOwn) {
    Workspace a, b;
    EXPECT_NE(&a.host(), &b.host());
    a.host().Ask(MessageKind::Information, "first", Buttons::Ok);
    EXPECT_EQ(a.host().messages.size(), 1u);
    EXPECT_TRUE(b.host().messages.empty());

    // A copy starts afresh; a move keeps what was recorded.
    const Workspace copy = a;
    EXPECT_NE(&copy.host(), &a.host());
    EXPECT_TRUE(copy.host().messages.empty());
    FrameHost* const own = &a.host();
    const Workspace moved = std::move(a);
    EXPECT_EQ(&moved.host(), own);
    EXPECT_EQ(moved.host().messages, std::vector<std::string>{"first"});

    // A given host is shared, by copies too, and replaces the own one.
    FrameHost shared;
    Workspace c(shared);
    const Workspace d = c;
    EXPECT_EQ(&c.host(), &shared);
    EXPECT_EQ(&d.host(), &shared);
    b.setHost(shared);
    EXPECT_EQ(&b.host(), &shared);
}

TEST(Selection, FitToWindowMapping) {
    ViewGeometry v{true, 400, 300, 100};
    // 800 x 600 picture shown in 400 x 300: left = 800*10 div 400 = 20,
    // right = 800*200 div 400 + 1 = 401.
    EXPECT_EQ(DisplayToImageRect({10, 20, 200, 150}, v, 800, 600), (SelRect{20, 40, 401, 301}));
    // A right edge on the control's edge gives the bitmap width, not width + 1.
    EXPECT_EQ(DisplayToImageRect({0, 0, 400, 300}, v, 800, 600), (SelRect{0, 0, 800, 600}));
    EXPECT_EQ(ImageToDisplayRect({20, 40, 401, 301}, v, 800, 600), (SelRect{10, 20, 200, 150}));
}

TEST(Selection, ZoomedMappingTruncates) {
    ViewGeometry v{false, 400, 300, 150};
    // 101*100 div 150 = 67; 250*100 div 150 + 1 = 167.
    EXPECT_EQ(DisplayToImageRect({101, 0, 250, 30}, v, 1000, 1000), (SelRect{67, 0, 167, 21}));
    EXPECT_EQ(DisplayToImageRect({0, 0, 900, 900}, v, 100, 50), (SelRect{0, 0, 100, 50}));
    EXPECT_EQ(ImageToDisplayRect({67, 0, 167, 21}, v, 1000, 1000), (SelRect{100, 0, 250, 31}));
}

}  // namespace
}  // namespace vimbra
