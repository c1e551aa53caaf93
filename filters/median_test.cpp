#include "filters/median.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace vimbra {
namespace {

// Grey picture from rows of values (all three channels alike).
Bitmap Grey(std::initializer_list<std::initializer_list<int>> rows) {
    const int h = int(rows.size()), w = int(rows.begin()->size());
    Bitmap b(w, h, 24);
    int y = 0;
    for (auto row : rows) {
        int x = 0;
        for (int v : row) {
            std::fill_n(b.scanLine(y) + 3 * x, 3, uint8_t(v));
            ++x;
        }
        ++y;
    }
    return b;
}

int Byte(const Bitmap& b, int x, int y, int c = 0) { return b.scanLine(y)[3 * x + c]; }

TEST(MedianShape, CountsAndCorners) {
    const int counts[] = {5, 5, 9, 9, 13, 17, 25, 25, 37, 49};
    for (int level = 0; level <= 9; ++level)
        EXPECT_EQ(MedianShape(level).size(), size_t(counts[level])) << level;
    EXPECT_EQ(MedianShape(10).size(), 5u);
    EXPECT_EQ(MedianShape(-3).size(), 5u);
    const auto eight = MedianShape(8);
    const auto has = [&](int dy, int dx) {
        return std::find(eight.begin(), eight.end(), std::pair{dy, dx}) != eight.end();
    };
    EXPECT_FALSE(has(-3, -3));
    EXPECT_FALSE(has(-3, -2));
    EXPECT_FALSE(has(2, 3));
    EXPECT_TRUE(has(-3, -1));
    EXPECT_TRUE(has(2, 2));
    const auto five = MedianShape(5);
    EXPECT_EQ(std::count(five.begin(), five.end(), std::pair{1, 1}), 1);
    EXPECT_EQ(std::count(five.begin(), five.end(), std::pair{2, 1}), 0);
}

TEST(Median, PlusShapeRepeatsTheEdges) {
    Bitmap b = Grey({{1, 9, 2}, {8, 5, 7}, {3, 6, 4}});
    MedianBitmap(b, 1, 0);
    EXPECT_EQ(b, Grey({{1, 5, 2}, {5, 7, 5}, {3, 5, 4}}));
}

TEST(Median, FullSquareAtTheCorner) {
    // Corner window: 1 1 9 / 1 1 9 / 8 8 5 -> sorted fifth value 5.
    Bitmap b = Grey({{1, 9, 2}, {8, 5, 7}, {3, 6, 4}});
    MedianBitmap(b, 2, 0);
    EXPECT_EQ(Byte(b, 0, 0), 5);
    EXPECT_EQ(Byte(b, 1, 1), 5);
}

TEST(Median, OnePixelAndOnePixelWide) {
    Bitmap one = Grey({{77}});
    for (int level = 0; level <= 9; ++level) MedianBitmap(one, level, 0);
    EXPECT_EQ(Byte(one, 0, 0), 77);
    // Level 9 on a column: all seven window columns are the column itself.
    Bitmap column = Grey({{10}, {200}, {30}});
    MedianBitmap(column, 9, 0);
    EXPECT_EQ(column, Grey({{10}, {30}, {30}}));
    // Level 4 on a row: the diamond's vertical cells repeat the row.
    Bitmap row = Grey({{0, 100, 50, 0}});
    MedianBitmap(row, 4, 0);
    // x=0: nine 0s, three 100s, one 50 -> 0. x=1: five 0s, three 50s, five 100s -> 50.
    EXPECT_EQ(Byte(row, 0, 0), 0);
    EXPECT_EQ(Byte(row, 1, 0), 50);
}

TEST(Median, SpotsOnlyTouchDarkOrLightOutliers) {
    const auto dot = [](int v) { return Grey({{100, 100, 100}, {100, v, 100}, {100, 100, 100}}); };
    // Pepper -8: limit 32; 20 stays, 40 lifts to the median 100, 200 stays.
    for (auto [v, expected] : {std::pair{20, 20}, {32, 32}, {33, 100}, {40, 100}, {200, 200}}) {
        Bitmap b = dot(v);
        MedianBitmap(b, 1, -8);
        EXPECT_EQ(Byte(b, 1, 1), expected) << v;
        EXPECT_EQ(Byte(b, 1, 0), 100);
    }
    // Salt +8: 200 drops to 100, 40 stays.
    for (auto [v, expected] : {std::pair{200, 100}, {40, 40}}) {
        Bitmap b = dot(v);
        MedianBitmap(b, 1, 8);
        EXPECT_EQ(Byte(b, 1, 1), expected) << v;
    }
    // A limit of 255 or more leaves everything; spot 0 is the plain median.
    Bitmap salt = dot(255);
    MedianBitmap(salt, 1, 64);
    EXPECT_EQ(Byte(salt, 1, 1), 255);
    MedianBitmap(salt, 1, 0);
    EXPECT_EQ(Byte(salt, 1, 1), 100);
}

// The plain definition: sort the shaped window (edges repeated) per byte.
Bitmap ReferenceMedian(const Bitmap& src, int level, int spot) {
    const int w = src.width(), h = src.height();
    const auto cells = MedianShape(level);
    Bitmap out = src;
    const size_t n = cells.size();
    std::vector<int> v(n);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                for (size_t k = 0; k < n; ++k)
                    v[k] = src.scanLine(std::clamp(y + cells[k].first, 0, h - 1))[3 * std::clamp(x + cells[k].second, 0, w - 1) + c];
                std::nth_element(v.begin(), v.begin() + long((n - 1) / 2), v.end());
                const int m = v[(n - 1) / 2];
                const int old = src.scanLine(y)[3 * x + c];
                int result = m;
                if (spot != 0) {
                    result = old;
                    if (old > std::abs(4 * spot) && (spot < 0 ? old < m : old > m)) result = m;
                }
                out.scanLine(y)[3 * x + c] = uint8_t(result);
            }
    return out;
}

