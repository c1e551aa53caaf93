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

// Writes a 24-bit picture as a binary PPM for the peer programs. False on failure.
bool WritePpm(const Bitmap& picture, const std::string& path);

// Runs fn `repeats` times (after one warm-up run) and prints the best rate in
// megapixels per second.
double ReportMpxPerSecond(const char* name, double megapixels, int repeats,
                          const std::function<void()>& fn);

// ImageMagick 6, the peer most benchmarks compare with.
inline constexpr const char* kMagick = "/usr/bin/convert-im6.q16";

// Best of `repeats` wall times, in seconds, of ImageMagick reading `input`,
// applying `args` and writing `output`; -1 when it fails.
double TimeMagick(const std::string& input, const std::string& args, const std::string& output, int repeats);

}  // namespace vimbra::bench
