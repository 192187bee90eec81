// Finding layers by slot, and their sizes.
#pragma once

#include "engine/state.h"

#include <cstddef>

namespace mur {

// The record of a slot, or null for a slot outside 0..271.
inline LayerRecord* slot_record(int32_t slot) noexcept
{
    return valid_slot(slot) ? &engine.layers.slots[slot] : nullptr;
}

// The record of a slot that holds pixels, or null.
inline LayerRecord* live_layer(int32_t slot) noexcept
{
    LayerRecord* layer = slot_record(slot);
    return layer && layer->pixels ? layer : nullptr;
}

inline std::size_t layer_pixel_count(const LayerRecord& layer) noexcept
{
    if (layer.width <= 0 || layer.height <= 0) return 0;
    return static_cast<std::size_t>(layer.width) * static_cast<std::size_t>(layer.height);
}

// Calls fn(pixel) for every RGBA64 pixel of a layer, row by row.
template <class Fn>
void for_each_layer_pixel(LayerRecord& layer, Fn&& fn)
{
    if (!layer.pixels || layer.width <= 0 || layer.height <= 0) return;
    for (int32_t y = 0; y < layer.height; ++y) {
        uint16_t* p = layer.pixels + static_cast<std::size_t>(y) * layer.stride;
        for (int32_t x = 0; x < layer.width; ++x, p += 4) fn(p);
    }
}

}  // namespace mur