// Random bytes below `range`: a small range makes many ties.
Bitmap Noise(int w, int h, int range, unsigned seed) {
    std::mt19937 rng(seed);
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < 3 * w; ++i) b.scanLine(y)[i] = uint8_t(rng() % unsigned(range));
    return b;
}

TEST(Median, EveryLevelMatchesSortingEveryWindow) {
    const std::pair<int, int> sizes[] = {{1, 1}, {1, 9}, {9, 1}, {2, 2}, {4, 4}, {5, 5}, {3, 8}, {37, 23}};
    unsigned seed = 1;
    for (auto [w, h] : sizes)
        for (int range : {256, 3})
            for (int level = 0; level <= 10; ++level)
                for (int spot : {0, -5, 9}) {
                    const Bitmap src = Noise(w, h, range, seed++);
                    Bitmap b = src;
                    MedianBitmap(b, level, spot);
                    EXPECT_EQ(b, ReferenceMedian(src, level, spot))
                        << w << "x" << h << " range " << range << " level " << level << " spot " << spot;
                }
}

TEST(Median, LargePicturesSplitOverThreadsMatchToo) {
    // Above the size where rows are shared out over threads, with an odd height
    // so that ranges can end on half a row pair.
    const Bitmap src = Noise(613, 431, 256, 77);
    for (int level : {9, 1}) {
        Bitmap b = src;
        MedianBitmap(b, level, 0);
        EXPECT_EQ(b, ReferenceMedian(src, level, 0)) << level;
    }
}

TEST(Median, ProgressOnPicturesLowerThanTheWindow) {
    struct Host : FrameHost {
        std::vector<int> drawn;
        void DrawProgress(int p) override { drawn.push_back(p); }
    } host;
    Workspace ws(host);
    ws.setImage(Grey({{5, 6, 7, 8}}));
    Median(ws, PassTarget::mainPicture(ws), 9, 0);
    EXPECT_TRUE(host.drawn.empty());
    EXPECT_TRUE(ws.Modified);
    EXPECT_EQ(ws.StatusText, "Ready.");
}

}  // namespace
}  // namespace vimbra
