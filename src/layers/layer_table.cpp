// Creating, deleting, choosing, configuring and reordering the layer slots.
#include "engine/fixed_point.h"
#include "engine/guard.h"
#include "engine/guarded_alloc.h"
#include "engine/hooks.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "layers/blend_modes.h"
#include "layers/layer_access.h"
#include "layers/layers.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace mur {
namespace {

void recompute_top_layer() noexcept
{
    int32_t top = 1;
    for (int32_t slot = kLayerSlots - 1; slot >= 1; --slot) {
        if (engine.layers.slots[slot].pixels) {
            top = slot;
            break;
        }
    }
    engine.layers.topLayer = top;
}

// Editing the texture source invalidates the texture made from it.
void drop_texture_of(const LayerRecord& layer)
{
    if (layer.mode == kModeTexturize3 && engine.layers.texture) mem::release_and_null(engine.layers.texture);
}

uint16_t opacity_from_percent(int32_t percent) noexcept
{
    return static_cast<uint16_t>(std::clamp(fx::percent_of_256(percent), int64_t{0}, int64_t{256}));
}

}  // namespace

namespace layers {

int32_t create_layer(int32_t slot, int32_t width, int32_t height)
{
    LayerRecord* layer = slot_record(slot);
    if (!layer) return 0;
    if (width < 0 || height < 0 || width > kMaxLayerSide || height > kMaxLayerSide) return 0;
    if (layer->pixels && (layer->width != width || layer->height != height)) mem::release_and_null(layer->pixels);
    layer->width = width;
    layer->height = height;
    layer->stride = width * 4;
    const std::size_t values = layer_pixel_count(*layer) * 4;
    if (!layer->pixels) {
        layer->pixels = x_NewShortUndoReduce(static_cast<int64_t>(values));
        if (!layer->pixels) return 0;
    }
    std::memset(layer->pixels, slot == 1 ? 0xFF : 0x00, values * sizeof(uint16_t));
    return 1;
}

void delete_layer(int32_t slot) noexcept
{
    if (LayerRecord* layer = slot_record(slot)) mem::release_and_null(layer->pixels);
}

bool replace_layer_pixels(int32_t slot, uint16_t* pixels, int32_t width, int32_t height)
{
    LayerRecord* layer = live_layer(slot);
    if (!layer || !pixels || width < 1 || height < 1 || width > kMaxLayerSide || height > kMaxLayerSide) return false;
    uint16_t* old = layer->pixels;
    layer->pixels = pixels;
    layer->width = width;
    layer->height = height;
    layer->stride = width * 4;
    mem::release(old);
    return true;
}

void select_layer(int32_t slot)
{
    LayerRecord* layer = live_layer(slot);
    if (!layer) return;
    LayerTable& table = engine.layers;
    drop_texture_of(*layer);
    if (slot != table.currentLayer) {
        const LayerRecord* old = slot_record(table.currentLayer);
        if (old && old->visible && old->mode == kModeTexturize3) create_texture(table.currentLayer);
    }
    table.currentRecord = layer;
    table.currentLayer = slot;
    if (const auto selected = engine_hooks().layerSelected) selected(slot);
}

void set_layer_options(int32_t slot, int32_t visible, int32_t alphaLocked, int32_t opacityPercent,
                       const char* modeName)
{
    LayerRecord* layer = slot_record(slot);
    if (!layer) return;
    drop_texture_of(*layer);
    layer->visible = static_cast<uint8_t>(visible);
    layer->alphaLocked = static_cast<uint8_t>(alphaLocked);
    layer->density = 255;
    layer->modeName[0] = '\0';
    layer->opacity = opacity_from_percent(opacityPercent);
    const char* name = modeName ? modeName : "Normal";
    const std::size_t length = strnlen(name, kModeNameCapacity);
    if (length < kModeNameCapacity) std::memcpy(layer->modeName, name, length + 1);
    layer->mode = blend_mode_id(name);
    recompute_top_layer();
    if (slot != engine.layers.currentLayer && layer->visible && layer->mode == kModeTexturize3) create_texture(slot);
}

void swap_layers(int32_t slotA, int32_t slotB) noexcept
{
    LayerRecord* a = slot_record(slotA);
    LayerRecord* b = slot_record(slotB);
    if (a && b) std::swap(*a, *b);
}

int32_t layer_count() noexcept
{
    return static_cast<int32_t>(std::count_if(std::begin(engine.layers.slots), std::end(engine.layers.slots),
                                              [](const LayerRecord& layer) { return layer.pixels != nullptr; }));
}

}  // namespace layers
}  // namespace mur

using namespace mur;

extern "C" {

MUR_API int32_t MUR_CreateLayer(int32_t slot, int32_t width, int32_t height)
{
    return guard("CreateLayer", 0, [&] { return layers::create_layer(slot, width, height); });
}

MUR_API void MUR_DeleteLayer(int32_t slot)
{
    guard("DeleteLayer", [&] { layers::delete_layer(slot); });
}

MUR_API void MUR_SetLayer(int32_t slot)
{
    guard("SetLayer", [&] { layers::select_layer(slot); });
}

MUR_API void MUR_SetLayerOptions(int32_t slot, int32_t visible, int32_t alphaLocked, int32_t opacityPercent,
                                 const char* modeName)
{
    guard("SetLayerOptions", [&] { layers::set_layer_options(slot, visible, alphaLocked, opacityPercent, modeName); });
}

MUR_API void MUR_SwapLayers(int32_t slotA, int32_t slotB)
{
    guard("SwapLayers", [&] { layers::swap_layers(slotA, slotB); });
}

MUR_API int32_t MUR_GetLayerNum(void)
{
    return mur::guard<int32_t>("GetLayerNum", 0, [&] { return engine.layers.currentLayer; });
}

MUR_API int32_t MUR_GetLayerCount(void)
{
    return mur::guard<int32_t>("GetLayerCount", 0, [&] { return layers::layer_count(); });
}

}  // extern "C"
