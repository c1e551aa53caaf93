#include "filters/color_depth.h"

#include <gtest/gtest.h>

#include <set>

#include "filters/depth_test_pictures.h"
#include "filters/session_test_util.h"
#include "imagefiles/imglib/imglib.h"

namespace vimbra {
namespace {

std::set<uint32_t> Colours(Bitmap b) {
    b.convertTo24();
    std::set<uint32_t> out;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) out.insert(RgbAt(b, x, y));
    return out;
}

TEST(DoGrayTest, EachTermTruncatedOnItsOwn) {
    // White: 76 + 153 + 25 = 254, not 255.
    Bitmap b = FromRgb(6, 1, {0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0x0A141E, 0x090909});
    DoGrayBitmap(b);
    // (10, 20, 30): 3 + 12 + 3; (9, 9, 9): 2 + 5 + 0 = 7, where one division would give 9.
    const uint32_t want[] = {0xFEFEFE, 0x4C4C4C, 0x999999, 0x191919, 0x121212, 0x070707};
    for (int x = 0; x < 6; ++x) EXPECT_EQ(RgbAt(b, x, 0), want[x]) << x;
}

TEST(PosterizeTest, FewColoursKeptExactly) {
    const Bitmap five = FromRgb(5, 2, {0x123456, 0xFEDCBA, 0x010203, 0x808080, 0x00FF00, 0x123456, 0xFEDCBA});
    for (int bits : {4, 8}) {
        Session s(five);
        ASSERT_TRUE(DoPosterize(s.ws, bits));
        EXPECT_EQ(s.ws.Image.depth(), 4 == bits ? 4 : 8);
        EXPECT_EQ(s.ws.ImageBitDepth, s.ws.Image.depth());
        EXPECT_TRUE(s.ws.Modified);
        Bitmap back = s.ws.Image;
        back.convertTo24();
        EXPECT_EQ(back, five) << bits;
    }
}

TEST(PosterizeTest, ManyColoursAtMostTheCount) {
    const Bitmap rich = Rich();
    ASSERT_GT(Colours(rich).size(), 256u);
    Session s16(rich);
    ASSERT_TRUE(DoPosterize(s16.ws, 4));
    EXPECT_LE(Colours(s16.ws.Image).size(), 16u);
    EXPECT_GE(Colours(s16.ws.Image).size(), 12u);
    Session s256(rich);
    ASSERT_TRUE(DoPosterize(s256.ws, 8));
    EXPECT_LE(Colours(s256.ws.Image).size(), 256u);
    EXPECT_GE(Colours(s256.ws.Image).size(), 200u);
    Session eightBit(rich);
    eightBit.ws.DisplayBitDepth = 8;
    ASSERT_TRUE(DoPosterize(eightBit.ws, 8));
    EXPECT_LE(eightBit.ws.Image.palette().size(), 236u);
}

TEST(ReduceTest, FailureKeepsPictureAndCancels) {
    const Bitmap rich = Rich(8);
    Session s(rich);
    EXPECT_FALSE(ReduceWorkingImage(s.ws, {1000, 32}));
    EXPECT_EQ(s.ws.Image, rich);
    EXPECT_TRUE(s.ws.CancelRequested);
    EXPECT_FALSE(s.ws.Modified);
    ASSERT_EQ(s.host.messages.size(), 1u);
    EXPECT_EQ(ImgOpenCount(), 0);
}

}  // namespace
}  // namespace vimbra
