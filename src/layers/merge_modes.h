// The per-mode arithmetic of compositing, one small function per mode: the
// alpha-mode stage that may change the source colour, its coverage u and the
// colour mode used, and the colour modes on premultiplied values. The layer
// merge runs them in extended precision, the single-pixel compositing of
// paint in double precision.
//
// Notation: Sa = u / 65535 and Da = DA / 65535 are the source and
// destination alphas; Sca = Sc * Sa / 65280 and Dca = Dc * Da / 65280 are the
// premultiplied channels (colours are normalised by 65280); "rest" is
// Sca * (1 - Da) + Dca * (1 - Sa), the parts of each image the other does not
// cover. The loops around these functions (layer_merge.cpp, merge_pixel.cpp)
// own the layer mask, density, opacity, the alpha lock and the fast paths.
#pragma once

#include "ipl/color_spaces.h"
#include "layers/blend_modes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace mur::merge {

// ---- The alpha-mode stage -------------------------------------------------

// What the stage works on for one pixel.
struct StagePixel {
    int32_t c[3];        // source colour, 16-bit
    int32_t u;           // effective source alpha, 16-bit
    int32_t colourMode;  // the colour mode to use; starts as the mode id
    bool destAsClear;    // treat the destination alpha as 0 for this pixel
};

// Pulls each channel toward black (f of itself) or white (f of the distance).
inline int32_t darken_by(int32_t c, double f) { return std::clamp(static_cast<int32_t>(c - c * f), 0, 65535); }
inline int32_t lighten_by(int32_t c, double f)
{
    return std::clamp(static_cast<int32_t>(c + (65535 - c) * f), 0, 65535);
}

inline void shade_colour(StagePixel& p)  // 39, 40: shade by distance of u from mid-level
{
    for (int32_t& c : p.c) {
        if (p.u < 32767)
            c = std::max(c - 2 * (32767 - p.u), 0);
        else
            c = std::min(c + 2 * p.u - 65534, 65535);
    }
}

inline void smooth_lum_colour(StagePixel& p, double darkDivisor)  // 44, 45, 48
{
    for (int32_t& c : p.c)
        c = p.u < 32768 ? darken_by(c, (32767 - p.u) / darkDivisor) : lighten_by(c, (p.u - 32767) / 32767.0);
}

inline void smooth_lum3_colour(StagePixel& p)  // 46, 47
{
    for (int32_t& c : p.c)
        c = p.u < 36863 ? darken_by(c, (36862 - p.u) / 30000.0) : lighten_by(c, (p.u - 36862) / 28672.0);
}

inline void threshold_alpha(StagePixel& p, int32_t a0)  // 44..46: keep covered pixels at A0
{
    if (p.u != 0) p.u = p.u > 8190 ? a0 : 0;
}

inline void ramp_alpha(StagePixel& p, int32_t a0)  // 43, 47, 48: a steep ramp from 8191 to 9215
{
    if (p.u == 0) return;
    if (p.u <= 8190)
        p.u = 0;
    else if (p.u >= 9215)
        p.u = a0;
    else
        p.u = 65535 - std::min(64 * (9215 - p.u), 65535);
}

inline void set_colour(StagePixel& p, int32_t v) { p.c[0] = p.c[1] = p.c[2] = v; }

