// Script-file families and results merged into the layer: a texture
// script's tile laid over the page (as it is, embossed, or shaded as a
// height map), the displacement bump by a script's tile, added noise of four
// distributions, a drop shadow and rays from the highlights.
#include "effects/effect_handlers.h"
#include "effects/effect_views.h"

#include "engine/state.h"
#include "imaging/added_noise.h"
#include "imaging/drop_shadow.h"
#include "imaging/effect_support.h"
#include "imaging/picture.h"
#include "imaging/texture_script.h"
#include "imaging/texture_tiles.h"
#include "imaging/window_filters.h"
#include "ipl/filter_framing.h"
#include "ipl/ipl.h"
#include "ipl/ipl_buffers.h"

#include <algorithm>
#include <cstring>

namespace mur::effects {
namespace {

constexpr int32_t kMinTileSide = 4;

bool has_path(const EffectContext& ctx) noexcept
{
    const char* path = ctx.args->resourcePath;
    return path && *path;
}

// The script's tile resized by slider 1 (500 keeps its size) and laid over
// the destination: from the page's corner, or with flag 2 from an offset
// within one tile drawn from the variant. False, the layer then left as it
// is, when the path holds no texture script or the script fails.
bool lay_script_tile(EffectContext& ctx)
{
    if (!has_path(ctx)) return false;
    imaging::Rgba32Picture tile;
    if (!imaging::render_texture_script(ctx.args->resourcePath, tile)) return false;
    struct Release {
        imaging::Rgba32Picture& picture;
        ~Release() { imaging::release_picture(picture); }
    } release{tile};
    const double scale = slider(ctx, 1) * 0.002;
    imaging::TilePlacement at;
    at.width = imaging::scaled_tile_side(tile.width, scale, kMinTileSide);
    at.height = imaging::scaled_tile_side(tile.height, scale, kMinTileSide);
    if (flag(ctx, 2)) {
        at.offsetX = static_cast<int32_t>(imaging::fx::hash(1, 0, seed(ctx), 7) % uint32_t(at.width));
        at.offsetY = static_cast<int32_t>(imaging::fx::hash(0, 1, seed(ctx), 7) % uint32_t(at.height));
    }
    const imaging::ConstImageView view(tile.pixels, tile.width, tile.height, std::ptrdiff_t{tile.width} * 4, 4);
    made(imaging::lay_tile(view, destination_view(ctx), at));
    // Flag 1: the merge keeps every alpha of the layer.
    ctx.lockAlpha = flag(ctx, 1);
    return true;
}

bool added_noise(EffectContext& ctx, imaging::NoiseShape shape)
{
    const int32_t amount = std::max(0, slider_int(ctx, 1, 20));
    ctx.mergeOpacity = slider_int(ctx, 2, 0.2559);
    // Nothing to merge: the merge's rounding would still touch translucent
    // pixels.
    if (ctx.mergeOpacity <= 0) return false;
    return made(imaging::add_shaped_noise(source_view(ctx), destination_view(ctx), shape, amount * 0.002, seed(ctx)));
}

}  // namespace

bool backgrounds(EffectContext& ctx) { return lay_script_tile(ctx); }

bool texturize_emboss(EffectContext& ctx)
{
    return lay_script_tile(ctx) && made(imaging::emboss_relief(destination_view(ctx), slider(ctx, 2) * 0.003));
}

bool texturize_bump(EffectContext& ctx)
{
    return lay_script_tile(ctx) && made(imaging::shade_height_map(destination_view(ctx), slider(ctx, 2) * 0.02));
}

bool displacement_bump(EffectContext& ctx)
{
    if (!has_path(ctx)) return false;
    ipl::fill_rgba32_from_current_layer(engine.ipl.src32);
    ipl::premultiply_rgba32(ctx.source, ctx.width, ctx.height);
    ipl::displacement_bump_script(ctx.args->resourcePath, ctx.sliderReal[0], flag(ctx, 1) ? 1 : 0,
                                  ctx.packedColour, seed(ctx));
    return true;
}

bool add_gaussian_noise(EffectContext& ctx) { return added_noise(ctx, imaging::NoiseShape::Gaussian); }
bool add_negative_exponential_noise(EffectContext& ctx)
{
    return added_noise(ctx, imaging::NoiseShape::NegativeExponential);
}
bool add_rayleigh_noise(EffectContext& ctx) { return added_noise(ctx, imaging::NoiseShape::Rayleigh); }
bool add_uniform_noise(EffectContext& ctx) { return added_noise(ctx, imaging::NoiseShape::Uniform); }

bool drop_shadow(EffectContext& ctx)
{
    const EffectArgs& a = *ctx.args;
    imaging::ShadowLook look;
    look.blur = slider(ctx, 1) * 0.02;
    imaging::shadow_offset(slider(ctx, 2) * 0.02, slider(ctx, 3) * 0.36, look.offsetX, look.offsetY);
    look.opacity = slider(ctx, 4) * 0.001;
    look.colour[0] = static_cast<uint8_t>(a.red & 0xFF);
    look.colour[1] = static_cast<uint8_t>(a.green & 0xFF);
    look.colour[2] = static_cast<uint8_t>(a.blue & 0xFF);
    // The layer over its shadow replaces the layer, through mask and texture.
    ctx.mergeMode = kStoreResult;
    return made(imaging::drop_shadow(source_view(ctx), destination_view(ctx), look));
}

bool radiant_2(EffectContext& ctx)
{
    ctx.mergeOpacity = slider_int(ctx, 2, 0.2559);
    if (ctx.mergeOpacity <= 0) return false;  // nothing to merge
    // The highlights above slider 3's level (a soft ramp up to white) of the
    // premultiplied source, streaked away from the centre at sliders 4 and 5
    // (per mille of the page) by slider 1, brightened by slider 6, merged at
    // slider 2's opacity.
    const mem::Owned<uint8_t> bright = imaging::fx::temporary<uint8_t>(pixel_count(ctx) * 4);
    made(bool(bright));
    const double level = std::clamp(slider(ctx, 3) * 0.255, 0.0, 254.0);
    const uint8_t* s = ctx.source;
    uint8_t* b = bright.get();
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(pixel_count(ctx));
#pragma omp parallel for schedule(static)
    for (std::ptrdiff_t i = 0; i < n; ++i) {
        const double weight = std::clamp((imaging::fx::luma(s + i * 4) - level) / (255 - level), 0.0, 1.0);
        for (int c = 0; c < 4; ++c) b[i * 4 + c] = static_cast<uint8_t>(s[i * 4 + c] * weight + 0.5);
    }
    imaging::MotionBlur rays;
    rays.kind = imaging::MotionKind::Zoom;
    rays.amount = std::clamp(slider(ctx, 1) * 0.08, 0.0, 100.0);
    rays.samples = 64;
    rays.centreX = std::clamp(slider(ctx, 4), 0, 1000) * 0.001 * (ctx.width - 1);
    rays.centreY = std::clamp(slider(ctx, 5), 0, 1000) * 0.001 * (ctx.height - 1);
    const imaging::ConstImageView view(bright.get(), ctx.width, ctx.height, std::ptrdiff_t{ctx.width} * 4, 4);
    made(imaging::motion_blur(view, destination_view(ctx), rays, 4));
    // A streak averages its highlight with the dark along it: slider 6 gains
    // it back (500: eleven times).
    const double gain = 1 + std::clamp(slider(ctx, 6), 0, 2000) * 0.02;
    uint8_t* d = ctx.destination;
#pragma omp parallel for schedule(static)
    for (std::ptrdiff_t i = 0; i < n * 4; ++i) d[i] = imaging::fx::clamp8(d[i] * gain);
    return true;
}

}  // namespace mur::effects
