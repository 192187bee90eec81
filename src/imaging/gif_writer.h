// GIF files of one 8-bit picture: a palette of up to 256 colours and one
// index a pixel, without a transparent colour.
#pragma once

#include "imaging/quantise.h"

#include <cstdint>

namespace mur::imaging {

// `indices`: width x height bytes, each below palette.count.
bool write_gif(const char* path, const uint8_t* indices, int32_t width, int32_t height,
               const Palette& palette) noexcept;

}  // namespace mur::imaging
