// Weighting an RGBA32 block by the texture and the enabled mask under it:
// how much of a picture or an image-processing result may reach each page
// pixel.
#include "engine/state.h"
#include "imaging/rect_clip.h"
#include "layers/layers.h"
#include "layers/pixel_formats.h"

namespace mur {

void layers::weigh_by_texture_and_mask(uint8_t* data, int32_t x, int32_t y, int32_t width, int32_t height) noexcept
{
    const px::WeightPlanes planes = px::weight_planes();
    if (!data || !planes.any()) return;
    const imaging::ClippedRect area = imaging::clip_rect(x, y, width, height, engine.width, engine.height);
    for (int64_t row = area.rows.begin; row < area.rows.end; ++row) {
        uint8_t* p = data + ((row - y) * width + (area.cols.begin - x)) * 4;
        for (int64_t col = area.cols.begin; col < area.cols.end; ++col, p += 4) {
            const uint32_t w = px::weight_rule_b(planes.texture, planes.mask, std::size_t(row) * engine.width + col);
            p[3] = static_cast<uint8_t>(p[3] * (w * (1.0 / 65535)));
        }
    }
}

}  // namespace mur
