// The HSV shift's row loop for processors with AVX2: four pixels' double
// conversions at a time, the same operations in the same order as the
// scalar conversions, so the bytes are the same.
#pragma once

#include "imaging/colour_adjust.h"

#include <cstdint>

namespace mur::imaging {

// True when this processor runs the loop below.
bool hsv_rows_avx2_available() noexcept;

// Shifts the first (width / 4) x 4 pixels of an RGBA32 row and returns how
// many it did; the caller does the rest one by one.
int32_t adjust_hsv_row_avx2(uint8_t* rgba, int32_t width, HueShift shift) noexcept;

}  // namespace mur::imaging
