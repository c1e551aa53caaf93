#pragma once
// Division by a pixel-dependent divisor (1..510) as a multiply and shift.
// With m = ceil(2^40 / d) the quotient is exact for every numerator below 2^29,
// far above the largest one the HLS arithmetic forms (255 × 3600 + 255).
#include <array>
#include <cstddef>
#include <cstdint>

namespace vimbra {

inline constexpr int kReciprocalShift = 40;

inline constexpr auto kReciprocals = [] {
    std::array<uint64_t, 511> m{};
    for (uint64_t d = 1; d < uint64_t(m.size()); ++d)
        m[d] = ((uint64_t(1) << kReciprocalShift) + d - 1) / d;
    return m;
}();

// numerator div divisor for 0 <= numerator < 2^29 and 1 <= divisor <= 510.
inline int DivideExact(int numerator, int divisor) {
    return int((uint64_t(numerator) * kReciprocals[size_t(divisor)]) >> kReciprocalShift);
}

}  // namespace vimbra
