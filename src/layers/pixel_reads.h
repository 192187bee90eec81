// Single-pixel reads from the named pixel sources.
#pragma once

#include "layers/pixel_sources.h"

#include <cstdint>

namespace mur::layers {

// 0xAARRGGBB (high bytes) at (x, y); transparent white outside the source,
// 0 when it has no pixels.
uint32_t color_at(const PixelSource& source, int32_t x, int32_t y) noexcept;

}  // namespace mur::layers
