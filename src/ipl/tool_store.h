// Storing a tool's page-sized RGBA32 result into the current layer: only the
// pixels the tool changed, so every other pixel keeps its 16 bits exactly.
#pragma once

#include "engine/layer_record.h"

#include <cstdint>

namespace mur::ipl {

// The current layer when it has pixels, else null.
LayerRecord* current_layer_with_pixels() noexcept;

// Loads every pixel of `page` (rows of page width x 4 bytes) whose bytes
// differ from the layer's high bytes into the layer, through the texture
// and the enabled mask, honouring the transparency lock.
void store_changed_pixels(const uint8_t* page, LayerRecord& layer) noexcept;

// Loads the pixels marked non-zero in `plane` (page-sized, one byte a pixel)
// the same way.
void store_marked_pixels(const uint8_t* page, const uint8_t* plane, LayerRecord& layer) noexcept;

}  // namespace mur::ipl
