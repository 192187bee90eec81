// Clearing layers and host buffers to one colour.
#include "engine/fixed_point.h"
#include "engine/guard.h"
#include "engine/guarded_alloc.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "imaging/rect_clip.h"
#include "layers/layer_access.h"
#include "layers/layers.h"
#include "layers/layer_load.h"
#include "layers/pixel_formats.h"

#include <algorithm>

namespace mur {
namespace {

LayerRecord* current_layer() noexcept
{
    LayerRecord* layer = engine.layers.currentRecord;
    return layer && layer->pixels ? layer : nullptr;
}

// Fills rows x cols pixels of `Channels` values each with one pixel value.
template <class T, int Channels>
void fill_pixels(T* dst, int64_t cols, int64_t rows, int64_t strideBytes, const T (&value)[Channels])
{
    const imaging::CallerRows<T> to = imaging::caller_rows(dst, strideBytes);
    if (!to.usable()) return;
    for (int64_t row = 0; row < rows; ++row) {
        T* d = to.at(row);
        for (int64_t col = 0; col < cols; ++col, d += Channels) std::copy(value, value + Channels, d);
    }
}

}  // namespace

void layers::clear_masked(int32_t r, int32_t g, int32_t b, int32_t a) noexcept
{
    LayerRecord* layer = current_layer();
    if (!layer) return;
    const uint16_t value[4] = {px::widen(r), px::widen(g), px::widen(b), px::widen(a)};
    const uint16_t* mask = engine.mask.enabled ? engine.mask.plane : nullptr;
    for (int64_t row = 0; row < layer->height; ++row) {
        uint16_t* d = px::layer_row(*layer, row);
        for (int64_t col = 0; col < layer->width; ++col, d += 4) {
            // Beyond the image there is no mask: the pixel is cleared.
            const bool inside = mask && row < engine.height && col < engine.width;
            const uint32_t m = inside ? mask[row * engine.width + col] : 65535;
            if (m == 65535) {
                std::copy(value, value + 4, d);
            } else if (m != 0) {
                for (int c = 0; c < 3; ++c)
                    d[c] = static_cast<uint16_t>(fx::blend_65535<uint32_t>(value[c], d[c], m));
                d[3] = 65535;
            }
        }
    }
}

void layers::clear_masked_alpha(int32_t r, int32_t g, int32_t b, int32_t a)
{
    LayerRecord* layer = current_layer();
    if (!layer) return;
    if (!engine.mask.enabled && !layer->alphaLocked) {
        MUR_Clear(r, g, b, a);
        return;
    }
    const mem::Owned<uint8_t> picture(x_NewCharUndoReduce(image_pixels() * 4));
    if (!picture) return;
    MUR_ClearRGBA32(picture.get(), engine.width * 4, r, g, b, a);
    // The picture is image-sized: a larger layer is filled where they overlap.
    const px::Overlap area = px::image_overlap(*layer);
    load_rgba32_into_layer(picture.get(), engine.width * 4, *layer, 0, 0, area.width, area.height, true);
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API void MUR_Clear(int32_t r, int32_t g, int32_t b, int32_t a)
{
    guard("Clear", [&] {
        LayerRecord* layer = current_layer();
        if (!layer) return;
        const uint16_t value[4] = {px::widen(r), px::widen(g), px::widen(b), px::widen(a)};
        fill_pixels(layer->pixels, layer->width, layer->height, int64_t{layer->stride} * 2, value);
    });
}

MUR_API void MUR_ClearMasked(int32_t r, int32_t g, int32_t b, int32_t a)
{
    guard("ClearMasked", [&] { layers::clear_masked(r, g, b, a); });
}

MUR_API void MUR_ClearMaskedAlpha(int32_t r, int32_t g, int32_t b, int32_t a)
{
    guard("ClearMaskedAlpha", [&] { layers::clear_masked_alpha(r, g, b, a); });
}

MUR_API void MUR_ClearRGBA64(uint16_t* dst, int32_t stride, int32_t r, int32_t g, int32_t b, int32_t a)
{
    mur::guard("ClearRGBA64", [&] {
        const uint16_t value[4] = {uint16_t(r), uint16_t(g), uint16_t(b), uint16_t(a)};
        fill_pixels(dst, engine.width, engine.height, stride, value);
    });
}

MUR_API void MUR_ClearRGBA32(uint8_t* dst, int32_t stride, int32_t r, int32_t g, int32_t b, int32_t a)
{
    mur::guard("ClearRGBA32", [&] {
        const uint8_t value[4] = {uint8_t(r), uint8_t(g), uint8_t(b), uint8_t(a)};
        fill_pixels(dst, engine.width, engine.height, stride, value);
    });
}

MUR_API void MUR_ClearRGBA32Buf(uint8_t* dst, int32_t w, int32_t h, int32_t r, int32_t g, int32_t b, int32_t a)
{
    mur::guard("ClearRGBA32Buf", [&] {
        if (w <= 0 || h <= 0) return;
        const uint8_t value[4] = {uint8_t(r), uint8_t(g), uint8_t(b), uint8_t(a)};
        fill_pixels(dst, w, h, int64_t{w} * 4, value);
    });
}

}  // extern "C"
