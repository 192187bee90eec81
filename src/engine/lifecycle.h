// The image's lifecycle: what MUR_CreateImage, MUR_NewSize and
// MUR_DeleteImage build and release.
#pragma once

#include "murcore.h"

#include <cstdint>

namespace mur {

// The image size rule: a side below 0 or above 10000 becomes 100.
int32_t clamp_image_side(int32_t side) noexcept;

// The brush size that buffers are made for: kept within 0..32768.
int32_t clamp_brush_size(int32_t size) noexcept;

// A new image of the given size: every image-sized buffer and the brush
// buffers made anew, empty layer slots, an empty history.
void create_image(MUR_Window hostWindow, int32_t width, int32_t height, int32_t maxBrushSize, int32_t param5);

// The image-sized buffers made anew for a new size; the layers stay.
void new_size(MUR_Window hostWindow, int32_t width, int32_t height, int32_t maxBrushSize, int32_t param5);

// Everything the image owns released; no image size is left.
void delete_image();

}  // namespace mur
