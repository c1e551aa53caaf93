#pragma once
// Shared bits of the benchmark programs: a test picture and a timer.
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "core/bitmap.h"

namespace vimbra::bench {

// A 24-bit picture with smooth gradients and some texture, like a photograph.
Bitmap MakeScene(int width, int height);

// Runs fn `repeats` times (after one warm-up run) and prints the best rate in
// megapixels per second.
// Writes a 24-bit picture as a binary PPM for the peer programs.
bool WritePpm(const Bitmap& picture, const std::string& path);

double ReportMpxPerSecond(const char* name, double megapixels, int repeats,
                          const std::function<void()>& fn);

}  // namespace vimbra::bench
