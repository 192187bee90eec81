#include "ipl/filter_weight.h"

#include "engine/guard.h"
#include "engine/state.h"
#include "imaging/rect_clip.h"
#include "layers/pixel_formats.h"

#include <algorithm>

namespace mur::ipl {

bool filter_weight_applies() noexcept { return px::weight_planes().any(); }

uint32_t filter_weight(int32_t x, int32_t y) noexcept
{
    const px::WeightPlanes planes = px::weight_planes();
    return px::weight_rule_b(planes.texture, planes.mask, std::size_t(y) * engine.width + x);
}

namespace {

// Scales the alpha of a block placed at page position (x, y) by the weight
// of the page pixel under each of its pixels; pixels off the page are left.
void weigh_block(uint8_t* data, int32_t x, int32_t y, int32_t width, int32_t height) noexcept
{
    if (!data || !filter_weight_applies()) return;
    const imaging::ClippedRect area = imaging::clip_rect(x, y, width, height, engine.width, engine.height);
    for (int64_t row = area.rows.begin; row < area.rows.end; ++row) {
        uint8_t* p = data + ((row - y) * width + (area.cols.begin - x)) * 4;
        for (int64_t col = area.cols.begin; col < area.cols.end; ++col, p += 4) {
            const uint32_t w = filter_weight(static_cast<int32_t>(col), static_cast<int32_t>(row));
            p[3] = static_cast<uint8_t>(p[3] * (w * (1.0 / 65535)));
        }
    }
}

}  // namespace
}  // namespace mur::ipl

using namespace mur;

extern "C" {

MUR_API void MUR_AdjustRGBA32ByMaskAndTexture(uint8_t* data, int32_t width, int32_t height)
{
    guard("AdjustRGBA32ByMaskAndTexture", [&] { ipl::weigh_block(data, 0, 0, width, height); });
}

MUR_API void MUR_AdjustRGBA32RectByMaskAndTexture(uint8_t* data, int32_t x, int32_t y, int32_t width, int32_t height)
{
    guard("AdjustRGBA32RectByMaskAndTexture", [&] {
        if (width > 0 && height > 0) ipl::weigh_block(data, x, y, width, height);
    });
}

}  // extern "C"
