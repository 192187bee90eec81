// The named pixel sources that single-pixel reads and colour pick-up read
// from: the current layer (surface), a layer by slot, the undo back buffer
// (under layer), the trace image (slot 0), and a host's image-sized buffer.
#pragma once

#include "engine/state.h"
#include "layers/layer_access.h"

#include <cstdint>

namespace mur::layers {

// An RGBA64 buffer with the size it may be read at; null pixels when the
// source has none.
struct PixelSource {
    const uint16_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;  // 16-bit units
};

inline PixelSource image_sized(const uint16_t* pixels) noexcept
{
    return {pixels, engine.width, engine.height, engine.width * 4};
}

inline PixelSource of_layer(const LayerRecord* layer) noexcept
{
    if (!layer || !layer->pixels) return {};
    return {layer->pixels, layer->width, layer->height, layer->stride};
}

inline PixelSource surface() noexcept { return of_layer(engine.layers.currentRecord); }
inline PixelSource layer_source(int32_t slot) noexcept { return of_layer(live_layer(slot)); }
inline PixelSource under_layer() noexcept { return image_sized(engine.undo.backBuffer.colorPatch); }
inline PixelSource trace() noexcept { return of_layer(&engine.layers.slots[0]); }

}  // namespace mur::layers
