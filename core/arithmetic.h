#pragma once
// Rounding rules shared by the curve builders and statistics.
#include <cmath>
#include <cstdint>

namespace vimbra {

using Real = long double;  // intermediates carry more precision than the 40 bits we store

// x brought to 40 significant bits, halves away from zero. The curve builders
// store their intermediates at this precision, which decides values that fall
// on a half (e.g. 50 × 0.13).
inline Real Real40(Real x) {
    if (x == 0 || !std::isfinite(x)) return x;
    int exponent = 0;
    const Real mantissa = std::frexp(x, &exponent);  // |mantissa| in [0.5, 1)
    return std::ldexp(std::round(std::ldexp(mantissa, 40)), exponent - 40);
}

// Nearest integer, halves to even.
inline int64_t Nearest(Real x) { return std::llrint(x); }

inline int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }
inline uint8_t ClampByte(int v) { return uint8_t(Clamp(v, 0, 255)); }

}  // namespace vimbra
