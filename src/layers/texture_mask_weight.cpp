// Weighting an RGBA32 block by the texture and the enabled mask under it:
// how much of a picture or an image-processing result may reach each page
// pixel.
#include "engine/state.h"
#include "layers/layers.h"
#include "layers/pixel_formats.h"

#include <algorithm>

namespace mur {

void layers::weigh_by_texture_and_mask(uint8_t* data, int32_t x, int32_t y, int32_t width, int32_t height) noexcept
{
    const px::WeightPlanes planes = px::weight_planes();
    if (!data || !planes.any()) return;
    const int64_t row0 = std::max(y, 0), row1 = std::min<int64_t>(engine.height, int64_t{y} + height);
    const int64_t col0 = std::max(x, 0), col1 = std::min<int64_t>(engine.width, int64_t{x} + width);
    for (int64_t row = row0; row < row1; ++row) {
        uint8_t* p = data + ((row - y) * width + (col0 - x)) * 4;
        for (int64_t col = col0; col < col1; ++col, p += 4) {
            const uint32_t w = px::weight_rule_b(planes.texture, planes.mask, std::size_t(row) * engine.width + col);
            p[3] = static_cast<uint8_t>(p[3] * (w * (1.0 / 65535)));
        }
    }
}

}  // namespace mur
