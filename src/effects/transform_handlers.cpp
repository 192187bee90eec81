// Route 4: one distortion of the transform pipeline from the premultiplied
// source into the destination; the driver un-premultiplies and stores it.
// Pixels that come from outside the page take the effect colour, opaque.
// Lengths scale with the page's larger side, so a setting looks alike on
// every page size.
#include "effects/effect_handlers.h"
#include "effects/effect_views.h"
#include "imaging/distortion_maps.h"
#include "imaging/transform_pipeline.h"

#include <algorithm>

namespace mur::effects {
namespace {

using imaging::Circle;
using imaging::EdgeMode;
using imaging::TransformPipeline;

// Slider i clamped to 0..1000, as 0..1.
double unit(const EffectContext& ctx, int i) noexcept { return std::clamp(slider(ctx, i), 0, 1000) * 0.001; }
// Slider i clamped to 0..1000, as -1..1 (500 is 0).
double centred(const EffectContext& ctx, int i) noexcept { return unit(ctx, i) * 2.0 - 1.0; }

double larger_side(const EffectContext& ctx) noexcept { return std::max(ctx.width, ctx.height); }

// trunc(side x (slider i x 0.002 - 1)): -side..side, 0 at 500.
int32_t shift(const EffectContext& ctx, int i, int32_t side) noexcept
{
    return static_cast<int32_t>(std::clamp(side * (slider(ctx, i) * 0.002 - 1.0), -2e9, 2e9));
}

// The page's middle moved by the shifts of sliders i and i + 1.
Circle placed_circle(const EffectContext& ctx, int i, double radius) noexcept
{
    Circle c;
    c.x = (ctx.width - 1) * 0.5 + shift(ctx, i, ctx.width);
    c.y = (ctx.height - 1) * 0.5 + shift(ctx, i + 1, ctx.height);
    c.radius = radius;
    return c;
}

// The uncovered pixels' colour: the effect colour, opaque (premultiplied
// it is the same).
uint32_t fill_colour(const EffectContext& ctx) noexcept
{
    return static_cast<uint32_t>(ctx.packedColour) | 0xFF000000u;
}

bool process(EffectContext& ctx, const TransformPipeline& pipeline, EdgeMode edge = EdgeMode::Fill)
{
    return made(imaging::process_transforms(pipeline, source_view(ctx), destination_view(ctx), edge,
                                            fill_colour(ctx)));
}

// One map added by `add`, then the page processed; false (nothing stored)
// when the map could not be added.
template <class Add>
bool distort(EffectContext& ctx, Add add)
{
    TransformPipeline pipeline;
    imaging::clear_transforms(pipeline);
    if (!add(pipeline)) return false;
    return process(ctx, pipeline);
}

}  // namespace

// Radius trunc(S1 x 0.001 x larger side), amount trunc(S2 x 0.1) percent,
// centre offsets trunc(width x (S3 x 0.002 - 1)), trunc(height x (S4 x
// 0.002 - 1)) from the page's middle. Amount 0 or no radius moves nothing.
bool pinch(EffectContext& ctx)
{
    const int32_t radius = slider_int(ctx, 1, 0.001 * larger_side(ctx));
    const int32_t amount = slider_int(ctx, 2, 0.1);
    if (radius <= 0 || amount == 0) return false;
    return distort(ctx, [&](TransformPipeline& p) {
        return imaging::add_pinch_transform(p, placed_circle(ctx, 3, radius), amount * 0.01);
    });
}

// S1 radius (per mille of the larger side), S2 strength (500 none, above
// magnifies, below shrinks), S3 and S4 the centre as for "Pinch".
bool lens(EffectContext& ctx)
{
    return distort(ctx, [&](TransformPipeline& p) {
        return imaging::add_lens_transform(p, placed_circle(ctx, 3, unit(ctx, 1) * larger_side(ctx)),
                                           centred(ctx, 2) * 0.95);
    });
}

// S1 how far the picture is squeezed into the page's ellipse.
bool elliptical(EffectContext& ctx)
{
    return distort(ctx, [&](TransformPipeline& p) {
        return imaging::add_elliptical_transform(p, ctx.width, ctx.height, unit(ctx, 1));
    });
}

// S1 the size of the veins (up to a quarter of the larger side), S2 how far
// they push (up to a tenth); the noise is seeded by the variant.
// "Marble OLD" is the single soft layer of noise, "Marble" adds finer
// layers (S3: 1..6 of them).
bool marble_old(EffectContext& ctx)
{
    const double side = larger_side(ctx);
    return distort(ctx, [&](TransformPipeline& p) {
        return imaging::add_turbulence_transform(p, unit(ctx, 2) * 0.1 * side, std::max(2.0, unit(ctx, 1) * 0.25 * side),
                                                 1, seed(ctx));
    });
}

bool marble(EffectContext& ctx)
{
    const double side = larger_side(ctx);
    const int32_t octaves = 1 + static_cast<int32_t>(unit(ctx, 3) * 5.0);
    return distort(ctx, [&](TransformPipeline& p) {
        return imaging::add_turbulence_transform(p, unit(ctx, 2) * 0.1 * side, std::max(2.0, unit(ctx, 1) * 0.25 * side),
                                                 octaves, seed(ctx));
    });
}

// The picture moved by trunc(width x (S1 x 0.002 - 1)) and trunc(height x
// (S2 x 0.002 - 1)) pixels, wrapping round; with flag 1 the uncovered part
// takes the effect colour instead.
bool offset(EffectContext& ctx)
{
    const bool wraps = !flag(ctx, 1);
    // Wrapping round, whole turns of the page move nothing.
    const int32_t dx = wraps ? shift(ctx, 1, ctx.width) % ctx.width : shift(ctx, 1, ctx.width);
    const int32_t dy = wraps ? shift(ctx, 2, ctx.height) % ctx.height : shift(ctx, 2, ctx.height);
    if (dx == 0 && dy == 0) return false;
    TransformPipeline pipeline;
    imaging::clear_transforms(pipeline);
    imaging::add_offset_transform(pipeline, dx, dy);
    return process(ctx, pipeline, wraps ? EdgeMode::Wrap : EdgeMode::Fill);
}

// S1 amplitude (up to a twentieth of the larger side), S2 wavelength (up to
// a fifth), S3 and S4 the centre as for "Pinch".
bool ripple(EffectContext& ctx)
{
    const double side = larger_side(ctx);
    const Circle centre = placed_circle(ctx, 3, 0);
    return distort(ctx, [&](TransformPipeline& p) {
        return imaging::add_ripple_transform(p, centre.x, centre.y, unit(ctx, 1) * 0.05 * side,
                                             std::max(2.0, unit(ctx, 2) * 0.2 * side));
    });
}

// S1 radius (per mille of the larger side), S2 the turn at the centre (500
// none, 0 and 1000 two whole turns either way), S3 and S4 the centre.
bool spin(EffectContext& ctx)
{
    return distort(ctx, [&](TransformPipeline& p) {
        return imaging::add_spin_transform(p, placed_circle(ctx, 3, unit(ctx, 1) * larger_side(ctx)),
                                           centred(ctx, 2) * 720.0);
    });
}

// S1 radius, S2 the largest turn (up to 180 degrees either way), S3 the
// rings' wavelength (up to a quarter of the larger side), S4 and S5 the centre.
bool spin_wave(EffectContext& ctx)
{
    const double side = larger_side(ctx);
    return distort(ctx, [&](TransformPipeline& p) {
        return imaging::add_spin_wave_transform(p, placed_circle(ctx, 4, unit(ctx, 1) * side), centred(ctx, 2) * 180.0,
                                                std::max(2.0, unit(ctx, 3) * 0.25 * side));
    });
}

// S1 amplitude (up to a twentieth of the larger side), S2 wavelength (up to
// the larger side), S3 phase (0..360 degrees).
bool wave(EffectContext& ctx)
{
    const double side = larger_side(ctx);
    return distort(ctx, [&](TransformPipeline& p) {
        return imaging::add_wave_transform(p, unit(ctx, 1) * 0.05 * side, std::max(2.0, unit(ctx, 2) * side),
                                           unit(ctx, 3) * 360.0);
    });
}

// S1 amplitude (up to a twentieth of the larger side), S2 wavelength (up to half).
bool wow(EffectContext& ctx)
{
    const double side = larger_side(ctx);
    return distort(ctx, [&](TransformPipeline& p) {
        return imaging::add_wow_transform(p, unit(ctx, 1) * 0.05 * side, std::max(2.0, unit(ctx, 2) * 0.5 * side));
    });
}

// S1 amplitude (up to a twentieth of the larger side), S2 the teeth's
// spacing (up to half).
bool zig_zag(EffectContext& ctx)
{
    const double side = larger_side(ctx);
    return distort(ctx, [&](TransformPipeline& p) {
        return imaging::add_zig_zag_transform(p, unit(ctx, 1) * 0.05 * side, std::max(2.0, unit(ctx, 2) * 0.5 * side));
    });
}

}  // namespace mur::effects
