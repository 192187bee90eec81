// Whole-layer operations on alpha: set, fold in the opacity, invert, and turn
// brightness into alpha.
#include "layers/layers.h"
#include "engine/guard.h"
#include "engine/state.h"
#include "layers/blend_modes.h"
#include "layers/layer_access.h"

#include <algorithm>

namespace mur {
namespace {

// Pulls a channel toward mid-level by the pixel's distance from it: a bright
// pixel (l above 32766) darkens by (l - 32767) / 65534 of itself, a dark one
// brightens by (32767 - l) / 65534 of its distance to white.
uint16_t blob_channel(uint16_t c, int32_t l) noexcept
{
    if (l > 32766) {
        const double u = (l - 32767) / 65534.0;
        return static_cast<uint16_t>(c - c * u);
    }
    const double u = (32767 - l) / 65534.0;
    return static_cast<uint16_t>(c + (65535 - c) * u);
}

}  // namespace
void layers::normalize_layer_alpha(int32_t slot)
{
    LayerRecord* layer = live_layer(slot);
    if (!layer || layer->mode > kFirstAlphaMode - 1) return;
    const uint32_t opacity = layer->opacity;
    for_each_layer_pixel(*layer, [opacity](uint16_t* p) { p[3] = static_cast<uint16_t>((opacity * p[3]) >> 8); });
    layer->opacity = 256;
}

void layers::create_blob_from_image(int32_t slot, int32_t mode)
{
    LayerRecord* layer = live_layer(slot);
    if (!layer) return;
    for_each_layer_pixel(*layer, [mode](uint16_t* p) {
        const int32_t l = (p[0] + p[1] + p[2]) / 3;
        for (int c = 0; c < 3; ++c) p[c] = mode == 1 ? blob_channel(p[c], l) : 32767;
        if (p[3] > 8191) p[3] = static_cast<uint16_t>(l * 0.843 + 10239);
    });
}

}  // namespace mur

using namespace mur;

extern "C" {

MUR_API void MUR_SetLayerAlpha(int32_t slot, int32_t alpha)
{
    guard("SetLayerAlpha", [&] {
        LayerRecord* layer = live_layer(slot);
        if (!layer) return;
        const auto value = static_cast<uint16_t>(std::clamp(alpha, 0, 65535));
        for_each_layer_pixel(*layer, [value](uint16_t* p) { p[3] = value; });
    });
}

MUR_API void MUR_NormalizeLayerAlpha(int32_t slot)
{
    guard("NormalizeLayerAlpha", [&] { layers::normalize_layer_alpha(slot); });
}

MUR_API void MUR_InvertAlpha(int32_t slot)
{
    guard("InvertAlpha", [&] {
        if (LayerRecord* layer = live_layer(slot))
            for_each_layer_pixel(*layer, [](uint16_t* p) { p[3] = static_cast<uint16_t>(65535 - p[3]); });
    });
}

MUR_API void MUR_InvertAlpha_RGBA32(uint8_t* image)
{
    guard("InvertAlpha_RGBA32", [&] {
        if (!image) return;
        const std::size_t pixels = image_pixels();
        for (std::size_t i = 0; i < pixels; ++i) image[i * 4 + 3] = static_cast<uint8_t>(255 - image[i * 4 + 3]);
    });
}

MUR_API void MUR_SetAlphaLayerOpacity(int32_t percent)
{
    mur::guard("SetAlphaLayerOpacity", [&] {
        const double scaled = std::clamp(percent, 0, 100) * 0.01 * 65535.0;
        engine.layers.alphaLayerOpacity = static_cast<uint16_t>(scaled);
    });
}

MUR_API void MUR_CreateBlobFromImage(int32_t slot, int32_t mode)
{
    guard("CreateBlobFromImage", [&] { layers::create_blob_from_image(slot, mode); });
}

}  // extern "C"
