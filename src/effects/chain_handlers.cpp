// Route 10: chains of filters. Single steps build a destination that the
// driver merges into the layer (or stores); two-step chains store their
// first step's destination and build the merged one from that.
#include "effects/effect_handlers.h"
#include "effects/effect_views.h"
#include "imaging/effect_support.h"
#include "imaging/gaussian_blur.h"
#include "imaging/surface_filters.h"
#include "imaging/texture_effects.h"
#include "imaging/tone_filters.h"
#include "imaging/window_filters.h"
#include "ipl/ipl.h"
#include "ipl/native_filters/native_filter.h"

#include <algorithm>
#include <cstring>

namespace mur::effects {
namespace {

// The merge modes of the chains.
constexpr int32_t kMultiply = 1, kOverlay = 11, kSoftLight = 13, kDodge = 14;

imaging::ConstImageView in(const EffectContext& ctx) { return source_view(ctx); }
imaging::ImageView out(const EffectContext& ctx) { return destination_view(ctx); }

void merge_in(EffectContext& ctx, int32_t mode, int32_t opacity) noexcept
{
    ctx.mergeMode = mode;
    ctx.mergeOpacity = opacity;
}

void copy_source(const EffectContext& ctx) { std::memcpy(ctx.destination, ctx.source, pixel_count(ctx) * 4); }

// Each pixel's colour set to grey g(pixel), alpha kept.
template <class G>
void grey_from(const EffectContext& ctx, G&& g)
{
    uint8_t* d = ctx.destination;
    for (std::size_t i = 0, n = pixel_count(ctx); i < n; ++i, d += 4) d[0] = d[1] = d[2] = g(d);
}

// The destination's colour turned to the strongest channel of its edges:
// the line strength 0..255, alpha kept.
bool edge_strength(EffectContext& ctx, double gain)
{
    if (!imaging::edges(in(ctx), out(ctx), gain)) return made(false);
    grey_from(ctx, [](const uint8_t* p) { return std::max({p[0], p[1], p[2]}); });
    return true;
}

}  // namespace

// The native "Grayscale".
bool grey_step(EffectContext& ctx)
{
    return made(ipl::run_native_filter(ctx.source, ctx.destination, ctx.width, ctx.height, "Grayscale", false,
                                  native_params(ctx)));
}

// The stored grey inverted, spread by "Value Blur" (sliders 1 and 2) and
// dodged over the layer: dark strokes on white.
bool charcoal_strokes(EffectContext& ctx)
{
    if (!ipl::run_native_filter(ctx.source, ctx.destination, ctx.width, ctx.height, "Invert", false,
                                native_params(ctx)))
        return made(false);
    ipl::value_blur(ctx.destination, ctx.width, ctx.height, slider(ctx, 1), slider(ctx, 2));
    merge_in(ctx, kDodge, 255);
    return true;
}

// The layer's grey, inverted and spread as for "Charcoal", dodged over the
// layer's colours.
bool pencil_strokes(EffectContext& ctx)
{
    copy_source(ctx);
    grey_from(ctx, [](const uint8_t* p) { return static_cast<uint8_t>(255 - imaging::fx::clamp8(imaging::fx::luma(p))); });
    ipl::value_blur(ctx.destination, ctx.width, ctx.height, slider(ctx, 1), slider(ctx, 2));
    merge_in(ctx, kDodge, 255);
    return true;
}

bool half_grey_step(EffectContext& ctx)
{
    copy_source(ctx);
    return made(imaging::saturate(out(ctx), 0.4));
}

// Flattened colours (six levels over a median of radius 1) with grain.
bool crayon_step(EffectContext& ctx)
{
    const mem::Owned<uint8_t> flat = imaging::fx::temporary<uint8_t>(pixel_count(ctx) * 4);
    if (!flat) return made(false);
    const imaging::ImageView flatView = imaging::rgba32_view(flat.get(), ctx.width, ctx.height, ctx.width * 4);
    return made(imaging::window_statistic(in(ctx), flatView, 1, 3, imaging::WindowStatistic::Median) &&
           imaging::posterize(flatView, 6) && imaging::add_noise(flatView, out(ctx), 24, 2, true, seed(ctx)));
}

bool saturate_step(EffectContext& ctx)
{
    copy_source(ctx);
    return made(imaging::saturate(out(ctx), 1.4));
}

// Dots trunc(S1 x 0.02) pixels across, stored.
bool pointillism_step(EffectContext& ctx)
{
    ctx.mergeMode = kStoreResult;
    return made(imaging::pointillism(in(ctx), out(ctx), std::max(2, slider_int(ctx, 1, 0.02)), seed(ctx)));
}

bool watercolour_step(EffectContext& ctx)
{
    return made(imaging::window_statistic(in(ctx), out(ctx), 2, 3, imaging::WindowStatistic::Median) &&
           imaging::saturate(out(ctx), 1.3) && imaging::levels(out(ctx), 0, 255, 1.1, 30, 255));
}

// Dark lines where the stored washes have edges, multiplied in; their
// strength S1 x 0.004.
bool ink_lines(EffectContext& ctx)
{
    if (!edge_strength(ctx, slider(ctx, 1) * 0.004)) return made(false);
    grey_from(ctx, [](const uint8_t* p) { return static_cast<uint8_t>(255 - p[0]); });
    merge_in(ctx, kMultiply, 255);
    return true;
}

// Radius 1, amount S1 x 0.002.
bool sharpen_step(EffectContext& ctx)
{
    return made(imaging::unsharp_mask(in(ctx), out(ctx), 1.0, slider(ctx, 1) * 0.002, 0, 3));
}

// Mid-scale detail laid over in Soft Light at half strength.
bool detail_step(EffectContext& ctx)
{
    if (!imaging::high_pass(in(ctx), out(ctx), 12)) return made(false);
    merge_in(ctx, kSoftLight, 128);
    return true;
}

// The inverted grey blurred by S1 x 0.02 in Soft Light: shadows opened,
// highlights held.
bool contrast_mask(EffectContext& ctx)
{
    copy_source(ctx);
    grey_from(ctx, [](const uint8_t* p) { return static_cast<uint8_t>(255 - imaging::fx::clamp8(imaging::fx::luma(p))); });
    if (!imaging::gaussian_blur(out(ctx), out(ctx), std::max(0.5, slider(ctx, 1) * 0.02))) return made(false);
    merge_in(ctx, kSoftLight, 255);
    return true;
}

// The colour high-pass of S1 x 0.02 in Overlay.
bool color_contrast(EffectContext& ctx)
{
    if (!imaging::high_pass(in(ctx), out(ctx), std::max(0.5, slider(ctx, 1) * 0.02))) return made(false);
    merge_in(ctx, kOverlay, 255);
    return true;
}

// A Gaussian of S1 x 0.02 dodged over the picture at trunc(S2 x 0.2559).
bool glow(EffectContext& ctx)
{
    if (!imaging::gaussian_blur(in(ctx), out(ctx), std::max(0.5, slider(ctx, 1) * 0.02))) return made(false);
    merge_in(ctx, kDodge, slider_int(ctx, 2, 0.2559));
    return true;
}

// Dark grey edges (strength S1 x 0.004) on white, stored.
bool edge3(EffectContext& ctx)
{
    if (!edge_strength(ctx, slider(ctx, 1) * 0.004)) return made(false);
    grey_from(ctx, [](const uint8_t* p) { return static_cast<uint8_t>(255 - p[0]); });
    return true;
}

// The picture less a Gaussian of S1 x 0.02, about mid-grey, stored.
bool high_pass(EffectContext& ctx) { return made(imaging::high_pass(in(ctx), out(ctx), std::max(0.5, slider(ctx, 1) * 0.02))); }

// The grey relief of "Emboss" laid over the colours in Overlay.
bool emboss3(EffectContext& ctx)
{
    if (!imaging::emboss(in(ctx), out(ctx), slider(ctx, 1) * 0.001 * 6.28, slider(ctx, 2) * 0.001 * 3.14,
                         slider_int(ctx, 3, 0.05)))
        return made(false);
    merge_in(ctx, kOverlay, 255);
    return true;
}

// Black lines where the edge strength passes trunc(S1 x 0.255), multiplied in.
bool outliner_1(EffectContext& ctx)
{
    if (!edge_strength(ctx, 1)) return made(false);
    const int32_t threshold = slider_int(ctx, 1, 0.255);
    grey_from(ctx, [&](const uint8_t* p) { return static_cast<uint8_t>(p[0] > threshold ? 0 : 255); });
    merge_in(ctx, kMultiply, 255);
    return true;
}

// Lines in the effect colour where the edge strength passes trunc(S1 x
// 0.255), thickened by trunc(S2 x 0.005) pixels, laid over in Normal.
bool outliner_2(EffectContext& ctx)
{
    if (!edge_strength(ctx, 1)) return made(false);
    const int32_t threshold = slider_int(ctx, 1, 0.255);
    const mem::Owned<uint8_t> lines = imaging::fx::temporary<uint8_t>(pixel_count(ctx));
    const mem::Owned<uint8_t> thick = imaging::fx::temporary<uint8_t>(pixel_count(ctx));
    if (!lines || !thick) return made(false);
    for (std::size_t i = 0, n = pixel_count(ctx); i < n; ++i) lines.get()[i] = ctx.destination[i * 4] > threshold ? 255 : 0;
    if (!imaging::window_statistic(imaging::g8_view(lines.get(), ctx.width, ctx.height, ctx.width),
                                   imaging::g8_view(thick.get(), ctx.width, ctx.height, ctx.width),
                                   slider_int(ctx, 2, 0.005), 1, imaging::WindowStatistic::Maximum))
        return made(false);
    uint8_t* d = ctx.destination;
    for (std::size_t i = 0, n = pixel_count(ctx); i < n; ++i, d += 4) {
        d[0] = static_cast<uint8_t>(ctx.args->red), d[1] = static_cast<uint8_t>(ctx.args->green);
        d[2] = static_cast<uint8_t>(ctx.args->blue);
        d[3] = static_cast<uint8_t>(thick.get()[i] * ctx.source[i * 4 + 3] / 255);
    }
    merge_in(ctx, 0, 255);
    return true;
}

}  // namespace mur::effects
