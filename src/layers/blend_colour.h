// The colour modes of compositing, one small function per mode on
// premultiplied values, and their dispatch by mode id. The layer merge runs
// them in extended precision, the single-pixel compositing of paint in double
// and the view in single precision.
//
// Notation: Sa = u / 65535 and Da = DA / 65535 are the source and
// destination alphas; Sca = Sc * Sa / 65280 and Dca = Dc * Da / 65280 are the
// premultiplied channels (colours are normalised by 65280); "rest" is
// Sca * (1 - Da) + Dca * (1 - Sa), the parts of each image the other does not
// cover. The frame around these functions (composite_frame.h) owns the
// coverage, the early exits and the normalisation; the loops around the frame
// own layer masks, density, opacity and the alpha lock.
#pragma once

#include "imaging/color_spaces.h"
#include "layers/blend_modes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace mur::blend {

// Premultiplied values of one pixel pair, and the raw source colour.
template <class Real>
struct Blend {
    Real sa, da;  // alphas 0..1
    Real sca[3];  // source, premultiplied
    Real dca[3];  // destination, premultiplied
    Real sc[3];   // source colour 0..1 (Sc / 65280), unpremultiplied
    Real rc[3];   // result, premultiplied
    Real ao;      // result alpha, preset by the caller to the default
    Real third;   // the factor of the Color modes' mean of three channels
    bool screenAtHalf;  // Overlay and Hard Light take their screen half at exactly half
};

template <class Real>
inline Real rest(const Blend<Real>& b, int i)
{
    return b.sca[i] * (1 - b.da) + b.dca[i] * (1 - b.sa);
}

// Rc = Sca + Dca (1 - Sa)
template <class Real>
inline void colour_normal(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) b.rc[i] = b.sca[i] + b.dca[i] * (1 - b.sa);
}

// Rc = Sca Dca + rest
template <class Real>
inline void colour_multiply(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) b.rc[i] = b.sca[i] * b.dca[i] + rest(b, i);
}

// Rc = Sca + Dca - Sca Dca
template <class Real>
inline void colour_screen(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) b.rc[i] = b.sca[i] + b.dca[i] - b.sca[i] * b.dca[i];
}

// The darker (or lighter) of the two, compared at equal coverage.
template <class Real>
inline void colour_darken(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i)
        b.rc[i] = b.dca[i] * b.sa <= b.sca[i] * b.da ? b.dca[i] + b.sca[i] * (1 - b.da) : b.sca[i] + b.dca[i] * (1 - b.sa);
}
template <class Real>
inline void colour_lighten(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i)
        b.rc[i] = b.sca[i] * b.da <= b.dca[i] * b.sa ? b.dca[i] + b.sca[i] * (1 - b.da) : b.sca[i] + b.dca[i] * (1 - b.sa);
}

// Rc = Sca + Dca - 2 min(Sca Da, Dca Sa)
template <class Real>
inline void colour_difference(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) b.rc[i] = b.sca[i] + b.dca[i] - 2 * std::min(b.sca[i] * b.da, b.dca[i] * b.sa);
}

// Rc = Sca Da + Dca Sa - 2 Sca Dca + rest (Negation and Exclusion alike)
template <class Real>
inline void colour_exclusion(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) b.rc[i] = b.sca[i] * b.da + b.dca[i] * b.sa - 2 * b.sca[i] * b.dca[i] + rest(b, i);
}

// Bitwise operations on 16-bit fixed-point values; the source term is Sca Sa.
template <class Real, class Op>
inline void bitwise(Blend<Real>& b, Op op)
{
    for (int i = 0; i < 3; ++i) {
        const auto s = static_cast<uint32_t>(b.sca[i] * b.sa * 65535);
        const auto d = static_cast<uint32_t>(b.dca[i] * 65535);
        b.rc[i] = static_cast<Real>(op(s, d)) / 65535;
    }
}
template <class Real>
inline void colour_bitwise_and(Blend<Real>& b)
{
    bitwise(b, [](uint32_t s, uint32_t d) { return s & d; });
}
template <class Real>
inline void colour_bitwise_or(Blend<Real>& b)
{
    bitwise(b, [](uint32_t s, uint32_t d) { return s | d; });
}
template <class Real>
inline void colour_bitwise_xor(Blend<Real>& b)
{
    bitwise(b, [](uint32_t s, uint32_t d) { return s ^ d; });
}

// The multiply or screen half of Overlay and Hard Light, chosen by `low`.
template <class Real>
inline Real hard_mix(const Blend<Real>& b, int i, bool low)
{
    return low ? 2 * b.sca[i] * b.dca[i] + rest(b, i)
               : b.sa * b.da - 2 * (b.da - b.dca[i]) * (b.sa - b.sca[i]) + rest(b, i);
}
template <class Real>
inline void colour_overlay(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) b.rc[i] = hard_mix(b, i, b.screenAtHalf ? 2 * b.dca[i] < b.da : 2 * b.dca[i] <= b.da);
}
template <class Real>
inline void colour_hard_light(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) b.rc[i] = hard_mix(b, i, b.screenAtHalf ? 2 * b.sca[i] < b.sa : 2 * b.sca[i] <= b.sa);
}

