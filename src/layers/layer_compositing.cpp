// Merging layers into layers and into host buffers, and the composite of the
// whole image.
#include "layers/layers.h"
#include "engine/guard.h"
#include "engine/guarded_alloc.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "layers/blend_modes.h"
#include "layers/layer_access.h"
#include "layers/layer_merge.h"
#include "layers/pixel_formats.h"

#include <algorithm>
#include <cstring>

namespace mur {
namespace {

// The layer that masks layer L: the first layer above it that has pixels and
// is visible decides, and masks only when its mode is "Layer Mask".
const LayerRecord* layer_mask_for(int32_t slot) noexcept
{
    for (int32_t above = slot + 1; above <= engine.layers.topLayer && above < kLayerSlots; ++above) {
        const LayerRecord& candidate = engine.layers.slots[above];
        if (!candidate.pixels || !candidate.visible) continue;
        return candidate.mode == kModeLayerMask ? &candidate : nullptr;
    }
    return nullptr;
}

// A merge request with a table layer as the source.
MergeRequest from_layer(const LayerRecord& layer, int32_t slot)
{
    MergeRequest r;
    r.source = layer.pixels;
    r.sourceWidth = layer.width;
    r.sourceHeight = layer.height;
    r.sourceStride = layer.stride;
    r.mode = layer.mode;
    r.opacity = layer.opacity;
    r.density = 255;
    if (const LayerRecord* mask = layer_mask_for(slot)) {
        r.maskLayer = mask->pixels;
        r.maskWidth = mask->width;
        r.maskHeight = mask->height;
        r.maskStride = mask->stride;
        r.maskMode = kModeLayerMask;
    }
    return r;
}

// Merges the layer's rectangle (x, y, w, h) into a buffer of w x h pixels at (0, 0).
void merge_layer_into_rect(int32_t slot, uint16_t* dst, int32_t x, int32_t y, int32_t w, int32_t h) noexcept
{
    const LayerRecord* layer = live_layer(slot);
    if (!layer || !dst || w <= 0 || h <= 0) return;
    MergeRequest r = from_layer(*layer, slot);
    r.sourceX = x;
    r.sourceY = y;
    r.width = w;
    r.height = h;
    r.destination = dst;
    r.destWidth = w;
    r.destHeight = h;
    r.destStride = w * 4;
    merge_layer(r);
}

// The composite of the image's rectangle into a w x h buffer: the background
// copied as it is when shown, then every shown layer above it merged in.
void composite_rect(uint16_t* dst, int32_t x, int32_t y, int32_t w, int32_t h) noexcept
{
    if (!dst || w <= 0 || h <= 0) return;
    std::memset(dst, 0, std::size_t(w) * h * 8);
    const LayerRecord& background = engine.layers.slots[1];
    if (background.pixels && background.visible == 1) {
        for (int32_t row = 0; row < h; ++row) {
            const int64_t sy = int64_t{y} + row;
            if (sy < 0 || sy >= background.height) continue;
            const int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>(int64_t{x} + w, background.width);
            if (x1 <= x0) continue;
            std::memcpy(dst + (std::size_t(row) * w + (x0 - x)) * 4, px::layer_row(background, sy) + x0 * 4,
                        std::size_t(x1 - x0) * 8);
        }
    }
    for (int32_t slot = 2; slot < kLayerSlots; ++slot) {
        const LayerRecord& layer = engine.layers.slots[slot];
        if (layer.pixels && layer.visible) merge_layer_into_rect(slot, dst, x, y, w, h);
    }
}

}  // namespace

void layers::merge_rect(uint16_t* dst, int32_t x, int32_t y, int32_t w, int32_t h) noexcept
{
    composite_rect(dst, x, y, w, h);
}

void layers::merge_rgba32_layer(const uint8_t* image, int32_t layer, int32_t mode, int32_t opacity)
{
    LayerRecord* dest = live_layer(layer);
    if (!dest || !image) return;
    const std::size_t values = image_pixels() * 4;
    const mem::Owned<uint16_t> wide(x_NewShortUndoReduce(static_cast<int64_t>(values)));
    if (!wide) return;
    for (std::size_t i = 0; i < values; ++i) wide[i] = px::widen(image[i]);
    MergeRequest r;
    r.source = wide.get();
    r.sourceWidth = r.width = engine.width;
    r.sourceHeight = r.height = engine.height;
    r.sourceStride = engine.width * 4;
    r.destination = dest->pixels;
    r.destWidth = dest->width;
    r.destHeight = dest->height;
    r.destStride = dest->stride;
    r.mode = mode;
    r.opacity = opacity;
    r.density = 255;
    r.sameAlphaMode = mode == dest->mode && mode >= kFirstAlphaMode;
    merge_layer(r);
}

uint32_t layers::get_color_at_merged(int32_t x, int32_t y)
{
    if (x < 0 || y < 0 || x >= engine.width || y >= engine.height) return 0x00FFFFFF;
    const mem::Owned<uint16_t> pixel(x_NewShortUndoReduce(4));
    if (!pixel) return 0;
    composite_rect(pixel.get(), x, y, 1, 1);
    return px::pack_argb(pixel.get());
}

void layers::merge_layers(int32_t sourceLayer, int32_t destLayer) noexcept
{
    const LayerRecord* source = live_layer(sourceLayer);
    LayerRecord* dest = live_layer(destLayer);
    if (!source || !dest || source == dest) return;
    MergeRequest r = from_layer(*source, sourceLayer);
    r.width = source->width;
    r.height = source->height;
    r.destination = dest->pixels;
    r.destWidth = dest->width;
    r.destHeight = dest->height;
    r.destStride = dest->stride;
    r.sameAlphaMode = source->mode == dest->mode && source->mode >= kFirstAlphaMode;
    merge_layer(r);
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API void MUR_MergeLayer(int32_t sourceLayer, int32_t destLayer)
{
    guard("MergeLayer", [&] { layers::merge_layers(sourceLayer, destLayer); });
}

MUR_API void MUR_MergeLayerIntoRect(int32_t layer, uint16_t* dst, int32_t x, int32_t y, int32_t w, int32_t h)
{
    guard("MergeLayerIntoRect", [&] { merge_layer_into_rect(layer, dst, x, y, w, h); });
}

MUR_API void MUR_MergeLayerInto(int32_t layer, uint16_t* dst)
{
    mur::guard("MergeLayerInto", [&] { MUR_MergeLayerIntoRect(layer, dst, 0, 0, engine.width, engine.height); });
}

MUR_API void MUR_MergeRect(uint16_t* dst, int32_t x, int32_t y, int32_t w, int32_t h)
{
    guard("MergeRect", [&] { layers::merge_rect(dst, x, y, w, h); });
}

MUR_API void MUR_Merge(uint16_t* dst)
{
    mur::guard("Merge", [&] { MUR_MergeRect(dst, 0, 0, engine.width, engine.height); });
}

MUR_API void MUR_MergeRGBA32Layer(const uint8_t* image, int32_t layer, int32_t mode, int32_t opacity)
{
    guard("MUR_MergeRGBA32Layer", [&] { layers::merge_rgba32_layer(image, layer, mode, opacity); });
}

MUR_API uint32_t MUR_GetColorAtMerged(int32_t x, int32_t y)
{
    return guard("MUR_GetColorAtMerged", 0u, [&] { return layers::get_color_at_merged(x, y); });
}

}  // extern "C"
