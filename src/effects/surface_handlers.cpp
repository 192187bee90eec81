// Route 3: 24-bit filters from the RGB24 source into the RGB24 destination;
// the driver stores the colour and never touches alpha.
#include "effects/effect_handlers.h"
#include "effects/effect_views.h"
#include "imaging/effect_support.h"
#include "imaging/surface_filters.h"
#include "imaging/texture_effects.h"
#include "imaging/tone_filters.h"
#include "imaging/window_filters.h"

#include <algorithm>
#include <cstring>

namespace mur::effects {
namespace {

imaging::ConstImageView in(const EffectContext& ctx) { return source24_view(ctx); }
imaging::ImageView out(const EffectContext& ctx) { return destination24_view(ctx); }

// A tone filter on a copy of the source in the destination.
template <class F>
bool on_copy(EffectContext& ctx, F&& filter)
{
    std::memcpy(ctx.destination24, ctx.source24, pixel_count(ctx) * 3);
    return filter(out(ctx));
}

}  // namespace

// Radius trunc(S1 x 0.01 + 2), levels trunc(S2 x 0.255); option bit 0
// (style 2 = 1) bins by the brightest channel, bit 1 (flag 1) halves the
// radius for finer strokes.
bool oil_paint(EffectContext& ctx)
{
    const int32_t options = (ctx.args->style2 == 1 ? 1 : 0) | (flag(ctx, 1) ? 2 : 0);
    const int32_t radius = static_cast<int32_t>(slider(ctx, 1) * 0.01 + 2);
    return made(imaging::oil_paint(in(ctx), out(ctx), options & 2 ? std::max(1, radius / 2) : radius,
                              slider_int(ctx, 2, 0.255), options & 1));
}

bool stipple(EffectContext& ctx) { return made(imaging::stipple(in(ctx), out(ctx), slider(ctx, 1) * 0.002, seed(ctx))); }

// Radius max(1, trunc(S1 x 0.1 x 0.2)), spread max(0.1, S2 x 0.1 x 0.25):
// colour differences of four spreads weigh e^-1/2.
bool noise_reduction_2(EffectContext& ctx)
{
    const int32_t radius = std::max(1, static_cast<int32_t>(ctx.sliderReal[0] * 0.2));
    const double spread = std::max(0.1, ctx.sliderReal[1] * 0.25);
    return made(imaging::bilateral_filter(in(ctx), out(ctx), radius, spread * 4, 3));
}

// Rec. 601 luma, rounded, into all three channels.
bool grayscale24(EffectContext& ctx)
{
    const uint8_t* s = ctx.source24;
    uint8_t* d = ctx.destination24;
    for (std::size_t i = 0, n = pixel_count(ctx); i < n; ++i, s += 3, d += 3)
        d[0] = d[1] = d[2] = static_cast<uint8_t>((s[0] * 299 + s[1] * 587 + s[2] * 114 + 500) / 1000);
    return true;
}

bool negative(EffectContext& ctx)
{
    for (std::size_t i = 0, n = pixel_count(ctx) * 3; i < n; ++i) ctx.destination24[i] = 255 - ctx.source24[i];
    return true;
}

// trunc(S1 x 0.032) levels a channel, at least 2.
bool posterize(EffectContext& ctx)
{
    return made(on_copy(ctx, [&](const imaging::ImageView& v) { return imaging::posterize(v, slider_int(ctx, 1, 0.032)); }));
}

bool solarize(EffectContext& ctx)
{
    return made(on_copy(ctx, [&](const imaging::ImageView& v) { return imaging::solarize(v, slider_int(ctx, 1, 0.255)); }));
}

// Washes of colour: the median of radius trunc(S1 x 0.005) + 1, colour
// lifted by 1 + S2 x 0.0006, the darkest tones lifted towards the paper.
bool watercolor_tint(EffectContext& ctx)
{
    return made(imaging::window_statistic(in(ctx), out(ctx), slider_int(ctx, 1, 0.005) + 1, 3,
                                     imaging::WindowStatistic::Median) &&
           imaging::saturate(out(ctx), 1 + slider(ctx, 2) * 0.0006) && imaging::levels(out(ctx), 0, 255, 1.1, 40, 255));
}

// Radius trunc(S1 x 0.1), threshold trunc(255 - S2 x 0.2559), amount S3 x 0.001.
bool dust_and_scratches(EffectContext& ctx)
{
    return made(imaging::dust_and_scratches(in(ctx), out(ctx), slider_int(ctx, 1, 0.1),
                                       static_cast<int32_t>(255 - slider(ctx, 2) * 0.2559), slider(ctx, 3) * 0.001));
}

bool halftone(EffectContext& ctx) { return made(imaging::halftone(in(ctx), out(ctx), slider_int(ctx, 1, 0.05))); }

// Up to S1 x 0.1 levels of noise.
bool color_noise(EffectContext& ctx)
{
    return made(imaging::add_noise(in(ctx), out(ctx), ctx.sliderReal[0], 1, false, seed(ctx)));
}

// Grey film grain of trunc(S2 x 0.01) pixels.
bool hugo_noise(EffectContext& ctx)
{
    return made(imaging::add_noise(in(ctx), out(ctx), ctx.sliderReal[0], std::max(1, slider_int(ctx, 2, 0.01)), true,
                              seed(ctx)));
}

// Features of S2 x 0.1 pixels.
bool perlin_noise(EffectContext& ctx)
{
    return made(imaging::perlin_noise(in(ctx), out(ctx), ctx.sliderReal[1], ctx.sliderReal[0], seed(ctx)));
}

bool sharpen(EffectContext& ctx) { return made(imaging::sharpen(in(ctx), out(ctx), slider(ctx, 1) * 0.002, 1)); }

// Passes trunc(S1 x 0.01), amount S2 x 0.001.
bool sharpen_more(EffectContext& ctx)
{
    return made(imaging::sharpen(in(ctx), out(ctx), slider(ctx, 2) * 0.001, slider_int(ctx, 1, 0.01)));
}

// Threshold trunc(S1 x 0.2559), amount S2 x 0.001, radius S3 x 0.004 + 0.2.
bool unsharp_mask(EffectContext& ctx)
{
    return made(imaging::unsharp_mask(in(ctx), out(ctx), slider(ctx, 3) * 0.004 + 0.2, slider(ctx, 2) * 0.001,
                                 slider_int(ctx, 1, 0.2559), 3));
}

// Width trunc(S1 x 0.05) + 1, strength S2 x 0.001.
bool bevel(EffectContext& ctx)
{
    return made(imaging::bevel(in(ctx), out(ctx), slider_int(ctx, 1, 0.05) + 1, slider(ctx, 2) * 0.001));
}

// Cells of trunc(S1 x 0.1) pixels, crack depth S2 x 0.001.
bool crackle(EffectContext& ctx)
{
    return made(imaging::crackle(in(ctx), out(ctx), slider_int(ctx, 1, 0.1), slider(ctx, 2) * 0.001, seed(ctx)));
}

// Azimuth S1 x 0.001 x 6.28 radians, elevation S2 x 0.001 x 3.14 radians,
// depth trunc(S3 x 0.05); the relief is grey.
bool emboss(EffectContext& ctx)
{
    return made(imaging::emboss(in(ctx), out(ctx), slider(ctx, 1) * 0.001 * 6.28, slider(ctx, 2) * 0.001 * 3.14,
                           slider_int(ctx, 3, 0.05)));
}

// Ridges S1 x 0.02 pixels apart.
bool fingerprint(EffectContext& ctx)
{
    return made(imaging::fingerprint(in(ctx), out(ctx), slider(ctx, 1) * 0.02, seed(ctx)));
}

// Soft focus: a Gaussian of S1 x 0.01 screened over the picture at S2 x 0.001.
bool gausy(EffectContext& ctx)
{
    const mem::Owned<uint8_t> blurred = imaging::blurred_copy(in(ctx), slider(ctx, 1) * 0.01);
    if (!blurred) return made(false);
    const double k = std::clamp(slider(ctx, 2) * 0.001, 0.0, 1.0);
    for (std::size_t i = 0, n = pixel_count(ctx); i < n; ++i)
        for (int c = 0; c < 3; ++c) {
            const int s = ctx.source24[i * 3 + c], b = blurred.get()[i * 4 + c];
            const int screen = 255 - (255 - s) * (255 - b) / 255;
            ctx.destination24[i * 3 + c] = imaging::fx::clamp8(s + (screen - s) * k);
        }
    return true;
}

// Strokes trunc(S1 x 0.01) pixels apart.
bool scribble(EffectContext& ctx) { return made(imaging::scribble(in(ctx), out(ctx), slider_int(ctx, 1, 0.01), seed(ctx))); }

// Edge strength x S1 x 0.004.
bool edge2(EffectContext& ctx) { return made(imaging::edges(in(ctx), out(ctx), slider(ctx, 1) * 0.004)); }

// A fade to white over trunc(S1 x 0.05) pixels from the page's edges.
bool feather(EffectContext& ctx) { return made(imaging::feather(in(ctx), out(ctx), slider_int(ctx, 1, 0.05))); }

}  // namespace mur::effects
