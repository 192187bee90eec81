// Storing only what a tool changed.
#include "ipl/tool_store.h"

#include "engine/state.h"
#include "layers/layer_load.h"

#include <algorithm>

namespace mur::ipl {
namespace {

// Loads the runs of pixels of each row for which `changed(x, y)` holds.
template <class Changed>
void store_runs(const uint8_t* page, LayerRecord& layer, Changed changed) noexcept
{
    const int32_t w = std::min(layer.width, engine.width), h = std::min(layer.height, engine.height);
    const int32_t stride = engine.width * 4;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w;) {
            if (!changed(x, y)) {
                ++x;
                continue;
            }
            int32_t end = x + 1;
            while (end < w && changed(end, y)) ++end;
            load_rgba32_into_layer(page + std::ptrdiff_t{y} * stride + std::ptrdiff_t{x} * 4, stride, layer, x, y,
                                   end - x, 1, true);
            x = end;
        }
    }
}

}  // namespace

LayerRecord* current_layer_with_pixels() noexcept
{
    LayerRecord* layer = engine.layers.currentRecord;
    return layer && layer->pixels ? layer : nullptr;
}

void store_changed_pixels(const uint8_t* page, LayerRecord& layer) noexcept
{
    const std::ptrdiff_t stride = std::ptrdiff_t{engine.width} * 4;
    store_runs(page, layer, [&](int32_t x, int32_t y) {
        const uint8_t* p = page + y * stride + std::ptrdiff_t{x} * 4;
        const uint16_t* q = layer.pixels + std::ptrdiff_t{y} * layer.stride + std::ptrdiff_t{x} * 4;
        return p[0] != q[0] >> 8 || p[1] != q[1] >> 8 || p[2] != q[2] >> 8 || p[3] != q[3] >> 8;
    });
}

void store_marked_pixels(const uint8_t* page, const uint8_t* plane, LayerRecord& layer) noexcept
{
    store_runs(page, layer, [&](int32_t x, int32_t y) { return plane[std::size_t(y) * engine.width + x] != 0; });
}

}  // namespace mur::ipl
