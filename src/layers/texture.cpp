// The 8-bit texture plane, made from the brightness of a "Texturize3" layer.
#include "engine/guard.h"
#include "engine/guarded_alloc.h"
#include "engine/memory.h"
#include "engine/state.h"
#include "layers/layer_access.h"
#include "layers/layers.h"

#include <algorithm>

namespace mur {
namespace {

inline constexpr uint8_t kTextureMin = 4;
inline constexpr uint8_t kTextureMax = 250;

uint8_t texture_value(const uint16_t* pixel) noexcept
{
    const uint32_t v = (static_cast<uint32_t>(pixel[0]) + pixel[1] + pixel[2]) / 768;
    return static_cast<uint8_t>(std::clamp<uint32_t>(v, kTextureMin, kTextureMax));
}

}  // namespace

int32_t layers::create_texture(int32_t slot)
{
    const LayerRecord* layer = live_layer(slot);
    if (!layer) return 0;
    LayerTable& table = engine.layers;
    if (!table.texture) {
        table.texture = x_NewCharUndoReduce(image_pixels());
        if (!table.texture) return 0;
    }
    // The layer is read with its own row length; image pixels beyond a
    // smaller layer count as black.
    const int32_t w = engine.width, h = engine.height;
    const int32_t cols = std::min(w, layer->width);
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* out = table.texture + static_cast<std::size_t>(y) * w;
        int32_t x = 0;
        if (y < layer->height) {
            const uint16_t* in = layer->pixels + static_cast<std::size_t>(y) * layer->stride;
            for (; x < cols; ++x, in += 4) out[x] = texture_value(in);
        }
        std::fill(out + x, out + w, kTextureMin);
    }
    return engine.width;
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API int32_t MUR_CreateTexture(int32_t slot)
{
    return guard("CreateTexture", 0, [&] { return layers::create_texture(slot); });
}

MUR_API void MUR_DeleteTexture(void)
{
    guard("DeleteTexture", [&] { mem::release_and_null(engine.layers.texture); });
}

}  // extern "C"