// The stage when the destination is not in the same alpha mode.
inline void alpha_stage(int32_t mode, StagePixel& p, int32_t a0)
{
    switch (mode) {
    case kModeAlphaFilter:
        set_colour(p, 65535);
        p.u = 65535 - p.u;
        break;
    case kModeAlphaBlackOutline:
    case kModeAlphaOverlayOutline:
        if (p.u >= 1 && p.u <= 65279) {
            set_colour(p, 0);
            p.u = a0;
        }
        break;
    case kModeAlphaOutlineTint1:
    case kModeAlphaOutlineTint2:
        if (p.u != 0) p.u = p.u > 12286 ? a0 : 65535 - p.u;
        break;
    case kModeAlphaInvert:
        if (p.u != 0) p.u = 65535 - p.u;
        break;
    case kModeAlphaShader:
        if (p.u != 0) {
            set_colour(p, p.u);
            p.u = a0;
        }
        break;
    case kModeAlphaShaderColor:
    case kModeAlphaShaderTexture2:
        if (p.u != 0) {
            shade_colour(p);
            p.u = a0;
        }
        if (mode == kModeAlphaShaderTexture2) p.colourMode = kModeTexturize2;
        break;
    case kModeAlphaHighlightTexture2:
        if (p.u != 0) {
            if (p.u >= 32767) {
                for (int32_t& c : p.c) c = std::min(c + 2 * p.u - 65534, 65535);
                p.u = a0;
            } else {
                p.u = std::max(p.u - 2 * (32767 - p.u), 0);
            }
        }
        p.colourMode = kModeTexturize2;
        break;
    case kModeAlphaSmooth:
        if (p.u != 0) {
            if (p.u >= 32767) {
                p.u = a0;
            } else {
                const int32_t k = 4 * (32767 - p.u);
                p.u = p.u < k ? 0 : p.u - k;
            }
        }
        break;
    case kModeAlphaSmooth2: ramp_alpha(p, a0); break;
    case kModeAlphaSmoothLum:
        smooth_lum_colour(p, 32767.0);
        threshold_alpha(p, a0);
        break;
    case kModeAlphaSmoothLum2:
        smooth_lum_colour(p, 65535.0);
        threshold_alpha(p, a0);
        break;
    case kModeAlphaSmoothLum3:
        smooth_lum3_colour(p);
        threshold_alpha(p, a0);
        break;
    case kModeAlphaSmoothLum4:
        smooth_lum3_colour(p);
        ramp_alpha(p, a0);
        break;
    case kModeAlphaSmoothLum5:
        smooth_lum_colour(p, 32767.0);
        ramp_alpha(p, a0);
        break;
    case kModeAlphaHighlight:
        if (p.u > 32512) p.u = 0;
        break;
    case kModeLayerMask: p.u = 0; break;
    case kModeLuminanceAlpha:
        p.u = (p.c[0] + p.c[1] + p.c[2]) / 3;
        set_colour(p, 65535);
        break;
    case kModeLuminanceAlphaInvert:
        p.u = 65535 - (p.c[0] + p.c[1] + p.c[2]) / 3;
        set_colour(p, 0);
        break;
    default: break;  // Alpha Normal and the colour modes
    }
}

// The stage when the destination layer is in the same alpha mode: covered
// pixels replace the destination instead of piling up.
inline void same_alpha_stage(int32_t mode, StagePixel& p, int32_t a0)
{
    auto ramp_or_replace = [&p] {
        if (p.u < 8191)
            p.u = 0;
        else if (p.u <= 9214)
            p.colourMode = kModeMultiply;
        else
            p.destAsClear = true;
    };
    switch (mode) {
    case kModeAlphaSmooth2: ramp_or_replace(); break;
    case kModeAlphaSmoothLum:
    case kModeAlphaSmoothLum2:
    case kModeAlphaSmoothLum3:
        if (p.u >= 8191)
            p.destAsClear = true;
        else
            p.u = 0;
        break;
    case kModeAlphaSmoothLum4:
    case kModeAlphaSmoothLum5:
        if (p.u >= 8191)
            ramp_or_replace();
        else
            p.u = 0;
        break;
    case kModeAlphaHighlight:
        if (p.u <= 32512)
            p.u = 0;
        else
            p.destAsClear = true;
        break;
    case kModeLayerMask:
    case kModeLuminanceAlpha:
    case kModeLuminanceAlphaInvert: alpha_stage(mode, p, a0); break;
    default:
        if (mode >= kModeAlphaNormal && mode <= kModeAlphaOverlayOutline && p.u != 0) p.destAsClear = true;
        break;
    }
}

// ---- The colour modes --------------------------------------------------------

