// The effect table: every name the dispatcher knows, in dispatch order, with
// its framing, its handler, what it needs and its default dialog values.
// Further effects add their rows here.
#include "effects/effect_handlers.h"
#include "effects/effects.h"
#include "effects/script_rows.h"
#include "engine/guard.h"

#include "murcore.h"

#include <algorithm>
#include <cstring>

namespace mur::effects {
namespace {

constexpr EffectDefaults kMid{{500, 500, 500, 500, 500, 500}, 0, 0};

// Dialog values: the sliders given, the rest at 500.
constexpr EffectDefaults at(int16_t s1, int16_t s2 = 500, int16_t s3 = 500, int16_t s4 = 500, int16_t s5 = 500,
                            int8_t style1 = 0)
{
    return {{s1, s2, s3, s4, s5, 500}, style1, 0};
}

constexpr int8_t kScreen = 2;

constexpr EffectRecord row(const char* name, uint8_t route, Framing framing, EffectHandler run,
                           EffectDefaults defaults = kMid)
{
    return {name, route, framing, run, nullptr, kNeedsNothing, defaults};
}

// Route 1 in the premultiplied framing.
constexpr EffectRecord blurring(const char* name, EffectHandler run, EffectDefaults defaults = kMid)
{
    return row(name, 1, Framing::Premultiplied, run, defaults);
}
constexpr EffectRecord in_place(const char* name, EffectHandler run, EffectDefaults defaults = kMid)
{
    return row(name, 2, Framing::InPlace, run, defaults);
}
constexpr EffectRecord rgb24(const char* name, EffectHandler run, EffectDefaults defaults = kMid)
{
    return row(name, 3, Framing::Rgb24, run, defaults);
}
constexpr EffectRecord native(const char* name, const char* nativeName, Framing framing,
                              EffectDefaults defaults = kMid)
{
    return {name, 9, framing, run_native, nativeName, kNeedsNothing, defaults};
}
constexpr EffectRecord chain(const char* name, Framing framing, EffectHandler run, EffectDefaults defaults,
                             EffectHandler then = nullptr)
{
    return {name, 10, framing, run, nullptr, kNeedsNothing, defaults, then};
}

constexpr EffectDefaults kGlow = at(1000, 900, 300, 100, 800);
constexpr EffectDefaults kValueBlur = at(300, 300);
constexpr EffectDefaults kRelief = at(125, 250, 500);

constexpr EffectRecord kEffects[] = {
    // Route 1: premultiplied source into destination, stored.
    blurring("Blur", blur, at(30)),
    blurring("Blur More", blur_more),
    blurring("Gaussian Blur", gaussian_blur, at(100)),
    blurring("Motion Blur", motion_blur),
    blurring("Motion Blur 2", motion_blur_2),
    blurring("Radial Blur", radial_blur),
    blurring("Radial Blur 2", radial_blur_2, at(500, 500, 300, 300)),
    blurring("Zoom Blur", zoom_blur),
    blurring("Zoom Blur 2", zoom_blur_2, at(500, 500, 300, 300)),
    blurring("Mosaic", mosaic, at(160)),
    blurring("Arithmetic Mean", arithmetic_mean, at(300)),
    blurring("Midpoint", midpoint, at(200)),
    blurring("Adaptive Unsharp Mask", adaptive_unsharp_mask),
    row("Radiant", 1, Framing::PremultipliedMerge, radiant, at(500, 700, 500, 500, 500, kScreen)),
    // Route 2: the current layer in place.
    in_place("Brightness and Contrast", brightness_and_contrast, at(600, 600)),
    in_place("Levels", levels, at(100, 900, 500, 0, 1000)),
    in_place("Gamma", gamma, at(700)),
    in_place("Histogram Equalize", histogram_equalize),
    in_place("Histogram Stretch", histogram_stretch, at(200)),
    in_place("Histogram Equalize PHASED OUT", histogram_equalize_per_channel),
    in_place("Histogram Stretch PHASED OUT", histogram_stretch_per_channel, at(200)),
    in_place("Brightness Histogram Stretch HSL", brightness_histogram_stretch_hsl, at(200)),
    in_place("Adjust Color Balance", adjust_color_balance, at(600, 500, 400)),
    in_place("Adjust HSL", adjust_hsl, at(650, 600)),
    in_place("Adjust HSV", adjust_hsv, at(650, 600)),
    in_place("Duotone", duotone),
    in_place("Hyper Saturation", hyper_saturation, at(650)),
    in_place("Threshold", threshold, at(500, 1000)),
    in_place("Tint", tint, at(700, 600)),
    in_place("Geometric Mean", geometric_mean, at(300)),
    in_place("Harmonic Mean", harmonic_mean, at(300)),
    in_place("Maximum2", maximum2, at(200)),
    in_place("Minimum2", minimum2, at(200)),
    in_place("Median", median, at(200)),
    in_place("Deinterlace", deinterlace),
    in_place("Despeckle", despeckle),
    in_place("Horizontal Flip", horizontal_flip),
    in_place("Vertical Flip", vertical_flip),
    in_place("Glow Inner", glow_inner, kGlow),
    in_place("Glow Outer", glow_outer, kGlow),
    in_place("HDRI", hdri),
    in_place("Reduce", reduce, at(30)),
    in_place("Frosted Glass", frosted_glass, at(400)),
    // Route 3: 24-bit, alpha never written.
    rgb24("Oil Paint", oil_paint, at(300, 120)),
    rgb24("Stipple", stipple),
    rgb24("Noise Reduction 2", noise_reduction_2, at(300)),
    rgb24("Surface Blur", noise_reduction_2, at(300)),
    rgb24("Grayscale", grayscale24),
    rgb24("Negative", negative),
    rgb24("Posterize", posterize, at(150)),
    rgb24("Solarize", solarize),
    rgb24("Watercolor Tint", watercolor_tint),
    rgb24("Dust and Scratches", dust_and_scratches, at(20, 900, 1000)),
    rgb24("Halftone", halftone, at(160)),
    rgb24("Color Noise", color_noise, at(300)),
    rgb24("Hugo Noise", hugo_noise, at(300, 300)),
    rgb24("Perlin Noise", perlin_noise, at(400, 300)),
    rgb24("Sharpen", sharpen),
    rgb24("Sharpen More", sharpen_more, at(200)),
    rgb24("Unsharp Mask", unsharp_mask, at(0, 1000, 500, 0)),
    rgb24("Bevel", bevel, at(300, 600)),
    rgb24("Crackle", crackle, at(200, 700)),
    rgb24("Emboss", emboss, kRelief),
    rgb24("Fingerprint", fingerprint, at(300)),
    rgb24("Gausy", gausy, at(500, 700)),
    rgb24("Scribble", scribble),
    rgb24("Edge2", edge2),
    rgb24("Feather", feather, at(200)),

    // Route 4: the transform pipeline.
    row("Elliptical", 4, Framing::Premultiplied, elliptical, at(1000)),
    row("Lens", 4, Framing::Premultiplied, lens, at(350, 800)),
    row("Marble OLD", 4, Framing::Premultiplied, marble_old, at(200, 500)),
    row("Marble", 4, Framing::Premultiplied, marble, at(200, 500, 600)),
    row("Offset", 4, Framing::Premultiplied, offset, at(650, 650)),
    row("Pinch", 4, Framing::Premultiplied, pinch, at(300, 700)),
    row("Ripple", 4, Framing::Premultiplied, ripple, at(300, 300)),
    row("Spin", 4, Framing::Premultiplied, spin, at(350, 750)),
    row("Spin Wave", 4, Framing::Premultiplied, spin_wave, at(350, 800, 250)),
    row("Wave", 4, Framing::Premultiplied, wave, at(500, 200, 0)),
    row("Wow", 4, Framing::Premultiplied, wow, at(300, 300)),
    row("Zig Zag", 4, Framing::Premultiplied, zig_zag, at(500, 200)),

    // Route 5: polygon warps of the layer's data extents.
    row("Perspective", 5, Framing::Premultiplied, perspective, at(800)),
    row("Warp", 5, Framing::Premultiplied, warp_corners, {{600, 600, 400, 550, 400, 400}, 0, 0}),
    row("Warp Edge", 5, Framing::Premultiplied, warp_edge, at(700, 600, 700, 600)),
    row("Warp 3 Point", 5, Framing::Premultiplied, warp_3_point, {{600, 550, 450, 600, 550, 450}, 0, 0}),
    row("Stretch", 5, Framing::Premultiplied, stretch, at(700)),
    row("Stretch Edge", 5, Framing::Premultiplied, stretch_edge, at(750)),
    row("Vertical Pivot", 5, Framing::Premultiplied, vertical_pivot, at(700)),
    row("Horizontal Pivot", 5, Framing::Premultiplied, horizontal_pivot, at(700)),
    row("Skew", 5, Framing::Premultiplied, skew, at(700)),

    // Route 6: scripted effects.
    script_rows::scripted("Colorize", imaging::kScriptColorize, script_rows::sliders(80, 600, 1000)),
    script_rows::scripted("Twirl", imaging::kScriptTwirl, script_rows::sliders(800)),
    script_rows::scripted("Sine Distortion", imaging::kScriptSineDistortion, script_rows::sliders(500, 300)),
    script_rows::scripted("Kaleidoscope", imaging::kScriptKaleidoscope, script_rows::sliders(300, 0)),
    script_rows::scripted("Patternizer", imaging::kScriptPatternizer, script_rows::sliders(300)),
    script_rows::scripted("Scratch", imaging::kScriptScratch, script_rows::sliders(700, 1000), true),
    script_rows::scripted("Waves", imaging::kScriptWaves, script_rows::sliders(500, 300)),
    script_rows::scripted("Divider", imaging::kScriptDivider, script_rows::sliders(0)),
    script_rows::scripted("Carpet", imaging::kScriptCarpet, script_rows::sliders(200)),
    script_rows::scripted("Glass", imaging::kScriptGlass, script_rows::sliders(300, 600), true),
    script_rows::scripted("Voxel", imaging::kScriptVoxel, script_rows::sliders(200)),
    script_rows::scripted("Zoom", imaging::kScriptZoom, script_rows::sliders(700)),
    script_rows::scripted("Rotate", imaging::kScriptRotate, script_rows::sliders(125)),
    script_rows::scripted("Tilt", imaging::kScriptTilt, script_rows::sliders(750)),
    script_rows::scripted("Seamless", imaging::kScriptSeamless, script_rows::sliders(300)),
    script_rows::scripted("Edge", imaging::kScriptEdge, script_rows::sliders(500)),
    script_rows::scripted("Bump", imaging::kScriptBump, script_rows::sliders(125, 500, 500)),
    script_rows::scripted("Emboss2", imaging::kScriptEmboss, script_rows::sliders(125, 500, 500)),
    script_rows::scripted("Maximum", imaging::kScriptMaximum, script_rows::sliders(100)),
    script_rows::scripted("Minimum", imaging::kScriptMinimum, script_rows::sliders(100)),
    script_rows::generator("Lines", imaging::kScriptLines, script_rows::sliders(300, 300, 500, 500, 500, 1000)),
    script_rows::generator("Points", imaging::kScriptPoints, script_rows::sliders(300, 300, 500, 500, 500, 1000)),
    script_rows::generator("Circles", imaging::kScriptCircles, script_rows::sliders(300, 500, 500, 500, 500, 1000)),
    script_rows::generator("Rectangles", imaging::kScriptRectangles, script_rows::sliders(300, 500, 500, 500, 500, 1000)),
    script_rows::generator("Splines", imaging::kScriptSplines, script_rows::sliders(300, 300, 500, 500, 500, 1000)),
    script_rows::generator("Worms", imaging::kScriptWorms, script_rows::sliders(300, 300, 300, 500, 500, 1000)),
    script_rows::generator("Fibers", imaging::kScriptFibers, script_rows::sliders(500, 500, 500, 500, 500, 1000)),
    script_rows::generator("Trees", imaging::kScriptTrees, script_rows::sliders(500, 700, 500, 500, 500, 1000)),
    script_rows::generator("Generate Noise", imaging::kScriptNoise, script_rows::sliders(300, 500, 500, 500, 500, 600)),
    script_rows::generator("Blobs", imaging::kScriptBlobs, script_rows::sliders(300, 400, 500, 500, 500, 1000)),
    script_rows::generator("Plasma", imaging::kScriptPlasma, script_rows::sliders(500, 500, 500, 500, 500, 1000)),
    script_rows::generator("Sine Plasma", imaging::kScriptSinePlasma, script_rows::sliders(300, 500, 500, 500, 500, 1000)),
    script_rows::generator("Fractal Plasma", imaging::kScriptFractalPlasma,
                           script_rows::sliders(500, 300, 500, 500, 500, 1000)),
    script_rows::generator("Generate Perlin Noise", imaging::kScriptPerlinNoise,
                           script_rows::sliders(300, 500, 500, 500, 500, 1000)),
    script_rows::generator("Pattern", imaging::kScriptPattern, script_rows::sliders(300, 500, 500, 500, 500, 1000)),

    // Route 7: script-file families.
    {"Pattern Explorer", 7, Framing::WeightedMerge, backgrounds, nullptr, kNeedsResource, at(500)},
    {"Backgrounds Material", 7, Framing::WeightedMerge, backgrounds, nullptr, kNeedsResource, at(500)},
    {"Backgrounds Nature", 7, Framing::WeightedMerge, backgrounds, nullptr, kNeedsResource, at(500)},
    {"Backgrounds Surface", 7, Framing::WeightedMerge, backgrounds, nullptr, kNeedsResource, at(500)},
    {"Backgrounds Other", 7, Framing::WeightedMerge, backgrounds, nullptr, kNeedsResource, at(500)},
    {"Backgrounds Utility", 7, Framing::WeightedMerge, backgrounds, nullptr, kNeedsResource, at(500)},
    {"Texturize Emboss Material", 7, Framing::WeightedMerge, texturize_emboss,
      nullptr, kNeedsResource, at(500, 500, 500, 500, 500, 27)},
    {"Texturize Emboss Nature", 7, Framing::WeightedMerge, texturize_emboss,
      nullptr, kNeedsResource, at(500, 500, 500, 500, 500, 27)},
    {"Texturize Emboss Surface", 7, Framing::WeightedMerge, texturize_emboss,
      nullptr, kNeedsResource, at(500, 500, 500, 500, 500, 27)},
    {"Texturize Emboss Other", 7, Framing::WeightedMerge, texturize_emboss,
      nullptr, kNeedsResource, at(500, 500, 500, 500, 500, 27)},
    {"Texturize Emboss Utility", 7, Framing::WeightedMerge, texturize_emboss,
      nullptr, kNeedsResource, at(500, 500, 500, 500, 500, 27)},
    {"Texturize Bump Material", 7, Framing::WeightedMerge, texturize_bump,
      nullptr, kNeedsResource, at(500, 500, 500, 500, 500, 28)},
    {"Texturize Bump Nature", 7, Framing::WeightedMerge, texturize_bump,
      nullptr, kNeedsResource, at(500, 500, 500, 500, 500, 28)},
    {"Texturize Bump Surface", 7, Framing::WeightedMerge, texturize_bump,
      nullptr, kNeedsResource, at(500, 500, 500, 500, 500, 28)},
    {"Texturize Bump Other", 7, Framing::WeightedMerge, texturize_bump,
      nullptr, kNeedsResource, at(500, 500, 500, 500, 500, 28)},
    {"Texturize Bump Utility", 7, Framing::WeightedMerge, texturize_bump,
      nullptr, kNeedsResource, at(500, 500, 500, 500, 500, 28)},
    {"Displacement Bump Material", 7, Framing::None, displacement_bump, nullptr, kNeedsResource, at(500)},
    {"Displacement Bump Nature", 7, Framing::None, displacement_bump, nullptr, kNeedsResource, at(500)},
    {"Displacement Bump Surface", 7, Framing::None, displacement_bump, nullptr, kNeedsResource, at(500)},
    {"Displacement Bump Other", 7, Framing::None, displacement_bump, nullptr, kNeedsResource, at(500)},
    {"Displacement Bump Utility", 7, Framing::None, displacement_bump, nullptr, kNeedsResource, at(500)},

    // Route 8: results merged into the layer.
    row("Add Gaussian Noise", 8, Framing::WeightedMerge, add_gaussian_noise, at(500, 1000)),
    row("Add Negative Exponential Noise", 8, Framing::WeightedMerge, add_negative_exponential_noise, at(500, 1000)),
    row("Add Rayleigh Noise", 8, Framing::WeightedMerge, add_rayleigh_noise, at(500, 1000)),
    row("Add Uniform Noise", 8, Framing::WeightedMerge, add_uniform_noise, at(500, 1000)),
    row("Drop Shadow", 8, Framing::WeightedMerge, drop_shadow, at(250, 500, 125, 700)),
    row("Radiant 2", 8, Framing::PremultipliedMerge, radiant_2, at(700, 900, 550, 500, 500, kScreen)),

    // Route 8: the clipboard picture.
    {"Clip Fill", 8, Framing::WeightedMerge, clip_fill, nullptr, kNeedsClipboard, kMid},

    // Route 9: native filters; the blurs are premultiplied around the filter.
    native("Box Blur", "Box Blur", Framing::Premultiplied, at(50)),
    native("Anti Alias", "Anti Alias", Framing::Premultiplied),
    native("Smart Blur", "Noise Reduction", Framing::Premultiplied),
    native("Adaptive Blur", "Adaptive Blur", Framing::Premultiplied),
    native("Detail Blur", "Detail Blur", Framing::Premultiplied, at(50)),
    native("Value Blur", "Value Blur", Framing::Premultiplied, kValueBlur),
    native("Hyper Contrast", "Hyper Contrast", Framing::Direct),
    native("Adjust Lab", "Adjust Lab", Framing::Direct),
    native("Channel", "Channel", Framing::Direct),
    native("Fader", "Fader", Framing::Direct),
    native("Adjust RGBA", "Adjust RGBA", Framing::Direct),
    native("Basic Threshold", "Basic Threshold", Framing::Direct),
    native("Alpha Edge Color", "Alpha Edge Color", Framing::Direct),
    native("Line Art Cleaner", "Line Art Cleaner", Framing::Direct),
    native("Clamp", "Clamp", Framing::Direct),
    native("Noise Reduction", "Noise Reduction", Framing::Premultiplied),
    native("Noise Reduction RGB", "Noise Reduction RGB", Framing::Premultiplied),
    native("Bas Relief", "Bas Relief", Framing::Direct),
    native("Vignette", "Vignette", Framing::Direct),
    native("Borderize", "Borderize", Framing::Direct),
    native("Reflection", "Reflection", Framing::Direct),
    native("Mirror", "Mirror", Framing::Direct),
    native("Gallery Wrap Mirror Auto", "Gallery Wrap Mirror Auto", Framing::Direct),
    // Route 10: chains.
    chain("Charcoal", Framing::Chain, grey_step, kValueBlur, charcoal_strokes),
    chain("Color Pencil", Framing::WeightedMerge, pencil_strokes, kValueBlur),
    chain("Color Pencil 2", Framing::Chain, half_grey_step, kValueBlur, pencil_strokes),
    chain("Crayon", Framing::Chain, crayon_step, kValueBlur, pencil_strokes),
    chain("Pointillism", Framing::Chain, saturate_step, at(300), pointillism_step),
    chain("Watercolor and Ink", Framing::Chain, watercolour_step, kMid, ink_lines),
    chain("Contrast Mask", Framing::WeightedMerge, contrast_mask, kMid),
    chain("Color Contrast", Framing::WeightedMerge, color_contrast, kMid),
    chain("Photo Pop", Framing::None, photo_pop, kMid),
    chain("Photo Detailer", Framing::Chain, sharpen_step, kMid, detail_step),
    chain("Glow", Framing::WeightedMerge, glow, at(300, 600)),
    chain("Edge3", Framing::Direct, edge3, kMid),
    chain("High Pass", Framing::Direct, high_pass, at(300)),
    chain("Emboss3", Framing::WeightedMerge, emboss3, kRelief),
    chain("Outliner 1", Framing::WeightedMerge, outliner_1, at(200)),
    chain("Outliner 2", Framing::WeightedMerge, outliner_2, at(200, 400)),
    // Routes 11, 13, 14.
    {"Lua Filter", 11, Framing::None, run_lua, nullptr, kNeedsResource, kMid},

    // Route 12: plug-ins.
    {"Adobe Compatible Plug-ins", 12, Framing::None, adobe_compatible_plugins, nullptr, kNeedsResource, kMid},

    {"Mask Generate HSL", 13, Framing::None, mask_generate_hsl, nullptr, kNeedsMask, at(100, 200, 200)},
    {"Mask Detail", 13, Framing::None, run_native_mask, "Mask Detail", kNeedsMask, kMid},
    {"Mask High Low", 13, Framing::None, run_native_mask, "Mask High Low", kNeedsMask, kMid},
    {"Distort by Scratch Layer", 14, Framing::None, distort_by_scratch_layer, nullptr, kNeedsScratchLayer, kMid},
};

}  // namespace

std::span<const EffectRecord> effect_table() noexcept { return kEffects; }

const EffectRecord* find_effect(const char* name) noexcept
{
    if (!name) return nullptr;
    for (const EffectRecord& record : kEffects)
        if (std::strcmp(name, record.name) == 0) return &record;
    return nullptr;
}

}  // namespace mur::effects

using namespace mur;

extern "C" {

MUR_API int32_t MUR_IPLEffectInfo(int32_t index, uint8_t* name, int32_t nameCapacity, int32_t* values)
{
    return guard("IPLEffectInfo", int32_t{0}, [&]() -> int32_t {
        const std::span<const effects::EffectRecord> table = effects::effect_table();
        if (index < 0 || static_cast<std::size_t>(index) >= table.size()) return 0;
        const effects::EffectRecord& e = table[static_cast<std::size_t>(index)];
        if (name && nameCapacity > 0) {
            const std::size_t n = std::min(std::strlen(e.name), static_cast<std::size_t>(nameCapacity) - 1);
            std::memcpy(name, e.name, n);
            name[n] = '\0';
        }
        if (values) {
            for (int i = 0; i < 6; ++i) values[i] = e.defaults.sliders[i];
            values[6] = e.defaults.style1;
            values[7] = e.defaults.style2;
            values[8] = e.route;
            values[9] = e.needs;
        }
        return 1;
    });
}

}  // extern "C"
