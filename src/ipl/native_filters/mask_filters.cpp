// "Mask High Low" and "Mask Detail": they write the selection mask from the
// picture's brightness (page-sized pictures only) and leave the pixels alone.
#include "engine/memory.h"
#include "ipl/native_filters/filter_support.h"
#include "ipl/native_filters/filters.h"

#include <cstdlib>

namespace mur::ipl::filters {

// Very bright and very dark pixels are masked in proportion to how far they
// lie beyond hi and lo; the rest keep the mask value the caller cleared.
void mask_high_low(NativeFilterContext& ctx)
{
    uint16_t* mask = ctx.mask;
    if (!mask) return;
    const int32_t hi = slider_byte(ctx.slider[0]), lo = slider_byte(ctx.slider[1]);
    const double kh = 255.0 / (hi >= 255 ? 1 : 255 - hi);
    const double kl = 255.0 / (lo < 1 ? 1 : lo);
    const uint8_t* in = ctx.input();
    for (std::size_t i = 0; i < ctx.pixels(); ++i) {
        const int32_t v = brightness(in + i * 4);
        if (v > hi)
            mask[i] = static_cast<uint16_t>(std::min(255.0, (255 - v) * kh) * 257);
        else if (v < lo)
            mask[i] = static_cast<uint16_t>(std::min(255.0, v * kl) * 257);
    }
}

// Detail is the largest brightness difference between a pixel and its eight
// neighbours (those inside the picture). Where it exceeds t = trunc(slider1 *
// 255) the pixel becomes editable in proportion to the excess: fully once it
// reaches t + trunc(slider2 * 255) (at least t + 1), so slider2 softens the
// mask's edge. flag2 = 1 inverts those values (detail protected). Pixels with
// less detail keep the value the caller cleared the mask to.
void mask_detail(NativeFilterContext& ctx)
{
    uint16_t* mask = ctx.mask;
    if (!mask) return;
    const int32_t w = ctx.width, h = ctx.height;
    const mem::Owned<uint8_t> levels(static_cast<uint8_t*>(mem::try_alloc_uninit(ctx.pixels())));
    if (!levels) return;
    const uint8_t* in = ctx.input();
    for (std::size_t i = 0; i < ctx.pixels(); ++i) levels[i] = static_cast<uint8_t>(brightness(in + i * 4));
    const int32_t t = slider_byte(ctx.slider[0]);
    const double softness = std::max(1, slider_byte(ctx.slider[1]));
    const bool inverted = ctx.flag[1] == 1;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const int32_t centre = levels[std::size_t(y) * w + x];
            int32_t detail = 0;
            for (int32_t j = std::max(0, y - 1); j <= std::min(h - 1, y + 1); ++j)
                for (int32_t i = std::max(0, x - 1); i <= std::min(w - 1, x + 1); ++i)
                    detail = std::max(detail, std::abs(centre - levels[std::size_t(j) * w + i]));
            if (detail <= t) continue;
            const auto editable = static_cast<uint16_t>(std::min(1.0, (detail - t) / softness) * 65535);
            mask[std::size_t(y) * w + x] = inverted ? static_cast<uint16_t>(65535 - editable) : editable;
        }
}

}  // namespace mur::ipl::filters
