// How images become mask values and back.
#pragma once

#include <cstdint>

namespace mur::mask {

// A 16-bit gray as a mask value: black is editable (65535), white protected.
constexpr uint16_t from_gray(uint32_t g) noexcept
{
    if (g < 256) return 65535;
    if (g > 65280) return 0;
    return static_cast<uint16_t>(65280 - g);
}

// A mask value as a 16-bit gray.
constexpr uint16_t to_gray(uint32_t m) noexcept { return static_cast<uint16_t>(m > 254 ? 65535 - m : 65280); }

// The value a masking amount (0..255, 255 = fully masked) writes.
constexpr uint16_t from_amount(int32_t amount) noexcept { return static_cast<uint16_t>((255 - (amount & 0xFF)) << 8); }

}  // namespace mur::mask
