// Route 2: adjustments and neighbourhood filters on the layer's copy in the
// source buffer, in place; the driver stores the source.
#include "effects/effect_handlers.h"
#include "effects/effect_views.h"
#include "imaging/surface_filters.h"
#include "imaging/tone_filters.h"
#include "imaging/window_filters.h"
#include "ipl/ipl.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace mur::effects {
namespace {

// A filter from the source into the destination, copied back into the source.
template <class F>
bool through_destination(EffectContext& ctx, F&& filter)
{
    if (!filter(imaging::ConstImageView(source_view(ctx)), destination_view(ctx))) return made(false);
    std::memcpy(ctx.source, ctx.destination, pixel_count(ctx) * 4);
    return true;
}

bool window(EffectContext& ctx, imaging::WindowStatistic kind, int32_t radius)
{
    return made(through_destination(ctx, [&](const imaging::ConstImageView& s, const imaging::ImageView& d) {
        return imaging::window_statistic(s, d, radius, 3, kind);
    }));
}

bool mean(EffectContext& ctx, imaging::WindowMean kind)
{
    return made(through_destination(ctx, [&](const imaging::ConstImageView& s, const imaging::ImageView& d) {
        return imaging::window_mean(s, d, slider_int(ctx, 1, 0.01), 3, kind);
    }));
}

// A level 0..255 from a slider 0..1000.
int32_t level(const EffectContext& ctx, int i) noexcept { return slider_int(ctx, i, 0.255); }

}  // namespace

bool brightness_and_contrast(EffectContext& ctx)
{
    return made(imaging::brightness_contrast(source_view(ctx), slider(ctx, 1) * 0.002 - 1, slider(ctx, 2) * 0.002 - 1));
}

bool levels(EffectContext& ctx)
{
    return made(imaging::levels(source_view(ctx), level(ctx, 1), level(ctx, 2), slider(ctx, 3) * 0.002, level(ctx, 4),
                           level(ctx, 5)));
}

bool gamma(EffectContext& ctx) { return made(imaging::gamma_correct(source_view(ctx), slider(ctx, 1) * 0.002)); }

bool histogram_equalize(EffectContext& ctx) { return made(imaging::histogram_equalize(source_view(ctx), false)); }
// The stretches leave S1 x 0.00005 of the values beyond each end.
bool histogram_stretch(EffectContext& ctx)
{
    return made(imaging::histogram_stretch(source_view(ctx), false, slider(ctx, 1) * 0.00005));
}
bool histogram_equalize_per_channel(EffectContext& ctx) { return made(imaging::histogram_equalize(source_view(ctx), true)); }
bool histogram_stretch_per_channel(EffectContext& ctx)
{
    return made(imaging::histogram_stretch(source_view(ctx), true, slider(ctx, 1) * 0.00005));
}
bool brightness_histogram_stretch_hsl(EffectContext& ctx)
{
    return made(imaging::lightness_stretch(source_view(ctx), slider(ctx, 1) * 0.00005));
}

// Sliders 1..3 shift red, green and blue by (S - 500) x 0.2 levels in the
// mid-tones.
bool adjust_color_balance(EffectContext& ctx)
{
    return made(imaging::colour_balance(source_view(ctx), (slider(ctx, 1) - 500.0) * 0.2, (slider(ctx, 2) - 500.0) * 0.2,
                                   (slider(ctx, 3) - 500.0) * 0.2));
}

bool adjust_hsl(EffectContext& ctx)
{
    ipl::hsl_adjust(ctx.source, ctx.width, ctx.height, static_cast<int32_t>((slider(ctx, 1) - 500.0) * 0.36),
                    static_cast<int32_t>((slider(ctx, 2) - 500.0) * 0.2), static_cast<int32_t>((slider(ctx, 3) - 500.0) * 0.2));
    return true;
}

bool adjust_hsv(EffectContext& ctx)
{
    ipl::hsv_adjust(ctx.source, ctx.width, ctx.height, static_cast<int32_t>((slider(ctx, 1) - 500.0) * 0.36),
                    static_cast<int32_t>((slider(ctx, 2) - 500.0) * 0.2), static_cast<int32_t>((slider(ctx, 3) - 500.0) * 0.2));
    return true;
}

bool duotone(EffectContext& ctx)
{
    return made(imaging::duotone(source_view(ctx), ctx.args->red, ctx.args->green, ctx.args->blue));
}

// With A = slider 1 x 0.1: (A - 50) x 0.02 x 9 + 1 above 50, else
// A x 0.02 x 11 - 10 (-10..10, 1 at A = 50).
bool hyper_saturation(EffectContext& ctx)
{
    const double a = ctx.sliderReal[0];
    return made(imaging::saturate(source_view(ctx), a > 50 ? (a - 50) * 0.02 * 9 + 1 : a * 0.02 * 11 - 10));
}

