// The fixed-point vocabulary of the engine's integer pixel formulas. Colour
// and alpha are 16-bit; weights are 16-bit (of 65535 or of 65536, as each
// formula has it: the names say which) or 8-bit (of 256); the formulas are
// unsigned 32-bit wherever their values stay below 2^32, and these helpers
// keep exactly their order of shifts.
#pragma once

#include <algorithm>
#include <cstdint>

namespace mur::fx {

// A value stored in 16 bits: clamped to 0..65535.
constexpr uint16_t clamp16(int64_t v) noexcept { return static_cast<uint16_t>(std::clamp<int64_t>(v, 0, 65535)); }

// 8 bits become 16 by a shift (255 -> 65280); 16 become 8 by the high byte.
constexpr uint16_t widen8(uint32_t byte) noexcept { return static_cast<uint16_t>((byte & 0xFF) << 8); }
constexpr uint8_t narrow16(uint32_t word) noexcept { return static_cast<uint8_t>(word >> 8); }

// a laid over b with a 16-bit weight w, in the engine's two-shift form:
// ((a w) >> 8 + (b (65535 - w)) >> 8) >> 8 — the complement of 65535 ...
template <class T>
constexpr T blend_65535(T a, T b, T w) noexcept
{
    return (((a * w) >> 8) + ((b * (T{65535} - w)) >> 8)) >> 8;
}

// ... and of 65536, where the formula counts full weight as 65536.
template <class T>
constexpr T blend_65536(T a, T b, T w) noexcept
{
    return (((a * w) >> 8) + ((b * (T{65536} - w)) >> 8)) >> 8;
}

// a and b mixed by an 8-bit weight t of 256: (a (256 - t) + b t) >> 8.
template <class T>
constexpr T lerp_256(T a, T b, T t) noexcept
{
    return (a * (T{256} - t) + b * t) >> 8;
}

// Percentages scaled as the engine stores them, truncated toward zero:
// opacities to 0..256 (percent x 2.56), strengths to 0..255 (x 2.559).
constexpr int64_t percent_of_256(double percent) noexcept { return static_cast<int64_t>(percent * 2.56); }
constexpr int64_t percent_of_255(double percent) noexcept { return static_cast<int64_t>(percent * 2.559); }

}  // namespace mur::fx
