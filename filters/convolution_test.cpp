#include "filters/convolution.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace vimbra {
namespace {

// A picture whose bytes are f(x, y, channel) with channels in stored order B, G, R.
template <class F>
Bitmap Picture(int w, int h, F f) {
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) b.scanLine(y)[3 * x + c] = uint8_t(f(x, y, c));
    return b;
}

int Byte(const Bitmap& b, int x, int y, int c = 0) { return b.scanLine(y)[3 * x + c]; }

// Centre (1, 1) holds `centre`, every other pixel `rest`, in all channels.
Bitmap Dot(int centre, int rest) {
    return Picture(3, 3, [&](int x, int y, int) { return x == 1 && y == 1 ? centre : rest; });
}

SpatialKernel Kernel(std::initializer_list<int> w) {
    SpatialKernel k{};
    std::copy(w.begin(), w.end(), k.begin());
    return k;
}

TEST(KernelSetters, BuildTheTablesWeightsAndDivisors) {
    EXPECT_EQ(MeanRemovalKernel(8).weights, Kernel({-1, -1, -1, -1, 9, -1, -1, -1, -1}));
    EXPECT_EQ(MeanRemovalKernel(8).divisor, 1);
    EXPECT_EQ(MeanRemovalKernel(1).weights[4], 16);
    EXPECT_EQ(MeanRemovalKernel(1).divisor, 8);
    EXPECT_EQ(HighPassMediumKernel(2).weights, Kernel({0, -1, 0, -1, 7, -1, 0, -1, 0}));
    EXPECT_EQ(HighPassMediumKernel(2).divisor, 3);
    EXPECT_EQ(HighPassLightKernel(1).weights, Kernel({1, -2, 1, -2, 8, -2, 1, -2, 1}));
    EXPECT_EQ(HighPassLightKernel(1).divisor, 4);
    EXPECT_EQ(SoftenKernel(1).weights, Kernel({1, 2, 1, 2, 32, 2, 1, 2, 1}));
    EXPECT_EQ(SoftenKernel(1).divisor, 44);
    EXPECT_EQ(SoftenKernel(7).divisor, 15);
    EXPECT_EQ(SoftenKernel(8).weights, Kernel({10, 15, 10, 15, 20, 15, 10, 15, 10}));
    EXPECT_EQ(SoftenKernel(8).divisor, 120);
    EXPECT_EQ(SoftenKernel(9).divisor, 120);
    EXPECT_EQ(SoftenKernel(10).divisor, 123);
    // Levels beyond the range never give a zero divisor.
    EXPECT_EQ(MeanRemovalKernel(9).divisor, 1);
    EXPECT_EQ(HighPassLightKernel(0).divisor, 4);
}

