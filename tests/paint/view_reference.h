// A plain per-pixel renderer of the view, for comparison with MUR_Render.
#pragma once

#include <cstdint>

namespace mur::test {

// Draws like MUR_Render, one output pixel at a time; returns 0 when the
// current layer has no pixels.
int32_t reference_render(uint8_t* dst, int32_t dstStride, int32_t x, int32_t y, int32_t w, int32_t h);

}  // namespace mur::test