// Every channel, alpha included: 255 inside low..high, else 0.
bool threshold(EffectContext& ctx)
{
    const int32_t low = level(ctx, 1), high = level(ctx, 2);
    uint8_t* p = ctx.source;
    for (std::size_t i = 0, n = pixel_count(ctx) * 4; i < n; ++i) p[i] = (p[i] >= low && p[i] <= high) ? 255 : 0;
    return true;
}

// Hue angle trunc(S1 x 0.036 - 180); strength slider 2.
bool tint(EffectContext& ctx)
{
    return made(imaging::tint(source_view(ctx), static_cast<int32_t>(slider(ctx, 1) * 0.036 - 180), slider(ctx, 2) * 0.001));
}

bool geometric_mean(EffectContext& ctx) { return made(mean(ctx, imaging::WindowMean::Geometric)); }
bool harmonic_mean(EffectContext& ctx) { return made(mean(ctx, imaging::WindowMean::Harmonic)); }
bool maximum2(EffectContext& ctx) { return made(window(ctx, imaging::WindowStatistic::Maximum, slider_int(ctx, 1, 0.01))); }
bool minimum2(EffectContext& ctx) { return made(window(ctx, imaging::WindowStatistic::Minimum, slider_int(ctx, 1, 0.01))); }
bool median(EffectContext& ctx) { return made(window(ctx, imaging::WindowStatistic::Median, slider_int(ctx, 1, 0.01))); }
bool despeckle(EffectContext& ctx) { return made(window(ctx, imaging::WindowStatistic::Median, 1)); }

// Style 2 = 1 keeps the odd rows, else the even ones.
bool deinterlace(EffectContext& ctx)
{
    return made(through_destination(ctx, [&](const imaging::ConstImageView& s, const imaging::ImageView& d) {
        return imaging::deinterlace(s, d, ctx.args->style2 == 1);
    }));
}

bool horizontal_flip(EffectContext& ctx)
{
    uint32_t* pixels = reinterpret_cast<uint32_t*>(ctx.source);
    for (int32_t y = 0; y < ctx.height; ++y) {
        uint32_t* row = pixels + static_cast<std::size_t>(y) * ctx.width;
        std::reverse(row, row + ctx.width);
    }
    return true;
}

bool vertical_flip(EffectContext& ctx)
{
    const std::size_t stride = static_cast<std::size_t>(ctx.width) * 4;
    for (int32_t top = 0, bottom = ctx.height - 1; top < bottom; ++top, --bottom)
        std::swap_ranges(ctx.source + top * stride, ctx.source + (top + 1) * stride, ctx.source + bottom * stride);
    return true;
}

// (S1, S2, S3) x 0.2559 rounds to 256 at 1000: such a channel is 255.
void glow_colour(const EffectContext& ctx, uint8_t (&colour)[3]) noexcept
{
    for (int i = 0; i < 3; ++i)
        colour[i] = static_cast<uint8_t>(std::clamp(std::lround(slider(ctx, i + 1) * 0.2559), 0L, 255L));
}

// Colour sliders 1..3, size trunc(S4 x 0.1), strength S5 x 0.001.
bool glow_inner(EffectContext& ctx)
{
    uint8_t colour[3];
    glow_colour(ctx, colour);
    return made(through_destination(ctx, [&](const imaging::ConstImageView& s, const imaging::ImageView& d) {
        return imaging::inner_glow(s, d, colour, slider_int(ctx, 4, 0.1), slider(ctx, 5) * 0.001);
    }));
}

bool glow_outer(EffectContext& ctx)
{
    uint8_t colour[3];
    glow_colour(ctx, colour);
    return made(through_destination(ctx, [&](const imaging::ConstImageView& s, const imaging::ImageView& d) {
        return imaging::outer_glow(s, d, colour, slider_int(ctx, 4, 0.1), slider(ctx, 5) * 0.001);
    }));
}

// Local contrast over a blur of S1 x 0.0001 of the page's larger side,
// amount S2 x 0.002, saturation 1 + S3 x 0.0005.
bool hdri(EffectContext& ctx)
{
    return made(imaging::local_contrast(source_view(ctx), std::max(ctx.width, ctx.height) * (slider(ctx, 1) * 0.0001),
                                   slider(ctx, 2) * 0.002, 1 + slider(ctx, 3) * 0.0005));
}

// trunc(S1 x 0.256) colours, at least 2.
bool reduce(EffectContext& ctx) { return made(imaging::reduce_colours(source_view(ctx), slider_int(ctx, 1, 0.256))); }

// Each pixel from a random place within trunc(S1 x 0.01) pixels.
bool frosted_glass(EffectContext& ctx)
{
    return made(through_destination(ctx, [&](const imaging::ConstImageView& s, const imaging::ImageView& d) {
        return imaging::spread(s, d, std::max(1, slider_int(ctx, 1, 0.01)), seed(ctx));
    }));
}

}  // namespace mur::effects
