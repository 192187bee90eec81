// Effects of the effect-script interface that the brush code calls by
// number, and the rotation behind number 51.
//
// An effect list is filled with `add_script_effect` (the effect's number and
// an enable flag), given values with `set_script_effect_value` (the effect's
// index in the list, the value slot, the value) and run on a picture in
// place with `run_script_effects`. Known numbers:
//
//   51  rotate about the centre: slot 3 the angle in degrees (positive turns
//       counter-clockwise as seen on screen), slot 4 the zoom in percent
//       (100 = same scale); defaults 0 and 100; slot 5 not 0: the colours
//       are filtered weighted by their alpha (as premultiplied pixels), so
//       the edges the turn makes do not darken (RGBA pictures only).
//
// The painting effects, numbers 100 and up (`ScriptEffectId`), work on BGRA
// pictures. Their values are dialog values 0..1000 (out-of-range values are
// clamped); the slots are:
//
//    0, 1, 2, 4, 5, 6   the effect's own settings (see script_library.h)
//    3                  the seed of every random draw
//    7                  generators: the blend (`ScriptBlend`) of the drawn
//                       picture over the one it is drawn on
//    8, 9, 10           a colour, red, green and blue 0..255
//   15, 16              switches (0 off)
//
// Distortions map each output position to a source position and move all
// four channel planes alike, so alpha goes where its colour goes.
#pragma once

#include "imaging/image_view.h"

#include <cstdint>

namespace mur::imaging {

inline constexpr int32_t kRotateEffect = 51;

enum ScriptEffectId : int32_t {
    // Colour and neighbourhood filters.
    kScriptColorize = 100,
    kScriptEdge,
    kScriptBump,
    kScriptEmboss,
    kScriptMaximum,
    kScriptMinimum,
    // Distortions.
    kScriptTwirl = 120,
    kScriptSineDistortion,
    kScriptKaleidoscope,
    kScriptPatternizer,
    kScriptScratch,
    kScriptWaves,
    kScriptDivider,
    kScriptCarpet,
    kScriptGlass,
    kScriptVoxel,
    kScriptZoom,
    kScriptRotate,
    kScriptTilt,
    kScriptSeamless,
    // Generators.
    kScriptLines = 140,
    kScriptPoints,
    kScriptCircles,
    kScriptRectangles,
    kScriptSplines,
    kScriptWorms,
    kScriptFibers,
    kScriptTrees,
    kScriptNoise,
    kScriptBlobs,
    kScriptPlasma,
    kScriptSinePlasma,
    kScriptFractalPlasma,
    kScriptPerlinNoise,
    kScriptPattern,
};
inline constexpr int32_t kFirstDistortion = kScriptTwirl, kLastDistortion = kScriptSeamless;
inline constexpr int32_t kFirstGenerator = kScriptLines, kLastGenerator = kScriptPattern;

// How a generator's picture lands on the picture it is drawn on.
enum ScriptBlend : int32_t {
    kBlendMultiply = 0,
    kBlendScreen,
    kBlendOverlay,
    kBlendDarken,
    kBlendLighten,
    kBlendDifference,
    kBlendAdd,
    kBlendSubtract,
    kBlendSoftLight,
    kBlendHardLight,
    kBlendDodge,
    kBlendBurn,
    kBlendNormal,      // 12: the drawn picture over the old one
    kBlendExclusion,
    kBlendAverage,
    kBlendNegation,
    kBlendBehind,      // the drawn picture under the old one
    kBlendErase,       // the drawn picture's coverage cut out of the old one
    kBlendCount
};

// The dialog's style choice as a generator's blend: 0 is Normal (12), 1..12
// are 0..11, the rest pass unchanged (and blends outside 0..17 draw as Normal).
constexpr int32_t generator_blend_from_style(int32_t style) noexcept
{
    if (style == 0) return kBlendNormal;
    if (style >= 1 && style <= 12) return style - 1;
    return style;
}

inline constexpr int32_t kScriptValueSlots = 20;

struct ScriptEffect {
    int32_t number = 0;
    bool enabled = false;
    double values[kScriptValueSlots] = {};
};

struct ScriptEffectList {
    static constexpr int32_t kCapacity = 8;
    ScriptEffect effects[kCapacity];
    int32_t count = 0;
};

// Whether `number` is an effect this list runs.
bool known_script_effect(int32_t number) noexcept;

// False for an unknown number or a full list.
bool add_script_effect(ScriptEffectList& list, int32_t number, int32_t flag) noexcept;

// False when there is no such effect or slot.
bool set_script_effect_value(ScriptEffectList& list, int32_t index, int32_t slot, double value) noexcept;

// Runs the enabled effects in order on a 4-byte-a-pixel view (RGBA or BGRA);
// false, with the picture as it was before the failing effect, when one
// fails.
bool run_script_effects(const ScriptEffectList& list, const ImageView& image) noexcept;

// The same, the first enabled effect reading `source` (of the image's size,
// not overlapping it) instead of the image: no working copy is made for it.
bool run_script_effects(const ScriptEffectList& list, const ConstImageView& source, const ImageView& image) noexcept;

// Turns a 4-byte-a-pixel picture about its centre by `degrees`
// (counter-clockwise on screen) and scales it by `zoomPercent` / 100, in
// place and keeping its size. Each output pixel is the bilinear
// interpolation of the four source pixels around its pre-image, the four
// bytes alike; positions outside the source count as all zero (transparent
// black), so the corners that the turn uncovers are transparent. False for
// a bad view, an angle or zoom that is not finite, a zoom of 0 or less, or
// no memory for the copy.
bool rotate_about_centre(const ImageView& image, double degrees, double zoomPercent) noexcept;

// The turn of RGBA pixels with the colours weighted by alpha: each output
// alpha is the bilinear mix of the four alphas, each colour the mix of the
// four colours weighted by weight x alpha (transparent where all four are
// transparent). Weights come in steps of 1/256 of a pixel; whole quarter
// turns move pixels unchanged. From `source` into `image` (same size, not
// overlapping).
bool rotate_rgba_weighted(const ConstImageView& source, const ImageView& image, double degrees,
                          double zoomPercent) noexcept;

}  // namespace mur::imaging
