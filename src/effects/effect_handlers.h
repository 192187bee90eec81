// The handlers of the effect table, by the route that frames them. Each
// reads its context (the dialog's values and the buffers the framing gives
// it) and writes the buffer its framing stores or merges.
#pragma once

#include "effects/effects.h"

namespace mur::effects {

// ---- Engine routines (effect_handlers.cpp) ----------------------------------
// A native filter (the record's native name) on the IPL buffers, the source
// copied into the destination first.
bool run_native(EffectContext& ctx);
// A mask maker built on a native filter: the mask cleared to editable, then
// the native filter writes it; the layer stays.
bool run_native_mask(EffectContext& ctx);
bool run_lua(EffectContext& ctx);
bool mask_generate_hsl(EffectContext& ctx);
bool distort_by_scratch_layer(EffectContext& ctx);
bool photo_pop(EffectContext& ctx);

// ---- Route 1: premultiplied source into destination (blur_handlers.cpp) ------
// The Gaussian's radius (its standard deviation in pixels) the dialog asks for.
double gaussian_blur_radius(const EffectContext& ctx) noexcept;
bool blur(EffectContext& ctx);
bool blur_more(EffectContext& ctx);
bool gaussian_blur(EffectContext& ctx);
bool motion_blur(EffectContext& ctx);
bool motion_blur_2(EffectContext& ctx);
bool radial_blur(EffectContext& ctx);
bool radial_blur_2(EffectContext& ctx);
bool zoom_blur(EffectContext& ctx);
bool zoom_blur_2(EffectContext& ctx);
bool mosaic(EffectContext& ctx);
bool arithmetic_mean(EffectContext& ctx);
bool midpoint(EffectContext& ctx);
bool adaptive_unsharp_mask(EffectContext& ctx);
bool radiant(EffectContext& ctx);  // merged in style 1's mode

// ---- Route 2: in place on the source (adjust_handlers.cpp) -------------------
bool brightness_and_contrast(EffectContext& ctx);
bool levels(EffectContext& ctx);
bool gamma(EffectContext& ctx);
bool histogram_equalize(EffectContext& ctx);
bool histogram_stretch(EffectContext& ctx);
bool histogram_equalize_per_channel(EffectContext& ctx);
bool histogram_stretch_per_channel(EffectContext& ctx);
bool brightness_histogram_stretch_hsl(EffectContext& ctx);
bool adjust_color_balance(EffectContext& ctx);
bool adjust_hsl(EffectContext& ctx);
bool adjust_hsv(EffectContext& ctx);
bool duotone(EffectContext& ctx);
bool hyper_saturation(EffectContext& ctx);
bool threshold(EffectContext& ctx);
bool tint(EffectContext& ctx);
bool geometric_mean(EffectContext& ctx);
bool harmonic_mean(EffectContext& ctx);
bool maximum2(EffectContext& ctx);
bool minimum2(EffectContext& ctx);
bool median(EffectContext& ctx);
bool deinterlace(EffectContext& ctx);
bool despeckle(EffectContext& ctx);
bool horizontal_flip(EffectContext& ctx);
bool vertical_flip(EffectContext& ctx);
bool glow_inner(EffectContext& ctx);
bool glow_outer(EffectContext& ctx);
bool hdri(EffectContext& ctx);
bool reduce(EffectContext& ctx);
bool frosted_glass(EffectContext& ctx);
// The glow colour of sliders 1..3: (S1, S2, S3) x 0.2559 rounded, at most 255.
void glow_colour(const EffectContext& ctx, uint8_t (&colour)[3]) noexcept;

// ---- Route 3: RGB24 source into RGB24 destination (surface_handlers.cpp) -----
bool oil_paint(EffectContext& ctx);
bool stipple(EffectContext& ctx);
bool noise_reduction_2(EffectContext& ctx);  // also "Surface Blur"
bool grayscale24(EffectContext& ctx);
bool negative(EffectContext& ctx);
bool posterize(EffectContext& ctx);
bool solarize(EffectContext& ctx);
bool watercolor_tint(EffectContext& ctx);
bool dust_and_scratches(EffectContext& ctx);
bool halftone(EffectContext& ctx);
bool color_noise(EffectContext& ctx);
bool hugo_noise(EffectContext& ctx);
bool perlin_noise(EffectContext& ctx);
bool sharpen(EffectContext& ctx);
bool sharpen_more(EffectContext& ctx);
bool unsharp_mask(EffectContext& ctx);
bool bevel(EffectContext& ctx);
bool crackle(EffectContext& ctx);
bool emboss(EffectContext& ctx);
bool fingerprint(EffectContext& ctx);
bool gausy(EffectContext& ctx);
bool scribble(EffectContext& ctx);
bool edge2(EffectContext& ctx);
bool feather(EffectContext& ctx);

// ---- Route 4: the transform pipeline ----------------------------------------
// From the premultiplied source into the destination (transform_handlers.cpp).
bool elliptical(EffectContext& ctx);
bool lens(EffectContext& ctx);
bool marble_old(EffectContext& ctx);
bool marble(EffectContext& ctx);
bool offset(EffectContext& ctx);
bool pinch(EffectContext& ctx);
bool ripple(EffectContext& ctx);
bool spin(EffectContext& ctx);
bool spin_wave(EffectContext& ctx);
bool wave(EffectContext& ctx);
bool wow(EffectContext& ctx);
bool zig_zag(EffectContext& ctx);

// ---- Route 5: polygon warps --------------------------------------------------
// The premultiplied source's data extents warped into the cleared
// destination (warp_handlers.cpp).
bool perspective(EffectContext& ctx);
bool warp_corners(EffectContext& ctx);  // "Warp"
bool warp_edge(EffectContext& ctx);
bool warp_3_point(EffectContext& ctx);
bool stretch(EffectContext& ctx);
bool stretch_edge(EffectContext& ctx);
bool vertical_pivot(EffectContext& ctx);
bool horizontal_pivot(EffectContext& ctx);
bool skew(EffectContext& ctx);

// ---- Route 6: scripted effects -----------------------------------------------
// The record's scripted effect (ctx.script) on the source turned to BGRA,
// into the destination, turned back (script_handlers.cpp).
bool run_script(EffectContext& ctx);

// ---- Routes 7 and 8: script-file families, merged results ---------------------
// (merge_handlers.cpp). Each family's five names share one handler; the
// tile comes from the texture script at the resource path.
bool backgrounds(EffectContext& ctx);       // also "Pattern Explorer"
bool texturize_emboss(EffectContext& ctx);
bool texturize_bump(EffectContext& ctx);
bool displacement_bump(EffectContext& ctx);  // reads and stores by itself
bool add_gaussian_noise(EffectContext& ctx);
bool add_negative_exponential_noise(EffectContext& ctx);
bool add_rayleigh_noise(EffectContext& ctx);
bool add_uniform_noise(EffectContext& ctx);
bool drop_shadow(EffectContext& ctx);       // stores the layer over its shadow
bool radiant_2(EffectContext& ctx);

// ---- Route 8: the clipboard picture ------------------------------------------
// The clipboard picture resized over the page (clip_fill.cpp); false, the
// layer left alone, when the clipboard holds no picture.
bool clip_fill(EffectContext& ctx);

// ---- Route 12: plug-ins --------------------------------------------------------
// The plug-in host run on the current layer (plugin_handlers.cpp).
bool adobe_compatible_plugins(EffectContext& ctx);

// ---- Route 10: chains (chain_handlers.cpp) ----------------------------------
// First steps (their destination is stored) and second steps (merged).
bool grey_step(EffectContext& ctx);
bool charcoal_strokes(EffectContext& ctx);
bool pencil_strokes(EffectContext& ctx);
bool half_grey_step(EffectContext& ctx);
bool crayon_step(EffectContext& ctx);
bool saturate_step(EffectContext& ctx);
bool pointillism_step(EffectContext& ctx);
bool watercolour_step(EffectContext& ctx);
bool ink_lines(EffectContext& ctx);
bool sharpen_step(EffectContext& ctx);
bool detail_step(EffectContext& ctx);
bool contrast_mask(EffectContext& ctx);
bool color_contrast(EffectContext& ctx);
bool glow(EffectContext& ctx);
bool edge3(EffectContext& ctx);
bool high_pass(EffectContext& ctx);
bool emboss3(EffectContext& ctx);
bool outliner_1(EffectContext& ctx);
bool outliner_2(EffectContext& ctx);

}  // namespace mur::effects
