// What the mask module offers the other modules: its internal interface.
#pragma once

#include <cstdint>

namespace mur::mask {

// Weighs the alpha of an RGBA32 picture by the mask: the picture's first
// pixel lies at (x0, y0) of the image, the rectangle (x0, y0)-(x1, y1) is
// inclusive, and only its part inside the image is weighed.
void apply_mask_to_alpha(uint8_t* image, int32_t stride, int32_t x0, int32_t y0, int32_t x1, int32_t y1) noexcept;

}  // namespace mur::mask
