#pragma once
// Splits the rows of a pointwise pass over a few threads. Only for passes
// whose result does not depend on the order pixels are visited in.
#include <algorithm>
#include <cstdint>
#include <thread>
#include <vector>

namespace vimbra {

// Pictures below this many pixels are not worth starting a thread for.
inline constexpr int64_t kParallelMinPixels = 1 << 18;

inline int ParallelRowWorkers(int64_t pixels) {
    if (pixels < kParallelMinPixels) return 1;
    const unsigned hw = std::thread::hardware_concurrency();
    return int(std::clamp<unsigned>(hw, 1, 4));
}

// Calls fn(firstRow, endRow) on disjoint row ranges covering 0..height; the
// calling thread takes the first range. fn must not throw.
template <class Fn>
void ParallelRows(int width, int height, Fn&& fn) {
    if (width <= 0 || height <= 0) return;
    const int workers = std::min(ParallelRowWorkers(int64_t(width) * height), height);
    if (workers <= 1) {
        fn(0, height);
        return;
    }
    std::vector<std::thread> threads;
    threads.reserve(size_t(workers - 1));
    const auto bound = [&](int k) { return int(int64_t(height) * k / workers); };
    try {
        for (int k = 1; k < workers; ++k)
            threads.emplace_back([&fn, y0 = bound(k), y1 = bound(k + 1)] { fn(y0, y1); });
    } catch (...) {
        // No thread to spare: the caller does the remaining ranges itself.
    }
    fn(0, bound(1));
    for (int k = int(threads.size()) + 1; k < workers; ++k) fn(bound(k), bound(k + 1));
    for (auto& t : threads) t.join();
}

}  // namespace vimbra
