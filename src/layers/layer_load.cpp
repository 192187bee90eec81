// Loading host pictures into layers: RGBA32 rectangles (plain or tempered by
// the texture and the mask), RGB24 colour, gray into alpha, raw RGBA64
// copies, and the compressed transfer.
#include "engine/guard.h"
#include "engine/guarded_alloc.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "imaging/deflate.h"
#include "imaging/rect_clip.h"
#include "layers/layer_access.h"
#include "layers/layer_load.h"
#include "layers/layers.h"
#include "layers/layer_merge.h"
#include "layers/pixel_formats.h"

#include <algorithm>
#include <cstring>

namespace mur {
namespace {

using px::mix;
using px::widen;

// One pixel of an unmasked RGBA32 load.
inline void load_plain(uint16_t* d, const uint8_t* s, bool alphaLocked) noexcept
{
    if (alphaLocked) {
        d[0] = widen(s[0]);
        d[1] = widen(s[1]);
        d[2] = widen(s[2]);
    } else if (s[3] == 0) {
        d[0] = d[1] = d[2] = d[3] = 0;
    } else {
        d[0] = widen(s[0]);
        d[1] = widen(s[1]);
        d[2] = widen(s[2]);
        d[3] = widen(s[3]);
    }
}

// One pixel of a masked RGBA32 load with weight w (rule A).
inline void load_weighted(uint16_t* d, const uint8_t* s, uint32_t w, bool alphaLocked) noexcept
{
    if (w == 0) return;
    if (w == 65535) {
        d[0] = widen(s[0]);
        d[1] = widen(s[1]);
        d[2] = widen(s[2]);
        if (!alphaLocked) d[3] = widen(s[3]);
        return;
    }
    const uint32_t rest = 65535u - w;
    if (d[3] == 0) {
        d[0] = widen(s[0]);
        d[1] = widen(s[1]);
        d[2] = widen(s[2]);
        if (!alphaLocked) d[3] = static_cast<uint16_t>((uint32_t{widen(s[3])} * w) >> 16);
    } else if (s[3] == 0) {
        if (!alphaLocked) d[3] = static_cast<uint16_t>((d[3] * rest) >> 16);
    } else {
        d[0] = mix(s[0], d[0], w);
        d[1] = mix(s[1], d[1], w);
        d[2] = mix(s[2], d[2], w);
        if (!alphaLocked) d[3] = mix(s[3], d[3], w);
    }
}

// The weight of layer pixel (x, y) by rule A; full beyond the image, where
// there is neither texture nor mask.
inline uint32_t weight_a_at(const px::WeightPlanes& planes, int64_t x, int64_t y) noexcept
{
    if (x >= engine.width || y >= engine.height) return 65535;
    return px::weight_rule_a(planes.texture, planes.mask, static_cast<std::size_t>(y * engine.width + x));
}

inline uint32_t weight_b_at(const px::WeightPlanes& planes, int64_t x, int64_t y) noexcept
{
    if (x >= engine.width || y >= engine.height) return 65535;
    return px::weight_rule_b(planes.texture, planes.mask, static_cast<std::size_t>(y * engine.width + x));
}

LayerRecord* current_layer() noexcept
{
    LayerRecord* layer = engine.layers.currentRecord;
    return layer && layer->pixels ? layer : nullptr;
}

// Calls pixel(s, d, col, row) for the first `rows` x `cols` pixels of a
// 3-byte-per-pixel host picture and the layer pixels they land on.
template <class Pixel>
void each_rgb24_pixel(LayerRecord& layer, imaging::CallerRows<const uint8_t> src, int64_t rows, int64_t cols,
                      Pixel pixel)
{
    if (!src.usable()) return;
    for (int64_t row = 0; row < rows; ++row) {
        const uint8_t* s = src.at(row);
        uint16_t* d = px::layer_row(layer, row);
        for (int64_t col = 0; col < cols; ++col, s += 3, d += 4) pixel(s, d, col, row);
    }
}

// An RGB24 host picture of the image's size loaded into the current layer
// where the two overlap: pixel(planes, weighted, s, d, col, row) for each
// pixel, weighted when the load is masked and a texture or mask is on.
template <class Pixel>
void each_rgb24_load(const uint8_t* src, int32_t stride, int32_t masked, Pixel pixel)
{
    LayerRecord* layer = current_layer();
    if (!layer) return;
    const px::WeightPlanes planes = px::weight_planes();
    const bool weighted = (masked & 0xFF) != 0 && planes.any();
    const px::Overlap area = px::image_overlap(*layer);
    each_rgb24_pixel(*layer, imaging::caller_rows(src, stride), area.height, area.width,
                     [&](const uint8_t* s, uint16_t* d, int64_t col, int64_t row) {
                         pixel(planes, weighted, s, d, col, row);
                     });
}

}  // namespace

// Writes the rectangle (x, y, w, h) of the layer from src, clipped to the
// layer; src's pixel (0, 0) lands on (x, y).
void load_rgba32_into_layer(const uint8_t* src, int32_t stride, LayerRecord& layer, int32_t x, int32_t y,
                            int32_t w, int32_t h, bool masked) noexcept
{
    const imaging::CallerRows<const uint8_t> from = imaging::caller_rows(src, stride);
    const imaging::ClippedRect area = imaging::clip_rect(x, y, w, h, layer.width, layer.height);
    if (!from.usable() || !layer.pixels || area.empty()) return;
    const px::WeightPlanes planes = px::weight_planes();
    masked = masked && planes.any();
    const int64_t x0 = area.cols.begin, x1 = area.cols.end, y0 = area.rows.begin, y1 = area.rows.end;
    const bool locked = layer.alphaLocked != 0;
    const bool threaded = area.rows.length() * area.cols.length() > 1000;

#pragma omp parallel for schedule(static) if (threaded)
    for (int64_t row = y0; row < y1; ++row) {
        const uint8_t* s = from.at(row - y, (x0 - x) * 4);
        uint16_t* d = px::layer_row(layer, row) + x0 * 4;
        if (!masked) {
            for (int64_t col = x0; col < x1; ++col, s += 4, d += 4) load_plain(d, s, locked);
        } else {
            for (int64_t col = x0; col < x1; ++col, s += 4, d += 4)
                load_weighted(d, s, weight_a_at(planes, col, row), locked);
        }
    }
}

void layers::load_rgba32(const uint8_t* src, int32_t stride, int32_t masked)
{
    // The picture is image-sized: a larger layer is loaded where the two overlap.
    if (LayerRecord* layer = current_layer()) {
        const px::Overlap area = px::image_overlap(*layer);
        load_rgba32_into_layer(src, stride, *layer, 0, 0, area.width, area.height, (masked & 0xFF) != 0);
    }
}

void layers::load_rgb24(const uint8_t* src, int32_t stride, int32_t masked)
{
    each_rgb24_load(src, stride, masked,
                    [](const px::WeightPlanes& planes, bool weighted, const uint8_t* s, uint16_t* d, int64_t col,
                       int64_t row) {
                         const uint32_t w = weighted ? weight_a_at(planes, col, row) : 65535;
                         if (w == 0) return;
                         for (int c = 0; c < 3; ++c) d[c] = w == 65535 ? widen(s[c]) : mix(s[c], d[c], w);
                     });
}

void layers::load_rgb24_to_alpha(const uint8_t* src, int32_t stride, int32_t masked)
{
    each_rgb24_load(src, stride, masked,
                    [](const px::WeightPlanes& planes, bool weighted, const uint8_t* s, uint16_t* d, int64_t col,
                       int64_t row) {
                         if (!weighted) {
                             d[3] = widen((s[0] + s[1] + s[2]) / 3);
                             return;
                         }
                         const uint32_t w = weight_b_at(planes, col, row);
                         if (w == 65535)
                             d[3] = widen(s[0]);
                         else if (w != 0)
                             d[3] = mix(s[0], d[3], w);
                     });
}

void layers::set_rgba64_layer(const uint16_t* src, int32_t stride, int32_t layer)
{
    LayerRecord* target = live_layer(layer);
    const imaging::CallerRows<const uint16_t> from = imaging::caller_rows(src, stride);
    if (!target || !from.usable()) return;
    const px::Overlap area = px::image_overlap(*target);
    for (int64_t row = 0; row < area.height; ++row)
        std::memcpy(px::layer_row(*target, row), from.at(row), std::size_t(area.width) * 8);
}

void layers::copy_layer_data(int32_t fromLayer, int32_t toLayer)
{
    const LayerRecord* from = live_layer(fromLayer);
    LayerRecord* to = live_layer(toLayer);
    if (!from || !to || from == to) return;
    if (from->width == to->width && from->height == to->height) {
        std::memcpy(to->pixels, from->pixels, layer_pixel_count(*to) * 8);
        return;
    }
    // Layers of different sizes share their common top-left part.
    const int64_t rows = std::min(from->height, to->height), cols = std::min(from->width, to->width);
    for (int64_t row = 0; row < rows; ++row)
        std::memcpy(px::layer_row(*to, row), px::layer_row(*from, row), std::size_t(cols) * 8);
}

void layers::load_rgba32_layer_compressed(const uint8_t* src, int32_t srcLength, int32_t layer)
{
    LayerRecord* target = live_layer(layer);
    if (!target || !src || srcLength <= 0) return;
    const std::size_t size = layer_pixel_count(*target) * 4;
    if (size == 0) return;
    const mem::Owned<uint8_t> buffer(x_NewCharUndoReduce(size));
    if (!buffer) return;
    // Only a stream of exactly the layer's size is loaded.
    if (imaging::inflate_buffer(src, static_cast<std::size_t>(srcLength), buffer.get(), size) == size)
        load_rgba32_into_layer(buffer.get(), target->width * 4, *target, 0, 0, target->width, target->height,
                               false);
}

void layers::load_rgba32_layer_bad(uint8_t* src, int32_t layer, int32_t a, int32_t b, int32_t masked)
{
    LayerRecord* target = live_layer(layer);
    if (!target || !src) return;
    // The working copy first: without it nothing is cleared or changed.
    const std::size_t pixels = image_pixels();
    const mem::Owned<uint16_t> wide(x_NewShortUndoReduce(static_cast<int64_t>(pixels * 4)));
    if (!wide) return;
    if (masked & 0xFF) layers::weigh_by_texture_and_mask(src, 0, 0, a, b);
    layers::clear_masked(0, 0, 0, 0);
    for (std::size_t i = 0; i < pixels * 4; ++i) wide[i] = widen(src[i]);
    MergeRequest request;
    request.source = wide.get();
    request.sourceWidth = engine.width;
    request.sourceHeight = engine.height;
    request.sourceStride = engine.width * 4;
    request.width = engine.width;
    request.height = engine.height;
    request.destination = target->pixels;
    request.destWidth = target->width;
    request.destHeight = target->height;
    request.destStride = target->stride;
    request.mode = 0;
    request.opacity = 255;
    request.density = 255;
    request.alphaLock = target->alphaLocked != 0;
    merge_layer(request);
}

void layers::load_bgr24(const uint8_t* src, int32_t stride, int32_t w, int32_t h) noexcept
{
    LayerRecord* layer = current_layer();
    if (!layer) return;
    const px::Overlap area = px::image_overlap(*layer);
    each_rgb24_pixel(*layer, imaging::caller_rows(src, stride), std::min(h, area.height), std::min(w, area.width),
                     [](const uint8_t* s, uint16_t* d, int64_t, int64_t) {
                         d[0] = widen(s[2]), d[1] = widen(s[1]), d[2] = widen(s[0]), d[3] = 65535;
                     });
}

}  // namespace mur

