// Loading RGBA32 pictures into layers, for the exports and the engine's own
// operations that store results.
#pragma once

#include "engine/layer_record.h"

#include <cstdint>

namespace mur {

// Writes the rectangle (x, y, w, h) of the layer from src (row stride in
// bytes), clipped to the layer; src's pixel (0, 0) lands on (x, y). With
// `masked`, the texture and the enabled mask temper the change; the layer's
// transparency lock keeps its alpha. Rows are shared among threads above
// 1000 pixels.
void load_rgba32_into_layer(const uint8_t* src, int32_t stride, LayerRecord& layer, int32_t x, int32_t y,
                            int32_t w, int32_t h, bool masked) noexcept;

}  // namespace mur
