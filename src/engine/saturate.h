// Numbers a host passes, carried into 32-bit engine values without overflow:
// sums and products are taken in 64 bits or as doubles, then saturated.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace mur {

constexpr int32_t saturate_i32(int64_t v) noexcept
{
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// Truncated toward zero; NaN becomes 0.
inline int32_t saturate_i32(double v) noexcept
{
    if (std::isnan(v)) return 0;
    return static_cast<int32_t>(std::clamp(v, double(INT32_MIN), double(INT32_MAX)));
}

}  // namespace mur
