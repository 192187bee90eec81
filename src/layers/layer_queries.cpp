// Questions about a layer's content: where its pixels are, whether it is
// transparent anywhere, whether it is one colour.
#include "engine/guard.h"
#include "engine/state.h"
#include "layers/layer_access.h"
#include "layers/layers.h"
#include "layers/pixel_formats.h"

#include <algorithm>
#include <cstring>

namespace mur {
namespace {

struct Extents {
    int32_t left, top, right, bottom;
};

// The bounding box of the pixels for which `counts` holds, starting from the
// empty box (image width, image height, 0, 0).
template <class Counts>
Extents find_extents(const LayerRecord& layer, Counts counts)
{
    Extents e{engine.width, engine.height, 0, 0};
    const px::Overlap area = px::image_overlap(layer);
    for (int32_t y = 0; y < area.height; ++y) {
        const uint16_t* p = px::layer_row(layer, y);
        for (int32_t x = 0; x < area.width; ++x, p += 4) {
            if (!counts(p)) continue;
            e.left = std::min(e.left, x);
            e.top = std::min(e.top, y);
            e.right = std::max(e.right, x);
            e.bottom = std::max(e.bottom, y);
        }
    }
    return e;
}

void store(const Extents& e, int32_t* left, int32_t* top, int32_t* right, int32_t* bottom) noexcept
{
    if (left) *left = e.left;
    if (top) *top = e.top;
    if (right) *right = e.right;
    if (bottom) *bottom = e.bottom;
}

}  // namespace

void layers::find_data_extents(const LayerRecord& layer, int32_t& left, int32_t& top, int32_t& right,
                               int32_t& bottom) noexcept
{
    const Extents e = find_extents(layer, [](const uint16_t* p) { return p[3] != 0; });
    left = e.left, top = e.top, right = e.right, bottom = e.bottom;
}

void layers::find_data_extents_layer(int32_t layer, int32_t* left, int32_t* top, int32_t* right, int32_t* bottom)
{
    const LayerRecord* source = live_layer(layer);
    if (!source) return;
    Extents e;
    layers::find_data_extents(*source, e.left, e.top, e.right, e.bottom);
    store(e, left, top, right, bottom);
}

void layers::find_data_extents_layer_ex(int32_t layer, int32_t* left, int32_t* top, int32_t* right, int32_t* bottom)
{
    const LayerRecord* source = live_layer(layer);
    if (!source) return;
    if (source->width <= 0 || source->height <= 0 || source->pixels[3] == 0) {
        store(find_extents(*source, [](const uint16_t* p) { return p[3] != 0; }), left, top, right, bottom);
        return;
    }
    uint16_t corner[4];
    std::memcpy(corner, source->pixels, sizeof corner);
    store(find_extents(*source, [&corner](const uint16_t* p) { return std::memcmp(p, corner, 8) != 0; }), left,
          top, right, bottom);
}

int32_t layers::is_layer_transparent(int32_t layer)
{
    const LayerRecord* source = live_layer(layer);
    if (!source) return 1;
    const std::size_t count = layer_pixel_count(*source);
    for (int32_t y = 0; y < source->height; ++y) {
        const uint16_t* p = px::layer_row(*source, y);
        for (int32_t x = 0; x < source->width; ++x, p += 4)
            if (p[3] < 65280) return 1;
    }
    return count == 0 ? 1 : 0;
}

int32_t layers::is_single_color(int32_t layer)
{
    const LayerRecord* source = live_layer(layer);
    if (!source || layer_pixel_count(*source) == 0) return 0;
    const uint16_t* first = source->pixels;
    for (int32_t y = 0; y < source->height; ++y) {
        const uint16_t* p = px::layer_row(*source, y);
        for (int32_t x = 0; x < source->width; ++x, p += 4)
            if (std::memcmp(p, first, 8) != 0) return 0;
    }
    return 1;
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API void MUR_FindDataExtentsLayer(int32_t layer, int32_t* left, int32_t* top, int32_t* right, int32_t* bottom)
{
    guard("FindDataExtentsLayer", [&] { layers::find_data_extents_layer(layer, left, top, right, bottom); });
}

MUR_API void MUR_FindDataExtentsLayerEX(int32_t layer, int32_t* left, int32_t* top, int32_t* right, int32_t* bottom)
{
    guard("FindDataExtentsLayerEX", [&] { layers::find_data_extents_layer_ex(layer, left, top, right, bottom); });
}

MUR_API int32_t MUR_IsLayerTransparent(int32_t layer)
{
    return mur::guard<int32_t>("IsLayerTransparent", 0, [&] { return layers::is_layer_transparent(layer); });
}

MUR_API int32_t MUR_IsSingleColor(int32_t layer)
{
    return mur::guard<int32_t>("IsSingleColor", 0, [&] { return layers::is_single_color(layer); });
}

}  // extern "C"