namespace mur {

void layers::load_rgba32_layer(const uint8_t* src, int32_t stride, int32_t slot, int32_t x, int32_t y, int32_t w,
                               int32_t h, bool masked) noexcept
{
    if (LayerRecord* target = live_layer(slot)) load_rgba32_into_layer(src, stride, *target, x, y, w, h, masked);
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API void MUR_LoadRGBA32Layer(const uint8_t* src, int32_t stride, int32_t layer, int32_t x, int32_t y,
                                 int32_t w, int32_t h, int32_t masked)
{
    guard("LoadRGBA32Layer", [&] { layers::load_rgba32_layer(src, stride, layer, x, y, w, h, (masked & 0xFF) != 0); });
}

MUR_API void MUR_LoadRGBA32(const uint8_t* src, int32_t stride, int32_t masked)
{
    guard("LoadRGBA32", [&] { layers::load_rgba32(src, stride, masked); });
}

MUR_API void MUR_LoadRGBA32Into(const uint8_t* src, int32_t stride, int32_t layer, int32_t x, int32_t y, int32_t w,
                                int32_t h)
{
    mur::guard("LoadRGBA32Into", [&] { MUR_LoadRGBA32Layer(src, stride, layer, x, y, w, h, 1); });
}

MUR_API void MUR_LoadRGB24(const uint8_t* src, int32_t stride, int32_t masked)
{
    guard("LoadRGB24", [&] { layers::load_rgb24(src, stride, masked); });
}

MUR_API void MUR_Load(const uint8_t* src, int32_t stride, int32_t w, int32_t h)
{
    guard("Load", [&] { layers::load_bgr24(src, stride, w, h); });
}

MUR_API void MUR_LoadRGB24ToAlpha(const uint8_t* src, int32_t stride, int32_t masked)
{
    guard("LoadRGB24ToAlpha", [&] { layers::load_rgb24_to_alpha(src, stride, masked); });
}

MUR_API void MUR_SetRGBA64Layer(const uint16_t* src, int32_t stride, int32_t layer)
{
    guard("SetRGBA64Layer", [&] { layers::set_rgba64_layer(src, stride, layer); });
}

MUR_API void MUR_SetLayerData(const uint16_t* src, int32_t layer)
{
    guard("SetLayerData", [&] {
        LayerRecord* target = live_layer(layer);
        if (target && src) std::memcpy(target->pixels, src, layer_pixel_count(*target) * 8);
    });
}

MUR_API void MUR_CopyLayerData(int32_t fromLayer, int32_t toLayer)
{
    guard("CopyLayerData", [&] { layers::copy_layer_data(fromLayer, toLayer); });
}

MUR_API void MUR_LoadRGBA32LayerCompressed(const uint8_t* src, int32_t, int32_t srcLength, int32_t layer)
{
    guard("LoadRGBA32LayerCompressed", [&] { layers::load_rgba32_layer_compressed(src, srcLength, layer); });
}

MUR_API void MUR_LoadRGBA32Layer_BAD(uint8_t* src, int32_t, int32_t layer, int32_t a, int32_t b, int32_t masked)
{
    guard("LoadRGBA32Layer", [&] { layers::load_rgba32_layer_bad(src, layer, a, b, masked); });
}

}  // extern "C"