// Premultiplied values of one pixel pair, and the raw source colour.
template <class Real>
struct Blend {
    Real sa, da;  // alphas 0..1
    Real sca[3];  // source, premultiplied
    Real dca[3];  // destination, premultiplied
    Real sc[3];   // source colour 0..1 (Sc / 65280), unpremultiplied
    Real rc[3];   // result, premultiplied
    Real ao;      // result alpha, preset by the caller to the default
    bool screenAtHalf;  // Overlay and Hard Light take their screen half at exactly half
};

template <class Real>
inline Real rest(const Blend<Real>& b, int i)
{
    return b.sca[i] * (1 - b.da) + b.dca[i] * (1 - b.sa);
}

// Rc = Sca + Dca (1 - Sa)
template <class Real>
inline void blend_normal(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) b.rc[i] = b.sca[i] + b.dca[i] * (1 - b.sa);
}

// Rc = Sca Dca + rest
template <class Real>
inline void blend_multiply(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) b.rc[i] = b.sca[i] * b.dca[i] + rest(b, i);
}

// Rc = Sca + Dca - Sca Dca
template <class Real>
inline void blend_screen(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) b.rc[i] = b.sca[i] + b.dca[i] - b.sca[i] * b.dca[i];
}

// The darker (or lighter) of the two, compared at equal coverage.
template <class Real>
inline void blend_darken(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i)
        b.rc[i] = b.dca[i] * b.sa <= b.sca[i] * b.da ? b.dca[i] + b.sca[i] * (1 - b.da) : b.sca[i] + b.dca[i] * (1 - b.sa);
}
template <class Real>
inline void blend_lighten(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i)
        b.rc[i] = b.sca[i] * b.da <= b.dca[i] * b.sa ? b.dca[i] + b.sca[i] * (1 - b.da) : b.sca[i] + b.dca[i] * (1 - b.sa);
}

// Rc = Sca + Dca - 2 min(Sca Da, Dca Sa)
template <class Real>
inline void blend_difference(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) b.rc[i] = b.sca[i] + b.dca[i] - 2 * std::min(b.sca[i] * b.da, b.dca[i] * b.sa);
}

// Rc = Sca Da + Dca Sa - 2 Sca Dca + rest (Negation and Exclusion alike)
template <class Real>
inline void blend_exclusion(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) b.rc[i] = b.sca[i] * b.da + b.dca[i] * b.sa - 2 * b.sca[i] * b.dca[i] + rest(b, i);
}

// Bitwise operations on 16-bit fixed-point values; the source term is Sca Sa.
template <class Real, class Op>
inline void blend_bitwise(Blend<Real>& b, Op op)
{
    for (int i = 0; i < 3; ++i) {
        const auto s = static_cast<uint32_t>(b.sca[i] * b.sa * 65535);
        const auto d = static_cast<uint32_t>(b.dca[i] * 65535);
        b.rc[i] = static_cast<Real>(op(s, d)) / 65535;
    }
}

// The multiply or screen half of Overlay and Hard Light, chosen by `low`.
template <class Real>
inline Real hard_mix(const Blend<Real>& b, int i, bool low)
{
    return low ? 2 * b.sca[i] * b.dca[i] + rest(b, i)
               : b.sa * b.da - 2 * (b.da - b.dca[i]) * (b.sa - b.sca[i]) + rest(b, i);
}
template <class Real>
inline void blend_overlay(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) b.rc[i] = hard_mix(b, i, b.screenAtHalf ? 2 * b.dca[i] < b.da : 2 * b.dca[i] <= b.da);
}
template <class Real>
inline void blend_hard_light(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) b.rc[i] = hard_mix(b, i, b.screenAtHalf ? 2 * b.sca[i] < b.sa : 2 * b.sca[i] <= b.sa);
}

// With m = Dca / Da: darkens or lightens by the source's distance from half.
template <class Real>
inline void blend_soft_light(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) {
        const Real m = b.dca[i] / b.da;
        const Real s2 = 2 * b.sca[i] - b.sa;
        if (2 * b.sca[i] < b.sa)
            b.rc[i] = b.dca[i] * (b.sa + s2 * (1 - m)) + rest(b, i);
        else if (8 * b.dca[i] > b.da)
            b.rc[i] = b.dca[i] * b.sa + s2 * (std::sqrt(m) * b.da - b.dca[i]) + rest(b, i);
        else
            b.rc[i] = b.dca[i] * (b.sa + s2 * (1 - m) * (3 - 8 * m)) + rest(b, i);
    }
}

