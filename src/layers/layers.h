// What the layers module offers the other modules: its internal interface.
// Exports and other modules call these; the MUR_ exports are wrappers.
#pragma once

#include "layers/layer_record.h"

#include <cstdint>

namespace mur::layers {

// The bounding box of the pixels with alpha within the image, inclusive;
// (image width, image height, 0, 0) when there are none.
void find_data_extents(const LayerRecord& layer, int32_t& left, int32_t& top, int32_t& right,
                       int32_t& bottom) noexcept;

}  // namespace mur::layers