TEST(KernelSetters, DeFocusEndsAreTheBoxAndTheWeakKernel) {
    EXPECT_EQ(DeFocusKernel(0).weights, Kernel({1, 1, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(DeFocusKernel(0).divisor, 9);
    // d: 12 -> 10 (25 d <= 254); c: 100 -> 102 (c * 100 div 40 >= 254).
    EXPECT_EQ(DeFocusKernel(254).weights, Kernel({1, 10, 1, 10, 102, 10, 1, 10, 1}));
    EXPECT_EQ(DeFocusKernel(254).divisor, 146);
    // t = 143 (strength 112): d = 5 (125 <= 143); c from 25 to 29 (2900 div 20 = 145).
    EXPECT_EQ(DeFocusKernel(143).weights, Kernel({1, 5, 1, 5, 29, 5, 1, 5, 1}));
    EXPECT_EQ(DeFocusKernel(143).divisor, 53);
}

TEST(Spatial3x3, ComputesTheCentreAndClampsEachChannel) {
    // Channels: B centre 100 among 90s, G 200 among 50s, R 10 among 50s.
    Bitmap b = Picture(3, 3, [](int x, int y, int c) {
        const bool centre = x == 1 && y == 1;
        return c == 0 ? (centre ? 100 : 90) : c == 1 ? (centre ? 200 : 50) : (centre ? 10 : 50);
    });
    const Bitmap before = b;
    const Kernel3x3 k = MeanRemovalKernel(8);
    Spatial3x3Bitmap(b, k.weights, k.divisor);
    EXPECT_EQ(Byte(b, 1, 1, 0), 180);  // 900 - 720
    EXPECT_EQ(Byte(b, 1, 1, 1), 255);  // 1800 - 400
    EXPECT_EQ(Byte(b, 1, 1, 2), 0);    // 90 - 400
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            if (x != 1 || y != 1) {
                EXPECT_EQ(Byte(b, x, y, 1), Byte(before, x, y, 1));
            }
}

TEST(Spatial3x3, DividesTruncatingAndHonoursTheColumnMajorLayout) {
    // Soften(1): 12 x 10 / 44 = 2.7 -> 2.
    Bitmap b = Dot(0, 10);
    Spatial3x3Bitmap(b, SoftenKernel(1).weights, 44);
    EXPECT_EQ(Byte(b, 1, 1), 2);
    // Weight 1 is window column 0, row 1: the left neighbour.
    Bitmap g = Picture(3, 3, [](int x, int y, int) { return x == 0 && y == 1 ? 50 : 0; });
    Spatial3x3Bitmap(g, Kernel({0, 2, 0, 0, 0, 0, 0, 0, 0}), 1);
    EXPECT_EQ(Byte(g, 1, 1), 100);
}

TEST(Spatial3x3, PicturesWithoutAFullWindowStayUnchanged) {
    for (auto [w, h] : {std::pair{1, 1}, {1, 7}, {7, 1}, {2, 2}, {2, 9}}) {
        Bitmap b = Picture(w, h, [](int x, int y, int c) { return 37 * x + 11 * y + c; });
        const Bitmap before = b;
        Spatial3x3Bitmap(b, MeanRemovalKernel(8).weights, 1);
        GaussianBlur3x3Bitmap(b, 0, false, 9);
        DeScreen5x5Bitmap(b, 1);
        EXPECT_EQ(b, before) << w << "x" << h;
    }
    Bitmap four = Picture(4, 4, [](int x, int y, int) { return 60 * x + y; });
    const Bitmap before = four;
    DeScreen5x5Bitmap(four, 2);
    EXPECT_EQ(four, before);
}

TEST(GaussianBlur3x3, ReplacesOnlyBeyondTheThreshold) {
    // Sum 8 x 255 = 2040, div 9 = 226.
    for (auto [threshold, expected] : {std::pair{0, 226}, {225, 226}, {226, 0}, {254, 0}}) {
        Bitmap b = Dot(0, 255);
        GaussianBlur3x3Bitmap(b, threshold, false, 9);
        EXPECT_EQ(Byte(b, 1, 1), expected) << threshold;
        EXPECT_EQ(Byte(b, 0, 0), 255);
    }
}

TEST(GaussianBlur3x3, OutlierLeavesOutTheSampleBelowTheCentre) {
    // All 100 but the pixel below the centre: Outlier sees 800 / 8 = 100, no change;
    // Gaussian sees 800 / 9 = 88.
    Bitmap b = Picture(3, 3, [](int x, int y, int) { return x == 1 && y == 2 ? 0 : 100; });
    Bitmap g = b;
    GaussianBlur3x3Bitmap(b, 0, true, 8);
    EXPECT_EQ(Byte(b, 1, 1), 100);
    GaussianBlur3x3Bitmap(g, 0, false, 9);
    EXPECT_EQ(Byte(g, 1, 1), 88);
    // The sample above does count: 7 x 100 / 8 = 87.
    Bitmap a = Picture(3, 3, [](int x, int y, int) { return x == 1 && y == 0 ? 0 : 100; });
    GaussianBlur3x3Bitmap(a, 0, true, 8);
    EXPECT_EQ(Byte(a, 1, 1), 87);
}

TEST(DeScreen5x5, WeighsTheFiveByFiveWindowOfEachMode) {
    // B = 10 x^2, G = 10 x + y, R = 255 at the centre only.
    const auto make = [] {
        return Picture(5, 5, [](int x, int y, int c) {
            return c == 0 ? 10 * x * x : c == 1 ? 10 * x + y : (x == 2 && y == 2 ? 255 : 0);
        });
    };
    struct Case { int mode, b, g, r; };
    // Column sums of the weights give sum(w x^2) 96 / 176 / 168 and sum(w x) 42 / 62 / 58;
    // row sums give sum(w y) 42 / 62 / 62; the centre weighs 3.
    for (Case c : {Case{0, 45, 22, 36}, Case{1, 56, 22, 24}, Case{2, 54, 20, 24}, Case{7, 54, 20, 24}}) {
        Bitmap b = make();
        const Bitmap before = b;
        DeScreen5x5Bitmap(b, c.mode);
        EXPECT_EQ(Byte(b, 2, 2, 0), c.b) << c.mode;
        EXPECT_EQ(Byte(b, 2, 2, 1), c.g) << c.mode;
        EXPECT_EQ(Byte(b, 2, 2, 2), c.r) << c.mode;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x)
                if (x != 2 || y != 2) {
                EXPECT_EQ(Byte(b, x, y, 0), Byte(before, x, y, 0));
            }
    }
}

TEST(Convolution, WideRowsGiveTheSameAsSampleBySample) {
    // Wide rows go through the vector path; compare with the plain formula.
    std::mt19937 rng(7);
    Bitmap src = Picture(61, 7, [&](int, int, int) { return int(rng() % 256); });
    const auto reference = [&](const WindowKernel& k) {
        Bitmap out = src;
        const int r = k.side / 2;
        for (int y = r; y < src.height() - r; ++y)
            for (int i = 3 * r; i < 3 * (src.width() - r); ++i) {
                int s = 0;
                for (int j = 0; j < k.side; ++j)
                    for (int m = 0; m < k.side; ++m)
                        s += k.weights[size_t(j * k.side + m)] *
                             src.scanLine(y - r + j)[i + 3 * (m - r)];
                const int q = std::clamp(s / std::max(k.divisor, 1), 0, 255);
                const int old = src.scanLine(y)[i];
                if (k.threshold < 0 || std::abs(old - q) > k.threshold) out.scanLine(y)[i] = uint8_t(q);
            }
        return out;
    };
    std::vector<WindowKernel> kernels;
    for (const Kernel3x3& k3 : {MeanRemovalKernel(8), MeanRemovalKernel(3), HighPassLightKernel(2),
                                SoftenKernel(1), SoftenKernel(10), DeFocusKernel(254),
                                DeFocusKernel(143)}) {
        WindowKernel k;
        for (int i = 0; i < 9; ++i) k.weights[size_t(i)] = k3.weights[size_t(i)];
        k.divisor = k3.divisor;
        kernels.push_back(k);
    }
    WindowKernel box;
    std::fill(box.weights.begin(), box.weights.begin() + 9, int16_t(1));
    box.divisor = 9;
    box.threshold = 40;
    kernels.push_back(box);
    WindowKernel big;  // sums beyond 16 bits take the plain path
    big.weights[4] = 300;
    big.weights[0] = -200;
    big.divisor = 70;
    kernels.push_back(big);
    for (const WindowKernel& k : kernels) {
        Bitmap b = src;
        ConvolveBitmap(b, k);
        EXPECT_EQ(b, reference(k)) << k.divisor;
    }
}

}  // namespace
}  // namespace vimbra