// Dodge: Dca Sa / (1 - Sca / Sa) + rest, saturating at Sa Da.
template <class Real>
inline void blend_dodge(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i)
        b.rc[i] = b.sca[i] * b.da + b.dca[i] * b.sa >= b.sa * b.da ? b.sa * b.da + rest(b, i)
                                                                    : b.dca[i] * b.sa / (1 - b.sca[i] / b.sa) + rest(b, i);
}

// Burn: (Sca Da + Dca Sa - Sa Da) Sa / Sca + rest, bottoming out at rest.
template <class Real>
inline void blend_burn(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) {
        const Real sum = b.sca[i] * b.da + b.dca[i] * b.sa;
        b.rc[i] = sum <= b.sa * b.da ? rest(b, i) : (sum - b.sa * b.da) * b.sa / b.sca[i] + rest(b, i);
    }
}

// Add and Subtract: the alphas add up as well.
template <class Real>
inline void blend_add(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) b.rc[i] = b.sca[i] + b.dca[i];
    b.ao = b.sa + b.da;
}
template <class Real>
inline void blend_subtract(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) b.rc[i] = b.sca[i] + b.dca[i] - b.sa * b.da;
    b.ao = b.sa + b.da;
}

// Color and Hard Color: the source colour, pushed away from mid-level by how
// far the destination's mean l (its sum times `third`) lies from it.
template <class Real>
inline void blend_color(Blend<Real>& b, Real strength, Real third)
{
    const Real l = (b.dca[0] + b.dca[1] + b.dca[2]) * third;
    const Real k = (l >= 0.5 ? l - Real(0.5) : Real(0.5) - l) * strength * b.sa;
    for (int i = 0; i < 3; ++i) b.rc[i] = b.sca[i] + (l >= 0.5 ? k : -k) + b.dca[i] * (1 - b.sa);
    b.ao = b.da;
}

// The HSL family: a colour built from parts of both, laid over by Sa.
template <class Real>
inline void lay_over(Blend<Real>& b, const color::Rgb& c)
{
    const Real rgb[3] = {Real(c.r), Real(c.g), Real(c.b)};
    for (int i = 0; i < 3; ++i) b.rc[i] = b.dca[i] * (1 - b.sa) + rgb[i] * b.sa;
    b.ao = b.da;
}
template <class Real>
inline color::Hsl source_hsl(const Blend<Real>& b)
{
    return color::rgb_to_hsl({double(b.sc[0]), double(b.sc[1]), double(b.sc[2])});
}
template <class Real>
inline color::Hsl dest_hsl(const Blend<Real>& b)
{
    return color::rgb_to_hsl({double(b.dca[0]), double(b.dca[1]), double(b.dca[2])});
}
template <class Real>
inline void blend_colorize(Blend<Real>& b)
{
    const Real y = (3 * b.dca[0] + 4 * b.dca[1] + b.dca[2]) * Real(0.125);
    const color::Hsl s = source_hsl(b);
    lay_over(b, color::hsl_to_rgb({s.h, s.s, double(y)}));
}
template <class Real>
inline void blend_hsl_hue(Blend<Real>& b)
{
    const color::Hsl s = source_hsl(b), d = dest_hsl(b);
    lay_over(b, color::hsl_to_rgb({s.h, d.s, d.l}));
}
template <class Real>
inline void blend_hsl_sat(Blend<Real>& b)
{
    const color::Hsl s = source_hsl(b), d = dest_hsl(b);
    lay_over(b, color::hsl_to_rgb({d.h, s.s, d.l}));
}
template <class Real>
inline void blend_hsl_lum(Blend<Real>& b)
{
    const color::Hsl s = source_hsl(b), d = dest_hsl(b);
    lay_over(b, color::hsl_to_rgb({d.h, d.s, s.l}));
}
template <class Real>
inline void blend_hsl_color(Blend<Real>& b)
{
    const color::Hsl s = source_hsl(b), d = dest_hsl(b);
    lay_over(b, color::hsl_to_rgb({s.h, s.s, d.l}));
}

