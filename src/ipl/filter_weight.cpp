#include "ipl/filter_weight.h"

#include "engine/guard.h"
#include "engine/state.h"
#include "layers/layers.h"
#include "layers/pixel_formats.h"

#include <algorithm>

namespace mur::ipl {

bool filter_weight_applies() noexcept { return px::weight_planes().any(); }

uint32_t filter_weight(int32_t x, int32_t y) noexcept
{
    const px::WeightPlanes planes = px::weight_planes();
    return px::weight_rule_b(planes.texture, planes.mask, std::size_t(y) * engine.width + x);
}

}  // namespace mur::ipl

using namespace mur;

extern "C" {

MUR_API void MUR_AdjustRGBA32ByMaskAndTexture(uint8_t* data, int32_t width, int32_t height)
{
    guard("AdjustRGBA32ByMaskAndTexture", [&] { layers::weigh_by_texture_and_mask(data, 0, 0, width, height); });
}

MUR_API void MUR_AdjustRGBA32RectByMaskAndTexture(uint8_t* data, int32_t x, int32_t y, int32_t width, int32_t height)
{
    guard("AdjustRGBA32RectByMaskAndTexture", [&] {
        if (width > 0 && height > 0) layers::weigh_by_texture_and_mask(data, x, y, width, height);
    });
}

}  // extern "C"
