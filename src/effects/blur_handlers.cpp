// Route 1: filters from the premultiplied source into the destination; the
// driver un-premultiplies and stores (or, for "Radiant", merges) it.
#include "effects/effect_handlers.h"
#include "effects/effect_views.h"
#include "imaging/gaussian_blur.h"
#include "imaging/surface_filters.h"
#include "imaging/window_filters.h"

#include <algorithm>

namespace mur::effects {
namespace {

constexpr int32_t kAllChannels = 4;  // premultiplied: alpha is filtered with the colour

bool run_motion(EffectContext& ctx, const imaging::MotionBlur& blur)
{
    return made(imaging::motion_blur(source_view(ctx), destination_view(ctx), blur, kAllChannels));
}

// Angle slider 1 x 0.1 x 0.01 x 360 - 180 degrees, amount slider 2 x 0.1 x
// 0.2 pixels each side, quality (samples) trunc(slider 3 x 0.1).
imaging::MotionBlur linear_blur(const EffectContext& ctx)
{
    imaging::MotionBlur blur;
    blur.kind = imaging::MotionKind::Linear;
    blur.angleDegrees = ctx.sliderReal[0] * 0.01 * 360 - 180;
    blur.amount = ctx.sliderReal[1] * 0.2;
    blur.samples = static_cast<int32_t>(ctx.sliderReal[2]);
    return blur;
}

// Amount slider 1 x 0.1 x 0.2 (degrees of turn, or percent of zoom),
// quality trunc(slider 2 x 0.1), about the page's centre.
imaging::MotionBlur centred_blur(const EffectContext& ctx, imaging::MotionKind kind)
{
    imaging::MotionBlur blur;
    blur.kind = kind;
    blur.amount = ctx.sliderReal[0] * 0.2;
    blur.samples = static_cast<int32_t>(ctx.sliderReal[1]);
    blur.centreX = (ctx.width - 1) / 2.0;
    blur.centreY = (ctx.height - 1) / 2.0;
    return blur;
}

// The " 2" forms take the centre from sliders 3 and 4 (per mille of the page).
imaging::MotionBlur placed_blur(const EffectContext& ctx, imaging::MotionKind kind)
{
    imaging::MotionBlur blur = centred_blur(ctx, kind);
    blur.centreX = slider(ctx, 3) * 0.001 * (ctx.width - 1);
    blur.centreY = slider(ctx, 4) * 0.001 * (ctx.height - 1);
    return blur;
}

}  // namespace

double gaussian_blur_radius(const EffectContext& ctx) noexcept
{
    if ((ctx.args->style2 & 0xFF) == 0) return ctx.sliderReal[0] * 0.4 + 0.6;
    return ctx.sliderReal[0] * 0.01 * (0.05 * std::max(ctx.width, ctx.height));
}

// A box of radius trunc(slider 1 x 0.1).
bool blur(EffectContext& ctx)
{
    return made(imaging::window_mean(source_view(ctx), destination_view(ctx), static_cast<int32_t>(ctx.sliderReal[0]),
                                kAllChannels, imaging::WindowMean::Arithmetic));
}

// Strength slider 2 x 0.1 x 0.01 (0..1): a Gaussian of 1 + 4 x strength.
bool blur_more(EffectContext& ctx)
{
    return made(imaging::gaussian_blur(source_view(ctx), destination_view(ctx), 1 + 4 * (ctx.sliderReal[1] * 0.01)));
}

bool gaussian_blur(EffectContext& ctx)
{
    return made(imaging::gaussian_blur(source_view(ctx), destination_view(ctx), gaussian_blur_radius(ctx)));
}

bool motion_blur(EffectContext& ctx) { return made(run_motion(ctx, linear_blur(ctx))); }

// A trail behind the pixel, twice as long, instead of a smear both ways.
bool motion_blur_2(EffectContext& ctx)
{
    imaging::MotionBlur blur = linear_blur(ctx);
    blur.oneSided = true;
    blur.amount *= 2;
    return made(run_motion(ctx, blur));
}

bool radial_blur(EffectContext& ctx) { return made(run_motion(ctx, centred_blur(ctx, imaging::MotionKind::Radial))); }
bool radial_blur_2(EffectContext& ctx) { return made(run_motion(ctx, placed_blur(ctx, imaging::MotionKind::Radial))); }
bool zoom_blur(EffectContext& ctx) { return made(run_motion(ctx, centred_blur(ctx, imaging::MotionKind::Zoom))); }
bool zoom_blur_2(EffectContext& ctx) { return made(run_motion(ctx, placed_blur(ctx, imaging::MotionKind::Zoom))); }

// Cells of trunc(slider 1 x 0.05) pixels.
bool mosaic(EffectContext& ctx)
{
    return made(imaging::mosaic(source_view(ctx), destination_view(ctx), slider_int(ctx, 1, 0.05), kAllChannels));
}

// Windows of radius trunc(slider 1 x 0.01).
bool arithmetic_mean(EffectContext& ctx)
{
    return made(imaging::window_mean(source_view(ctx), destination_view(ctx), slider_int(ctx, 1, 0.01), kAllChannels,
                                imaging::WindowMean::Arithmetic));
}

bool midpoint(EffectContext& ctx)
{
    return made(imaging::window_statistic(source_view(ctx), destination_view(ctx), slider_int(ctx, 1, 0.01), kAllChannels,
                                     imaging::WindowStatistic::Midpoint));
}

// Radius slider 1 x 0.004 + 0.2, amount slider 2 x 0.004.
bool adaptive_unsharp_mask(EffectContext& ctx)
{
    return made(imaging::adaptive_unsharp_mask(source_view(ctx), destination_view(ctx), slider(ctx, 1) * 0.004 + 0.2,
                                          slider(ctx, 2) * 0.004, kAllChannels));
}

// Light streaming out of the picture's centre: a zoom blur of slider 1 x
// 0.05 percent with 48 samples, merged in style 1's mode at opacity
// trunc(slider 2 x 0.2559).
bool radiant(EffectContext& ctx)
{
    imaging::MotionBlur blur = centred_blur(ctx, imaging::MotionKind::Zoom);
    blur.amount = slider(ctx, 1) * 0.05;
    blur.samples = 48;
    ctx.mergeOpacity = slider_int(ctx, 2, 0.2559);
    return made(run_motion(ctx, blur));
}

}  // namespace mur::effects
