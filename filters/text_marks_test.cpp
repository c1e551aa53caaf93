#include "filters/text_marks.h"

#include <gtest/gtest.h>

#include "filters/session_test_util.h"

namespace vimbra {
namespace {

Bitmap White(int w, int h) {
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y) std::fill_n(b.scanLine(y), size_t(w) * 3, uint8_t(255));
    return b;
}

// The bounding box of the pixels that differ (empty when none do).
SelRect Changed(const Bitmap& a, const Bitmap& b) {
    SelRect box{a.width(), a.height(), 0, 0};
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!std::equal(a.scanLine(y) + 3 * x, a.scanLine(y) + 3 * x + 3, b.scanLine(y) + 3 * x)) {
                box.left = std::min(box.left, x), box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1), box.bottom = std::max(box.bottom, y + 1);
            }
    return box;
}

bool Inside(const SelRect& inner, const SelRect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

TEST(TextMarkMacroTest, FirstOccurrencesOnly) {
    const QString date = QStringLiteral("31/12/99");
    EXPECT_EQ(ExpandMarkMacros(QStringLiteral("@@c 2024 Ann, @@D and @@d"), date),
              QString(QChar(0xA9)) + QStringLiteral(" 2024 Ann, 31/12/99 and @@d"));
    EXPECT_EQ(ExpandMarkMacros(QStringLiteral("@@C@@C"), date), QString(QChar(0xA9)) + QStringLiteral("@@C"));
    EXPECT_EQ(ExpandMarkMacros(QStringLiteral("no macros @@"), date), QStringLiteral("no macros @@"));
    EXPECT_EQ(MarkDate(QDate(1999, 12, 31)), QLocale::system().toString(QDate(1999, 12, 31), QLocale::ShortFormat));
}

TEST(TextMarkRectTest, CornersAndTinyPictures) {
    EXPECT_EQ(TextMarkRect(100, 50, kTopLeft), (SelRect{0, 0, 92, 14}));
    EXPECT_EQ(TextMarkRect(100, 50, kTopRight), (SelRect{0, 0, 92, 14}));
    EXPECT_EQ(TextMarkRect(100, 50, kBottomRight), (SelRect{0, 35, 92, 49}));
    EXPECT_EQ(TextMarkArea(100, 50, kBottomLeft), (SelRect{0, 35, 94, 50}));
    EXPECT_EQ(TextMarkArea(100, 50, kTopLeft), (SelRect{0, 0, 94, 16}));
    // Lower than 15 pixels: the bottom rectangle starts above the picture.
    EXPECT_EQ(TextMarkRect(40, 10, kBottomLeft), (SelRect{0, -5, 32, 9}));
    EXPECT_EQ(TextMarkArea(40, 10, kBottomLeft), (SelRect{0, 0, 34, 10}));
    EXPECT_TRUE(TextMarkRect(8, 50, kTopLeft).isEmpty());
}

TEST(TextMarkTest, ChangesOnlyItsRectangle) {
    for (int corner = 0; corner < 4; ++corner) {
        Session s(White(120, 60));
        s.ws.Modified = false;
        TextMark(s.ws, "WWW mark", corner, QDate(2024, 5, 6));
        const SelRect changed = Changed(s.ws.Image, White(120, 60));
        ASSERT_FALSE(changed.isEmpty()) << corner;
        EXPECT_TRUE(Inside(changed, TextMarkArea(120, 60, corner))) << corner;
        EXPECT_TRUE(s.ws.Modified);
        // Left marks start at the left edge, right marks end at the right one.
        if (corner == kTopLeft || corner == kBottomLeft)
            EXPECT_LT(changed.left, 10) << corner;
        else
            EXPECT_GT(changed.right, 80) << corner;
    }
}

TEST(TextMarkTest, TooNarrowOrEmptyLeavesPicture) {
    for (int w : {1, 5, 8}) {
        Session s(White(w, 30));
        s.ws.Modified = false;
        TextMark(s.ws, "Notice", kTopLeft);
        EXPECT_EQ(s.ws.Image, White(w, 30)) << w;
        EXPECT_FALSE(s.ws.Modified);
    }
    Session empty(White(60, 30));
    TextMark(empty.ws, "", kBottomRight);
    EXPECT_EQ(empty.ws.Image, White(60, 30));
}

TEST(TextMarkTest, CommandRemembersRecordsAsEnteredAndTakesSnapshot) {
    Session s(White(80, 40));
    ASSERT_TRUE(TextMarkCommand(s.ws, "Trip, day 5,6 @@D", kBottomRight));
    EXPECT_EQ(s.ws.remembered.MarkText, "Trip, day 5,6 @@D");
    EXPECT_EQ(s.ws.UndoBitmap, White(80, 40));
    EXPECT_EQ(s.host.recordedLines, (std::vector<std::string>{"TEXTMARK_BOTTOMRIGHT=Trip, day 5,6 @@D"}));
    EXPECT_EQ(TextMarkLine(kTopLeft, "x"), "TEXTMARK_TOPLEFT=x");
    EXPECT_EQ(TextMarkLine(kTopRight, ""), "TEXTMARK_TOPRIGHT=");
    EXPECT_EQ(TextMarkLine(kBottomLeft, "a=b"), "TEXTMARK_BOTTOMLEFT=a=b");
}

TEST(TextMarkTest, ScriptHandlerDrawsBatchString) {
    Bitmap pal(50, 20, 8);
    pal.palette() = {PaletteEntry{255, 255, 255, 0}};
    Session s(std::move(pal));
    s.ws.BatchRunning = true;
    s.ws.BatchString = "Hello, world";
    BipTextMarkTopRight(s.ws);
    EXPECT_EQ(s.ws.Image.depth(), 24);
    const SelRect changed = Changed(s.ws.Image, White(50, 20));
    EXPECT_FALSE(changed.isEmpty());
    EXPECT_TRUE(Inside(changed, TextMarkArea(50, 20, kTopRight)));
    EXPECT_TRUE(s.host.recordedLines.empty());
}

}  // namespace
}  // namespace vimbra
