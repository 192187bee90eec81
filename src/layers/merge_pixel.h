// Compositing one pixel of paint onto one pixel of a layer.
#pragma once

#include <cstdint>

namespace mur {

// The destination channels are read and written in place (alpha unless
// `alphaLock`); the source colour and amount are 16-bit, the opacity 0..256.
void merge_pixel(int32_t* pixR, int32_t* pixG, int32_t* pixB, int32_t* pixA, uint32_t srcR, uint32_t srcG,
                 uint32_t srcB, uint32_t amount, int32_t mode, int32_t opacity, bool alphaLock) noexcept;

}  // namespace mur