// Texturize: the destination lightened or darkened by the source's
// brightness T; Texturize decides the direction by the mean of a trial pass.
// Both give an unpremultiplied result, which the normalisation divides by
// the destination alpha once more.
template <class Real>
inline Real texture_brightness(const Blend<Real>& b)
{
    return (b.sc[0] + b.sc[1] + b.sc[2]) * 65280 / 195840;
}
template <class Real>
inline Real push_from_half(Real base, Real level, Real amount)
{
    return level >= 0.5 ? base + (level - Real(0.5)) * amount : base - (Real(0.5) - level) * amount;
}
template <class Real>
inline void blend_texturize(Blend<Real>& b)
{
    const Real t = texture_brightness(b);
    Real dn[3], mean = 0;
    for (int i = 0; i < 3; ++i) {
        dn[i] = b.dca[i] / b.da;
        mean += push_from_half(dn[i], t, b.sa);
    }
    mean /= 3;
    for (int i = 0; i < 3; ++i) b.rc[i] = push_from_half(dn[i], mean, Real(1.75) * b.sa);
    b.ao = b.da;
}
template <class Real>
inline void blend_texturize2(Blend<Real>& b)
{
    const Real t = texture_brightness(b);
    for (int i = 0; i < 3; ++i) b.rc[i] = push_from_half(b.dca[i] / b.da, t, Real(1.75) * b.sa);
    b.ao = b.da;
}
template <class Real>
inline void blend_texturize3(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) b.rc[i] = b.dca[i];
    b.ao = b.da;
}

// The colour-mode function of an id; ids without their own (16, 17, 30 and
// every id from 31) are Normal. `third` is the factor of the Color modes'
// mean.
template <class Real>
inline void blend_colour(int32_t mode, Blend<Real>& b, Real third)
{
    switch (mode) {
    case kModeMultiply: blend_multiply(b); break;
    case kModeScreen: blend_screen(b); break;
    case kModeDarken: blend_darken(b); break;
    case kModeLighten: blend_lighten(b); break;
    case kModeDifference: blend_difference(b); break;
    case kModeNegation:
    case kModeExclusion: blend_exclusion(b); break;
    case kModeAnd: blend_bitwise(b, [](uint32_t s, uint32_t d) { return s & d; }); break;
    case kModeOr: blend_bitwise(b, [](uint32_t s, uint32_t d) { return s | d; }); break;
    case kModeXor: blend_bitwise(b, [](uint32_t s, uint32_t d) { return s ^ d; }); break;
    case kModeOverlay: blend_overlay(b); break;
    case kModeHardLight: blend_hard_light(b); break;
    case kModeSoftLight: blend_soft_light(b); break;
    case kModeDodge: blend_dodge(b); break;
    case kModeBurn: blend_burn(b); break;
    case kModeAdd: blend_add(b); break;
    case kModeSubtract: blend_subtract(b); break;
    case kModeColor: blend_color(b, Real(1), third); break;
    case kModeHardColor: blend_color(b, Real(1.75), third); break;
    case kModeColorize: blend_colorize(b); break;
    case kModeHslHue: blend_hsl_hue(b); break;
    case kModeHslSat: blend_hsl_sat(b); break;
    case kModeHslLum: blend_hsl_lum(b); break;
    case kModeHslColor: blend_hsl_color(b); break;
    case kModeTexturize: blend_texturize(b); break;
    case kModeTexturize2: blend_texturize2(b); break;
    case kModeTexturize3: blend_texturize3(b); break;
    default: blend_normal(b); break;
    }
}

// Modes that leave a transparent destination pixel transparent.
constexpr bool keeps_clear_destination(int32_t mode)
{
    return mode == kModeColor || mode == kModeHardColor || mode == kModeTexturize || mode == kModeTexturize2 ||
           mode == kModeTexturize3;
}

}  // namespace mur::merge
