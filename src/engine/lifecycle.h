// The image's lifecycle: what MUR_CreateImage, MUR_NewSize and
// MUR_DeleteImage build and release.
#pragma once

#include <cstdint>

namespace mur {

// The image size rule: a side below 0 or above 10000 becomes 100.
int32_t clamp_image_side(int32_t side) noexcept;

// The brush size that buffers are made for: kept within 0..32768.
int32_t clamp_brush_size(int32_t size) noexcept;

}  // namespace mur
