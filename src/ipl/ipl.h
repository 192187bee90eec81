// What the image-processing module offers the other modules and its own exports:
// its internal interface.
#pragma once

#include <cstdint>

namespace mur::ipl {


// ---- The work of the exports of the same name (MUR_...), so that other
// modules call it directly -------------------------------------------------

void set_color_rgba_buf(uint8_t* data, int32_t width, int32_t height, int32_t r, int32_t g, int32_t b);
void set_color_alpha_rgba_buf(uint8_t* data, int32_t width, int32_t height, int32_t r, int32_t g, int32_t b);

}  // namespace mur::ipl