// With m = Dca / Da: darkens or lightens by the source's distance from half.
template <class Real>
inline void colour_soft_light(Blend<Real>& b)
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
inline void colour_dodge(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i)
        b.rc[i] = b.sca[i] * b.da + b.dca[i] * b.sa >= b.sa * b.da ? b.sa * b.da + rest(b, i)
                                                                    : b.dca[i] * b.sa / (1 - b.sca[i] / b.sa) + rest(b, i);
}

// Burn: (Sca Da + Dca Sa - Sa Da) Sa / Sca + rest, bottoming out at rest.
template <class Real>
inline void colour_burn(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) {
        const Real sum = b.sca[i] * b.da + b.dca[i] * b.sa;
        b.rc[i] = sum <= b.sa * b.da ? rest(b, i) : (sum - b.sa * b.da) * b.sa / b.sca[i] + rest(b, i);
    }
}

// Add and Subtract: the alphas add up as well.
template <class Real>
inline void colour_add(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) b.rc[i] = b.sca[i] + b.dca[i];
    b.ao = b.sa + b.da;
}
template <class Real>
inline void colour_subtract(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) b.rc[i] = b.sca[i] + b.dca[i] - b.sa * b.da;
    b.ao = b.sa + b.da;
}

// Color and Hard Color: the source colour, pushed away from mid-level by how
// far the destination's mean l (its sum times `third`) lies from it.
template <class Real>
inline void push_by_mean(Blend<Real>& b, Real strength)
{
    const Real l = (b.dca[0] + b.dca[1] + b.dca[2]) * b.third;
    const Real k = (l >= 0.5 ? l - Real(0.5) : Real(0.5) - l) * strength * b.sa;
    for (int i = 0; i < 3; ++i) b.rc[i] = b.sca[i] + (l >= 0.5 ? k : -k) + b.dca[i] * (1 - b.sa);
    b.ao = b.da;
}
template <class Real>
inline void colour_color(Blend<Real>& b)
{
    push_by_mean(b, Real(1));
}
template <class Real>
inline void colour_hard_color(Blend<Real>& b)
{
    push_by_mean(b, Real(1.75));
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
inline void colour_colorize(Blend<Real>& b)
{
    const Real y = (3 * b.dca[0] + 4 * b.dca[1] + b.dca[2]) * Real(0.125);
    const color::Hsl s = source_hsl(b);
    lay_over(b, color::hsl_to_rgb({s.h, s.s, double(y)}));
}
template <class Real>
inline void colour_hsl_hue(Blend<Real>& b)
{
    const color::Hsl s = source_hsl(b), d = dest_hsl(b);
    lay_over(b, color::hsl_to_rgb({s.h, d.s, d.l}));
}
template <class Real>
inline void colour_hsl_sat(Blend<Real>& b)
{
    const color::Hsl s = source_hsl(b), d = dest_hsl(b);
    lay_over(b, color::hsl_to_rgb({d.h, s.s, d.l}));
}
template <class Real>
inline void colour_hsl_lum(Blend<Real>& b)
{
    const color::Hsl s = source_hsl(b), d = dest_hsl(b);
    lay_over(b, color::hsl_to_rgb({d.h, d.s, s.l}));
}
template <class Real>
inline void colour_hsl_color(Blend<Real>& b)
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
inline void colour_texturize(Blend<Real>& b)
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
inline void colour_texturize2(Blend<Real>& b)
{
    const Real t = texture_brightness(b);
    for (int i = 0; i < 3; ++i) b.rc[i] = push_from_half(b.dca[i] / b.da, t, Real(1.75) * b.sa);
    b.ao = b.da;
}
template <class Real>
inline void colour_texturize3(Blend<Real>& b)
{
    for (int i = 0; i < 3; ++i) b.rc[i] = b.dca[i];
    b.ao = b.da;
}

// Whether a colour function reads the straight source colour (sc).
constexpr bool reads_straight_source(int32_t mode)
{
    return (mode >= kModeColorize && mode <= kModeHslColor) || mode == kModeTexturize || mode == kModeTexturize2;
}

// The colour function of mode id `Mode`, chosen at compile time; ids without
// one of their own (31, and ids outside 0..53) composite as Normal.
template <int32_t Mode, class Real>
inline void blend_colour(Blend<Real>& b)
{
#define MUR_COLOUR_IF(id, tag, name, lua, colour, flags) \
    if constexpr (Mode == id) {                          \
        colour_##colour(b);                              \
    } else
    MUR_BLEND_MODES(MUR_COLOUR_IF)
#undef MUR_COLOUR_IF
    colour_normal(b);
}

// The same, chosen at run time.
template <class Real>
inline void blend_colour(int32_t mode, Blend<Real>& b)
{
    switch (mode) {
#define MUR_COLOUR_CASE(id, tag, name, lua, colour, flags) \
    case id: colour_##colour(b); return;
        MUR_BLEND_MODES(MUR_COLOUR_CASE)
#undef MUR_COLOUR_CASE
    default: colour_normal(b); return;
    }
}

}  // namespace mur::blend
