#pragma once
// Integer hue/lightness/saturation conversion on a 0..3600 scale.
// Many thresholds and tables elsewhere rely on its exact rounding, so it never
// uses floating point and every division truncates.
#include <cstdint>

namespace vimbra {

struct HLS {
    int H = 0, L = 0, S = 0;
    bool operator==(const HLS&) const = default;
};
struct RGB {
    int r = 0, g = 0, b = 0;
    bool operator==(const RGB&) const = default;
};

inline constexpr int kHlsMax = 3600;
inline constexpr int kGreyHue = 2400;  // hue given to colours without one

HLS RGBtoHLS(int r, int g, int b);
// Not clamped: callers keep L and S in 0..3600 and limit channels where needed.
RGB HLStoRGB(int H, int L, int S);

inline int Max(int a, int b) { return a > b ? a : b; }
inline int Min(int a, int b) { return a < b ? a : b; }

}  // namespace vimbra
