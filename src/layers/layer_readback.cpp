// Reading layers back as RGBA32, RGB24 and RGBA64, raw, and compressed.
#include "engine/guard.h"
#include "engine/guarded_alloc.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "imaging/deflate.h"
#include "imaging/rect_clip.h"
#include "imaging/rect_copy.h"
#include "layers/layer_access.h"
#include "layers/layers.h"
#include "layers/pixel_formats.h"

#include <cstring>

namespace mur {
namespace {

using px::narrow;

LayerRecord* current_layer() noexcept
{
    LayerRecord* layer = engine.layers.currentRecord;
    return layer && layer->pixels ? layer : nullptr;
}

// rows x cols of the layer as RGBA32 high bytes into dst.
void read_rgba32(const LayerRecord& layer, int64_t cols, int64_t rows, imaging::CallerRows<uint8_t> dst) noexcept
{
    if (!dst.usable()) return;
#pragma omp parallel for schedule(static) if (rows * cols > 1000)
    for (int64_t row = 0; row < rows; ++row) {
        const uint16_t* s = px::layer_row(layer, row);
        uint8_t* d = dst.at(row);
        for (int64_t col = 0; col < cols * 4; ++col) d[col] = narrow(s[col]);
    }
}

// The RGB24 form: R, G, B high bytes, or the alpha high byte three times.
void read_rgb24(const LayerRecord& layer, imaging::CallerRows<uint8_t> dst, bool fromAlpha) noexcept
{
    if (!dst.usable()) return;
    const px::Overlap area = px::image_overlap(layer);
    for (int64_t row = 0; row < area.height; ++row) {
        const uint16_t* s = px::layer_row(layer, row);
        uint8_t* d = dst.at(row);
        for (int64_t col = 0; col < area.width; ++col, s += 4, d += 3) {
            if (fromAlpha) {
                d[0] = d[1] = d[2] = narrow(s[3]);
            } else {
                d[0] = narrow(s[0]);
                d[1] = narrow(s[1]);
                d[2] = narrow(s[2]);
            }
        }
    }
}

}  // namespace

void layers::read_rgba32(int32_t slot, uint8_t* dst, int32_t stride) noexcept
{
    const LayerRecord* source = live_layer(slot);
    if (!source) return;
    const px::Overlap area = px::image_overlap(*source);
    mur::read_rgba32(*source, area.width, area.height, imaging::caller_rows(dst, stride));
}

void layers::read_rgb24(uint8_t* dst, int32_t stride) noexcept
{
    const LayerRecord* source = current_layer();
    if (source) mur::read_rgb24(*source, imaging::caller_rows(dst, stride), false);
}

void layers::get_rgba64_layer_rect(uint16_t* dst, int32_t stride, int32_t layer, int32_t x, int32_t y, int32_t w, int32_t h)
{
    const LayerRecord* source = live_layer(layer);
    if (!source || !imaging::caller_rows(dst, stride).usable() || w <= 0 || h <= 0) return;
    const imaging::ConstImageView from(reinterpret_cast<const uint8_t*>(source->pixels), source->width,
                                       source->height, std::ptrdiff_t{source->stride} * 2, 8);
    const imaging::ImageView to{reinterpret_cast<uint8_t*>(dst), w, h, stride, 8};
    imaging::copy_rect(from, {x, y, w, h}, to, 0, 0);
}

int32_t layers::get_rgba32_layer_compressed(uint8_t* dst, int32_t capacity, int32_t layer, int32_t level)
{
    const LayerRecord* source = live_layer(layer);
    if (!source || !dst || capacity <= 0) return 0;
    const std::size_t size = layer_pixel_count(*source) * 4;
    if (size == 0) return 0;
    const mem::Owned<uint8_t> buffer(x_NewCharUndoReduce(size));
    if (!buffer) return 0;
    mur::read_rgba32(*source, source->width, source->height, imaging::caller_rows(buffer.get(), int64_t{source->width} * 4));
    const std::size_t packed =
        imaging::deflate_buffer(buffer.get(), size, dst, static_cast<std::size_t>(capacity), level);
    return static_cast<int32_t>(packed);
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API void MUR_GetRGBA32Layer(uint8_t* dst, int32_t stride, int32_t layer)
{
    guard("GetRGBA32Layer", [&] { layers::read_rgba32(layer, dst, stride); });
}

MUR_API void MUR_GetRGBA32(uint8_t* dst, int32_t stride)
{
    mur::guard("GetRGBA32", [&] {
        MUR_GetRGBA32Layer(dst, stride, engine.layers.currentRecord ? engine.layers.currentLayer : -1);
    });
}

MUR_API void MUR_GetRGB24Layer(uint8_t* dst, int32_t stride, int32_t layer)
{
    guard("GetRGB24Layer", [&] {
        const LayerRecord* source = live_layer(layer);
        if (source) read_rgb24(*source, imaging::caller_rows(dst, stride), false);
    });
}

MUR_API void MUR_GetRGB24(uint8_t* dst, int32_t stride)
{
    guard("GetRGB24", [&] { layers::read_rgb24(dst, stride); });
}

MUR_API void MUR_GetRGB24FromAlpha(uint8_t* dst, int32_t stride)
{
    guard("GetRGB24FromAlpha", [&] {
        const LayerRecord* source = current_layer();
        if (source) read_rgb24(*source, imaging::caller_rows(dst, stride), true);
    });
}

MUR_API void MUR_GetRGBA64LayerRect(uint16_t* dst, int32_t stride, int32_t layer, int32_t x, int32_t y, int32_t w,
                                    int32_t h)
{
    guard("GetRGBA64LayerRect", [&] { layers::get_rgba64_layer_rect(dst, stride, layer, x, y, w, h); });
}

MUR_API void MUR_GetRGBA64Layer(uint16_t* dst, int32_t stride, int32_t layer)
{
    mur::guard("GetRGBA64Layer", [&] {
        MUR_GetRGBA64LayerRect(dst, stride, layer, 0, 0, engine.width, engine.height);
    });
}

MUR_API void MUR_GetLayerData(uint16_t* dst, int32_t layer)
{
    guard("GetLayerData", [&] {
        const LayerRecord* source = live_layer(layer);
        if (source && dst) std::memcpy(dst, source->pixels, layer_pixel_count(*source) * 8);
    });
}

MUR_API int32_t MUR_GetRGBA32LayerCompressed(uint8_t* dst, int32_t, int32_t capacity, int32_t layer, int32_t level)
{
    return guard("GetRGBA32Layer", 0, [&] { return layers::get_rgba32_layer_compressed(dst, capacity, layer, level); });
}

}  // extern "C"
